#include "cmn/cmn_CatalogFileC.h"

#include <algorithm>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>

#include "cmn/cmn_ErrMarkC.h"
#include "cmn/cmn_File_posix.h"
#include "cmn/cmn_Result.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_Services.h"

namespace {

constexpr char kMagic[8] = {'o', 'p', 'e', 'n', 'u', 'i', 'c', 't'};
constexpr uint64_t kHeaderSize = 12;
constexpr uint64_t kEntrySize = 12;

uint32_t Be16(const unsigned char* p) {
  return (uint32_t{p[0]} << 8) | p[1];
}
uint32_t Be32(const unsigned char* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// Locale name parts go into file names in lower case (ASCII only: they are locale names).
std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

// True when `fd` starts with the 12-byte header; `*count` then holds the entry count.
bool ReadHeader(int fd, uint32_t* count) {
  unsigned char header[kHeaderSize];
  if (cmn_PreadAll(fd, header, sizeof header, 0) != static_cast<long long>(sizeof header) ||
      std::memcmp(header, kMagic, sizeof kMagic) != 0) {
    return false;
  }
  *count = Be32(header + 8);
  return true;
}

enum class CandidateE { kMissing, kForeign, kCatalog };

// Opens one candidate file. kCatalog: *fd, *size and *count are set. kForeign: the file opened
// but its header is short or wrong (it is closed again). kMissing: it did not open as a
// regular file.
CandidateE OpenCandidate(const std::string& path, int* fd, uint64_t* size, uint32_t* count) {
  // Catalog texts end up in the log and in messages: a path relative to the working
  // directory would let whoever owns that directory write them, so only absolute paths are
  // opened, and only through the safe-open helper (no symbolic link at the end, a regular
  // file, no path another user could change). A refusal is not left in the error buffer (the
  // lookup goes on with the next candidate, or the default texts), but it is said on standard
  // error with its reason: a catalog nobody can use is something an administrator must see.
  if (path.empty() || path.front() != '/') return CandidateE::kMissing;
  cmn_ErrMarkC mark;
  cmn_UniqueFdC safe;
  const RcT rc = cmn_SafeOpen(path, O_RDONLY, 0, &safe);
  const std::string why = mark.TakeLastText();
  if (rc == cmn_kPathRefused && !why.empty()) {
    std::string line = program_invocation_short_name;
    line += ": ";
    line += why;
    line += "; the message catalog is not used\n";
    // Best effort: standard error is the last place to say it.
    (void)cmn_WriteAll(2, line.data(), line.size());
  }
  if (rc != RC_OK) return CandidateE::kMissing;
  struct stat st {};
  if (::fstat(safe.Get(), &st) != 0) return CandidateE::kMissing;
  const uint64_t fileSize = static_cast<uint64_t>(st.st_size);
  int opened = safe.Release();
  uint32_t entries = 0;
  if (!ReadHeader(opened, &entries)) {
    cmn_Close(opened);
    return CandidateE::kForeign;
  }
  *fd = opened;
  *size = fileSize;
  *count = entries;
  return CandidateE::kCatalog;
}

}  // namespace

cmn_CatalogFileC::~cmn_CatalogFileC() {
  Close();
}

void cmn_CatalogFileC::Close() noexcept {
  cmn_Close(fd_);
  fd_ = -1;
  count_ = 0;
  file_size_ = 0;
  index_.clear();
  path_.clear();
}

void cmn_CatalogFileC::CandidatePaths(std::string_view path, const cmn_LocaleNamesI& names,
                                      std::string out[5], int* count) {
  *count = 0;
  size_t at = path.find("%L");
  if (at == std::string_view::npos) {
    if (!path.empty()) out[(*count)++].assign(path);
    return;
  }
  std::string prefix(path.substr(0, at));
  std::string_view suffix = path.substr(at + 2);
  const std::string p0 = Lower(names.LanguageTerritory());
  const std::string p1 = Lower(names.Language());
  const std::string p2 = Lower(names.Codeset());

  out[(*count)++] = prefix + p0 + "-" + p2 + std::string(suffix);
  out[(*count)++] = prefix + p1 + "-" + p2 + std::string(suffix);
  out[(*count)++] = prefix + p0 + std::string(suffix);
  out[(*count)++] = prefix + p1 + std::string(suffix);

  // The bare name: "dir/allcat.%L.cat" falls back to "dir/allcat.cat", "%L/x" to "./x".
  if (prefix.size() > 1 && prefix.back() == '.') prefix.pop_back();
  if (prefix.size() > 1 && IsSeparator(prefix.back()) && !suffix.empty() &&
      suffix.front() == prefix.back()) {
    prefix.pop_back();
  }
  if (prefix.empty() && !suffix.empty() && IsSeparator(suffix.front())) prefix = ".";
  out[(*count)++] = prefix + std::string(suffix);
}

bool cmn_CatalogFileC::Open(std::string_view path, const cmn_LocaleNamesI& names) {
  Close();
  std::string candidates[5];
  int count = 0;
  CandidatePaths(path, names, candidates, &count);
  for (int i = 0; i < count; ++i) {
    // The first candidate that opens is the catalog; a foreign file there leaves it empty
    // rather than falling through to a less specific one.
    CandidateE result = OpenCandidate(candidates[i], &fd_, &file_size_, &count_);
    if (result == CandidateE::kMissing) continue;
    if (result == CandidateE::kCatalog) {
      path_ = std::move(candidates[i]);
      LoadIndex();
    }
    return result == CandidateE::kCatalog;
  }
  return false;
}

bool cmn_CatalogFileC::OpenExact(const std::string& path) {
  Close();
  if (path.empty()) return false;
  if (OpenCandidate(path, &fd_, &file_size_, &count_) != CandidateE::kCatalog) return false;
  path_ = path;
  LoadIndex();
  return true;
}

void cmn_CatalogFileC::LoadIndex() {
  index_.clear();
  const uint64_t room = file_size_ > kHeaderSize ? (file_size_ - kHeaderSize) / kEntrySize : 0;
  const uint64_t present = std::min<uint64_t>(count_, room);
  if (present == 0) return;
  index_.resize(present * kEntrySize);
  if (cmn_PreadAll(fd_, index_.data(), index_.size(), kHeaderSize) !=
      static_cast<long long>(index_.size())) {
    index_.clear();  // lookups then find nothing, as with any failed read
  }
}

bool cmn_CatalogFileC::Lookup(uint32_t number, std::string* text) const {
  if (fd_ < 0 || !MsgHasCatalogFlag(number)) return false;
  const uint32_t wantSet = MsgSet(number);
  const uint32_t wantMessage = MsgIndex(number);

  // Bisection over [low, high]; the range shrinks on every step, so an unsorted index ends
  // the search (possibly without a match) instead of looping.
  int64_t low = 0;
  int64_t high = static_cast<int64_t>(count_) - 1;
  while (low <= high) {
    const int64_t mid = low + (high - low) / 2;
    // Entries beyond the file (an entry count larger than the file holds) are never found.
    if (static_cast<uint64_t>(mid + 1) * kEntrySize > index_.size()) return false;
    const unsigned char* entry = index_.data() + static_cast<size_t>(mid) * kEntrySize;
    const uint32_t set = Be16(entry);
    const uint32_t message = Be32(entry + 4);
    if (set < wantSet || (set == wantSet && message < wantMessage)) {
      low = mid + 1;
    } else if (set > wantSet || message > wantMessage) {
      high = mid - 1;
    } else {
      const uint32_t length = Be16(entry + 2);
      const uint64_t offset = Be32(entry + 8);
      // Texts must lie inside the file as it was when opened.
      if (offset + length > file_size_) return false;
      std::string found(length, '\0');
      if (length > 0 &&
          cmn_PreadAll(fd_, found.data(), length, offset) != static_cast<long long>(length)) {
        return false;
      }
      if (text != nullptr) *text = std::move(found);
      return true;
    }
  }
  return false;
}
