// ListDoubleC: a doubly linked intrusive list with head, tail and element count.
//
// Elements must be ListDoubleElemI (they carry a previous link); other elements are refused.
// The first element's previous link and the last element's next link are the end marker.
// Removal unlinks in O(1) once membership is confirmed; membership is confirmed by walking the
// next links to the end marker, so that an element of another list is never unlinked (and
// another list's count never corrupted) by mistake.
#ifndef QLM_BASE_LISTDOUBLEC_H_
#define QLM_BASE_LISTDOUBLEC_H_

#include "base/ListI.h"

class ListDoubleC : public ListI {
 public:
  // `owner` is recorded in the end marker (null: this list); at least 2-byte aligned.
  explicit ListDoubleC(const void* owner = nullptr) noexcept;
  ~ListDoubleC() override;

  ListElemI* First() const noexcept override;
  ListElemI* At(int64_t position) const noexcept override;
  bool AddEnd(ListElemI* elem) noexcept override;
  bool AddFront(ListElemI* elem) noexcept override;
  bool InsertAfter(ListElemI* after, ListElemI* elem) noexcept override;
  bool Remove(ListElemI* elem) noexcept override;
  void RemoveAll() noexcept override;
  const void* Owner() const noexcept override { return ListMarkerOwner(marker_); }

  ListElemI* Last() const noexcept { return tail_; }
  uint64_t Count() const noexcept { return count_; }
  bool IsEmpty() const noexcept { return count_ == 0; }

 private:
  // Links `elem` between the links `prev` and `next` (either may be the marker).
  void LinkBetween(ListElemI* elem, ListLinkT prev, ListLinkT next) noexcept;

  ListLinkT head_;
  ListElemI* tail_ = nullptr;
  uint64_t count_ = 0;
  ListLinkT marker_;
};

#endif  // QLM_BASE_LISTDOUBLEC_H_
