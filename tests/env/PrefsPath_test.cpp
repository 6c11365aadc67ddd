// Search-path expansion: every % code, $NAME, %E, %X, failed elements and the 4096-byte limit.
#include "env/PrefsPathC.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

class FakeContextC final : public PrefsPathContextI {
 public:
  bool GetEnv(const char* name, std::string* value) override {
    return Lookup(prefs_env, name, value);
  }
  bool ProcessEnv(const char* name, std::string* value) override {
    return Lookup(process_env, name, value);
  }
  bool CacheDirectory(std::string* value) override {
    if (cache.empty()) return false;
    *value = cache;
    return true;
  }
  bool CurrentDirectory(std::string* value) override {
    *value = "/cwd";
    return true;
  }
  void CannotExpand(std::string_view code, std::string_view element) override {
    failures.push_back(std::string(code) + "|" + std::string(element));
  }

  std::map<std::string, std::string> prefs_env;
  std::map<std::string, std::string> process_env;
  std::string cache;
  std::vector<std::string> failures;

 private:
  static bool Lookup(const std::map<std::string, std::string>& map, const char* name,
                     std::string* value) {
    auto it = map.find(name);
    if (it == map.end()) return false;
    *value = it->second;
    return true;
  }
};

PrefsTaskInfoS Task() {
  PrefsTaskInfoS task;
  task.program_name = "qlmpolicy";
  task.home = "/home/u";
  task.start_dir = "/start";
  task.task_name = "QlmPolicy";
  task.task_name_lower = "qlmpolicy";
  task.version_text = "450";
  return task;
}

struct Expansion {
  std::vector<std::string> items;
  bool complete = false;
  bool ok = false;
};

Expansion Expand(FakeContextC& context, const std::string& path,
                 const char* file_name = "qlmpolicy", const std::string* found_in = nullptr) {
  const PrefsTaskInfoS task = Task();
  PrefsPathC expander(task, context);
  PrefsPathC::InputS input;
  input.path = path;
  input.variable = "OUIPREFSPATH";
  input.file_name = file_name;
  input.suffix = "rc";
  input.found_in = found_in;
  PrefsPathListC list;
  Expansion result;
  result.ok = expander.Expand(input, &list);
  result.items = list.Items();
  result.complete = list.complete;
  return result;
}

using V = std::vector<std::string>;

TEST(PrefsPathTest, CodesExpand) {
  FakeContextC context;
  context.prefs_env = {{"OUIBASE", "/opt/q"},
                       {"LANG", "de_AT.ISO-8859-15@euro"},
                       {"TMP", "/var/tmp2"},
                       {"windir", "D:\\WIN"}};
  context.process_env = {{"ZONE", "eu"}, {"A_1", "x"}};
  context.cache = "/cache";
  const std::string found_in = "/etc/q/inner/file.rc";
  const struct {
    const char* path;
    V items;
  } cases[] = {
      {"%A:%U/x", {"/home/u", "/home/u/x"}},
      {"%B/lib:%BASE/lib", {"/opt/q/lib"}},  // same result added once
      {"%BASEMENT", {"/opt/qMENT"}},
      {"%C:%CACHE/d:%CWD", {"/cache", "/cache/d", "/cwd"}},
      {"%F-%f", {"QlmPolicy-qlmpolicy"}},
      {"%L|%l|%t|%c", {"de_AT.ISO-8859-15@euro|de|AT|ISO-8859-15"}},
      {"%N%S/%NAME%S%S", {"qlmpolicyrc/qlmpolicy"}},  // %S only once per element
      {"%P/x", {"/etc/q/inner/x"}},
      {"%T:%TEMP", {"/var/tmp2"}},
      {"%V|%W|%WIN|%SYS", {"45|/start|D:\\WIN|D:\\WIN\\SYSTEM"}},
      {"%%:%::%$", {"%", ":", "$"}},
      {"$ZONE/$(ZONE)/$(A_1)x/$UNSET/$1/$", {"eu/eu/xx//$1/$"}},
      {"a::b:", {"a", "b"}},
  };
  for (const auto& c : cases) {
    const Expansion e = Expand(context, c.path, "qlmpolicy", &found_in);
    EXPECT_TRUE(e.ok) << c.path;
    EXPECT_TRUE(e.complete) << c.path;
    EXPECT_EQ(e.items, c.items) << c.path;
  }
  EXPECT_TRUE(context.failures.empty());
}

TEST(PrefsPathTest, CodesWithoutValueDropTheirElement) {
  FakeContextC context;  // nothing set: no OUIBASE, LANG, cache or variable
  context.prefs_env = {{"LANG", "C"}};
  const Expansion e = Expand(context, "%B/lib:keep:%C:%t%B:%P:%q:%E:end%");
  EXPECT_EQ(e.items, (V{"keep"}));
  EXPECT_TRUE(e.complete);
  EXPECT_EQ(context.failures, (V{"B|%B/lib", "C|%C", "t|%t%B", "P|%P", "q|%q", "E|%E", "|end%"}));
}

TEST(PrefsPathTest, SuffixIsNotRepeatedWhenTheNameHasIt) {
  FakeContextC context;
  EXPECT_EQ(Expand(context, "/d/%N%S", "toolrc").items, (V{"/d/toolrc"}));
}

TEST(PrefsPathTest, VariableExpandsInPlaceOfItsElement) {
  FakeContextC context;
  context.prefs_env = {{"OUIPREFSPATH", "/a:%U/b:%X:/never"}};
  const Expansion e = Expand(context, "/first:%E:/last");
  EXPECT_EQ(e.items, (V{"/first", "/a", "/home/u/b", "/last"}));
  EXPECT_TRUE(e.complete);  // %X inside the variable ends only the variable's path

  // A variable that names itself cannot recurse.
  context.prefs_env = {{"OUIPREFSPATH", "/x:%E"}};
  EXPECT_EQ(Expand(context, "%E").items, (V{"/x"}));
  EXPECT_EQ(context.failures, (V{"E|%E"}));
}

TEST(PrefsPathTest, XEndsThePathIncomplete) {
  FakeContextC context;
  const Expansion e = Expand(context, "/a:/b%X:/c");
  EXPECT_EQ(e.items, (V{"/a", "/b"}));
  EXPECT_FALSE(e.complete);
}

TEST(PrefsPathTest, ElementsAreLimitedTo4095Bytes) {
  FakeContextC context;
  const std::string fits(PrefsPathC::c_MaxText, 'a');
  Expansion e = Expand(context, fits + ":/b");
  EXPECT_TRUE(e.ok);
  EXPECT_EQ(e.items, (V{fits, "/b"}));

  e = Expand(context, "/b:" + fits + "x");
  EXPECT_FALSE(e.ok);
  EXPECT_TRUE(e.items.empty());
  EXPECT_FALSE(e.complete);

  // Growth through a code counts as well.
  context.process_env = {{"BIG", std::string(3000, 'b')}};
  e = Expand(context, "$BIG$BIG");
  EXPECT_FALSE(e.ok);
  context.prefs_env = {{"OUIPREFSPATH", "$BIG$BIG"}};
  e = Expand(context, "/ok:%E");
  EXPECT_FALSE(e.ok);
  EXPECT_TRUE(e.items.empty());
}

TEST(PrefsPathTest, JoinAndDirectoryOf) {
  std::string out;
  EXPECT_TRUE(PrefsPathC::Join("/a", "b", &out));
  EXPECT_EQ(out, "/a/b");
  EXPECT_TRUE(PrefsPathC::Join("/", "b", &out));
  EXPECT_EQ(out, "/b");
  EXPECT_FALSE(PrefsPathC::Join(std::string(4090, 'd'), "123456", &out));
  EXPECT_EQ(PrefsPathC::DirectoryOf("/a/b/c"), "/a/b");
  EXPECT_EQ(PrefsPathC::DirectoryOf("/c"), "/");
  EXPECT_EQ(PrefsPathC::DirectoryOf("c"), ".");
  EXPECT_EQ(PrefsPathC::DirectoryOf("a//c"), "a");
}

}  // namespace
