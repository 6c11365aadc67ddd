// The formatting operation over hand-built argument views: conversions, flags, widths counted
// in characters, and the safe rendering of formats that do not match their arguments.
#include "cmn/cmn_Formatter.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "cmn/cmn_ArgsI.h"
#include "cmn/cmn_StringBodyI.h"
#include "tests/testing/FakeStringBodyC.h"

namespace {

// A view over values built in the test. Strings and nested views are kept alive here.
class ArgsC final : public cmn_ArgsI {
 public:
  size_t Count() const override { return values_.size(); }
  const cmn_ArgValueS* At(size_t i) const override {
    return i < values_.size() ? &values_[i] : nullptr;
  }
  std::vector<cmn_ArgValueS> values_;
  std::vector<std::shared_ptr<void>> keep_;
};

// One argument for the tables, with whatever it owns.
struct A {
  cmn_ArgValueS v;
  std::shared_ptr<void> owned;
};

A Bool(bool b) {
  A a;
  a.v.type = ARG_BOOL;
  a.v.b = b;
  return a;
}
A I16(int16_t x) {
  A a;
  a.v.type = ARG_INT16;
  a.v.i32 = x;
  return a;
}
A I32(int32_t x) {
  A a;
  a.v.type = ARG_INT32;
  a.v.i32 = x;
  return a;
}
A I64(int64_t x) {
  A a;
  a.v.type = ARG_INT64;
  a.v.i64 = x;
  return a;
}
A U16(uint16_t x) {
  A a;
  a.v.type = ARG_UNSIGNED16;
  a.v.u32 = x;
  return a;
}
A U32(uint32_t x) {
  A a;
  a.v.type = ARG_UNSIGNED32;
  a.v.u32 = x;
  return a;
}
A U64(uint64_t x) {
  A a;
  a.v.type = ARG_UNSIGNED64;
  a.v.u64 = x;
  return a;
}
A Real(double x) {
  A a;
  a.v.type = ARG_REAL;
  a.v.real = x;
  return a;
}
A Ucs4(char32_t c) {
  A a;
  a.v.type = ARG_UCS4;
  a.v.ucs4 = c;
  return a;
}
A Str(const char* text) {
  A a;
  auto body = std::make_shared<qlmtest::FakeStringBodyC>(text);
  a.v.type = ARG_STRING;
  a.v.str = body.get();
  a.owned = body;
  return a;
}
A Cstr(const char* text) {
  A a;
  auto copy = std::make_shared<std::string>(text);
  a.v.type = ARG_CHARSTAR;
  a.v.cstr = copy->c_str();
  a.owned = copy;
  return a;
}
A Ptr(uintptr_t p) {
  A a;
  a.v.type = ARG_OBJREF;
  a.v.ptr = reinterpret_cast<const void*>(p);
  return a;
}
A Tv(int64_t sec, int64_t usec) {
  A a;
  a.v.type = ARG_TIMEVAL;
  a.v.tv = {sec, usec};
  return a;
}
A Null() {
  return A{};
}
A Code(uint32_t type) {
  A a;
  a.v.type = type;
  return a;
}

std::shared_ptr<ArgsC> MakeArgs(std::initializer_list<A> items) {
  auto args = std::make_shared<ArgsC>();
  for (const A& a : items) {
    args->values_.push_back(a.v);
    if (a.owned) args->keep_.push_back(a.owned);
  }
  return args;
}

A List(std::initializer_list<A> items) {
  A a;
  auto args = MakeArgs(items);
  a.v.type = ARG_ARGLIST;
  a.v.list = args.get();
  a.owned = args;
  return a;
}

struct CaseS {
  const char* format;
  std::vector<A> args;
  std::string expected;
};

std::string Render(const char* format, const std::vector<A>& items) {
  ArgsC args;
  for (const A& a : items) {
    args.values_.push_back(a.v);
    if (a.owned) args.keep_.push_back(a.owned);
  }
  return cmn_Format(format, &args);
}

void RunTable(const std::vector<CaseS>& cases) {
  for (const CaseS& c : cases) {
    EXPECT_EQ(Render(c.format, c.args), c.expected) << "format: \"" << c.format << "\"";
  }
}

TEST(FormatterTest, IntegerConversionsWithFlagsWidthAndPrecision) {
  RunTable({
      {"%d", {I32(42)}, "42"},
      {"%i", {I32(-7)}, "-7"},
      {"[%5d]", {I32(42)}, "[   42]"},
      {"[%-5d]", {I32(42)}, "[42   ]"},
      {"[%05d]", {I32(-42)}, "[-0042]"},
      {"[%-05d]", {I32(-42)}, "[-42  ]"},
      {"%+d %+d", {I32(5), I32(-5)}, "+5 -5"},
      {"[% d]", {I32(5)}, "[ 5]"},
      {"%.3d", {I32(7)}, "007"},
      {"[%.0d]", {I32(0)}, "[]"},
      {"[%8.3d]", {I32(-7)}, "[    -007]"},
      {"[%08.3d]", {I32(7)}, "[     007]"},
      {"%d", {I64(INT64_MIN)}, "-9223372036854775808"},
      {"%d", {I64(INT64_MAX)}, "9223372036854775807"},
      {"%d", {I16(-300)}, "-300"},
      {"%u", {U64(UINT64_MAX)}, "18446744073709551615"},
      {"%d", {U64(UINT64_MAX)}, "18446744073709551615"},
      {"%u %u", {U16(65535), U32(4000000000u)}, "65535 4000000000"},
      {"%x %X", {I32(255), I32(255)}, "ff FF"},
      {"%#x %#X %#x", {I32(255), I32(255), I32(0)}, "0xff 0XFF 0"},
      {"%o %#o %#o", {I32(8), I32(8), I32(0)}, "10 010 0"},
      {"%#.3o", {I32(8)}, "010"},
      {"%b %#b", {I32(5), I32(5)}, "101 0b101"},
      {"[%#010x]", {I32(255)}, "[0x000000ff]"},
      // Unsigned conversions show negative values in two's complement at the type's width.
      {"%u", {I32(-1)}, "4294967295"},
      {"%x", {I16(-1)}, "ffff"},
      {"%x", {I64(-1)}, "ffffffffffffffff"},
      // Length modifiers are accepted; the argument's own type decides.
      {"%hd %hhu %ld %lld %lu %llx %zu %jd %qd %td",
       {I32(1), I32(2), I64(3), I64(4), U64(5), U64(6), U64(7), I64(8), I64(9), I64(10)},
       "1 2 3 4 5 6 7 8 9 10"},
      {"%08lx", {U64(0xabc)}, "00000abc"},
      {"%d %d", {Bool(true), Bool(false)}, "1 0"},
      {"%d", {Ucs4(U'A')}, "65"},
  });
}

TEST(FormatterTest, CharacterConversions) {
  RunTable({
      {"%c", {I32(65)}, "A"},
      {"%c", {I32(0x20AC)}, "\xE2\x82\xAC"},
      {"%C", {Ucs4(0x1F600)}, "\xF0\x9F\x98\x80"},
      {"%c", {Ucs4(U'\u00e9')}, "\xC3\xA9"},
      {"%C", {I32(66)}, "B"},
      // Values that are not characters become U+FFFD; zero gives no character.
      {"%c", {I32(0xD800)}, "\xEF\xBF\xBD"},
      {"%c", {I32(-1)}, "\xEF\xBF\xBD"},
      {"%c", {U32(0x110000)}, "\xEF\xBF\xBD"},
      {"[%c]", {I32(0)}, "[]"},
      {"[%3c]", {I32(65)}, "[  A]"},
      {"[%-3C]", {Ucs4(0x20AC)}, "[\xE2\x82\xAC  ]"},
  });
}

TEST(FormatterTest, StringConversionsCountCharacters) {
  RunTable({
      {"%s", {Cstr("abc")}, "abc"},
      {"[%5s]", {Cstr("abc")}, "[  abc]"},
      {"[%-5s]", {Cstr("abc")}, "[abc  ]"},
      {"[%05s]", {Cstr("abc")}, "[  abc]"},
      {"%.2s", {Cstr("abc")}, "ab"},
      {"%.10s", {Cstr("abc")}, "abc"},
      {"[%.0s]", {Cstr("abc")}, "[]"},
      // "a" "é" "€" "x": precision and width count characters, never bytes.
      {"%.3s", {Cstr("a\xC3\xA9\xE2\x82\xACx")}, "a\xC3\xA9\xE2\x82\xAC"},
      {"%.2s", {Cstr("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E")}, "\xE6\x97\xA5\xE6\x9C\xAC"},
      {"[%5s]", {Cstr("\xE6\x97\xA5\xE6\x9C\xAC")}, "[   \xE6\x97\xA5\xE6\x9C\xAC]"},
      {"[%-6s]", {Cstr("\xE6\x97\xA5\xE6\x9C\xAC")}, "[\xE6\x97\xA5\xE6\x9C\xAC    ]"},
      {"[%-4.2s]", {Cstr("h\xC3\xA9llo")}, "[h\xC3\xA9  ]"},
      {"%S", {Str("h\xC3\xA9llo")}, "h\xC3\xA9llo"},
      {"%s", {Str("h\xC3\xA9llo")}, "h\xC3\xA9llo"},
      {"%S", {Cstr("plain")}, "plain"},
      {"%.1S",
       {Str("\xC3\xA9"
            "a")},
       "\xC3\xA9"},
      {"[%7S]", {Str("h\xC3\xA9llo")}, "[  h\xC3\xA9llo]"},
      {"[%s]", {Cstr("")}, "[]"},
  });
}

TEST(FormatterTest, PointerRealAndTimeConversions) {
  RunTable({
      {"%p", {Ptr(0)}, "(nil)"},
      {"%p", {Ptr(0x1234)}, "0x1234"},
      {"[%8p]", {Ptr(0xab)}, "[    0xab]"},
      {"[%-8p]", {Ptr(0)}, "[(nil)   ]"},
      {"%.2f", {Real(3.14159)}, "3.14"},
      {"%e", {Real(1.5)}, "1.500000e+00"},
      {"%g %G", {Real(0.5), Real(1e20)}, "0.5 1E+20"},
      {"[%08.3f]", {Real(-1.5)}, "[-001.500]"},
      {"[%-8.1f]", {Real(2.25)}, "[2.2     ]"},
      {"%a", {Real(1.0)}, "0x1p+0"},
      {"%t", {Tv(12, 5)}, "12.000005"},
      {"%t", {Tv(1, 1500000)}, "2.500000"},
      {"%t", {Tv(0, -1)}, "-1.999999"},
      {"[%12t]", {Tv(3, 0)}, "[    3.000000]"},
  });
}

TEST(FormatterTest, PositionsAndSequence) {
  RunTable({
      {"%2$s %1$s", {Cstr("a"), Cstr("b")}, "b a"},
      {"%1$s-%1$s", {Cstr("a")}, "a-a"},
      // A conversion without a position takes the one after the previous conversion.
      {"%2$s %s", {Cstr("a"), Cstr("b"), Cstr("c")}, "b c"},
      {"%s %s %1$s", {Cstr("a"), Cstr("b")}, "a b a"},
      {"[%*d]", {I32(4), I32(5)}, "[   5]"},
      {"[%-*d]", {I32(3), I32(7)}, "[7  ]"},
      {"[%*d]", {I32(-3), I32(7)}, "[7  ]"},
      {"[%.*s]", {I32(2), Cstr("abc")}, "[ab]"},
      {"[%.*s]", {I32(-1), Cstr("abc")}, "[abc]"},
      {"[%*.*s]", {I32(4), I32(1), Cstr("abc")}, "[   a]"},
      {"[%1$*2$d]", {I32(5), I32(4)}, "[   5]"},
      {"[%2$.*1$s]", {I32(1), Cstr("xyz")}, "[x]"},
      {"[%1$s|%3$d|%2$c]", {Cstr("s"), I32(66), I32(-3)}, "[s|-3|B]"},
      {"%%", {}, "%"},
      {"100%% sure %d%%", {I32(3)}, "100% sure 3%"},
      {"[%1$s (%2$c, %3$d)] %4$s",
       {Cstr("2024-01-02"), Ucs4(U'G'), I32(0), Cstr("{42} text")},
       "[2024-01-02 (G, 0)] {42} text"},
  });
}

TEST(FormatterTest, MismatchedFormatsRenderPredictably) {
  RunTable({
      // Missing arguments: the conversion is copied as written.
      {"%s", {}, "%s"},
      {"%d and %d", {I32(1)}, "1 and %d"},
      {"%0$s", {Cstr("a")}, "%0$s"},
      {"%3$s", {Cstr("a"), Cstr("b")}, "%3$s"},
      {"%4294967297$s", {Cstr("a")}, "%4294967297$s"},
      {"%99999999999999999999999$d", {I32(1)}, "%99999999999999999999999$d"},
      {"%1$-08.3lld", {}, "%1$-08.3lld"},
      // Unknown letters ("%n" among them) are copied and still use up their position.
      {"%n %d", {I32(1), I32(2)}, "%n 2"},
      {"%5y|%d", {I32(1), I32(2)}, "%5y|2"},
      // Malformed conversions are copied; the character that stopped them is text again.
      {"50%", {}, "50%"},
      {"%", {I32(1)}, "%"},
      {"%5", {I32(1)}, "%5"},
      {"%-", {I32(1)}, "%-"},
      {"% !", {I32(1)}, "% !"},
      {"%l", {I32(1)}, "%l"},
      {"%.*", {I32(1)}, "%.*"},
      {"%*5d|%d", {I32(1)}, "%*5d|1"},
      {"%-%d", {I32(4)}, "%-4"},
      {"%\xC3\xA9", {I32(1)}, "%\xC3\xA9"},
      {"%1$", {I32(1)}, "%1$"},
      // Arguments of another type render in their natural form.
      {"%d", {Cstr("abc")}, "abc"},
      {"[%5d]", {Cstr("ab")}, "[   ab]"},
      {"%.1d", {Cstr("abc")}, "a"},
      {"%s", {I32(42)}, "42"},
      {"%s %s", {I64(-5), U32(5)}, "-5 5"},
      {"%s", {Real(1.5)}, "1.5"},
      {"%d", {Real(2.5)}, "2.5"},
      {"%f", {I32(3)}, "3"},
      {"%s %s", {Bool(true), Bool(false)}, "true false"},
      {"%p", {I32(5)}, "5"},
      {"%x", {Ptr(0x10)}, "10"},
      {"%c", {Cstr("x")}, "x"},
      {"%c", {Bool(true)}, "true"},
      {"%t", {I32(5)}, "5"},
      {"%s", {Ucs4(0xE9)}, "\xC3\xA9"},
      {"%d", {Tv(1, 2)}, "1.000002"},
      {"%s", {Ptr(0)}, "(nil)"},
      {"%s|%d", {Null(), Null()}, "(null)|(null)"},
      {"%s", {Code(77)}, "(null)"},
      // "*" from an argument that is not an integer, or missing: no width.
      {"[%*d]", {Cstr("x"), I32(5)}, "[5]"},
      {"[%.*s]", {Real(2.0), Cstr("abc")}, "[abc]"},
      {"[%*d]", {}, "[%*d]"},
      {"[%*d]", {I32(3)}, "[%*d]"},
      {"[%*0$d]", {I32(5)}, "[5]"},
      {"[%*9$d]", {I32(5)}, "[5]"},
  });
}

TEST(FormatterTest, HugeWidthsAndPrecisionsAreClamped) {
  EXPECT_EQ(Render("%999999999d", {I32(1)}).size(), size_t(cmn_kMaxFormatWidth));
  EXPECT_EQ(Render("%.999999999d", {I32(1)}).size(), size_t(cmn_kMaxFormatWidth));
  EXPECT_EQ(Render("%-4294967296s|", {Cstr("x")}).size(), size_t(cmn_kMaxFormatWidth) + 1);
  EXPECT_EQ(Render("%*d", {I32(INT32_MAX), I32(1)}).size(), size_t(cmn_kMaxFormatWidth));
  const std::string left = Render("%*d|", {I64(INT64_MIN), I32(1)});
  EXPECT_EQ(left.size(), size_t(cmn_kMaxFormatWidth) + 1);
  EXPECT_EQ(left.substr(0, 2), "1 ");
  const std::string big = Render("%.999999f", {Real(1e308)});
  EXPECT_EQ(big.size(), 309 + 1 + size_t(cmn_kMaxFormatWidth));
  EXPECT_EQ(Render("%.99999s", {Cstr(std::string(5000, 'a').c_str())}).size(),
            size_t(cmn_kMaxFormatWidth));
}

TEST(FormatterTest, NestedListsRenderBoundedByDepthAndSize) {
  RunTable({
      {"%s", {List({I32(1), Cstr("a"), List({Bool(true)})})}, "{1, a, {true}}"},
      {"%s", {List({})}, "{}"},
      {"[%6s]", {List({I32(1)})}, "[   {1}]"},
      {"[%-6d]", {List({I32(1)})}, "[{1}   ]"},
  });
  A nested = List({I32(0)});
  for (int i = 0; i < 20; ++i) nested = List({nested});
  const std::string deep = Render("%s", {nested});
  EXPECT_EQ(deep, std::string(9, '{') + "..." + std::string(9, '}'));

  std::vector<A> many;
  for (int i = 0; i < 300; ++i) many.push_back(I32(i));
  auto args = std::make_shared<ArgsC>();
  for (const A& a : many) args->values_.push_back(a.v);
  A wide;
  wide.v.type = ARG_ARGLIST;
  wide.v.list = args.get();
  wide.owned = args;
  const std::string out = Render("%s", {wide});
  EXPECT_NE(out.find(", 255, ..."), std::string::npos) << out.substr(out.size() - 40);
  EXPECT_EQ(out.find("256"), std::string::npos);
  // A null list pointer in a hand-built view reads as empty.
  A empty;
  empty.v.type = ARG_ARGLIST;
  empty.v.list = nullptr;
  EXPECT_EQ(Render("%s", {empty}), "{}");
}

// A view that claims more arguments than it hands out.
class HoleyArgsC final : public cmn_ArgsI {
 public:
  size_t Count() const override { return 3; }
  const cmn_ArgValueS* At(size_t i) const override { return i == 1 ? &value_ : nullptr; }
  cmn_ArgValueS value_;
};

TEST(FormatterTest, NullViewsAndNullEntriesAreMissingArguments) {
  EXPECT_EQ(cmn_Format("%s x %d", nullptr), "%s x %d");
  HoleyArgsC holey;
  holey.value_.type = ARG_INT32;
  holey.value_.i32 = 9;
  EXPECT_EQ(cmn_Format("%s %s %s", &holey), "%s 9 %s");

  std::string out = "kept:";
  cmn_FormatAppend(&out, "%d", &holey);
  EXPECT_EQ(out, "kept:%d");
  cmn_FormatAppend(nullptr, "%d", &holey);  // no output: nothing happens
  EXPECT_EQ(cmn_Format("", nullptr), "");
  EXPECT_EQ(cmn_Format(std::string_view("a\0b", 3), nullptr), std::string("a\0b", 3));
}

TEST(FormatterTest, TypeNames) {
  const char* const names[] = {"Bool",       "Int16",      "Int32",   "Int64", "Unsigned16",
                               "Unsigned32", "Unsigned64", "Real",    "UCS4",  "String",
                               "DateTime",   "ObjRef",     "Decimal", "Blob",  "Guid",
                               "ArgList",    "CharStar",   "TimeVal", "User",  "Null"};
  for (uint32_t t = 0; t <= ARG_NULL; ++t) EXPECT_STREQ(cmn_ArgTypeName(t), names[t]) << t;
  EXPECT_STREQ(cmn_ArgTypeName(20), "");
  EXPECT_STREQ(cmn_ArgTypeName(UINT32_MAX), "");
}

}  // namespace
