// The per-thread error buffer behind getErrBuf().
//
// Each thread owns one cmn_ErrBufC, made on its first use and destroyed when the thread ends;
// it is never shared, so it takes no locks. Entries carry absolute sequence numbers: the held
// entries are always the contiguous range [first_, next_), and a mark is the value of next_
// when it was taken.
#ifndef QLM_CMN_CMN_ERRBUFC_H_
#define QLM_CMN_CMN_ERRBUFC_H_

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "cmn/cmn_ErrBufI.h"

class cmn_ErrBufC final : public cmn_ErrBufI {
 public:
  cmn_ErrBufC() = default;
  ~cmn_ErrBufC() = default;
  cmn_ErrBufC(const cmn_ErrBufC&) = delete;
  cmn_ErrBufC& operator=(const cmn_ErrBufC&) = delete;

  // The calling thread's buffer, made on first use.
  static cmn_ErrBufC& ForThisThread() noexcept;

  void Add(uint32_t number, int severity, std::string_view text) override;
  size_t Count() const noexcept override { return entries_.size(); }
  const cmn_ErrEntryI* Entry(size_t index) const noexcept override;
  uint64_t Mark() const noexcept override { return next_; }
  void Rollback(uint64_t mark) noexcept override;
  std::string AllText() const override;
  void Attach() noexcept override {}
  void Clear() noexcept override;

  // The letter of a severity ('#' 'm' 'i' 'w' 'e' 'f'); out-of-range values read as error.
  static char SeverityLetter(int severity) noexcept;

 private:
  class EntryC final : public cmn_ErrEntryI {
   public:
    EntryC(uint32_t number, int severity, std::string_view text)
        : number_(number), severity_(severity), text_(text) {}
    uint32_t MessageNumber() const noexcept override { return number_; }
    std::string_view Text() const noexcept override { return text_; }
    int Severity() const noexcept override { return severity_; }

   private:
    uint32_t number_;
    int severity_;
    std::string text_;
  };

  std::deque<EntryC> entries_;
  uint64_t first_ = 0;  // sequence number of entries_.front()
  uint64_t next_ = 0;   // sequence number the next Add receives
};

#endif  // QLM_CMN_CMN_ERRBUFC_H_
