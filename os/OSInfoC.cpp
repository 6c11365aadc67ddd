#include "os/OSInfoC.h"

#include <string>
#include <unordered_map>
#include <vector>

#include "cmn/cmn_ErrMarkC.h"
#include "cmn/cmn_Services.h"
#include "os/MemoryStreamC.h"
#include "os/ProcessC.h"
#include "os/SysInfo_posix.h"

OSInfoC* OSInfoC::s_OSInfo = nullptr;

namespace {

// Release files are small; a longer one is read no further than this.
constexpr size_t kReleaseFileLimit = 64 * 1024;
// Initial capacity of the buffer collecting lsb_release's output.
constexpr int64_t kLsbOutputCapacity = 1024;
// lsb_release is asked to stop (SIGTERM) when it has not finished after this many seconds.
constexpr int kLsbTimeLimitSeconds = 30;

constexpr std::string_view kTrimSet = " \t\r\n";

constexpr const char* kReleaseFiles[] = {
    "ovs-release",    "oracle-release", "enterprise-release", "redhat-release",    "SuSE-release",
    "fedora-release", "centos-release", "mandrake-release",   "slackware-version", "debian_version",
};

struct VendorS {
  const char* substring;
  const char* vendor;
};
constexpr VendorS kVendors[] = {
    {"fedora", "Fedora Community"},
    {"centos", "CentOS"},
    {"redhat", "Red Hat"},
    {"oracle", "Oracle Corporation"},
    {"enterpriseenterprise", "Oracle Corporation"},
    {"suse", "Novell, Inc."},
    {"ubuntu", "Canonical Ltd."},
    {"debian", "Debian Project"},
    {"slackware", "Slackware"},
    {"xenserver", "Citrix Systems, Inc."},
    {"mandrake", "Mandriva S.A."},
};

StringC Ascii(const char* text) {
  return StringC(text, StringC::CC_ASCII);
}
StringC Utf8Text(std::string_view bytes) {
  return StringC(bytes.data(), bytes.size(), StringC::CC_UTF8);
}
StringC SystemText(const std::string& bytes) {
  return StringC(bytes.c_str(), StringC::CC_SYS8);
}

// The system bytes of `text`; false when it holds a zero character or does not convert.
bool SystemBytes(const StringC& text, std::string* bytes) {
  void* data = text.GetBytes(StringC::CC_SYS8);
  if (data == nullptr) return false;
  const int64_t length = text.GetByteLength(StringC::CC_SYS8);
  bytes->assign(static_cast<const char*>(data), length > 0 ? static_cast<size_t>(length) : 0);
  text.ReleaseBytes(data, StringC::CC_SYS8);
  return bytes->find('\0') == std::string::npos;
}

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(kTrimSet);
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(kTrimSet);
  return text.substr(first, last - first + 1);
}

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Calls `visit` with every line of `bytes` (split at line feeds, without them).
template <class Visit>
void ForEachLine(std::string_view bytes, Visit visit) {
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    visit(bytes.substr(start, end - start));
    start = end + 1;
  }
}

void SetIfEmpty(StringC* field, const StringC& value) {
  if (field->IsEmpty()) *field = value;
}

// The word that starts at the first digit at or after `from`, up to the next blank or tab.
std::string_view DigitWord(std::string_view line, size_t from) {
  for (size_t i = from; i < line.size(); ++i) {
    if (IsDigit(line[i])) {
      size_t end = i;
      while (end < line.size() && !IsBlank(line[end])) ++end;
      return line.substr(i, end - i);
    }
  }
  return {};
}

// Wait callback: true (go on) until the time limit has passed.
bool WithinTimeLimit(ProcessC* /*process*/, void* context) {
  int* seconds = static_cast<int*>(context);
  return ++*seconds < kLsbTimeLimitSeconds;
}

}  // namespace

OSInfoC& OSInfoC::Get() {
  // Built once, kept until the process ends (never destroyed: users may ask during exit).
  static OSInfoC* const instance = s_OSInfo = new OSInfoC(SourcesS());
  return *instance;
}

OSInfoC::OSInfoC(const SourcesS& sources) : sources_(sources) {
  std::string systemName, release;
  const bool named = os_Uname(&systemName, &release) == 0;
  platform_code_ = c_PlatformLinux;
  if (named) ParseKernelRelease(release, &kernel_major_, &kernel_minor_);
  version_extra_[0] = 5;
  version_extra_[1] = -1;
  version_extra_[2] = -1;
  version_extra_[3] = 36;
  system_name_ = Ascii("UNKNOWN");
  vendor_ = Ascii("Unknown");
  if (named) system_name_ = SystemText(systemName);
  release_directory_ = sources_.releaseDirectory;
  DetectDistribution();
}

OSInfoC::~OSInfoC() = default;

void OSInfoC::ParseKernelRelease(std::string_view release, int32_t* major, int32_t* minor) {
  int32_t* targets[2] = {major, minor};
  *major = 0;
  *minor = 0;
  size_t i = 0;
  for (int32_t* target : targets) {
    while (i < release.size() && !IsDigit(release[i])) ++i;
    int64_t value = 0;
    while (i < release.size() && IsDigit(release[i])) {
      value = value * 10 + (release[i] - '0');
      if (value > INT32_MAX) value = INT32_MAX;
      ++i;
    }
    *target = static_cast<int32_t>(value);
  }
}

void OSInfoC::ReadOsRelease(std::string_view bytes, DistributionS* fields) {
  ForEachLine(bytes, [fields](std::string_view raw) {
    const std::string_view line = Trim(raw);
    if (line.empty() || line[0] == '#' || line.find('=', 1) == std::string_view::npos) return;
    const size_t equals = line.find('=');
    const std::string key = LowerAscii(Trim(line.substr(0, equals)));
    size_t p = equals + 1;
    while (p < line.size() && IsBlank(line[p])) ++p;
    char quote = 0;
    if (p < line.size() && (line[p] == '"' || line[p] == '\'')) quote = line[p++];
    std::string value;
    while (p < line.size()) {
      const char c = line[p];
      if (quote != 0 ? c == quote : IsBlank(c)) break;
      if (c == '\\') {
        if (p + 1 < line.size()) value.push_back(line[p + 1]);
        p += 2;
        continue;
      }
      value.push_back(c);
      ++p;
    }
    if (key == "name") {
      SetIfEmpty(&fields->name, Utf8Text(value));
    } else if (key == "version_id") {
      SetIfEmpty(&fields->version, Utf8Text(value));
    } else if (key == "pretty_name") {
      SetIfEmpty(&fields->description, Utf8Text(value));
    }
  });
}

void OSInfoC::ApplyLsbRelease(std::string_view output, DistributionS* fields) {
  ForEachLine(output, [fields](std::string_view line) {
    StringC* target = nullptr;
    if (line.substr(0, 11) == "Distributor") {
      target = &fields->name;
    } else if (line.substr(0, 11) == "Description") {
      target = &fields->description;
    } else if (line.substr(0, 7) == "Release") {
      target = &fields->version;
    }
    const size_t colon = line.find(':');
    if (target == nullptr || colon == std::string_view::npos || colon == 0) return;
    *target = Utf8Text(Trim(line.substr(colon + 1)));
  });
}

bool OSInfoC::ApplyReleaseFile(std::string_view fileName, std::string_view bytes,
                               DistributionS* fields) {
  if (bytes.empty()) return false;
  const size_t lineEnd = bytes.find('\n');
  const std::string_view line = Trim(bytes.substr(0, lineEnd));
  const StringC lineText = Utf8Text(line);
  SetIfEmpty(&fields->description, lineText);
  const std::string lower = LowerAscii(line);

  if (lower.find("suse") != std::string::npos) {
    SetIfEmpty(&fields->name, Ascii("SUSE LINUX"));
    if (lineEnd != std::string_view::npos) {
      std::string_view second = bytes.substr(lineEnd + 1);
      second = second.substr(0, second.find('\n'));
      const size_t equals = second.find('=', 1);
      if (second.substr(0, 7) == "VERSION" && equals != std::string_view::npos) {
        SetIfEmpty(&fields->version, Utf8Text(Trim(second.substr(equals + 1))));
      }
    }
  } else if (fileName == "debian_version") {
    SetIfEmpty(&fields->name, Ascii("Debian GNU/Linux"));
    SetIfEmpty(&fields->version, lineText);
    if (fields->description.Equals(lineText)) {
      fields->description = StringC(fields->name).AppendChar(U' ').Append(fields->version);
    }
  } else if (lower.rfind("slackware", 0) == 0) {
    SetIfEmpty(&fields->name, Ascii("Slackware"));
    const size_t blank = line.find(' ', 1);
    if (blank != std::string_view::npos) {
      const std::string_view word = DigitWord(line, blank + 1);
      if (!word.empty()) SetIfEmpty(&fields->version, Utf8Text(word));
    }
  } else if (const size_t at = lower.find("release", 1); at != std::string::npos) {
    // "Red Hat Enterprise Linux Server release 5.5 (Tikanga)": the words before "release"
    // without " linux " and without white space, and the first number after it.
    std::string name(line.substr(0, at));
    for (size_t hit; (hit = LowerAscii(name).find(" linux ")) != std::string::npos;) {
      name.erase(hit, 7);
    }
    std::string packed;
    for (char c : name) {
      if (kTrimSet.find(c) == std::string_view::npos) packed.push_back(c);
    }
    SetIfEmpty(&fields->name, Utf8Text(packed));
    const std::string_view word = DigitWord(line, at + 7);
    if (!word.empty()) SetIfEmpty(&fields->version, Utf8Text(word));
  }
  return true;
}

StringC OSInfoC::VendorOf(const StringC& name) {
  const std::string lower = name.ToLower().ToUtf8();
  for (const VendorS& entry : kVendors) {
    if (lower.find(entry.substring) != std::string::npos) return Ascii(entry.vendor);
  }
  return Ascii("Unknown");
}

void OSInfoC::DetectDistribution() {
  cmn_ErrMarkC mark;
  DistributionS fields;

  std::string directory;
  if (SystemBytes(release_directory_, &directory)) {
    std::string bytes;
    if (os_ReadFileHead(directory + "/os-release", kReleaseFileLimit, &bytes) == 0) {
      ReadOsRelease(bytes, &fields);
    }
  }
  std::string program;
  if (!fields.IsComplete() && SystemBytes(sources_.lsbReleaseProgram, &program) &&
      !program.empty() && os_PathExists(program)) {
    RunLsbRelease(&fields);
  }
  if (!fields.IsComplete() && !directory.empty()) ReadReleaseFiles(&fields);

  // Every step was optional: what failed on the way is not the caller's failure.
  mark.Rollback();
  distribution_name_ = fields.name;
  distribution_version_ = fields.version;
  distribution_description_ = fields.description;
  vendor_ = VendorOf(fields.name);
}

void OSInfoC::RunLsbRelease(DistributionS* fields) {
  ProcessC process;
  process.SetArguments(StringArrayC{sources_.lsbReleaseProgram, Ascii("-idr")});
  MemoryStreamC output(kLsbOutputCapacity);
  if (process.StdOut().AttachStream(&output) != RC_OK ||
      process.StdIn().RedirectToFile(process.StdIn().GetFileName()) != RC_OK ||
      process.StdErr().RedirectToFile(process.StdErr().GetFileName()) != RC_OK ||
      process.Start() != RC_OK) {
    return;
  }
  int seconds = 0;
  if (process.Wait(&WithinTimeLimit, &seconds, 1000) != RC_OK) return;
  unsigned long exitCode = 1;
  if (process.GetExitCode(&exitCode) != RC_OK || exitCode != 0) return;
  const int64_t length = output.GetLength();
  if (length <= 0) return;
  ApplyLsbRelease(std::string_view(reinterpret_cast<const char*>(output.GetBuffer()),
                                   static_cast<size_t>(length)),
                  fields);
}

void OSInfoC::ReadReleaseFiles(DistributionS* fields) {
  std::string directory;
  if (!SystemBytes(release_directory_, &directory)) return;
  for (const char* name : kReleaseFiles) {
    std::string bytes;
    if (os_ReadFileHead(directory + "/" + name, kReleaseFileLimit, &bytes) == 0 &&
        ApplyReleaseFile(name, bytes, fields)) {
      return;
    }
  }
}

const OSRefArrayM<OSFileSystemC>& OSInfoC::GetFileSystems(bool refresh) {
  if (file_systems_built_ && !refresh) return file_systems_;
  file_systems_built_ = true;
  file_systems_.Clear();
  std::unordered_map<std::string, uint64_t> positions;  // mount point -> index
  for (uint64_t t = 0; t < sources_.mountTables.Count(); ++t) {
    std::string table;
    std::vector<os_MountEntryS> entries;
    if (!SystemBytes(sources_.mountTables[t], &table) || os_ReadMountTable(table, &entries) != 0) {
      continue;
    }
    for (const os_MountEntryS& entry : entries) {
      const bool block =
          !entry.device.empty() && entry.device[0] == '/' && os_IsBlockDevice(entry.device);
      OSRefM<OSFileSystemC> item(
          new OSFileSystemC(SystemText(entry.device), SystemText(entry.mountPoint),
                            SystemText(entry.type), block, os_DeviceOf(entry.mountPoint)));
      const auto [at, added] = positions.emplace(entry.mountPoint, file_systems_.Count());
      if (added) {
        file_systems_.Add(item.Get());
      } else {
        file_systems_.Replace(at->second, item.Get());
      }
    }
  }
  return file_systems_;
}

const OSRefArrayM<OSUserC>& OSInfoC::GetUsers(bool refresh) {
  if (users_built_ && !refresh) return users_;
  users_built_ = true;
  users_.Clear();
  std::vector<os_PasswdS> entries;
  os_ListUsers(&entries);
  for (const os_PasswdS& entry : entries) {
    OSRefM<OSUserC> user(new OSUserC(entry));
    users_.Add(user.Get());
  }
  return users_;
}

const OSRefArrayM<OSNetworkAdapterC>& OSInfoC::GetNetworkAdapters(bool refresh, RcT* result) {
  if (!network_adapters_built_ || refresh) {
    network_adapters_built_ = true;
    network_adapters_.Clear();
    std::vector<os_InterfaceS> interfaces;
    // getifaddrs lists every configured address once. The interface ioctls ask for an address
    // by interface name, so each secondary address of an interface came out as a copy of its
    // primary; they only serve where getifaddrs itself fails.
    int err = os_ListInterfacesGetifaddrs(&interfaces);
    if (err != 0) err = os_ListInterfacesIoctl(&interfaces);
    network_result_ = (interfaces.empty() && err != 0) ? cmn_RcFromErrno(err) : RC_OK;
    for (const os_InterfaceS& item : interfaces) {
      OSRefM<OSNetworkAdapterC> adapter(
          new OSNetworkAdapterC(item.up, item.loopback, SystemText(item.name),
                                SystemText(item.address), SystemText(item.netmask)));
      network_adapters_.Add(adapter.Get());
    }
  }
  if (result != nullptr) *result = network_result_;
  return network_adapters_;
}

RcT IsAdministrator(bool* isAdministrator) noexcept {
  if (isAdministrator == nullptr) return RC_POINTER;
  *isAdministrator = os_EffectiveUserId() == 0;
  return RC_OK;
}
