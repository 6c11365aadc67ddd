// OSInfoC: the machine the process runs on: the operating system's name and kernel version,
// the Linux distribution (name, version, description, vendor), the mounted file systems, the
// users of the password database and the IPv4 network interfaces.
//
// One instance serves the process (Get), built on first use. The lists are built on first
// request and rebuilt in place on request. Neither the singleton's lists nor their objects
// are locked: the system builds and reads them from one thread.
//
// Distribution detection, in this order ("to set" a field means to assign it only while it is
// still empty):
//   1. os-release in the release directory: NAME sets the name, VERSION_ID the version,
//      PRETTY_NAME the description (see ReadOsRelease).
//   2. When one of the three is still empty and the lsb_release program exists: its output
//      for "-idr" replaces them (see ApplyLsbRelease); a program that cannot be run or does
//      not exit with 0 is ignored.
//   3. When one is still empty: the first of the release files (ovs-release, oracle-release,
//      enterprise-release, redhat-release, SuSE-release, fedora-release, centos-release,
//      mandrake-release, slackware-version, debian_version) in the release directory that
//      yields a first line (see ApplyReleaseFile).
//   4. The vendor from the name (see VendorOf).
// Every step is optional; what stays empty stays empty. Failures of the steps are not left in
// the error buffer.
#ifndef QLM_OS_OSINFOC_H_
#define QLM_OS_OSINFOC_H_

#include <cstdint>
#include <string_view>

#include "base/StringArrayC.h"
#include "base/StringC.h"
#include "cmn/cmn_Result.h"
#include "os/OSFileSystemC.h"
#include "os/OSNetworkAdapterC.h"
#include "os/OSRefArrayM.h"
#include "os/OSUserC.h"

class OSInfoC {
 public:
  static constexpr int32_t c_PlatformLinux = 10;

  // Where the machine's facts come from. The defaults are the system's; tests point them at
  // fixture files.
  struct SourcesS {
    StringC releaseDirectory = StringC("/etc", StringC::CC_ASCII);
    StringC lsbReleaseProgram = StringC("/usr/bin/lsb_release", StringC::CC_ASCII);
    // Read in order; a later table's entry for a mount point replaces an earlier one.
    StringArrayC mountTables{StringC("/proc/self/mounts", StringC::CC_ASCII),
                             StringC("/etc/mtab", StringC::CC_ASCII)};
  };

  // The process's instance, built from the system's sources on the first call.
  static OSInfoC& Get();

  // An instance over `sources`: reads the kernel's names and detects the distribution.
  explicit OSInfoC(const SourcesS& sources);
  OSInfoC(const OSInfoC&) = delete;
  OSInfoC& operator=(const OSInfoC&) = delete;
  ~OSInfoC();

  int32_t GetPlatformCode() const noexcept { return platform_code_; }
  int32_t GetKernelMajor() const noexcept { return kernel_major_; }
  int32_t GetKernelMinor() const noexcept { return kernel_minor_; }
  const StringC& GetSystemName() const noexcept { return system_name_; }
  const StringC& GetDistributionName() const noexcept { return distribution_name_; }
  const StringC& GetDistributionVersion() const noexcept { return distribution_version_; }
  const StringC& GetDistributionDescription() const noexcept { return distribution_description_; }
  const StringC& GetVendor() const noexcept { return vendor_; }
  const StringC& GetReleaseDirectory() const noexcept { return release_directory_; }

  // The mounted file systems from the mount tables (each read with the C library's reader, a
  // table that cannot be opened skipped); a mount point listed again (same text) keeps its
  // place and takes the later entry. Built on the first call and when `refresh`.
  const OSRefArrayM<OSFileSystemC>& GetFileSystems(bool refresh);
  // Every user of the password database, in its order. Built on the first call and when
  // `refresh`.
  const OSRefArrayM<OSUserC>& GetUsers(bool refresh);
  // The IPv4 interfaces from the interface ioctls, or from getifaddrs when the ioctls list
  // none. Built on the first call and when `refresh`. *result (when not null) receives 0, or
  // 0xE0000000 | errno when neither source could be read (the list is then empty).
  const OSRefArrayM<OSNetworkAdapterC>& GetNetworkAdapters(bool refresh, RcT* result = nullptr);

  // --- The readers behind the detection, on bytes already read ---------------------------

  // The distribution fields while they are being detected.
  struct DistributionS {
    StringC name;
    StringC version;
    StringC description;
    bool IsComplete() const noexcept {
      return !name.IsEmpty() && !version.IsEmpty() && !description.IsEmpty();
    }
  };
  // os-release lines: blanks, tabs, carriage returns and line feeds trimmed; lines beginning
  // with "#" or without a "=" after their first character skipped; the key (trimmed, case
  // ignored) before the first "="; the value from the first non-blank after it, to the
  // matching quote when it starts with ' or ", else to the next blank, a backslash taking the
  // next character literally. "name", "version_id" and "pretty_name" set the fields.
  static void ReadOsRelease(std::string_view bytes, DistributionS* fields);
  // lsb_release output: lines beginning with "Distributor", "Description" or "Release" and
  // holding a ":" after their first character assign the trimmed text after the first ":"
  // to the name, description or version (replacing what was there).
  static void ApplyLsbRelease(std::string_view output, DistributionS* fields);
  // The first line (trimmed) of the release file `fileName` sets the description, and by its
  // content the name and version: SuSE ("suse" anywhere: "SUSE LINUX", version from a second
  // line "VERSION = x"), debian_version ("Debian GNU/Linux", the line as version), Slackware
  // (the first digit-led word after the first blank), or "<name> release <version>".
  // False when the bytes hold no first line.
  static bool ApplyReleaseFile(std::string_view fileName, std::string_view bytes,
                               DistributionS* fields);
  // The vendor of a distribution name (first table entry whose text the lower-cased name
  // contains), "Unknown" when none.
  [[nodiscard]] static StringC VendorOf(const StringC& name);
  // The first two runs of digits of a kernel release ("2.6.32-431": 2 and 6); 0 for a run
  // that is missing, values beyond 32 bits saturate.
  static void ParseKernelRelease(std::string_view release, int32_t* major, int32_t* minor);

 private:
  void DetectDistribution();
  void RunLsbRelease(DistributionS* fields);
  void ReadReleaseFiles(DistributionS* fields);

  int32_t platform_code_ = 0;
  int32_t kernel_major_ = 0;
  int32_t kernel_minor_ = 0;
  // Further version fields of the platform record; set at construction, read by no one here.
  int32_t version_extra_[4] = {0, 0, 0, 0};
  StringC system_name_;
  StringC distribution_name_;
  StringC distribution_version_;
  StringC distribution_description_;
  StringC vendor_;
  OSRefArrayM<OSFileSystemC> file_systems_;
  OSRefArrayM<OSUserC> users_;
  OSRefArrayM<OSNetworkAdapterC> network_adapters_;
  bool file_systems_built_ = false;
  bool users_built_ = false;
  bool network_adapters_built_ = false;
  RcT network_result_ = 0;
  StringC release_directory_;
  SourcesS sources_;

  static OSInfoC* s_OSInfo;
};

// Sets *isAdministrator to true exactly when the effective user id is 0. Returns 0 (or
// 0x80000009 for a null pointer).
[[nodiscard]] RcT IsAdministrator(bool* isAdministrator) noexcept;

#endif  // QLM_OS_OSINFOC_H_
