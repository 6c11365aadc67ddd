// Typed preference access over an environment: expansion, fixed preferences, lists, switches,
// and the slot order that derived preference classes rely on.
#include "env/EnvPreferencesC.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "env/env_ContextLinkC.h"
#include "env/env_EnvironmentC.h"
#include "tests/testing/StringHelpers.h"

namespace {

using O = env_EnvOptsC;

using qlmtest::S;

std::vector<std::string> Texts(const StringArrayC& a) {
  std::vector<std::string> out;
  for (uint64_t i = 0; i < a.Count(); ++i) out.push_back(a[i].ToUtf8());
  return out;
}

// A preference object whose list preferences are the names in `lists`.
class ListPrefsC : public EnvPreferencesC {
 public:
  ListPrefsC(env_EnvironmentI* env, std::vector<std::string> lists)
      : EnvPreferencesC(env), lists_(std::move(lists)) {}
  env_EnvOptsC MakeOpts(const StringC& name) override {
    for (const auto& l : lists_) {
      if (name.EqualsNoCase(S(l.c_str()))) return O(name, O::values_multi);
    }
    return O(name);
  }

 private:
  std::vector<std::string> lists_;
};

class EnvPreferencesTest : public ::testing::Test {
 protected:
  std::string Get(const char* name, bool expand = true) {
    return prefs_.GetValue(S(name), expand).ToUtf8();
  }
  void Set(const char* name, const char* value, bool force = false) {
    prefs_.SetValue(S(name), S(value), force);
  }

  env_EnvironmentC env_;
  EnvPreferencesC prefs_{&env_};
};

TEST_F(EnvPreferencesTest, ExpandsReferencesOnReadAndKeepsValuesRaw) {
  Set("A", "x$(B)y");
  Set("B", "z");
  EXPECT_EQ(Get("A"), "xzy");
  EXPECT_EQ(Get("A", false), "x$(B)y");
  prefs_.SetExpansionEnabled(false);
  EXPECT_FALSE(prefs_.IsExpansionEnabled());
  EXPECT_EQ(Get("A"), "x$(B)y");
  // Expanding a free text ignores the switch.
  EXPECT_EQ(prefs_.Expand(S("[$(B)]")).ToUtf8(), "[z]");
}

TEST_F(EnvPreferencesTest, MissingReferenceIsDroppedOrKeptBySwitch) {
  Set("A", "x$(B)y");
  EXPECT_TRUE(prefs_.IsDropMissingNames());
  EXPECT_EQ(Get("A"), "xy");
  prefs_.SetDropMissingNames(false);
  EXPECT_EQ(Get("A"), "x$(B)y");
  // An absent name read with expansion creates nothing.
  EXPECT_EQ(Get("Nope"), "$(Nope)");
  EXPECT_FALSE(prefs_.Exists(S("Nope")));
  prefs_.SetDropMissingNames(true);
  EXPECT_EQ(Get("Nope"), "");
  // A raw read finds or creates the parameter.
  EXPECT_EQ(Get("Nope", false), "");
  EXPECT_TRUE(prefs_.Exists(S("Nope")));
}

TEST_F(EnvPreferencesTest, FixedPreferencesIgnoreSetsWithoutForce) {
  struct CaseS {
    const char* name;
    const char* companion;  // nullptr: none
    const char* companionValue;
    bool fixed;
  };
  const CaseS cases[] = {
      {"SomethingFxd", nullptr, nullptr, true}, {"SomethingFIXED", nullptr, nullptr, true},
      {"Fxd", nullptr, nullptr, false},    // the suffix alone is a plain name
      {"Fixed", nullptr, nullptr, false},  // likewise
      {"Proxy", "ProxyFixed", "True", true},    {"Proxy", "ProxyFixed", "yes", true},
      {"Proxy", "ProxyFxd", "YES", true},       {"Proxy", "ProxyFixed", "0", false},
      {"Proxy", "ProxyFixed", "False", false},  {"Proxy", "ProxyFxd", "maybe", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + (c.companion ? c.companion : "") + "=" +
                 (c.companionValue ? c.companionValue : ""));
    env_EnvironmentC env;
    EnvPreferencesC prefs(&env);
    prefs.SetValue(S(c.name), S("old"));
    if (c.companion != nullptr) prefs.SetValue(S(c.companion), S(c.companionValue));
    EXPECT_EQ(prefs.IsFixed(O(S(c.name))), c.fixed);
    prefs.SetValue(S(c.name), S("new"));
    EXPECT_EQ(prefs.GetValue(S(c.name)).ToUtf8(), c.fixed ? "old" : "new");
    prefs.SetValue(S(c.name), S("forced"), true);
    EXPECT_EQ(prefs.GetValue(S(c.name)).ToUtf8(), "forced");
  }
}

TEST_F(EnvPreferencesTest, PreferenceWithoutValueTakesItsFirstValueEvenWhenMarkedFixed) {
  Set("PolicyServerURLFixed", "True");
  EXPECT_FALSE(prefs_.IsFixed(O(S("PolicyServerURL"))));
  Set("PolicyServerURL", "http://a/");
  EXPECT_EQ(Get("PolicyServerURL"), "http://a/");
  Set("PolicyServerURL", "http://b/");
  EXPECT_EQ(Get("PolicyServerURL"), "http://a/");
  // An empty "Fxd" name holds no value yet either.
  Set("SomethingFxd", "");
  Set("SomethingFxd", "v");
  EXPECT_EQ(Get("SomethingFxd"), "v");
}

TEST_F(EnvPreferencesTest, SetValuesInsertsOldValuesAtTheSelfReference) {
  ListPrefsC prefs(&env_, {"L"});
  prefs.SetValue(S("L"), S("p"));
  prefs.SetValue(S("L"), S("q"));
  const StringArrayC list{S("a"), S("$(L)"), S("b")};
  prefs.SetValues(S("L"), &list);
  EXPECT_EQ(Texts(*prefs.GetValues(S("L"))), (std::vector<std::string>{"a", "p", "q", "b"}));
  // Null list: nothing happens.
  prefs.SetValues(S("L"), nullptr);
  EXPECT_EQ(prefs.GetValues(S("L"))->Count(), 4u);
}

TEST_F(EnvPreferencesTest, SetValuesRespectsFixedOnceForTheWholeList) {
  ListPrefsC prefs(&env_, {"L"});
  // Fixed but still empty: the whole list is taken, not only its first value.
  prefs.SetValue(S("LFixed"), S("True"));
  const StringArrayC list{S("a"), S("b"), S("c")};
  prefs.SetValues(S("L"), &list);
  EXPECT_EQ(Texts(*prefs.GetValues(S("L"))), (std::vector<std::string>{"a", "b", "c"}));
  // Now it holds values: a later list without force is ignored, with force it replaces.
  const StringArrayC other{S("x")};
  prefs.SetValues(S("L"), &other);
  EXPECT_EQ(prefs.GetValues(S("L"))->Count(), 3u);
  prefs.SetValues(S("L"), &other, true);
  EXPECT_EQ(Texts(*prefs.GetValues(S("L"))), (std::vector<std::string>{"x"}));
}

TEST_F(EnvPreferencesTest, SetValuesOnASingleValueKeepsTheLastElement) {
  Set("One", "old");
  const StringArrayC list{S("a"), S("$(One)"), S("b")};
  prefs_.SetValues(S("One"), &list);
  EXPECT_EQ(Get("One"), "b");
}

TEST_F(EnvPreferencesTest, GetValuesReadsEveryValueExpandedAndRewindsTheList) {
  ListPrefsC prefs(&env_, {"Dirs"});
  prefs.SetValue(S("Root"), S("/opt"));
  prefs.SetValue(S("Dirs"), S("$(Root)/bin"));
  prefs.SetValue(S("Dirs"), S("$(Dirs)/self"));  // a self-reference stays as written
  prefs.SetValue(S("Dirs"), S("/usr"));
  EXPECT_EQ(Texts(*prefs.GetValues(S("Dirs"))),
            (std::vector<std::string>{"/opt/bin", "$(Dirs)/self", "/usr"}));
  EXPECT_EQ(Texts(*prefs.GetValues(S("Dirs"), false)),
            (std::vector<std::string>{"$(Root)/bin", "$(Dirs)/self", "/usr"}));
  EXPECT_EQ(prefs.GetValue(S("Dirs"), false).ToUtf8(), "$(Root)/bin");  // on the first value
  EXPECT_TRUE(prefs.GetValues(S("Absent"))->IsEmpty());
  prefs.SetValue(S("Single"), S("$(Root)"));
  EXPECT_EQ(Texts(*prefs.GetValues(S("Single"))), (std::vector<std::string>{"/opt"}));
  prefs.SetValue(S("Empty"), S(""));
  EXPECT_TRUE(prefs.GetValues(S("Empty"))->IsEmpty());
}

TEST_F(EnvPreferencesTest, ListsReceiveValuesSubjectToTheirFilters) {
  env_.GetParam(O(S("U"), O::values_multi | O::values_unique));
  Set("U", "a");
  Set("U", "b");
  Set("U", "a");
  Set("U", "");
  EXPECT_EQ(Texts(*prefs_.GetValues(S("U"))), (std::vector<std::string>{"a", "b"}));
}

TEST_F(EnvPreferencesTest, SetOptionTurnsASingleValueIntoAList) {
  Set("Grow", "x");
  prefs_.SetOption(S("Grow"), O::values_multi);
  Set("Grow", "y");
  EXPECT_EQ(Texts(*prefs_.GetValues(S("Grow"))), (std::vector<std::string>{"x", "y"}));
}

TEST_F(EnvPreferencesTest, IsUnsetAndGetBool) {
  EXPECT_TRUE(prefs_.IsUnset(S("A")));
  Set("A", "");
  EXPECT_TRUE(prefs_.IsUnset(S("A")));
  Set("A", "$(Missing)");
  EXPECT_TRUE(prefs_.IsUnset(S("A")));
  Set("A", "v");
  EXPECT_FALSE(prefs_.IsUnset(S("A")));
  env_.GetParam(O(S("EmptyList"), O::values_multi));
  EXPECT_FALSE(prefs_.IsUnset(S("EmptyList")));

  const std::pair<const char*, int> bools[] = {{"True", 1}, {"yes", 1}, {"FALSE", 0}, {"No", 0},
                                               {"1", -1},   {"", -1},   {"Truee", -1}};
  for (const auto& [text, want] : bools) {
    SCOPED_TRACE(text);
    Set("Flag", text);
    EXPECT_EQ(prefs_.GetBool(S("Flag"), true), want == -1 ? true : want == 1);
    EXPECT_EQ(prefs_.GetBool(S("Flag"), false), want == -1 ? false : want == 1);
  }
  Set("Ref", "$(Flag)");
  Set("Flag", "Yes");
  EXPECT_TRUE(prefs_.GetBool(S("Ref"), false));
}

TEST_F(EnvPreferencesTest, RemoveExistsAndCount) {
  const int before = prefs_.ParameterCount();
  Set("A", "1");
  Set("b", "2");
  EXPECT_EQ(prefs_.ParameterCount(), before + 2);
  EXPECT_TRUE(prefs_.Exists(S("B")));
  prefs_.Remove(S("B"));
  EXPECT_FALSE(prefs_.Exists(S("b")));
  EXPECT_EQ(prefs_.ParameterCount(), before + 1);
  EXPECT_EQ(prefs_.c_OraclePresent.GetName().ToUtf8(), "OracleInstanceDiscovered");
}

env_EnvironmentC* g_contextEnv = nullptr;
env_EnvironmentI* ContextEnvironment() noexcept {
  return g_contextEnv;
}

TEST(EnvPreferencesContextTest, ViewsTheContextEnvironmentOrNothing) {
  env_ContextLinkC::SetSource(nullptr);
  EnvPreferencesC none;
  EXPECT_EQ(none.Environment(), nullptr);
  none.SetValue(S("A"), S("1"));
  EXPECT_EQ(none.GetValue(S("A")).ToUtf8(), "");
  EXPECT_TRUE(none.GetValues(S("A"))->IsEmpty());
  EXPECT_TRUE(none.IsUnset(S("A")));
  EXPECT_EQ(none.ParameterCount(), 0);
  EXPECT_EQ(none.Expand(S("a$(B)c")).ToUtf8(), "ac");

  env_EnvironmentC context;
  g_contextEnv = &context;
  env_ContextLinkC::SetSource(&ContextEnvironment);
  EnvPreferencesC attached;
  attached.SetValue(S("A"), S("1"));
  EXPECT_EQ(context.FindParam(O(S("A"))).GetValue().ToUtf8(), "1");
  none.AttachContextEnvironment();
  EXPECT_EQ(none.GetValue(S("A")).ToUtf8(), "1");
  env_ContextLinkC::SetSource(nullptr);
  g_contextEnv = nullptr;
}

// The slot of a virtual member function (Itanium C++ ABI: a pointer to a virtual member holds
// 1 + the byte offset of its entry in the virtual table).
template <typename F>
long Slot(F f) {
  static_assert(sizeof(F) == 2 * sizeof(void*));
  long raw = 0;
  std::memcpy(&raw, &f, sizeof raw);
  return (raw - 1) / static_cast<long>(sizeof(void*));
}

TEST(EnvPreferencesLayoutTest, VirtualOperationsKeepTheirSlots) {
  using P = EnvPreferencesC;
  using N = const StringC&;
  using K = const env_EnvOptsC&;
  EXPECT_EQ(Slot(static_cast<void (P::*)(N, N, bool)>(&P::SetValue)), 2);
  EXPECT_EQ(Slot(static_cast<void (P::*)(K, N, bool)>(&P::SetValue)), 3);
  EXPECT_EQ(Slot(static_cast<void (P::*)(N, const StringArrayC*, bool)>(&P::SetValues)), 4);
  EXPECT_EQ(Slot(static_cast<void (P::*)(K, const StringArrayC*, bool)>(&P::SetValues)), 5);
  EXPECT_EQ(Slot(static_cast<StringC (P::*)(N, bool)>(&P::GetValue)), 6);
  EXPECT_EQ(Slot(static_cast<StringC (P::*)(K, bool)>(&P::GetValue)), 7);
  EXPECT_EQ(Slot(static_cast<std::unique_ptr<StringArrayC> (P::*)(N, bool)>(&P::GetValues)), 8);
  EXPECT_EQ(Slot(static_cast<std::unique_ptr<StringArrayC> (P::*)(K, bool)>(&P::GetValues)), 9);
  EXPECT_EQ(Slot(&P::Expand), 10);
  EXPECT_EQ(Slot(&P::MakeOpts), 11);
  EXPECT_EQ(Slot(&P::SetOption), 12);
  EXPECT_EQ(Slot(&P::ParameterCount), 13);
  EXPECT_EQ(Slot(static_cast<bool (P::*)(N)>(&P::IsUnset)), 14);
  EXPECT_EQ(Slot(static_cast<bool (P::*)(K)>(&P::IsUnset)), 15);
  EXPECT_EQ(Slot(static_cast<bool (P::*)(N)>(&P::Exists)), 16);
  EXPECT_EQ(Slot(static_cast<bool (P::*)(K)>(&P::Exists)), 17);
  EXPECT_EQ(Slot(&P::IsExpansionEnabled), 18);
  EXPECT_EQ(Slot(&P::SetExpansionEnabled), 19);
  EXPECT_EQ(Slot(&P::IsDropMissingNames), 20);
  EXPECT_EQ(Slot(&P::SetDropMissingNames), 21);
  EXPECT_EQ(Slot(static_cast<bool (P::*)(N, bool)>(&P::GetBool)), 22);
  EXPECT_EQ(Slot(static_cast<bool (P::*)(K, bool)>(&P::GetBool)), 23);
  EXPECT_EQ(Slot(static_cast<void (P::*)(N)>(&P::Remove)), 24);
  EXPECT_EQ(Slot(static_cast<void (P::*)(K)>(&P::Remove)), 25);
  EXPECT_EQ(Slot(&P::AttachContextEnvironment), 26);
}

}  // namespace
