// Wide-character decoding: one-shot and split decoding agree, the output is well-formed, and
// it survives wide characters and back unchanged.
#include "fuzz/text_codec_fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace codec_fuzz;
  PlanC plan(data, size);
  const Bytes out = CheckDecoder(TextEncodingWChar(), plan.Text(), plan);
  const EncodedS again = EncodeOneShot(TextEncodingWChar(), out.data(), out.size());
  Check(!again.lossy && again.used == out.size(), "decoded text does not fit wide characters");
  Check(again.bytes.size() == 4 * cmn_CountUtf8Chars(out.data(), out.size()),
        "one unit per character");
  Check(DecodeOneShot(TextEncodingWChar(), again.bytes.data(), again.bytes.size()) == out,
        "wide-character round trip changed the text");
  return 0;
}
