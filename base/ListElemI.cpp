#include "base/ListElemI.h"

#include <cassert>

ListElemI::~ListElemI() {
  // Destroying a linked element leaves a dangling link in its list.
  assert(next_ == 0);
}

void ListElemI::Print(FILE* stream) const {
  std::fprintf(stream ? stream : stdout, "%p(n %p)", static_cast<const void*>(this),
               reinterpret_cast<const void*>(next_));
}

const void* ListElemI::Owner() const noexcept {
  ListLinkT link = next_;
  if (link == 0) return nullptr;
  while (!ListIsEnd(link)) link = ListLinkElem(link)->Next();
  return ListMarkerOwner(link);
}

ListDoubleElemI::~ListDoubleElemI() {
  assert(prev_ == 0);
}

void ListDoubleElemI::Print(FILE* stream) const {
  std::fprintf(stream ? stream : stdout, "%p(n %p, p %p)", static_cast<const void*>(this),
               reinterpret_cast<const void*>(next_), reinterpret_cast<const void*>(prev_));
}
