// A 16-byte component identifier: a 32-bit number, two 16-bit numbers and 8 bytes, stored in
// host byte order, with its text forms.
#ifndef QLM_REGISTRY_GUIDC_H_
#define QLM_REGISTRY_GUIDC_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "cmn/cmn_Result.h"

struct GuidC {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  uint8_t data4[8] = {};

  bool operator==(const GuidC&) const = default;
  bool IsNull() const noexcept { return *this == GuidC{}; }

  // Parses "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx", optionally inside "{" "}" when the text
  // begins with "{". Every field must be read; otherwise the identifier becomes all zero and
  // the result is RC_INVALIDARG.
  [[nodiscard]] RcT Parse(std::string_view text) noexcept;
  // "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x"
  std::string ToLower() const;
  // "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}"
  std::string ToUpperBraces() const;
  // "0x%08X%04X%04X%02X%02X%02X%02X%02X%02X%02X%02X"
  std::string ToConstant() const;
  // The 16 bytes in storage order: "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X..."
  std::string ToRawBytes() const;
};

inline constexpr GuidC GUID_NULL{};
inline constexpr GuidC IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GuidC IID_IClassFactory{
    0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GuidC IID_ComRegistry{
    0xFA199261, 0x85EB, 0x11D3, {0x9C, 0x01, 0x00, 0x40, 0x05, 0xE1, 0x2D, 0x13}};
inline constexpr GuidC IID_ComNameRegistry{
    0x81707A51, 0x8504, 0x11D3, {0x9C, 0x00, 0x00, 0x40, 0x05, 0xE1, 0x2D, 0x13}};
inline constexpr GuidC IID_LogManager{
    0x5A1DF1F1, 0x97D0, 0x11D3, {0x9C, 0x09, 0x00, 0x40, 0x05, 0xE1, 0x2D, 0x13}};
inline constexpr GuidC IID_ZelRKLoggerI{
    0xA76EA971, 0x97F9, 0x11D3, {0x9C, 0x0A, 0x00, 0x40, 0x05, 0xE1, 0x2D, 0x13}};
inline constexpr GuidC IID_ZelRegValue{
    0x9C6BC631, 0xEFF3, 0x11D3, {0x9A, 0x00, 0x00, 0x40, 0x05, 0xE1, 0x2D, 0x13}};
inline constexpr GuidC IID_ZelLKIServerLocation{
    0xE3D523A8, 0x9BA1, 0x4DC8, {0xB4, 0x5F, 0xE3, 0xCB, 0x19, 0x74, 0xDA, 0x5E}};
inline constexpr GuidC IID_ZelAttributeCollectionI{
    0xB6B615A1, 0x9245, 0x11D3, {0x9C, 0x08, 0x00, 0x40, 0x05, 0xE1, 0x2D, 0x13}};
inline constexpr GuidC IID_InternalContext{
    0x30652766, 0x14BB, 0x4334, {0x93, 0x73, 0xB6, 0x48, 0xDC, 0x23, 0x6C, 0x92}};

#endif  // QLM_REGISTRY_GUIDC_H_
