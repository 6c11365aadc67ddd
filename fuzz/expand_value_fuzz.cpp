// Fuzzes `$(Name)` expansion over environments built from the input.
//
// Input: the first byte holds the switches (bit 0 drop missing names, bit 1 look the text up,
// bits 2-7 the budget, 63 meaning "unlimited"); the rest is split into lines. The first line is
// the text to expand (or the name to look up); each further line "name=value" sets a parameter,
// a line beginning with "+" adds a value to a multi-valued parameter, and a line beginning with
// "!" makes the parameter lazily evaluated. The byte 0x01 stands for "$(" and 0x02 for ")", so
// short inputs reach deep reference structures.
//
// Checks: the expansion ends, does not crash, and its result stays within the work limit.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "env/env_EnvironmentC.h"
#include "env/env_ExpandValue.h"
#include "env/env_FunStrAppendC.h"

namespace {

std::string Decode(std::string_view in) {
  std::string out;
  for (const char c : in) {
    if (c == '\x01') {
      out += "$(";
    } else if (c == '\x02') {
      out += ')';
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 64 * 1024) return 0;
  const uint8_t switches = data[0];
  const bool drop = (switches & 1) != 0;
  const bool lookUp = (switches & 2) != 0;
  const int budgetBits = switches >> 2;
  const int budget = budgetBits == 63 ? INT_MAX : budgetBits;
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);

  // The evaluator is not owned by the parameters: it must outlive the environment.
  env_FunStrAppendC evaluator(StringC::FromUtf8("$(lazy)"));
  env_EnvironmentC env;
  std::string text;
  size_t start = 0;
  bool first = true;
  while (start <= rest.size()) {
    size_t end = rest.find('\n', start);
    if (end == std::string_view::npos) end = rest.size();
    const std::string line = Decode(rest.substr(start, end - start));
    start = end + 1;
    if (first) {
      text = line;
      first = false;
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos || line.empty()) continue;
    const char kind = line[0];
    const size_t nameFrom = (kind == '+' || kind == '!') ? 1 : 0;
    if (eq < nameFrom) continue;
    const StringC name = StringC::FromUtf8(std::string_view(line).substr(nameFrom, eq - nameFrom));
    const StringC value = StringC::FromUtf8(std::string_view(line).substr(eq + 1));
    if (kind == '+') {
      (void)env.GetParam(env_EnvOptsC(name, env_EnvOptsC::values_multi)).AddValue(value);
    } else if (kind == '!') {
      RklEnvParamI& p = env.GetParam(env_EnvOptsC(name, env_EnvOptsC::lazy_evaluation));
      p.Apply(evaluator);
    } else {
      (void)env.SetValue(name, value);
    }
  }

  const StringC result = ExpandValue(env, drop, StringC::FromUtf8(text), lookUp, budget);
  // Every byte written was paid for once as work or lies in a value paid for at its lookup.
  if (static_cast<size_t>(result.Utf8View().size()) > 2 * ExpandWorkLimit() + size)
    __builtin_trap();
  return 0;
}
