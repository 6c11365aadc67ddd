#include "cmn/cmn_IniDocumentC.h"

#include <gtest/gtest.h>

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
            "; header\nroot=r\n[A]\nx=changed\n# keep\n???\nnew=\"  padded \"\n\n[B]\ny=2\n\n"
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

}  // namespace
