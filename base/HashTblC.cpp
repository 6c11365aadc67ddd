#include "base/HashTblC.h"

namespace {

// Used in place of an unusable ladder.
constexpr uint32_t kSingleBucket[] = {1};

bool LadderUsable(const uint32_t* sizes, uint32_t count) noexcept {
  if (sizes == nullptr || count == 0 || sizes[0] == 0) return false;
  for (uint32_t i = 1; i < count; ++i) {
    if (sizes[i] <= sizes[i - 1]) return false;
  }
  return true;
}

}  // namespace

HashTblC::HashTblC(const uint32_t* sizes, uint32_t sizeCount, bool ownsElements, size_t keyOffset)
    : sizes_(sizes),
      size_count_(sizeCount),
      owns_(ownsElements),
      key_offset_(keyOffset),
      marker_(ListEndMarker(this)) {
  if (!LadderUsable(sizes, sizeCount)) {
    sizes_ = kSingleBucket;
    size_count_ = 1;
  }
  const uint32_t size = sizes_[0];
  buckets_.reset(new ListLinkT[size]);
  for (uint32_t i = 0; i < size; ++i) buckets_[i] = marker_;
}

HashTblC::~HashTblC() {
  UnlinkAll(false);
}

void HashTblC::DestroyElem(ListElemI* elem) noexcept {
  delete elem;
}

ListElemI* HashTblC::Find(const void* key) const noexcept {
  for (ListLinkT link = buckets_[IndexOf(Size(), key)]; !ListIsEnd(link);) {
    ListElemI* e = ListLinkElem(link);
    if (Equals(key, KeyOf(e))) return e;
    link = e->Next();
  }
  return nullptr;
}

bool HashTblC::Insert(ListElemI* elem) noexcept {
  if (elem == nullptr || elem->IsLinked()) return false;
  if (size_index_ + 1 < size_count_) {
    const uint64_t cur = sizes_[size_index_];
    const uint64_t next = sizes_[size_index_ + 1];
    if (count_ > cur + 2 * (next - cur)) MoveToSize(size_index_ + 1);
  }
  ListLinkT& head = buckets_[IndexOf(Size(), KeyOf(elem))];
  *elem->NextLink() = head;
  head = ListElemLink(elem);
  ++count_;
  ++mod_count_;
  return true;
}

bool HashTblC::InsertReplace(ListElemI* elem, ListElemI** old) noexcept {
  if (old != nullptr) *old = nullptr;
  if (elem == nullptr || elem->IsLinked()) return false;
  const void* key = KeyOf(elem);
  for (ListLinkT* link = &buckets_[IndexOf(Size(), key)]; !ListIsEnd(*link);) {
    ListElemI* e = ListLinkElem(*link);
    if (Equals(key, KeyOf(e))) {
      *elem->NextLink() = e->Next();
      *link = ListElemLink(elem);
      *e->NextLink() = 0;
      ++mod_count_;
      if (owns_) {
        DestroyElem(e);
      } else if (old != nullptr) {
        *old = e;
      }
      return true;
    }
    link = e->NextLink();
  }
  return Insert(elem);
}

void HashTblC::UnlinkAt(ListLinkT* link, ListElemI* elem) noexcept {
  *link = elem->Next();
  *elem->NextLink() = 0;
  --count_;
  ++mod_count_;
}

void HashTblC::ShrinkAsDue() noexcept {
  uint32_t index = size_index_;
  while (index > 0 && count_ < sizes_[index - 1]) --index;
  if (index != size_index_) MoveToSize(index);
}

bool HashTblC::Remove(ListElemI* elem) noexcept {
  if (elem == nullptr || !elem->IsLinked()) return false;
  for (ListLinkT* link = &buckets_[IndexOf(Size(), KeyOf(elem))]; !ListIsEnd(*link);) {
    ListElemI* e = ListLinkElem(*link);
    if (e == elem) {
      UnlinkAt(link, e);
      if (owns_) DestroyElem(e);
      if (size_index_ > 0 && count_ < sizes_[size_index_ - 1]) MoveToSize(size_index_ - 1);
      return true;
    }
    link = e->NextLink();
  }
  return false;
}

void HashTblC::Clear(bool destroy) noexcept {
  UnlinkAll(destroy);
  // With no elements left, moving needs no hashing.
  if (size_index_ != 0) MoveToSize(0);
}

void HashTblC::UnlinkAll(bool destroy) noexcept {
  const uint32_t size = Size();
  for (uint32_t i = 0; i < size; ++i) {
    ListLinkT link = buckets_[i];
    buckets_[i] = marker_;
    while (!ListIsEnd(link)) {
      ListElemI* e = ListLinkElem(link);
      link = e->Next();
      *e->NextLink() = 0;
      if (destroy || owns_) DestroyElem(e);
    }
  }
  count_ = 0;
  ++mod_count_;
}

void HashTblC::MoveToSize(uint32_t index) noexcept {
  const uint32_t oldSize = Size();
  const uint32_t newSize = sizes_[index];
  std::unique_ptr<ListLinkT[]> buckets(new ListLinkT[newSize]);
  // tails[i]: the link to fill when appending to new bucket i.
  std::unique_ptr<ListLinkT*[]> tails(new ListLinkT*[newSize]);
  for (uint32_t i = 0; i < newSize; ++i) {
    buckets[i] = marker_;
    tails[i] = &buckets[i];
  }
  for (uint32_t b = 0; b < oldSize; ++b) {
    for (ListLinkT link = buckets_[b]; !ListIsEnd(link);) {
      ListElemI* e = ListLinkElem(link);
      link = e->Next();
      const uint32_t i = IndexOf(newSize, KeyOf(e));
      *e->NextLink() = marker_;
      *tails[i] = ListElemLink(e);
      tails[i] = e->NextLink();
    }
  }
  buckets_ = std::move(buckets);
  size_index_ = index;
  ++mod_count_;
}

// ---- IteratorC ----

HashTblC::IteratorC::IteratorC(HashTblC& table) noexcept
    : table_(&table), link_(table.buckets_[0]), mod_count_(table.mod_count_) {}

HashTblC::IteratorC::~IteratorC() {
  Finish();
}

void HashTblC::IteratorC::Finish() noexcept {
  if (shrink_due_ && valid_ && mod_count_ == table_->mod_count_) table_->ShrinkAsDue();
  shrink_due_ = false;
}

ListElemI* HashTblC::IteratorC::Next() noexcept {
  if (!valid_) return nullptr;
  if (mod_count_ != table_->mod_count_) {
    valid_ = false;
    current_ = nullptr;
    return nullptr;
  }
  const uint32_t size = table_->Size();
  while (ListIsEnd(link_)) {
    if (bucket_ + 1 >= size) {
      current_ = nullptr;
      Finish();
      mod_count_ = table_->mod_count_;
      return nullptr;
    }
    link_ = table_->buckets_[++bucket_];
  }
  current_ = ListLinkElem(link_);
  link_ = current_->Next();
  return current_;
}

bool HashTblC::IteratorC::RemoveCurrent() noexcept {
  if (!valid_ || current_ == nullptr) return false;
  if (mod_count_ != table_->mod_count_) {
    valid_ = false;
    current_ = nullptr;
    return false;
  }
  ListElemI* elem = current_;
  current_ = nullptr;
  HashTblC& t = *table_;
  for (ListLinkT* link = &t.buckets_[bucket_]; !ListIsEnd(*link);) {
    ListElemI* e = ListLinkElem(*link);
    if (e == elem) {
      t.UnlinkAt(link, e);
      if (t.owns_) t.DestroyElem(e);
      mod_count_ = t.mod_count_;
      shrink_due_ = true;
      return true;
    }
    link = e->NextLink();
  }
  return false;
}
