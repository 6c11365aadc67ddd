#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "cmn/cmn_CatalogFileC.h"
#include "cmn/cmn_LocaleC.h"
#include "tests/testing/FileUtil.h"
#include "tests/testing/TempDirC.h"

namespace {

namespace fs = std::filesystem;

using qlmtest::TempDirC;
using qlmtest::WriteFile;

void PutBe(std::string* out, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

struct EntryS {
  uint16_t set;
  uint32_t message;
  std::string text;
};

// The bytes of a catalog holding `entries` in the given order (big-endian index, texts after
// the index). `override_offset` replaces the offset of entry `override_index`.
std::string BuildCatalog(const std::vector<EntryS>& entries, int override_index = -1,
                         uint32_t override_offset = 0) {
  std::string out = "openuict";
  PutBe(&out, entries.size(), 4);
  uint32_t offset = 12 + 12 * static_cast<uint32_t>(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    PutBe(&out, entries[i].set, 2);
    PutBe(&out, entries[i].text.size(), 2);
    PutBe(&out, entries[i].message, 4);
    PutBe(&out, static_cast<int>(i) == override_index ? override_offset : offset, 4);
    offset += static_cast<uint32_t>(entries[i].text.size());
  }
  for (const EntryS& e : entries) out += e.text;
  return out;
}

// Message number of a catalogued message (bits 31..29 set).
constexpr uint32_t Msg(uint32_t set, uint32_t message) {
  return 0xE0000000u | (set << 16) | message;
}

const cmn_LocaleNamesC kSwissGerman("de_CH.UTF-8", "ANSI_X3.4-1968");

std::string Find(const cmn_CatalogFileC& catalog, uint32_t number) {
  std::string text;
  return catalog.Lookup(number, &text) ? text : "<none>";
}

class CatalogFileTest : public ::testing::Test {
 protected:
  // Writes `bytes` as a catalog and opens it.
  bool OpenBytes(const std::string& bytes) {
    path_ = dir_.File("test.cat");
    WriteFile(path_, bytes);
    return catalog_.OpenExact(path_);
  }

  TempDirC dir_;
  std::string path_;
  cmn_CatalogFileC catalog_;
};

const std::vector<EntryS> kSorted = {
    {0x001, 0x0001, "first"},      {0x0A6, 0x0011, "set A6 msg 11"},
    {0x100, 0x0064, "Starting"},   {0x100, 0x0065, ""},
    {0x100, 0x00EC, "Finished"},   {0x1B0, 0x0004, "{e}Crypto %s failed"},
    {0xFFF, 0xFFFF, "last entry"},
};

TEST_F(CatalogFileTest, LooksUpEveryEntryIncludingFirstAndLast) {
  ASSERT_TRUE(OpenBytes(BuildCatalog(kSorted)));
  EXPECT_TRUE(catalog_.IsOpen());
  EXPECT_EQ(catalog_.EntryCount(), kSorted.size());
  EXPECT_EQ(catalog_.Path(), path_);
  for (const EntryS& e : kSorted) {
    EXPECT_EQ(Find(catalog_, Msg(e.set, e.message)), e.text)
        << std::hex << e.set << " " << e.message;
  }
}

TEST_F(CatalogFileTest, MissingNumbersAreNotFound) {
  ASSERT_TRUE(OpenBytes(BuildCatalog(kSorted)));
  for (uint32_t number : {Msg(0x000, 0x0000),     // before the first entry
                          Msg(0x100, 0x0066),     // between entries of one set
                          Msg(0x0A7, 0x0011),     // message of another set
                          Msg(0x101, 0x0064),     // set between sets
                          Msg(0xFFF, 0xFFFE)}) {  // just before the last
    EXPECT_EQ(Find(catalog_, number), "<none>") << std::hex << number;
  }
  // Without the catalog flag (bit 29) numbers are never looked up.
  EXPECT_EQ(Find(catalog_, 0xC1000064u), "<none>");
  EXPECT_EQ(Find(catalog_, 0x80000001u), "<none>");
}

TEST_F(CatalogFileTest, EmptyIndexFindsNothing) {
  ASSERT_TRUE(OpenBytes(BuildCatalog({})));
  EXPECT_EQ(catalog_.EntryCount(), 0u);
  EXPECT_EQ(Find(catalog_, Msg(0x100, 0x64)), "<none>");
}

TEST_F(CatalogFileTest, ForeignOrShortFilesAreRefused) {
  const std::string good = BuildCatalog(kSorted);
  struct Case {
    const char* what;
    std::string bytes;
  };
  std::string wrongEighth = good;
  wrongEighth[7] = 'T';
  std::string wrongFirst = good;
  wrongFirst[0] = 'O';
  std::vector<Case> cases = {{"empty file", ""},
                             {"magic only", good.substr(0, 8)},
                             {"header one byte short", good.substr(0, 11)},
                             {"eighth magic byte differs", wrongEighth},
                             {"first magic byte differs", wrongFirst},
                             {"terminated magic", std::string("openuic\0\0\0\0\0", 12)}};
  for (const Case& c : cases) {
    EXPECT_FALSE(OpenBytes(c.bytes)) << c.what;
    EXPECT_FALSE(catalog_.IsOpen()) << c.what;
    EXPECT_EQ(catalog_.Path(), "") << c.what;
    EXPECT_EQ(Find(catalog_, Msg(0x100, 0x64)), "<none>") << c.what;
  }
  // Exactly the header is a valid, empty catalog.
  EXPECT_TRUE(OpenBytes(good.substr(0, 8) + std::string(4, '\0')));
}

TEST_F(CatalogFileTest, TextsOutsideTheFileAreNotFound) {
  const std::vector<EntryS> entries = {{0x100, 1, "aaaa"}, {0x100, 2, "bbbb"}, {0x100, 3, "cc"}};
  const uint32_t textStart = 12 + 12 * 3;
  struct Case {
    uint32_t offset;
    bool found;
  };
  // Entry 1 ("bbbb") pointed at various offsets of a file of textStart + 10 bytes.
  for (Case c : {Case{textStart + 6, true},    // the last 4 bytes: "bbcc"
                 Case{textStart + 7, false},   // one byte past the end
                 Case{textStart + 10, false},  // starts at the end
                 Case{0xFFFFFFF0u, false},     // far away
                 Case{0xFFFFFFFFu, false}}) {  // offset + length wraps 32 bits
    ASSERT_TRUE(OpenBytes(BuildCatalog(entries, 1, c.offset)));
    EXPECT_EQ(Find(catalog_, Msg(0x100, 2)) != "<none>", c.found) << c.offset;
    EXPECT_EQ(Find(catalog_, Msg(0x100, 1)), "aaaa");
  }
}

TEST_F(CatalogFileTest, UnsortedIndexNeverGivesAWrongText) {
  std::vector<EntryS> reversed(kSorted.rbegin(), kSorted.rend());
  ASSERT_TRUE(OpenBytes(BuildCatalog(reversed)));
  for (uint32_t set = 0; set <= 0x1B0; set += 0x10) {
    for (uint32_t message : {0u, 1u, 0x11u, 0x64u, 0xFFFFu}) {
      std::string text;
      if (catalog_.Lookup(Msg(set, message), &text)) {
        bool matches = false;
        for (const EntryS& e : kSorted) {
          matches |= e.set == set && e.message == message && e.text == text;
        }
        EXPECT_TRUE(matches) << text;
      }
    }
  }
  // Every entry position is still reachable by the entry that sits in the middle.
  EXPECT_EQ(Find(catalog_, Msg(0x100, 0x65)), "");
}

TEST_F(CatalogFileTest, ReopeningClosesThePreviousFile) {
  ASSERT_TRUE(OpenBytes(BuildCatalog(kSorted)));
  EXPECT_FALSE(catalog_.OpenExact(dir_.File("missing.cat")));
  EXPECT_FALSE(catalog_.IsOpen());
  EXPECT_EQ(catalog_.Path(), "");
  EXPECT_EQ(Find(catalog_, Msg(0x100, 0x64)), "<none>");
  EXPECT_FALSE(catalog_.OpenExact(""));
  EXPECT_FALSE(catalog_.OpenExact(dir_.Path()));  // a directory is not a catalog
}

TEST_F(CatalogFileTest, LaterChangesToTheFileNeverReadOutOfBounds) {
  ASSERT_TRUE(OpenBytes(BuildCatalog(kSorted)));
  // The file shrinks behind the open catalog: lookups come up short and find nothing.
  ASSERT_EQ(::truncate(path_.c_str(), 40), 0);
  EXPECT_EQ(Find(catalog_, Msg(0xFFF, 0xFFFF)), "<none>");
  EXPECT_EQ(Find(catalog_, Msg(0x100, 0x64)), "<none>");
}

TEST_F(CatalogFileTest, ConcurrentLookupsAgree) {
  ASSERT_TRUE(OpenBytes(BuildCatalog(kSorted)));
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 300; ++round) {
        const EntryS& e = kSorted[static_cast<size_t>(round + t) % kSorted.size()];
        if (Find(catalog_, Msg(e.set, e.message)) != e.text) ++wrong[t];
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

struct CandidateCase {
  const char* path;
  std::vector<std::string> expected;
};

class CatalogCandidateTest : public ::testing::TestWithParam<CandidateCase> {};

TEST_P(CatalogCandidateTest, CandidatePaths) {
  const CandidateCase& c = GetParam();
  std::string out[5];
  int count = -1;
  cmn_CatalogFileC::CandidatePaths(c.path, kSwissGerman, out, &count);
  ASSERT_EQ(count, static_cast<int>(c.expected.size())) << c.path;
  for (int i = 0; i < count; ++i) EXPECT_EQ(out[i], c.expected[static_cast<size_t>(i)]) << c.path;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CatalogCandidateTest,
    ::testing::Values(
        CandidateCase{
            "/opt/q/lib/allcat.%L.cat",
            {"/opt/q/lib/allcat.de_ch-utf-8.cat", "/opt/q/lib/allcat.de-utf-8.cat",
             "/opt/q/lib/allcat.de_ch.cat", "/opt/q/lib/allcat.de.cat", "/opt/q/lib/allcat.cat"}},
        // Bare names: a separator doubled by the removal of "%L" is dropped, and a name that
        // would start at the root is made relative to the current directory.
        CandidateCase{"dir/%L/x.cat",
                      {"dir/de_ch-utf-8/x.cat", "dir/de-utf-8/x.cat", "dir/de_ch/x.cat",
                       "dir/de/x.cat", "dir/x.cat"}},
        CandidateCase{"d\\%L\\x",
                      {"d\\de_ch-utf-8\\x", "d\\de-utf-8\\x", "d\\de_ch\\x", "d\\de\\x", "d\\x"}},
        CandidateCase{
            "%L/x.cat",
            {"de_ch-utf-8/x.cat", "de-utf-8/x.cat", "de_ch/x.cat", "de/x.cat", "./x.cat"}},
        CandidateCase{"a.%L", {"a.de_ch-utf-8", "a.de-utf-8", "a.de_ch", "a.de", "a"}},
        // Prefixes of one character keep it.
        CandidateCase{".%L.cat",
                      {".de_ch-utf-8.cat", ".de-utf-8.cat", ".de_ch.cat", ".de.cat", "..cat"}},
        CandidateCase{"d/%L.cat",
                      {"d/de_ch-utf-8.cat", "d/de-utf-8.cat", "d/de_ch.cat", "d/de.cat", "d/.cat"}},
        // Only the first "%L" is replaced.
        CandidateCase{"%L%L", {"de_ch-utf-8%L", "de-utf-8%L", "de_ch%L", "de%L", "%L"}},
        CandidateCase{"plain.cat", {"plain.cat"}}, CandidateCase{"", {}}));

TEST(CatalogOpenTest, CandidatesAreTriedInOrder) {
  TempDirC dir;
  const std::vector<std::string> names = {"allcat.de_ch-utf-8.cat", "allcat.de-utf-8.cat",
                                          "allcat.de_ch.cat", "allcat.de.cat", "allcat.cat"};
  for (const std::string& name : names) {
    WriteFile(dir.File(name), BuildCatalog({{0x100, 0x64, name}}));
  }
  cmn_CatalogFileC catalog;
  const std::string pattern = dir.File("allcat.%L.cat");
  for (const std::string& name : names) {
    ASSERT_TRUE(catalog.Open(pattern, kSwissGerman)) << name;
    EXPECT_EQ(catalog.Path(), dir.File(name));
    EXPECT_EQ(Find(catalog, Msg(0x100, 0x64)), name);
    fs::remove(dir.File(name));
  }
  EXPECT_FALSE(catalog.Open(pattern, kSwissGerman));
  EXPECT_FALSE(catalog.IsOpen());
}

TEST(CatalogOpenTest, FirstOpenedCandidateDecidesAndDirectoriesAreSkipped) {
  TempDirC dir;
  WriteFile(dir.File("allcat.cat"), BuildCatalog({{0x100, 0x64, "bare"}}));
  // A directory where a candidate would be does not stop the search.
  fs::create_directory(dir.File("allcat.de_ch-utf-8.cat"));
  cmn_CatalogFileC catalog;
  ASSERT_TRUE(catalog.Open(dir.File("allcat.%L.cat"), kSwissGerman));
  EXPECT_EQ(catalog.Path(), dir.File("allcat.cat"));

  // A foreign file that opens is the catalog, which then stays empty.
  WriteFile(dir.File("allcat.de.cat"), "not a catalog");
  EXPECT_FALSE(catalog.Open(dir.File("allcat.%L.cat"), kSwissGerman));
  EXPECT_FALSE(catalog.IsOpen());

  // Without "%L" the path is used as given.
  EXPECT_TRUE(catalog.Open(dir.File("allcat.cat"), kSwissGerman));
  EXPECT_FALSE(catalog.Open("", kSwissGerman));
}

}  // namespace
