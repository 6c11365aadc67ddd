// String bodies and their factory, through the interfaces the handle uses.
#include "cmn/cmn_StringBodyC.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "cmn/cmn_Encodings.h"
#include "cmn/cmn_Services.h"
#include "cmn/cmn_StringFactoryI.h"

namespace {

cmn_StringFactoryI* F() {
  return getStringFactory(true);
}

// Holds one reference to a body for the duration of a test.
class BodyRefC {
 public:
  explicit BodyRefC(cmn_StringBodyI* body) : body_(body) { body_->AddRef(); }
  BodyRefC(const BodyRefC&) = delete;
  BodyRefC& operator=(const BodyRefC&) = delete;
  ~BodyRefC() { body_->Release(); }
  cmn_StringBodyI* operator->() const { return body_; }
  cmn_StringBodyI& operator*() const { return *body_; }

 private:
  cmn_StringBodyI* body_;
};

BodyRefC U(const std::string& utf8) {
  return BodyRefC(F()->MakeFromBytes(utf8.data(), utf8.size(), "utf8"));
}

// Reference UTF-8 writer for code points up to 0x10FFFF.
std::string Utf8Of(const std::u32string& text) {
  std::string out;
  for (char32_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

TEST(StringFactoryC, DecodesEveryEncoding) {
  struct CaseS {
    const char* name;
    std::string bytes;
    const char* encoding;
    std::string utf8;
    int64_t length;
  };
  const std::string le_a("\x41\x00", 2);
  const CaseS cases[] = {
      {"ascii", "abc", "ascii", "abc", 3},
      {"ascii high byte", "a\xE9", "ascii", "a\xEF\xBF\xBD", 2},
      {"latin1", "caf\xE9", "iso-8859-1", "caf\xC3\xA9", 4},
      {"encoding name any case", "caf\xE9", "ISO-8859-1", "caf\xC3\xA9", 4},
      {"utf8 valid", "\xE2\x82\xAC", "utf8", "\xE2\x82\xAC", 1},
      {"utf8 bad continuation", "\xC3\x28", "utf8", "\xEF\xBF\xBD(", 2},
      {"utf8 stray continuation", "\x80z", "utf8", "\xEF\xBF\xBDz", 2},
      {"utf8 incomplete tail", "a\xE2\x82", "utf8", "a\xEF\xBF\xBD", 2},
      {"utf8 FE", "\xFE", "utf8", "\xEF\xBF\xBD", 1},
      {"overlong form replaced",
       "A\xC0\xAF"
       "B",
       "utf8",
       "A\xEF\xBF\xBD"
       "B",
       3},
      {"vutf8 is still checked", "\xFF", "vutf8", "\xEF\xBF\xBD", 1},
      {"unknown name reads as utf8", "\xC3\xA9", "klingon", "\xC3\xA9", 1},
      {"utf16 pair", std::string("\x3D\xD8\x00\xDE", 4), "utf16", "\xF0\x9F\x98\x80", 1},
      {"utf16 lone surrogate", std::string("\x3D\xD8\x41\x00", 4), "utf16",
       "\xEF\xBF\xBD"
       "A",
       2},
      {"utf16 odd last byte", le_a + "\x42", "utf16", "A\xEF\xBF\xBD", 2},
      {"wchar", std::string("\xAC\x20\x00\x00\x41\x00\x00\x00", 8), "wchar_t",
       "\xE2\x82\xAC"
       "A",
       2},
      {"wchar partial unit", std::string("\x41\x00\x00\x00\x42", 5), "wchar_t", "A\xEF\xBF\xBD", 2},
      {"embedded zero", std::string("a\0b", 3), "utf8", std::string("a\0b", 3), 3},
  };
  for (const CaseS& c : cases) {
    SCOPED_TRACE(c.name);
    BodyRefC b(F()->MakeFromBytes(c.bytes.data(), c.bytes.size(), c.encoding));
    EXPECT_EQ(b->Utf8(), c.utf8);
    EXPECT_EQ(b->Length(), c.length);
    EXPECT_EQ(b->IsAscii(), c.utf8.size() == static_cast<size_t>(c.length));
  }
}

TEST(StringFactoryC, EmptyResultsAreTheSharedEmptyBody) {
  cmn_StringBodyI* empty = F()->Empty();
  EXPECT_EQ(F()->Empty(), empty);
  EXPECT_TRUE(empty->IsShared());  // so no handle ever changes it in place
  EXPECT_EQ(F()->MakeFromCText("", "utf8"), empty);
  EXPECT_EQ(F()->MakeFromCText(nullptr, "utf8"), empty);
  EXPECT_EQ(F()->MakeFromBytes("x", 0, "ascii"), empty);
  EXPECT_EQ(F()->Concat(*empty, *empty), empty);
  BodyRefC abc = U("abc");
  EXPECT_EQ(F()->Substring(*abc, 1, 0), empty);
  EXPECT_EQ(F()->Substring(*abc, 5, 2), empty);
  // Dropping more references than were taken never frees it.
  for (int i = 0; i < 3; ++i) empty->Release();
  EXPECT_TRUE(empty->IsEmpty());
  EXPECT_EQ(empty->Utf8(), "");
}

TEST(StringFactoryC, SubstringClipsToTheText) {
  BodyRefC s = U("h\xC3\xA9llo w\xC3\xB6rld");  // "héllo wörld"
  struct CaseS {
    int64_t position, count;
    const char* utf8;
  } cases[] = {
      {0, -1, "h\xC3\xA9llo w\xC3\xB6rld"},
      {1, 1, "\xC3\xA9"},
      {6, -1, "w\xC3\xB6rld"},
      {7, 100, "\xC3\xB6rld"},
      {-2, 3, "h"},
      {10, 5, "d"},
  };
  for (const CaseS& c : cases) {
    BodyRefC sub(F()->Substring(*s, c.position, c.count));
    EXPECT_EQ(sub->Utf8(), c.utf8) << c.position << "," << c.count;
  }
}

TEST(StringBodyC, CharAtFollowsCharactersInAnyOrder) {
  const std::u32string text = U"a\u00E9\u20AC\U0001F600b\u0436\u4E2D\U00010348zz\u00FF";
  BodyRefC b = U(Utf8Of(text));
  ASSERT_EQ(b->Length(), static_cast<int64_t>(text.size()));
  const int64_t n = b->Length();
  for (int64_t i = 0; i < n; ++i) EXPECT_EQ(b->CharAt(i), text[i]) << "forward " << i;
  for (int64_t i = n; i-- > 0;) EXPECT_EQ(b->CharAt(i), text[i]) << "backward " << i;
  std::mt19937 rng(7);
  for (int k = 0; k < 500; ++k) {
    const int64_t i = static_cast<int64_t>(rng() % text.size());
    ASSERT_EQ(b->CharAt(i), text[i]) << "random " << i;
  }
  EXPECT_EQ(b->CharAt(-1), 0u);
  EXPECT_EQ(b->CharAt(n), 0u);
}

TEST(StringBodyC, ConcurrentReadersSeeConsistentPositions) {
  std::u32string text;
  for (int i = 0; i < 2000; ++i)
    text += (i % 3 == 0) ? U'\u0436' : (i % 3 == 1 ? U'x' : U'\U0001F600');
  BodyRefC b = U(Utf8Of(text));
  // next_smiley[i]: the first position after i holding U+1F600.
  std::vector<int64_t> next_smiley(text.size(), -1);
  for (size_t i = text.size() - 1; i-- > 0;) {
    next_smiley[i] =
        text[i + 1] == U'\U0001F600' ? static_cast<int64_t>(i + 1) : next_smiley[i + 1];
  }
  std::vector<std::thread> threads;
  std::vector<int> errors(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      std::mt19937 rng(t);
      for (int k = 0; k < 20000; ++k) {
        const size_t i = rng() % text.size();
        if (b->CharAt(static_cast<int64_t>(i)) != text[i]) ++errors[t];
        if (k % 16 == 0 && b->FindChar(U'\U0001F600', static_cast<int64_t>(i)) != next_smiley[i]) {
          ++errors[t];
        }
      }
    });
  }
  for (std::thread& th : threads) th.join();
  for (int t = 0; t < 8; ++t) EXPECT_EQ(errors[t], 0) << "thread " << t;
}

TEST(StringBodyC, ComparesInCodePointOrder) {
  struct CaseS {
    const char* a;
    const char* b;
    int sign;
  } cases[] = {
      {"abc", "abc", 0},
      {"abc", "abd", -1},
      {"ab", "abc", -1},
      {"", "a", -1},
      {"\x7F", "\xC2\x80", -1},                  // U+007F < U+0080
      {"\xEF\xBF\xBF", "\xF0\x90\x80\x80", -1},  // U+FFFF < U+10000
      {"\xC3\xA9", "z", 1},
  };
  for (const CaseS& c : cases) {
    BodyRefC a = U(c.a), b = U(c.b);
    EXPECT_EQ((a->Compare(*b) > 0) - (a->Compare(*b) < 0), c.sign) << c.a << " vs " << c.b;
    EXPECT_EQ((b->Compare(*a) > 0) - (b->Compare(*a) < 0), -c.sign) << c.b << " vs " << c.a;
  }
}

TEST(StringBodyC, ComparesIgnoringCaseAcrossScripts) {
  struct CaseS {
    const char* a;
    const char* b;
    int sign;
  } cases[] = {
      {"Hello", "hELLO", 0},
      {"\xC3\x84pfel", "\xC3\xA4PFEL", 0},                          // Äpfel
      {"\xCE\xA3\xCE\x9F\xCE\xA6", "\xCF\x83\xCE\xBF\xCF\x86", 0},  // ΣΟΦ / σοφ
      {"\xE2\x84\xAA", "k", 0},                                     // KELVIN SIGN folds to k
      {"stra\xC3\x9F"
       "e",
       "STRASSE", 1},  // no full folding: ß stays ß
      {"abc", "ABCD", -1},
      {"\xC3\xA9", "F", 1},  // é after f
      {"[", "a", -1},        // '[' (0x5B) sorts before 'a' once 'A' is folded
  };
  for (const CaseS& c : cases) {
    BodyRefC a = U(c.a), b = U(c.b);
    const int r = a->CompareNoCase(*b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
  }
}

// The start rules: forward searches begin one past `start` (-1: at 0), backward searches one
// before it (-1: at the end).
TEST(StringBodyC, FindsWithTheStartRule) {
  // "aé€aé€" : a=0 é=1 €=2 a=3 é=4 €=5
  BodyRefC s =
      U("a\xC3\xA9\xE2\x82\xAC"
        "a\xC3\xA9\xE2\x82\xAC");
  BodyRefC ascii = U("abcabc");
  BodyRefC euro = U("\xE2\x82\xAC"), e_acute_a = U("\xC3\xA9\xE2\x82\xAC"), empty = U("");
  BodyRefC set_ae = U("a\xC3\xA9");
  struct CaseS {
    const char* what;
    int64_t got, want;
  } cases[] = {
      {"char from start", s->FindChar(U'\u20AC', -1), 2},
      {"char after its own position", s->FindChar(U'\u20AC', 2), 5},
      {"char after last", s->FindChar(U'\u20AC', 5), -1},
      {"ascii char in non-ascii text", s->FindChar('a', 0), 3},
      {"start past end", s->FindChar('a', 99), -1},
      {"char absent", s->FindChar('z', -1), -1},
      {"char above 31 bits", s->FindChar(0x80000000u, -1), -1},
      {"ascii text", ascii->FindChar('c', 2), 5},
      {"non-ascii char in ascii text", ascii->FindChar(U'\u00E9', -1), -1},
      {"backwards from end", s->FindCharBackwards(U'\u00E9', -1), 4},
      {"backwards before position", s->FindCharBackwards(U'\u00E9', 4), 1},
      {"backwards before 0", s->FindCharBackwards('a', 0), -1},
      {"backwards ascii in non-ascii", s->FindCharBackwards('a', 3), 0},
      {"backwards ascii text", ascii->FindCharBackwards('a', 3), 0},
      {"text", s->FindText(*e_acute_a, -1), 1},
      {"text after its position", s->FindText(*e_acute_a, 1), 4},
      {"text not found", s->FindText(*e_acute_a, 4), -1},
      {"single char text", s->FindText(*euro, 2), 5},
      {"empty text at first searched", s->FindText(*empty, 2), 3},
      {"empty text at end", s->FindText(*empty, 5), 6},
      {"empty text past end", s->FindText(*empty, 6), -1},
      {"first of", s->FindFirstOf(*set_ae, 1), 3},
      {"first not of", s->FindFirstNotOf(*set_ae, -1), 2},
      {"first not of none", set_ae->FindFirstNotOf(*set_ae, -1), -1},
      {"last of", s->FindLastOf(*set_ae, -1), 4},
      {"last of before", s->FindLastOf(*set_ae, 3), 1},
      {"last not of", s->FindLastNotOf(*set_ae, 5), 2},
      {"first of empty set", s->FindFirstOf(*empty, -1), -1},
      {"first not of empty set", s->FindFirstNotOf(*empty, -1), 0},
      {"ascii first of", ascii->FindFirstOf(*set_ae, 0), 3},
      {"ascii last not of", ascii->FindLastNotOf(*set_ae, -1), 5},
  };
  for (const CaseS& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

// Texts full of near misses: every candidate start but the last is a false one.
TEST(StringBodyC, FindsPastManyFalseStarts) {
  const std::string as(200, 'a');
  struct CaseS {
    std::string text, pattern;
    int64_t start, want;
  } cases[] = {
      {as + "b", "ab", -1, 199},
      {as + "b", "aab", 150, 198},
      {"\xC3\xA9" + as + "\xC3\xA9", "a\xC3\xA9", -1, 200},  // found by the hand-over
      {as, "ab", -1, -1},
      {as + "b", "b", 199, 200},
      {as + "b", "b", 200, -1},
  };
  for (const CaseS& c : cases) {
    BodyRefC text = U(c.text), pattern = U(c.pattern);
    EXPECT_EQ(text->FindText(*pattern, c.start), c.want) << c.pattern;
  }
}

TEST(StringBodyC, StartsWithCountsCharacters) {
  BodyRefC s = U("\xC3\xA9t\xC3\xA9");  // "été"
  BodyRefC etx = U("\xC3\xA9tx"), eu = U("\xC3\xA9u"), et = U("\xC3\xA9t"),
           longer = U("\xC3\xA9t\xC3\xA9!");
  struct CaseS {
    const char* what;
    int got, want_sign;
  } cases[] = {
      {"common prefix", s->StartsWith(*etx, 2), 0},
      {"differs in the last counted", s->StartsWith(*etx, 3), 1},  // 'é' > 'x'
      {"first difference decides", s->StartsWith(*eu, 2), -1},     // 't' < 'u'
      {"count 0", s->StartsWith(*eu, 0), 0},
      {"this text too short", s->StartsWith(*longer, 4), -1},
      {"the other too short", s->StartsWith(*et, 3), 1},
      {"negative count: all of text", s->StartsWith(*et, -1), 0},
  };
  for (const CaseS& c : cases) EXPECT_EQ((c.got > 0) - (c.got < 0), c.want_sign) << c.what;
}

TEST(StringBodyC, ChangesInPlaceAtCharacterPositions) {
  struct CaseS {
    const char* what;
    void (*change)(cmn_StringBodyI&);
    const char* want;
  } cases[] = {
      {"erase middle", [](cmn_StringBodyI& b) { b.Erase(1, 2); },
       "\xC3\xA0\xC3\xB6"
       "d"},
      {"erase to end", [](cmn_StringBodyI& b) { b.Erase(2, -1); }, "\xC3\xA0\xE2\x82\xAC"},
      {"erase clipped", [](cmn_StringBodyI& b) { b.Erase(-1, 2); },
       "\xE2\x82\xAC"
       "c\xC3\xB6"
       "d"},
      {"insert middle",
       [](cmn_StringBodyI& b) {
         BodyRefC x = U("\xF0\x9F\x98\x80");
         b.Insert(2, *x);
       },
       "\xC3\xA0\xE2\x82\xAC\xF0\x9F\x98\x80"
       "c\xC3\xB6"
       "d"},
      {"insert past end",
       [](cmn_StringBodyI& b) {
         BodyRefC x = U("!");
         b.Insert(99, *x);
       },
       "\xC3\xA0\xE2\x82\xAC"
       "c\xC3\xB6"
       "d!"},
      {"insert self", [](cmn_StringBodyI& b) { b.Insert(1, b); },
       "\xC3\xA0\xC3\xA0\xE2\x82\xAC"
       "c\xC3\xB6"
       "d\xE2\x82\xAC"
       "c\xC3\xB6"
       "d"},
      {"append self", [](cmn_StringBodyI& b) { b.Append(b); },
       "\xC3\xA0\xE2\x82\xAC"
       "c\xC3\xB6"
       "d\xC3\xA0\xE2\x82\xAC"
       "c\xC3\xB6"
       "d"},
      {"append char", [](cmn_StringBodyI& b) { b.AppendChar(U'\u00DF'); },
       "\xC3\xA0\xE2\x82\xAC"
       "c\xC3\xB6"
       "d\xC3\x9F"},
      {"append char above 31 bits ignored", [](cmn_StringBodyI& b) { b.AppendChar(0x80000000u); },
       "\xC3\xA0\xE2\x82\xAC"
       "c\xC3\xB6"
       "d"},
      {"upper", [](cmn_StringBodyI& b) { b.ToUpper(); },
       "\xC3\x80\xE2\x82\xAC"
       "C\xC3\x96"
       "D"},
  };
  for (const CaseS& c : cases) {
    BodyRefC b =
        U("\xC3\xA0\xE2\x82\xAC"
          "c\xC3\xB6"
          "d");    // "à€cöd"
    b->CharAt(3);  // leave a cached position behind
    c.change(*b);
    EXPECT_EQ(b->Utf8(), c.want) << c.what;
    BodyRefC fresh = U(c.want);
    EXPECT_EQ(b->Length(), fresh->Length()) << c.what;
    for (int64_t i = 0; i < fresh->Length(); ++i) {
      EXPECT_EQ(b->CharAt(i), fresh->CharAt(i)) << c.what << " at " << i;
    }
  }
}

TEST(StringBodyC, CaseChangesThatChangeTheByteLength) {
  BodyRefC a = U("\xC4\xB1x");  // dotless i: upper case is ASCII "I"
  a->ToUpper();
  EXPECT_EQ(a->Utf8(), "IX");
  EXPECT_TRUE(a->IsAscii());
  BodyRefC b = U("\xC8\xBF");  // U+023F: upper case U+2C7E takes 3 bytes
  b->ToUpper();
  EXPECT_EQ(b->Utf8(), "\xE2\xB1\xBE");
  EXPECT_EQ(b->Length(), 1);
  BodyRefC k = U("\xE2\x84\xAA");  // KELVIN SIGN lowers to ASCII k
  k->ToLower();
  EXPECT_EQ(k->Utf8(), "k");
}

TEST(StringBodyC, GrowsPastItsFirstBlock) {
  BodyRefC b = U("x");
  std::string want = "x";
  for (int i = 0; i < 300; ++i) {
    b->AppendChar(i % 2 ? U'\u00E9' : U'y');
    want += i % 2 ? "\xC3\xA9" : "y";
  }
  EXPECT_EQ(b->Utf8(), want);
  EXPECT_EQ(b->Length(), 301);
  b->Erase(1, 299);
  EXPECT_EQ(b->Utf8(), "x\xC3\xA9");
}

TEST(StringBodyC, BytesInEveryEncodingRoundTrip) {
  const char* texts[] = {"", "plain", "caf\xC3\xA9", "\xE2\x82\xAC \xF0\x9F\x98\x80 \xE4\xB8\xAD"};
  const char* encodings[] = {"utf8",  "vutf8",   "system-8", "iso-8859-1",
                             "ascii", "wchar_t", "utf16"};
  for (const char* text : texts) {
    BodyRefC b = U(text);
    for (const char* enc : encodings) {
      SCOPED_TRACE(std::string(text) + " in " + enc);
      const int64_t n = b->ByteLength(enc);
      void* bytes = b->Bytes(enc);
      ASSERT_NE(bytes, nullptr);
      const size_t unit =
          std::strcmp(enc, "wchar_t") == 0 ? 4 : (std::strcmp(enc, "utf16") == 0 ? 2 : 1);
      const std::string terminator(unit, '\0');
      EXPECT_EQ(std::memcmp(static_cast<char*>(bytes) + n, terminator.data(), unit), 0);
      BodyRefC back(F()->MakeFromBytes(bytes, static_cast<size_t>(n), enc));
      b->ReleaseBytes(bytes, enc);
      const cmn_EncodingE e = cmn_EncodingOf(enc);
      const bool one_byte =
          e == cmn_EncodingE::kAscii || e == cmn_EncodingE::kLatin1 ||
          (e == cmn_EncodingE::kSys8 && cmn_SystemEncoding() == cmn_EncodingE::kLatin1);
      if (!one_byte || b->IsAscii()) {
        EXPECT_EQ(back->Utf8(), b->Utf8());
      } else {
        EXPECT_EQ(back->Length(), b->Length());  // one byte per character, "~" for the rest
      }
    }
  }
}

TEST(StringBodyC, BytesMarkWhatTheEncodingCannotHold) {
  BodyRefC b = U("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");  // é € 😀
  struct CaseS {
    const char* enc;
    std::string bytes;
  } cases[] = {
      {"ascii", "~~~"},
      {"iso-8859-1", "\xE9~~"},
      {"utf16", std::string("\xE9\x00\xAC\x20\x3D\xD8\x00\xDE", 8)},
      {"wchar_t", std::string("\xE9\x00\x00\x00\xAC\x20\x00\x00\x00\xF6\x01\x00", 12)},
  };
  for (const CaseS& c : cases) {
    ASSERT_EQ(b->ByteLength(c.enc), static_cast<int64_t>(c.bytes.size())) << c.enc;
    void* bytes = b->Bytes(c.enc);
    EXPECT_EQ(std::string(static_cast<char*>(bytes), c.bytes.size()), c.bytes) << c.enc;
    b->ReleaseBytes(bytes, c.enc);
  }
  EXPECT_EQ(b->ByteLength("ebcdic"), -1);
  EXPECT_EQ(b->Bytes("ebcdic"), nullptr);
  EXPECT_EQ(b->Bytes(nullptr), nullptr);
  b->ReleaseBytes(nullptr, "utf8");
}

TEST(Encodings, NamesAndSystemEncoding) {
  EXPECT_EQ(cmn_EncodingOf(cmn_kEncUtf8), cmn_EncodingE::kUtf8);
  EXPECT_EQ(cmn_EncodingOf("UTF8"), cmn_EncodingE::kUtf8);
  EXPECT_EQ(cmn_EncodingOf("VUTF8"), cmn_EncodingE::kValidUtf8);
  EXPECT_EQ(cmn_EncodingOf("System-8"), cmn_EncodingE::kSys8);
  EXPECT_EQ(cmn_EncodingOf("WCHAR_T"), cmn_EncodingE::kWchar);
  EXPECT_EQ(cmn_EncodingOf("utf16"), cmn_EncodingE::kUtf16);
  EXPECT_EQ(cmn_EncodingOf("utf-8"), cmn_EncodingE::kUnknown);
  EXPECT_EQ(cmn_EncodingOf(nullptr), cmn_EncodingE::kUnknown);
  const cmn_EncodingE sys = cmn_SystemEncoding();
  EXPECT_TRUE(sys == cmn_EncodingE::kUtf8 || sys == cmn_EncodingE::kLatin1);
  EXPECT_EQ(cmn_SystemEncoding(), sys);  // decided once
}

}  // namespace
