// One message catalog file: turns a message number into its text and severity, falling back
// to a default text.
#ifndef QLM_LOG_ERRCATALOGC_H_
#define QLM_LOG_ERRCATALOGC_H_

#include <cstdint>
#include <string>

#include "base/StringC.h"
#include "cmn/cmn_CatalogFileC.h"
#include "cmn/cmn_MutexC.h"
#include "cmn/cmn_Result.h"
#include "log/MessageTextC.h"

class cmn_LocaleNamesI;

class ErrCatalogC {
 public:
  // Opens the catalog at `path`. A path holding "%L" is tried with the lower-cased name parts
  // of the process locale (see cmn_CatalogFileC::Open); an empty path gives a catalog without
  // a file. A missing, unreadable or foreign file is silent and leaves the catalog empty.
  explicit ErrCatalogC(const StringC& path);
  // The same with the locale name parts given by the caller.
  ErrCatalogC(const StringC& path, const cmn_LocaleNamesI& names);
  // Closes the file.
  virtual ~ErrCatalogC();
  ErrCatalogC(const ErrCatalogC&) = delete;
  ErrCatalogC& operator=(const ErrCatalogC&) = delete;

  // Sets *text and *severity (either may be null) for `number`: the catalog's text when the
  // file has one (numbers without the catalog flag are never looked up), else
  // `default_text` (null counts as empty), else the empty text with severity 4. The chosen
  // text is split by the message text syntax under `conditions` and its message decoded as
  // UTF-8, bad bytes becoming U+FFFD. Returns true when the text came from the file. Safe to
  // call from several threads at once; never blocks beyond the file reads.
  virtual bool GetMessage(StringC* text, int* severity, uint32_t number, const char* default_text,
                          ErrConditionsT conditions) const;

  // Stores `name`, which lookups do not use. Returns 0.
  [[nodiscard]] virtual RcT SetName(const StringC& name);

  // The raw stored text of `number` (before the text syntax), or false when absent.
  bool Lookup(uint32_t number, std::string* raw) const { return file_.Lookup(number, raw); }

  const StringC& Path() const noexcept { return path_; }
  // The file actually opened ("" when none).
  std::string_view OpenedPath() const noexcept { return file_.Path(); }
  StringC Name() const;
  bool IsOpen() const noexcept { return file_.IsOpen(); }
  uint32_t EntryCount() const noexcept { return file_.EntryCount(); }

  // Splits `raw` by the text syntax and decodes its message as UTF-8 with replacement.
  static void ParseText(std::string_view raw, ErrConditionsT conditions, StringC* text,
                        int* severity);

 private:
  StringC path_;
  mutable cmn_MutexC name_mutex_;
  StringC name_ QLM_GUARDED_BY(name_mutex_);
  cmn_CatalogFileC file_;
};

#endif  // QLM_LOG_ERRCATALOGC_H_
