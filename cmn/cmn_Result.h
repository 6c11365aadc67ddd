// Result codes shared by every layer.
//
// A result code is 32 bits: 0 is success, a set top bit is a failure. Operating-system errors
// are 0xE0000000 | (errno & 0xFFFF); catalogued failures use their message number (bits 31-30
// set, bit 29 = look up in catalog files, bits 27-16 set number, bits 15-0 message).
#ifndef QLM_CMN_CMN_RESULT_H_
#define QLM_CMN_CMN_RESULT_H_

#include <cstdint>

using RcT = uint32_t;

inline constexpr RcT RC_OK = 0;
inline constexpr RcT RC_FAIL = 0x80000001;         // general failure, no such object
inline constexpr RcT RC_UNEXPECTED = 0x80000002;   // unexpected state
inline constexpr RcT RC_NOINTERFACE = 0x80000003;  // interface not supported
inline constexpr RcT RC_INVALIDARG = 0x80000006;   // empty or null argument
inline constexpr RcT RC_NOTIMPL = 0x80000008;      // not supported
inline constexpr RcT RC_POINTER = 0x80000009;      // null output pointer
inline constexpr RcT RC_CANNOT_OPEN = 0x8000000A;  // cannot open
inline constexpr RcT RC_OS_BASE = 0xE0000000;      // | (errno & 0xFFFF)

[[nodiscard]] constexpr bool RcFailed(RcT rc) {
  return (rc & 0x80000000u) != 0;
}
[[nodiscard]] constexpr bool RcSucceeded(RcT rc) {
  return (rc & 0x80000000u) == 0;
}

// The common-services layer's errno mapping; other modules have their own function of the
// same shape so that each module decides which errno values deserve a catalogued code.
[[nodiscard]] constexpr RcT cmn_RcFromErrno(int err) {
  return RC_OS_BASE | (static_cast<uint32_t>(err) & 0xFFFFu);
}

// Message-number helpers.
[[nodiscard]] constexpr bool MsgHasCatalogFlag(uint32_t number) {
  return (number & 0x20000000u) != 0;
}
[[nodiscard]] constexpr uint32_t MsgSet(uint32_t number) {
  return (number >> 16) & 0xFFFu;
}
[[nodiscard]] constexpr uint32_t MsgIndex(uint32_t number) {
  return number & 0xFFFFu;
}

#endif  // QLM_CMN_CMN_RESULT_H_
