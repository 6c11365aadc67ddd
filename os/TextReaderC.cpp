#include "os/TextReaderC.h"

#include "cmn/cmn_Encodings.h"
#include "cmn/cmn_TextCodec.h"
#include "os/StreamErrors.h"

TextReaderC::~TextReaderC() = default;

RcT TextReaderC::Close() {
  pending_.clear();
  pending_pos_ = 0;
  return RC_OK;
}

RcT TextReaderC::Fill(bool* at_end) {
  *at_end = false;
  if (pending_pos_ < pending_.size()) return RC_OK;
  pending_.clear();
  pending_pos_ = 0;
  RcT rc = ReadText(pending_);
  if (rc != RC_OK) return rc;
  *at_end = pending_.empty();
  return RC_OK;
}

RcT TextReaderC::ReadLine(StringC& line) {
  line.MakeEmpty();
  std::string text;
  bool read_something = false;
  for (;;) {
    bool at_end = false;
    if (RcT rc = Fill(&at_end); rc != RC_OK) return rc;
    if (at_end) {
      if (!read_something) return OS_E_END_OF_INPUT;
      break;
    }
    read_something = true;
    const size_t brk = pending_.find_first_of("\r\n", pending_pos_);
    if (brk == std::string::npos) {
      text.append(pending_, pending_pos_, std::string::npos);
      pending_pos_ = pending_.size();
      continue;
    }
    text.append(pending_, pending_pos_, brk - pending_pos_);
    pending_pos_ = brk + 1;
    if (pending_[brk] == '\r') {
      // A line feed right after the carriage return belongs to the same break, even when
      // it arrives with the next piece of input.
      if (RcT rc = Fill(&at_end); rc != RC_OK) return rc;
      if (!at_end && pending_[pending_pos_] == '\n') ++pending_pos_;
    }
    break;
  }
  line = StringC(text.data(), text.size(), cmn_kEncUtf8);
  return RC_OK;
}

int64_t TextReaderC::ReadChar() {
  bool at_end = false;
  if (Fill(&at_end) != RC_OK || at_end) return -1;
  const auto* p = reinterpret_cast<const uint8_t*>(pending_.data()) + pending_pos_;
  const size_t n = pending_.size() - pending_pos_;
  char32_t cp = cmn_kReplacementChar;
  size_t used = cmn_ReadUtf8(p, n, &cp);
  if (used == 0) {
    // Sources hand out whole characters; anything else counts as one bad byte.
    cp = cmn_kReplacementChar;
    used = 1;
  }
  pending_pos_ += used;
  return static_cast<int64_t>(cp);
}

RcT TextReaderC::ReadToEnd(StringC& text) {
  std::string all;
  RcT rc = RC_OK;
  for (;;) {
    bool at_end = false;
    rc = Fill(&at_end);
    if (rc != RC_OK || at_end) break;
    all.append(pending_, pending_pos_, std::string::npos);
    pending_pos_ = pending_.size();
  }
  if (!all.empty()) text.Append(StringC(all.data(), all.size(), cmn_kEncUtf8));
  return rc;
}

StringC TextReaderC::ReadToEnd() {
  StringC text;
  // What was read before a failure is the answer; the failure is in the error buffer.
  (void)ReadToEnd(text);
  return text;
}
