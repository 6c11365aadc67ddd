// Builds message catalog files in the "openuict" format from a UTF-8 source text.
//
// Source syntax, one message per line:
//
//   0xE1000075<TAB>Installing merged deployment policy '%1$s'
//
//   - the message number in hexadecimal with "0x", then exactly one tab, then the text up to
//     the end of the line; the number must be a catalogued one (top bits 111, bit 28 clear:
//     0xE0000000 to 0xEFFFFFFF), each number at most once;
//   - escapes in the text: \x01 (any \xHH from 01 to 7F), \t, \n, \\ ; a text may not hold a
//     zero byte and must be valid UTF-8 of at most 65535 bytes after the escapes are applied;
//   - lines that start with "#" are comments; empty lines (or lines of blanks) are ignored; a
//     carriage return before the line end and a UTF-8 byte order mark at the start are
//     dropped.
//
// File layout (integers big-endian): "openuict", the entry count (4), the entries of 12 bytes
// each sorted by set then message: set (2), text length (2), message within the set (4), offset of
// the text (4); then the texts, without terminators, in index order.
#ifndef QLM_LOG_CATALOGWRITERC_H_
#define QLM_LOG_CATALOGWRITERC_H_

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

class CatalogWriterC {
 public:
  static constexpr size_t kMaxTextBytes = 0xFFFF;
  static constexpr size_t kHeaderBytes = 12;
  static constexpr size_t kEntryBytes = 12;

  // Adds one message. False (and *error set when not null) when the number is not a
  // catalogued one, is already present, or the text is too long, holds a zero byte or is not
  // valid UTF-8; the writer is then unchanged.
  bool Add(uint32_t number, std::string_view text, std::string* error = nullptr);

  // Adds every message of a source text. Stops at the first faulty line: false with *error
  // naming the line ("line 7: ..."); the messages of earlier lines stay added.
  bool AddSource(std::string_view source, std::string* error = nullptr);

  size_t Count() const noexcept { return messages_.size(); }
  // Calls `visit` for each message in index order, with its text as stored.
  void ForEach(const std::function<void(uint32_t number, std::string_view text)>& visit) const {
    for (const auto& [number, entry] : messages_) visit(number, entry.text);
  }
  void Clear() noexcept { messages_.clear(); }

  // The complete catalog file. False when it would not fit the format's 32-bit offsets.
  bool Build(std::string* out, std::string* error = nullptr) const;

  // Builds the catalog and writes it to `path` through a temporary file in the same directory
  // that is renamed over `path`, so a reader never sees a half-written catalog. On failure the
  // temporary file is removed and `path` is untouched.
  bool WriteFile(const std::string& path, std::string* error = nullptr) const;

  // Decodes the escapes of one source text. False with *error on a bad or unknown escape.
  static bool Unescape(std::string_view source, std::string* out, std::string* error);

 private:
  struct EntryS {
    std::string text;
    size_t line = 0;  // source line, 0 when added directly
  };
  bool AddAt(uint32_t number, std::string_view text, size_t line, std::string* error);

  // Keyed by message number. Every number has the same top four bits (0xE), so this order is
  // the order of the index: by set, then by message.
  std::map<uint32_t, EntryS> messages_;
};

#endif  // QLM_LOG_CATALOGWRITERC_H_
