#include "base/ListSingleC.h"

#include <cassert>

#include "cmn/cmn_Check.h"

ListSingleC::ListSingleC(const void* owner) noexcept
    : m_Marker(ListEndMarker(owner ? owner : this)) {
  assert((reinterpret_cast<uintptr_t>(owner) & 1u) == 0);
  m_Head = m_Marker;
}

ListSingleC::~ListSingleC() {
  RemoveAll();
}

ListElemI* ListSingleC::First() const noexcept {
  return ListIsEnd(m_Head) ? nullptr : ListLinkElem(m_Head);
}

ListElemI* ListSingleC::At(int64_t position) const noexcept {
  if (position < 0 || static_cast<uint64_t>(position) >= m_Count) return nullptr;
  if (static_cast<uint64_t>(position) == m_Count - 1) return m_Tail;
  ListLinkT link = m_Head;
  while (position-- > 0) link = ListLinkElem(link)->Next();
  return ListLinkElem(link);
}

bool ListSingleC::AddEnd(ListElemI* elem) noexcept {
  if (elem == nullptr || elem->IsLinked()) return false;
  *elem->NextLink() = m_Marker;
  if (m_Tail == nullptr) {
    m_Head = ListElemLink(elem);
  } else {
    *m_Tail->NextLink() = ListElemLink(elem);
  }
  m_Tail = elem;
  ++m_Count;
  CheckInvariant();
  return true;
}

bool ListSingleC::AddFront(ListElemI* elem) noexcept {
  if (elem == nullptr || elem->IsLinked()) return false;
  *elem->NextLink() = m_Head;
  m_Head = ListElemLink(elem);
  if (m_Tail == nullptr) m_Tail = elem;
  ++m_Count;
  CheckInvariant();
  return true;
}

bool ListSingleC::InsertAfter(ListElemI* after, ListElemI* elem) noexcept {
  if (after == nullptr) return AddEnd(elem);
  if (elem == nullptr || elem->IsLinked() || !IsInList(after, m_Marker)) return false;
  *elem->NextLink() = after->Next();
  *after->NextLink() = ListElemLink(elem);
  if (after == m_Tail) m_Tail = elem;
  ++m_Count;
  CheckInvariant();
  return true;
}

bool ListSingleC::Remove(ListElemI* elem) noexcept {
  if (elem == nullptr) return false;
  ListElemI* prev = nullptr;
  for (ListLinkT* link = &m_Head; !ListIsEnd(*link);) {
    ListElemI* e = ListLinkElem(*link);
    if (e == elem) {
      *link = elem->Next();
      *elem->NextLink() = 0;
      if (m_Tail == elem) m_Tail = prev;
      --m_Count;
      CheckInvariant();
      return true;
    }
    prev = e;
    link = e->NextLink();
  }
  return false;
}

void ListSingleC::RemoveAll() noexcept {
  ListLinkT link = m_Head;
  while (!ListIsEnd(link)) {
    ListElemI* e = ListLinkElem(link);
    link = e->Next();
    *e->NextLink() = 0;
  }
  m_Head = m_Marker;
  m_Tail = nullptr;
  m_Count = 0;
}

void ListSingleC::CheckInvariant() const noexcept {
  QLM_DCHECK((m_Tail == nullptr) == (m_Count == 0));
  QLM_DCHECK((m_Tail == nullptr) == ListIsEnd(m_Head));
  QLM_DCHECK(m_Tail == nullptr || ListIsEnd(m_Tail->Next()));
}
