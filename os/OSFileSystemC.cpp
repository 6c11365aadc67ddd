#include "os/OSFileSystemC.h"

namespace {

bool TypeIs(const StringC& type, const char* name) {
  return type.EqualsNoCase(StringC(name, StringC::CC_ASCII));
}

}  // namespace

OSFileSystemC::OSFileSystemC(const StringC& device, const StringC& mountPoint, const StringC& type,
                             bool isBlockDevice, uint64_t deviceNumber)
    : device_(device),
      mount_point_(mountPoint),
      type_(type),
      kind_(Classify(device, type, isBlockDevice)),
      device_number_(deviceNumber) {}

OSFileSystemC::~OSFileSystemC() = default;

uint64_t OSFileSystemC::Classify(const StringC& device, const StringC& type,
                                 bool isBlockDevice) noexcept {
  if (TypeIs(type, "proc")) return c_KindProc;
  if (TypeIs(type, "autofs")) return c_KindAutofs;
  const std::string_view text = device.Utf8View();
  const bool rooted = !text.empty() && text[0] == '/';
  if (text.substr(0, 2) == "//" || (!rooted && text.find(":/") != std::string_view::npos)) {
    return c_KindNetwork;
  }
  if (rooted && isBlockDevice) {
    if (TypeIs(type, "iso9660") || TypeIs(type, "cd9660") || TypeIs(type, "hsfs") ||
        TypeIs(type, "udf")) {
      return c_KindCdRom;
    }
    return c_KindLocal;
  }
  return c_KindOther;
}
