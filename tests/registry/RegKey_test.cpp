#include "registry/RegKeyC.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cmn/cmn_ConfigStoreC.h"
#include "registry/BinaryRegValueC.h"
#include "registry/DwordRegValueC.h"
#include "registry/GuidC.h"
#include "registry/StringRegValueC.h"
#include "tests/testing/StringHelpers.h"

namespace {

using qlmtest::S;

class RegKeyTest : public ::testing::Test {
 protected:
  void SetUp() override { RegKeyC::SetRegistryForTest(&store_); }
  void TearDown() override { RegKeyC::SetRegistryForTest(nullptr); }
  cmn_ConfigStoreC store_{""};
};

TEST_F(RegKeyTest, OpenReusesCoveringMaskAndReopensForWiderOne) {
  ASSERT_EQ(store_.WriteText(cmn_kHKLM, "Software\\A", "v", "1"), RC_OK);
  RegKeyC key(cmn_kHKLM, S("Software\\A"));
  ASSERT_TRUE(key.Open(REG_ACCESS_READ).IsOk());
  cmn_RegHandleT first = key.Handle();
  ASSERT_TRUE(key.Open(REG_ACCESS_READ).IsOk());
  EXPECT_EQ(key.Handle(), first);
  ASSERT_TRUE(key.Open(REG_ACCESS_WRITE).IsOk());
  EXPECT_NE(key.Handle(), first);
  RegKeyC missing(cmn_kHKLM, S("Software\\Nope"));
  RegStatusC st = missing.Open(REG_ACCESS_READ);
  EXPECT_EQ(st.Code(), REG_E_OPEN_KEY);
  EXPECT_EQ(st.Set(), 0xA6u);
  EXPECT_EQ(st.Number(), 4u);
  EXPECT_EQ(st.Message().ToUtf8(), "Failed to open key");
  RegKeyC rootless(0, S("x"));
  EXPECT_EQ(rootless.Open(REG_ACCESS_READ).Code(), REG_E_INVALID_KEY);
}

TEST_F(RegKeyTest, DeleteOnlyEmptyKeysDestroyAnything) {
  RegKeyC key(cmn_kHKLM, S("Software\\Del"));
  ASSERT_TRUE(key.Create().IsOk());
  DwordRegValueC* v = new DwordRegValueC(1);
  v->AddRef();
  ASSERT_TRUE(key.WriteValue(S("only"), v).IsOk());
  v->Release();
  RegStatusC st = key.Delete();
  EXPECT_EQ(st.Code(), REG_E_KEY_NOT_EMPTY);
  EXPECT_EQ(st.Message().ToUtf8(), "Can not delete non-empty key");
  EXPECT_TRUE(key.Destroy().IsOk());
  bool exists = true;
  ASSERT_TRUE(key.Exists(&exists, nullptr).IsOk());
  EXPECT_FALSE(exists);

  RegKeyC empty(cmn_kHKLM, S("Software\\Empty"));
  ASSERT_TRUE(empty.Create().IsOk());
  EXPECT_TRUE(empty.Delete().IsOk());
}

TEST_F(RegKeyTest, ExistsNamesTheFirstMissingComponent) {
  ASSERT_TRUE(RegKeyC(cmn_kHKLM, S("a")).Create().IsOk());
  RegKeyC deep(cmn_kHKLM, S("a\\b\\c"));
  bool exists = true;
  StringC missing;
  ASSERT_TRUE(deep.Exists(&exists, &missing).IsOk());
  EXPECT_FALSE(exists);
  EXPECT_EQ(missing.ToUtf8(), "b");
  RegKeyC none(cmn_kHKLM, S("zz\\y"));
  ASSERT_TRUE(none.Exists(&exists, &missing).IsOk());
  EXPECT_EQ(missing.ToUtf8(), "zz");
}

TEST_F(RegKeyTest, ValuesRoundTripWithTheirTypes) {
  RegKeyC key(cmn_kHKCU, S("Software\\Vals"));
  ASSERT_TRUE(key.Create().IsOk());
  auto write = [&](const char* name, RegValueC* v) {
    v->AddRef();
    EXPECT_TRUE(key.WriteValue(S(name), v).IsOk()) << name;
    v->Release();
  };
  write("d", new DwordRegValueC(255));
  write("b", new BinaryRegValueC({0x01, 0xAB}));
  write("s", new StringRegValueC(1, S("text ü")));
  write("e", new StringRegValueC(2, S("$(X)/bin")));
  auto* list = new StringRegValueC(7);
  list->SetItems({"x,y", "z"});
  write("m", list);

  struct {
    const char* name;
    uint32_t type;
    const char* text;
  } const cases[] = {{"d", 4, "000000ff"},
                     {"b", 3, "01AB"},
                     {"s", 1, "text ü"},
                     {"e", 2, "$(X)/bin"},
                     {"m", 7, "x\\,y,z"}};
  for (const auto& c : cases) {
    RegValueC* v = nullptr;
    ASSERT_TRUE(key.ReadValue(S(c.name), &v).IsOk()) << c.name;
    EXPECT_EQ(v->Type(), c.type);
    std::string text;
    ASSERT_TRUE(v->GetText(&text).IsOk());
    EXPECT_EQ(text, c.text) << c.name;
    v->Release();
  }
  StringRegValueC* as_sz = new StringRegValueC(1);
  as_sz->AddRef();
  EXPECT_EQ(key.ReadValue(S("d"), as_sz).Code(), REG_E_WRONG_TYPE);
  as_sz->Release();

  StringArrayC names;
  ASSERT_TRUE(key.EnumerateValues(&names).IsOk());
  EXPECT_EQ(names.Count(), 5u);
  bool exists = false;
  ASSERT_TRUE(key.ValueExists(S("S"), &exists).IsOk());
  EXPECT_TRUE(exists);
  ASSERT_TRUE(key.DeleteValue(&names[2]).IsOk());
  ASSERT_TRUE(key.ValueExists(S("s"), &exists).IsOk());
  EXPECT_FALSE(exists);
  EXPECT_EQ(key.DeleteValue(&names[2]).Code(), REG_E_DELETE_VALUE);

  RegKeyC empty(cmn_kHKCU, S("Software\\Vals\\Empty"));
  ASSERT_TRUE(empty.Create().IsOk());
  StringArrayC none;
  EXPECT_TRUE(empty.EnumerateSubkeys(&none).IsOk());
  EXPECT_EQ(none.Count(), 0u);
}

TEST(RegValueTextTest, TextForms) {
  auto* list = new StringRegValueC(7);
  list->AddRef();
  ASSERT_TRUE(list->SetFromText("x\\,y,z").IsOk());
  EXPECT_EQ(list->Items(), (std::vector<std::string>{"x,y", "z"}));
  EXPECT_EQ(list->Count(), 2);
  list->Release();

  auto* bin = new BinaryRegValueC();
  bin->AddRef();
  ASSERT_TRUE(bin->SetFromText("01aBf").IsOk());
  EXPECT_EQ(bin->Bytes(), (std::vector<uint8_t>{0x01, 0xAB, 0x0F}));
  EXPECT_FALSE(bin->SetFromText("0g").IsOk());
  bin->Release();

  auto* d = new DwordRegValueC();
  d->AddRef();
  ASSERT_TRUE(d->SetFromText("000000ff").IsOk());
  EXPECT_EQ(d->Value(), 255u);
  EXPECT_FALSE(d->SetFromText("100000000").IsOk());
  EXPECT_FALSE(d->SetFromText("").IsOk());
  void* itf = nullptr;
  EXPECT_EQ(d->QueryInterface(IID_ZelRegValue, &itf), RC_OK);
  EXPECT_EQ(itf, static_cast<ZelRegValueI*>(d));
  d->Release();
  EXPECT_EQ(d->QueryInterface(IID_IClassFactory, &itf), RC_NOINTERFACE);
  EXPECT_EQ(itf, nullptr);
  d->Release();
}

TEST(RegNamesTest, RootsAndTypes) {
  EXPECT_EQ(RegKeyC::RootHandle("hklm"), cmn_kHKLM);
  EXPECT_EQ(RegKeyC::RootHandle("HKEY_CURRENT_USER"), cmn_kHKCU);
  EXPECT_EQ(RegKeyC::RootHandle("HKEY_NOPE"), 0u);
  EXPECT_EQ(RegKeyC::RootHandle(nullptr), 0u);
  EXPECT_STREQ(RegKeyC::RootLongName(cmn_kHKCC), "HKEY_CURRENT_CONFIG");
  EXPECT_STREQ(RegKeyC::RootLongName(0x80000004), "");
  EXPECT_TRUE(RegKeyC::RootShortName(0x80000004).IsEmpty());
  EXPECT_EQ(RegValueC::TypeCode("multi_sz"), 7u);
  EXPECT_EQ(RegValueC::TypeCode("QWORD"), 0u);
  EXPECT_STREQ(RegValueC::TypeName(2), "EXPAND_SZ");
  EXPECT_STREQ(RegValueC::TypeName(5), "");
}

TEST(RegUnavailableTest, EveryOperationReportsIt) {
  struct NoRegistry {
    NoRegistry() { RegKeyC::SetRegistryForTest(nullptr), RegKeyC::m_TriedReg = true; }
    ~NoRegistry() { RegKeyC::SetRegistryForTest(nullptr); }
  } guard;
  RegKeyC key(cmn_kHKLM, S("Software"));
  EXPECT_EQ(key.Open(REG_ACCESS_READ).Code(), REG_E_UNAVAILABLE);
  EXPECT_EQ(key.Create().Code(), REG_E_UNAVAILABLE);
  EXPECT_EQ(RegKeyC::Destroy(cmn_kHKLM, S("x")).Message().ToUtf8(), "The registry is unavailable");
}

TEST(GuidTest, TextForms) {
  GuidC g;
  ASSERT_EQ(g.Parse("{9C6BC631-EFF3-11D3-9A00-004005E12D13}"), RC_OK);
  EXPECT_EQ(g, IID_ZelRegValue);
  EXPECT_EQ(g.ToUpperBraces(), "{9C6BC631-EFF3-11D3-9A00-004005E12D13}");
  EXPECT_EQ(g.ToLower(), "9c6bc631-eff3-11d3-9a00-004005e12d13");
  EXPECT_EQ(g.ToConstant(), "0x9C6BC631EFF311D39A00004005E12D13");
  EXPECT_EQ(IID_IUnknown.ToRawBytes(), "00000000-0000-0000-C000-000000000046");
  for (const char* bad : {"", "{9C6BC631-EFF3-11D3-9A00-004005E12D13", "9C6BC631-EFF3-11D3-9A00",
                          "9C6BC631-EFF3-11D3-9A00-004005E12D1G"}) {
    EXPECT_EQ(g.Parse(bad), RC_INVALIDARG) << bad;
    EXPECT_TRUE(g.IsNull());
  }
}

}  // namespace
