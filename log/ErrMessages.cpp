#include "log/ErrMessages.h"

#include <atomic>
#include <cstdarg>
#include <memory>
#include <mutex>
#include <string>

#include "cmn/cmn_ConfigurationI.h"
#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_LocaleI.h"
#include "cmn/cmn_RegistryI.h"
#include "cmn/cmn_Services.h"
#include "log/ErrCatSwitchC.h"
#include "log/Trace.h"
#include "log/TraceCategories.h"

namespace {

constexpr const char* kProductKey = "SOFTWARE\\Quillmarsh Corp\\Quillmarsh";
constexpr const char* kInstallDirValue = "InstallDir";
constexpr const char* kModuleCatalogName = "allcat.%L.cat";

std::once_flag g_switch_once;
ErrCatSwitchC* g_switch = nullptr;  // set once under g_switch_once, never destroyed

// Set once the module catalog was opened from the installation directory (or set by a
// caller): until then every lookup tries again, since the installation directory is known
// only once the configuration store is set up.
std::atomic<bool> g_module_settled{false};

void SettleModuleCatalog() {
  // A module catalog set or emptied by a caller stays.
  if (ErrCatSwitchC::ModuleCatalog()) {
    g_module_settled.store(true, std::memory_order_release);
    return;
  }
  const StringC directory = ModuleCatalogDirectory();
  // Never relative to the working directory: without an installation directory there is no
  // module catalog yet.
  if (directory.IsEmpty()) return;
  // An installed catalog is kept; this one is only the fallback.
  (void)ErrCatSwitchC::InstallModuleCatalogIfNone(
      std::make_shared<ErrCatalogC>(directory + StringC::FromUtf8(kModuleCatalogName)));
  g_module_settled.store(true, std::memory_order_release);
}

void MakeSwitch() {
  g_switch = new ErrCatSwitchC();
}

}  // namespace

ErrCatSwitchC& ErrCatalogSwitch() {
  // Several threads may make the first lookup at once: exactly one creates the switch; the
  // others wait for it.
  std::call_once(g_switch_once, MakeSwitch);
  if (!g_module_settled.load(std::memory_order_acquire)) SettleModuleCatalog();
  return *g_switch;
}

StringC ModuleCatalogDirectory() {
  cmn_ConfigurationI* configuration = getConfiguration(1);
  cmn_RegistryI* registry = configuration != nullptr ? configuration->Registry() : nullptr;
  if (registry == nullptr) return StringC();
  std::string directory;
  if (registry->ReadText(cmn_kHKLM, kProductKey, kInstallDirValue, &directory) != RC_OK ||
      directory.empty()) {
    return StringC();
  }
  directory += "/lib/";
  return StringC::FromUtf8(directory);
}

StringC ModuleCatalogPath() {
  return ModuleCatalogDirectory() + StringC::FromUtf8(kModuleCatalogName);
}

StringC ErrGetText(uint32_t number, const char* default_text, int* severity) {
  StringC text;
  ErrCatalogSwitch().GetMessage(&text, severity, number, default_text, ERR_NO_CONDITIONS);
  return text;
}

StringC ErrGetText(uint32_t number, const char* default_text, const ArgListC& args, int* severity) {
  const StringC text = ErrGetText(number, default_text, severity);
  if (text.IsEmpty()) return text;
  return StringC::Format(text, args);
}

StringC ErrGetTextV(uint32_t number, const char* default_text, int* severity, ...) {
  va_list varargs;
  va_start(varargs, severity);
  const ArgListC args = ArgListC::FromFormatV(default_text, varargs);
  va_end(varargs);
  return ErrGetText(number, default_text, args, severity);
}

RcT ErrReport(uint32_t number, const char* default_text) {
  return ErrReport(number, default_text, ArgListNull);
}

RcT ErrReport(uint32_t number, const char* default_text, const ArgListC& args) {
  int severity = ERR_SEV_ERROR;
  const StringC text = ErrGetText(number, default_text, &severity);
  if (severity == ERR_SEV_NONE) return number;
  if (cmn_ErrBufI* buffer = getErrBuf(2)) {
    const StringC formatted = text.IsEmpty() ? text : StringC::Format(text, args);
    buffer->Add(number, severity, formatted.Utf8View());
  }
  return number;
}

RcT ErrReportV(uint32_t number, const char* default_text, ...) {
  va_list varargs;
  va_start(varargs, default_text);
  const ArgListC args = ArgListC::FromFormatV(default_text, varargs);
  va_end(varargs);
  return ErrReport(number, default_text, args);
}

StringC ErrMessageText(uint32_t number) {
  return ErrGetText(number, "");
}

RcT ErrSetProcessCatalog(const char* name) {
  if (name == nullptr) return RC_INVALIDARG;
  TraceV(TrcErrAPICatOpen, "Setting process message catalog to %s", name);
  cmn_LocaleI* locale = getLocale("");
  cmn_CatalogSwitchI* catalogs = locale != nullptr ? locale->CatalogSwitch() : nullptr;
  if (catalogs == nullptr) return RC_FAIL;
  return catalogs->SetProcessCatalog(name);
}

RcT ErrEmptyModuleCatalog() {
  const std::shared_ptr<ErrCatalogC> previous =
      ErrCatSwitchC::ReplaceModuleCatalog(std::make_shared<ErrCatalogC>(StringC()));
  if (previous) Trace(TrcErrAPICatOpen, "Replaced previous catalog with empty one");
  // `previous` closes its file here, or when the last lookup still using it ends.
  return RC_OK;
}

RcT ErrSetModuleCatalog(const StringC& path) {
  auto catalog = std::make_shared<ErrCatalogC>(path);
  const bool opened = catalog->IsOpen();
  TraceV(TrcErrAPICatOpen, "Setting module message catalog to %S (%s)", &path,
         opened ? "opened" : "no catalog file");
  // The previous catalog is released here.
  (void)ErrCatSwitchC::ReplaceModuleCatalog(std::move(catalog));
  return opened ? RC_OK : RC_CANNOT_OPEN;
}
