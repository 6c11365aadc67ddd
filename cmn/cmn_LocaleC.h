// The process locale behind getLocale(""): name parts, numeric conventions and the process
// message catalog switch.
#ifndef QLM_CMN_CMN_LOCALEC_H_
#define QLM_CMN_CMN_LOCALEC_H_

#include <memory>
#include <string>
#include <string_view>

#include "cmn/cmn_CatalogFileC.h"
#include "cmn/cmn_LocaleI.h"
#include "cmn/cmn_MutexC.h"

// The parts of a locale name "language[_territory][.codeset][@modifier]".
class cmn_LocaleNamesC final : public cmn_LocaleNamesI {
 public:
  // Parses `localeName`. "C", "POSIX", an empty name, a name without a language and a
  // path-like name (holding "/" or "\\", which must never reach catalog file names) give
  // "en_US" and "en". The codeset is the name's own when it has one, else `libcCodeset`.
  cmn_LocaleNamesC(std::string_view localeName, std::string_view libcCodeset);

  // The parts of the first non-empty of LC_ALL, LC_MESSAGES and LANG; the fallback codeset is
  // the C library's (nl_langinfo(CODESET)).
  static cmn_LocaleNamesC FromEnvironment();

  std::string_view LanguageTerritory() const noexcept override { return language_territory_; }
  std::string_view Language() const noexcept override { return language_; }
  std::string_view Codeset() const noexcept override { return codeset_; }

 private:
  std::string language_territory_;
  std::string language_;
  std::string codeset_;
};

class cmn_LocaleNumericC final : public cmn_LocaleNumericI {
 public:
  // Copies the decimal separator of the C library's current LC_NUMERIC (localeconv()).
  cmn_LocaleNumericC();
  std::string_view DecimalSeparator() const noexcept override { return decimal_separator_; }

 private:
  std::string decimal_separator_;
};

// Holds the process catalog. `names` must outlive the switch.
class cmn_CatalogSwitchC final : public cmn_CatalogSwitchI {
 public:
  explicit cmn_CatalogSwitchC(const cmn_LocaleNamesI& names) : names_(names) {}
  std::shared_ptr<const cmn_CatalogI> ProcessCatalog() const override;
  [[nodiscard]] uint32_t SetProcessCatalog(std::string_view name) override;

 private:
  const cmn_LocaleNamesI& names_;
  mutable cmn_MutexC mutex_;  // held only to copy or swap catalog_
  std::shared_ptr<const cmn_CatalogFileC> catalog_ QLM_GUARDED_BY(mutex_);
};

class cmn_LocaleC final : public cmn_LocaleI {
 public:
  explicit cmn_LocaleC(cmn_LocaleNamesC names);
  cmn_LocaleC(const cmn_LocaleC&) = delete;
  cmn_LocaleC& operator=(const cmn_LocaleC&) = delete;

  // The process locale, made from the environment on first use and never destroyed.
  static cmn_LocaleC& Process();

  const cmn_LocaleNamesI* Names() const noexcept override { return &names_; }
  const cmn_LocaleNumericI* Numeric() const noexcept override { return &numeric_; }
  cmn_CatalogSwitchI* CatalogSwitch() noexcept override { return &catalog_switch_; }

 private:
  cmn_LocaleNamesC names_;
  cmn_LocaleNumericC numeric_;
  cmn_CatalogSwitchC catalog_switch_;  // refers to names_, declared before it
};

#endif  // QLM_CMN_CMN_LOCALEC_H_
