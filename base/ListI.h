// ListI: the interface of the intrusive lists (ListSingleUncountedC, ListSingleC, ListDoubleC).
//
// Every list ends in the end marker of its owner (by default the list object itself), so from
// any element one can walk to the marker and recover the owner (ListElemI::Owner). An empty
// list's head is the marker itself. Lists do not own their elements and are neither copyable
// nor movable (their elements' markers hold the owner's address).
//
// Membership is judged by the end marker, so lists that share one owner cannot tell their
// elements apart: give each list that is used on its own a distinct owner.
//
// Every operation that takes an element refuses (returns false) a null element and an element
// that is already linked somewhere; removal resets the element's links to 0.
#ifndef QLM_BASE_LISTI_H_
#define QLM_BASE_LISTI_H_

#include <cstdint>
#include <cstdio>

#include "base/ListElemI.h"

class ListI {
 public:
  ListI() noexcept = default;
  ListI(const ListI&) = delete;
  ListI& operator=(const ListI&) = delete;

  // Implementations unlink every element on destruction (the elements are not destroyed).
  virtual ~ListI();

  // The first element, or null when the list is empty.
  virtual ListElemI* First() const noexcept = 0;
  // The element at `position` (0 = first), or null when the position is negative or not below
  // the number of elements. Walks the list.
  virtual ListElemI* At(int64_t position) const noexcept = 0;
  // Appends `elem`. False (list unchanged) when `elem` is null, already linked, or not
  // acceptable to this list (a doubly linked list needs a ListDoubleElemI).
  virtual bool AddEnd(ListElemI* elem) noexcept = 0;
  // Prepends `elem`; refusals as AddEnd.
  virtual bool AddFront(ListElemI* elem) noexcept = 0;
  // Inserts `elem` right after `after`; a null `after` appends. False (list unchanged) on the
  // refusals of AddEnd and when `after` is not in this list.
  virtual bool InsertAfter(ListElemI* after, ListElemI* elem) noexcept = 0;
  // Unlinks `elem` and resets its links to 0. False (nothing changed) when `elem` is not in
  // this list.
  virtual bool Remove(ListElemI* elem) noexcept = 0;
  // Unlinks every element, resetting their links; the list is then empty.
  virtual void RemoveAll() noexcept = 0;
  // The owner whose end marker terminates this list.
  virtual const void* Owner() const noexcept = 0;
  // Writes "list@%p:" (this list), then a blank and each element's Print, then a new line.
  // A null stream writes to stdout.
  virtual void Print(FILE* stream) const;

 protected:
  // True when `elem` is linked into a list ending in `marker` (walks to the end).
  static bool IsInList(const ListElemI* elem, ListLinkT marker) noexcept;
};

static_assert(alignof(ListI) >= 2, "owner addresses must leave the marker bit free");

#endif  // QLM_BASE_LISTI_H_
