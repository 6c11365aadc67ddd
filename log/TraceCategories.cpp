#include "log/TraceCategories.h"

// Constant-initialised, so the records are usable from other static objects' constructors.
constinit cmn_TraceCategoryS TrcRegValSet{nullptr, "Configuring/Registry/Set"};
constinit cmn_TraceCategoryS TrcRegValGet{nullptr, "Configuring/Registry/Get"};
constinit cmn_TraceCategoryS TrcRegKeyDeleteVal{nullptr, "Configuring/Registry/Delete"};
constinit cmn_TraceCategoryS TrcRegKey{nullptr, "Configuring/Registry/Keys"};
constinit cmn_TraceCategoryS TrcRegKeyDeleteKey{nullptr, "Configuring/Registry/Keys/Delete"};
constinit cmn_TraceCategoryS TrcRegKeyCreateSubKey{nullptr,
                                                   "Configuring/Registry/Keys/CreateSubKey"};
constinit cmn_TraceCategoryS TrcRegKeyOpen{nullptr, "Configuring/Registry/Keys/Open"};
constinit cmn_TraceCategoryS TrcOpenSSL{nullptr, "Encoding/Encryption/OpenSSL"};
constinit cmn_TraceCategoryS TrcEncryptionPassword{nullptr, "Encoding/Encryption/Password"};
constinit cmn_TraceCategoryS TrcEncryptionKey{nullptr, "Encoding/Encryption/Key"};
constinit cmn_TraceCategoryS TrcEncryptionAlgorithm{nullptr, "Encoding/Encryption/Algorithm"};
constinit cmn_TraceCategoryS TrcNetlib{nullptr, "Communication/Network/Library"};
constinit cmn_TraceCategoryS TrcNetlibDetailStream{nullptr,
                                                   "Communication/Network/Library/Detail/Stream"};
constinit cmn_TraceCategoryS TrcNetlibDetailStreamRegistry{
    nullptr, "Communication/Network/Library/Detail/Stream/Registry"};
constinit cmn_TraceCategoryS TrcNetlibDetailSocket{nullptr,
                                                   "Communication/Network/Library/Detail/Socket"};
constinit cmn_TraceCategoryS TrcNetlibDetailInetAddress{
    nullptr, "Communication/Network/Library/Detail/InetAddress"};
constinit cmn_TraceCategoryS TrcNetlibBasicWriteData{
    nullptr, "Communication/Network/Library/Basic/WriteData"};
constinit cmn_TraceCategoryS TrcNetlibBasicReadData{nullptr,
                                                    "Communication/Network/Library/Basic/ReadData"};
constinit cmn_TraceCategoryS TrcNetlibBasicHosts{nullptr,
                                                 "Communication/Network/Library/Basic/Hosts"};
constinit cmn_TraceCategoryS TrcNetlibBasicError{nullptr,
                                                 "Communication/Network/Library/Basic/Error"};
constinit cmn_TraceCategoryS TrcNetlibBasicGetSockOpt{
    nullptr, "Communication/Network/Library/Basic/GetSockOpt"};
constinit cmn_TraceCategoryS TrcNetlibBasicClose{nullptr,
                                                 "Communication/Network/Library/Basic/Close"};
constinit cmn_TraceCategoryS TrcNetlibBasicWrite{nullptr,
                                                 "Communication/Network/Library/Basic/Write"};
constinit cmn_TraceCategoryS TrcNetlibBasicRead{nullptr,
                                                "Communication/Network/Library/Basic/Read"};
constinit cmn_TraceCategoryS TrcNetlibBasicSelect{nullptr,
                                                  "Communication/Network/Library/Basic/Select"};
constinit cmn_TraceCategoryS TrcNetlibBasicSocket{nullptr,
                                                  "Communication/Network/Library/Basic/Socket"};
constinit cmn_TraceCategoryS TrcErrAPICatFetch{nullptr, "Error/Catalog/Fetch"};
constinit cmn_TraceCategoryS TrcErrAPICatOpen{nullptr, "0Error/Catalog/Open"};
constinit cmn_TraceCategoryS TrcProcess{nullptr, "Communication/Process"};
constinit cmn_TraceCategoryS TrcCondition{nullptr, "Communication/Condition"};
constinit cmn_TraceCategoryS TrcThread{nullptr, "Communication/Thread"};

const char* const g_TraceCategoryNames[] = {
    "Policy/Client",
    "2Policy/Client/RPL",
    "2Policy/Client/Loaded",
    "2Policy/Client/ACL",
    "Configuring",
    "Configuring/Registry",
    "Configuring/Registry/Set",
    "Configuring/Registry/Get",
    "Configuring/Registry/Delete",
    "Configuring/Registry/Keys",
    "Configuring/Registry/Keys/Delete",
    "Configuring/Registry/Keys/Close",
    "Configuring/Registry/Keys/Enumerate",
    "Configuring/Registry/Keys/CreateSubKey",
    "Configuring/Registry/Keys/Open",
    "Encoding",
    "Encoding/Encryption",
    "Encoding/Encryption/OpenSSL",
    "Encoding/Encryption/CryptoAPI",
    "Encoding/Encryption/Password",
    "Encoding/Encryption/Key",
    "Encoding/Encryption/Algorithm",
    "Communication",
    "Communication/Network",
    "Communication/Network/Library",
    "Communication/Network/Library/Detail",
    "Communication/Network/Library/Detail/WinInet",
    "Communication/Network/Library/Detail/URL",
    "Communication/Network/Library/Detail/URL/Proxy",
    "Communication/Network/Library/Detail/URL/Put",
    "Communication/Network/Library/Detail/URL/Get",
    "Communication/Network/Library/Detail/Stream",
    "Communication/Network/Library/Detail/Stream/Registry",
    "Communication/Network/Library/Detail/SSL",
    "Communication/Network/Library/Detail/SSL/Stream",
    "Communication/Network/Library/Detail/SSL/Stream/Data",
    "Communication/Network/Library/Detail/SSL/SChannel",
    "Communication/Network/Library/Detail/SSL/Certificate",
    "Communication/Network/Library/Detail/SSL/Certificate/OCSP",
    "Communication/Network/Library/Detail/SSL/Certificate/CRL",
    "Communication/Network/Library/Detail/Socket",
    "Communication/Network/Library/Detail/Serial",
    "Communication/Network/Library/Detail/Pipe",
    "Communication/Network/Library/Detail/PersistentConnections",
    "Communication/Network/Library/Detail/NetDir",
    "Communication/Network/Library/Detail/InetAddress",
    "Communication/Network/Library/Detail/HTTP",
    "Communication/Network/Library/Detail/HTTP/Put",
    "Communication/Network/Library/Detail/HTTP/Get",
    "Communication/Network/Library/Detail/Gzip",
    "Communication/Network/Library/Detail/FTP",
    "Communication/Network/Library/Detail/FTP/Data",
    "Communication/Network/Library/Detail/File",
    "Communication/Network/Library/Detail/BufferedStream",
    "Communication/Network/Library/Basic",
    "Communication/Network/Library/Basic/WriteData",
    "Communication/Network/Library/Basic/ReadData",
    "Communication/Network/Library/Basic/PersistentConnections",
    "Communication/Network/Library/Basic/Hosts",
    "Communication/Network/Library/Basic/Error",
    "Communication/Network/Library/Basic/GetSockOpt",
    "Communication/Network/Library/Basic/SetSockOpt",
    "Communication/Network/Library/Basic/Close",
    "Communication/Network/Library/Basic/Write",
    "Communication/Network/Library/Basic/Read",
    "Communication/Network/Library/Basic/Select",
    "Communication/Network/Library/Basic/Connect",
    "Communication/Network/Library/Basic/Socket",
    "Error/Catalog",
    "Error/Catalog/Fetch",
    "0Error/Catalog/Open",
    "Communication/Process",
    "Communication/Process/List",
    "Communication/Stream",
    "Communication/Pipe",
    "Communication/Lock",
    "Communication/SystemEvent",
    "Communication/Semaphore",
    "Communication/Condition",
    "Communication/Thread",
};

const size_t g_TraceCategoryCount = sizeof g_TraceCategoryNames / sizeof g_TraceCategoryNames[0];
