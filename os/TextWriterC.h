// TextWriterC: writes text; a derived class puts it somewhere (StreamWriterC encodes it onto
// an OutputStreamC).
//
// WriteLine hands the text and the line break to the derived class as one piece, so a line
// reaches the target in one write (lines appended to a shared log by several processes do
// not interleave). A writer belongs to one thread at a time.
#ifndef QLM_OS_TEXTWRITERC_H_
#define QLM_OS_TEXTWRITERC_H_

#include <string>
#include <string_view>

#include "base/StringC.h"
#include "cmn/cmn_Result.h"

class TextWriterC {
 public:
  // Line breaks.
  static constexpr const char* UNIXNewLine = "\n";
  static constexpr const char* DOSNewLine = "\r\n";

  TextWriterC() = default;
  TextWriterC(const TextWriterC&) = delete;
  TextWriterC& operator=(const TextWriterC&) = delete;
  virtual ~TextWriterC();

  // Writes UTF-8 `text` (malformed sequences are written as U+FFFD). Returns 0 or the failure
  // code (reported); after a failure part of the text may have been written. May block.
  [[nodiscard]] virtual RcT WriteUtf8(std::string_view text) = 0;
  // Writes everything handed over so far to the target and asks the target to flush. May
  // block.
  [[nodiscard]] virtual RcT Flush() = 0;
  // Releases the target (writers keep nothing back, so no text is lost). Writes afterwards
  // fail. Closing twice succeeds.
  [[nodiscard]] virtual RcT Close() = 0;
  // True until Close.
  [[nodiscard]] virtual bool IsOpen() const = 0;

  [[nodiscard]] RcT Write(const StringC& text) { return WriteUtf8(text.Utf8View()); }
  // `text` is UTF-8; null writes nothing.
  [[nodiscard]] RcT Write(const char* text) {
    return text != nullptr ? WriteUtf8(std::string_view(text)) : RC_OK;
  }
  // `text` followed by the writer's line break, in one piece.
  [[nodiscard]] RcT WriteLine(const StringC& text);
  [[nodiscard]] RcT WriteLine(std::string_view text);
  // The line break alone.
  [[nodiscard]] RcT WriteLine() { return WriteUtf8(newline_); }

  // The line break WriteLine appends: UNIXNewLine unless changed.
  void SetNewLine(const char* newline) { newline_ = newline != nullptr ? newline : ""; }
  const std::string& GetNewLine() const noexcept { return newline_; }

 private:
  std::string newline_ = UNIXNewLine;
};

#endif  // QLM_OS_TEXTWRITERC_H_
