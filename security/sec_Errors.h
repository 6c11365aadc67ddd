// The failures of the security layer: their message numbers and default texts, and the one
// function that turns a failed OpenSSL call into this layer's result code.
#ifndef QLM_SECURITY_SEC_ERRORS_H_
#define QLM_SECURITY_SEC_ERRORS_H_

#include "cmn/cmn_Result.h"

// A tag's algorithm cannot run here; argument: the two characters after "!".
inline constexpr RcT SEC_E_NOT_AVAILABLE = 0xE1B00001;
inline constexpr const char* SEC_T_NOT_AVAILABLE =
    "Encryption algorithm %s is not available on this system";
// An unrecognised tag; argument: the two characters after "!".
inline constexpr RcT SEC_E_NOT_RECOGNIZED = 0xE1B00002;
inline constexpr const char* SEC_T_NOT_RECOGNIZED = "Encryption algorithm %s is not recognized";
// No encryption algorithm could be set up.
inline constexpr RcT SEC_E_NO_ALGORITHM = 0xE1B00003;
inline constexpr const char* SEC_T_NO_ALGORITHM =
    "No encryption algorithm is available on this system";
// A crypto library call failed; argument: the name of the call.
inline constexpr RcT SEC_E_CRYPTO_CALL = 0xE1B00004;
inline constexpr const char* SEC_T_CRYPTO_CALL = "Crypto library function %s failed";
// One queued OpenSSL error: code, library, function, reason.
inline constexpr RcT SEC_E_OPENSSL = 0xE1B00006;
inline constexpr const char* SEC_T_OPENSSL = "OpenSSL error %1$lx: \"%4$s\" in %2$s function %3$s";
inline constexpr RcT SEC_E_ENCRYPT = 0xE1B00007;
inline constexpr const char* SEC_T_ENCRYPT = "Encryption operation failed";
inline constexpr RcT SEC_E_DECRYPT = 0xE1B00008;
inline constexpr const char* SEC_T_DECRYPT = "Decryption operation failed";
// A tag naming an algorithm that is refused as insecure; argument: its name.
inline constexpr RcT SEC_E_INSECURE = 0xE1B00009;
inline constexpr const char* SEC_T_INSECURE = "Encryption algorithm %s is not secure";
// A stored form that decrypts to bytes that are not UTF-8 (a wrong key or a foreign string).
inline constexpr RcT SEC_E_NOT_UTF8 = 0xE1B0000A;
inline constexpr const char* SEC_T_NOT_UTF8 = "The decrypted password is not valid UTF-8";

// Reports the failure of the OpenSSL call `function` (e.g. "EVP_EncryptFinal"): drains
// OpenSSL's error queue of the calling thread, tracing and reporting each queued error as
// SEC_E_OPENSSL (OpenSSL's error strings are loaded once per process before the first), then
// traces "<function> failed" and reports SEC_E_CRYPTO_CALL. Returns SEC_E_CRYPTO_CALL. This
// is the layer's only mapping from library errors to result codes; the layer makes no system
// calls of its own, so it has no errno mapping.
[[nodiscard]] RcT sec_ReportOpenSSLFailure(const char* function) noexcept;

// The most recent code in the calling thread's error buffer, or RC_FAIL when it is empty.
[[nodiscard]] RcT sec_LastErrorCode() noexcept;

#endif  // QLM_SECURITY_SEC_ERRORS_H_
