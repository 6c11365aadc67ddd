// The registry-shaped configuration store (getConfiguration()->Registry()).
//
// Root keys (HKLM, HKCU, ...) hold keys addressed by paths separated by "\" (names compared
// ignoring ASCII case, spelling kept) and typed named values. Handles are opaque 64-bit
// values: a root handle (0x80000000..0x80000005) or a handle returned by Open/Create, which the
// caller closes. Every operation returns 0 on success or one of the codes below. Texts are
// UTF-8. The object is safe to use from several threads; every write is durable before the
// call returns (see cmn_ConfigStoreC.h for where values live).
#ifndef QLM_CMN_CMN_REGISTRYI_H_
#define QLM_CMN_CMN_REGISTRYI_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using cmn_RegHandleT = uint64_t;

// Root handles.
inline constexpr cmn_RegHandleT cmn_kHKCR = 0x80000000;
inline constexpr cmn_RegHandleT cmn_kHKCU = 0x80000001;
inline constexpr cmn_RegHandleT cmn_kHKLM = 0x80000002;
inline constexpr cmn_RegHandleT cmn_kHKU = 0x80000003;
inline constexpr cmn_RegHandleT cmn_kHKCC = 0x80000005;

// Value types.
inline constexpr uint32_t cmn_kRegSz = 1;
inline constexpr uint32_t cmn_kRegExpandSz = 2;
inline constexpr uint32_t cmn_kRegBinary = 3;
inline constexpr uint32_t cmn_kRegDword = 4;
inline constexpr uint32_t cmn_kRegMultiSz = 7;

// Result codes of the store. The first two have fixed meanings callers rely on.
inline constexpr uint32_t cmn_kRegNoMoreItems = 0xE1370066;  // enumeration past the last
inline constexpr uint32_t cmn_kRegNoSuchValue = 0xE1370069;  // value absent
inline constexpr uint32_t cmn_kRegNoSuchKey = 0xE1370067;    // key absent
inline constexpr uint32_t cmn_kRegBadHandle = 0xE1370068;    // unknown or closed handle
inline constexpr uint32_t cmn_kRegBadArgument = 0xE137006A;  // null/empty name, bad root name
inline constexpr uint32_t cmn_kRegMoreData = 0xE137006B;     // buffer too small (size set)
inline constexpr uint32_t cmn_kRegWrongType = 0xE137006C;    // value of another type
inline constexpr uint32_t cmn_kRegWriteFailed =
    0xE137006D;  // the backing file could not be written
inline constexpr uint32_t cmn_kRegKeyNotEmpty =
    0xE137006E;  // non-recursive delete of a key with content
inline constexpr uint32_t cmn_kRegAccessDenied =
    0xE137006F;                                              // key opened without the needed access
inline constexpr uint32_t cmn_kRegFileRefused = 0xE1370070;  // attached file unsafe or unreadable
// 0xE1370071 is cmn_kPathRefused (cmn_SafeOpen_posix.h).
inline constexpr uint32_t cmn_kRegBadLine = 0xE1370072;  // warning: a store file line was ignored

class cmn_RegistryI {
 public:
  // 0 when `value` exists under `key`, cmn_kRegNoSuchValue when not.
  [[nodiscard]] virtual uint32_t ValueExists(cmn_RegHandleT key, std::string_view value) = 0;
  // Type and size of `value`; with a buffer, also its data. For texts the size counts the UTF-8
  // bytes including a terminating zero (MULTI_SZ: each text zero-terminated plus a final
  // zero); DWORD is 4 bytes in machine order. When `*size` is smaller than needed the data is
  // not written, `*size` gets the size needed and the result is cmn_kRegMoreData.
  [[nodiscard]] virtual uint32_t QueryValue(cmn_RegHandleT key, std::string_view value, void* data,
                                            size_t* size, uint32_t* type) = 0;
  // The text of `value` under root/path (SZ or EXPAND_SZ unexpanded; a DWORD in decimal; a
  // MULTI_SZ joined with ";" is NOT done here: it gives cmn_kRegWrongType).
  [[nodiscard]] virtual uint32_t ReadText(cmn_RegHandleT root, std::string_view path,
                                          std::string_view value, std::string* text) = 0;
  // The texts of a MULTI_SZ value (an SZ value gives a list of one).
  [[nodiscard]] virtual uint32_t ReadTextList(cmn_RegHandleT key, std::string_view value,
                                              std::vector<std::string>* texts) = 0;
  // Opens an existing key below `parent` (a root or an open key) for enumeration and deletion.
  [[nodiscard]] virtual uint32_t OpenForEnumeration(cmn_RegHandleT parent, std::string_view path,
                                                    cmn_RegHandleT* key) = 0;
  // The name of value number `index` (in file order), cmn_kRegNoMoreItems after the last.
  [[nodiscard]] virtual uint32_t EnumerateValues(cmn_RegHandleT key, uint32_t index,
                                                 std::string* name) = 0;
  // The name of direct subkey number `index`, cmn_kRegNoMoreItems after the last.
  [[nodiscard]] virtual uint32_t EnumerateSubkeys(cmn_RegHandleT key, uint32_t index,
                                                  std::string* name) = 0;
  // Closes a handle from OpenForEnumeration.
  [[nodiscard]] virtual uint32_t CloseEnumeration(cmn_RegHandleT key) = 0;
  // Opens `path` below `parent`, creating the missing keys on the way (with write access).
  [[nodiscard]] virtual uint32_t Create(cmn_RegHandleT parent, std::string_view path,
                                        cmn_RegHandleT* key) = 0;
  // Writes `value` (creating or replacing it) with `type` and `size` bytes of `data` in the
  // form QueryValue gives back. Durable before it returns.
  [[nodiscard]] virtual uint32_t WriteValue(cmn_RegHandleT key, std::string_view value,
                                            uint32_t type, const void* data, size_t size) = 0;
  // Writes a text (SZ) under `key_or_root` + `path` (path may be empty), creating the key.
  [[nodiscard]] virtual uint32_t WriteText(cmn_RegHandleT key_or_root, std::string_view path,
                                           std::string_view value, std::string_view text) = 0;
  // Deletes `value`; cmn_kRegNoSuchValue when absent.
  [[nodiscard]] virtual uint32_t DeleteValue(cmn_RegHandleT key, std::string_view value) = 0;
  // Deletes the key `path` below `parent`: only when empty, or with its whole subtree when
  // `recursive`.
  [[nodiscard]] virtual uint32_t DeleteKey(cmn_RegHandleT parent, std::string_view path,
                                           bool recursive) = 0;
  // The root handle of a root name (long or short, ASCII case ignored), 0 for anything else.
  virtual cmn_RegHandleT RootByName(std::string_view name) = 0;
  // Opens an existing key with an access mask (read 0x20019, write 0x20006).
  [[nodiscard]] virtual uint32_t Open(cmn_RegHandleT parent, std::string_view path, uint32_t access,
                                      cmn_RegHandleT* key) = 0;
  // Closes a handle from Open or Create. Closing a root handle is a no-op.
  [[nodiscard]] virtual uint32_t Close(cmn_RegHandleT key) = 0;
  // Attaches the text file `file` to key `path` of root `root_name`: its sections become
  // visible below that key, and later writes below it go to the file. The file attached last
  // is read first and receives the writes. A missing file is attached too (it is created by
  // the first write); a file refused as unsafe gives cmn_kRegFileRefused and is not attached.
  [[nodiscard]] virtual uint32_t AttachFile(std::string_view file, std::string_view root_name,
                                            std::string_view path) = 0;
  // Read scopes (nested, counted): between the first read inside the outermost scope and
  // its end, every file is checked for changes by other processes once instead of at every
  // call, so one top-level operation (loading a key) costs one check per file. Writes inside
  // a scope still re-read the file under its lock. Use cmn_RegReadScopeC.
  virtual void BeginReadScope() {}
  virtual void EndReadScope() {}

 protected:
  ~cmn_RegistryI() = default;
};

// Holds a read scope of `registry` (may be null) for its life.
class cmn_RegReadScopeC {
 public:
  explicit cmn_RegReadScopeC(cmn_RegistryI* registry) : registry_(registry) {
    if (registry_ != nullptr) registry_->BeginReadScope();
  }
  ~cmn_RegReadScopeC() {
    if (registry_ != nullptr) registry_->EndReadScope();
  }
  cmn_RegReadScopeC(const cmn_RegReadScopeC&) = delete;
  cmn_RegReadScopeC& operator=(const cmn_RegReadScopeC&) = delete;

 private:
  cmn_RegistryI* registry_;
};

#endif  // QLM_CMN_CMN_REGISTRYI_H_
