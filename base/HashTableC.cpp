#include "base/HashTableC.h"

namespace {

// Splitting stops once the mask would no longer fit 32 bits.
constexpr uint64_t kMaxBuckets = uint64_t{1} << 32;

HashElemI* AsHashElem(ListLinkT link) noexcept {
  return static_cast<HashElemI*>(ListLinkElem(link));
}

}  // namespace

HashTableC::HashTableC() : buckets_(ListEndMarker(this)) {
  Reinitialise();
}

HashTableC::~HashTableC() {
  buckets_.Clear();
}

void HashTableC::Reinitialise() {
  buckets_.AddBucket();
  mask_ = 0;
  empty_ = 1;
  count_ = 0;
}

HashElemI* HashTableC::FindNext(const HashElemI* elem, const void* key) const noexcept {
  if (elem == nullptr || !elem->IsLinked()) return nullptr;
  const uint32_t h = Hash(key);
  for (ListLinkT link = elem->next_; !ListIsEnd(link);) {
    HashElemI* e = AsHashElem(link);
    if (e->hash_ == h && Equals(e, key)) return e;
    link = e->next_;
  }
  return nullptr;
}

bool HashTableC::Insert(HashElemI* elem) noexcept {
  if (elem == nullptr || elem->IsLinked()) return false;
  ++mod_count_;
  ++count_;
  while (static_cast<double>(count_) / static_cast<double>(buckets_.Count()) > 0.9 &&
         buckets_.Count() < kMaxBuckets) {
    Split();
  }
  const uint32_t h = Hash(elem->Key());
  elem->hash_ = h;
  ListLinkT& head = buckets_.Heads()[Index(h)];
  if (ListIsEnd(head)) --empty_;
  elem->next_ = head;
  head = ListElemLink(elem);
  return true;
}

void HashTableC::Split() {
  const uint64_t n = buckets_.AddBucket();
  ++empty_;
  uint32_t bit;
  uint64_t source;
  if (n <= mask_) {
    bit = mask_ ^ (mask_ >> 1);
    source = n & (mask_ >> 1);
  } else {
    const uint32_t old = mask_;
    mask_ = old * 2 + 1;
    bit = old + 1;
    source = n & old;
  }
  ListLinkT* heads = buckets_.Heads();
  const ListLinkT marker = buckets_.Marker();
  ListLinkT link = heads[source];
  if (ListIsEnd(link)) return;
  // Deal the chain into two, each keeping the original relative order.
  ListLinkT* stayTail = &heads[source];
  ListLinkT* moveTail = &heads[n];
  while (!ListIsEnd(link)) {
    HashElemI* e = AsHashElem(link);
    const ListLinkT next = e->next_;
    if (e->hash_ & bit) {
      *moveTail = link;
      moveTail = &e->next_;
    } else {
      *stayTail = link;
      stayTail = &e->next_;
    }
    link = next;
  }
  *stayTail = marker;
  *moveTail = marker;
  if (ListIsEnd(heads[source])) ++empty_;
  if (!ListIsEnd(heads[n])) --empty_;
}

void HashTableC::UnlinkAt(ListLinkT* link, uint32_t bucket, HashElemI* elem) noexcept {
  *link = elem->next_;
  elem->next_ = 0;
  --count_;
  ++mod_count_;
  if (ListIsEnd(buckets_.Heads()[bucket])) ++empty_;
}

bool HashTableC::Remove(HashElemI* elem) noexcept {
  if (elem == nullptr || !elem->IsLinked()) return false;
  const uint32_t bucket = Index(elem->hash_);
  for (ListLinkT* link = &buckets_.Heads()[bucket]; !ListIsEnd(*link);) {
    HashElemI* e = AsHashElem(*link);
    if (e == elem) {
      UnlinkAt(link, bucket, e);
      return true;
    }
    link = &e->next_;
  }
  return false;
}

HashElemI* HashTableC::RemoveKey(const void* key) noexcept {
  const uint32_t h = Hash(key);
  const uint32_t bucket = Index(h);
  for (ListLinkT* link = &buckets_.Heads()[bucket]; !ListIsEnd(*link);) {
    HashElemI* e = AsHashElem(*link);
    if (e->hash_ == h && Equals(e, key)) {
      UnlinkAt(link, bucket, e);
      return e;
    }
    link = &e->next_;
  }
  return nullptr;
}

bool HashTableC::DeleteKey(const void* key) noexcept {
  HashElemI* e = RemoveKey(key);
  if (e == nullptr) return false;
  e->Destroy();
  return true;
}

HashElemI* HashTableC::Replace(HashElemI* elem) noexcept {
  if (elem == nullptr || elem->IsLinked()) return nullptr;
  HashElemI* old = RemoveKey(elem->Key());
  Insert(elem);
  return old;
}

void HashTableC::Clear() noexcept {
  buckets_.Clear();
  Reinitialise();
  ++mod_count_;
}

void HashTableC::DeleteAll() noexcept {
  ListLinkT* heads = buckets_.Heads();
  const ListLinkT marker = buckets_.Marker();
  for (uint64_t i = 0; i < buckets_.Count(); ++i) {
    ListLinkT link = heads[i];
    heads[i] = marker;
    while (!ListIsEnd(link)) {
      HashElemI* e = AsHashElem(link);
      link = e->next_;
      e->next_ = 0;
      e->Destroy();
    }
  }
  Clear();
}

bool HashTableC::Check() {
  bool ok = true;
  const uint64_t n = buckets_.Count();
  uint64_t mask = 0;
  while (mask < n - 1) mask = mask * 2 + 1;
  if (mask != mask_) {
    std::fprintf(stderr, "bits_mask 0x%lX incorrect, should be 0x%lX\n",
                 static_cast<unsigned long>(mask_), static_cast<unsigned long>(mask));
    mask_ = static_cast<uint32_t>(mask);
    ok = false;
  }
  uint64_t empty = 0;
  const ListLinkT* heads = buckets_.Heads();
  for (uint64_t i = 0; i < n; ++i) {
    if (ListIsEnd(heads[i])) ++empty;
    for (ListLinkT link = heads[i]; !ListIsEnd(link);) {
      HashElemI* e = AsHashElem(link);
      if (Hash(e->Key()) != e->hash_) {
        std::fputs("Element hash value wrong: ", stderr);
        e->Print(stderr);
        std::fputc('\n', stderr);
        ok = false;
      }
      if (Index(e->hash_) != i) {
        std::fputs("Element in wrong list: ", stderr);
        e->Print(stderr);
        std::fputc('\n', stderr);
        ok = false;
      }
      link = e->next_;
    }
  }
  if (empty != empty_) {
    std::fprintf(stderr, "empty_lists %d incorrect, should be %d\n", static_cast<int>(empty_),
                 static_cast<int>(empty));
    empty_ = empty;
    ok = false;
  }
  if (!ok) std::fputs("consistency check failed\n", stderr);
  return ok;
}

void HashTableC::Dump(FILE* stream) const {
  FILE* out = stream ? stream : stdout;
  const uint64_t n = buckets_.Count();
  std::fprintf(out, "Dumping table at %p, size=%d (%d empty), mask=%X\n",
               static_cast<const void*>(this), static_cast<int>(n), static_cast<int>(empty_),
               static_cast<unsigned>(mask_));
  const ListLinkT* heads = buckets_.Heads();
  for (uint64_t i = 0; i < n; ++i) {
    std::fprintf(out, "\t0x%X:", static_cast<unsigned>(i));
    for (ListLinkT link = heads[i]; !ListIsEnd(link);) {
      HashElemI* e = AsHashElem(link);
      std::fputc(' ', out);
      e->Print(out);
      link = e->next_;
    }
    std::fputc('\n', out);
  }
}

// ---- IteratorC ----

HashTableC::IteratorC::IteratorC(const HashTableC& table) noexcept
    : table_(&table), mutable_(nullptr) {
  Reset();
}

HashTableC::IteratorC::IteratorC(HashTableC& table) noexcept : table_(&table), mutable_(&table) {
  Reset();
}

void HashTableC::IteratorC::Reset() noexcept {
  bucket_ = 0;
  link_ = table_->buckets_.Heads()[0];
  current_ = nullptr;
  mod_count_ = table_->mod_count_;
  valid_ = true;
}

HashElemI* HashTableC::IteratorC::Next() noexcept {
  if (!valid_) return nullptr;
  if (mod_count_ != table_->mod_count_) {
    valid_ = false;
    current_ = nullptr;
    return nullptr;
  }
  const uint64_t n = table_->buckets_.Count();
  while (ListIsEnd(link_)) {
    if (bucket_ + 1 >= n) {
      current_ = nullptr;
      return nullptr;
    }
    link_ = table_->buckets_.Heads()[++bucket_];
  }
  current_ = AsHashElem(link_);
  link_ = current_->next_;
  return current_;
}

bool HashTableC::IteratorC::RemoveCurrent() noexcept {
  if (mutable_ == nullptr || !valid_ || current_ == nullptr) return false;
  if (mod_count_ != table_->mod_count_) {
    valid_ = false;
    current_ = nullptr;
    return false;
  }
  const bool removed = mutable_->Remove(current_);
  current_ = nullptr;
  mod_count_ = table_->mod_count_;
  return removed;
}
