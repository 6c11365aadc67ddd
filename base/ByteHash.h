// The byte hashes of the containers (and of HashText).
#ifndef QLM_BASE_BYTEHASH_H_
#define QLM_BASE_BYTEHASH_H_

#include <cstddef>
#include <cstdint>

// Over `n` bytes: words from groups of four bytes, first byte most significant (a last group of
// 1..3 bytes forms a word from those bytes alone); for each word w,
// h = rotl(((h ^ w) * 1103515245) + 12345, 6) ^ w, from h = 0, all 32-bit.
[[nodiscard]] uint32_t HashBytes(const void* data, size_t n) noexcept;
// The same over a zero-terminated C string, words formed first byte least significant,
// stopping at the terminator. A null string hashes as "".
[[nodiscard]] uint32_t HashCString(const char* text) noexcept;

#endif  // QLM_BASE_BYTEHASH_H_
