// StreamReaderC: a TextReaderC over the bytes of an InputStreamC in a text encoding.
//
// Bytes are read 1024 at a time and decoded incrementally, so a character split between two
// reads is decoded once both parts have arrived; an incomplete character at the end of the
// input becomes U+FFFD, as does every malformed sequence. Without an encoding the reader uses
// UTF-8. With either UTF-8 encoding a leading byte-order mark (EF BB BF) is skipped; the
// UTF-16 encodings skip their own mark.
#ifndef QLM_OS_STREAMREADERC_H_
#define QLM_OS_STREAMREADERC_H_

#include <cstdint>
#include <memory>
#include <string>

#include "base/TextDecoderI.h"
#include "base/TextEncodingM.h"
#include "os/TextReaderC.h"

class InputStreamC;

class StreamReaderC final : public TextReaderC {
 public:
  // Bytes asked of the stream per read.
  static constexpr size_t c_BufferSize = 1024;

  // Reads `stream`, which the caller keeps and which must outlive the reader (or its Close).
  explicit StreamReaderC(InputStreamC& stream, const TextEncodingI* encoding = nullptr);
  // Reads and owns `stream`; Close and destruction close it.
  explicit StreamReaderC(std::unique_ptr<InputStreamC> stream,
                         const TextEncodingI* encoding = nullptr);
  ~StreamReaderC() override;

  // Closes an owned stream; a borrowed one is left open for its owner. The reader is at the
  // end of its input afterwards.
  [[nodiscard]] RcT Close() override;

 protected:
  [[nodiscard]] RcT ReadText(std::string& out) override;

 private:
  StreamReaderC(InputStreamC* stream, std::unique_ptr<InputStreamC> owned,
                const TextEncodingI* encoding);
  // Decodes `n` bytes of `bytes_` into `out`.
  void Decode(size_t n, std::string& out);

  InputStreamC* stream_;
  std::unique_ptr<InputStreamC> owned_;
  std::unique_ptr<TextDecoderI> decoder_;
  uint8_t bytes_[c_BufferSize];
  size_t held_ = 0;      // bytes kept in bytes_ while a byte-order mark may be arriving
  bool skip_utf8_mark_;  // still looking for EF BB BF at the start
  bool at_end_ = false;
};

#endif  // QLM_OS_STREAMREADERC_H_
