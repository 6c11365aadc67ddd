#include "context/rkk_ListC.h"

rkk_ListC::rkk_ListC(bool sorted, bool unique) noexcept : sorted_(sorted), unique_(unique) {}

rkk_ListC::~rkk_ListC() {
  NodeS* node = first_;
  while (node != nullptr) {
    NodeS* next = node->next;
    delete node;
    node = next;
  }
}

int rkk_ListC::Compare(const void* a, const void* b) const noexcept {
  return 0;
}

bool rkk_ListC::Add(ItemT item) {
  if (item == nullptr) return false;
  NodeS* before = nullptr;  // the node after which the new one goes (null: at the front)
  NodeS* stop = nullptr;    // the node before which it goes (null: at the end)
  if (sorted_) {
    for (stop = first_; stop != nullptr; before = stop, stop = stop->next) {
      if (Compare(stop->item, item) >= 0) break;
    }
  } else if (unique_) {
    for (stop = first_; stop != nullptr; before = stop, stop = stop->next) {
      if (Compare(stop->item, item) == 0) break;
    }
    if (stop == nullptr) before = last_;
  } else {
    before = last_;
  }
  if (unique_ && stop != nullptr && Compare(stop->item, item) == 0) return false;
  NodeS* node = new NodeS{item, stop};
  if (before == nullptr) {
    first_ = node;
  } else {
    before->next = node;
  }
  if (stop == nullptr) last_ = node;
  ++count_;
  return true;
}

bool rkk_ListC::Remove(ItemT item) noexcept {
  NodeS* before = nullptr;
  for (NodeS* node = first_; node != nullptr; before = node, node = node->next) {
    if (node->item != item) continue;
    if (before == nullptr) {
      first_ = node->next;
    } else {
      before->next = node->next;
    }
    if (last_ == node) last_ = before;
    delete node;
    --count_;
    return true;
  }
  return false;
}
