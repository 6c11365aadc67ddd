#include "os/StreamReaderC.h"

#include <cstring>

#include "os/InputStreamC.h"

namespace {

constexpr uint8_t kUtf8Mark[3] = {0xEF, 0xBB, 0xBF};

}  // namespace

StreamReaderC::StreamReaderC(InputStreamC* stream, std::unique_ptr<InputStreamC> owned,
                             const TextEncodingI* encoding)
    // An owned stream arrives with `stream` null (argument order is unspecified, so it
    // cannot be taken from the owner in the same call).
    : stream_(owned != nullptr ? owned.get() : stream), owned_(std::move(owned)) {
  const TextEncodingI& chosen = encoding != nullptr ? *encoding : TextEncodingUtf8();
  decoder_ = chosen.CreateDecoder();
  skip_utf8_mark_ = &chosen == &TextEncodingUtf8() || &chosen == &TextEncodingUtf8WithMark();
}

StreamReaderC::StreamReaderC(InputStreamC& stream, const TextEncodingI* encoding)
    : StreamReaderC(&stream, nullptr, encoding) {}

StreamReaderC::StreamReaderC(std::unique_ptr<InputStreamC> stream, const TextEncodingI* encoding)
    : StreamReaderC(nullptr, std::move(stream), encoding) {}

StreamReaderC::~StreamReaderC() {
  // Best effort: a failed close leaves nothing to undo here.
  (void)Close();
}

RcT StreamReaderC::Close() {
  // Best effort: a failed close leaves nothing to undo here.
  (void)TextReaderC::Close();
  RcT rc = RC_OK;
  if (owned_ != nullptr) {
    rc = owned_->Close();
    owned_.reset();
  }
  stream_ = nullptr;
  at_end_ = true;
  held_ = 0;
  return rc;
}

void StreamReaderC::Decode(size_t n, std::string& out) {
  // Three bytes of UTF-8 per input byte cover every encoding (U+FFFD for a bad ASCII byte);
  // the loop continues anyway should a decoder want more room.
  uint8_t text[c_BufferSize * 3 + 16];
  size_t offset = 0;
  while (offset < n) {
    size_t used = 0;
    size_t written = decoder_->Decode(bytes_ + offset, n - offset, text, sizeof text, used);
    out.append(reinterpret_cast<const char*>(text), written);
    offset += used;
    if (used == 0 && written == 0) break;  // no progress possible; cannot happen with this room
  }
}

RcT StreamReaderC::ReadText(std::string& out) {
  const size_t start = out.size();
  while (!at_end_ && out.size() == start) {
    int64_t got = stream_->Read(bytes_ + held_, static_cast<int64_t>(c_BufferSize - held_));
    if (got < 0) return RC_FAIL;  // the stream reported why
    size_t n = held_ + static_cast<size_t>(got);
    held_ = 0;
    if (got == 0) at_end_ = true;
    if (skip_utf8_mark_ && n > 0) {
      const size_t cmp = n < sizeof kUtf8Mark ? n : sizeof kUtf8Mark;
      if (std::memcmp(bytes_, kUtf8Mark, cmp) != 0) {
        skip_utf8_mark_ = false;
      } else if (n >= sizeof kUtf8Mark) {
        skip_utf8_mark_ = false;
        n -= sizeof kUtf8Mark;
        std::memmove(bytes_, bytes_ + sizeof kUtf8Mark, n);
      } else if (!at_end_) {
        held_ = n;  // the start of a mark: wait for the rest
        continue;
      }
    }
    Decode(n, out);
    if (at_end_) {
      // An incomplete last character is given as U+FFFD.
      uint8_t tail[64];
      do {
        size_t written = decoder_->Flush(tail, sizeof tail);
        out.append(reinterpret_cast<const char*>(tail), written);
        if (written == 0) break;
      } while (decoder_->HasUnusedBytes());
    }
  }
  return RC_OK;
}
