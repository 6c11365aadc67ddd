#include "context/rkk_ListC.h"

rkk_ListC::rkk_ListC(bool sorted, bool unique) noexcept : m_bSorted(sorted), m_bUnique(unique) {}

rkk_ListC::~rkk_ListC() {
  NodeS* node = m_pFirst;
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
  if (m_bSorted) {
    for (stop = m_pFirst; stop != nullptr; before = stop, stop = stop->next) {
      if (Compare(stop->item, item) >= 0) break;
    }
  } else if (m_bUnique) {
    for (stop = m_pFirst; stop != nullptr; before = stop, stop = stop->next) {
      if (Compare(stop->item, item) == 0) break;
    }
    if (stop == nullptr) before = m_pLast;
  } else {
    before = m_pLast;
  }
  if (m_bUnique && stop != nullptr && Compare(stop->item, item) == 0) return false;
  NodeS* node = new NodeS{item, stop};
  if (before == nullptr) {
    m_pFirst = node;
  } else {
    before->next = node;
  }
  if (stop == nullptr) m_pLast = node;
  ++m_nCount;
  return true;
}

bool rkk_ListC::Remove(ItemT item) noexcept {
  NodeS* before = nullptr;
  for (NodeS* node = m_pFirst; node != nullptr; before = node, node = node->next) {
    if (node->item != item) continue;
    if (before == nullptr) {
      m_pFirst = node->next;
    } else {
      before->next = node->next;
    }
    if (m_pLast == node) m_pLast = before;
    delete node;
    --m_nCount;
    return true;
  }
  return false;
}
