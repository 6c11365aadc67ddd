// ListElemI: an element of the intrusive lists (and of the hash tables' bucket chains).
//
// An element carries its own link to the next element. A link is either the address of the
// next element or an end marker: the address of the list's owner with the lowest bit set.
// Elements and owners are at least 2-byte aligned, so the lowest bit of a real element address
// is always clear. A link of 0 means "in no list"; every list resets the links of the elements
// it lets go, and refuses an element whose link is not 0.
//
// Ownership: lists never own their elements. An element must be removed from its list before
// it is destroyed.
#ifndef QLM_BASE_LISTELEMI_H_
#define QLM_BASE_LISTELEMI_H_

#include <cstdint>
#include <cstdio>

// A link value: an element address, an end marker (owner | 1), or 0 (unlinked).
using ListLinkT = uintptr_t;

class ListElemI;

// True when `link` ends a list (an end marker).
inline constexpr bool ListIsEnd(ListLinkT link) noexcept {
  return (link & 1u) != 0;
}
// The end marker of lists owned by `owner`.
inline ListLinkT ListEndMarker(const void* owner) noexcept {
  return reinterpret_cast<ListLinkT>(owner) | 1u;
}
// The owner encoded in an end marker.
inline const void* ListMarkerOwner(ListLinkT marker) noexcept {
  return reinterpret_cast<const void*>(marker & ~static_cast<ListLinkT>(1));
}
// The element a (non-marker, non-zero) link points to.
inline ListElemI* ListLinkElem(ListLinkT link) noexcept {
  return reinterpret_cast<ListElemI*>(link);
}
inline ListLinkT ListElemLink(const ListElemI* elem) noexcept {
  return reinterpret_cast<ListLinkT>(elem);
}

class ListElemI {
 public:
  ListElemI() noexcept = default;
  // A copy is a new object: it is in no list, whatever the original is in.
  ListElemI(const ListElemI&) noexcept {}
  // Assignment copies the payload of derived classes only; the links stay as they are.
  ListElemI& operator=(const ListElemI&) noexcept { return *this; }

  // Precondition: the element is in no list (its links are 0).
  virtual ~ListElemI();

  // The address of the link to the next element. Not virtual: bucket walks of the hash tables
  // follow it for every element.
  ListLinkT* NextLink() noexcept { return &next_; }
  ListLinkT Next() const noexcept { return next_; }
  bool IsLinked() const noexcept { return next_ != 0; }

  // The address of the link to the previous element, or null for elements that have none
  // (singly linked elements). Doubly linked lists accept only elements that have one.
  virtual ListLinkT* PrevLink() noexcept { return nullptr; }

  // Writes "%p(n %p)" (this element and its next link) to `stream`; doubly linked elements
  // write "%p(n %p, p %p)". No new line. Never fails; a null stream writes to stdout.
  virtual void Print(FILE* stream) const;

  // The owner recorded in the end marker of the list holding this element, found by walking
  // the next links; null when the element is in no list.
  const void* Owner() const noexcept;

 protected:
  ListLinkT next_ = 0;
};

// An element of ListDoubleC: a ListElemI with a link to the previous element (the end marker
// for the first element).
class ListDoubleElemI : public ListElemI {
 public:
  ListDoubleElemI() noexcept = default;
  ListDoubleElemI(const ListDoubleElemI& other) noexcept : ListElemI(other) {}
  ListDoubleElemI& operator=(const ListDoubleElemI&) noexcept { return *this; }
  ~ListDoubleElemI() override;

  ListLinkT* PrevLink() noexcept override { return &prev_; }
  ListLinkT Prev() const noexcept { return prev_; }

  // "%p(n %p, p %p)".
  void Print(FILE* stream) const override;

 protected:
  ListLinkT prev_ = 0;
};

static_assert(alignof(ListElemI) >= 2, "element addresses must leave the marker bit free");

#endif  // QLM_BASE_LISTELEMI_H_
