#include "base/HashArrayC.h"

HashArrayC::HashArrayC(ListLinkT marker) noexcept
    : BlobArrayC(sizeof(ListLinkT)), marker_(marker) {}

HashArrayC::~HashArrayC() {
  HashArrayC::Clear();
}

void HashArrayC::Clear() noexcept {
  ListLinkT* heads = Heads();
  for (uint64_t i = 0; i < Count(); ++i) {
    ListLinkT link = heads[i];
    while (!ListIsEnd(link)) {
      ListElemI* e = ListLinkElem(link);
      link = e->Next();
      *e->NextLink() = 0;
    }
    heads[i] = marker_;
  }
  BlobArrayC::Clear();
}

uint64_t HashArrayC::AddBucket() {
  const uint64_t index = Count();
  Append(&marker_);
  return index;
}
