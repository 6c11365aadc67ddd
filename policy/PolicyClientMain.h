// The run of qlmpolicy, from the process's start to its exit code.
#ifndef QLM_POLICY_POLICYCLIENTMAIN_H_
#define QLM_POLICY_POLICYCLIENTMAIN_H_

#include "base/StringC.h"

// The program's command line as it was given (the arguments quoted so that it splits back to
// them), for the banner. Filled by PolicyClientMain before anything is logged; read only
// afterwards.
extern StringC g_CommandLine;

// Sets the framework up, loads the preferences from `argv`, writes the banner, applies the
// merged policy under the policy's single-instance lock and writes the closing lines. Returns
// the process exit code: 0 when the policy was applied (or only generated), 1 otherwise.
// Main thread only; once per process. Blocks while the installation agent runs.
int PolicyClientMain(int argc, char** argv);

#endif  // QLM_POLICY_POLICYCLIENTMAIN_H_
