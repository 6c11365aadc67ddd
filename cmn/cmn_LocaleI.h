// The process locale (getLocale("")): its name parts, numeric conventions and the process
// message catalog switch.
#ifndef QLM_CMN_CMN_LOCALEI_H_
#define QLM_CMN_CMN_LOCALEI_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Parts of the locale name, taken from LC_ALL, LC_MESSAGES or LANG (first non-empty), e.g.
// "de_CH.UTF-8@euro": LanguageTerritory "de_CH", Language "de", Codeset "UTF-8". "C" and
// "POSIX" (or nothing set) give "en_US", "en" and the C library's codeset.
class cmn_LocaleNamesI {
 public:
  virtual std::string_view LanguageTerritory() const noexcept = 0;  // P0
  virtual std::string_view Language() const noexcept = 0;           // P1
  virtual std::string_view Codeset() const noexcept = 0;            // P2

 protected:
  ~cmn_LocaleNamesI() = default;
};

class cmn_LocaleNumericI {
 public:
  // The decimal separator of LC_NUMERIC as set in this process ("." in the C locale).
  virtual std::string_view DecimalSeparator() const noexcept = 0;

 protected:
  ~cmn_LocaleNumericI() = default;
};

// A message catalog as seen through the locale: raw lookups in an "openuict" file. The text
// returned is the catalog's stored text, before the severity syntax is applied.
class cmn_CatalogI {
 public:
  // Looks `number` up. True and *text set when found; false when the number lacks the
  // catalog flag, the catalog has no file, or any read fails.
  virtual bool Lookup(uint32_t number, std::string* text) const = 0;
  // The path the catalog was opened from ("" when none opened).
  virtual std::string_view Path() const noexcept = 0;

 protected:
  ~cmn_CatalogI() = default;
};

class cmn_CatalogSwitchI {
 public:
  // The process catalog, shared with the caller (it stays open while the caller holds it,
  // even when another thread replaces it), or null when none is set.
  virtual std::shared_ptr<const cmn_CatalogI> ProcessCatalog() const = 0;
  // Sets the process catalog to the file `name`, which may hold "%L" (tried with the locale
  // name parts). Returns 0 when a catalog file was opened, RC_CANNOT_OPEN otherwise (the
  // process catalog is then cleared). Safe against lookups on other threads: the catalog
  // they hold is released when their last reference goes.
  [[nodiscard]] virtual uint32_t SetProcessCatalog(std::string_view name) = 0;

 protected:
  ~cmn_CatalogSwitchI() = default;
};

class cmn_LocaleI {
 public:
  virtual const cmn_LocaleNamesI* Names() const noexcept = 0;
  virtual const cmn_LocaleNumericI* Numeric() const noexcept = 0;
  virtual cmn_CatalogSwitchI* CatalogSwitch() noexcept = 0;

 protected:
  ~cmn_LocaleI() = default;
};

#endif  // QLM_CMN_CMN_LOCALEI_H_
