// Names read from the file system, from arbitrary bytes: os_NameFromSystemBytes must give text
// that os_SystemPath turns back into exactly the same bytes (through FileNameC, for inputs that
// are one component), and well-formed UTF-8 must come through as itself.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/StringC.h"
#include "os/FileNameC.h"
#include "os/File_posix.h"

namespace {

constexpr size_t kMaxName = 4096;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxName) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const StringC text = os_NameFromSystemBytes(bytes);
  // One component: no separator, no end-of-path byte, not empty.
  if (size == 0 || bytes.find('/') != std::string_view::npos ||
      bytes.find('\0') != std::string_view::npos) {
    return 0;
  }
  std::string path;
  Check(os_SystemPath(FileNameC(text), &path) == 0);
  Check(path == bytes);
  // Well-formed UTF-8 is plain text, unchanged.
  bool well_formed = true;
  for (int64_t i = 0; i < text.Length(); ++i) {
    const char32_t c = text.CharAt(i);
    if (c >= 0xDC80 && c <= 0xDCFF) well_formed = false;
  }
  if (well_formed) Check(text.Utf8View() == bytes);
  return 0;
}
