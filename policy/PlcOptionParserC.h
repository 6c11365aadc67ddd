// PlcOptionParserC: the policy client's option parser, with the platform getopt()'s rules
// for short options.
//
// It copies the argument vector and runs one whole parse in one call, reading options as
// glibc's getopt() does (including its reordering of operands and its diagnostics on standard
// error, "invalid option" and "option requires an argument"), but keeps every part of its
// position to itself: getopt's globals (optind, optarg, opterr, optopt) and the C library's
// hidden position inside an option cluster are never touched, so any other user of getopt()
// in the process, even one stopped in the middle of a cluster, is neither disturbed nor able
// to disturb this parse. Objects are independent; one object may be used by one thread at a
// time.
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
