// What qlmpolicy tells a person at the terminal: --help, --version, and the short usage after a
// refused command line. None of it goes to the log.
#ifndef QLM_POLICY_PLCUSAGE_H_
#define QLM_POLICY_PLCUSAGE_H_

#include <string>

// What the command line asks for before anything else runs.
enum class PlcInfoRequest { kNone, kHelp, kVersion };

// "--help" or "--version" among the options (up to "--" or the first operand; the argument of
// -a, -t, -s, -l and -o is never taken for one). The first one found decides.
[[nodiscard]] PlcInfoRequest PlcFindInfoRequest(int argc, const char* const* argv) noexcept;

// The usage: synopsis, the five options, where the log is (`logFile`, empty: not known),
// exit status and the manual page.
[[nodiscard]] std::string PlcUsageText(const std::string& logFile);

// "qlmpolicy (<Name>) <Version>\nBuild <Build Number>\n" from the product information.
[[nodiscard]] std::string PlcVersionText();

// Handles --help and --version: prints to standard output and gives 0; -1 when neither was
// asked for (the run goes on).
[[nodiscard]] int PlcHandleInfoRequest(int argc, const char* const* argv);

// The short usage after a refused command line, on standard error.
void PlcPrintRefusedUsage(const std::string& logFile);

#endif  // QLM_POLICY_PLCUSAGE_H_
