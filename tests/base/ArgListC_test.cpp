// Argument lists: typed appenders, sharing and copy-on-write, ownership of strings and nested
// lists, and lists built from a format and C variable arguments.
#include "base/ArgListC.h"

#include <gtest/gtest.h>
#include <sys/time.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "base/StringC.h"

namespace {

std::vector<uint32_t> TypesOf(const ArgListC& list) {
  std::vector<uint32_t> types;
  for (size_t i = 0; i < list.Count(); ++i) types.push_back(list[i]->Type());
  return types;
}

// Everything rendered in its natural form, one "%s" per argument.
std::string Rendered(const ArgListC& list) {
  std::string format;
  for (size_t i = 0; i < list.Count(); ++i) format += i == 0 ? "%s" : "|%s";
  return list.FormatUtf8(format);
}

TEST(ArgListCTest, TypedAppendersStoreTypeAndValue) {
  const int marker = 0;
  struct RowS {
    std::function<void(ArgListC&)> add;
    uint32_t type;
    const char* name;
    const char* rendered;
  };
  const std::vector<RowS> rows = {
      {[](ArgListC& l) { l.AddBool(true); }, ARG_BOOL, "Bool", "true"},
      {[](ArgListC& l) { l.AddInt16(-12); }, ARG_INT16, "Int16", "-12"},
      {[](ArgListC& l) { l.AddInt32(-70000); }, ARG_INT32, "Int32", "-70000"},
      {[](ArgListC& l) { l.AddInt64(INT64_MIN); }, ARG_INT64, "Int64", "-9223372036854775808"},
      {[](ArgListC& l) { l.AddUnsigned16(65535); }, ARG_UNSIGNED16, "Unsigned16", "65535"},
      {[](ArgListC& l) { l.AddUnsigned32(4000000000u); }, ARG_UNSIGNED32, "Unsigned32",
       "4000000000"},
      {[](ArgListC& l) { l.AddUnsigned64(UINT64_MAX); }, ARG_UNSIGNED64, "Unsigned64",
       "18446744073709551615"},
      {[](ArgListC& l) { l.AddReal(0.25); }, ARG_REAL, "Real", "0.25"},
      {[](ArgListC& l) { l.AddUCS4(0x20AC); }, ARG_UCS4, "UCS4", "\xE2\x82\xAC"},
      {[](ArgListC& l) { l.AddString(StringC::FromUtf8("h\xC3\xA9")); }, ARG_STRING, "String",
       "h\xC3\xA9"},
      {[](ArgListC& l) { l.AddCharStar("text"); }, ARG_CHARSTAR, "CharStar", "text"},
      {[](ArgListC& l) { l.AddCharStar(static_cast<const char*>(nullptr)); }, ARG_CHARSTAR,
       "CharStar", ""},
      {[](ArgListC& l) { l.AddPointer(nullptr); }, ARG_OBJREF, "ObjRef", "(nil)"},
      {[&](ArgListC& l) { l.AddPointer(&marker); }, ARG_OBJREF, "ObjRef", nullptr},
      {[](ArgListC& l) { l.AddTimeVal(5, 250000); }, ARG_TIMEVAL, "TimeVal", "5.250000"},
      {[](ArgListC& l) { l.AddList(ArgList << 1 << "x"); }, ARG_ARGLIST, "ArgList", "{1, x}"},
      {[](ArgListC& l) { l.AddList(ArgListNull); }, ARG_ARGLIST, "ArgList", "{}"},
      {[](ArgListC& l) { l.AddNull(); }, ARG_NULL, "Null", "(null)"},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    ArgListC list;
    rows[i].add(list);
    ASSERT_EQ(list.Count(), 1u) << "row " << i;
    EXPECT_EQ(list[0]->Type(), rows[i].type) << "row " << i;
    EXPECT_STREQ(list[0]->TypeName(), rows[i].name) << "row " << i;
    if (rows[i].rendered != nullptr) {
      EXPECT_EQ(Rendered(list), rows[i].rendered) << "row " << i;
    }
    // A copied argument keeps type and value, and owns them past the original's end.
    ArgListC copied;
    {
      ArgListC source;
      rows[i].add(source);
      copied.Add(*source[0]);
    }
    EXPECT_EQ(copied[0]->Type(), rows[i].type) << "row " << i;
    EXPECT_EQ(Rendered(copied), Rendered(list)) << "row " << i;
  }
  ArgListC ptr;
  ptr.AddPointer(&marker);
  EXPECT_EQ(ptr[0]->GetPointer(), &marker);
  char expected[32];
  std::snprintf(expected, sizeof(expected), "%p", static_cast<const void*>(&marker));
  EXPECT_EQ(ptr.FormatUtf8("%p"), expected);
}

TEST(ArgListCTest, StreamOperatorsMapCppTypes) {
  const int marker = 0;
  const std::string text = "std";
  const ArgListC list = ArgList << true << 'G' << U'\u00e9' << static_cast<signed char>(-3)
                                << static_cast<unsigned char>(200) << static_cast<short>(-4)
                                << static_cast<unsigned short>(5) << -6 << 7u << -8L << 9UL << -10LL
                                << 11ULL << 1.5f << 2.5 << "lit" << text << std::string_view("view")
                                << StringC::FromUtf8("str") << static_cast<const void*>(&marker)
                                << nullptr << cmn_TimeValS{1, 2} << (ArgList << 3)
                                << ArgC::MakeInt32(4);
  const std::vector<uint32_t> expected = {
      ARG_BOOL,       ARG_UCS4,   ARG_UCS4,       ARG_INT16,    ARG_UNSIGNED16, ARG_INT16,
      ARG_UNSIGNED16, ARG_INT32,  ARG_UNSIGNED32, ARG_INT64,    ARG_UNSIGNED64, ARG_INT64,
      ARG_UNSIGNED64, ARG_REAL,   ARG_REAL,       ARG_CHARSTAR, ARG_CHARSTAR,   ARG_CHARSTAR,
      ARG_STRING,     ARG_OBJREF, ARG_NULL,       ARG_TIMEVAL,  ARG_ARGLIST,    ARG_INT32};
  EXPECT_EQ(TypesOf(list), expected);
  EXPECT_EQ(list.FormatUtf8("%1$s %2$c %3$C %4$d %5$u %8$d %10$d %12$d %14$g"),
            "true G \xC3\xA9 -3 200 -6 -8 -10 1.5");
  EXPECT_EQ(list.FormatUtf8("%16$s %17$s %18$s %19$S %22$t %23$s"),
            "lit std view str 1.000002 {3}");
  // A lvalue list and a temporary both chain.
  ArgListC built;
  built << 1 << 2;
  built.AddInt32(3).AddCharStar("four");
  EXPECT_EQ(built.FormatUtf8("%d %d %d %s"), "1 2 3 four");
}

TEST(ArgListCTest, EmptyHandlesAndIndexing) {
  ArgListC empty;
  EXPECT_EQ(empty.Count(), 0u);
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_EQ(empty.At(0), nullptr);
  EXPECT_EQ(empty.Args(), nullptr);
  EXPECT_EQ(empty.FormatUtf8("%s"), "%s");
  EXPECT_EQ(ArgListNull.Count(), 0u);

  ArgListC from_null = ArgListNull;
  from_null.AddInt32(1);
  EXPECT_EQ(from_null.Count(), 1u);
  EXPECT_EQ(ArgListNull.Count(), 0u);
  EXPECT_EQ(ArgListNull.Args(), nullptr);

  ArgListC list = ArgList << 10 << 20;
  EXPECT_EQ(list[0]->GetInt32(), 10);
  EXPECT_EQ(list[1]->GetInt32(), 20);
  EXPECT_EQ(list[2], nullptr);
  EXPECT_EQ(list[SIZE_MAX], nullptr);
  ASSERT_NE(list.Args(), nullptr);
  EXPECT_EQ(list.Args()->At(2), nullptr);
  EXPECT_EQ(list.Args()->Count(), 2u);

  list.Clear();
  EXPECT_EQ(list.Count(), 0u);
}

TEST(ArgListCTest, GrowsPastEachBlockOfSixteen) {
  ArgListC list;
  std::vector<const cmn_ArgValueS*> seen;
  for (int i = 0; i < 100; ++i) {
    list.AddInt32(i);
    list.AddCharStar(std::to_string(i).c_str());
  }
  ASSERT_EQ(list.Count(), 200u);
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(list[2 * i]->GetInt32(), i);
    EXPECT_STREQ(list[2 * i + 1]->GetCharStar(), std::to_string(i).c_str());
  }
}

TEST(ArgListCTest, CopiesShareAndAppendingCopiesFirst) {
  ArgListC a = ArgList << 1 << "one";
  const cmn_ArgsI* original = a.Args();
  EXPECT_FALSE(a.IsShared());

  ArgListC b = a;
  EXPECT_TRUE(a.IsShared());
  EXPECT_EQ(b.Args(), original);

  b.AddInt32(2);  // b gets its own copy; a is unchanged
  EXPECT_EQ(a.Count(), 2u);
  EXPECT_EQ(b.Count(), 3u);
  EXPECT_EQ(a.Args(), original);
  EXPECT_NE(b.Args(), original);
  EXPECT_FALSE(a.IsShared());
  EXPECT_STREQ(b[1]->GetCharStar(), "one");
  EXPECT_NE(b[1]->GetCharStar(), a[1]->GetCharStar());  // the text was copied

  a.AddInt32(3);  // unshared again: changed in place
  EXPECT_EQ(a.Args(), original);
  EXPECT_EQ(a.FormatUtf8("%d %s %d"), "1 one 3");
  EXPECT_EQ(b.FormatUtf8("%d %s %d"), "1 one 2");

  ArgListC c;
  c = b;
  ArgListC d = std::move(c);
  EXPECT_EQ(c.Count(), 0u);
  EXPECT_EQ(d.Args(), b.Args());
  const ArgListC& alias = d;  // through a reference: the compiler accepts the self-assignment
  d = alias;                  // self-assignment keeps the list
  EXPECT_EQ(d.Count(), 3u);
}

TEST(ArgListCTest, NestedListsAreSnapshots) {
  ArgListC inner = ArgList << "a";
  ArgListC outer = ArgList << 0;
  outer.AddList(inner);
  inner.AddCharStar("b");  // copies: the nested list keeps one element
  EXPECT_EQ(outer.FormatUtf8("%d %s"), "0 {a}");
  EXPECT_EQ(inner.Count(), 2u);

  ArgListC nested = outer[1]->GetList();
  EXPECT_EQ(nested.Count(), 1u);
  EXPECT_STREQ(nested[0]->GetCharStar(), "a");
  EXPECT_EQ(outer[0]->GetList().Count(), 0u);

  // A list nested in itself nests its earlier contents; no cycle is formed (a cycle would also
  // show as a leak under the address sanitizer).
  ArgListC self = ArgList << 1;
  self.AddList(self);
  self.AddList(self);
  EXPECT_EQ(self.FormatUtf8("%s %s %s"), "1 {1} {1, {1}}");
}

TEST(ArgListCTest, ArgumentsOwnTheirValues) {
  StringC s = StringC::FromUtf8("shared text");
  EXPECT_FALSE(s.Body()->IsShared());
  {
    ArgListC list = ArgList << s;
    EXPECT_TRUE(s.Body()->IsShared());
    EXPECT_EQ(list[0]->GetString(), s);
    ArgListC copy = list;
    copy.AddInt32(1);  // the copy holds its own reference to the body
  }
  EXPECT_FALSE(s.Body()->IsShared());

  char buffer[] = "mutable";
  ArgListC list = ArgList << static_cast<const char*>(buffer);
  buffer[0] = 'X';
  EXPECT_STREQ(list[0]->GetCharStar(), "mutable");

  ArgC a = ArgC::MakeCharStar(std::string_view("abc\0def", 7));
  ArgC b = a;
  EXPECT_STREQ(b.GetCharStar(), "abc");
  EXPECT_NE(a.GetCharStar(), b.GetCharStar());
  ArgC c = std::move(a);
  EXPECT_TRUE(a.IsNull());
  EXPECT_STREQ(c.GetCharStar(), "abc");
  c = b;
  c = ArgC::MakeString(s);
  EXPECT_EQ(c.GetString(), s);
  EXPECT_TRUE(s.Body()->IsShared());
  c = ArgC();
  EXPECT_FALSE(s.Body()->IsShared());

  // Typed reads widen within their family and give defaults across families.
  EXPECT_EQ(ArgC::MakeInt16(-2).GetInt64(), -2);
  EXPECT_EQ(ArgC::MakeUnsigned32(7).GetUnsigned64(), 7u);
  EXPECT_EQ(ArgC::MakeUnsigned32(7).GetInt64(), 7);
  EXPECT_EQ(ArgC::MakeCharStar("9").GetInt32(), 0);
  EXPECT_STREQ(ArgC::MakeInt32(9).GetCharStar(), "");
  EXPECT_TRUE(ArgC::MakeInt32(9).GetString().IsEmpty());
}

// --- Building from a format and variable arguments ------------------------------------------

struct FormatRowS {
  const char* label;
  std::function<ArgListC()> build;
  std::vector<uint32_t> types;
  const char* rendered;  // Rendered(list)
};

TEST(ArgListCTest, FromFormatTypesEachPosition) {
  const StringC str = StringC::FromUtf8("S-text");
  const struct timeval tv = {7, 8};
  const int marker = 0;
  const std::vector<FormatRowS> rows = {
      {"plain",
       [] { return ArgListC::FromFormat("%d %u %s", -1, 2u, "three"); },
       {ARG_INT32, ARG_UNSIGNED32, ARG_CHARSTAR},
       "-1|2|three"},
      {"h",
       [] { return ArgListC::FromFormat("%hd %hu %hx", 70000, 70000u, 65537u); },
       {ARG_INT16, ARG_UNSIGNED16, ARG_UNSIGNED16},
       "4464|4464|1"},
      {"hh",
       [] { return ArgListC::FromFormat("%hhd %hhi %hhu %hhx", 0x1FF, 0x80, 0x1FFu, 0x17Fu); },
       {ARG_INT32, ARG_INT32, ARG_INT32, ARG_INT32},
       "-1|-128|255|127"},
      {"l",
       [] {
         return ArgListC::FromFormat("%ld %li %lld %lu %llx %lX %zu %jd", int64_t{-5}, int64_t{6},
                                     int64_t{INT64_MIN}, uint64_t{8}, uint64_t{UINT64_MAX},
                                     uint64_t{10}, size_t{11}, intmax_t{-12});
       },
       {ARG_INT64, ARG_INT64, ARG_INT64, ARG_UNSIGNED64, ARG_UNSIGNED64, ARG_UNSIGNED64,
        ARG_UNSIGNED64, ARG_INT64},
       "-5|6|-9223372036854775808|8|18446744073709551615|10|11|-12"},
      {"letters",
       [&] {
         return ArgListC::FromFormat("%c %C %S %p %t %o %X %b", 'A', 0x20ACu, &str, &marker, &tv,
                                     8u, 255u, 5u);
       },
       {ARG_INT32, ARG_UCS4, ARG_STRING, ARG_OBJREF, ARG_TIMEVAL, ARG_UNSIGNED32, ARG_UNSIGNED32,
        ARG_UNSIGNED32},
       nullptr},
      {"nulls",
       [] {
         return ArgListC::FromFormat("%s %S %t", static_cast<const char*>(nullptr),
                                     static_cast<const StringC*>(nullptr),
                                     static_cast<const struct timeval*>(nullptr));
       },
       {ARG_CHARSTAR, ARG_NULL, ARG_NULL},
       "|(null)|(null)"},
      {"flags", [] { return ArgListC::FromFormat("%-+ #08.3d|%'d", 1, 2); }, {ARG_INT32}, "1"},
      {"positions",
       [] { return ArgListC::FromFormat("%2$s %1$d %2$s", 5, "x"); },
       {ARG_INT32, ARG_CHARSTAR},
       "5|x"},
      {"after a position",
       [] { return ArgListC::FromFormat("%1$s %d", "x", 3); },
       {ARG_CHARSTAR, ARG_INT32},
       "x|3"},
      {"stars",
       [] { return ArgListC::FromFormat("%*.*s %d", 4, 2, "abc", 9); },
       {ARG_INT32, ARG_INT32, ARG_CHARSTAR, ARG_INT32},
       "4|2|abc|9"},
      {"positional stars",
       [] { return ArgListC::FromFormat("%1$*2$.*3$s", "abc", 5, 1); },
       {ARG_CHARSTAR, ARG_INT32, ARG_INT32},
       "abc|5|1"},
      {"first decides", [] { return ArgListC::FromFormat("%1$s %1$d", "x"); }, {ARG_CHARSTAR}, "x"},
      {"other letters take an int, floating ones a double",
       [] { return ArgListC::FromFormat("%n %y %f %d", 1, 2, 3.5, 4); },
       {ARG_INT32, ARG_INT32, ARG_REAL, ARG_INT32},
       "1|2|3.5|4"},
      {"not conversions",
       [] { return ArgListC::FromFormat("%% % ! %-%d %5", 6); },
       {ARG_INT32},
       "6"},
      {"gap",
       [] { return ArgListC::FromFormat("%1$d %3$s", 1, 2, "three"); },
       {ARG_INT32, ARG_NULL, ARG_NULL},
       "1|(null)|(null)"},
      {"position 0", [] { return ArgListC::FromFormat("%0$d %d", 1); }, {ARG_INT32}, "1"},
      {"beyond 128",
       [] { return ArgListC::FromFormat("%129$d %1$d %4294967297$d", 1); },
       {ARG_INT32},
       "1"},
      {"no conversions", [] { return ArgListC::FromFormat("plain text"); }, {}, ""},
      {"null format", [] { return ArgListC::FromFormat(nullptr); }, {}, ""},
  };
  for (const FormatRowS& row : rows) {
    const ArgListC list = row.build();
    EXPECT_EQ(TypesOf(list), row.types) << row.label;
    if (row.rendered != nullptr) {
      EXPECT_EQ(Rendered(list), row.rendered) << row.label;
    }
  }
}

TEST(ArgListCTest, FromFormatKeepsReferencedValues) {
  const StringC str = StringC::FromUtf8("S-text");
  const struct timeval tv = {7, 8};
  const ArgListC list = ArgListC::FromFormat("%S %t %C", &str, &tv, 0x20ACu);
  EXPECT_EQ(list[0]->GetString(), str);
  EXPECT_EQ(list[1]->GetTimeVal().sec, 7);
  EXPECT_EQ(list[1]->GetTimeVal().usec, 8);
  EXPECT_EQ(list.FormatUtf8("%S %t %C"), "S-text 7.000008 \xE2\x82\xAC");
}

#define QLM_X8(v) v, v, v, v, v, v, v, v
#define QLM_X64(v) \
  QLM_X8(v), QLM_X8(v), QLM_X8(v), QLM_X8(v), QLM_X8(v), QLM_X8(v), QLM_X8(v), QLM_X8(v)

TEST(ArgListCTest, FromFormatTakesAtMost128Arguments) {
  std::string format;
  for (int i = 0; i < 129; ++i) format += "%d ";
  const ArgListC list = ArgListC::FromFormat(format.c_str(), QLM_X64(7), QLM_X64(7), 7);
  EXPECT_EQ(list.Count(), ArgListC::kMaxFormatArguments);
  for (size_t i = 0; i < list.Count(); ++i) ASSERT_EQ(list[i]->GetInt32(), 7) << i;
  // The formatter renders the 128 and copies the 129th conversion as written.
  const std::string out = list.FormatUtf8(format);
  EXPECT_EQ(out.substr(out.size() - 7), "7 7 %d ");
}

// The list builder and the formatter read conversions alike, so a format rendered from its own
// variable arguments matches the C library wherever the two define the same output.
TEST(ArgListCTest, FromFormatThenFormatMatchesPrintf) {
  const int marker = 0;
  struct RowS {
    const char* format;
    std::function<ArgListC()> build;
    std::function<std::string()> reference;
  };
  auto c_format = [](const char* format, auto... args) {
    char buf[512];
    std::snprintf(buf, sizeof(buf), format, args...);
    return std::string(buf);
  };
#define QLM_ROW(fmt, ...)                                        \
  RowS {                                                         \
    fmt, [&] { return ArgListC::FromFormat(fmt, __VA_ARGS__); }, \
        [&] { return c_format(fmt, __VA_ARGS__); }               \
  }
  const std::vector<RowS> rows = {
      QLM_ROW("%s has %d items (%u%%)", "box", -3, 40u),
      QLM_ROW("[%5.2s|%-4c|%lld|%#x|%08lx]", "abc", 'z', -7LL, 255u, 0xabcUL),
      QLM_ROW("%*d|%-*d|%.*s", 5, 1, 4, 2, 2, "xyz"),
      QLM_ROW("%3$s %1$s %2$s", "a", "b", "c"),
      QLM_ROW("%1$*2$d|%1$-*2$d", 42, 6),
      QLM_ROW("%p %hd %hhu %+d % d", static_cast<const void*>(&marker), 40000, 300u, 5, 6),
      QLM_ROW("%o %#o %X %#X %lu %zu", 8u, 8u, 48879u, 48879u, 1234567890123UL, size_t{77}),
  };
#undef QLM_ROW
  for (const RowS& row : rows) {
    EXPECT_EQ(row.build().FormatUtf8(row.format), row.reference()) << row.format;
  }
}

}  // namespace

// A double passed for a floating-point conversion is taken as a double, so the arguments after it
// keep their places.
TEST(ArgListCFromFormatTest, FloatingConversionsTakeADouble) {
  ArgListC list = ArgListC::FromFormat("%f then %d and %s", 2.5, 7, "tail");
  ASSERT_EQ(list.Count(), 3u);
  EXPECT_EQ(list[0]->type, ARG_REAL);
  EXPECT_EQ(list[1]->i32, 7);
  EXPECT_STREQ(list[2]->cstr, "tail");
}
