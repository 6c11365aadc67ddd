#include "log/ErrCatSwitchC.h"

#include <string>
#include <utility>

#include "cmn/cmn_LocaleI.h"
#include "cmn/cmn_MutexC.h"
#include "cmn/cmn_Services.h"
#include "log/Trace.h"
#include "log/TraceCategories.h"

namespace {

// The module catalog. The lock is held only to copy or swap the shared pointer, never during
// file reads, so lookups on different threads do not wait for each other's I/O. (The
// library's std::atomic<std::shared_ptr> of GCC 12 releases its internal lock with relaxed
// order after a load, which is formally a data race with a later store.)
struct ModuleCatalogSlotS {
  cmn_MutexC mutex;
  std::shared_ptr<ErrCatalogC> catalog QLM_GUARDED_BY(mutex);
};

// Never destroyed: lookups from threads still running at exit must not meet a dead slot.
ModuleCatalogSlotS& ModuleCatalogSlot() {
  static auto* const slot = new ModuleCatalogSlotS();
  return *slot;
}

// Shared with the switch: a catalog replaced meanwhile stays open until this lookup is done.
std::shared_ptr<const cmn_CatalogI> ProcessCatalog() {
  cmn_LocaleI* locale = getLocale("");
  cmn_CatalogSwitchI* catalogs = locale != nullptr ? locale->CatalogSwitch() : nullptr;
  return catalogs != nullptr ? catalogs->ProcessCatalog() : nullptr;
}

void TraceFetch(const char* format, uint32_t number, const StringC& text) {
  // Building the argument list costs allocations, so the category is tested first.
  if (!IsTraceEnabled(TrcErrAPICatFetch)) return;
  TraceV(TrcErrAPICatFetch, format, static_cast<int>(MsgSet(number)),
         static_cast<int>(MsgIndex(number)), &text);
}

}  // namespace

ErrCatSwitchC::~ErrCatSwitchC() = default;

std::shared_ptr<ErrCatalogC> ErrCatSwitchC::ModuleCatalog() noexcept {
  ModuleCatalogSlotS& slot = ModuleCatalogSlot();
  cmn_MutexLockC lock(slot.mutex);
  return slot.catalog;
}

std::shared_ptr<ErrCatalogC> ErrCatSwitchC::ReplaceModuleCatalog(
    std::shared_ptr<ErrCatalogC> catalog) {
  ModuleCatalogSlotS& slot = ModuleCatalogSlot();
  cmn_MutexLockC lock(slot.mutex);
  slot.catalog.swap(catalog);
  return catalog;  // the previous one
}

bool ErrCatSwitchC::InstallModuleCatalogIfNone(std::shared_ptr<ErrCatalogC> catalog) {
  ModuleCatalogSlotS& slot = ModuleCatalogSlot();
  cmn_MutexLockC lock(slot.mutex);
  if (slot.catalog) return false;
  slot.catalog = std::move(catalog);
  return true;
}

bool ErrCatSwitchC::GetMessage(StringC* text, int* severity, uint32_t number,
                               const char* default_text, ErrConditionsT conditions) const {
  if (MsgHasCatalogFlag(number)) {
    StringC found;
    int found_severity = MessageTextC::kDefaultSeverity;
    if (const std::shared_ptr<ErrCatalogC> module = ModuleCatalog()) {
      module->GetMessage(&found, &found_severity, number, "", conditions);
      if (!found.IsEmpty()) {
        TraceFetch("Message s%dm%d from module catalog: %S", number, found);
        if (text != nullptr) *text = std::move(found);
        if (severity != nullptr) *severity = found_severity;
        return true;
      }
    }
    std::string raw;
    if (const std::shared_ptr<const cmn_CatalogI> process = ProcessCatalog();
        process != nullptr && process->Lookup(number, &raw)) {
      ErrCatalogC::ParseText(raw, conditions, &found, &found_severity);
      if (!found.IsEmpty()) {
        TraceFetch("Message s%dm%d from process catalog: %S", number, found);
        if (text != nullptr) *text = std::move(found);
        if (severity != nullptr) *severity = found_severity;
        return true;
      }
    }
  }
  ErrCatalogC::ParseText(
      default_text != nullptr ? std::string_view(default_text) : std::string_view(), conditions,
      text, severity);
  return false;
}

RcT ErrCatSwitchC::SetName(const StringC& name) {
  // A catalog that cannot be opened leaves the default texts in use.
  if (const std::shared_ptr<ErrCatalogC> module = ModuleCatalog()) (void)module->SetName(name);
  return RC_OK;
}
