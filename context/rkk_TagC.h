// rkk_TagC: a name and a value, each an owned NUL-terminated copy. The value may be null (no
// value); the name never is (null is stored as "").
#ifndef QLM_CONTEXT_RKK_TAGC_H_
#define QLM_CONTEXT_RKK_TAGC_H_

#include <memory>

class rkk_TagC {
 public:
  rkk_TagC(const char* name, const char* value);
  rkk_TagC(const rkk_TagC&) = delete;
  rkk_TagC& operator=(const rkk_TagC&) = delete;
  virtual ~rkk_TagC();

  // Each replaces the stored copy with a copy of `text`.
  virtual void SetName(const char* text);
  virtual void SetValue(const char* text);
  // Never null.
  virtual const char* GetName() const noexcept;
  // Null when there is no value.
  virtual const char* GetValue() const noexcept;

 private:
  std::unique_ptr<char[]> name_;
  std::unique_ptr<char[]> value_;
};

#endif  // QLM_CONTEXT_RKK_TAGC_H_
