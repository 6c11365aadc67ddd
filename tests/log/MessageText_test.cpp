#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "log/MessageTextC.h"

namespace {

constexpr ErrConditionsT kX = MessageTextC::Condition('X');
constexpr ErrConditionsT kY = MessageTextC::Condition('Y');

struct TextCaseS {
  const char* label;
  std::string_view text;
  ErrConditionsT conditions;
  int severity;
  std::string_view message;
};

// A std::string_view over a literal that may hold 0x01 bytes.
constexpr std::string_view operator""_t(const char* text, size_t size) {
  return {text, size};
}

const TextCaseS kCases[] = {
    {"plain text is an error", "Cannot open the file", 0, 4, "Cannot open the file"},
    {"empty text", "", 0, 4, ""},
    {"leading blank is plain", " {w} x", 0, 4, " {w} x"},
    {"brace warning", "{w} The sentence.", 0, 3, "The sentence."},
    {"unmet condition cancels the letter", "{Xw} The sentence.", 0, 4, "The sentence."},
    {"met condition lets the letter act", "{Xw} The sentence.", kX, 3, "The sentence."},
    {"condition lasts one character", "{Xwi} s", 0, 2, "s"},
    {"unmet condition cancels a condition", "{XYw} s", kY, 3, "s"},
    {"chained conditions both met", "{XYw} s", kX | kY, 3, "s"},
    {"first condition met, second not", "{XYw} s", kX, 4, "s"},
    {"trailing condition", "{wX} s", 0, 3, "s"},
    {"tab after brace skipped", "{i}\tTabbed", 0, 2, "Tabbed"},
    {"only one blank skipped", "{m}  Two", 0, 1, " Two"},
    {"no blank after brace", "{f}Fatal", 0, 5, "Fatal"},
    {"none severity", "{#} quiet", 0, 0, "quiet"},
    {"last letter wins", "{mif} x", 0, 5, "x"},
    {"other characters ignored", "{zq?7w} x", 0, 3, "x"},
    {"empty specification", "{} x", 0, 4, "x"},
    {"unterminated brace", "{w", 0, 3, ""},
    {"lone brace", "{", 0, 4, ""},
    {"record form default text", "\x01\x01i\x01Installing merged deployment policy '%1$s'"_t, 0, 2,
     "Installing merged deployment policy '%1$s'"},
    {"timestamp format", "\x01\x01i\x01%%c"_t, 0, 2, "%%c"},
    {"only record has a selector",
     "\x01"
     "A\x01w\x01Hidden"_t,
     0, 4, ""},
    {"last applicable record wins",
     "\x01\x01w\x01"
     "first\x01\x01"
     "f\x01second"_t,
     0, 5, "second"},
    {"record with selector skipped",
     "\x01\x01w\x01"
     "first\x01"
     "B\x01"
     "f\x01second"_t,
     0, 3, "first"},
    {"record without message", "\x01\x01w"_t, 0, 3, ""},
    {"separator alone", "\x01"_t, 0, 4, ""},
    {"trailing separator opens no record", "\x01\x01i\x01msg\x01"_t, 0, 2, "msg"},
    {"brace inside record specification ends it", "\x01\x01{w}e\x01x"_t, 0, 3, "x"},
    {"condition in record specification", "\x01\x01Xw\x01x"_t, 0, 4, "x"},
    {"0x01 ends a brace specification", "{w\x01x"_t, 0, 3, "x"},
};

TEST(MessageTextTest, ParsesSeverityAndMessage) {
  for (const TextCaseS& c : kCases) {
    const MessageTextC parsed = MessageTextC::Parse(c.text, c.conditions);
    EXPECT_EQ(parsed.Severity(), c.severity) << c.label;
    EXPECT_EQ(parsed.Message(), c.message) << c.label;
  }
}

TEST(MessageTextTest, NeverReadsPastTheView) {
  // Each view is a prefix of a longer buffer; what follows the view must not leak into the
  // result.
  const std::string buffer = std::string("\x01\x01w\x01") + "abcdef" +
                             "\x01\x01"
                             "f\x01zz";
  const struct {
    size_t length;
    int severity;
    std::string_view message;
  } prefixes[] = {{2, 4, ""},        {3, 3, ""},  {4, 3, ""}, {6, 3, "ab"},
                  {10, 3, "abcdef"}, {12, 4, ""}, {13, 5, ""}};
  for (const auto& p : prefixes) {
    const std::string_view view(buffer.data(), p.length);
    const MessageTextC parsed = MessageTextC::Parse(view);
    EXPECT_EQ(parsed.Severity(), p.severity) << p.length;
    EXPECT_EQ(parsed.Message(), p.message) << p.length;
    if (!parsed.Message().empty()) {
      EXPECT_GE(parsed.Message().data(), view.data());
      EXPECT_LE(parsed.Message().data() + parsed.Message().size(), view.data() + view.size());
    }
  }

  const std::string braces = "{w} sentence{f}";
  const MessageTextC cut = MessageTextC::Parse(std::string_view(braces.data(), 2));
  EXPECT_EQ(cut.Severity(), 3);
  EXPECT_TRUE(cut.Message().empty());
}

TEST(MessageTextTest, SeveritySpecificationStopsAtTerminators) {
  EXPECT_EQ(MessageTextC::ParseSeverity("w}f", 0), 3);
  EXPECT_EQ(MessageTextC::ParseSeverity("w\x01"
                                        "f",
                                        0),
            3);
  EXPECT_EQ(MessageTextC::ParseSeverity("", 0), 4);
}

}  // namespace
