#include "base/HashTableC.h"

namespace {

// Splitting stops once the mask would no longer fit 32 bits.
constexpr uint64_t kMaxBuckets = uint64_t{1} << 32;

HashElemI* AsHashElem(ListLinkT link) noexcept {
  return static_cast<HashElemI*>(ListLinkElem(link));
}

}  // namespace

HashTableC::HashTableC() : m_Buckets(ListEndMarker(this)) {
  Reinitialise();
}

HashTableC::~HashTableC() {
  m_Buckets.Clear();
}

void HashTableC::Reinitialise() {
  m_Buckets.AddBucket();
  m_Mask = 0;
  m_Empty = 1;
  m_Count = 0;
}

HashElemI* HashTableC::FindNext(const HashElemI* elem, const void* key) const noexcept {
  if (elem == nullptr || !elem->IsLinked()) return nullptr;
  const uint32_t h = Hash(key);
  for (ListLinkT link = elem->m_Next; !ListIsEnd(link);) {
    HashElemI* e = AsHashElem(link);
    if (e->m_Hash == h && Equals(e, key)) return e;
    link = e->m_Next;
  }
  return nullptr;
}

bool HashTableC::Insert(HashElemI* elem) noexcept {
  if (elem == nullptr || elem->IsLinked()) return false;
  ++m_ModCount;
  ++m_Count;
  while (static_cast<double>(m_Count) / static_cast<double>(m_Buckets.Count()) > 0.9 &&
         m_Buckets.Count() < kMaxBuckets) {
    Split();
  }
  const uint32_t h = Hash(elem->Key());
  elem->m_Hash = h;
  ListLinkT& head = m_Buckets.Heads()[Index(h)];
  if (ListIsEnd(head)) --m_Empty;
  elem->m_Next = head;
  head = ListElemLink(elem);
  return true;
}

void HashTableC::Split() {
  const uint64_t n = m_Buckets.AddBucket();
  ++m_Empty;
  uint32_t bit;
  uint64_t source;
  if (n <= m_Mask) {
    bit = m_Mask ^ (m_Mask >> 1);
    source = n & (m_Mask >> 1);
  } else {
    const uint32_t old = m_Mask;
    m_Mask = old * 2 + 1;
    bit = old + 1;
    source = n & old;
  }
  ListLinkT* heads = m_Buckets.Heads();
  const ListLinkT marker = m_Buckets.Marker();
  ListLinkT link = heads[source];
  if (ListIsEnd(link)) return;
  // Deal the chain into two, each keeping the original relative order.
  ListLinkT* stayTail = &heads[source];
  ListLinkT* moveTail = &heads[n];
  while (!ListIsEnd(link)) {
    HashElemI* e = AsHashElem(link);
    const ListLinkT next = e->m_Next;
    if (e->m_Hash & bit) {
      *moveTail = link;
      moveTail = &e->m_Next;
    } else {
      *stayTail = link;
      stayTail = &e->m_Next;
    }
    link = next;
  }
  *stayTail = marker;
  *moveTail = marker;
  if (ListIsEnd(heads[source])) ++m_Empty;
  if (!ListIsEnd(heads[n])) --m_Empty;
}

void HashTableC::UnlinkAt(ListLinkT* link, uint32_t bucket, HashElemI* elem) noexcept {
  *link = elem->m_Next;
  elem->m_Next = 0;
  --m_Count;
  ++m_ModCount;
  if (ListIsEnd(m_Buckets.Heads()[bucket])) ++m_Empty;
}

bool HashTableC::Remove(HashElemI* elem) noexcept {
  if (elem == nullptr || !elem->IsLinked()) return false;
  const uint32_t bucket = Index(elem->m_Hash);
  for (ListLinkT* link = &m_Buckets.Heads()[bucket]; !ListIsEnd(*link);) {
    HashElemI* e = AsHashElem(*link);
    if (e == elem) {
      UnlinkAt(link, bucket, e);
      return true;
    }
    link = &e->m_Next;
  }
  return false;
}

HashElemI* HashTableC::RemoveKey(const void* key) noexcept {
  const uint32_t h = Hash(key);
  const uint32_t bucket = Index(h);
  for (ListLinkT* link = &m_Buckets.Heads()[bucket]; !ListIsEnd(*link);) {
    HashElemI* e = AsHashElem(*link);
    if (e->m_Hash == h && Equals(e, key)) {
      UnlinkAt(link, bucket, e);
      return e;
    }
    link = &e->m_Next;
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
  m_Buckets.Clear();
  Reinitialise();
  ++m_ModCount;
}

void HashTableC::DeleteAll() noexcept {
  ListLinkT* heads = m_Buckets.Heads();
  const ListLinkT marker = m_Buckets.Marker();
  for (uint64_t i = 0; i < m_Buckets.Count(); ++i) {
    ListLinkT link = heads[i];
    heads[i] = marker;
    while (!ListIsEnd(link)) {
      HashElemI* e = AsHashElem(link);
      link = e->m_Next;
      e->m_Next = 0;
      e->Destroy();
    }
  }
  Clear();
}

bool HashTableC::Check() {
  bool ok = true;
  const uint64_t n = m_Buckets.Count();
  uint64_t mask = 0;
  while (mask < n - 1) mask = mask * 2 + 1;
  if (mask != m_Mask) {
    std::fprintf(stderr, "bits_mask 0x%lX incorrect, should be 0x%lX\n",
                 static_cast<unsigned long>(m_Mask), static_cast<unsigned long>(mask));
    m_Mask = static_cast<uint32_t>(mask);
    ok = false;
  }
  uint64_t empty = 0;
  const ListLinkT* heads = m_Buckets.Heads();
  for (uint64_t i = 0; i < n; ++i) {
    if (ListIsEnd(heads[i])) ++empty;
    for (ListLinkT link = heads[i]; !ListIsEnd(link);) {
      HashElemI* e = AsHashElem(link);
      if (Hash(e->Key()) != e->m_Hash) {
        std::fputs("Element hash value wrong: ", stderr);
        e->Print(stderr);
        std::fputc('\n', stderr);
        ok = false;
      }
      if (Index(e->m_Hash) != i) {
        std::fputs("Element in wrong list: ", stderr);
        e->Print(stderr);
        std::fputc('\n', stderr);
        ok = false;
      }
      link = e->m_Next;
    }
  }
  if (empty != m_Empty) {
    std::fprintf(stderr, "empty_lists %d incorrect, should be %d\n", static_cast<int>(m_Empty),
                 static_cast<int>(empty));
    m_Empty = empty;
    ok = false;
  }
  if (!ok) std::fputs("consistency check failed\n", stderr);
  return ok;
}

void HashTableC::Dump(FILE* stream) const {
  FILE* out = stream ? stream : stdout;
  const uint64_t n = m_Buckets.Count();
  std::fprintf(out, "Dumping table at %p, size=%d (%d empty), mask=%X\n",
               static_cast<const void*>(this), static_cast<int>(n), static_cast<int>(m_Empty),
               static_cast<unsigned>(m_Mask));
  const ListLinkT* heads = m_Buckets.Heads();
  for (uint64_t i = 0; i < n; ++i) {
    std::fprintf(out, "\t0x%X:", static_cast<unsigned>(i));
    for (ListLinkT link = heads[i]; !ListIsEnd(link);) {
      HashElemI* e = AsHashElem(link);
      std::fputc(' ', out);
      e->Print(out);
      link = e->m_Next;
    }
    std::fputc('\n', out);
  }
}

// ---- IteratorC ----

HashTableC::IteratorC::IteratorC(const HashTableC& table) noexcept
    : m_Table(&table), m_Mutable(nullptr) {
  Reset();
}

HashTableC::IteratorC::IteratorC(HashTableC& table) noexcept : m_Table(&table), m_Mutable(&table) {
  Reset();
}

void HashTableC::IteratorC::Reset() noexcept {
  m_Bucket = 0;
  m_Link = m_Table->m_Buckets.Heads()[0];
  m_Current = nullptr;
  m_ModCount = m_Table->m_ModCount;
  m_Valid = true;
}

HashElemI* HashTableC::IteratorC::Next() noexcept {
  if (!m_Valid) return nullptr;
  if (m_ModCount != m_Table->m_ModCount) {
    m_Valid = false;
    m_Current = nullptr;
    return nullptr;
  }
  const uint64_t n = m_Table->m_Buckets.Count();
  while (ListIsEnd(m_Link)) {
    if (m_Bucket + 1 >= n) {
      m_Current = nullptr;
      return nullptr;
    }
    m_Link = m_Table->m_Buckets.Heads()[++m_Bucket];
  }
  m_Current = AsHashElem(m_Link);
  m_Link = m_Current->m_Next;
  return m_Current;
}

bool HashTableC::IteratorC::RemoveCurrent() noexcept {
  if (m_Mutable == nullptr || !m_Valid || m_Current == nullptr) return false;
  if (m_ModCount != m_Table->m_ModCount) {
    m_Valid = false;
    m_Current = nullptr;
    return false;
  }
  const bool removed = m_Mutable->Remove(m_Current);
  m_Current = nullptr;
  m_ModCount = m_Table->m_ModCount;
  return removed;
}
