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

  size_t Count() const noexcept { return count_; }
  bool IsSorted() const noexcept { return sorted_; }
  bool IsUnique() const noexcept { return unique_; }

 private:
  struct NodeS {
    ItemT item;
    NodeS* next;
  };

 public:
  // Walks the list from the first node. Adding to or removing from the list invalidates it.
  class IteratorC {
   public:
    explicit IteratorC(const rkk_ListC& list) noexcept : list_(list) { First(); }
    void First() noexcept { Set(list_.first_); }
    void Next() noexcept {
      if (node_ != nullptr) Set(node_->next);
    }
    bool AtEnd() const noexcept { return node_ == nullptr; }
    // The current item; null at the end.
    ItemT Current() const noexcept { return item_; }

   private:
    void Set(const NodeS* node) noexcept {
      node_ = node;
      item_ = node != nullptr ? node->item : nullptr;
    }
    const rkk_ListC& list_;
    const NodeS* node_ = nullptr;
    ItemT item_ = nullptr;
  };

 private:
  NodeS* first_ = nullptr;
  NodeS* last_ = nullptr;
  size_t count_ = 0;
  bool sorted_;
  bool unique_;
};

#endif  // QLM_CONTEXT_RKK_LISTC_H_
