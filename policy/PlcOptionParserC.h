// PlcOptionParserC: the policy client's private wrapper of the platform's getopt().
//
// It copies the argument vector (getopt may permute it) and runs one whole parse in one call,
// with getopt's globals (optind, optarg, opterr, optopt) saved before and restored after, and
// optind set to 0 so that the C library starts from a clean state. Any other user of getopt()
// in the process is therefore neither disturbed nor able to disturb this parse. The platform's
// diagnostics ("invalid option") stay on. Not thread-safe: getopt() itself is not.
#ifndef QLM_POLICY_PLCOPTIONPARSERC_H_
#define QLM_POLICY_PLCOPTIONPARSERC_H_

#include <string>
#include <vector>

class PlcOptionParserC {
 public:
  // One result of getopt(): the option character (or '?' / ':' for a failure) and its argument
  // (empty when the option takes none).
  struct OptionS {
    int option;
    std::string argument;
  };

  // Takes copies of argv[0..argc-1] (null entries count as empty texts).
  PlcOptionParserC(int argc, const char* const* argv, const char* optionString);

  // Every option in command-line order, up to the end of the options; the parse stops after
  // the first result that is not a character of the option string (it is the last element).
  // May be called again and gives the same list.
  std::vector<OptionS> ParseAll() const;

 private:
  std::vector<std::string> arguments_;
  std::string option_string_;
};

#endif  // QLM_POLICY_PLCOPTIONPARSERC_H_
