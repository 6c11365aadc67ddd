#include "cmn/cmn_IniDocumentC.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "cmn/cmn_RegistryI.h"

namespace {

cmn_RegValueS Sz(std::string text, uint32_t type = cmn_kRegSz) {
  cmn_RegValueS v;
  v.type = type;
  v.texts.push_back(std::move(text));
  return v;
}

TEST(IniDocumentTest, RoundTripKeepsEveryByte) {
  const std::string inputs[] = {
      "",
      "; only a comment",
      "[A]\r\nx=1\r\n",
      "garbage \x01\xff line\n[Sec\\Sub]\n  Name =  value  \n\n# c\n[broken\nz{bogus}=1\n",
      "top=1\n[S]\nq{dword}=0x10\nb{binary}=0a ff\nm{multi}=a\nm{multi}=b\n",
  };
  for (const std::string& in : inputs) {
    cmn_IniDocumentC doc;
    doc.Parse(in);
    EXPECT_EQ(doc.Serialize(), in);
  }
}

TEST(IniDocumentTest, ParsesTypedValuesSectionsAndBadLines) {
  cmn_IniDocumentC doc;
  doc.Parse(
      "top=at attachment\n"
      "[Quillmarsh\\Policy Client\\CurrentVersion]\n"
      "PolicyServerURL = http://h/p \n"
      "Path{expand}=$(InstallDir)/bin\n"
      "Count{dword}=42\n"
      "Hex{DWORD}=0xFFFFFFFF\n"
      "Big{dword}=4294967296\n"
      "Blob{binary}=00 7f\n"
      "List{multi}=one\n"
      "List{multi}=two\n"
      "Quoted=\"a\\tb\\x01\"\n"
      "NotQuoted=\"a\"b\"\n"
      "dup=first\n"
      "DUP=second\n"
      "no equals sign\n");
  const auto* v = doc.FindValue("", "top");
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->texts[0], "at attachment");
  const std::string sec = "quillmarsh\\POLICY CLIENT\\currentversion";
  EXPECT_EQ(doc.FindValue(sec, "policyserverurl")->texts[0], "http://h/p");
  EXPECT_EQ(doc.FindValue(sec, "Path")->type, cmn_kRegExpandSz);
  EXPECT_EQ(doc.FindValue(sec, "Count")->dword, 42u);
  EXPECT_EQ(doc.FindValue(sec, "Hex")->dword, 0xFFFFFFFFu);
  EXPECT_EQ(doc.FindValue(sec, "Big"), nullptr);
  EXPECT_EQ(doc.FindValue(sec, "Blob")->bytes, std::string("\x00\x7f", 2));
  EXPECT_EQ(doc.FindValue(sec, "List")->texts, (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(doc.FindValue(sec, "Quoted")->texts[0], "a\tb\x01");
  EXPECT_EQ(doc.FindValue(sec, "NotQuoted")->texts[0], "\"a\"b\"");
  const std::string* spelling = nullptr;
  EXPECT_EQ(doc.FindValue(sec, "dup", &spelling)->texts[0], "second");
  EXPECT_EQ(*spelling, "dup");
  ASSERT_EQ(doc.BadLines().size(), 2u);
  EXPECT_EQ(doc.BadLines()[0].line_number, 7u);
  EXPECT_EQ(doc.BadLines()[1].text, "no equals sign");
}

TEST(IniDocumentTest, EditsKeepCommentsOrderAndUnparsableLines) {
  cmn_IniDocumentC doc;
  doc.Parse("; header\n[A]\nx=1\n# keep\n???\n\n[B]\ny=2\n");
  ASSERT_TRUE(doc.SetValue("a", "X", Sz("changed")));
  ASSERT_TRUE(doc.SetValue("A", "new", Sz("  padded ")));
  ASSERT_TRUE(doc.SetValue("C\\D", "z", Sz("3")));
  ASSERT_TRUE(doc.SetValue("", "root", Sz("r")));
  EXPECT_EQ(doc.Serialize(),
            "root=r\n; header\n[A]\nx=changed\n# keep\n???\nnew=\"  padded \"\n\n[B]\ny=2\n\n"
            "[C\\D]\nz=3\n");
  cmn_IniDocumentC again;
  again.Parse(doc.Serialize());
  EXPECT_EQ(again.FindValue("A", "new")->texts[0], "  padded ");
  EXPECT_TRUE(again.HasKey("c"));
  std::vector<std::string> children;
  again.ChildKeys("", &children);
  EXPECT_EQ(children, (std::vector<std::string>{"A", "B", "C"}));
}

TEST(IniDocumentTest, RefusesNamesTheFormatCannotHold) {
  cmn_IniDocumentC doc;
  for (const char* name : {"", "a=b", " lead", "x{y}", "[s", ";c", "line\nfeed"}) {
    EXPECT_FALSE(doc.SetValue("S", name, Sz("v"))) << name;
  }
  EXPECT_FALSE(doc.SetValue("bad]section", "n", Sz("v")));
  EXPECT_EQ(doc.Serialize(), "");
}

TEST(IniDocumentTest, TextsRoundTripThroughQuoting) {
  const std::string texts[] = {"",          "plain",    " lead",       "trail\t", "\"quoted\"",
                               "new\nline", "\\back\\", "ctl\x01\x7f", "ümlaut"};
  for (const std::string& t : texts) {
    cmn_IniDocumentC doc;
    ASSERT_TRUE(doc.SetValue("S", "v", Sz(t)));
    cmn_IniDocumentC back;
    back.Parse(doc.Serialize());
    ASSERT_NE(back.FindValue("S", "v"), nullptr) << t;
    EXPECT_EQ(back.FindValue("S", "v")->texts[0], t);
    EXPECT_TRUE(back.BadLines().empty());
  }
}

TEST(IniDocumentTest, MultiValuesReplaceAndDeleteAsAGroup) {
  cmn_IniDocumentC doc;
  doc.Parse("[S]\nm{multi}=a\nother=1\nm{multi}=b\n");
  cmn_RegValueS list;
  list.type = cmn_kRegMultiSz;
  list.texts = {"x", "y", "z"};
  ASSERT_TRUE(doc.SetValue("S", "M", list));
  EXPECT_EQ(doc.Serialize(), "[S]\nm{multi}=x\nm{multi}=y\nm{multi}=z\nother=1\n");
  EXPECT_TRUE(doc.DeleteValue("s", "m"));
  EXPECT_FALSE(doc.DeleteValue("s", "m"));
  EXPECT_EQ(doc.Serialize(), "[S]\nother=1\n");
}

TEST(IniDocumentTest, DeleteSectionWithAndWithoutSubtree) {
  cmn_IniDocumentC doc;
  doc.Parse("[A]\na=1\n[A\\B]\nb=1\n[AB]\nc=1\n");
  ASSERT_TRUE(doc.DeleteSection("A", /*recursive=*/false));
  EXPECT_EQ(doc.Serialize(), "[A\\B]\nb=1\n[AB]\nc=1\n");
  EXPECT_TRUE(doc.HasKey("A"));  // still implied by A\B
  ASSERT_TRUE(doc.DeleteSection("a", /*recursive=*/true));
  EXPECT_EQ(doc.Serialize(), "[AB]\nc=1\n");
}

TEST(IniDocumentTest, WireFormsRoundTrip) {
  cmn_RegValueS multi;
  multi.type = cmn_kRegMultiSz;
  multi.texts = {"a", "bc"};
  std::string wire = multi.ToWire();
  EXPECT_EQ(wire, std::string("a\0bc\0\0", 6));
  cmn_RegValueS back;
  ASSERT_TRUE(cmn_RegValueS::FromWire(cmn_kRegMultiSz, wire.data(), wire.size(), &back));
  EXPECT_EQ(back, multi);
  uint32_t d = 7;
  ASSERT_TRUE(cmn_RegValueS::FromWire(cmn_kRegDword, &d, 4, &back));
  EXPECT_EQ(back.dword, 7u);
  EXPECT_FALSE(cmn_RegValueS::FromWire(cmn_kRegDword, &d, 3, &back));
  EXPECT_FALSE(cmn_RegValueS::FromWire(99, &d, 4, &back));
}

// A line starting with "[" always ends the section before it; the lines after a header that
// does not parse belong to no key, are never read and never edited.
TEST(IniDocumentTest, MalformedHeaderEndsTheSectionBeforeIt) {
  const char* const kHeaders[] = {"[Quillmarsh\\Test] # note", "[Quillmarsh\\Test Servers",
                                  "[a[b]"};
  for (const char* header : kHeaders) {
    const std::string text =
        std::string("[Quillmarsh\\Policy Client]\nPolicyServerURL=http://prod/\n") + header +
        "\nPolicyServerURL=http://test/\nOther=1\n[Z]\nz=1\n";
    cmn_IniDocumentC doc;
    doc.Parse(text);
    SCOPED_TRACE(header);
    ASSERT_NE(doc.FindValue("Quillmarsh\\Policy Client", "PolicyServerURL"), nullptr);
    EXPECT_EQ(doc.FindValue("Quillmarsh\\Policy Client", "PolicyServerURL")->texts[0],
              "http://prod/");
    EXPECT_EQ(doc.FindValue("Quillmarsh\\Policy Client", "Other"), nullptr);
    EXPECT_EQ(doc.FindValue("Z", "z")->texts[0], "1");
    ASSERT_EQ(doc.BadLines().size(), 3u);
    EXPECT_EQ(doc.BadLines()[0].line_number, 3u);
    EXPECT_EQ(doc.BadLines()[1].line_number, 4u);
    EXPECT_FALSE(doc.BadLines()[0].reason.empty());
    // Writing the good section's value leaves the orphaned lines alone.
    ASSERT_TRUE(doc.SetValue("Quillmarsh\\Policy Client", "PolicyServerURL", Sz("http://new/")));
    ASSERT_TRUE(doc.SetValue("Quillmarsh\\Policy Client", "Added", Sz("a")));
    EXPECT_EQ(doc.Serialize(),
              std::string("[Quillmarsh\\Policy Client]\nPolicyServerURL=http://new/\n"
                          "Added=a\n") +
                  header + "\nPolicyServerURL=http://test/\nOther=1\n[Z]\nz=1\n");
    EXPECT_FALSE(doc.DeleteValue("Quillmarsh\\Policy Client", "Other"));
  }
}

// Shadowed duplicates stay; the line that is read is the one written; an unchanged value
// changes no byte.
TEST(IniDocumentTest, DuplicatesKeptAndTheReadLineIsWritten) {
  cmn_IniDocumentC doc;
  const std::string text = "[S]\nA=1\n A = 2 \nB{dword}=0x10\n";
  doc.Parse(text);
  ASSERT_TRUE(doc.SetValue("S", "a", Sz("2")));
  cmn_RegValueS sixteen;
  sixteen.type = cmn_kRegDword;
  sixteen.dword = 16;
  ASSERT_TRUE(doc.SetValue("S", "B", sixteen));
  EXPECT_EQ(doc.Serialize(), text);
  ASSERT_TRUE(doc.SetValue("S", "A", Sz("3")));
  EXPECT_EQ(doc.Serialize(), "[S]\nA=1\nA=3\nB{dword}=0x10\n");
  EXPECT_EQ(doc.FindValue("S", "A")->texts[0], "3");
}

// The wire form of a list cannot hold an empty item: reading skips it, writing refuses it.
TEST(IniDocumentTest, EmptyListItemsAreSkippedAndRefused) {
  cmn_IniDocumentC doc;
  doc.Parse("[S]\nL{multi}=a\nL{multi}=\nL{multi}=b\nE{multi}=\n");
  EXPECT_EQ(doc.FindValue("S", "L")->texts, (std::vector<std::string>{"a", "b"}));
  cmn_RegValueS back;
  const std::string wire = doc.FindValue("S", "L")->ToWire();
  ASSERT_TRUE(cmn_RegValueS::FromWire(cmn_kRegMultiSz, wire.data(), wire.size(), &back));
  EXPECT_EQ(back.texts, (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(doc.FindValue("S", "E")->texts.empty());
  cmn_RegValueS with_empty;
  with_empty.type = cmn_kRegMultiSz;
  with_empty.texts = {"x", "", "y"};
  const std::string before = doc.Serialize();
  EXPECT_FALSE(cmn_IniDocumentC::CanWrite("S", "L", with_empty));
  EXPECT_FALSE(doc.SetValue("S", "L", with_empty));
  EXPECT_EQ(doc.Serialize(), before);
}

// A comment directly above a header belongs to it.
TEST(IniDocumentTest, CommentAboveAHeaderStaysWithIt) {
  const std::string text = "[A]\nx=1\n\n; servers used for testing\n[B]\ny=2\n";
  cmn_IniDocumentC add;
  add.Parse(text);
  ASSERT_TRUE(add.SetValue("A", "new", Sz("n")));
  EXPECT_EQ(add.Serialize(), "[A]\nx=1\nnew=n\n\n; servers used for testing\n[B]\ny=2\n");
  cmn_IniDocumentC del;
  del.Parse(text);
  ASSERT_TRUE(del.DeleteSection("A", false));
  EXPECT_EQ(del.Serialize(), "; servers used for testing\n[B]\ny=2\n");
  cmn_IniDocumentC own;
  own.Parse(text);
  ASSERT_TRUE(own.DeleteSection("B", false));
  EXPECT_EQ(own.Serialize(), "[A]\nx=1\n\n");
}

// Byte-order mark and CR LF survive; NUL bytes are reported instead of cutting the value.
TEST(IniDocumentTest, ByteOrderMarkLineEndingsAndNulBytes) {
  cmn_IniDocumentC doc;
  doc.Parse("\xEF\xBB\xBF[S]\r\nA=1\r\n");
  ASSERT_NE(doc.FindValue("S", "A"), nullptr);
  EXPECT_TRUE(doc.BadLines().empty());
  ASSERT_TRUE(doc.SetValue("S", "A", Sz("2")));
  ASSERT_TRUE(doc.SetValue("S", "B", Sz("3")));
  ASSERT_TRUE(doc.SetValue("T", "C", Sz("4")));
  EXPECT_EQ(doc.Serialize(), "\xEF\xBB\xBF[S]\r\nA=2\r\nB=3\r\n\r\n[T]\r\nC=4\r\n");

  cmn_IniDocumentC nul;
  nul.Parse(std::string("[S]\nA=ab\0cd\nB=\"x\\x00y\"\n", 23));
  EXPECT_EQ(nul.FindValue("S", "A"), nullptr);
  EXPECT_EQ(nul.FindValue("S", "B"), nullptr);
  ASSERT_EQ(nul.BadLines().size(), 2u);
  EXPECT_NE(nul.BadLines()[0].reason.find("NUL"), std::string::npos);
  EXPECT_FALSE(nul.SetValue("S", "C", Sz(std::string("a\0b", 3))));
}

// Random edits through the document: every line not edited keeps its bytes, and reading
// back gives exactly the values written.
TEST(IniDocumentTest, RandomEditsKeepUntouchedLinesAndReadBack) {
  std::mt19937 rng(20261206);
  const char* const kSeedLines[] = {
      "; comment",  "",           "[A]",     "[B\\C]",       "x=1",     "y = two ",
      "z{dword}=7", "L{multi}=p", "# other", "garbage line", "[broken", "q=\"quoted\\tvalue\""};
  const char* const kSections[] = {"", "A", "B\\C", "D"};
  const char* const kNames[] = {"x", "y", "k1", "k2", "L"};
  for (int round = 0; round < 300; ++round) {
    std::string text;
    const int n = static_cast<int>(rng() % 14);
    for (int i = 0; i < n; ++i) text += std::string(kSeedLines[rng() % 12]) + "\n";
    cmn_IniDocumentC doc;
    doc.Parse(text);
    const std::string section = kSections[rng() % 4];
    const std::string name = kNames[rng() % 5];
    cmn_RegValueS v;
    if (rng() % 3 == 0) {
      v.type = cmn_kRegMultiSz;
      for (int i = 0, m = 1 + static_cast<int>(rng() % 3); i < m; ++i) {
        v.texts.push_back("item" + std::to_string(rng() % 100));
      }
    } else {
      v = Sz(rng() % 2 ? " padded\t" : "v" + std::to_string(rng() % 100));
    }
    const bool remove = rng() % 4 == 0;
    if (remove) {
      doc.DeleteValue(section, name);
    } else {
      ASSERT_TRUE(doc.SetValue(section, name, v));
    }
    const std::string out = doc.Serialize();
    cmn_IniDocumentC back;
    back.Parse(out);
    if (remove) {
      EXPECT_EQ(back.FindValue(section, name), nullptr) << text;
    } else {
      ASSERT_NE(back.FindValue(section, name), nullptr) << text;
      EXPECT_EQ(*back.FindValue(section, name), v) << text;
    }
    // Every original line that does not name the edited value is still there, in order.
    std::vector<std::string> kept, now;
    for (size_t i = 0, j; i < text.size(); i = j + 1) {
      j = text.find('\n', i);
      std::string line = text.substr(i, j - i);
      if (line.find(name) != 0 && line.find(" " + name) != 0) kept.push_back(line);
    }
    for (size_t i = 0, j; i < out.size(); i = j + 1) {
      j = out.find('\n', i);
      now.push_back(out.substr(i, j - i));
    }
    size_t at = 0;
    for (const std::string& line : kept) {
      while (at < now.size() && now[at] != line) ++at;
      ASSERT_LT(at, now.size()) << "lost \"" << line << "\" from\n" << text << "giving\n" << out;
      ++at;
    }
    // Values of other names read the same.
    cmn_IniDocumentC orig;
    orig.Parse(text);
    for (const char* s : kSections) {
      for (const char* other : kNames) {
        if (other == name && s == section) continue;
        const cmn_RegValueS* a = orig.FindValue(s, other);
        const cmn_RegValueS* b = back.FindValue(s, other);
        ASSERT_EQ(a == nullptr, b == nullptr) << s << "/" << other << "\n" << text << out;
        if (a != nullptr) {
          EXPECT_EQ(*a, *b);
        }
      }
    }
  }
}

}  // namespace
