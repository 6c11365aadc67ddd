// Reads arbitrary text with TimestampC::Parse and writes every value read back in all
// formats.
//
// Checked: no crash, overflow or read past the input (the sanitizers); a failure reports its
// code and leaves the value unchanged; a success formats, for every flag combination, to a
// text that reads back to the value rounded to the precision written, with the same local
// flag.
#include <cstdint>
#include <cstdlib>

#include "base/StringC.h"
#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"
#include "time/DayNumber.h"
#include "time/TimeMessages.h"
#include "time/TimestampC.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const StringC text(data, size, StringC::CC_UTF8);
  getErrBuf()->Clear();
  TimestampC value(12345, true);
  const RcT rc = value.Parse(text);
  if (rc != 0) {
    Check(rc == TIME_E_TIMESTAMP_TEXT);
    Check(getErrBuf()->Count() == 1);
    Check(value.GetTicks() == 12345 && value.IsLocal());
    return 0;
  }
  const uint64_t ticks = value.GetTicks();
  for (uint32_t flags = 0; flags < 0x40; ++flags) {
    uint64_t expected;
    if ((flags & TimestampC::c_FormatDateOnly) != 0) {
      if (ticks < c_TicksPerDay) continue;  // a time of day has no date to write
      expected = ticks - ticks % c_TicksPerDay;
    } else if ((flags & 7) == 0) {
      expected = ticks - ticks % c_TicksPerSecond;
    } else {
      uint64_t unit = 1;
      for (uint32_t i = flags & 7; i < 8; ++i) unit *= 10;
      if (ticks > UINT64_MAX - unit / 2) continue;  // the last ticks are cut, not rounded
      expected = (ticks + unit / 2) / unit * unit;
    }
    const StringC written = value.Format(flags);
    TimestampC back;
    Check(back.Parse(written) == 0);
    Check(back.IsLocal() == value.IsLocal());
    Check(back.GetTicks() == expected);
  }
  return 0;
}
