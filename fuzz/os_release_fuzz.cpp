// Runs the readers of distribution detection over arbitrary bytes: os-release, lsb_release
// output and every release file, then the vendor look-up.
//
// Checked: no crash, overflow or read past the input (the sanitizers); the readers only ever
// fill fields (an os-release never empties one) and their texts are well-formed.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "os/OSInfoC.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

constexpr const char* kReleaseFiles[] = {
    "ovs-release",    "oracle-release", "enterprise-release", "redhat-release",    "SuSE-release",
    "fedora-release", "centos-release", "mandrake-release",   "slackware-version", "debian_version",
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  OSInfoC::DistributionS fields;
  fields.version = StringC("1.0", StringC::CC_ASCII);
  OSInfoC::ReadOsRelease(bytes, &fields);
  Check(fields.version.Utf8View() == "1.0");  // set fields stay as they were
  (void)OSInfoC::VendorOf(fields.name);

  OSInfoC::DistributionS lsb;
  OSInfoC::ApplyLsbRelease(bytes, &lsb);
  (void)OSInfoC::VendorOf(lsb.name);

  for (const char* name : kReleaseFiles) {
    OSInfoC::DistributionS release;
    const bool used = OSInfoC::ApplyReleaseFile(name, bytes, &release);
    Check(used == !bytes.empty());
    (void)OSInfoC::VendorOf(release.name);
  }
  int32_t major = 0, minor = 0;
  OSInfoC::ParseKernelRelease(bytes, &major, &minor);
  Check(major >= 0 && minor >= 0);
  return 0;
}
