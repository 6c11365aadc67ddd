// Fuzzes the catalog reader: the input becomes a catalog file on disk, which is opened and
// searched for numbers taken from the input and from its own index.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "cmn/cmn_CatalogFileC.h"
#include "cmn/cmn_LocaleC.h"

namespace {

// One scratch file per fuzzing process, rewritten for every input. It is unlinked at once
// (libFuzzer may end without running exit handlers) and opened through /proc/self/fd. It lives
// in $TMPDIR (a memory file system keeps the runs fast), else in /tmp.
struct ScratchS {
  std::string path;
  int fd = -1;
};

const ScratchS& Scratch() {
  static const ScratchS scratch = [] {
    const char* dir = ::getenv("TMPDIR");
    std::string name = std::string(dir && *dir ? dir : "/tmp") + "/qlm_catalog_fuzz_XXXXXX";
    ScratchS s;
    s.fd = ::mkstemp(name.data());
    if (s.fd < 0) ::abort();
    ::unlink(name.c_str());
    s.path = "/proc/self/fd/" + std::to_string(s.fd);
    return s;
  }();
  return scratch;
}

void WriteScratch(const uint8_t* data, size_t size) {
  const ScratchS& s = Scratch();
  if (::ftruncate(s.fd, 0) != 0) ::abort();
  if (size > 0 && ::pwrite(s.fd, data, size, 0) != static_cast<ssize_t>(size)) ::abort();
}

uint32_t Be(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v = (v << 8) | p[i];
  return v;
}

void Check(const cmn_CatalogFileC& catalog, uint32_t number, size_t fileSize) {
  std::string text;
  if (catalog.Lookup(number, &text)) {
    // A text is at most 65535 bytes and always lies inside the file.
    if (text.size() > 0xFFFF || text.size() > fileSize) ::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WriteScratch(data, size);
  cmn_CatalogFileC catalog;
  if (!catalog.OpenExact(Scratch().path)) return 0;

  // Numbers named by the index itself (set and message of the first entries), so the match
  // path and the text reads are reached.
  for (size_t at = 12; at + 12 <= size && at < 12 + 12 * 64; at += 12) {
    uint32_t set = Be(data + at, 2) & 0xFFF;
    uint32_t message = Be(data + at + 4, 4) & 0xFFFF;
    Check(catalog, 0xE0000000u | (set << 16) | message, size);
  }
  // Numbers read from the input as they are, with and without the catalog flag.
  for (size_t at = 0; at + 4 <= size && at < 4 * 64; at += 4) {
    uint32_t number = Be(data + at, 4);
    Check(catalog, number, size);
    Check(catalog, number | 0x20000000u, size);
  }

  // The candidate names of a "%L" path made from the start of the input.
  static const cmn_LocaleNamesC names("de_CH.UTF-8", "ANSI_X3.4-1968");
  std::string pattern(reinterpret_cast<const char*>(data), size < 64 ? size : 64);
  pattern.insert(pattern.size() / 2, "%L");
  std::string out[5];
  int count = 0;
  cmn_CatalogFileC::CandidatePaths(pattern, names, out, &count);
  if (count != 5) ::abort();
  return 0;
}
