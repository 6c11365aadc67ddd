// Reads arbitrary text with the parsers of the calendar values: DateC, TimeC and DateTimeC
// (basic and extended), and DateTimeC::FromCimText.
//
// Checked: no crash, overflow or read past the input (the sanitizers); a success gives a valid
// value whose text reads back to the same value (for dates of four-digit years, the only ones
// the eight-character date form can hold); a failure leaves the value invalid and reports
// exactly the code it returns.
#include <stdlib.h>
#include <time.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/StringC.h"
#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"
#include "time/DateC.h"
#include "time/DateTimeC.h"
#include "time/TimeC.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// A failure must leave its own code as the newest error entry.
void CheckFailure(RcT rc) {
  cmn_ErrBufI* errors = getErrBuf();
  Check(errors->Count() > 0 && errors->Entry(errors->Count() - 1)->MessageNumber() == rc);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A zone with daylight-saving rules, so that normalisation crosses both offsets.
  ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  ::tzset();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const StringC text(data, size, StringC::CC_UTF8);
  getErrBuf()->Clear();

  for (bool extended : {false, true}) {
    DateC date;
    const RcT dateRc = date.Parse(text, extended);
    if (dateRc == 0) {
      Check(date.IsValid());
      StringC written;
      Check(date.Format(&written, extended) == 0);
      DateC back;
      Check(back.Parse(written, extended) == 0);
      Check(back.GetYear() == date.GetYear() && back.GetMonth() == date.GetMonth() &&
            back.GetDay() == date.GetDay());
    } else {
      Check(!date.IsValid());
      CheckFailure(dateRc);
    }

    TimeC time;
    const RcT timeRc = time.Parse(text, extended);
    if (timeRc == 0) {
      Check(time.IsValid());
      StringC written;
      Check(time.Format(&written, true, extended) == 0);
      TimeC back;
      Check(back.Parse(written, extended) == 0);
      Check(back.GetHour() == time.GetHour() && back.GetMinute() == time.GetMinute() &&
            back.GetSecond() == time.GetSecond() && back.GetZoneKind() == time.GetZoneKind());
    } else {
      Check(!time.IsValid());
      CheckFailure(timeRc);
    }

    DateTimeC value;
    const RcT valueRc = value.Parse(text, extended);
    if (valueRc == 0) {
      Check(value.IsValid());
      StringC written;
      Check(value.Format(&written, true, extended) == 0);
      if (value.GetDate().GetYear() <= 9999) {
        DateTimeC back;
        Check(back.Parse(written, extended) == 0);
        StringC again;
        Check(back.Format(&again, true, extended) == 0);
        Check(again == written);
      }
    } else {
      Check(!value.IsValid());
      CheckFailure(valueRc);
    }
    getErrBuf()->Clear();
  }

  DateTimeC cim;
  const RcT cimRc = cim.FromCimText(text);
  if (cimRc == 0) {
    Check(cim.IsValid());
  } else {
    CheckFailure(cimRc);
  }
  return 0;
}
