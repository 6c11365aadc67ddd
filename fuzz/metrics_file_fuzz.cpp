// A previous metrics file of any content: reading it never crashes, and the file rendered over
// it reads back with the run's own samples and only samples the reader accepts.
#include <cstddef>
#include <cstdint>
#include <string>

#include "policy/PlcMetricsC.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 65536) return 0;
  const std::string previous(reinterpret_cast<const char*>(data), size);
  const PlcMetricsC::SamplesT before = PlcMetricsC::Parse(previous);
  PlcRunMetricsS run;
  run.policyType = "Machine";
  run.startTime = 1700000000;
  run.duration = 2;
  run.exitCode = 1;
  const std::string text = PlcMetricsC::Render(run, previous);
  const PlcMetricsC::SamplesT after = PlcMetricsC::Parse(text);
  Check(after.size() == 6);
  Check(after.at(PlcMetricsC::c_ExitCode).at("Machine") == "1");
  // Rendering is stable: the file read back renders to itself.
  Check(PlcMetricsC::Render(run, text) == text);
  for (const auto& [metric, values] : before) {
    for (const auto& [label, value] : values) {
      if (label != "Machine") Check(after.at(metric).at(label) == value);
    }
  }
  return 0;
}
