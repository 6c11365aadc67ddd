// Parameters: keys and flags, single values, filtered lists, growing a value into a list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "env/env_EnvOptsC.h"
#include "env/env_FilteredMonoParamC.h"
#include "env/env_FilteredMultiParamC.h"
#include "env/env_FunStrAppendC.h"
#include "env/env_FunStrCmpEqC.h"
#include "env/env_FunStrCmpGtC.h"
#include "env/env_FunStrCmpLtC.h"
#include "env/env_FunStrToIntC.h"
#include "env/env_ParamRefC.h"
#include "tests/testing/StringHelpers.h"

namespace {

using O = env_EnvOptsC;

using qlmtest::S;

std::vector<std::string> Values(env_ParamRefC& p) {
  std::vector<std::string> out;
  if (p.IsEmpty()) return out;
  p.MoveFirst();
  for (;;) {
    out.push_back(p.GetValue().ToUtf8());
    if (p.IsLast()) break;
    p.MoveNext();
  }
  return out;
}

TEST(EnvOptsTest, HasOptionNeedsEveryBit) {
  const O none(S("n"));
  EXPECT_TRUE(none.HasOption(O::options_default));
  EXPECT_FALSE(none.HasOption(O::values_multi));

  O key(S("k"), O::values_multi);
  EXPECT_TRUE(key.HasOption(O::values_multi));
  EXPECT_FALSE(key.HasOption(O::values_multi | O::values_unique));
  key.SetOption(O::values_unique | O::allow_empty, true);
  EXPECT_TRUE(key.HasOption(O::values_multi | O::values_unique));
  key.SetOption(O::values_multi | O::allow_empty, false);
  EXPECT_EQ(key.GetOptions(), O::values_unique);

  const O copy(key);
  EXPECT_EQ(copy.GetName().ToUtf8(), "k");
  EXPECT_EQ(copy.GetKey().ToUtf8(), "k");
  EXPECT_EQ(copy.GetOptions(), O::values_unique);
}

TEST(MonoParamTest, AddOnlyFillsAnEmptyValue) {
  env_ParamRefC p(O(S("x")));
  EXPECT_FALSE(p.IsMulti());
  EXPECT_TRUE(p.IsEmpty());
  EXPECT_EQ(p.GetCount(), 0);
  EXPECT_TRUE(p.AddValue(S("a")));
  EXPECT_FALSE(p.AddValue(S("b")));
  EXPECT_EQ(p.GetValue().ToUtf8(), "a");
  EXPECT_EQ(p.GetCount(), 1);
  EXPECT_TRUE(p.IsFirst());
  EXPECT_TRUE(p.IsLast());
  p.SetValue(S("c"));
  EXPECT_EQ(p.GetValue().ToUtf8(), "c");
  p.RemoveValue();
  EXPECT_TRUE(p.IsEmpty());
}

TEST(MonoParamTest, FunctionObjects) {
  env_ParamRefC p(O(S("x")));
  p.SetValue(S("abc"));
  env_FunStrCmpEqC eq(S("abc"));
  env_FunStrCmpEqC eqCase(S("ABC"));
  env_FunStrCmpGtC gt(S("abb"));
  env_FunStrCmpLtC lt(S("abb"));
  EXPECT_TRUE(p.Find(eq));
  EXPECT_FALSE(p.Find(eqCase));
  EXPECT_TRUE(p.Find(gt));
  EXPECT_FALSE(p.Find(lt));
  env_FunStrAppendC append(S("/d"));
  p.Apply(append);
  EXPECT_EQ(p.GetValue().ToUtf8(), "abc/d");
}

struct AddCaseS {
  const char* label;
  uint64_t flags;
  std::vector<const char*> adds;
  std::vector<bool> results;
  std::vector<std::string> expected;
};

class MultiAddTest : public ::testing::TestWithParam<AddCaseS> {};

TEST_P(MultiAddTest, FiltersApply) {
  const AddCaseS& c = GetParam();
  env_ParamRefC p(O(S("list"), O::values_multi | c.flags));
  ASSERT_TRUE(p.IsMulti());
  for (size_t i = 0; i < c.adds.size(); ++i) {
    EXPECT_EQ(p.AddValue(S(c.adds[i])), c.results[i]) << c.label << " add #" << i;
    EXPECT_TRUE(p.GetValue().IsEmpty()) << "AddValue leaves the position past the end";
  }
  EXPECT_EQ(Values(p), c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MultiAddTest,
    ::testing::Values(
        AddCaseS{"plain", 0, {"a", "b", "a"}, {true, true, true}, {"a", "b", "a"}},
        AddCaseS{"unique", O::values_unique, {"a", "b", "a"}, {true, true, false}, {"a", "b"}},
        AddCaseS{
            "unique is case-sensitive", O::values_unique, {"a", "A"}, {true, true}, {"a", "A"}},
        AddCaseS{"empty refused", 0, {"", "a", ""}, {false, true, false}, {"a"}},
        AddCaseS{"empty allowed", O::allow_empty, {"", "a", ""}, {true, true, true}, {"", "a", ""}},
        AddCaseS{"unique empty allowed once",
                 O::allow_empty | O::values_unique,
                 {"", ""},
                 {true, false},
                 {""}},
        AddCaseS{"sorted",
                 O::values_sorted,
                 {"c", "a", "b", "a"},
                 {true, true, true, true},
                 {"a", "a", "b", "c"}}));

TEST(MultiParamTest, PositionOperations) {
  env_ParamRefC p(O(S("l"), O::values_multi));
  EXPECT_TRUE(p.IsFirst());
  EXPECT_TRUE(p.IsLast());
  for (const char* v : {"a", "b", "c"}) ASSERT_TRUE(p.AddValue(S(v)));
  EXPECT_TRUE(p.IsLast()) << "no current value counts as last";
  p.MoveNext();  // nothing without a current value
  EXPECT_TRUE(p.GetValue().IsEmpty());
  p.MoveFirst();
  EXPECT_TRUE(p.IsFirst());
  p.MovePrev();
  EXPECT_EQ(p.GetValue().ToUtf8(), "a");
  p.MoveNext();
  p.MoveNext();
  p.MoveNext();
  EXPECT_EQ(p.GetValue().ToUtf8(), "c") << "MoveNext stays on the last value";
  EXPECT_TRUE(p.IsLast());
  p.MoveEnd();
  EXPECT_TRUE(p.GetValue().IsEmpty());
  EXPECT_EQ(p.GetCount(), 3);
}

TEST(MultiParamTest, RemoveValueMovesThePosition) {
  struct CaseS {
    int removeAt;
    std::vector<std::string> left;
    const char* current;
  } cases[] = {{0, {"b", "c"}, "b"}, {1, {"a", "c"}, "a"}, {2, {"a", "b"}, "b"}};
  for (const CaseS& c : cases) {
    env_ParamRefC p(O(S("l"), O::values_multi));
    for (const char* v : {"a", "b", "c"}) ASSERT_TRUE(p.AddValue(S(v)));
    p.MoveFirst();
    for (int i = 0; i < c.removeAt; ++i) p.MoveNext();
    p.RemoveValue();
    EXPECT_EQ(p.GetValue().ToUtf8(), c.current) << "remove at " << c.removeAt;
    EXPECT_EQ(Values(p), c.left);
  }
  env_ParamRefC p(O(S("l"), O::values_multi));
  ASSERT_TRUE(p.AddValue(S("only")));
  p.RemoveValue();  // no current value: nothing
  EXPECT_EQ(p.GetCount(), 1);
  p.MoveFirst();
  p.RemoveValue();
  EXPECT_TRUE(p.IsEmpty());
  p.RemoveValue();
  EXPECT_TRUE(p.IsEmpty());
}

TEST(MultiParamTest, SetValueRules) {
  struct CaseS {
    const char* label;
    uint64_t flags;
    int moveTo;  // -1: no current value
    const char* value;
    std::vector<std::string> expected;
  } cases[] = {
      {"replaces current", 0, 1, "x", {"a", "x", "c"}},
      {"appends without current", 0, -1, "x", {"a", "b", "c", "x"}},
      {"empty refused", 0, 1, "", {"a", "b", "c"}},
      {"empty allowed", O::allow_empty, 1, "", {"a", "", "c"}},
      {"same value", O::values_unique, 1, "b", {"a", "b", "c"}},
      {"unique duplicate removes current", O::values_unique, 1, "c", {"a", "c"}},
      {"non-unique duplicate replaces", 0, 1, "c", {"a", "c", "c"}},
  };
  for (const CaseS& c : cases) {
    env_ParamRefC p(O(S("l"), O::values_multi | c.flags));
    for (const char* v : {"a", "b", "c"}) ASSERT_TRUE(p.AddValue(S(v)));
    if (c.moveTo >= 0) {
      p.MoveFirst();
      for (int i = 0; i < c.moveTo; ++i) p.MoveNext();
    }
    p.SetValue(S(c.value));
    EXPECT_EQ(Values(p), c.expected) << c.label;
  }
  // The unique removal from the first value leaves the position on the new first value.
  env_ParamRefC p(O(S("l"), O::values_multi | O::values_unique));
  for (const char* v : {"a", "b"}) ASSERT_TRUE(p.AddValue(S(v)));
  p.MoveFirst();
  p.SetValue(S("b"));
  EXPECT_EQ(p.GetValue().ToUtf8(), "b");
  EXPECT_EQ(p.GetCount(), 1);
}

TEST(MultiParamTest, ApplyVisitsAllAndFindSearchesOnwards) {
  env_ParamRefC p(O(S("l"), O::values_multi));
  for (const char* v : {"a", "b", "c", "b"}) ASSERT_TRUE(p.AddValue(S(v)));
  env_FunStrAppendC append(S("!"));
  p.Apply(append);
  EXPECT_EQ(Values(p), (std::vector<std::string>{"a!", "b!", "c!", "b!"}));
  p.MoveFirst();  // Values() moved to the last value
  env_FunStrCmpEqC findB(S("b!"));
  ASSERT_TRUE(p.Find(findB));
  EXPECT_TRUE(p.IsFirst() == false);
  p.MoveNext();
  ASSERT_TRUE(p.Find(findB)) << "finds the second b! from the position after the first";
  EXPECT_TRUE(p.IsLast());
  p.MoveNext();
  EXPECT_TRUE(p.Find(findB)) << "the current value itself is tested";
  env_FunStrCmpEqC missing(S("zz"));
  p.MoveFirst();
  EXPECT_FALSE(p.Find(missing));
  EXPECT_TRUE(p.GetValue().IsEmpty()) << "a failed Find moves past the end";
  EXPECT_FALSE(p.Find(findB)) << "nothing is searched without a current value";
}

TEST(ParamRefTest, SingleValueGrowsIntoAList) {
  env_ParamRefC p(O(S("grow")));
  p.SetValue(S("x"));
  EXPECT_FALSE(p.AddValue(S("y"))) << "without values_multi the value is only filled when empty";
  p.GetOptions().SetOption(O::values_multi, true);
  EXPECT_TRUE(p.AddValue(S("y")));
  EXPECT_TRUE(p.IsMulti());
  EXPECT_EQ(Values(p), (std::vector<std::string>{"x", "y"}));

  env_ParamRefC empty(O(S("e")));
  empty.GetOptions().SetOption(O::values_multi | O::values_unique, true);
  EXPECT_TRUE(empty.AddValue(S("y")));
  EXPECT_EQ(Values(empty), (std::vector<std::string>{"", "y"}))
      << "the old value is kept as the first value even when empty";
  EXPECT_FALSE(empty.AddValue(S("y"))) << "the grown list keeps the unique flag";
  EXPECT_EQ(empty.GetOptions().GetName().ToUtf8(), "e");
}

TEST(ParamRefTest, CloneIsDeepAndFiltersLists) {
  env_ParamRefC list(O(S("l"), O::values_multi | O::allow_empty));
  for (const char* v : {"a", "", "a"}) ASSERT_TRUE(list.AddValue(S(v)));
  list.GetOptions().SetOption(O::values_unique, true);  // the copy filters with the new flags
  auto copy = list.Clone();
  EXPECT_EQ(Values(*copy), (std::vector<std::string>{"a", ""}));
  copy->MoveFirst();
  copy->SetValue(S("changed"));
  EXPECT_EQ(Values(list), (std::vector<std::string>{"a", "", "a"}));

  env_ParamRefC mono(O(S("m"), O::save_allowed));
  mono.SetValue(S("v"));
  auto monoCopy = mono.Clone();
  EXPECT_EQ(monoCopy->GetValue().ToUtf8(), "v");
  EXPECT_EQ(monoCopy->GetOptions().GetOptions(), O::save_allowed);
  monoCopy->SetValue(S("w"));
  EXPECT_EQ(mono.GetValue().ToUtf8(), "v");
}

TEST(ParamRefTest, NullParameterStaysEmpty) {
  env_ParamRefC& null = env_ParamRefC::Null();
  null.SetValue(S("x"));
  EXPECT_FALSE(null.AddValue(S("y")));
  null.GetOptions().SetOption(O::values_multi, true);
  env_FunStrAppendC append(S("z"));
  null.Apply(append);
  EXPECT_TRUE(null.GetValue().IsEmpty());
  EXPECT_EQ(static_cast<const env_ParamRefC&>(null).GetOptions().GetOptions(), 0u);
  EXPECT_TRUE(null.GetOptions().GetName().IsEmpty());
}

// An evaluator that counts its runs.
class CountingEvaluatorC : public env_FunctionI {
 public:
  bool Apply(StringC& value) override {
    ++runs;
    value.Append(StringC::FromUtf8("z"));
    return true;
  }
  int runs = 0;
};

TEST(FilteredMonoParamTest, LazyValueIsComputedOnce) {
  CountingEvaluatorC evaluator;
  env_FilteredMonoParamC p(O(S("lazy"), O::lazy_evaluation));
  p.Apply(evaluator);  // stored, not run
  EXPECT_EQ(evaluator.runs, 0);
  EXPECT_EQ(p.GetEvaluator(), &evaluator);
  EXPECT_EQ(p.GetValue().ToUtf8(), "z");
  EXPECT_EQ(p.GetValue().ToUtf8(), "z");
  EXPECT_EQ(evaluator.runs, 1);
  EXPECT_FALSE(p.GetOptions().HasOption(O::lazy_evaluation));
  p.Apply(evaluator);  // computed now: runs on the value
  EXPECT_EQ(p.GetValue().ToUtf8(), "zz");

  env_FilteredMonoParamC set(O(S("lazy2"), O::lazy_evaluation));
  set.Apply(evaluator);
  set.SetValue(S("given"));
  EXPECT_EQ(set.GetValue().ToUtf8(), "given");
  EXPECT_EQ(evaluator.runs, 2) << "a value set before the first read is never computed";

  env_FilteredMonoParamC none(O(S("lazy3"), O::lazy_evaluation));
  EXPECT_TRUE(none.GetValue().IsEmpty()) << "pending without an evaluator computes empty";
  EXPECT_FALSE(none.GetOptions().HasOption(O::lazy_evaluation));
}

TEST(FunStrToIntTest, Table) {
  struct CaseS {
    const char* text;
    bool number;
    int64_t value;
  } cases[] = {{"", true, -7},    {"42", true, 42},    {"010", true, 8},
               {"09", true, 0},   {"-1", false, -7},   {"12a", false, -7},
               {" 1", false, -7}, {"0x10", false, -7}, {"\xd9\xa3", true, 3}};
  for (const CaseS& c : cases) {
    EXPECT_EQ(env_FunStrToIntC::IsNumber(S(c.text)), c.number) << c.text;
    EXPECT_EQ(env_FunStrToIntC::ToInt(S(c.text), -7), c.value) << c.text;
  }
}

}  // namespace
