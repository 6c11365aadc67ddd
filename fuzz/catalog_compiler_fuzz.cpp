// Compiles arbitrary source text with CatalogWriterC. When the source is accepted, the catalog
// is written to a real file, which must open with the right entry count, and every message
// must be found with exactly its text. A refused source must name the faulty line.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "cmn/cmn_CatalogFileC.h"
#include "log/CatalogWriterC.h"

namespace {

const std::string& CatalogPath() {
  static const std::string path = [] {
    char pattern[] = "/tmp/qlm_catalog_fuzz_XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    if (dir == nullptr) __builtin_trap();
    return std::string(dir) + "/fuzz.cat";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view source(reinterpret_cast<const char*>(data), size);
  CatalogWriterC writer;
  std::string error;
  if (!writer.AddSource(source, &error)) {
    if (error.rfind("line ", 0) != 0) __builtin_trap();
    return 0;
  }
  if (!writer.WriteFile(CatalogPath(), &error)) __builtin_trap();

  cmn_CatalogFileC file;
  if (!file.OpenExact(CatalogPath())) __builtin_trap();
  if (file.EntryCount() != writer.Count()) __builtin_trap();
  std::set<uint32_t> numbers;
  writer.ForEach([&file, &numbers](uint32_t number, std::string_view text) {
    std::string found;
    if (!file.Lookup(number, &found) || found != text) __builtin_trap();
    numbers.insert(number);
  });
  // A neighbouring catalogued number is found only when the source defined it too.
  for (uint32_t number : numbers) {
    const uint32_t next = number + 1;
    std::string found;
    if ((next & 0xF0000000u) == 0xE0000000u && numbers.count(next) == 0 &&
        file.Lookup(next, &found)) {
      __builtin_trap();
    }
  }
  return 0;
}
