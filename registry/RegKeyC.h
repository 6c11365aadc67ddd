// RegKeyC: a key of the configuration store addressed by a root and a path.
//
// Every operation returns a RegStatusC. Failures are not added to the error buffer: the status
// value is the report, and callers such as the preference loaders treat a missing key as normal.
// A key object belongs to one thread.
#ifndef QLM_REGISTRY_REGKEYC_H_
#define QLM_REGISTRY_REGKEYC_H_

#include <atomic>
#include <cstdint>

#include "base/StringArrayC.h"
#include "base/StringC.h"
#include "cmn/cmn_RegistryI.h"
#include "registry/RegStatusC.h"

class RegValueC;

// Access masks (passed through to the store). Every open adds the read bits.
inline constexpr uint32_t REG_ACCESS_READ = 0x20019;
inline constexpr uint32_t REG_ACCESS_WRITE = 0x20006;
inline constexpr uint32_t REG_ACCESS_READ_WRITE = 0x2001F;

class RegKeyC {
 public:
  RegKeyC(cmn_RegHandleT root, const StringC& path);
  ~RegKeyC();
  RegKeyC(const RegKeyC&) = delete;
  RegKeyC& operator=(const RegKeyC&) = delete;

  // Opens the key so that it has at least `access`. An open key whose mask covers `access` is
  // left alone; one opened with fewer bits is closed and opened again with both.
  RegStatusC Open(uint32_t access);
  // Reopens the root with `access` when its own mask lacks bits. On failure the old root stays.
  RegStatusC OpenRoot(uint32_t access);
  // Opens the key, creating the missing keys on its path.
  RegStatusC Create();
  // Whether the key exists. When it does not and `missing` is not null, *missing gets the
  // path component that follows the deepest existing key.
  RegStatusC Exists(bool* exists, StringC* missing);
  // Deletes the key when it has no subkey and no value (REG_E_KEY_NOT_EMPTY otherwise).
  RegStatusC Delete();
  // Deletes the key with its whole subtree.
  RegStatusC Destroy();
  static RegStatusC Destroy(cmn_RegHandleT root, const StringC& path);
  // The key's value names / subkey names, in store order. An empty key gives an empty list.
  RegStatusC EnumerateValues(StringArrayC* names);
  RegStatusC EnumerateSubkeys(StringArrayC* names);
  // A new value object of the stored type holding value `name` (one reference, the caller's).
  RegStatusC ReadValue(const StringC& name, RegValueC** value);
  // Reads value `name` into `value` (which must be of the stored type).
  RegStatusC ReadValue(const StringC& name, RegValueC* value);
  // Writes `value` as `name`.
  RegStatusC WriteValue(const StringC& name, RegValueC* value);
  RegStatusC ValueExists(const StringC& name, bool* exists);
  // Deletes value `name` (null: the default value, the empty name).
  RegStatusC DeleteValue(const StringC* name);
  // Closes the key (and a reopened root). Harmless when closed.
  RegStatusC Close();

  cmn_RegHandleT Handle() const noexcept { return key_; }
  const StringC& Path() const noexcept { return path_; }

  // Root handles and names: "HKEY_LOCAL_MACHINE" / "HKLM" and the others (ASCII case ignored);
  // 0 for anything else or null.
  static cmn_RegHandleT RootHandle(const char* name) noexcept;
  static const char* RootLongName(cmn_RegHandleT root) noexcept;  // "" for others
  static StringC RootShortName(cmn_RegHandleT root);              // empty for others

  // The configuration store, fetched once (null when the process has none).
  static cmn_RegistryI* Registry() noexcept;
  // Tests: use `registry` instead of the process's store (null: ask again on next use).
  static void SetRegistryForTest(cmn_RegistryI* registry) noexcept;

  static std::atomic<cmn_RegistryI*> m_Reg;
  static std::atomic<bool> m_TriedReg;

 private:
  // The handle to open paths from: the reopened root, or the root itself.
  cmn_RegHandleT Base() const noexcept { return root_key_ != 0 ? root_key_ : root_; }

  cmn_RegHandleT root_;
  uint32_t root_access_ = 0;  // non-zero only when the root was reopened with more rights
  cmn_RegHandleT root_key_ = 0;
  cmn_RegHandleT key_ = 0;
  uint32_t access_ = 0;
  StringC path_;
};

#endif  // QLM_REGISTRY_REGKEYC_H_
