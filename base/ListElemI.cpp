#include "base/ListElemI.h"

#include <cassert>

ListElemI::~ListElemI() {
  // Destroying a linked element leaves a dangling link in its list.
  assert(m_Next == 0);
}

void ListElemI::Print(FILE* stream) const {
  std::fprintf(stream ? stream : stdout, "%p(n %p)", static_cast<const void*>(this),
               reinterpret_cast<const void*>(m_Next));
}

const void* ListElemI::Owner() const noexcept {
  ListLinkT link = m_Next;
  if (link == 0) return nullptr;
  while (!ListIsEnd(link)) link = ListLinkElem(link)->Next();
  return ListMarkerOwner(link);
}

ListDoubleElemI::~ListDoubleElemI() {
  assert(m_Prev == 0);
}

void ListDoubleElemI::Print(FILE* stream) const {
  std::fprintf(stream ? stream : stdout, "%p(n %p, p %p)", static_cast<const void*>(this),
               reinterpret_cast<const void*>(m_Next), reinterpret_cast<const void*>(m_Prev));
}
