// Prints the catalog source (qlmcatc syntax) of every message table to the file named by its
// one argument. Built and run by the build only; the tables are the one place a message's
// number and words are written.
//
// Each message becomes "0x<number><TAB><text>" with the text's bytes escaped the way qlmcatc
// reads them back: backslash, tab and line feed as \\, \t and \n, the other control bytes as
// \xHH, everything else (UTF-8 included) as it is. The catalog compiler sorts by number, so
// the order of the lines does not matter.
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

std::string Escape(const char* text) {
  std::string out;
  for (const char* p = text; *p != '\0'; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c < 0x20 || c == 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void Line(std::string* source, uint32_t number, const char* text) {
  char head[16];
  std::snprintf(head, sizeof head, "0x%08X\t", static_cast<unsigned>(number));
  *source += head;
  *source += Escape(text);
  *source += '\n';
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
    return 2;
  }
  std::string source = "# Generated from messages/*.def; edit those.\n";
#define QLM_MESSAGE(code, text_name, number, text) Line(&source, number, text);
#define QLM_MESSAGE_SEV(code, text_name, number, severity, text) \
  Line(&source, number, "\x01\x01" severity "\x01" text);
#define QLM_MESSAGE_CATALOG_SEV(code, text_name, number, severity, text) \
  Line(&source, number, "\x01\x01" severity "\x01" text);
#define QLM_MESSAGE_RECORD(name, number, severity, text) \
  Line(&source, number, "\x01\x01" severity "\x01" text);
#define QLM_DEFAULT_TEXT(text_name, number, text)
#include "messages_all_tables.inc"
  std::FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const bool written = std::fwrite(source.data(), 1, source.size(), out) == source.size();
  if (std::fclose(out) != 0 || !written) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
