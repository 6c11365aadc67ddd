#include "policy/VersionC.h"

#include <cstdlib>
#include <cstring>

// The tag bytes after each name keep the key fields unique in the executable's bytes, so a
// search for a key finds this table and not a stray copy of the name.
// `used` keeps the table in the binary even when nothing else references it.
[[gnu::used]] const ProductInfoEntryS ExeProductInformation[kProductInfoEntries] = {
    {"Build Number\x11\x5a\x7e\x03", "15826"},
    {"Company Name\x11\x5a\x7e\x04", "Quillmarsh Corp"},
    {"LegalNotice\x11\x5a\x7e\x05", "Copyright (C) Quillmarsh Corp. All rights reserved."},
    {"Filename\x11\x5a\x7e\x06", "qlmpolicy"},
    {"Name\x11\x5a\x7e\x07", "Quillmarsh deployment policy client"},
    {"Platform\x11\x5a\x7e\x08", "Linux"},
    {"Version\x11\x5a\x7e\x09", "13.0"},
    {},
    {},
    {},
    {},
    {},
    {},
    {},
    {},
};

char* VersionC::Get(size_t index) noexcept {
  char* buffer = static_cast<char*>(std::calloc(c_BufferSize, 1));
  if (buffer == nullptr || index >= kProductInfoEntries) return buffer;
  const char* value = ExeProductInformation[index].value;
  std::memcpy(buffer, value, strnlen(value, sizeof(ExeProductInformation[index].value) - 1));
  return buffer;
}

void VersionC::Free(char* text) noexcept {
  std::free(text);
}
