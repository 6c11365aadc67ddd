#include "os/StreamWriterC.h"

#include "cmn/cmn_TextCodec.h"
#include "os/OutputStreamC.h"
#include "os/StreamErrors.h"

namespace {

constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";

}  // namespace

StreamWriterC::StreamWriterC(OutputStreamC* stream, std::unique_ptr<OutputStreamC> owned,
                             const TextEncodingI* encoding)
    // An owned stream arrives with `stream` null (argument order is unspecified, so it
    // cannot be taken from the owner in the same call).
    : stream_(owned != nullptr ? owned.get() : stream),
      owned_(std::move(owned)),
      encoding_(encoding != nullptr ? encoding : &TextEncodingUtf8()),
      encoder_(encoding_->CreateEncoder()) {}

StreamWriterC::StreamWriterC(OutputStreamC& stream, const TextEncodingI* encoding)
    : StreamWriterC(&stream, nullptr, encoding) {}

StreamWriterC::StreamWriterC(std::unique_ptr<OutputStreamC> stream, const TextEncodingI* encoding)
    : StreamWriterC(nullptr, std::move(stream), encoding) {}

StreamWriterC::~StreamWriterC() {
  // Best effort: a failed close leaves nothing to undo here.
  (void)Close();
}

RcT StreamWriterC::WriteUtf8(std::string_view text) {
  if (stream_ == nullptr) return os_Report(OS_E_STREAM_NO_WRITE, OS_T_STREAM_NO_WRITE);
  buffer_.clear();
  if (preamble_pending_) {
    size_t mark_length = 0;
    const uint8_t* mark = encoding_->GetByteOrderMark(mark_length);
    if (mark != nullptr) buffer_.insert(buffer_.end(), mark, mark + mark_length);
  }
  const auto* in = reinterpret_cast<const uint8_t*>(text.data());
  size_t left = text.size();
  while (left > 0) {
    // Six bytes per input byte hold the widest encoding (4-byte units for 1-byte characters).
    const size_t room = left * 6 + 8;
    const size_t at = buffer_.size();
    buffer_.resize(at + room);
    size_t used = 0;
    size_t written = encoder_->Encode(in, left, buffer_.data() + at, room, used, lossy_);
    buffer_.resize(at + written);
    in += used;
    left -= used;
    if (used == 0 && left > 0) {
      // A character cut off at the end of the text: write it as U+FFFD.
      const auto* fffd = reinterpret_cast<const uint8_t*>(kReplacementUtf8);
      const size_t at2 = buffer_.size();
      buffer_.resize(at2 + 16);
      size_t used2 = 0;
      size_t written2 = encoder_->Encode(fffd, 3, buffer_.data() + at2, 16, used2, lossy_);
      buffer_.resize(at2 + written2);
      lossy_ = true;
      break;
    }
  }
  if (buffer_.empty()) return RC_OK;
  RcT rc = stream_->Write(buffer_.data(), static_cast<int64_t>(buffer_.size()));
  if (rc == RC_OK) preamble_pending_ = false;
  return rc;
}

RcT StreamWriterC::Flush() {
  if (stream_ == nullptr) return os_Report(OS_E_STREAM_NO_WRITE, OS_T_STREAM_NO_WRITE);
  return stream_->Flush();
}

RcT StreamWriterC::Close() {
  RcT rc = RC_OK;
  if (owned_ != nullptr) {
    rc = owned_->Close();
    owned_.reset();
  }
  stream_ = nullptr;
  return rc;
}
