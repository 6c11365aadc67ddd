// The syslog and journald log modules against real sockets: each case runs in a child process
// with a private mount namespace, where a tmpfs over /run (journald) or /dev (syslog) holds a
// datagram socket of the test at the path the library writes to. The datagrams are parsed as
// the journal's native protocol or as syslog messages. Needs root (or CAP_SYS_ADMIN); skipped
// with a message where mount namespaces are not permitted.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/logmgr/LogMgrFaultSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace logmgrtest;

constexpr int kNotPermitted = 77;

// In a fresh private mount namespace, mounts a tmpfs on `over` and binds a datagram socket at
// `socket_path` below it. Returns the socket, or -1 when namespaces or mounts are refused.
int PrivateSocket(const std::string& over, const std::string& socket_path) {
  if (::unshare(CLONE_NEWNS) != 0) return -1;
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return -1;
  if (::mount("qlm-test", over.c_str(), "tmpfs", 0, "mode=0755") != 0) return -1;
  std::error_code ignored;
  fs::create_directories(fs::path(socket_path).parent_path(), ignored);
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  struct sockaddr_un address {};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socket_path.c_str(), sizeof address.sun_path - 1);
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return -1;
  return fd;
}

// Every datagram waiting on `fd`, each written to `out` as "<length>\n<bytes>".
void DrainTo(int fd, const std::string& out) {
  std::string all;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n <= 0) break;
    all += std::to_string(n) + "\n" + std::string(buffer, static_cast<size_t>(n));
  }
  WriteFile(out, all);
}

std::vector<std::string> Datagrams(const std::string& path) {
  std::vector<std::string> datagrams;
  const std::string all = ReadFile(path);
  size_t at = 0;
  while (at < all.size()) {
    const size_t newline = all.find('\n', at);
    const size_t length = std::stoul(all.substr(at, newline - at));
    datagrams.push_back(all.substr(newline + 1, length));
    at = newline + 1 + length;
  }
  return datagrams;
}

// The fields of one native-protocol datagram: "NAME=value\n", or "NAME\n", a 64-bit
// little-endian length, the value and "\n" for values holding a line break.
std::map<std::string, std::string> JournalFields(const std::string& datagram) {
  std::map<std::string, std::string> fields;
  size_t at = 0;
  while (at < datagram.size()) {
    const size_t newline = datagram.find('\n', at);
    const size_t equals = datagram.find('=', at);
    if (equals != std::string::npos && equals < newline) {
      fields[datagram.substr(at, equals - at)] = datagram.substr(equals + 1, newline - equals - 1);
      at = newline + 1;
      continue;
    }
    const std::string name = datagram.substr(at, newline - at);
    uint64_t length = 0;
    for (int i = 7; i >= 0; --i) {
      length =
          length << 8 | static_cast<unsigned char>(datagram[newline + 1 + static_cast<size_t>(i)]);
    }
    fields[name] = datagram.substr(newline + 9, length);
    at = newline + 9 + length + 1;
  }
  return fields;
}

#ifdef QLM_JOURNALD_LOG_MODULE
TEST(LogModuleSinksTest, JournaldReceivesStructuredMaskedEntries) {
  TempDirC dir;
  const std::string out = dir.File("datagrams");
  const pid_t child = Spawn([&] {
    const int fd = PrivateSocket("/run", "/run/systemd/journal/socket");
    if (fd < 0) return kNotPermitted;
    log_LogSettingsC settings = SettingsIn(dir);
    settings.logModules = S(std::string("default;") + QLM_JOURNALD_LOG_MODULE);
    settings.policyType = S("Machine");
    {
      ManagerRefC manager(settings);
      if (manager->InstanceCount() != 2) return 3;
      (void)manager->Log('G', 0, 0xE1000068,
                         "\x01\x01"
                         "e\x01%1$s",
                         "agent failed for ftp://a:secret@h/x\nforged");
      (void)manager->Log('G', 0, 0xE1000075, "\x01\x01i\x01%1$s", "policy applied");
      (void)manager->Log('G', 2, 0xE1000075, "\x01\x01i\x01%1$s", "detail");
    }
    DrainTo(fd, out);
    return 0;
  });
  const int status = WaitFor(child);
  if (status == kNotPermitted) GTEST_SKIP() << "private mount namespaces are not permitted here";
  ASSERT_EQ(status, 0);
  const std::vector<std::string> datagrams = Datagrams(out);
  ASSERT_EQ(datagrams.size(), 3u);
  auto first = JournalFields(datagrams[0]);
  EXPECT_EQ(first["MESSAGE"], "agent failed for ftp://a@h/x\\nforged");
  EXPECT_EQ(first["PRIORITY"], "3");
  EXPECT_EQ(first["SYSLOG_IDENTIFIER"], "qlmpolicy");
  EXPECT_EQ(first["QLM_MESSAGE_NUMBER"], "0xE1000068");
  EXPECT_EQ(first["QLM_POLICY_TYPE"], "Machine");
  EXPECT_EQ(first["MESSAGE_ID"], "8c3f5e07a19d4b62b1e7d04ae1000068");
  EXPECT_EQ(datagrams[0].find("secret"), std::string::npos);
  auto second = JournalFields(datagrams[1]);
  EXPECT_EQ(second["MESSAGE"], "policy applied");
  EXPECT_EQ(second["PRIORITY"], "6");
  EXPECT_EQ(second["MESSAGE_ID"], "8c3f5e07a19d4b62b1e7d04ae1000075");
  auto third = JournalFields(datagrams[2]);
  EXPECT_EQ(third["PRIORITY"], "7");
  // One id per message, whatever the text.
  EXPECT_EQ(third["MESSAGE_ID"], second["MESSAGE_ID"]);
}
#endif

#ifdef QLM_SYSLOG_LOG_MODULE
TEST(LogModuleSinksTest, SyslogUsesTheConfiguredFacilityAndEscapesLineBreaks) {
  TempDirC dir;
  const std::string out = dir.File("datagrams");
  const pid_t child = Spawn([&] {
    const int fd = PrivateSocket("/dev", "/dev/log");
    if (fd < 0) return kNotPermitted;
    for (const char* facility : {"local3", "", "nonsense"}) {
      log_LogSettingsC settings = SettingsIn(dir);
      settings.logModules = S(std::string("default;") + QLM_SYSLOG_LOG_MODULE);
      settings.logSyslogFacility = S(facility);
      ManagerRefC manager(settings);
      if (manager->InstanceCount() != 2) return 3;
      (void)manager->Log('G', 0, 0xE1000068,
                         "\x01\x01"
                         "e\x01%1$s",
                         "failed\nforged line\x1b[2J");
    }
    DrainTo(fd, out);
    return 0;
  });
  const int status = WaitFor(child);
  if (status == kNotPermitted) GTEST_SKIP() << "private mount namespaces are not permitted here";
  ASSERT_EQ(status, 0);
  const std::vector<std::string> datagrams = Datagrams(out);
  ASSERT_EQ(datagrams.size(), 3u);
  // <facility * 8 + priority>: local3 (19) and error (3); then user (1) twice.
  const char* const heads[] = {"<155>", "<11>", "<11>"};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(datagrams[i].rfind(heads[i], 0), 0u) << datagrams[i];
    EXPECT_NE(datagrams[i].find("(G, 0) failed\\nforged line\\x1b[2J"), std::string::npos)
        << datagrams[i];
    EXPECT_EQ(datagrams[i].find('\n'), std::string::npos) << datagrams[i];
  }
}
#endif

}  // namespace
