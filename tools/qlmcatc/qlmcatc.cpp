// qlmcatc: compiles a message catalog source into an "openuict" catalog file.
//
//   qlmcatc <source.txt> <catalog.cat>
//
// Source syntax (UTF-8, one message per line):
//
//   # a comment
//   0xE1000075<TAB>\x01\x01i\x01Installing merged deployment policy '%1$s'
//   0xE1000076<TAB>{w} The policy server did not answer.
//
//   - the catalogued message number in hexadecimal ("0x" and up to 8 digits, 0xE0000000 to
//     0xEFFFFFFF), exactly one tab, then the text up to the end of the line;
//   - escapes in the text: \x01 (any \xHH from 01 to 7F), \t, \n and \\ ;
//   - lines starting with "#" are comments, blank lines are ignored, a carriage return before
//     the line end and a leading UTF-8 byte order mark are dropped;
//   - each number may appear once; a duplicate is an error.
//
// The texts keep the message text syntax ("{w} ...", 0x01 records) as written; the catalog
// stores them verbatim. The output is written whole or not at all. Exit status: 0 on success,
// 1 on a faulty source or a write failure (the reason goes to standard error), 2 on bad usage.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "log/CatalogWriterC.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: qlmcatc <source.txt> <catalog.cat>\n");
    return 2;
  }
  const std::string source_path = argv[1];
  const std::string output_path = argv[2];

  std::ifstream input(source_path, std::ios::binary);
  if (!input) {
    std::fprintf(stderr, "qlmcatc: cannot read %s\n", source_path.c_str());
    return 1;
  }
  const std::string source((std::istreambuf_iterator<char>(input)),
                           std::istreambuf_iterator<char>());
  if (input.bad()) {
    std::fprintf(stderr, "qlmcatc: cannot read %s\n", source_path.c_str());
    return 1;
  }

  CatalogWriterC writer;
  std::string error;
  if (!writer.AddSource(source, &error)) {
    std::fprintf(stderr, "qlmcatc: %s: %s\n", source_path.c_str(), error.c_str());
    return 1;
  }
  if (!writer.WriteFile(output_path, &error)) {
    std::fprintf(stderr, "qlmcatc: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
