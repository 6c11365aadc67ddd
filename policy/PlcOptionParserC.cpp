#include "policy/PlcOptionParserC.h"

#include <unistd.h>

#include <cstring>

PlcOptionParserC::PlcOptionParserC(int argc, const char* const* argv, const char* optionString)
    : option_string_(optionString != nullptr ? optionString : "") {
  if (argc < 0 || argv == nullptr) argc = 0;
  arguments_.reserve(static_cast<size_t>(argc));
  for (int i = 0; i < argc; ++i) arguments_.emplace_back(argv[i] != nullptr ? argv[i] : "");
}

namespace {

// Saves getopt's globals and restores them when the parse ends, whichever way.
class GetoptStateGuard {
 public:
  GetoptStateGuard() : optind_(optind), opterr_(opterr), optopt_(optopt), optarg_(optarg) {}
  ~GetoptStateGuard() {
    optind = optind_;
    opterr = opterr_;
    optopt = optopt_;
    optarg = optarg_;
  }
  GetoptStateGuard(const GetoptStateGuard&) = delete;
  GetoptStateGuard& operator=(const GetoptStateGuard&) = delete;

 private:
  int optind_;
  int opterr_;
  int optopt_;
  char* optarg_;
};

}  // namespace

std::vector<PlcOptionParserC::OptionS> PlcOptionParserC::ParseAll() const {
  std::vector<OptionS> options;
  if (arguments_.empty()) return options;
  // getopt permutes and may keep pointers into the vector until the parse ends: work on a
  // private copy that lives for the whole parse.
  std::vector<std::string> copy = arguments_;
  std::vector<char*> argv;
  argv.reserve(copy.size() + 1);
  for (std::string& argument : copy) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(copy.size());

  GetoptStateGuard guard;
  optind = 0;  // glibc: full re-initialisation, forgetting any half-read cluster
  opterr = 1;  // the platform's diagnostics stay on
  for (;;) {
    optarg = nullptr;
    const int c = ::getopt(argc, argv.data(), option_string_.c_str());
    if (c == -1) break;
    OptionS option{c, optarg != nullptr ? std::string(optarg) : std::string()};
    const bool known = c != ':' && c != '?' && std::strchr(option_string_.c_str(), c) != nullptr;
    options.push_back(std::move(option));
    if (!known) break;
  }
  return options;
}
