// The calling thread's error buffer (getErrBuf()).
//
// Failing operations record (message number, severity, text) here; callers that handle a
// failure mark the buffer before the call and roll back to the mark afterwards. The buffer
// keeps the most recent entries (at most cmn_kErrBufCapacity); older ones are dropped first.
#ifndef QLM_CMN_CMN_ERRBUFI_H_
#define QLM_CMN_CMN_ERRBUFI_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr size_t cmn_kErrBufCapacity = 256;

// One recorded failure.
class cmn_ErrEntryI {
 public:
  // The message number (result code) that was reported.
  virtual uint32_t MessageNumber() const noexcept = 0;
  // The formatted message text (UTF-8).
  virtual std::string_view Text() const noexcept = 0;
  // Severity 0..5: none, message, information, warning, error, fatal.
  virtual int Severity() const noexcept = 0;

 protected:
  ~cmn_ErrEntryI() = default;
};

class cmn_ErrBufI {
 public:
  // Appends an entry. Never fails; when full, the oldest entry is dropped.
  virtual void Add(uint32_t number, int severity, std::string_view text) = 0;
  // Number of entries held.
  virtual size_t Count() const noexcept = 0;
  // Entry `index` (0 = oldest held), or null when out of range. Valid until the next Add,
  // Rollback or Clear on this thread.
  virtual const cmn_ErrEntryI* Entry(size_t index) const noexcept = 0;
  // A position to roll back to. Positions count every entry ever added on this thread, so a
  // mark stays meaningful after older entries were dropped.
  virtual uint64_t Mark() const noexcept = 0;
  // Forgets every entry added since `mark` was taken. A mark from the future is ignored.
  virtual void Rollback(uint64_t mark) noexcept = 0;
  // All entries as one text, oldest first, one line each:
  // "<severity letter> 0x%08X <text>\n" (letters: # m i w e f).
  virtual std::string AllText() const = 0;
  // Prepares the buffer of a new thread; called once at the start of each thread. Calling it
  // again, or never (the buffer is made on first use anyway), is harmless.
  virtual void Attach() noexcept = 0;
  // Removes every entry.
  virtual void Clear() noexcept = 0;

 protected:
  ~cmn_ErrBufI() = default;
};

#endif  // QLM_CMN_CMN_ERRBUFI_H_
