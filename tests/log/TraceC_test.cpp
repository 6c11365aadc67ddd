#include "log/TraceC.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

constexpr uint32_t kAll = TraceC::c_AllLevels;

// The masks that are not 0, by letter.
std::map<char, uint32_t> SetMasks(const TraceC& filter) {
  std::map<char, uint32_t> masks;
  for (uint32_t c = TraceC::c_FirstLetter; c <= TraceC::c_LastLetter; ++c) {
    if (filter.Mask(c) != 0) masks[static_cast<char>(c)] = filter.Mask(c);
  }
  return masks;
}

std::map<char, uint32_t> Range(char first, char last, uint32_t bits) {
  std::map<char, uint32_t> masks;
  for (char c = first; c <= last; ++c) masks[c] = bits;
  return masks;
}

TEST(TraceCTest, LevelSpecificationsInEnableMode) {
  struct Case {
    const char* text;
    int ok;
    std::map<char, uint32_t> masks;
  };
  const Case cases[] = {
      {"", 1, {}},
      {"A-z", 1, Range('A', 'z', kAll)},
      {"H", 1, {{'H', kAll}}},
      {"G1", 1, {{'G', 1u << 1}}},
      {"F-H", 1, {{'F', kAll}, {'G', kAll}, {'H', kAll}}},
      // The letter after "-" is an item of its own and may carry levels.
      {"F-H2", 1, {{'F', kAll}, {'G', kAll}, {'H', 1u << 2}}},
      {"x-", 1, {{'x', kAll}, {'y', kAll}, {'z', kAll}}},
      // The characters between 'Z' and 'a' have masks of their own.
      {"Z-a", 1, Range('Z', 'a', kAll)},
      {"G0,2,5-7", 1, {{'G', 0xE5u}}},
      {"G3-", 1, {{'G', kAll & ~7u}}},
      {"G3-,H", 1, {{'G', kAll & ~7u}, {'H', kAll}}},
      {"G30-H", 1, {{'G', 3u << 30}, {'H', kAll}}},
      {"G1 H", 1, {{'G', 2u}, {'H', kAll}}},
      {"G,H", 1, {{'G', kAll}, {'H', kAll}}},
      {"gG1", 1, {{'g', kAll}, {'G', 2u}}},
      {" ;G2, 7", 1, {{'G', 4u}}},
      // Levels beyond 31 have no bit; a range is cut at 31.
      {"G40", 1, {}},
      {"G30-40", 1, {{'G', 3u << 30}}},
      {"G99999999999999999999999,1", 1, {{'G', 2u}}},
      {"G5-2", 1, {}},
      {"H-F", 1, {{'F', kAll}}},
      // Failures keep what was set before the fault.
      {"A-1", 0, {}},
      {"G1,H-3", 0, {{'G', 2u}}},
      {"G3-;", 0, {}},
      {"B,G-+", 0, {{'B', kAll}}},
  };
  for (const Case& c : cases) {
    TraceC filter;
    EXPECT_EQ(filter.Parse(c.text), c.ok) << c.text;
    EXPECT_EQ(SetMasks(filter), c.masks) << c.text;
  }
}

TEST(TraceCTest, DisableModeClearsWhatEnableModeWouldSet) {
  TraceC filter;
  ASSERT_NE(filter.Parse("A-z"), 0);
  EXPECT_NE(filter.Parse("G1,3-", false), 0);
  EXPECT_NE(filter.Parse("F-H", false), 0);  // F, G and H entirely
  EXPECT_NE(filter.Parse("a", false), 0);
  EXPECT_EQ(filter.Mask('E'), kAll);
  EXPECT_EQ(filter.Mask('F'), 0u);
  EXPECT_EQ(filter.Mask('H'), 0u);
  EXPECT_EQ(filter.Mask('a'), 0u);
  EXPECT_EQ(filter.Mask('b'), kAll);

  TraceC partial;
  ASSERT_NE(partial.Parse("K"), 0);
  EXPECT_NE(partial.Parse("K1,3-", false), 0);
  EXPECT_EQ(partial.Mask('K'), 5u);  // levels 0 and 2 remain

  // Parsing adds to what is there; Clear starts over.
  EXPECT_NE(partial.Parse("L4"), 0);
  EXPECT_EQ(SetMasks(partial), (std::map<char, uint32_t>{{'K', 5u}, {'L', 16u}}));
  partial.Clear();
  EXPECT_TRUE(SetMasks(partial).empty());
}

TEST(TraceCTest, OnlyLettersAToLowerZAndLevelsUpTo31Pass) {
  TraceC filter;
  ASSERT_NE(filter.Parse("A-z"), 0);
  EXPECT_TRUE(filter.IsEnabled('G', 0));
  EXPECT_TRUE(filter.IsEnabled('z', 31));
  EXPECT_FALSE(filter.IsEnabled('@', 0));
  EXPECT_FALSE(filter.IsEnabled('{', 0));
  EXPECT_FALSE(filter.IsEnabled('0', 0));
  for (uint32_t level = 32; level < 256; ++level) EXPECT_FALSE(filter.IsEnabled('G', level));
  // Only the low 8 bits of letter and level count.
  EXPECT_TRUE(filter.IsEnabled('G' + 0x100, 0));
  EXPECT_TRUE(filter.IsEnabled('G', 0x103));
  EXPECT_FALSE(filter.IsEnabled('G' + 0x300, 0x120));

  TraceC g1;
  ASSERT_NE(g1.Parse("G1"), 0);
  EXPECT_FALSE(g1.IsEnabled('G', 0));
  EXPECT_TRUE(g1.IsEnabled('G', 1));
  EXPECT_FALSE(g1.IsEnabled('H', 1));

  TraceC none;
  EXPECT_NE(none.Parse(static_cast<const char*>(nullptr)), 0);
  EXPECT_FALSE(none.IsEnabled('G', 0));
}

}  // namespace
