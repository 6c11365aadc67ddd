#include "cmn/cmn_LocaleC.h"

#include <langinfo.h>
#include <locale.h>
#include <stdlib.h>

#include "cmn/cmn_Result.h"
#include "cmn/cmn_Services.h"

cmn_LocaleI* getLocale(std::string_view name) {
  // Only the process locale is served; no caller asks for another.
  if (!name.empty()) return nullptr;
  return &cmn_LocaleC::Process();
}

cmn_LocaleNamesC::cmn_LocaleNamesC(std::string_view localeName, std::string_view libcCodeset) {
  std::string_view name = localeName.substr(0, localeName.find('@'));
  size_t dot = name.find('.');
  std::string_view codeset =
      dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  std::string_view languageTerritory = name.substr(0, dot);
  std::string_view language = languageTerritory.substr(0, languageTerritory.find('_'));

  const bool pathLike = localeName.find_first_of("/\\") != std::string_view::npos;
  if (pathLike || language.empty() || languageTerritory == "C" || languageTerritory == "POSIX") {
    languageTerritory = "en_US";
    language = "en";
    if (pathLike) codeset = {};
  }
  language_territory_.assign(languageTerritory);
  language_.assign(language);
  codeset_.assign(codeset.empty() ? libcCodeset : codeset);
}

cmn_LocaleNamesC cmn_LocaleNamesC::FromEnvironment() {
  std::string_view chosen;
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = ::getenv(variable);
    if (value != nullptr && *value != '\0') {
      chosen = value;
      break;
    }
  }
  const char* libcCodeset = ::nl_langinfo(CODESET);
  return cmn_LocaleNamesC(chosen, libcCodeset ? libcCodeset : "");
}

cmn_LocaleNumericC::cmn_LocaleNumericC() {
  const struct lconv* conventions = ::localeconv();
  if (conventions != nullptr && conventions->decimal_point != nullptr) {
    decimal_separator_ = conventions->decimal_point;
  }
  if (decimal_separator_.empty()) decimal_separator_ = ".";
}

std::shared_ptr<const cmn_CatalogI> cmn_CatalogSwitchC::ProcessCatalog() const {
  cmn_MutexLockC hold(mutex_);
  return catalog_;
}

uint32_t cmn_CatalogSwitchC::SetProcessCatalog(std::string_view name) {
  // The new catalog is opened outside the lock; lookups still holding the previous one keep
  // it open until they are done.
  auto opened = std::make_shared<cmn_CatalogFileC>();
  std::shared_ptr<const cmn_CatalogFileC> next;
  if (opened->Open(name, names_)) next = std::move(opened);
  cmn_MutexLockC hold(mutex_);
  catalog_.swap(next);
  return catalog_ ? RC_OK : RC_CANNOT_OPEN;
}

cmn_LocaleC::cmn_LocaleC(cmn_LocaleNamesC names)
    : names_(std::move(names)), catalog_switch_(names_) {}

cmn_LocaleC& cmn_LocaleC::Process() {
  static cmn_LocaleC* const instance = new cmn_LocaleC(cmn_LocaleNamesC::FromEnvironment());
  return *instance;
}
