#include "log/CatalogWriterC.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <system_error>

#include "cmn/cmn_Result.h"

namespace {

constexpr std::string_view kMagic = "openuict";

void SetError(std::string* error, std::string text) {
  if (error != nullptr) *error = std::move(text);
}

std::string Hex32(uint32_t number) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08X", number);
  return buffer;
}

// Strict UTF-8 (RFC 3629): no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text) noexcept {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t length;
    char32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (n - i < length) return false;
    for (size_t k = 1; k < length; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if ((length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000) || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

int HexDigit(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void PutBig16(std::string* out, uint32_t value) {
  out->push_back(static_cast<char>((value >> 8) & 0xFF));
  out->push_back(static_cast<char>(value & 0xFF));
}

void PutBig32(std::string* out, uint32_t value) {
  PutBig16(out, value >> 16);
  PutBig16(out, value & 0xFFFF);
}

// Parses "0x" and 1 to 8 hexadecimal digits making up the whole of `text`.
bool ParseNumber(std::string_view text, uint32_t* number) noexcept {
  if (text.size() < 3 || text.size() > 10 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
    return false;
  uint32_t value = 0;
  for (size_t i = 2; i < text.size(); ++i) {
    const int digit = HexDigit(text[i]);
    if (digit < 0) return false;
    value = (value << 4) | static_cast<uint32_t>(digit);
  }
  *number = value;
  return true;
}

bool IsBlankLine(std::string_view line) noexcept {
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

}  // namespace

bool CatalogWriterC::Unescape(std::string_view source, std::string* out, std::string* error) {
  out->clear();
  out->reserve(source.size());
  for (size_t i = 0; i < source.size(); ++i) {
    const char c = source[i];
    if (c != '\\') {
      out->push_back(c);
      continue;
    }
    if (i + 1 >= source.size()) {
      SetError(error, "a backslash ends the text (write \\\\ for a backslash)");
      return false;
    }
    const char kind = source[++i];
    switch (kind) {
      case '\\':
        out->push_back('\\');
        break;
      case 't':
        out->push_back('\t');
        break;
      case 'n':
        out->push_back('\n');
        break;
      case 'x': {
        const int high = i + 1 < source.size() ? HexDigit(source[i + 1]) : -1;
        const int low = i + 2 < source.size() ? HexDigit(source[i + 2]) : -1;
        if (high < 0 || low < 0) {
          SetError(error, "\\x needs two hexadecimal digits");
          return false;
        }
        const int value = high * 16 + low;
        if (value == 0 || value > 0x7F) {
          SetError(error, "\\x" + std::string(source.substr(i + 1, 2)) +
                              " is outside 01 to 7F (write other characters as UTF-8)");
          return false;
        }
        out->push_back(static_cast<char>(value));
        i += 2;
        break;
      }
      default:
        SetError(error, std::string("unknown escape \\") + kind);
        return false;
    }
  }
  return true;
}

bool CatalogWriterC::AddAt(uint32_t number, std::string_view text, size_t line,
                           std::string* error) {
  if ((number & 0xF0000000u) != 0xE0000000u) {
    SetError(error,
             "message " + Hex32(number) + " is not a catalogued number (0xE0000000 to 0xEFFFFFFF)");
    return false;
  }
  if (text.size() > kMaxTextBytes) {
    SetError(error, "the text of message " + Hex32(number) + " has " + std::to_string(text.size()) +
                        " bytes, more than " + std::to_string(kMaxTextBytes));
    return false;
  }
  if (text.find('\0') != std::string_view::npos) {
    SetError(error, "the text of message " + Hex32(number) + " holds a zero byte");
    return false;
  }
  if (!IsValidUtf8(text)) {
    SetError(error, "the text of message " + Hex32(number) + " is not valid UTF-8");
    return false;
  }
  auto [it, inserted] = messages_.try_emplace(number);
  if (!inserted) {
    std::string where = it->second.line != 0
                            ? " (first defined on line " + std::to_string(it->second.line) + ")"
                            : "";
    SetError(error, "duplicate message " + Hex32(number) + where);
    return false;
  }
  it->second.text.assign(text);
  it->second.line = line;
  return true;
}

bool CatalogWriterC::Add(uint32_t number, std::string_view text, std::string* error) {
  return AddAt(number, text, 0, error);
}

bool CatalogWriterC::AddSource(std::string_view source, std::string* error) {
  if (source.substr(0, 3) == "\xEF\xBB\xBF") source.remove_prefix(3);
  size_t line_number = 0;
  std::string text;
  std::string why;
  while (!source.empty()) {
    ++line_number;
    const size_t end = source.find('\n');
    std::string_view line = source.substr(0, end);
    source = end == std::string_view::npos ? std::string_view() : source.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (IsBlankLine(line) || line.front() == '#') continue;

    const auto fail = [&](const std::string& reason) {
      SetError(error, "line " + std::to_string(line_number) + ": " + reason);
      return false;
    };
    const size_t tab = line.find('\t');
    if (tab == std::string_view::npos) {
      return fail("expected a message number, a tab and the text");
    }
    uint32_t number = 0;
    if (!ParseNumber(line.substr(0, tab), &number)) {
      return fail("\"" + std::string(line.substr(0, tab)) +
                  "\" is not a message number (\"0x\" and up to 8 hexadecimal digits)");
    }
    if (!Unescape(line.substr(tab + 1), &text, &why)) return fail(why);
    if (!AddAt(number, text, line_number, &why)) return fail(why);
  }
  return true;
}

bool CatalogWriterC::Build(std::string* out, std::string* error) const {
  out->clear();
  uint64_t offset = kHeaderBytes + uint64_t{kEntryBytes} * messages_.size();
  uint64_t total = offset;
  for (const auto& [number, entry] : messages_) total += entry.text.size();
  if (total > std::numeric_limits<uint32_t>::max()) {
    SetError(error, "the catalog would exceed 4 GiB");
    return false;
  }
  out->reserve(static_cast<size_t>(total));
  out->append(kMagic);
  PutBig32(out, static_cast<uint32_t>(messages_.size()));
  for (const auto& [number, entry] : messages_) {
    PutBig16(out, MsgSet(number));
    PutBig16(out, static_cast<uint32_t>(entry.text.size()));
    PutBig32(out, MsgIndex(number));
    PutBig32(out, static_cast<uint32_t>(offset));
    offset += entry.text.size();
  }
  for (const auto& [number, entry] : messages_) out->append(entry.text);
  return true;
}

bool CatalogWriterC::WriteFile(const std::string& path, std::string* error) const {
  std::string bytes;
  if (!Build(&bytes, error)) return false;
  const std::string temporary = path + ".tmp";
  {
    std::ofstream stream(temporary, std::ios::binary | std::ios::trunc);
    if (stream) stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (stream) stream.close();
    if (!stream) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      SetError(error, "cannot write " + temporary);
      return false;
    }
  }
  std::error_code failure;
  std::filesystem::rename(temporary, path, failure);
  if (failure) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    SetError(error, "cannot rename " + temporary + " to " + path + ": " + failure.message());
    return false;
  }
  return true;
}
