// StreamWriterC: a TextWriterC that encodes text in a text encoding and writes the bytes to
// an OutputStreamC.
//
// Before the first text the encoding's byte-order mark, if it has one, is written once.
// Every WriteUtf8 is encoded whole and handed to the stream in a single Write (the writer
// keeps nothing back between calls, so nothing is lost if the process ends). Characters the
// encoding cannot represent are written as "~" or U+FFFD and noted (IsLossy). Without an
// encoding the writer uses UTF-8 without a byte-order mark.
#ifndef QLM_OS_STREAMWRITERC_H_
#define QLM_OS_STREAMWRITERC_H_

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "base/TextDecoderI.h"
#include "base/TextEncodingM.h"
#include "os/TextWriterC.h"

class OutputStreamC;

class StreamWriterC final : public TextWriterC {
 public:
  // Writes to `stream`, which the caller keeps and which must outlive the writer (or its
  // Close).
  explicit StreamWriterC(OutputStreamC& stream, const TextEncodingI* encoding = nullptr);
  // Writes to and owns `stream`; Close and destruction close it.
  explicit StreamWriterC(std::unique_ptr<OutputStreamC> stream,
                         const TextEncodingI* encoding = nullptr);
  ~StreamWriterC() override;

  [[nodiscard]] RcT WriteUtf8(std::string_view text) override;
  // Flushes the stream.
  [[nodiscard]] RcT Flush() override;
  // Closes an owned stream; a borrowed one is left open for its owner.
  [[nodiscard]] RcT Close() override;
  [[nodiscard]] bool IsOpen() const override { return stream_ != nullptr; }

  // True when some character written so far had no representation in the encoding.
  bool IsLossy() const noexcept { return lossy_; }

 private:
  StreamWriterC(OutputStreamC* stream, std::unique_ptr<OutputStreamC> owned,
                const TextEncodingI* encoding);

  OutputStreamC* stream_;
  std::unique_ptr<OutputStreamC> owned_;
  const TextEncodingI* encoding_;
  std::unique_ptr<TextEncoderI> encoder_;
  bool preamble_pending_ = true;
  bool lossy_ = false;
  std::vector<uint8_t> buffer_;  // conversion buffer, reused between writes
};

#endif  // QLM_OS_STREAMWRITERC_H_
