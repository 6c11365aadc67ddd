// Logging from several threads at once through every kind of logger, and catalogs replaced
// while other threads look messages up. Run under ThreadSanitizer (the tsan preset), where
// any unguarded access these tests reach is reported.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "cmn/cmn_LocaleC.h"
#include "cmn/cmn_LocaleI.h"
#include "cmn/cmn_Services.h"
#include "log/ErrCatalogC.h"
#include "log/ErrMessages.h"
#include "logmgr/log_LogInstanceC.h"
#include "tests/logmgr/LogMgrFaultSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace logmgrtest;

constexpr const char* kInfo = "\x01\x01i\x01%1$s";
constexpr int kThreads = 6;
constexpr int kLines = 400;

std::string ThreadText(int thread, int line) {
  return "thread " + std::to_string(thread) + " line " + std::to_string(line) + " " +
         std::string(60, static_cast<char>('a' + thread));
}

// Every line whole, each thread's lines all present and in order.
void ExpectEveryThreadsLines(const std::string& path) {
  const std::regex shape(
      R"(\[[^\[\]]+ \(G, 0\)\] \{[0-9]+\} thread ([0-9]+) line ([0-9]+) ([a-z]+))");
  std::map<int, int> next;
  for (const std::string& line : ReadLines(path)) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, shape)) << line;
    const int thread = std::stoi(m[1].str());
    EXPECT_EQ(std::stoi(m[2].str()), next[thread]);
    EXPECT_EQ(m[3].str(), std::string(60, static_cast<char>('a' + thread)));
    next[thread] = std::stoi(m[2].str()) + 1;
  }
  ASSERT_EQ(next.size(), static_cast<size_t>(kThreads));
  for (const auto& [thread, n] : next) EXPECT_EQ(n, kLines) << "thread " << thread;
}

void LogFromThreads(log_LogManagerC& manager) {
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&manager, t] {
      for (int i = 0; i < kLines; ++i) {
        (void)manager.Log('G', 0, 0xE1000064, kInfo, ThreadText(t, i).c_str());
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
}

TEST(LogThreadsTest, FileLoggerKeepsEveryLineWhole) {
  TempDirC dir;
  log_LogSettingsC settings = SettingsIn(dir);
  settings.logTimeFormat = S("iso8601");
  {
    ManagerRefC manager(settings);
    LogFromThreads(*manager);
  }
  ExpectEveryThreadsLines(dir.File("log/test.log"));
}

#ifdef QLM_TEST_LOG_MODULE
TEST(LogThreadsTest, ModuleCallsAreSerialised) {
  TempDirC dir;
  logtest::ScopedEnvC events("QLM_TEST_LOG_MODULE_EVENTS", dir.File("events").c_str());
  logtest::ScopedEnvC quiet("QLM_TEST_LOG_MODULE_QUIET", "1");
  log_LogSettingsC settings = SettingsIn(dir);
  settings.logModules = S(std::string("default;") + QLM_TEST_LOG_MODULE);
  {
    ManagerRefC manager(settings);
    ASSERT_EQ(manager->InstanceCount(), 2u);
    LogFromThreads(*manager);
  }
  ExpectEveryThreadsLines(dir.File("log/test.log"));
  // The module counted its calls in a plain integer: serialised calls lose none.
  const std::string recorded = ReadFile(dir.File("events"));
  EXPECT_NE(recorded.find("calls " + std::to_string(kThreads * kLines) + "\n"), std::string::npos)
      << recorded;
}
#endif

TEST(LogThreadsTest, StandardErrorLoggerKeepsEveryLineWhole) {
  TempDirC dir;
  WriteFile(dir.File("file"), "");
  log_LogSettingsC settings = SettingsIn(dir);
  settings.logFile = S(dir.File("file/test.log"));  // a file where a directory must be
  StderrCaptureC err;
  {
    ManagerRefC manager(settings);
    ASSERT_EQ(manager->InstanceCount(), 1u);
    ASSERT_EQ(manager->InstanceAt(0).Logger().Name().ToUtf8(), "stderr");
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&manager, t] {
        for (int i = 0; i < 50; ++i) {
          (void)manager->Log('G', 0, 0xE1000068, "\x01\x01w\x01%1$s", ThreadText(t, i).c_str());
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
  }
  err.Restore();
  size_t entries = 0;
  std::istringstream lines(err.Text());
  for (std::string line; std::getline(lines, line);) {
    if (line.find(": thread ") == std::string::npos) continue;
    EXPECT_TRUE(std::regex_match(line, std::regex(R"([^:]+: thread [0-9]+ line [0-9]+ [a-z]{60})")))
        << line;
    ++entries;
  }
  EXPECT_EQ(entries, static_cast<size_t>(kThreads * 50));
}

TEST(LogThreadsTest, CatalogClosedWhileOtherThreadsLog) {
  TempDirC dir;
  ManagerRefC manager(SettingsIn(dir));
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&] {
      while (!stop.load()) (void)manager->Log('G', 0, 0xE1000064, kInfo, "racing the close");
    });
  }
  std::this_thread::yield();
  manager->CloseCatalog();
  EXPECT_EQ(manager->Log('G', 0, 0xE1000064, kInfo, "after the close"), RC_FAIL);
  stop.store(true);
  for (std::thread& thread : threads) thread.join();
  for (const std::string& line : ReadLines(dir.File("log/test.log"))) {
    EXPECT_TRUE(IsWholeLine(line)) << line;
  }
}

// A catalog file of one entry (set 0x100, message 0x64) with `text`.
std::string CatalogBytes(const std::string& text) {
  std::string bytes("openuict\0\0\0\1", 12);
  const size_t length = text.size();
  const char entry[12] = {0x01,
                          0x00,
                          static_cast<char>(length >> 8),
                          static_cast<char>(length),
                          0x00,
                          0x00,
                          0x00,
                          0x64,
                          0x00,
                          0x00,
                          0x00,
                          0x18};
  bytes.append(entry, 12);
  return bytes + text;
}

// One thread replaces the process catalog over and over while others look the message up:
// each lookup sees one of the two texts (or the default between them), never a catalog freed
// under it.
TEST(LogThreadsTest, ProcessCatalogReplacedWhileOthersLookUp) {
  TempDirC dir;
  WriteFile(dir.File("one.cat"), CatalogBytes("\x01\x01i\x01one"));
  WriteFile(dir.File("two.cat"), CatalogBytes("\x01\x01i\x01two"));
  cmn_CatalogSwitchI* catalogs = getLocale("")->CatalogSwitch();
  std::atomic<bool> stop{false};
  std::atomic<int> bad{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 3; ++t) {
    readers.emplace_back([&] {
      while (!stop.load()) {
        const std::string text = ErrGetText(0xE1000064,
                                            "\x01\x01i\x01"
                                            "default")
                                     .ToUtf8();
        if (text != "one" && text != "two" && text != "default") bad.fetch_add(1);
      }
    });
  }
  for (int i = 0; i < 300; ++i) {
    (void)catalogs->SetProcessCatalog(dir.File(i % 2 == 0 ? "one.cat" : "two.cat"));
  }
  stop.store(true);
  for (std::thread& reader : readers) reader.join();
  (void)catalogs->SetProcessCatalog("");
  EXPECT_EQ(bad.load(), 0);
}

}  // namespace
