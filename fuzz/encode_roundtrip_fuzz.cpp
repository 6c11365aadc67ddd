// Encoders: any UTF-8 input is first decoded to its canonical form; each encoder then gives the
// same bytes whether it runs once or in pieces with small buffers, and a decoder gives the text
// back whenever the encoder reported no loss (for UTF-16: unless the text holds surrogate code
// points, which are written unchanged and read back as U+FFFD).
#include "fuzz/text_codec_fuzz_util.h"

namespace {

using namespace codec_fuzz;

bool HasSurrogateCodePoints(const Bytes& text) {
  // Well-formed UTF-8: a surrogate is ED A0..BF xx.
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == 0xED && text[i + 1] >= 0xA0 && text[i + 1] <= 0xBF) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PlanC plan(data, size);
  const Bytes canon = DecodeOneShot(TextEncodingUtf8(), plan.Text().data(), plan.Text().size());
  const TextEncodingI* encodings[] = {&TextEncodingAscii(),         &TextEncodingLatin1(),
                                      &TextEncodingUtf8(),          &TextEncodingUtf8WithMark(),
                                      &TextEncodingUtf16LE(),       &TextEncodingUtf16BE(),
                                      &TextEncodingUtf16FromData(), &TextEncodingWChar()};
  for (const TextEncodingI* enc : encodings) {
    const EncodedS once = EncodeOneShot(*enc, canon.data(), canon.size());
    Check(once.used == canon.size(), "encoder left well-formed text unused");
    const EncodedS split = EncodeSplit(*enc, canon.data(), canon.size(), plan);
    Check(split.used == once.used && split.bytes == once.bytes && split.lossy == once.lossy,
          "split encoding differs from one-shot encoding");
    // The raw input reads as the same characters as its canonical form, up to a cut-off tail.
    const EncodedS raw = EncodeOneShot(*enc, plan.Text().data(), plan.Text().size());
    Check(raw.bytes.size() <= once.bytes.size() &&
              std::memcmp(raw.bytes.data(), once.bytes.data(), raw.bytes.size()) == 0,
          "encoding raw input differs from encoding its canonical form");

    size_t mark_len = 0;
    Bytes bytes;
    const uint8_t* mark = enc->GetByteOrderMark(mark_len);
    if (enc->GetUnitSize() == 2) bytes.assign(mark, mark + mark_len);  // skipped by the decoder
    bytes.insert(bytes.end(), once.bytes.begin(), once.bytes.end());
    const Bytes back = DecodeOneShot(*enc, bytes.data(), bytes.size());
    const bool comparable =
        !once.lossy && !(enc->GetUnitSize() == 2 && HasSurrogateCodePoints(canon));
    if (comparable) Check(back == canon, "round trip changed the text");
    // Lossy or not, every character comes back as one character.
    if (enc->GetUnitSize() != 2) {
      Check(cmn_CountUtf8Chars(back.data(), back.size()) ==
                cmn_CountUtf8Chars(canon.data(), canon.size()),
            "round trip changed the number of characters");
    }
  }
  return 0;
}
