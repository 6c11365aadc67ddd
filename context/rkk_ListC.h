// rkk_ListC: a singly linked list of pointer-sized items, optionally sorted and/or unique by the
// list's Compare(). The list owns its nodes, not its items.
#ifndef QLM_CONTEXT_RKK_LISTC_H_
#define QLM_CONTEXT_RKK_LISTC_H_

#include <cstddef>

class rkk_ListC {
 public:
  using ItemT = void*;

  rkk_ListC(bool sorted, bool unique) noexcept;
  rkk_ListC(const rkk_ListC&) = delete;
  rkk_ListC& operator=(const rkk_ListC&) = delete;
  // Frees the nodes, not the items.
  virtual ~rkk_ListC();

  // Orders two items: negative, 0 or positive. The base compares nothing (always 0).
  virtual int Compare(const void* a, const void* b) const noexcept;

  // Adds `item` (null is ignored). Sorted: before the first item comparing greater than or
  // equal to it. Unsorted and unique: at the end unless an equal item is present. Otherwise at
  // the end. A unique list refuses an item comparing equal to the one at that place. Returns
  // true when the item was added.
  bool Add(ItemT item);
  // Removes the first node holding exactly `item` (compared by value, not with Compare).
  // Returns true when one was removed.
  bool Remove(ItemT item) noexcept;

  size_t Count() const noexcept { return m_nCount; }
  bool IsSorted() const noexcept { return m_bSorted; }
  bool IsUnique() const noexcept { return m_bUnique; }

 private:
  struct NodeS {
    ItemT item;
    NodeS* next;
  };

 public:
  // Walks the list from the first node. Adding to or removing from the list invalidates it.
  class IteratorC {
   public:
    explicit IteratorC(const rkk_ListC& list) noexcept : m_rList(list) { First(); }
    void First() noexcept { Set(m_rList.m_pFirst); }
    void Next() noexcept {
      if (m_pNode != nullptr) Set(m_pNode->next);
    }
    bool AtEnd() const noexcept { return m_pNode == nullptr; }
    // The current item; null at the end.
    ItemT Current() const noexcept { return m_pItem; }

   private:
    void Set(const NodeS* node) noexcept {
      m_pNode = node;
      m_pItem = node != nullptr ? node->item : nullptr;
    }
    const rkk_ListC& m_rList;
    const NodeS* m_pNode = nullptr;
    ItemT m_pItem = nullptr;
  };

 private:
  NodeS* m_pFirst = nullptr;
  NodeS* m_pLast = nullptr;
  size_t m_nCount = 0;
  bool m_bSorted;
  bool m_bUnique;
};

#endif  // QLM_CONTEXT_RKK_LISTC_H_
