#include <gtest/gtest.h>

#include <bit>
#include <cctype>
#include <string>

#include "registry/GuidC.h"

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Every interface identifier against the text it is published as.
TEST(GuidTest, InterfaceIdentifiersMatchTheirText) {
  struct Case {
    const GuidC* iid;
    const char* text;
  };
  const Case cases[] = {
      {&IID_IUnknown, "{00000000-0000-0000-C000-000000000046}"},
      {&IID_IClassFactory, "{00000001-0000-0000-C000-000000000046}"},
      {&IID_ComRegistry, "{FA199261-85EB-11D3-9C01-004005E12D13}"},
      {&IID_ComNameRegistry, "{81707A51-8504-11D3-9C00-004005E12D13}"},
      {&IID_LogManager, "{5A1DF1F1-97D0-11D3-9C09-004005E12D13}"},
      {&IID_ZelRKLoggerI, "{A76EA971-97F9-11D3-9C0A-004005E12D13}"},
      {&IID_ZelRegValue, "{9C6BC631-EFF3-11D3-9A00-004005E12D13}"},
      {&IID_ZelLKIServerLocation, "{E3D523A8-9BA1-4DC8-B45F-E3CB1974DA5E}"},
      {&IID_ZelAttributeCollectionI, "{B6B615A1-9245-11D3-9C08-004005E12D13}"},
      {&IID_InternalContext, "{30652766-14BB-4334-9373-B648DC236C92}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    GuidC parsed;
    ASSERT_EQ(parsed.Parse(c.text), RC_OK);
    EXPECT_EQ(parsed, *c.iid);
    EXPECT_EQ(c.iid->ToUpperBraces(), c.text);
    const std::string inner = std::string(c.text).substr(1, 36);
    EXPECT_EQ(c.iid->ToLower(), Lower(inner));
    // The lower-case form parses back to the same identifier.
    GuidC again;
    ASSERT_EQ(again.Parse(c.iid->ToLower()), RC_OK);
    EXPECT_EQ(again, *c.iid);
  }
  EXPECT_TRUE(GUID_NULL.IsNull());
  EXPECT_FALSE(IID_IUnknown.IsNull());
}

TEST(GuidTest, FiveTextForms) {
  GuidC g;
  ASSERT_EQ(g.Parse("{9C6BC631-EFF3-11D3-9A00-004005E12D13}"), RC_OK);
  EXPECT_EQ(g.ToLower(), "9c6bc631-eff3-11d3-9a00-004005e12d13");
  EXPECT_EQ(g.ToUpperBraces(), "{9C6BC631-EFF3-11D3-9A00-004005E12D13}");
  EXPECT_EQ(g.ToConstant(), "0x9C6BC631EFF311D39A00004005E12D13");
  if constexpr (std::endian::native == std::endian::little) {
    EXPECT_EQ(g.ToRawBytes(), "31C66B9C-F3EF-D311-9A00-004005E12D13");
  } else {
    EXPECT_EQ(g.ToRawBytes(), "9C6BC631-EFF3-11D3-9A00-004005E12D13");
  }
  // Leading zeros are kept in every form.
  const GuidC small{0x1, 0x2, 0x3, {0, 1, 2, 3, 4, 5, 6, 7}};
  EXPECT_EQ(small.ToLower(), "00000001-0002-0003-0001-020304050607");
  EXPECT_EQ(small.ToConstant(), "0x00000001000200030001020304050607");
}

TEST(GuidTest, ParseFailuresClearTheIdentifier) {
  const char* bad[] = {
      "",
      "{",
      "{}",
      "{9C6BC631-EFF3-11D3-9A00-004005E12D}",   // only 10 fields
      "9C6BC631-EFF3-11D3-9A00-004005E12D",     // the same without braces
      "{9C6BC631-EFF3-11D3-9A00-004005E12D13",  // no closing brace
      "9C6BC631-EFF3-11D3-9A00004005E12D13",    // a separator missing
      "9C6BC631 EFF3-11D3-9A00-004005E12D13",   // a wrong separator
      "9C6BC63-1EFF3-11D3-9A00-004005E12D13",   // a field too short
      "9C6BC63G-EFF3-11D3-9A00-004005E12D13",   // not a hexadecimal digit
      "+C6BC631-EFF3-11D3-9A00-004005E12D13",   // no sign
      " 9C6BC631-EFF3-11D3-9A00-004005E12D13",  // no leading space
      "(9C6BC631-EFF3-11D3-9A00-004005E12D13)",
  };
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    GuidC g = IID_ZelRegValue;
    EXPECT_EQ(g.Parse(text), RC_INVALIDARG);
    EXPECT_EQ(g, GUID_NULL);
  }
}

}  // namespace
