#include "policy/PlcUsage.h"

#include <cstdio>
#include <cstring>

#include "policy/VersionC.h"

namespace {

// The options that take an argument in the next word when none is attached.
bool TakesArgument(char option) {
  return std::strchr("atslo", option) != nullptr;
}

std::string ProductEntry(size_t index) {
  char* text = VersionC::Get(index);
  std::string value = text != nullptr ? text : "";
  VersionC::Free(text);
  return value;
}

}  // namespace

PlcInfoRequest PlcFindInfoRequest(int argc, const char* const* argv) noexcept {
  for (int i = 1; i < argc; ++i) {
    const char* word = argv[i];
    if (word == nullptr || word[0] != '-' || word[1] == '\0') return PlcInfoRequest::kNone;
    if (std::strcmp(word, "--") == 0) return PlcInfoRequest::kNone;
    if (std::strcmp(word, "--help") == 0) return PlcInfoRequest::kHelp;
    if (std::strcmp(word, "--version") == 0) return PlcInfoRequest::kVersion;
    if (word[1] == '-') continue;  // another long word: refused later by the parser
    // A cluster of short options: the first that takes an argument ends it, and when it is
    // the cluster's last character its argument is the next word.
    for (const char* c = word + 1; *c != '\0'; ++c) {
      if (TakesArgument(*c)) {
        if (c[1] == '\0') ++i;
        break;
      }
    }
  }
  return PlcInfoRequest::kNone;
}

std::string PlcUsageText(const std::string& logFile) {
  std::string text =
      "Usage: qlmpolicy [-t Machine|User] [-s ADDRESS] [-l AGENT-OPTIONS] [-a ACCOUNT]\n"
      "                 [-o NAME[=VALUE]]...\n"
      "       qlmpolicy --help | --version\n"
      "Applies the merged deployment policy of the machine (as root) or of the calling user\n"
      "through the installation agent rklaunch.\n"
      "\n"
      "  -t TYPE          policy type: Machine or User (default: Machine for root)\n"
      "  -s ADDRESS       address of the merged policy; remembered in the store\n"
      "  -l OPTIONS       text appended to the installation agent's command line\n"
      "  -a ACCOUNT       account name (SAMAccountName) handed to the agent\n"
      "  -o NAME[=VALUE]  set a preference for this run and pass it to the agent\n"
      "      --help       print this help and exit\n"
      "      --version    print the version and exit\n"
      "\n"
      "Exit status: 0 when the policy was applied, 1 otherwise.\n";
  if (!logFile.empty()) {
    text += "The reason is in the log: " + logFile + "\n";
  } else {
    text += "The log file is named by the preference LogFile, see quillmarsh.ini(5).\n";
  }
  text += "See qlmpolicy(1): man qlmpolicy\n";
  return text;
}

std::string PlcVersionText() {
  return "qlmpolicy (" + ProductEntry(VersionC::c_Name) + ") " + ProductEntry(VersionC::c_Version) +
         "\nBuild " + ProductEntry(VersionC::c_BuildNumber) + "\n";
}

int PlcHandleInfoRequest(int argc, const char* const* argv) {
  std::string text;
  switch (PlcFindInfoRequest(argc, argv)) {
    case PlcInfoRequest::kNone:
      return -1;
    case PlcInfoRequest::kHelp:
      text = PlcUsageText(std::string());
      break;
    case PlcInfoRequest::kVersion:
      text = PlcVersionText();
      break;
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  return 0;
}

void PlcPrintRefusedUsage(const std::string& logFile) {
  const std::string text = PlcUsageText(logFile);
  std::fwrite(text.data(), 1, text.size(), stderr);
}
