// UTF-8 decoding: one-shot and split decoding agree, the output is well-formed, and decoding
// the output again changes nothing.
#include "fuzz/text_codec_fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace codec_fuzz;
  PlanC plan(data, size);
  const Bytes out = CheckDecoder(TextEncodingUtf8(), plan.Text(), plan);
  Check(DecodeOneShot(TextEncodingUtf8(), out.data(), out.size()) == out,
        "decoding is not idempotent");
  // The kernel used on its own stops at a cut-off tail that the decoder flushed as U+FFFD.
  Bytes direct(plan.Text().size() * 3 + 16);
  const cmn_CodecResultS r =
      cmn_DecodeUtf8(plan.Text().data(), plan.Text().size(), direct.data(), direct.size());
  Check(r.out_written <= out.size() && std::memcmp(direct.data(), out.data(), r.out_written) == 0,
        "kernel and decoder disagree");
  return 0;
}
