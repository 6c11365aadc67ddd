// The process-wide message source: the module catalog, then the process catalog of the
// locale, then the default text.
//
// The process has one switch (see ErrCatalogSwitch() in ErrMessages.h) and one module catalog.
// The module catalog is held by a shared pointer that is copied and swapped under a short lock:
// a lookup keeps the catalog it started with alive until it is done, so replacing the module
// catalog while other threads look messages up never closes a file under them.
#ifndef QLM_LOG_ERRCATSWITCHC_H_
#define QLM_LOG_ERRCATSWITCHC_H_

#include <cstdint>
#include <memory>

#include "base/StringC.h"
#include "cmn/cmn_Result.h"
#include "log/ErrCatalogC.h"
#include "log/MessageTextC.h"

class ErrCatSwitchC {
 public:
  ErrCatSwitchC() noexcept = default;
  virtual ~ErrCatSwitchC();
  ErrCatSwitchC(const ErrCatSwitchC&) = delete;
  ErrCatSwitchC& operator=(const ErrCatSwitchC&) = delete;

  // Sets *text and *severity (either may be null): the first non-empty message of the module
  // catalog, the process catalog (getLocale("")) and `default_text` (null counts as empty),
  // with the severity of the text it came from; the empty text with severity 4 when none
  // has one. Catalogs are asked only for numbers with the catalog flag. A text from the
  // module catalog is traced under "Error/Catalog/Fetch", as is one from the process catalog.
  // Returns true when the text came from a catalog. Safe from any thread.
  virtual bool GetMessage(StringC* text, int* severity, uint32_t number, const char* default_text,
                          ErrConditionsT conditions) const;

  // Names the module catalog (the process catalog has no name of its own). Returns 0.
  [[nodiscard]] virtual RcT SetName(const StringC& name);

  // The current module catalog, or null when none was opened yet.
  static std::shared_ptr<ErrCatalogC> ModuleCatalog() noexcept;
  // Makes `catalog` the module catalog and hands back the previous one (its file closes when
  // the last lookup that still uses it ends).
  static std::shared_ptr<ErrCatalogC> ReplaceModuleCatalog(std::shared_ptr<ErrCatalogC> catalog);
  // Makes `catalog` the module catalog only when there is none; false when one was present.
  static bool InstallModuleCatalogIfNone(std::shared_ptr<ErrCatalogC> catalog);
};

#endif  // QLM_LOG_ERRCATSWITCHC_H_
