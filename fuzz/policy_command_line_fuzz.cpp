// The policy client's command line from arbitrary argument vectors (NUL-separated bytes): the
// parse never crashes and answers 0 or 1; every "-o" text it keeps either reaches the agent's
// command line as exactly one argument after its own "-o", or the line is refused.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/StringArrayC.h"
#include "base/StringC.h"
#include "context/RKContextC.h"
#include "env/EnvPreferencesC.h"
#include "env/env_EnvironmentC.h"
#include "os/CommandLine.h"
#include "policy/ApplyMergedPolicy.h"
#include "policy/PlcPreferencesC.h"

namespace {

constexpr size_t kMaxInput = 4096;
constexpr size_t kMaxArguments = 64;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

StringC Ascii(const char* text) {
  return StringC(text, StringC::CC_ASCII);
}

// One environment for the whole run; the log goes nowhere.
void SetUpOnce() {
  static env_EnvironmentC* environment = [] {
    auto* env = new env_EnvironmentC();
    RKContextC::Current()->SetEnvironment(env);
    EnvPreferencesC preferences;
    preferences.SetValue(Ascii("LogFile"), Ascii("/dev/null"));
    return env;
  }();
  (void)environment;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInput) return 0;
  SetUpOnce();
  std::vector<std::string> arguments = {"qlmpolicy"};
  std::string current;
  for (size_t i = 0; i < size && arguments.size() < kMaxArguments; ++i) {
    if (data[i] == 0) {
      arguments.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  if (!current.empty() && arguments.size() < kMaxArguments) arguments.push_back(current);
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);

  PlcPreferencesC preferences;
  const int rc = preferences.ParseCommandLine(static_cast<int>(arguments.size()), argv.data());
  Check(rc == 0 || rc == 1);

  const PlcAgentArgumentS head[] = {
      {Ascii("rklaunch"), false}, {Ascii("-r"), false}, {Ascii("http://h/p.rpl"), true}};
  StringC line;
  StringC refused;
  const StringArrayC& options = preferences.ExtraOptions();
  if (BuildAgentCommandLine(head, 3, StringC(), options, &line, &refused)) {
    StringArrayC parts;
    SplitCommandLine(line, &parts);
    Check(parts.Count() == 3 + 2 * options.Count());
    for (uint64_t i = 0; i < options.Count(); ++i) {
      Check(parts[3 + 2 * i].Equals(Ascii("-o")));
      Check(parts[4 + 2 * i].Equals(options[i]));
    }
  }
  return 0;
}
