#include "base/ListI.h"

ListI::~ListI() = default;

void ListI::Print(FILE* stream) const {
  FILE* out = stream ? stream : stdout;
  std::fprintf(out, "list@%p:", static_cast<const void*>(this));
  for (ListElemI* e = First(); e != nullptr;) {
    std::fputc(' ', out);
    e->Print(out);
    ListLinkT next = e->Next();
    e = ListIsEnd(next) ? nullptr : ListLinkElem(next);
  }
  std::fputc('\n', out);
}

bool ListI::IsInList(const ListElemI* elem, ListLinkT marker) noexcept {
  if (elem == nullptr || !elem->IsLinked()) return false;
  ListLinkT link = elem->Next();
  while (!ListIsEnd(link)) link = ListLinkElem(link)->Next();
  return link == marker;
}
