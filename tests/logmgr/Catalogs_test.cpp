// The catalogs the build compiles from the message tables hold exactly the tables' messages,
// with the texts byte for byte (the catalog source's escapes undone by qlmcatc).
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "cmn/cmn_CatalogFileC.h"

#if defined(QLM_BUILT_RKLOG_CAT) && defined(QLM_BUILT_ALLCAT_EN) && defined(QLM_BUILT_ALLCAT)

namespace {

struct TableLineS {
  uint32_t number;
  std::string catalog_text;  // what the catalog must hold
};

std::string Record(const char* severity, const char* text) {
  return std::string("\x01\x01") + severity + "\x01" + text;
}

// Every line of every table, and the further default texts.
void ReadTables(std::vector<TableLineS>* lines, std::vector<uint32_t>* further_defaults) {
#define QLM_MESSAGE(code, text_name, number, text) lines->push_back({number, text});
#define QLM_MESSAGE_SEV(code, text_name, number, severity, text) \
  lines->push_back({number, Record(severity, text)});
#define QLM_MESSAGE_CATALOG_SEV(code, text_name, number, severity, text) \
  lines->push_back({number, Record(severity, text)});
#define QLM_MESSAGE_RECORD(name, number, severity, text) \
  lines->push_back({number, Record(severity, text)});
#define QLM_DEFAULT_TEXT(text_name, number, text) further_defaults->push_back(number);
#include "messages_all_tables.inc"
#undef QLM_MESSAGE
#undef QLM_MESSAGE_SEV
#undef QLM_MESSAGE_CATALOG_SEV
#undef QLM_MESSAGE_RECORD
#undef QLM_DEFAULT_TEXT
}

TEST(MessageCatalogs, HoldEveryTableMessageAndNothingElse) {
  std::vector<TableLineS> lines;
  std::vector<uint32_t> further_defaults;
  ReadTables(&lines, &further_defaults);
  ASSERT_FALSE(lines.empty());

  std::set<uint32_t> seen;
  for (const TableLineS& line : lines) seen.insert(line.number);

  cmn_CatalogFileC catalog;
  ASSERT_TRUE(catalog.OpenExact(QLM_BUILT_ALLCAT));
  EXPECT_EQ(catalog.EntryCount(), seen.size());
  for (const TableLineS& line : lines) {
    SCOPED_TRACE(testing::Message() << std::hex << line.number);
    std::string text;
    ASSERT_TRUE(catalog.Lookup(line.number, &text));
    EXPECT_EQ(text, line.catalog_text);
  }
  // A further default text names a number that a line of the tables catalogues.
  for (uint32_t number : further_defaults) EXPECT_EQ(seen.count(number), 1u) << std::hex << number;
}

}  // namespace

#endif
