// LkiServerArrayC: an ordered array of server locations, each held by one reference.
//
// The array is kept in priority order by its users: Insert() places a location after every
// location that does not compare greater (ComparePriority), and Sort() orders the whole array
// stably, so locations of equal priority keep their relative order. Null is never stored.
// One thread at a time.
#ifndef QLM_SERVERS_LKISERVERARRAYC_H_
#define QLM_SERVERS_LKISERVERARRAYC_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "cmn/cmn_Result.h"

class LkiServerLocationC;

class LkiServerArrayC {
 public:
  LkiServerArrayC() noexcept = default;
  LkiServerArrayC(const LkiServerArrayC&) = delete;
  LkiServerArrayC& operator=(const LkiServerArrayC&) = delete;
  // Drops every reference.
  ~LkiServerArrayC();

  // The order of two locations by their "Priority" attribute (a base-10 integer; a missing or
  // unreadable priority counts as LkiServerManagerC::s_LowPriority + 1, i.e. 101): -1 when
  // `a` comes first, 0 when equal, 1 when `a` comes later. A null argument gives
  // RC_INVALIDARG (0x80000006) as a signed value.
  static int32_t ComparePriority(const LkiServerLocationC* a, const LkiServerLocationC* b) noexcept;
  // The priority ComparePriority uses for `location`.
  static int64_t EffectivePriority(const LkiServerLocationC* location) noexcept;

  // Sorted insertion: finds by bisection the first position whose location compares greater
  // than `location` and inserts it there, taking one reference. Returns that position; -1 for
  // null (nothing changes).
  int64_t Insert(LkiServerLocationC* location);
  // Appends `location` (one reference taken) regardless of order; -1 for null.
  int64_t Append(LkiServerLocationC* location);
  // Stable sort by ComparePriority.
  void Sort();

  // The location at `index` (borrowed; valid while it stays in the array), null out of range.
  LkiServerLocationC* At(size_t index) const noexcept;
  // The position of that exact object, or -1.
  int64_t IndexOf(const LkiServerLocationC* location) const noexcept;
  // Removes the location at `index` and drops the array's reference. False out of range.
  bool RemoveAt(size_t index) noexcept;
  // Hands the array's reference on the location at `index` to the caller. Null out of range.
  LkiServerLocationC* DetachAt(size_t index) noexcept;
  // Drops every reference.
  void Clear() noexcept;

  size_t Count() const noexcept { return items_.size(); }
  bool IsEmpty() const noexcept { return items_.empty(); }

 private:
  std::vector<LkiServerLocationC*> items_;
};

#endif  // QLM_SERVERS_LKISERVERARRAYC_H_
