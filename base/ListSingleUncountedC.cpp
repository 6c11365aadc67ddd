#include "base/ListSingleUncountedC.h"

#include <cassert>

ListSingleUncountedC::ListSingleUncountedC(const void* owner) noexcept
    : m_Marker(ListEndMarker(owner ? owner : this)) {
  assert((reinterpret_cast<uintptr_t>(owner) & 1u) == 0);
  m_Head = m_Marker;
}

ListSingleUncountedC::~ListSingleUncountedC() {
  RemoveAll();
}

ListElemI* ListSingleUncountedC::First() const noexcept {
  return ListIsEnd(m_Head) ? nullptr : ListLinkElem(m_Head);
}

ListElemI* ListSingleUncountedC::At(int64_t position) const noexcept {
  if (position < 0) return nullptr;
  ListLinkT link = m_Head;
  for (; !ListIsEnd(link); link = ListLinkElem(link)->Next()) {
    if (position-- == 0) return ListLinkElem(link);
  }
  return nullptr;
}

bool ListSingleUncountedC::AddEnd(ListElemI* elem) noexcept {
  if (elem == nullptr || elem->IsLinked()) return false;
  ListLinkT* link = &m_Head;
  while (!ListIsEnd(*link)) link = ListLinkElem(*link)->NextLink();
  *elem->NextLink() = m_Marker;
  *link = ListElemLink(elem);
  return true;
}

bool ListSingleUncountedC::AddFront(ListElemI* elem) noexcept {
  if (elem == nullptr || elem->IsLinked()) return false;
  *elem->NextLink() = m_Head;
  m_Head = ListElemLink(elem);
  return true;
}

bool ListSingleUncountedC::InsertAfter(ListElemI* after, ListElemI* elem) noexcept {
  if (after == nullptr) return AddEnd(elem);
  if (elem == nullptr || elem->IsLinked() || !IsInList(after, m_Marker)) return false;
  *elem->NextLink() = after->Next();
  *after->NextLink() = ListElemLink(elem);
  return true;
}

bool ListSingleUncountedC::Remove(ListElemI* elem) noexcept {
  if (elem == nullptr) return false;
  for (ListLinkT* link = &m_Head; !ListIsEnd(*link); link = ListLinkElem(*link)->NextLink()) {
    if (ListLinkElem(*link) == elem) {
      *link = elem->Next();
      *elem->NextLink() = 0;
      return true;
    }
  }
  return false;
}

void ListSingleUncountedC::RemoveAll() noexcept {
  ListLinkT link = m_Head;
  while (!ListIsEnd(link)) {
    ListElemI* e = ListLinkElem(link);
    link = e->Next();
    *e->NextLink() = 0;
  }
  m_Head = m_Marker;
}
