// sec_KeyGeneratorC: the source of key material for the encryption algorithms.
//
// Generators are reference counted (RefCountC): whoever keeps one holds a reference, usually
// through sec_RefM. A generator may be asked any number of times; each call produces the
// material anew.
#ifndef QLM_SECURITY_SEC_KEYGENERATORC_H_
#define QLM_SECURITY_SEC_KEYGENERATORC_H_

#include <memory>

#include "base/RefCountC.h"
#include "security/sec_BlobC.h"

class sec_KeyGeneratorC : public RefCountC {
 public:
  // Produces the key material in a new buffer owned by the caller (which wipes it when it
  // frees it), or null on failure, which the generator has traced. Does not block beyond the
  // computation itself.
  virtual std::unique_ptr<sec_BlobC> Generate() = 0;

 protected:
  sec_KeyGeneratorC() noexcept = default;
  ~sec_KeyGeneratorC() override;
};

#endif  // QLM_SECURITY_SEC_KEYGENERATORC_H_
