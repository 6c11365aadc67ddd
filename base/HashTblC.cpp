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
    : m_Sizes(sizes),
      m_SizeCount(sizeCount),
      m_Owns(ownsElements),
      m_KeyOffset(keyOffset),
      m_Marker(ListEndMarker(this)) {
  if (!LadderUsable(sizes, sizeCount)) {
    m_Sizes = kSingleBucket;
    m_SizeCount = 1;
  }
  const uint32_t size = m_Sizes[0];
  m_Buckets.reset(new ListLinkT[size]);
  for (uint32_t i = 0; i < size; ++i) m_Buckets[i] = m_Marker;
}

HashTblC::~HashTblC() {
  UnlinkAll(false);
}

void HashTblC::DestroyElem(ListElemI* elem) noexcept {
  delete elem;
}

ListElemI* HashTblC::Find(const void* key) const noexcept {
  for (ListLinkT link = m_Buckets[IndexOf(Size(), key)]; !ListIsEnd(link);) {
    ListElemI* e = ListLinkElem(link);
    if (Equals(key, KeyOf(e))) return e;
    link = e->Next();
  }
  return nullptr;
}

bool HashTblC::Insert(ListElemI* elem) noexcept {
  if (elem == nullptr || elem->IsLinked()) return false;
  if (m_SizeIndex + 1 < m_SizeCount) {
    const uint64_t cur = m_Sizes[m_SizeIndex];
    const uint64_t next = m_Sizes[m_SizeIndex + 1];
    if (m_Count > cur + 2 * (next - cur)) MoveToSize(m_SizeIndex + 1);
  }
  ListLinkT& head = m_Buckets[IndexOf(Size(), KeyOf(elem))];
  *elem->NextLink() = head;
  head = ListElemLink(elem);
  ++m_Count;
  ++m_ModCount;
  return true;
}

bool HashTblC::InsertReplace(ListElemI* elem, ListElemI** old) noexcept {
  if (old != nullptr) *old = nullptr;
  if (elem == nullptr || elem->IsLinked()) return false;
  const void* key = KeyOf(elem);
  for (ListLinkT* link = &m_Buckets[IndexOf(Size(), key)]; !ListIsEnd(*link);) {
    ListElemI* e = ListLinkElem(*link);
    if (Equals(key, KeyOf(e))) {
      *elem->NextLink() = e->Next();
      *link = ListElemLink(elem);
      *e->NextLink() = 0;
      ++m_ModCount;
      if (m_Owns) {
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
  --m_Count;
  ++m_ModCount;
}

void HashTblC::ShrinkAsDue() noexcept {
  uint32_t index = m_SizeIndex;
  while (index > 0 && m_Count < m_Sizes[index - 1]) --index;
  if (index != m_SizeIndex) MoveToSize(index);
}

bool HashTblC::Remove(ListElemI* elem) noexcept {
  if (elem == nullptr || !elem->IsLinked()) return false;
  for (ListLinkT* link = &m_Buckets[IndexOf(Size(), KeyOf(elem))]; !ListIsEnd(*link);) {
    ListElemI* e = ListLinkElem(*link);
    if (e == elem) {
      UnlinkAt(link, e);
      if (m_Owns) DestroyElem(e);
      if (m_SizeIndex > 0 && m_Count < m_Sizes[m_SizeIndex - 1]) MoveToSize(m_SizeIndex - 1);
      return true;
    }
    link = e->NextLink();
  }
  return false;
}

void HashTblC::Clear(bool destroy) noexcept {
  UnlinkAll(destroy);
  // With no elements left, moving needs no hashing.
  if (m_SizeIndex != 0) MoveToSize(0);
}

void HashTblC::UnlinkAll(bool destroy) noexcept {
  const uint32_t size = Size();
  for (uint32_t i = 0; i < size; ++i) {
    ListLinkT link = m_Buckets[i];
    m_Buckets[i] = m_Marker;
    while (!ListIsEnd(link)) {
      ListElemI* e = ListLinkElem(link);
      link = e->Next();
      *e->NextLink() = 0;
      if (destroy || m_Owns) DestroyElem(e);
    }
  }
  m_Count = 0;
  ++m_ModCount;
}

void HashTblC::MoveToSize(uint32_t index) noexcept {
  const uint32_t oldSize = Size();
  const uint32_t newSize = m_Sizes[index];
  std::unique_ptr<ListLinkT[]> buckets(new ListLinkT[newSize]);
  // tails[i]: the link to fill when appending to new bucket i.
  std::unique_ptr<ListLinkT*[]> tails(new ListLinkT*[newSize]);
  for (uint32_t i = 0; i < newSize; ++i) {
    buckets[i] = m_Marker;
    tails[i] = &buckets[i];
  }
  for (uint32_t b = 0; b < oldSize; ++b) {
    for (ListLinkT link = m_Buckets[b]; !ListIsEnd(link);) {
      ListElemI* e = ListLinkElem(link);
      link = e->Next();
      const uint32_t i = IndexOf(newSize, KeyOf(e));
      *e->NextLink() = m_Marker;
      *tails[i] = ListElemLink(e);
      tails[i] = e->NextLink();
    }
  }
  m_Buckets = std::move(buckets);
  m_SizeIndex = index;
  ++m_ModCount;
}

// ---- IteratorC ----

HashTblC::IteratorC::IteratorC(HashTblC& table) noexcept
    : m_Table(&table), m_Link(table.m_Buckets[0]), m_ModCount(table.m_ModCount) {}

HashTblC::IteratorC::~IteratorC() {
  Finish();
}

void HashTblC::IteratorC::Finish() noexcept {
  if (m_ShrinkDue && m_Valid && m_ModCount == m_Table->m_ModCount) m_Table->ShrinkAsDue();
  m_ShrinkDue = false;
}

ListElemI* HashTblC::IteratorC::Next() noexcept {
  if (!m_Valid) return nullptr;
  if (m_ModCount != m_Table->m_ModCount) {
    m_Valid = false;
    m_Current = nullptr;
    return nullptr;
  }
  const uint32_t size = m_Table->Size();
  while (ListIsEnd(m_Link)) {
    if (m_Bucket + 1 >= size) {
      m_Current = nullptr;
      Finish();
      m_ModCount = m_Table->m_ModCount;
      return nullptr;
    }
    m_Link = m_Table->m_Buckets[++m_Bucket];
  }
  m_Current = ListLinkElem(m_Link);
  m_Link = m_Current->Next();
  return m_Current;
}

bool HashTblC::IteratorC::RemoveCurrent() noexcept {
  if (!m_Valid || m_Current == nullptr) return false;
  if (m_ModCount != m_Table->m_ModCount) {
    m_Valid = false;
    m_Current = nullptr;
    return false;
  }
  ListElemI* elem = m_Current;
  m_Current = nullptr;
  HashTblC& t = *m_Table;
  for (ListLinkT* link = &t.m_Buckets[m_Bucket]; !ListIsEnd(*link);) {
    ListElemI* e = ListLinkElem(*link);
    if (e == elem) {
      t.UnlinkAt(link, e);
      if (t.m_Owns) t.DestroyElem(e);
      m_ModCount = t.m_ModCount;
      m_ShrinkDue = true;
      return true;
    }
    link = e->NextLink();
  }
  return false;
}
