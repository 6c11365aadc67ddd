// TextReaderC: reads text character by character, line by line or to the end, over a source
// of decoded text supplied by a derived class (StreamReaderC decodes the bytes of a stream).
//
// Text is handed out as StringC; characters read ahead of a line break wait in the reader for
// the next call. A reader belongs to one thread at a time.
#ifndef QLM_OS_TEXTREADERC_H_
#define QLM_OS_TEXTREADERC_H_

#include <cstdint>
#include <string>

#include "base/StringC.h"
#include "cmn/cmn_Result.h"

class TextReaderC {
 public:
  TextReaderC() = default;
  TextReaderC(const TextReaderC&) = delete;
  TextReaderC& operator=(const TextReaderC&) = delete;
  virtual ~TextReaderC();

  // Reads the next line into `line` (cleared first) without its line break. A line ends at a
  // carriage return, a line feed, or a carriage return followed by a line feed, and at the
  // end of the input. Returns 0 when a line was read (also the last line without a break),
  // 0xE0CB001A (not reported) when the input was already at its end, or the failure code of
  // the source; after a failure `line` is empty and the characters of the broken line are
  // lost. May block while the source blocks.
  [[nodiscard]] RcT ReadLine(StringC& line);

  // The next character's code point, or -1 at the end of the input or on a failure.
  [[nodiscard]] int64_t ReadChar();

  // Appends everything left in the input to `text`. Returns 0, or the source's failure code
  // (what was read before the failure is appended).
  [[nodiscard]] RcT ReadToEnd(StringC& text);
  // Everything left in the input; on a failure, what was read before it.
  StringC ReadToEnd();

  // Drops the characters waiting in the reader and releases the source. Afterwards every
  // read is at the end of the input.
  [[nodiscard]] virtual RcT Close();

 protected:
  // Appends the next decoded text (UTF-8) to `out`: at least one character, or nothing at
  // the end of the input. Returns 0, or a failure code (already reported by whoever failed).
  [[nodiscard]] virtual RcT ReadText(std::string& out) = 0;

 private:
  // Makes sure characters are waiting. Sets `*at_end` when there are none and never will be.
  [[nodiscard]] RcT Fill(bool* at_end);

  std::string pending_;  // decoded text not yet handed out, from pending_pos_ on
  size_t pending_pos_ = 0;
};

#endif  // QLM_OS_TEXTREADERC_H_
