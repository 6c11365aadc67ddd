// A message catalog file in the "openuict" format, read-only.
//
// Layout (integers big-endian): 8 bytes magic "openuict", 4 bytes entry count, then entries of
// 12 bytes: set number (2), text length (2), message number (4), file offset of the text (4).
// Entries are sorted by set then message number; texts are UTF-8 without terminator.
//
// Only absolute paths are opened (a relative candidate counts as missing), through the
// safe-open helper. The file stays open while the object lives. The index is read once when the
// file is opened; texts are read with pread(2), so concurrent lookups on one catalog are safe. A
// missing, unreadable or foreign file leaves the catalog empty.
#ifndef QLM_CMN_CMN_CATALOGFILEC_H_
#define QLM_CMN_CMN_CATALOGFILEC_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cmn/cmn_LocaleI.h"

class cmn_CatalogFileC final : public cmn_CatalogI {
 public:
  cmn_CatalogFileC() = default;
  ~cmn_CatalogFileC();
  cmn_CatalogFileC(const cmn_CatalogFileC&) = delete;
  cmn_CatalogFileC& operator=(const cmn_CatalogFileC&) = delete;

  // Opens `path`. A path holding "%L" is split into prefix and suffix around it and the
  // candidates are tried in order, the first that opens read-only winning: prefix+P0+"-"+P2+
  // suffix, prefix+P1+"-"+P2+suffix, prefix+P0+suffix, prefix+P1+suffix, then the bare name
  // (see the .cpp). P0..P2 are the lower-cased locale name parts of `names`. A path without
  // "%L" is opened unchanged unless empty. Returns true when a catalog with the right magic
  // was opened; any previous file is closed first.
  bool Open(std::string_view path, const cmn_LocaleNamesI& names);
  // Opens exactly `path` (no "%L" expansion).
  bool OpenExact(const std::string& path);
  void Close() noexcept;

  bool IsOpen() const noexcept { return fd_ >= 0; }
  uint32_t EntryCount() const noexcept { return count_; }

  // Bisection over the index. False when there is no file, `number` lacks the catalog flag
  // (bit 29), or a read fails or comes up short.
  bool Lookup(uint32_t number, std::string* text) const override;
  std::string_view Path() const noexcept override { return path_; }

  // The candidate file names for a path holding "%L", in the order they are tried.
  static void CandidatePaths(std::string_view path, const cmn_LocaleNamesI& names,
                             std::string out[5], int* count);

 private:
  // Reads the index into memory (entries that lie inside the file), so a lookup costs one read.
  void LoadIndex();

  int fd_ = -1;
  uint32_t count_ = 0;
  std::vector<unsigned char> index_;  // the entries present in the file, 12 bytes each
  uint64_t file_size_ = 0;
  std::string path_;
};

#endif  // QLM_CMN_CMN_CATALOGFILEC_H_
