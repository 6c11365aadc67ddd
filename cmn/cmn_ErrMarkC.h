// A mark in the calling thread's error buffer, held for one scope.
//
// A caller that handles a failure itself takes a mark before the call, reads what the callee
// reported since (to say it in its own words), and forgets it so that the failure does not
// reach its own caller. With kRollbackOnExit the mark forgets on scope exit whatever path the
// scope takes; with kKeepOnExit only an explicit Rollback() or TakeLastText() does.
//
// Invariants: the mark belongs to the thread that made it and must not outlive the scope it was
// made in; it never touches entries reported before it was taken. Without a buffer for the
// thread every operation does nothing and every text is "".
#ifndef QLM_CMN_CMN_ERRMARKC_H_
#define QLM_CMN_CMN_ERRMARKC_H_

#include <cstddef>
#include <cstdint>
#include <string>

class cmn_ErrBufI;
class cmn_ErrEntryI;

class cmn_ErrMarkC {
 public:
  enum OnExitE { kKeepOnExit, kRollbackOnExit };

  explicit cmn_ErrMarkC(OnExitE on_exit = kKeepOnExit) noexcept;
  ~cmn_ErrMarkC();
  cmn_ErrMarkC(const cmn_ErrMarkC&) = delete;
  cmn_ErrMarkC& operator=(const cmn_ErrMarkC&) = delete;

  // How many entries reported since the mark the buffer still holds (at capacity the buffer
  // drops its oldest entries, so this may be fewer than were reported).
  [[nodiscard]] size_t NewCount() const noexcept;
  // Entry `index` among those (0 = oldest), or null when out of range. Valid until the next
  // report, Rollback or Clear on this thread.
  [[nodiscard]] const cmn_ErrEntryI* NewEntry(size_t index) const noexcept;
  // The text of the newest entry reported since the mark, or "".
  [[nodiscard]] std::string LastText() const;
  // Forgets every entry reported since the mark. The mark stays and may be rolled back to again.
  void Rollback() noexcept;
  // LastText(), then Rollback(): the reason of a failure the caller reports itself.
  [[nodiscard]] std::string TakeLastText();

 private:
  cmn_ErrBufI* buffer_;
  uint64_t mark_;
  OnExitE on_exit_;
};

#endif  // QLM_CMN_CMN_ERRMARKC_H_
