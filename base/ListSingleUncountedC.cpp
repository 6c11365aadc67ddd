#include "base/ListSingleUncountedC.h"

#include <cassert>

ListSingleUncountedC::ListSingleUncountedC(const void* owner) noexcept
    : marker_(ListEndMarker(owner ? owner : this)) {
  assert((reinterpret_cast<uintptr_t>(owner) & 1u) == 0);
  head_ = marker_;
}

ListSingleUncountedC::~ListSingleUncountedC() {
  RemoveAll();
}

ListElemI* ListSingleUncountedC::First() const noexcept {
  return ListIsEnd(head_) ? nullptr : ListLinkElem(head_);
}

ListElemI* ListSingleUncountedC::At(int64_t position) const noexcept {
  if (position < 0) return nullptr;
  ListLinkT link = head_;
  for (; !ListIsEnd(link); link = ListLinkElem(link)->Next()) {
    if (position-- == 0) return ListLinkElem(link);
  }
  return nullptr;
}

bool ListSingleUncountedC::AddEnd(ListElemI* elem) noexcept {
  if (elem == nullptr || elem->IsLinked()) return false;
  ListLinkT* link = &head_;
  while (!ListIsEnd(*link)) link = ListLinkElem(*link)->NextLink();
  *elem->NextLink() = marker_;
  *link = ListElemLink(elem);
  return true;
}

bool ListSingleUncountedC::AddFront(ListElemI* elem) noexcept {
  if (elem == nullptr || elem->IsLinked()) return false;
  *elem->NextLink() = head_;
  head_ = ListElemLink(elem);
  return true;
}

bool ListSingleUncountedC::InsertAfter(ListElemI* after, ListElemI* elem) noexcept {
  if (after == nullptr) return AddEnd(elem);
  if (elem == nullptr || elem->IsLinked() || !IsInList(after, marker_)) return false;
  *elem->NextLink() = after->Next();
  *after->NextLink() = ListElemLink(elem);
  return true;
}

bool ListSingleUncountedC::Remove(ListElemI* elem) noexcept {
  if (elem == nullptr) return false;
  for (ListLinkT* link = &head_; !ListIsEnd(*link); link = ListLinkElem(*link)->NextLink()) {
    if (ListLinkElem(*link) == elem) {
      *link = elem->Next();
      *elem->NextLink() = 0;
      return true;
    }
  }
  return false;
}

void ListSingleUncountedC::RemoveAll() noexcept {
  ListLinkT link = head_;
  while (!ListIsEnd(link)) {
    ListElemI* e = ListLinkElem(link);
    link = e->Next();
    *e->NextLink() = 0;
  }
  head_ = marker_;
}
