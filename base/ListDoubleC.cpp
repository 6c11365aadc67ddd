#include "base/ListDoubleC.h"

#include <cassert>

#include "cmn/cmn_Check.h"

namespace {

// An element that can be linked into a doubly linked list: has a previous link, is unlinked.
bool Acceptable(ListElemI* elem) noexcept {
  return elem != nullptr && !elem->IsLinked() && elem->PrevLink() != nullptr;
}

}  // namespace

ListDoubleC::ListDoubleC(const void* owner) noexcept
    : marker_(ListEndMarker(owner ? owner : this)) {
  assert((reinterpret_cast<uintptr_t>(owner) & 1u) == 0);
  head_ = marker_;
}

ListDoubleC::~ListDoubleC() {
  RemoveAll();
}

ListElemI* ListDoubleC::First() const noexcept {
  return ListIsEnd(head_) ? nullptr : ListLinkElem(head_);
}

ListElemI* ListDoubleC::At(int64_t position) const noexcept {
  if (position < 0 || static_cast<uint64_t>(position) >= count_) return nullptr;
  uint64_t pos = static_cast<uint64_t>(position);
  if (pos < count_ / 2) {
    ListLinkT link = head_;
    while (pos-- > 0) link = ListLinkElem(link)->Next();
    return ListLinkElem(link);
  }
  // Nearer the end: walk backwards from the tail.
  ListElemI* e = tail_;
  for (uint64_t back = count_ - 1 - pos; back > 0; --back) e = ListLinkElem(*e->PrevLink());
  return e;
}

void ListDoubleC::LinkBetween(ListElemI* elem, ListLinkT prev, ListLinkT next) noexcept {
  *elem->NextLink() = next;
  *elem->PrevLink() = prev;
  if (ListIsEnd(prev)) {
    head_ = ListElemLink(elem);
  } else {
    *ListLinkElem(prev)->NextLink() = ListElemLink(elem);
  }
  if (ListIsEnd(next)) {
    tail_ = elem;
  } else {
    *ListLinkElem(next)->PrevLink() = ListElemLink(elem);
  }
  ++count_;
  // The tail is null exactly when the list is empty, else the last element.
  QLM_DCHECK(tail_ != nullptr && ListIsEnd(tail_->Next()));
}

bool ListDoubleC::AddEnd(ListElemI* elem) noexcept {
  if (!Acceptable(elem)) return false;
  LinkBetween(elem, tail_ ? ListElemLink(tail_) : marker_, marker_);
  return true;
}

bool ListDoubleC::AddFront(ListElemI* elem) noexcept {
  if (!Acceptable(elem)) return false;
  LinkBetween(elem, marker_, head_);
  return true;
}

bool ListDoubleC::InsertAfter(ListElemI* after, ListElemI* elem) noexcept {
  if (after == nullptr) return AddEnd(elem);
  if (!Acceptable(elem) || !IsInList(after, marker_)) return false;
  LinkBetween(elem, ListElemLink(after), after->Next());
  return true;
}

bool ListDoubleC::Remove(ListElemI* elem) noexcept {
  if (elem == nullptr || elem->PrevLink() == nullptr || !IsInList(elem, marker_)) return false;
  ListLinkT prev = *elem->PrevLink();
  ListLinkT next = elem->Next();
  if (ListIsEnd(prev)) {
    head_ = next;
  } else {
    *ListLinkElem(prev)->NextLink() = next;
  }
  if (ListIsEnd(next)) {
    tail_ = ListIsEnd(prev) ? nullptr : ListLinkElem(prev);
  } else {
    *ListLinkElem(next)->PrevLink() = prev;
  }
  *elem->NextLink() = 0;
  *elem->PrevLink() = 0;
  --count_;
  QLM_DCHECK((tail_ == nullptr) == (count_ == 0));
  return true;
}

void ListDoubleC::RemoveAll() noexcept {
  ListLinkT link = head_;
  while (!ListIsEnd(link)) {
    ListElemI* e = ListLinkElem(link);
    link = e->Next();
    *e->NextLink() = 0;
    *e->PrevLink() = 0;
  }
  head_ = marker_;
  tail_ = nullptr;
  count_ = 0;
}
