// ListSingleUncountedC: a singly linked intrusive list holding only its head.
//
// The smallest list: adding at the end and At() walk the list; counting means walking too.
#ifndef QLM_BASE_LISTSINGLEUNCOUNTEDC_H_
#define QLM_BASE_LISTSINGLEUNCOUNTEDC_H_

#include "base/ListI.h"

class ListSingleUncountedC : public ListI {
 public:
  // `owner` is recorded in the end marker (null: this list). It must be at least 2-byte
  // aligned and outlive the list's elements' membership.
  explicit ListSingleUncountedC(const void* owner = nullptr) noexcept;
  ~ListSingleUncountedC() override;

  ListElemI* First() const noexcept override;
  ListElemI* At(int64_t position) const noexcept override;
  bool AddEnd(ListElemI* elem) noexcept override;
  bool AddFront(ListElemI* elem) noexcept override;
  bool InsertAfter(ListElemI* after, ListElemI* elem) noexcept override;
  bool Remove(ListElemI* elem) noexcept override;
  void RemoveAll() noexcept override;
  const void* Owner() const noexcept override { return ListMarkerOwner(marker_); }

  bool IsEmpty() const noexcept { return head_ == marker_; }

 private:
  ListLinkT head_;
  ListLinkT marker_;
};

#endif  // QLM_BASE_LISTSINGLEUNCOUNTEDC_H_
