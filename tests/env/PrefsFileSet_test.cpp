// Preference files: the parser, the search along real directories, redirections, the
// diagnostics printed under OUIPREFSDEBUG, typed lookups and changes, saving, and GetEnv.
#include "env/PrefsFileSetC.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"
#include "env/PrefsC.h"
#include "env/PrefsLookup.h"
#include "os/File_posix.h"
#include "tests/testing/FileUtil.h"
#include "tests/testing/ScopedEnvC.h"
#include "tests/testing/TempDirTest.h"

namespace {

using V = std::vector<std::string>;
using qlmtest::ScopedEnvC;

class PrefsFileSetTest : public qlmtest::TempDirTest {
 protected:
  void SetUp() override {
    qlmtest::TempDirTest::SetUp();
    root_ = dir_;
    home_ = root_ + "/home/u";
    base_ = root_ + "/opt";
    ASSERT_EQ(os_MakeDirectory(root_ + "/home"), 0);
    ASSERT_EQ(os_MakeDirectory(home_), 0);
    ASSERT_EQ(os_MakeDirectory(base_), 0);
    ASSERT_EQ(os_MakeDirectory(base_ + "/lib"), 0);
    env_.Set("HOME", home_.c_str());
    env_.Set("OUIBASE", base_.c_str());
    env_.Set("OUIPREFSPATH", nullptr);
    env_.Set("OUIPREFSDEBUG", nullptr);
    env_.Set("LANG", "C");
    task_.program_name = "qlmpolicy";
    task_.home = home_;
    task_.start_dir = root_;
    task_.task_name = "qlmpolicy";
    task_.task_name_lower = "qlmpolicy";
    task_.version_text = "450";
    getErrBuf(2)->Clear();
  }
  void Write(const std::string& path, const std::string& text) { qlmtest::WriteFile(path, text); }
  std::unique_ptr<PrefsFileSetC> Create(const char* path = nullptr) {
    return PrefsFileSetC::Create(path, task_);
  }
  // Creates a set with diagnostics on and gives the printed lines.
  V CreateWithDiagnostics(const char* path, std::unique_ptr<PrefsFileSetC>* set = nullptr) {
    env_.Set("OUIPREFSDEBUG", "zzz-no-key");
    PrefsFileSetC::ForgetDiagnosticHeader();
    testing::internal::CaptureStdout();
    auto made = Create(path);
    const std::string out = testing::internal::GetCapturedStdout();
    if (set != nullptr) *set = std::move(made);
    V lines;
    std::istringstream stream(out);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
  }

  ScopedEnvC env_;
  PrefsTaskInfoS task_;
  std::string root_, home_, base_;
};

TEST(PrefsCTest, ParsesSectionsKeysAndBadLines) {
  PrefsC prefs("mem");
  size_t bad = 0;
  EXPECT_TRUE(
      prefs.ParseText("orphan=before any section\r\n"
                      "  ; a comment\n"
                      "[ Main ]\n"
                      "KEY = two words \n"
                      "=x\n"
                      "no equals sign\n"
                      "[unclosed\n"
                      "[  ]\n"
                      "key=later wins\r"
                      "Other=v=w\n"
                      "[second]\n"
                      "[main]\n"
                      "extra=1",
                      false, false, &bad));
  EXPECT_EQ(bad, 5u);
  ASSERT_NE(prefs.Find("main", "key"), nullptr);
  EXPECT_EQ(*prefs.Find("main", "key"), "later wins");
  EXPECT_EQ(*prefs.Find("MAIN", "other"), "v=w");
  EXPECT_EQ(*prefs.Find("Main", "extra"), "1");
  EXPECT_EQ(prefs.Find("", "orphan"), nullptr);
  ASSERT_EQ(prefs.Sections().size(), 2u);  // "[main]" reuses "Main"
  EXPECT_EQ(prefs.Sections()[0].name, "Main");

  // Strict mode stops at the first bad line and keeps nothing.
  EXPECT_FALSE(prefs.ParseText("[a]\nk=v\nbad\n", true));
  EXPECT_TRUE(prefs.Sections().empty());
}

TEST(PrefsCTest, ContinuationsJoinLinesWithAnOddBackslashCount) {
  PrefsC prefs("mem");
  EXPECT_TRUE(prefs.ParseText("[s]\na=one \\\n  two\nb=even\\\\\nc=last\\", false, true));
  EXPECT_EQ(*prefs.Find("s", "a"), "one   two");
  EXPECT_EQ(*prefs.Find("s", "b"), "even\\\\");
  EXPECT_EQ(*prefs.Find("s", "c"), "last");
}

TEST(PrefsCTest, SetValueStatesAndDeletion) {
  PrefsC prefs("mem");
  EXPECT_FALSE(prefs.SetValue("", "k", "v", true));
  EXPECT_FALSE(prefs.SetValue("s", "", "v", true));
  EXPECT_TRUE(prefs.SetValue("S", "K", " \tpadded \r\n", true));
  EXPECT_EQ(*prefs.Find("s", "k"), "padded");
  EXPECT_EQ(prefs.Sections()[0].entries[0].state, PrefsC::STATE_MODIFIED);
  EXPECT_TRUE(prefs.DeleteValue("s", "k"));
  EXPECT_EQ(prefs.Find("s", "k"), nullptr);
  EXPECT_TRUE(prefs.SetValue("s", "k", "back", false));  // a deleted entry comes back
  EXPECT_EQ(*prefs.Find("s", "k"), "back");
  EXPECT_EQ(prefs.Sections()[0].entries.size(), 1u);
  EXPECT_TRUE(prefs.SetSectionValue("s", "own", true));
  EXPECT_EQ(*prefs.Find("s", ""), "own");
}

TEST_F(PrefsFileSetTest, WriteReplacesTheFileThroughATemporaryFile) {
  const std::string path = root_ + "/saved.ini";
  Write(path, "; old comment\n[old]\nx=1\n");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  PrefsC prefs(path);
  ASSERT_EQ(prefs.Read(), RC_OK);
  EXPECT_TRUE(prefs.SetValue("New", "key", "value", true));
  EXPECT_TRUE(prefs.SetValue("old", "y", "2", true));
  ASSERT_EQ(prefs.Write(), RC_OK);

  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "[old]\nx=1\ny=2\n\n[New]\n\nkey=value\n");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  PrefsC again(path);
  ASSERT_EQ(again.Read(), RC_OK);
  EXPECT_EQ(*again.Find("new", "KEY"), "value");
  // Nothing but the target is left in the directory.
  os_DirectoryReaderC dir;
  ASSERT_EQ(dir.Open(root_), 0);
  V names;
  for (;;) {
    os_DirectoryReaderC::EntryS entry;
    bool done = false;
    ASSERT_EQ(dir.Next(&entry, &done), 0);
    if (done) break;
    names.push_back(entry.name);
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (V{"home", "opt", "saved.ini"}));
}

TEST_F(PrefsFileSetTest, DefaultPathWithoutBaseLooksInHomeOnly) {
  env_.Set("OUIBASE", nullptr);
  const V lines = CreateWithDiagnostics(nullptr);
  const V expected = {
      "Preferences Diagnostics",
      "=======================",
      "Default dirs (for files in search path): \"%E:%U:%B/lib\"",
      "Default files (for dirs in search path): \"%N%S:%f%V%S\"",
      "File prefix (added in home directory): \".\"",
      "File suffix (added if not present): \"rc\"",
      "See the online help for % substitution details",
      "Preferences Diagnostics",
      "=======================",
      "Using default search path: \"%E:%U/.%N%S:%B/lib/%N%S:%U/.%f%V%S:%B/lib/%f%V%S\"",
      "Cannot expand variable \"%E\", ignoring \"%E\"",
      "Cannot expand variable \"%B\", ignoring \"%B/lib/%N%S\"",
      "Cannot expand variable \"%B\", ignoring \"%B/lib/%f%V%S\"",
      "File \"" + home_ + "/.qlmpolicyrc\" not found, continuing search",
      "File \"" + home_ + "/.qlmpolicy45rc\" not found, continuing search",
      "End of search.",
  };
  EXPECT_EQ(lines, expected);
  // The diagnostics leave nothing in the caller's error buffer.
  EXPECT_EQ(getErrBuf(2)->Count(), 0u);
}

TEST_F(PrefsFileSetTest, DefaultCandidatesLoadInOrderAndFirstFileWins) {
  Write(home_ + "/.qlmpolicyrc", "[s]\na=home\n");
  Write(base_ + "/lib/qlmpolicyrc", "[s]\na=base\nb=base\n");
  Write(home_ + "/.qlmpolicy45rc", "[s]\nc=home45\n");
  Write(base_ + "/lib/qlmpolicy45rc", "[S]\nC=base45\nd=base45\n");
  auto set = Create();
  EXPECT_EQ(set->FileNames(), (V{home_ + "/.qlmpolicyrc", base_ + "/lib/qlmpolicyrc",
                                 home_ + "/.qlmpolicy45rc", base_ + "/lib/qlmpolicy45rc"}));
  EXPECT_EQ(set->GetString("s", "a", "-"), "home");
  EXPECT_EQ(set->GetString("s", "b", "-"), "base");
  EXPECT_EQ(set->GetString("s", "c", "-"), "home45");
  EXPECT_EQ(set->GetString("s", "d", "-"), "base45");
  EXPECT_EQ(set->GetString("s", "e", "-"), "-");
  EXPECT_EQ(set->FirstName(), home_ + "/.qlmpolicyrc");
  EXPECT_EQ(set->LastFound(), base_ + "/lib/qlmpolicy45rc");
}

TEST_F(PrefsFileSetTest, MissingFirstCandidateStillTakesChanges) {
  Write(base_ + "/lib/qlmpolicyrc", "[s]\na=base\n");
  auto set = Create();
  EXPECT_EQ(set->FirstName(), home_ + "/.qlmpolicyrc");
  EXPECT_TRUE(set->SetValue("s", "a", "changed"));
  EXPECT_EQ(set->GetString("s", "a", "-"), "changed");
  EXPECT_FALSE(set->SetValue("s", "", "x"));
  ASSERT_EQ(getErrBuf(2)->Count(), 1u);
  EXPECT_EQ(getErrBuf(2)->Entry(0)->MessageNumber(), 0xE0110016u);
  EXPECT_EQ(getErrBuf(2)->Entry(0)->Text(), "Cannot set key \"\" of section \"s\"");
}

TEST_F(PrefsFileSetTest, EmptyRedirectionStopsTheSearch) {
  Write(home_ + "/.qlmpolicyrc", "[Environment]\nOUIPREFSPATH=\n[s]\na=1\n");
  Write(base_ + "/lib/qlmpolicyrc", "[s]\nb=2\n");
  std::unique_ptr<PrefsFileSetC> set;
  const V lines = CreateWithDiagnostics(nullptr, &set);
  EXPECT_EQ(set->FileNames(), (V{home_ + "/.qlmpolicyrc"}));
  const V tail(lines.end() - 6, lines.end());
  EXPECT_EQ(tail, (V{
                      "  OUIPREFSPATH = ",
                      "Search stopped in \"\"",
                      "File \"" + base_ + "/lib/qlmpolicyrc\" ignored (search already stopped)",
                      "File \"" + home_ + "/.qlmpolicy45rc\" ignored (search already stopped)",
                      "File \"" + base_ + "/lib/qlmpolicy45rc\" ignored (search already stopped)",
                      "End of search.",
                  }));
}

TEST_F(PrefsFileSetTest, RedirectionsLoadRightAfterTheirFile) {
  const std::string other = root_ + "/other";
  ASSERT_EQ(os_MakeDirectory(other), 0);
  Write(other + "/inner.rc", "[s]\nfrom=inner\n");
  Write(base_ + "/lib/qlmpolicyrc", "[s]\nfrom=base\nbase=yes\n");
  const struct {
    const char* redirect;
    V files;
  } cases[] = {
      // The redirected path ends the search...
      {"%P/../../other/inner.", {home_ + "/.qlmpolicyrc", home_ + "/../../other/inner.rc"}},
      // ...unless it ends in %X.
      {"%P/../../other/inner.:%X",
       {home_ + "/.qlmpolicyrc", home_ + "/../../other/inner.rc", base_ + "/lib/qlmpolicyrc"}},
  };
  for (const auto& c : cases) {
    Write(home_ + "/.qlmpolicyrc", std::string("[Environment]\nOUIPREFSPATH=") + c.redirect + "\n");
    auto set = Create();
    EXPECT_EQ(set->FileNames(), c.files) << c.redirect;
    EXPECT_EQ(set->GetString("s", "from", "-"), "inner");
  }
}

TEST_F(PrefsFileSetTest, RedirectionBackToTheSameFileEnds) {
  Write(home_ + "/.qlmpolicyrc", "[Environment]\nOUIPREFSPATH=%P/.qlmpolicyrc:%P/./.qlmpolicyrc\n");
  auto set = Create();
  // The second spelling is read once more, then nesting is cut off; no endless recursion.
  const V names = set->FileNames();
  ASSERT_GE(names.size(), 1u);
  EXPECT_LE(names.size(), 1u + PrefsFileSetC::c_MaxRedirections);
  EXPECT_EQ(names[0], home_ + "/.qlmpolicyrc");
}

TEST_F(PrefsFileSetTest, GivenSearchPathReplacesOrPrecedesTheDefault) {
  const std::string given = root_ + "/given";
  Write(given + "rc", "[s]\nfrom=given\n");
  Write(home_ + "/.qlmpolicyrc", "[s]\nfrom=home\nhome=yes\n");
  auto replaced = Create(given.c_str());
  EXPECT_EQ(replaced->FileNames(), (V{given + "rc"}));
  auto preceded = Create((given + ":%X").c_str());
  EXPECT_EQ(preceded->FileNames(), (V{given + "rc", home_ + "/.qlmpolicyrc"}));
  EXPECT_EQ(preceded->GetString("s", "from", "-"), "given");
  EXPECT_EQ(preceded->GetString("s", "home", "-"), "yes");
}

TEST_F(PrefsFileSetTest, VariableNamesDirectoriesAndBareNames) {
  const std::string dir = root_ + "/dir";
  ASSERT_EQ(os_MakeDirectory(dir), 0);
  Write(dir + "/qlmpolicy45rc", "[s]\nfrom=dir\n");
  Write(home_ + "/.minerc", "[s]\nfrom=bare\n");
  env_.Set("OUIPREFSPATH", (dir + ":mine").c_str());
  auto set = Create();
  const V names = set->FileNames();
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ(names[0], dir + "/qlmpolicyrc");  // the missing first candidate
  EXPECT_EQ(names[1], dir + "/qlmpolicy45rc");
  EXPECT_EQ(names[2], home_ + "/.minerc");
}

// A file the trust rule refuses ends the search; the refusal (path and reason) is kept for the
// program to report once, and nothing is left in the error buffer, where a caller would take
// it for a failure of its own. A real directory at a file's name is only "not found".
TEST_F(PrefsFileSetTest, UnsafeFileEndsTheSearchAndIsKeptOutOfTheErrorBuffer) {
  const std::string home_file = home_ + "/.qlmpolicyrc";
  enum Plant { kForeign, kWorldWritable, kFifo, kForeignLinkToDir, kDirectory };
  const struct {
    Plant plant;
    const char* reason;  // null: not refused
  } cases[] = {{kForeign, "is owned by user 65534"},
               {kWorldWritable, "(mode 0666)"},
               {kFifo, "is a FIFO"},
               {kForeignLinkToDir, "symbolic link '"},
               {kDirectory, nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.plant));
    // Root is needed to give a file or link away.
    if ((c.plant == kForeign || c.plant == kForeignLinkToDir) && ::geteuid() != 0) continue;
    (void)::unlink(home_file.c_str());
    (void)::rmdir(home_file.c_str());
    getErrBuf(2)->Clear();
    Write(base_ + "/lib/qlmpolicyrc", "[s]\nb=2\n");
    switch (c.plant) {
      case kForeign:
        Write(home_file, "[s]\na=1\n");
        ASSERT_EQ(::chown(home_file.c_str(), 65534, 65534), 0);
        break;
      case kWorldWritable:
        Write(home_file, "[s]\na=1\n");
        ASSERT_EQ(::chmod(home_file.c_str(), 0666), 0);
        break;
      case kFifo:
        ASSERT_EQ(::mkfifo(home_file.c_str(), 0600), 0);
        break;
      case kForeignLinkToDir:
        ASSERT_EQ(::symlink(base_.c_str(), home_file.c_str()), 0);
        ASSERT_EQ(::lchown(home_file.c_str(), 65534, 65534), 0);
        break;
      case kDirectory:
        ASSERT_EQ(os_MakeDirectory(home_file), 0);
        break;
    }
    std::unique_ptr<PrefsFileSetC> set;
    const V lines = CreateWithDiagnostics(nullptr, &set);
    EXPECT_EQ(set->GetString("s", "a", "-"), "-");
    EXPECT_EQ(getErrBuf(2)->Count(), 0u);
    const V refusals = set->Refusals();
    if (c.reason == nullptr) {
      EXPECT_TRUE(refusals.empty());
      EXPECT_EQ(set->GetString("s", "b", "-"), "2");
      continue;
    }
    EXPECT_EQ(set->GetString("s", "b", "-"), "-");
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_NE(refusals[0].find("Refusing to use '" + home_file + "': "), std::string::npos)
        << refusals[0];
    EXPECT_NE(refusals[0].find(c.reason), std::string::npos) << refusals[0];
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Unknown error occured while opening \"" + home_file + "\""),
              lines.end());
  }
}

TEST_F(PrefsFileSetTest, EnvironmentSectionAsksTheProcessFirst) {
  Write(home_ + "/.qlmpolicyrc", "[Environment]\nprefspath=file\nShade=file\n");
  auto set = Create();
  EXPECT_EQ(set->GetString("environment", "Shade", "-"), "file");
  env_.Set("OUISHADE", "oui");
  EXPECT_EQ(set->GetString("ENVIRONMENT", "Shade", "-"), "oui");
  env_.Set("Shade", "exact");
  EXPECT_EQ(set->GetString("Environment", "Shade", "-"), "exact");
  env_.Set("OUIPREFSPATH", "/from/env");
  EXPECT_EQ(set->GetString("Environment", "prefspath", "-"), "/from/env");
  EXPECT_EQ(set->GetString("Other", "Shade", "-"), "-");
}

TEST_F(PrefsFileSetTest, TypedLookups) {
  Write(home_ + "/.qlmpolicyrc",
        "[t]\nb1=TRUE\nb2=1\nb3=0\nb4=maybe\nb5=False\nb6=0x\nb7=\n"
        "color=blue\nnone=purple\nmask=red  blue zebra\nempty=\n");
  auto set = Create();
  const struct {
    const char* key;
    bool fallback;
    bool expected;
  } bools[] = {
      {"b1", false, true}, {"b2", false, true},  {"b3", true, false},
      {"b4", true, true},  {"b4", false, false}, {"b5", true, false},
      {"b6", true, false}, {"b7", true, true},   {"missing", true, true},
  };
  for (const auto& c : bools) {
    EXPECT_EQ(set->GetBool("t", c.key, c.fallback), c.expected) << c.key << " " << c.fallback;
  }
  const char* tags = " red\tgreen blue ";
  EXPECT_EQ(set->GetEnum("t", "color", tags, -1), 2);
  EXPECT_EQ(set->GetEnum("t", "none", tags, -1), -1);
  EXPECT_EQ(set->GetEnum("t", "empty", tags, 7), 7);
  EXPECT_EQ(set->GetMask("t", "mask", tags, 99), 5u);
  EXPECT_EQ(set->GetMask("t", "empty", tags, 99), 0u);
  EXPECT_EQ(set->GetMask("t", "missing", tags, 99), 99u);
}

TEST_F(PrefsFileSetTest, TypedChangesAndTheirMessages) {
  Write(home_ + "/.qlmpolicyrc", "[t]\n");
  auto set = Create();
  cmn_ErrBufI* errors = getErrBuf(2);
  const char* tags = "red green blue";

  EXPECT_TRUE(set->SetEnum("t", "color", tags, 1));
  EXPECT_EQ(set->GetString("t", "color", "-"), "green");
  EXPECT_FALSE(set->SetEnum("t", "color", tags, 3));
  EXPECT_EQ(set->GetString("t", "color", "-"), "green");
  ASSERT_EQ(errors->Count(), 1u);
  EXPECT_EQ(errors->Entry(0)->MessageNumber(), 0xE0110003u);
  EXPECT_EQ(errors->Entry(0)->Text(),
            "Attempt to set preference enum \"color\" in section \"t\" of file \"" + home_ +
                "/.qlmpolicyrc\" to value 3 not in enum range 0 .. 2");

  EXPECT_TRUE(set->SetMask("t", "mask", tags, 5));
  EXPECT_EQ(set->GetString("t", "mask", "-"), "red blue");
  EXPECT_FALSE(set->SetMask("t", "mask", tags, 0x1A));
  EXPECT_EQ(set->GetString("t", "mask", "-"), "green");
  ASSERT_EQ(errors->Count(), 2u);
  EXPECT_EQ(errors->Entry(1)->Text(),
            "More mask bits than tags in preference mask mask in section t of file " + home_ +
                "/.qlmpolicyrc");

  EXPECT_TRUE(set->SetBool("t", "flag", true));
  EXPECT_TRUE(set->GetBool("t", "flag", false));
  EXPECT_TRUE(set->SetLong("t", "n", -42));
  EXPECT_EQ(set->GetString("t", "n", "-"), "-42");
}

TEST_F(PrefsFileSetTest, WatchedKeysReportLookupsAndChanges) {
  Write(home_ + "/.qlmpolicyrc", "[s]\ncolor=red\n");
  env_.Set("OUIPREFSDEBUG", "col");
  testing::internal::CaptureStdout();
  auto set = Create();
  (void)testing::internal::GetCapturedStdout();
  testing::internal::CaptureStdout();
  EXPECT_EQ(set->GetString("s", "color", "-"), "red");
  EXPECT_EQ(set->GetString("s", "colour", "-"), "-");
  EXPECT_EQ(set->GetString("s", "other", "-"), "-");  // not watched
  EXPECT_TRUE(set->SetValue("s", "color", "blue"));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Value \"red\" for variable \"color\" found in \"" + home_ +
                "/.qlmpolicyrc\"\n"
                "No value found for preference variable \"colour\"\n"
                "Variable \"color\" set to \"blue\"\n");
}

TEST_F(PrefsFileSetTest, GetEnvIsPerThread) {
  env_.Set("PREFS_TEST_ONE", "first value");
  env_.Set("PREFS_TEST_TWO", "second");
  const char* mine = GetEnv("PREFS_TEST_ONE");
  ASSERT_NE(mine, nullptr);
  std::string theirs;
  const char* unset = "x";
  std::thread other([&] {
    const char* value = GetEnv("PREFS_TEST_TWO");
    theirs = value != nullptr ? value : "(null)";
    unset = GetEnv("PREFS_TEST_UNSET");
  });
  other.join();
  EXPECT_STREQ(mine, "first value");  // untouched by the other thread's calls
  EXPECT_EQ(theirs, "second");
  EXPECT_EQ(unset, nullptr);
}

}  // namespace
