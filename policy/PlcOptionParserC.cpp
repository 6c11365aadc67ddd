#include "policy/PlcOptionParserC.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

PlcOptionParserC::PlcOptionParserC(int argc, const char* const* argv, const char* optionString)
    : option_string_(optionString != nullptr ? optionString : "") {
  if (argc < 0 || argv == nullptr) argc = 0;
  arguments_.reserve(static_cast<size_t>(argc));
  for (int i = 0; i < argc; ++i) arguments_.emplace_back(argv[i] != nullptr ? argv[i] : "");
}

namespace {

// How non-option arguments are treated, as glibc's getopt() treats them.
enum class OrderE {
  kPermute,        // skipped; options after them are still read (the default)
  kRequireOrder,   // the end of the options ("+" first, or POSIXLY_CORRECT set)
  kReturnInOrder,  // given as option 1 with the argument ("-" first)
};

}  // namespace

// The scan follows glibc's getopt() for short options (clusters, attached and detached
// arguments, "::" optional arguments, "--", "-" as an operand, the three orders, ":" first
// for quiet failures, and its diagnostics) but keeps its position in local variables: the C
// library's getopt() keeps the position inside a cluster in a private static that no caller
// can save or restore, so a parse through it would disturb an outer parse that stopped inside
// a cluster (and leave that static pointing into this parse's freed copy).
std::vector<PlcOptionParserC::OptionS> PlcOptionParserC::ParseAll() const {
  std::vector<OptionS> options;
  if (arguments_.empty()) return options;
  const char* spec = option_string_.c_str();
  OrderE order =
      std::getenv("POSIXLY_CORRECT") != nullptr ? OrderE::kRequireOrder : OrderE::kPermute;
  if (*spec == '-') {
    order = OrderE::kReturnInOrder;
    ++spec;
  } else if (*spec == '+') {
    order = OrderE::kRequireOrder;
    ++spec;
  }
  const bool quiet = *spec == ':';
  const char* program = arguments_[0].c_str();

  for (size_t index = 1; index < arguments_.size(); ++index) {
    const std::string& argument = arguments_[index];
    if (argument == "--") break;
    if (argument.size() < 2 || argument[0] != '-') {
      if (order == OrderE::kRequireOrder) break;
      if (order == OrderE::kReturnInOrder) {
        options.push_back({1, argument});  // not a character of the option string: the end
        return options;
      }
      continue;
    }
    for (size_t at = 1; at < argument.size(); ++at) {
      const char c = argument[at];
      const char* found = c != ':' && c != '\0' ? std::strchr(spec, c) : nullptr;
      if (found == nullptr) {
        if (!quiet) std::fprintf(stderr, "%s: invalid option -- '%c'\n", program, c);
        options.push_back({'?', std::string()});
        return options;
      }
      if (found[1] != ':') {
        options.push_back({c, std::string()});
        continue;
      }
      const bool optional = found[2] == ':';
      if (at + 1 < argument.size()) {
        options.push_back({c, argument.substr(at + 1)});
      } else if (optional) {
        options.push_back({c, std::string()});
      } else if (index + 1 < arguments_.size()) {
        options.push_back({c, arguments_[++index]});
      } else {
        if (!quiet) {
          std::fprintf(stderr, "%s: option requires an argument -- '%c'\n", program, c);
        }
        options.push_back({quiet ? ':' : '?', std::string()});
        return options;
      }
      break;  // the rest of the cluster was the argument
    }
  }
  return options;
}
