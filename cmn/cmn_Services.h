// The six entry points of the common-services layer. Each returns a process-wide object that
// lives until the process ends; callers fetch it anew at each use and never release it. Any
// thread may call any entry point.
#ifndef QLM_CMN_CMN_SERVICES_H_
#define QLM_CMN_CMN_SERVICES_H_

#include <string_view>

class cmn_TracerI;
class cmn_ConfigurationI;
class cmn_ErrBufI;
class cmn_StringFactoryI;
class cmn_OpenSSLI;
class cmn_LocaleI;

// `version` is the interface version the caller was written against; the versions served are
// the ones named below, any other gives null.
cmn_TracerI* getTracer(int version = 2);                   // version 2
cmn_ConfigurationI* getConfiguration(int version = 1);     // version 1
cmn_ErrBufI* getErrBuf(int version = 2);                   // version 2; the calling thread's
cmn_StringFactoryI* getStringFactory(bool create = true);  // null only when !create and unused
cmn_OpenSSLI* getOpenSSL(int version = 2);                 // version 2
// The locale named `name`; the empty name (every caller's) is the process locale.
cmn_LocaleI* getLocale(std::string_view name = {});

#endif  // QLM_CMN_CMN_SERVICES_H_
