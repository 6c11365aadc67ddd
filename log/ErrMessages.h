// Process-wide message operations: turning a message number into its text (module catalog,
// process catalog, then the default text compiled into the program), formatting it with an
// argument list, and reporting failures into the calling thread's error buffer.
//
// Default texts use the message text syntax (see MessageTextC.h): a plain text has severity
// "error"; "{w} text" or the record form "\x01\x01w\x01text" carry their own severity.
#ifndef QLM_LOG_ERRMESSAGES_H_
#define QLM_LOG_ERRMESSAGES_H_

#include <cstdint>

#include "base/ArgListC.h"
#include "base/StringC.h"
#include "cmn/cmn_Result.h"

class ErrCatSwitchC;

// Severities of a message (the letters of the text syntax in brackets).
enum ErrSeverityE : int {
  ERR_SEV_NONE = 0,     // '#': not recorded in the error buffer
  ERR_SEV_MESSAGE = 1,  // 'm'
  ERR_SEV_INFO = 2,     // 'i'
  ERR_SEV_WARNING = 3,  // 'w'
  ERR_SEV_ERROR = 4,    // 'e', the default
  ERR_SEV_FATAL = 5,    // 'f'
};

// The text of `number` (unformatted) and its severity (may be null).
StringC ErrGetText(uint32_t number, const char* default_text, int* severity = nullptr);
// The text of `number` formatted with `args`.
StringC ErrGetText(uint32_t number, const char* default_text, const ArgListC& args, int* severity);
// The text of `number` formatted with C variable arguments, typed by the conversions of
// `default_text` (see ArgListC::FromFormat).
StringC ErrGetTextV(uint32_t number, const char* default_text, int* severity, ...);

// Gets and formats the text; unless its severity is 0, adds (number, severity, text) to the
// calling thread's error buffer. Returns `number`, which the caller returns as its result.
[[nodiscard]] RcT ErrReport(uint32_t number, const char* default_text);
[[nodiscard]] RcT ErrReport(uint32_t number, const char* default_text, const ArgListC& args);
[[nodiscard]] RcT ErrReportV(uint32_t number, const char* default_text, ...);

// The words for a result code: its text with an empty default ("" when none is catalogued).
StringC ErrMessageText(uint32_t number);

// Sets the process catalog (see cmn_CatalogSwitchI::SetProcessCatalog). Traces the change under
// "0Error/Catalog/Open". A null name changes nothing and gives RC_INVALIDARG.
[[nodiscard]] RcT ErrSetProcessCatalog(const char* name);

// Replaces the module catalog by an empty one (no file). Returns 0.
[[nodiscard]] RcT ErrEmptyModuleCatalog();

// The process-wide catalog switch, made on first use (safe when several threads make the
// first call at once). The first call also opens the module catalog at ModuleCatalogPath()
// unless a module catalog was set or emptied before. Never null.
ErrCatSwitchC& ErrCatalogSwitch();

// The directory of the module catalog: the install directory of the product (registry value
// HKLM "SOFTWARE\\Quillmarsh Corp\\Quillmarsh" "InstallDir") followed by "/lib/", or "" when
// it is not known, e.g. while the process has no configuration store (there is then no
// module catalog, never one relative to the working directory; lookups try again until the
// directory is known).
StringC ModuleCatalogDirectory();
// ModuleCatalogDirectory() followed by "allcat.%L.cat".
StringC ModuleCatalogPath();

// Replaces the module catalog by the catalog file at `path` ("%L" is tried with the process
// locale's name parts). Returns 0 when a catalog file was opened, RC_CANNOT_OPEN otherwise;
// the module catalog is replaced either way (by an empty one on failure). Traces the change
// under "0Error/Catalog/Open".
[[nodiscard]] RcT ErrSetModuleCatalog(const StringC& path);

#endif  // QLM_LOG_ERRMESSAGES_H_
