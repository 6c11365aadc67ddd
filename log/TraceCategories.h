// The trace categories: one record per category, handed to Trace() and IsTraceEnabled().
//
// Names form a tree written with "/", most general first. A leading decimal digit belongs to
// the name as the tracer sees it (a detail level). Each record starts with a null flag pointer
// that the tracer fills in on first use; after that, testing the category costs one load.
#ifndef QLM_LOG_TRACECATEGORIES_H_
#define QLM_LOG_TRACECATEGORIES_H_

#include <cstddef>

#include "cmn/cmn_TracerI.h"

extern cmn_TraceCategoryS TrcRegValSet;            // "Configuring/Registry/Set"
extern cmn_TraceCategoryS TrcRegValGet;            // "Configuring/Registry/Get"
extern cmn_TraceCategoryS TrcRegKeyDeleteVal;      // "Configuring/Registry/Delete"
extern cmn_TraceCategoryS TrcRegKey;               // "Configuring/Registry/Keys"
extern cmn_TraceCategoryS TrcRegKeyDeleteKey;      // "Configuring/Registry/Keys/Delete"
extern cmn_TraceCategoryS TrcRegKeyCreateSubKey;   // "Configuring/Registry/Keys/CreateSubKey"
extern cmn_TraceCategoryS TrcRegKeyOpen;           // "Configuring/Registry/Keys/Open"
extern cmn_TraceCategoryS TrcOpenSSL;              // "Encoding/Encryption/OpenSSL"
extern cmn_TraceCategoryS TrcEncryptionPassword;   // "Encoding/Encryption/Password"
extern cmn_TraceCategoryS TrcEncryptionKey;        // "Encoding/Encryption/Key"
extern cmn_TraceCategoryS TrcEncryptionAlgorithm;  // "Encoding/Encryption/Algorithm"
extern cmn_TraceCategoryS TrcNetlib;               // "Communication/Network/Library"
extern cmn_TraceCategoryS TrcNetlibDetailStream;   // "Communication/Network/Library/Detail/Stream"
extern cmn_TraceCategoryS
    TrcNetlibDetailStreamRegistry;  // "Communication/Network/Library/Detail/Stream/Registry"
extern cmn_TraceCategoryS TrcNetlibDetailSocket;  // "Communication/Network/Library/Detail/Socket"
extern cmn_TraceCategoryS
    TrcNetlibDetailInetAddress;  // "Communication/Network/Library/Detail/InetAddress"
extern cmn_TraceCategoryS
    TrcNetlibBasicWriteData;  // "Communication/Network/Library/Basic/WriteData"
extern cmn_TraceCategoryS TrcNetlibBasicReadData;  // "Communication/Network/Library/Basic/ReadData"
extern cmn_TraceCategoryS TrcNetlibBasicHosts;     // "Communication/Network/Library/Basic/Hosts"
extern cmn_TraceCategoryS TrcNetlibBasicError;     // "Communication/Network/Library/Basic/Error"
extern cmn_TraceCategoryS
    TrcNetlibBasicGetSockOpt;                    // "Communication/Network/Library/Basic/GetSockOpt"
extern cmn_TraceCategoryS TrcNetlibBasicClose;   // "Communication/Network/Library/Basic/Close"
extern cmn_TraceCategoryS TrcNetlibBasicWrite;   // "Communication/Network/Library/Basic/Write"
extern cmn_TraceCategoryS TrcNetlibBasicRead;    // "Communication/Network/Library/Basic/Read"
extern cmn_TraceCategoryS TrcNetlibBasicSelect;  // "Communication/Network/Library/Basic/Select"
extern cmn_TraceCategoryS TrcNetlibBasicSocket;  // "Communication/Network/Library/Basic/Socket"
extern cmn_TraceCategoryS TrcErrAPICatFetch;     // "Error/Catalog/Fetch"
extern cmn_TraceCategoryS TrcErrAPICatOpen;      // "0Error/Catalog/Open"
extern cmn_TraceCategoryS TrcProcess;            // "Communication/Process"
extern cmn_TraceCategoryS TrcCondition;          // "Communication/Condition"
extern cmn_TraceCategoryS TrcThread;             // "Communication/Thread"

// Every category name of the tree, including those without a record of their own (code that
// traces under them passes the name to the tracer directly).
extern const char* const g_TraceCategoryNames[];
extern const size_t g_TraceCategoryCount;

#endif  // QLM_LOG_TRACECATEGORIES_H_
