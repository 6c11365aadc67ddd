// UTF-16 decoding in both byte orders and with the order taken from the data: one-shot and
// split decoding agree, the output is well-formed, and it survives UTF-16 and back unchanged.
#include "fuzz/text_codec_fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace codec_fuzz;
  PlanC plan(data, size);
  const TextEncodingI* encodings[] = {&TextEncodingUtf16LE(), &TextEncodingUtf16BE(),
                                      &TextEncodingUtf16FromData()};
  for (const TextEncodingI* enc : encodings) {
    const Bytes out = CheckDecoder(*enc, plan.Text(), plan);
    // Decoded text holds no surrogate code points and nothing above U+10FFFF. Written back
    // the way a writer does (mark first, so a leading U+FEFF stays a character), it reads the
    // same.
    const EncodedS again = EncodeOneShot(*enc, out.data(), out.size());
    Check(!again.lossy && again.used == out.size(), "decoded text does not fit UTF-16");
    size_t mark_len = 0;
    const uint8_t* mark = enc->GetByteOrderMark(mark_len);
    Bytes written(mark, mark + mark_len);
    written.insert(written.end(), again.bytes.begin(), again.bytes.end());
    Check(DecodeOneShot(*enc, written.data(), written.size()) == out,
          "UTF-16 round trip changed the text");
  }
  return 0;
}
