// The task context: initialisation from the argument vector, the task facts, start-up hooks,
// the task's preference-file set behind the free lookups, the task's trace object and RKTRACE.
#include "env/TaskC.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"
#include "env/PrefsFileSetC.h"
#include "env/PrefsLookup.h"
#include "env/TaskTrace.h"
#include "log/IndentedTraceC.h"
#include "os/File_posix.h"
#include "tests/testing/FileUtil.h"
#include "tests/testing/ScopedEnvC.h"
#include "tests/testing/TempDirTest.h"

namespace {

// The task pointer and count, read under the task's mutex.
TaskC* CurrentTask() {
  cmn_RecursiveLockC lock(TaskC::Mutex());
  return TaskC::first_task_p;
}

int TaskCount() {
  cmn_RecursiveLockC lock(TaskC::Mutex());
  return TaskC::num_task;
}

class TaskCTest : public qlmtest::TempDirTest {
 protected:
  void SetUp() override {
    qlmtest::TempDirTest::SetUp();
    root_ = dir_;
    env_.Set("HOME", root_);
    for (const char* name : {"OUIBASE", "OUIPREFSPATH", "OUIPREFSDEBUG", "RKTRACE"}) {
      env_.Unset(name);
    }
    getErrBuf(2)->Clear();
  }
  void TearDown() override {
    TaskC::Shutdown();
    qlmtest::TempDirTest::TearDown();
  }
  void Write(const std::string& path, const std::string& text) { qlmtest::WriteFile(path, text); }
  // Initialises with the entry's two-word argument vector.
  RcT Init(const TaskStartHookT* hooks = nullptr, size_t count = 0) {
    static char program[] = "/usr/bin/qlmpolicy";
    static char oui[] = "-oui";
    char* argv[] = {program, oui, nullptr};
    int argc = 2;
    return TaskC::Initialize(&argc, argv, "QlmPolicy", 450, hooks, count);
  }

  std::string root_;
  qlmtest::ScopedEnvC env_;  // restores what the tests change, also by hand
};

TEST_F(TaskCTest, TaskFactsFromArgumentsAndEnvironment) {
  const struct {
    const char* argv0;
    const char* home;  // null: unset
    const char* program;
    const char* expected_home;
  } cases[] = {
      {"/opt/q/bin/qlmpolicy", "/home/u/", "qlmpolicy", "/home/u"},
      {"qlmpolicy/", "/", "qlmpolicy", "/"},
      {"./tool", nullptr, "tool", "."},
      {"tool", "//", "tool", "/"},
  };
  for (const auto& c : cases) {
    if (c.home != nullptr) {
      env_.Set("HOME", c.home);
    } else {
      env_.Unset("HOME");
    }
    char* argv[] = {const_cast<char*>(c.argv0), nullptr};
    int argc = 1;
    ASSERT_EQ(TaskC::Initialize(&argc, argv, "QlmPolicy", 450), RC_OK);
    ASSERT_NE(CurrentTask(), nullptr);
    EXPECT_EQ(TaskCount(), 1);
    const PrefsTaskInfoS info = CurrentTask()->Info();
    EXPECT_EQ(info.program_name, c.program) << c.argv0;
    EXPECT_EQ(info.home, c.expected_home) << c.argv0;
    EXPECT_EQ(info.task_name, "QlmPolicy");
    EXPECT_EQ(info.task_name_lower, "qlmpolicy");
    EXPECT_EQ(info.version_text, "450");
    EXPECT_FALSE(info.start_dir.empty());
    TaskC::Shutdown();
    EXPECT_EQ(CurrentTask(), nullptr);
    EXPECT_EQ(TaskCount(), 0);
  }
}

TEST_F(TaskCTest, PrefsOptionIsTakenOutOfTheArguments) {
  Write(root_ + "/givenrc", "[Environment]\nWhere=given\n");
  Write(root_ + "/.qlmpolicyrc", "[Environment]\nWhere=home\n");
  char a0[] = "qlmpolicy", a1[] = "-x", a2[] = "-ouiprefs", a4[] = "last";
  std::string path = root_ + "/given";
  char* argv[] = {a0, a1, a2, path.data(), a4, nullptr};
  int argc = 5;
  ASSERT_EQ(TaskC::Initialize(&argc, argv, "qlmpolicy", 450), RC_OK);
  ASSERT_EQ(argc, 3);
  EXPECT_STREQ(argv[1], "-x");
  EXPECT_STREQ(argv[2], "last");
  EXPECT_EQ(argv[3], nullptr);
  std::string where;
  ASSERT_TRUE(GetPref("where", nullptr, &where));
  EXPECT_EQ(where, "given");

  // As the last argument the word is an ordinary argument; the default path is searched.
  TaskC::Shutdown();
  char* tail[] = {a0, a2, nullptr};
  argc = 2;
  ASSERT_EQ(TaskC::Initialize(&argc, tail, "qlmpolicy", 450), RC_OK);
  EXPECT_EQ(argc, 2);
  ASSERT_TRUE(GetPref("Where", "environment", &where));
  EXPECT_EQ(where, "home");
}

TEST_F(TaskCTest, LookupsWithoutATaskGiveTheDefaults) {
  std::string value = "untouched";
  EXPECT_FALSE(GetPref("Anything", nullptr, &value));
  EXPECT_EQ(value, "untouched");
  EXPECT_EQ(GetPrefLong("Anything", 17, "s"), 17);
  EXPECT_TRUE(GetPrefBool("Anything", true, "s"));
  env_.Set("PREFS_TASK_TEST", "process");
  EXPECT_STREQ(GetEnv("PREFS_TASK_TEST"), "process");
  env_.Unset("PREFS_TASK_TEST");
  EXPECT_EQ(GetEnv("PREFS_TASK_TEST"), nullptr);
  EXPECT_EQ(SetTaskTraceFlags("A"), RC_FAIL);
}

TEST_F(TaskCTest, FreeLookupsReadTheTaskSet) {
  Write(root_ + "/.qlmpolicyrc",
        "[n]\ndec=42\nhex=0x1F\noct=017\nneg=-5\nword=abc\nempty=\nyes=True\n"
        "[Environment]\nFromFile=file value\n");
  ASSERT_EQ(Init(), RC_OK);
  const struct {
    const char* key;
    long expected;
  } longs[] = {{"dec", 42},  {"hex", 31},   {"oct", 15},    {"neg", -1},
               {"word", -1}, {"empty", -1}, {"missing", -1}};
  for (const auto& c : longs) EXPECT_EQ(GetPrefLong(c.key, -1, "n"), c.expected) << c.key;
  EXPECT_TRUE(GetPrefBool("yes", false, "N"));
  EXPECT_STREQ(GetEnv("FromFile"), "file value");
  env_.Set("FromFile", "process wins");
  EXPECT_STREQ(GetEnv("FromFile"), "process wins");
  env_.Unset("FromFile");
}

bool g_hook_saw_set = false;
std::vector<int> g_hook_order;
bool FirstHook(TaskC&) {
  std::string value;
  g_hook_saw_set = GetPref("k", "s", &value) && value == "v";
  g_hook_order.push_back(1);
  return true;
}
bool FailingHook(TaskC&) {
  g_hook_order.push_back(2);
  return false;
}
bool NeverRunHook(TaskC&) {
  g_hook_order.push_back(3);
  return true;
}

TEST_F(TaskCTest, HooksRunInOrderAfterTheSetExists) {
  Write(root_ + "/.qlmpolicyrc", "[s]\nk=v\n");
  const TaskStartHookT hooks[] = {FirstHook, FailingHook, NeverRunHook};
  g_hook_order.clear();
  EXPECT_EQ(Init(hooks, 3), RC_FAIL);
  EXPECT_TRUE(g_hook_saw_set);
  EXPECT_EQ(g_hook_order, (std::vector<int>{1, 2}));
  EXPECT_NE(CurrentTask(), nullptr);  // the task stays
}

TEST_F(TaskCTest, IndentedTraceKeepsDepthAndFlags) {
  Write(root_ + "/.qlmpolicyrc", "[Environment]\nTraceDepthMultiplier=4\n");
  const TaskStartHookT hooks[] = {TaskStartHookIndentedTrace};
  ASSERT_EQ(Init(hooks, 1), RC_OK);
  ASSERT_EQ(SetTaskTraceFlags("G0-3"), RC_OK);
  EXPECT_TRUE(TaskTraceEnabled('G', 3));
  EXPECT_FALSE(TaskTraceEnabled('G', 4));
  (void)TaskC::WithTrace([](TraceC& trace) {
    auto* indented = dynamic_cast<IndentedTraceC*>(&trace);
    ASSERT_NE(indented, nullptr);
    EXPECT_EQ(indented->DepthMultiplier(), 4);
    indented->SetDepth(3);
  });
  ReplaceTaskTrace();
  EXPECT_TRUE(TaskTraceEnabled('G', 3));
  (void)TaskC::WithTrace([](TraceC& trace) {
    auto* indented = dynamic_cast<IndentedTraceC*>(&trace);
    ASSERT_NE(indented, nullptr);
    EXPECT_EQ(indented->Depth(), 3u);
    EXPECT_EQ(indented->IndentWidth(), 12u);
  });
}

TEST_F(TaskCTest, RktraceSetsFlagsOrReportsTheText) {
  ASSERT_EQ(Init(), RC_OK);
  EXPECT_EQ(ApplyTraceFlagsFromEnvironment(), RC_OK);  // unset: nothing to do
  EXPECT_FALSE(TaskTraceEnabled('T', 0));
  env_.Set("RKTRACE", "T,X2");
  EXPECT_EQ(ApplyTraceFlagsFromEnvironment(), RC_OK);
  EXPECT_TRUE(TaskTraceEnabled('T', 31));
  EXPECT_TRUE(TaskTraceEnabled('X', 2));
  EXPECT_FALSE(TaskTraceEnabled('X', 1));
  env_.Set("RKTRACE", "A-1");
  EXPECT_EQ(ApplyTraceFlagsFromEnvironment(), 0xE0A30002u);
  cmn_ErrBufI* errors = getErrBuf(2);
  ASSERT_EQ(errors->Count(), 1u);
  EXPECT_EQ(errors->Entry(0)->Text(), "Cannot parse RKTRACE flags \"A-1\"");
}

TEST_F(TaskCTest, LookupsFromOtherThreadsDuringReplacement) {
  Write(root_ + "/.qlmpolicyrc", "[Environment]\nShared=one\n");
  ASSERT_EQ(Init(), RC_OK);
  std::atomic<bool> stop{false};
  std::atomic<int> bad{0};
  std::thread reader([&] {
    while (!stop.load()) {
      const char* value = GetEnv("Shared");
      if (value == nullptr || std::string(value) != "one") bad.fetch_add(1);
    }
  });
  TaskC* const task = CurrentTask();
  for (int i = 0; i < 20; ++i) task->CreatePrefs(nullptr);
  stop.store(true);
  reader.join();
  EXPECT_EQ(bad.load(), 0);
}

}  // namespace
