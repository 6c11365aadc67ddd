// System information: distribution detection over fixture release directories (with a real
// lsb_release stand-in), the readers on their own, and this machine checked against what the
// test reads from the system independently.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sched.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"
#include "os/OSInfoC.h"
#include "tests/os/OsTestSupport.h"

namespace {

StringC Ascii(const std::string& text) {
  return StringC::FromUtf8(text);
}
std::string Text(const StringC& s) {
  return s.ToUtf8();
}

// ----- distribution detection over fixture directories -----

struct DistributionCase {
  const char* label;
  std::map<std::string, std::string> files;  // release directory contents
  const char* lsbOutput;                     // null: no lsb_release program
  int lsbExit;
  const char* name;
  const char* version;
  const char* description;
  const char* vendor;
  bool lsbRuns;  // whether the program is expected to have been started
};

class DistributionTest : public os_test::TempDirTest {
 protected:
  OSInfoC::SourcesS Sources(const DistributionCase& c) {
    ::mkdir(Path("etc").c_str(), 0755);
    for (const auto& [name, content] : c.files) WriteFile("etc/" + name, content);
    OSInfoC::SourcesS sources;
    sources.releaseDirectory = Ascii(Path("etc"));
    sources.lsbReleaseProgram = Ascii(Path("lsb_release"));
    if (c.lsbOutput != nullptr) {
      // A stand-in that records its arguments and prints the fixture output.
      std::ofstream script(Path("lsb_release"));
      script << "#!/bin/sh\necho \"$@\" > '" << Path("lsb_ran") << "'\nprintf '%s' '" << c.lsbOutput
             << "'\nexit " << c.lsbExit << "\n";
      script.close();
      ::chmod(Path("lsb_release").c_str(), 0755);
    }
    return sources;
  }
};

TEST_F(DistributionTest, Table) {
  const DistributionCase cases[] = {
      {"red hat release file",
       {{"redhat-release", "Red Hat Enterprise Linux Server release 5.5 (Tikanga)\n"}},
       nullptr,
       0,
       "RedHatEnterpriseServer",
       "5.5",
       "Red Hat Enterprise Linux Server release 5.5 (Tikanga)",
       "Red Hat",
       false},
      {"debian_version",
       {{"debian_version", "6.0.7\n"}},
       nullptr,
       0,
       "Debian GNU/Linux",
       "6.0.7",
       "Debian GNU/Linux 6.0.7",
       "Debian Project",
       false},
      {"SuSE-release",
       {{"SuSE-release",
         "SUSE Linux Enterprise Server 11 (x86_64)\nVERSION = 11\nPATCHLEVEL = 4\n"}},
       nullptr,
       0,
       "SUSE LINUX",
       "11",
       "SUSE Linux Enterprise Server 11 (x86_64)",
       "Novell, Inc.",
       false},
      {"openSUSE without VERSION line",
       {{"SuSE-release", "openSUSE 13.1 (x86_64)\nCODENAME = x\n"}},
       nullptr,
       0,
       "SUSE LINUX",
       "",
       "openSUSE 13.1 (x86_64)",
       "Novell, Inc.",
       false},
      {"slackware",
       {{"slackware-version", "Slackware 14.2+\n"}},
       nullptr,
       0,
       "Slackware",
       "14.2+",
       "Slackware 14.2+",
       "Slackware",
       false},
      {"slackware without number",
       {{"slackware-version", "Slackware current\n"}},
       nullptr,
       0,
       "Slackware",
       "",
       "Slackware current",
       "Slackware",
       false},
      {"oracle enterprise",
       {{"enterprise-release", "Enterprise Linux Enterprise Linux Server release 5.5 (Carthage)"}},
       nullptr,
       0,
       "EnterpriseEnterpriseServer",
       "5.5",
       "Enterprise Linux Enterprise Linux Server release 5.5 (Carthage)",
       "Oracle Corporation",
       false},
      {"centos and the order of the files",
       {{"centos-release", "CentOS release 6.5 (Final)\n"},
        {"debian_version", "7.1\n"},
        {"redhat-release", ""}},  // empty: yields no first line, so the next file counts
       nullptr,
       0,
       "CentOS",
       "6.5",
       "CentOS release 6.5 (Final)",
       "CentOS",
       false},
      {"fedora",
       {{"fedora-release", "Fedora release 20 (Heisenbug)\r\n"}},
       nullptr,
       0,
       "Fedora",
       "20",
       "Fedora release 20 (Heisenbug)",
       "Fedora Community",
       false},
      {"complete os-release suppresses the rest",
       {{"os-release",
         "# NAME=\"Commented\"\nNAME=\"Ubuntu\"\nVERSION_ID='22.04'\n"
         "PRETTY_NAME=\"Ubuntu 22.04.3 LTS\"\n"},
        {"redhat-release", "CentOS release 6.5 (Final)\n"}},
       "Distributor ID:\tOther\n",
       0,
       "Ubuntu",
       "22.04",
       "Ubuntu 22.04.3 LTS",
       "Canonical Ltd.",
       false},
      {"lsb_release replaces os-release",
       {{"os-release", "NAME=Debian\nPRETTY_NAME=\"Debian (partial)\"\n"},
        {"debian_version", "9.9\n"}},
       "Distributor ID:\tUbuntu\nDescription:\tUbuntu 22.04.3 LTS\nRelease:\t22.04\n",
       0,
       "Ubuntu",
       "22.04",
       "Ubuntu 22.04.3 LTS",
       "Canonical Ltd.",
       true},
      {"lsb_release failing is ignored",
       {{"os-release", "NAME=Debian\n"}, {"debian_version", "12.4\n"}},
       "Distributor ID:\tUbuntu\nRelease:\t22.04\n",
       3,
       "Debian",
       "12.4",
       "Debian 12.4",
       "Debian Project",
       true},
      {"os-release description kept beside debian_version",
       {{"os-release",
         "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"},
        {"debian_version", "12.4\n"}},
       nullptr,
       0,
       "Debian GNU/Linux",
       "12.4",
       "Debian GNU/Linux 12 (bookworm)",
       "Debian Project",
       false},
      {"nothing to go by", {}, nullptr, 0, "", "", "", "Unknown", false},
      {"release line without release word",
       {{"redhat-release", "Some Distribution 7\n"}},
       nullptr,
       0,
       "",
       "",
       "Some Distribution 7",
       "Unknown",
       false},
  };
  for (const DistributionCase& c : cases) {
    SCOPED_TRACE(c.label);
    TearDown();
    SetUp();
    const OSInfoC::SourcesS sources = Sources(c);
    const size_t errorsBefore = getErrBuf()->Count();
    const OSInfoC info(sources);
    EXPECT_EQ(Text(info.GetDistributionName()), c.name);
    EXPECT_EQ(Text(info.GetDistributionVersion()), c.version);
    EXPECT_EQ(Text(info.GetDistributionDescription()), c.description);
    EXPECT_EQ(Text(info.GetVendor()), c.vendor);
    EXPECT_EQ(PathExists(Path("lsb_ran")), c.lsbRuns);
    if (c.lsbRuns) {
      EXPECT_EQ(ReadFile("lsb_ran"), "-idr\n");
    }
    // Detection failures (missing files, a failing program) are not reported to the caller.
    EXPECT_EQ(getErrBuf()->Count(), errorsBefore);
    EXPECT_EQ(Text(info.GetReleaseDirectory()), Path("etc"));
  }
}

// A release "file" that is a FIFO or a directory is not read (and does not block).
TEST_F(DistributionTest, SpecialFilesAreSkipped) {
  ::mkdir(Path("etc").c_str(), 0755);
  ASSERT_EQ(::mkfifo(Path("etc/os-release").c_str(), 0644), 0);
  ::mkdir(Path("etc/redhat-release").c_str(), 0755);
  WriteFile("etc/debian_version", "11.2\n");
  OSInfoC::SourcesS sources;
  sources.releaseDirectory = Ascii(Path("etc"));
  sources.lsbReleaseProgram = Ascii(Path("missing"));
  const OSInfoC info(sources);
  EXPECT_EQ(Text(info.GetDistributionName()), "Debian GNU/Linux");
  EXPECT_EQ(Text(info.GetDistributionVersion()), "11.2");
}

// ----- the readers -----

TEST(OsReleaseReaderTest, Table) {
  struct Case {
    const char* bytes;
    const char* name;
    const char* version;
    const char* description;
  } cases[] = {
      {"NAME=Fedora\nVERSION_ID=39\nPRETTY_NAME=\"Fedora Linux 39\"\n", "Fedora", "39",
       "Fedora Linux 39"},
      {"  name = 'Alpine Linux'  \r\nVersion_Id=3.19.0\r\n", "Alpine Linux", "3.19.0", ""},
      {"NAME=Foo Bar\n", "Foo", "", ""},
      {"NAME=\"Foo \\\"quoted\\\" \\\\ x\"\n", "Foo \"quoted\" \\ x", "", ""},
      {"NAME=a\\ b\n", "a b", "", ""},
      {"NAME=\"unterminated\n", "unterminated", "", ""},
      {"NAME=trailing\\", "trailing", "", ""},
      {"#NAME=no\n=NAME\nNAME\n  # NAME=no\nNAME=yes\n", "yes", "", ""},
      {"NAME=first\nNAME=second\n", "first", "", ""},
      {"NAME=\nNAME=later\n", "later", "", ""},
      {"NAME==x\n", "=x", "", ""},
      {"PRETTY_NAME='it''s'\n", "", "", "it"},
      {"VERSION_ID=\"\"\n", "", "", ""},
      {"", "", "", ""},
      {"\n\n\n", "", "", ""},
      {"NAME=caf\xc3\xa9\nPRETTY_NAME=bad\xff\n", "caf\u00e9", "", "bad\ufffd"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    OSInfoC::DistributionS fields;
    OSInfoC::ReadOsRelease(c.bytes, &fields);
    EXPECT_EQ(Text(fields.name), c.name);
    EXPECT_EQ(Text(fields.version), c.version);
    EXPECT_EQ(Text(fields.description), c.description);
  }
}

TEST(LsbReleaseReaderTest, ReplacesFields) {
  OSInfoC::DistributionS fields;
  fields.name = Ascii("before");
  fields.version = Ascii("1");
  OSInfoC::ApplyLsbRelease(
      "No LSB modules are available.\nDistributor ID:\tUbuntu\n"
      "Description:    Ubuntu 22.04.3 LTS  \ndistributor ID: lower\nRelease 22.04\n",
      &fields);
  EXPECT_EQ(Text(fields.name), "Ubuntu");
  EXPECT_EQ(Text(fields.description), "Ubuntu 22.04.3 LTS");
  EXPECT_EQ(Text(fields.version), "1");  // "Release" without ":" changes nothing
}

// First match in table order; no entry for names without one of the listed words.
TEST(VendorTest, TableOrderAndMisses) {
  const std::pair<const char*, const char*> cases[] = {
      {"EnterpriseEnterpriseServer", "Oracle Corporation"},
      {"CentOS-Fedora hybrid", "Fedora Community"},
      {"Red Hat Enterprise Linux", "Unknown"},  // no "redhat" in it
      {"", "Unknown"},
  };
  for (const auto& [name, vendor] : cases) {
    EXPECT_EQ(Text(OSInfoC::VendorOf(Ascii(name))), vendor) << name;
  }
}

TEST(KernelReleaseTest, Table) {
  const std::tuple<const char*, int32_t, int32_t> cases[] = {
      {"2.6.32-431", 2, 6},
      {"6.18.44-fc-v1272", 6, 18},
      {"5", 5, 0},
      {"", 0, 0},
      {"abc", 0, 0},
      {"v4-rc7", 4, 7},
      {"99999999999999999999.1", INT32_MAX, 1},
  };
  for (const auto& [release, major, minor] : cases) {
    int32_t a = -1, b = -1;
    OSInfoC::ParseKernelRelease(release, &a, &b);
    EXPECT_EQ(a, major) << release;
    EXPECT_EQ(b, minor) << release;
  }
}

// ----- this machine -----

// NAME, VERSION_ID and PRETTY_NAME of the machine's os-release, read here with a plain parser
// (enough for the well-formed file of a real system).
std::map<std::string, std::string> MachineOsRelease() {
  std::map<std::string, std::string> values;
  std::ifstream in("/etc/os-release");
  std::string line;
  while (std::getline(in, line)) {
    const size_t eq = line.find('=');
    if (line.empty() || line[0] == '#' || eq == std::string::npos) continue;
    std::string value = line.substr(eq + 1);
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'')) {
      value = value.substr(1, value.size() - 2);
    }
    values.emplace(line.substr(0, eq), value);
  }
  return values;
}

TEST(OSInfoMachineTest, KernelAndDistribution) {
  OSInfoC& info = OSInfoC::Get();
  EXPECT_EQ(&info, &OSInfoC::Get());
  EXPECT_EQ(info.GetPlatformCode(), 10);
  EXPECT_EQ(Text(info.GetSystemName()), "Linux");
  int major = -1, minor = -1;
  std::ifstream release("/proc/sys/kernel/osrelease");
  char dot = 0;
  release >> major >> dot >> minor;
  EXPECT_EQ(info.GetKernelMajor(), major);
  EXPECT_EQ(info.GetKernelMinor(), minor);
  EXPECT_EQ(Text(info.GetReleaseDirectory()), "/etc");

  const auto osRelease = MachineOsRelease();
  if (osRelease.count("NAME") && osRelease.count("VERSION_ID") && osRelease.count("PRETTY_NAME")) {
    EXPECT_EQ(Text(info.GetDistributionName()), osRelease.at("NAME"));
    EXPECT_EQ(Text(info.GetDistributionVersion()), osRelease.at("VERSION_ID"));
    EXPECT_EQ(Text(info.GetDistributionDescription()), osRelease.at("PRETTY_NAME"));
  }
  EXPECT_FALSE(info.GetVendor().IsEmpty());
}

// ----- file systems -----

// Decodes the octal escapes of a mount-table field ("\040" is a blank).
std::string Unescape(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3') {
      out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                      (field[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(field[i]);
    }
  }
  return out;
}

TEST(FileSystemsMachineTest, EveryMountPointOnceWithItsLastEntry) {
  std::map<std::string, std::pair<std::string, std::string>> last;  // point -> device, type
  std::vector<std::string> order;
  for (const char* table : {"/proc/self/mounts", "/etc/mtab"}) {
    std::ifstream in(table);
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream fields(line);
      std::string device, point, type;
      if (!(fields >> device >> point >> type)) continue;
      point = Unescape(point);
      if (!last.count(point)) order.push_back(point);
      last[point] = {Unescape(device), Unescape(type)};
    }
  }
  ASSERT_FALSE(order.empty());
  const OSRefArrayM<OSFileSystemC>& list = OSInfoC::Get().GetFileSystems(true);
  ASSERT_EQ(list.Count(), order.size());
  for (uint64_t i = 0; i < list.Count(); ++i) {
    const OSFileSystemC* fs = list.Get(i);
    SCOPED_TRACE(order[i]);
    EXPECT_EQ(Text(fs->GetMountPoint()), order[i]);
    EXPECT_EQ(Text(fs->GetDevice()), last[order[i]].first);
    EXPECT_EQ(Text(fs->GetType()), last[order[i]].second);
    if (last[order[i]].second == "proc") {
      EXPECT_EQ(fs->GetKind(), OSFileSystemC::c_KindProc);
    }
  }
  struct stat root;
  ASSERT_EQ(::stat("/", &root), 0);
  bool sawRoot = false;
  for (uint64_t i = 0; i < list.Count(); ++i) {
    if (Text(list.Get(i)->GetMountPoint()) == "/") {
      sawRoot = true;
      EXPECT_EQ(list.Get(i)->GetDeviceNumber(), static_cast<uint64_t>(root.st_dev));
    }
  }
  EXPECT_TRUE(sawRoot);
  // Without refresh the same list comes back.
  EXPECT_EQ(&OSInfoC::Get().GetFileSystems(false), &list);
}

class FileSystemFixtureTest : public os_test::TempDirTest {};

TEST_F(FileSystemFixtureTest, KindsAndReplacement) {
  struct stat st;
  const bool haveBlock = ::stat("/dev/loop0", &st) == 0 && S_ISBLK(st.st_mode) &&
                         ::stat("/dev/loop1", &st) == 0 && S_ISBLK(st.st_mode);
  WriteFile("first",
            "proc /proc PROC rw 0 0\n"
            "systemd-1 /auto autofs rw 0 0\n"
            "//server/share /mnt/smb cifs rw 0 0\n"
            "server:/export /mnt/nfs nfs rw 0 0\n"
            "/dev/loop0 /media/cd iso9660 ro 0 0\n"
            "/dev/loop1 /data ext4 rw 0 0\n"
            "/dev/null /weird ext4 rw 0 0\n"
            "tmpfs /tmp tmpfs rw 0 0\n"
            "/srv/a:/b /bind none rw 0 0\n"
            "/dev/loop0 /mnt/with\\040blank UDF ro 0 0\n"
            "/dev/loop1 / ext4 rw 0 0\n");
  WriteFile("second",
            "/dev/loop1 /data xfs rw 0 0\n"
            "other /extra tmpfs rw 0 0\n");
  OSInfoC::SourcesS sources;
  sources.releaseDirectory = Ascii(Path("none"));
  sources.lsbReleaseProgram = Ascii(Path("none"));
  sources.mountTables =
      StringArrayC{Ascii(Path("first")), Ascii(Path("missing")), Ascii(Path("second"))};
  OSInfoC info(sources);
  const OSRefArrayM<OSFileSystemC>& list = info.GetFileSystems(false);
  const std::tuple<const char*, const char*, const char*, uint64_t> expected[] = {
      {"proc", "/proc", "PROC", 8},
      {"systemd-1", "/auto", "autofs", 16},
      {"//server/share", "/mnt/smb", "cifs", 2},
      {"server:/export", "/mnt/nfs", "nfs", 2},
      {"/dev/loop0", "/media/cd", "iso9660", haveBlock ? 5u : 0u},
      {"/dev/loop1", "/data", "xfs", haveBlock ? 1u : 0u},  // replaced in place
      {"/dev/null", "/weird", "ext4", 0},
      {"tmpfs", "/tmp", "tmpfs", 0},
      {"/srv/a:/b", "/bind", "none", 0},
      {"/dev/loop0", "/mnt/with blank", "UDF", haveBlock ? 5u : 0u},
      {"/dev/loop1", "/", "ext4", haveBlock ? 1u : 0u},
      {"other", "/extra", "tmpfs", 0},
  };
  ASSERT_EQ(list.Count(), std::size(expected));
  for (uint64_t i = 0; i < list.Count(); ++i) {
    const auto& [device, point, type, kind] = expected[i];
    SCOPED_TRACE(point);
    EXPECT_EQ(Text(list.Get(i)->GetDevice()), device);
    EXPECT_EQ(Text(list.Get(i)->GetMountPoint()), point);
    EXPECT_EQ(Text(list.Get(i)->GetType()), type);
    EXPECT_EQ(list.Get(i)->GetKind(), kind);
  }
  struct stat root;
  ASSERT_EQ(::stat("/", &root), 0);
  EXPECT_EQ(list.Get(10)->GetDeviceNumber(), static_cast<uint64_t>(root.st_dev));
  EXPECT_EQ(list.Get(1)->GetDeviceNumber(), 0u);  // /auto does not exist here

  // A refresh rebuilds the same object in place from the tables as they are now.
  WriteFile("second", "");
  EXPECT_EQ(&info.GetFileSystems(true), &list);
  EXPECT_EQ(list.Count(), 11u);
  EXPECT_EQ(Text(list.Get(5)->GetType()), "ext4");
  if (!haveBlock) GTEST_SKIP() << "no block devices at /dev/loop0 and /dev/loop1";
}

// ----- users -----

TEST(UsersTest, RootAndUnknownUsers) {
  const struct passwd* root = ::getpwuid(0);
  ASSERT_NE(root, nullptr);
  const std::string name = root->pw_name, home = root->pw_dir, shell = root->pw_shell;
  const gid_t gid = root->pw_gid;
  for (const OSRefM<OSUserC>& user : {OSUserC::LookupById(0), OSUserC::LookupByName(Ascii(name))}) {
    ASSERT_TRUE(user);
    EXPECT_EQ(Text(user->GetName()), name);
    EXPECT_EQ(Text(user->GetHomeDirectory()), home);
    EXPECT_EQ(Text(user->GetShell()), shell);
    EXPECT_EQ(user->GetUserId(), 0u);
    EXPECT_EQ(user->GetGroupId(), gid);
  }
  const OSRefM<OSUserC> current(new OSUserC());
  EXPECT_EQ(current->GetUserId(), static_cast<uint32_t>(::getuid()));

  // Nobody has these: empty strings, the asked id (or the real one), the process's group.
  const uint32_t unknown = 3999999999u;
  ASSERT_EQ(::getpwuid(unknown), nullptr);
  EXPECT_FALSE(OSUserC::LookupById(unknown));
  EXPECT_FALSE(OSUserC::LookupByName(Ascii("no-such-user-qlm")));
  EXPECT_FALSE(OSUserC::LookupByName(StringC()));
  const OSRefM<OSUserC> missing(new OSUserC(unknown));
  EXPECT_TRUE(missing->GetName().IsEmpty());
  EXPECT_TRUE(missing->GetHomeDirectory().IsEmpty());
  EXPECT_EQ(missing->GetUserId(), unknown);
  EXPECT_EQ(missing->GetGroupId(), static_cast<uint32_t>(::getgid()));
  const OSRefM<OSUserC> missingName(new OSUserC(Ascii("no-such-user-qlm")));
  EXPECT_EQ(missingName->GetUserId(), static_cast<uint32_t>(::getuid()));
}

TEST(UsersTest, ListHoldsEveryPasswdLine) {
  std::vector<std::string> names;
  std::ifstream in("/etc/passwd");
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] != '#' && line[0] != '+')
      names.push_back(line.substr(0, line.find(':')));
  }
  const OSRefArrayM<OSUserC>& users = OSInfoC::Get().GetUsers(true);
  ASSERT_GE(users.Count(), names.size());
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(Text(users.Get(i)->GetName()), names[i]);
}

// ----- network adapters -----

// (label, address, netmask) of every IPv4 address as `ip -4 -o addr` shows it.
std::set<std::tuple<std::string, std::string, std::string>> IpAddresses(bool* ok) {
  std::set<std::tuple<std::string, std::string, std::string>> result;
  FILE* pipe = ::popen("ip -4 -o addr show 2>/dev/null", "r");
  *ok = pipe != nullptr;
  if (pipe == nullptr) return result;
  char buffer[1024];
  while (::fgets(buffer, sizeof buffer, pipe) != nullptr) {
    std::istringstream fields(buffer);
    std::string index, name, family, cidr, word, label;
    fields >> index >> name >> family >> cidr;
    // The label is the last word of the address part, which ends with "\".
    while (fields >> word) {
      if (word == "\\") break;
      const bool last = word.back() == '\\';
      if (last) word.pop_back();
      if (!word.empty()) label = word;
      if (last) break;
    }
    const size_t slash = cidr.find('/');
    const int prefix = std::stoi(cidr.substr(slash + 1));
    const uint32_t mask = prefix == 0 ? 0 : 0xFFFFFFFFu << (32 - prefix);
    char dotted[32];
    std::snprintf(dotted, sizeof dotted, "%u.%u.%u.%u", mask >> 24, (mask >> 16) & 255,
                  (mask >> 8) & 255, mask & 255);
    result.emplace(label, cidr.substr(0, slash), dotted);
  }
  *ok = ::pclose(pipe) == 0 && *ok;
  return result;
}

TEST(NetworkAdaptersTest, MatchTheSystemsView) {
  RcT rc = 1;
  const OSRefArrayM<OSNetworkAdapterC>& list = OSInfoC::Get().GetNetworkAdapters(true, &rc);
  EXPECT_EQ(rc, 0u);
  std::set<std::tuple<std::string, std::string, std::string>> ours;
  bool sawLoopback = false;
  for (uint64_t i = 0; i < list.Count(); ++i) {
    const OSNetworkAdapterC* a = list.Get(i);
    ours.emplace(Text(a->GetName()), Text(a->GetAddress()), Text(a->GetNetmask()));
    if (Text(a->GetAddress()) == "127.0.0.1") {
      sawLoopback = true;
      EXPECT_TRUE(a->IsLoopback());
      EXPECT_TRUE(a->IsUp());
    } else {
      EXPECT_FALSE(a->IsLoopback()) << Text(a->GetName());
    }
  }
  EXPECT_TRUE(sawLoopback);
  bool ok = false;
  const auto expected = IpAddresses(&ok);
  if (!ok) GTEST_SKIP() << "the ip program is not available";
  EXPECT_EQ(ours, expected);
  EXPECT_EQ(&OSInfoC::Get().GetNetworkAdapters(false), &list);
}

// A host with several addresses on one interface: each is reported once, as configured. Made
// in a network namespace of its own (like `unshare -n`), so the test needs the right to create
// one; the work runs in a child process, which alone enters the namespace.
TEST(NetworkAdaptersTest, SecondaryAddressesAreReportedEachOnce) {
  int channel[2];
  ASSERT_EQ(::pipe(channel), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(channel[0]);
    auto answer = [&](const std::string& text, int code) {
      (void)!::write(channel[1], text.data(), text.size());
      ::_exit(code);
    };
    if (::unshare(CLONE_NEWNET) != 0) answer(std::string("unshare: ") + std::strerror(errno), 77);
    const char* setup =
        "ip link set lo up && ip addr add 10.9.8.1/24 dev lo && "
        "ip addr add 10.9.8.2/24 dev lo && ip addr add 10.9.8.3/16 dev lo label lo:x";
    if (std::system(setup) != 0) answer("the ip program cannot configure the namespace", 77);
    std::multiset<std::string> seen;
    const OSRefArrayM<OSNetworkAdapterC>& list = OSInfoC::Get().GetNetworkAdapters(true);
    std::string text;
    for (uint64_t i = 0; i < list.Count(); ++i) {
      const OSNetworkAdapterC* a = list.Get(i);
      text += Text(a->GetName()) + " " + Text(a->GetAddress()) + " " + Text(a->GetNetmask()) + "\n";
    }
    answer(text, 0);
  }
  ::close(channel[1]);
  std::string text;
  char buffer[512];
  ssize_t n;
  while ((n = ::read(channel[0], buffer, sizeof buffer)) > 0) text.append(buffer, n);
  ::close(channel[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no network namespace: " << text;
  ASSERT_EQ(WEXITSTATUS(status), 0);
  std::multiset<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.insert(line);
  EXPECT_EQ(lines,
            (std::multiset<std::string>{"lo 127.0.0.1 255.0.0.0", "lo 10.9.8.1 255.255.255.0",
                                        "lo 10.9.8.2 255.255.255.0", "lo:x 10.9.8.3 255.255.0.0"}));
}

// ----- administrator rights -----

TEST(IsAdministratorTest, FollowsTheEffectiveUser) {
  bool admin = false;
  ASSERT_EQ(IsAdministrator(&admin), 0u);
  EXPECT_EQ(admin, ::geteuid() == 0);
  EXPECT_EQ(IsAdministrator(nullptr), RC_POINTER);
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to switch the effective user";
  // A child that gives up root for an ordinary user answers false.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    bool childAdmin = true;
    const bool switched = ::seteuid(65534) == 0;
    const RcT childRc = IsAdministrator(&childAdmin);
    ::_exit(switched && childRc == 0 && !childAdmin ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
