// A text value: SZ, EXPAND_SZ (unexpanded text) or MULTI_SZ (a list of texts).
//
// Text forms: SZ and EXPAND_SZ are the text itself. A list is written as its items joined with
// ",", where "," and "\" inside an item are escaped with "\"; reading the text form, "\" takes
// the next character literally and an unescaped "," ends an item.
#ifndef QLM_REGISTRY_STRINGREGVALUEC_H_
#define QLM_REGISTRY_STRINGREGVALUEC_H_

#include <string>
#include <vector>

#include "registry/RegValueC.h"

class StringRegValueC : public RegValueC {
 public:
  // `type` is 1 (SZ), 2 (EXPAND_SZ) or 7 (MULTI_SZ); anything else is taken as SZ.
  explicit StringRegValueC(uint32_t type = 1, const StringC& text = StringC());

  RegStatusC WriteRegistry(cmn_RegHandleT key, const StringC& name) override;
  RegStatusC ReadRegistry(cmn_RegHandleT key, const StringC& name) override;
  RegStatusC GetText(std::string* text) const override;
  RegStatusC SetFromText(const char* text) override;

  // The text (for a list: its text form).
  virtual StringC Text() const;
  // The number of texts: 1 plus the NULs before the last two bytes of the stored list form;
  // 1 for a value that is not a list.
  virtual int64_t Count() const;

  // The list's items (one item for a single text).
  std::vector<std::string> Items() const;
  void SetItems(const std::vector<std::string>& items);

 protected:
  ~StringRegValueC() override;

 private:
  StringC text_;
  std::string raw_;  // MULTI_SZ stored form: items each ended by NUL, plus a final NUL
};

#endif  // QLM_REGISTRY_STRINGREGVALUEC_H_
