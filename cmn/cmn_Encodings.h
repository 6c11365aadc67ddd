// Encoding names understood by string bodies and the factory. Compare with cmn_EncodingOf().
#ifndef QLM_CMN_CMN_ENCODINGS_H_
#define QLM_CMN_CMN_ENCODINGS_H_

inline constexpr const char* cmn_kEncAscii = "ascii";
inline constexpr const char* cmn_kEncSys8 = "system-8";
inline constexpr const char* cmn_kEncLatin1 = "iso-8859-1";
inline constexpr const char* cmn_kEncUtf8 = "utf8";
inline constexpr const char* cmn_kEncValidUtf8 = "vutf8";
inline constexpr const char* cmn_kEncWchar = "wchar_t";
inline constexpr const char* cmn_kEncUtf16 = "utf16";

enum class cmn_EncodingE { kAscii, kSys8, kLatin1, kUtf8, kValidUtf8, kWchar, kUtf16, kUnknown };

// Maps an encoding name (any spelling above, case-insensitive; null → kUnknown).
[[nodiscard]] cmn_EncodingE cmn_EncodingOf(const char* name) noexcept;

// What "system-8" means in this process: kUtf8 unless the C library's codeset
// (nl_langinfo(CODESET) after setlocale) names ISO 8859-1/-15, then kLatin1. Decided once.
[[nodiscard]] cmn_EncodingE cmn_SystemEncoding() noexcept;

#endif  // QLM_CMN_CMN_ENCODINGS_H_
