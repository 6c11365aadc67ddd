#include "base/ListSingleC.h"

#include <cassert>

#include "cmn/cmn_Check.h"

ListSingleC::ListSingleC(const void* owner) noexcept
    : marker_(ListEndMarker(owner ? owner : this)) {
  assert((reinterpret_cast<uintptr_t>(owner) & 1u) == 0);
  head_ = marker_;
}

ListSingleC::~ListSingleC() {
  RemoveAll();
}

ListElemI* ListSingleC::First() const noexcept {
  return ListIsEnd(head_) ? nullptr : ListLinkElem(head_);
}

ListElemI* ListSingleC::At(int64_t position) const noexcept {
  if (position < 0 || static_cast<uint64_t>(position) >= count_) return nullptr;
  if (static_cast<uint64_t>(position) == count_ - 1) return tail_;
  ListLinkT link = head_;
  while (position-- > 0) link = ListLinkElem(link)->Next();
  return ListLinkElem(link);
}

bool ListSingleC::AddEnd(ListElemI* elem) noexcept {
  if (elem == nullptr || elem->IsLinked()) return false;
  *elem->NextLink() = marker_;
  if (tail_ == nullptr) {
    head_ = ListElemLink(elem);
  } else {
    *tail_->NextLink() = ListElemLink(elem);
  }
  tail_ = elem;
  ++count_;
  CheckInvariant();
  return true;
}

bool ListSingleC::AddFront(ListElemI* elem) noexcept {
  if (elem == nullptr || elem->IsLinked()) return false;
  *elem->NextLink() = head_;
  head_ = ListElemLink(elem);
  if (tail_ == nullptr) tail_ = elem;
  ++count_;
  CheckInvariant();
  return true;
}

bool ListSingleC::InsertAfter(ListElemI* after, ListElemI* elem) noexcept {
  if (after == nullptr) return AddEnd(elem);
  if (elem == nullptr || elem->IsLinked() || !IsInList(after, marker_)) return false;
  *elem->NextLink() = after->Next();
  *after->NextLink() = ListElemLink(elem);
  if (after == tail_) tail_ = elem;
  ++count_;
  CheckInvariant();
  return true;
}

bool ListSingleC::Remove(ListElemI* elem) noexcept {
  if (elem == nullptr) return false;
  ListElemI* prev = nullptr;
  for (ListLinkT* link = &head_; !ListIsEnd(*link);) {
    ListElemI* e = ListLinkElem(*link);
    if (e == elem) {
      *link = elem->Next();
      *elem->NextLink() = 0;
      if (tail_ == elem) tail_ = prev;
      --count_;
      CheckInvariant();
      return true;
    }
    prev = e;
    link = e->NextLink();
  }
  return false;
}

void ListSingleC::RemoveAll() noexcept {
  ListLinkT link = head_;
  while (!ListIsEnd(link)) {
    ListElemI* e = ListLinkElem(link);
    link = e->Next();
    *e->NextLink() = 0;
  }
  head_ = marker_;
  tail_ = nullptr;
  count_ = 0;
}

void ListSingleC::CheckInvariant() const noexcept {
  QLM_DCHECK((tail_ == nullptr) == (count_ == 0));
  QLM_DCHECK((tail_ == nullptr) == ListIsEnd(head_));
  QLM_DCHECK(tail_ == nullptr || ListIsEnd(tail_->Next()));
}
