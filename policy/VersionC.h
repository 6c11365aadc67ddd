// The product information of the qlmpolicy executable and its accessor.
//
// ExeProductInformation is fixed data of the executable: 15 entries of 82 bytes, each a
// 17-byte key field (the entry's name followed directly by four tag bytes that make the key
// unique in the executable file, NUL-filled) and a 65-byte value field (a NUL-terminated text
// of at most 64 characters). Tools that read the executable's version find an entry by
// searching the file for its key field.
#ifndef QLM_POLICY_VERSIONC_H_
#define QLM_POLICY_VERSIONC_H_

#include <cstddef>

struct ProductInfoEntryS {
  char key[17];
  char value[65];
};
static_assert(sizeof(ProductInfoEntryS) == 82, "one product information entry is 82 bytes");

inline constexpr size_t kProductInfoEntries = 15;
extern const ProductInfoEntryS ExeProductInformation[kProductInfoEntries];

class VersionC {
 public:
  // Indices of the table.
  static constexpr size_t c_BuildNumber = 0;
  static constexpr size_t c_CompanyName = 1;
  static constexpr size_t c_LegalNotice = 2;
  static constexpr size_t c_Filename = 3;
  static constexpr size_t c_Name = 4;
  static constexpr size_t c_Platform = 5;
  static constexpr size_t c_Version = 6;
  // Size of every buffer Get() returns.
  static constexpr size_t c_BufferSize = 131;

  // A new copy of the value of entry `index` in a buffer of c_BufferSize bytes (an empty text
  // for an index of 15 or more). The caller owns it and frees it with Free(). Null only when
  // memory runs out.
  static char* Get(size_t index) noexcept;
  static void Free(char* text) noexcept;
};

#endif  // QLM_POLICY_VERSIONC_H_
