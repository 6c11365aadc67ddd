// StringC: sharing, copy before change, character positions, encodings.
#include "base/StringC.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/ArgListC.h"
#include "cmn/cmn_Services.h"
#include "cmn/cmn_StringFactoryI.h"

namespace {

StringC S(const char* utf8) {
  return StringC(utf8, StringC::CC_UTF8);
}

const cmn_StringBodyI* EmptyBody() {
  return getStringFactory(true)->Empty();
}

TEST(StringC, EmptyStringsShareOneBody) {
  StringC a, b;
  StringC c(nullptr, StringC::CC_ASCII);
  StringC d("", StringC::CC_UTF8);
  for (const StringC* s : {&a, &b, &c, &d}) {
    EXPECT_EQ(s->Body(), EmptyBody());
    EXPECT_TRUE(s->IsEmpty());
    EXPECT_EQ(s->Length(), 0);
  }
  StringC x = S("abc");
  x.MakeEmpty();
  EXPECT_EQ(x.Body(), EmptyBody());
  StringC y = S("abc");
  y.Erase(0);
  EXPECT_EQ(y.Body(), EmptyBody());  // erasing everything gives the shared empty body back
}

TEST(StringC, CopiesShareAndAssignmentCounts) {
  StringC a = S("shared text");
  StringC b(a);
  EXPECT_EQ(a.Body(), b.Body());
  EXPECT_TRUE(a.Body()->IsShared());
  const StringC& alias = b;  // through a reference: the compiler accepts the self-assignment
  b = alias;                 // self-assignment keeps the reference
  EXPECT_EQ(b.ToUtf8(), "shared text");
  StringC c = S("other");
  c = a;
  EXPECT_EQ(c.Body(), a.Body());
  StringC moved(std::move(c));
  EXPECT_EQ(moved.Body(), a.Body());
  EXPECT_EQ(c.Body(), EmptyBody());  // NOLINT(bugprone-use-after-move): moved-from is empty
  c = std::move(moved);
  EXPECT_TRUE(moved.IsEmpty());  // NOLINT(bugprone-use-after-move)
  b.MakeEmpty();
  c.MakeEmpty();
  EXPECT_FALSE(a.Body()->IsShared());  // every other reference was given back
}

// Each change in place, applied to a string whose body is shared with a copy: the copy keeps
// its text and the changed string gets the right one.
TEST(StringC, ChangesNeverReachACopy) {
  const std::string original =
      "\xC3\xA0 b\xE2\x82\xAC"
      "c ";  // "à b€c "
  struct CaseS {
    const char* what;
    std::function<void(StringC&)> change;
    std::string want;
  } cases[] = {
      {"Append", [](StringC& s) { s.Append(S("\xC3\xB6")); }, original + "\xC3\xB6"},
      {"AppendChar", [](StringC& s) { s.AppendChar(U'\u00DF'); }, original + "\xC3\x9F"},
      {"Insert", [](StringC& s) { s.Insert(2, S("X")); },
       "\xC3\xA0 Xb\xE2\x82\xAC"
       "c "},
      {"Erase middle", [](StringC& s) { s.Erase(2, 2); }, "\xC3\xA0 c "},
      {"Erase front", [](StringC& s) { s.Erase(0, 2); },
       "b\xE2\x82\xAC"
       "c "},
      {"Erase back", [](StringC& s) { s.Erase(4); }, "\xC3\xA0 b\xE2\x82\xAC"},
      {"TrimLeft", [](StringC& s) { s.TrimLeft(S("\xC3\xA0 ")); },
       "b\xE2\x82\xAC"
       "c "},
      {"TrimRight", [](StringC& s) { s.TrimRight(S(" c")); }, "\xC3\xA0 b\xE2\x82\xAC"},
      {"assign", [](StringC& s) { s = S("new"); }, "new"},
  };
  for (const CaseS& c : cases) {
    StringC s = S(original.c_str());
    const StringC copy(s);
    c.change(s);
    EXPECT_EQ(s.ToUtf8(), c.want) << c.what;
    EXPECT_EQ(copy.ToUtf8(), original) << c.what;
    EXPECT_FALSE(copy.Body()->IsShared()) << c.what;
    // The same change on a private body gives the same text.
    StringC alone = S(original.c_str());
    c.change(alone);
    EXPECT_EQ(alone.ToUtf8(), c.want) << c.what << " (private)";
  }
}

TEST(StringC, AppendAndInsertOfEmptyStrings) {
  const StringC text = S("text");
  StringC empty;
  empty.Append(text);
  EXPECT_EQ(empty.Body(), text.Body());  // an empty string takes the other's body
  StringC e2;
  e2.Insert(5, text);
  EXPECT_EQ(e2.Body(), text.Body());
  StringC t(text);
  const cmn_StringBodyI* before = t.Body();
  t.Append(StringC());
  t.Insert(1, StringC());
  t.Erase(1, 0);
  EXPECT_EQ(t.Body(), before);  // no-ops do not even unshare
  StringC self = S("ab");
  self.Append(self);
  EXPECT_EQ(self.ToUtf8(), "abab");
  StringC c;
  c.AppendChar(U'\u20AC');
  EXPECT_EQ(c.ToUtf8(), "\xE2\x82\xAC");
  EXPECT_EQ(EmptyBody()->Length(), 0);  // the shared empty body was not written to
}

TEST(StringC, SharesWhenNothingChanges) {
  const StringC upper = S("ABC 123");
  EXPECT_EQ(upper.ToUpper().Body(), upper.Body());
  EXPECT_EQ(upper.Substring(0).Body(), upper.Body());
  EXPECT_EQ(upper.Substring(0, 99).Body(), upper.Body());
  EXPECT_EQ((upper + StringC()).Body(), upper.Body());
  EXPECT_EQ((StringC() + upper).Body(), upper.Body());
  EXPECT_EQ(upper.ToLower().ToUtf8(), "abc 123");
  EXPECT_EQ(upper.ToUtf8(), "ABC 123");
  const StringC mixed = S("\xC3\x84rger");  // Ärger
  EXPECT_EQ(mixed.ToUpper().ToUtf8(), "\xC3\x84RGER");
  EXPECT_EQ(mixed.ToLower().ToUtf8(), "\xC3\xA4rger");
  EXPECT_EQ(mixed.ToUtf8(), "\xC3\x84rger");
}

TEST(StringC, PositionsCountCharacters) {
  const StringC s = S("d\xC3\xA9j\xC3\xA0 vu \xE2\x82\xAC\xF0\x9F\x98\x80!");  // "déjà vu €😀!"
  EXPECT_EQ(s.Length(), 11);
  EXPECT_FALSE(s.IsAscii());
  EXPECT_EQ(s.CharAt(3), U'\u00E0');
  EXPECT_EQ(s.CharAt(9), U'\U0001F600');
  EXPECT_EQ(s.Find(S("vu")), 5);
  EXPECT_EQ(s.Find(S("\xF0\x9F\x98\x80")), 9);
  EXPECT_EQ(s.FindChar('!'), 10);
  EXPECT_EQ(s.FindCharBackwards(U'\u00E9'), 1);
  EXPECT_EQ(s.Substring(1, 3).ToUtf8(), "\xC3\xA9j\xC3\xA0");
  EXPECT_EQ(s.Substring(8).ToUtf8(), "\xE2\x82\xAC\xF0\x9F\x98\x80!");
  EXPECT_TRUE(s.StartsWith(S("d\xC3\xA9j")));
  EXPECT_FALSE(s.StartsWith(S("d\xC3\xA9J")));
  EXPECT_FALSE(S("d").StartsWith(S("d\xC3\xA9")));
  StringC t(s);
  t.Insert(9, S("\xC3\x9F"));
  EXPECT_EQ(t.ToUtf8(), "d\xC3\xA9j\xC3\xA0 vu \xE2\x82\xAC\xC3\x9F\xF0\x9F\x98\x80!");
  t.Erase(1, 3);
  EXPECT_EQ(t.ToUtf8(), "d vu \xE2\x82\xAC\xC3\x9F\xF0\x9F\x98\x80!");
  EXPECT_EQ(t.Length(), 9);
}

TEST(StringC, EqualityAndOrder) {
  struct CaseS {
    const char* a;
    const char* b;
    bool equal, equal_no_case, less;
  } cases[] = {
      {"abc", "abc", true, true, false},
      {"abc", "ABC", false, true, false},
      {"ab", "abc", false, false, true},
      {"\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89", false, true, false},  // été / ÉTÉ
      {"\xC3\xA9", "e", false, false, false},
      {"", "", true, true, false},
  };
  for (const CaseS& c : cases) {
    const StringC a = S(c.a), b = S(c.b);
    EXPECT_EQ(a == b, c.equal) << c.a << " " << c.b;
    EXPECT_EQ(a != b, !c.equal) << c.a << " " << c.b;
    EXPECT_EQ(a.EqualsNoCase(b), c.equal_no_case) << c.a << " " << c.b;
    EXPECT_EQ(a < b, c.less) << c.a << " " << c.b;
  }
}

TEST(StringC, TrimsBySet) {
  const StringC blanks(" \t", StringC::CC_ASCII);
  StringC a("\t a ", StringC::CC_ASCII);
  a.TrimLeft(blanks);
  EXPECT_EQ(a.ToUtf8(), "a ");
  StringC b("   ", StringC::CC_ASCII);
  b.TrimRight(blanks);
  EXPECT_TRUE(b.IsEmpty());
  StringC c;
  c.TrimLeft(blanks).TrimRight(blanks);
  EXPECT_TRUE(c.IsEmpty());
  StringC d = S("\xC2\xA0x\xC2\xA0");  // no-break spaces are trimmed only when in the set
  d.TrimLeft(blanks);
  EXPECT_EQ(d.Length(), 3);
  d.TrimRight(S("\xC2\xA0"));
  EXPECT_EQ(d.ToUtf8(), "\xC2\xA0x");
}

TEST(StringC, BytesRoundTripInTheHandleEncodings) {
  const bool sys_is_latin1 = cmn_SystemEncoding() == cmn_EncodingE::kLatin1;
  struct TextS {
    const char* utf8;
    bool fits_latin1;  // every character below U+0100
  } texts[] = {{"plain", true},
               {"Gr\xC3\xBC\xC3\x9F"
                "e",
                true},
               {"\xE2\x82\xAC\xF0\x9F\x98\x80", false}};
  struct EncS {
    const char* name;
    bool narrow;  // one byte per character
    bool latin1;  // holds U+0080..U+00FF
  } encodings[] = {{"utf8", false, true},      {"system-8", sys_is_latin1, true},
                   {"iso-8859-1", true, true}, {"ascii", true, false},
                   {"wchar_t", false, true},   {"utf16", false, true}};
  for (const TextS& t : texts) {
    const StringC s = S(t.utf8);
    for (const EncS& e : encodings) {
      void* bytes = s.GetBytes(e.name);
      ASSERT_NE(bytes, nullptr);
      const StringC back(bytes, static_cast<size_t>(s.GetByteLength(e.name)), e.name);
      s.ReleaseBytes(bytes, e.name);
      const bool lossless = !e.narrow || s.IsAscii() || (e.latin1 && t.fits_latin1);
      if (lossless) {
        EXPECT_EQ(back, s) << t.utf8 << " in " << e.name;
      } else {
        EXPECT_EQ(back.Length(), s.Length()) << t.utf8 << " in " << e.name;
        EXPECT_NE(back.FindChar('~'), -1) << t.utf8 << " in " << e.name;
      }
    }
  }
  const StringC latin("caf\xE9", StringC::CC_LATIN1);
  EXPECT_EQ(latin.ToUtf8(), "caf\xC3\xA9");
  const StringC wide(U'\U0001F600');
  EXPECT_EQ(wide.GetByteLength("utf16"), 4);
  EXPECT_EQ(StringC::FromUtf8("\xC3").ToUtf8(), "\xEF\xBF\xBD");
}

TEST(StringC, FormatsWithAnArgumentList) {
  ArgListC args;
  args.AddString(S("w\xC3\xB6rld")).AddInt32(42);
  EXPECT_EQ(StringC::Format(S("%1$s=%2$d"), args).ToUtf8(), "w\xC3\xB6rld=42");
  EXPECT_EQ(StringC::Format(S("no args"), ArgListC()).ToUtf8(), "no args");
}

// Many threads copy and drop handles of one body while others take a copy and change it: the
// count stays right (ASan/TSan builds check the frees) and no change reaches another holder.
TEST(StringC, SharingAcrossThreads) {
  const std::string text = "k\xC3\xB6rper-" + std::string(100, 'x');
  const StringC shared = S(text.c_str());
  std::atomic<int> bad{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 5000; ++i) {
        StringC a(shared);
        StringC b;
        b = a;
        if (t % 2 == 0) {
          b.AppendChar(U'!');
          b.Erase(0, 1);
          if (b.Length() != shared.Length()) ++bad;
        } else {
          StringC c(std::move(b));
          if (c != shared) ++bad;
        }
        if (a.ToUtf8() != text) ++bad;
      }
    });
  }
  // A copy taken on another thread while the others churn is unaffected by changes here.
  StringC theirs;
  std::thread taker([&] { theirs = shared; });
  taker.join();
  StringC mine(shared);
  mine.Append(S("-changed"));
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(bad.load(), 0);
  EXPECT_EQ(theirs.ToUtf8(), text);
  EXPECT_EQ(mine.ToUtf8(), text + "-changed");
  theirs.MakeEmpty();
  EXPECT_FALSE(shared.Body()->IsShared());
}

}  // namespace
