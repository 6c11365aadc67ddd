// LkiServerLocationC: one server location - a name (the last component of its store key) and
// a collection of text attributes ("Type", "Protocol", "Host", "Port", "Directory", "User",
// "Password", "Priority", "AutoPriority", "Proxy", ...).
//
// Attribute names are compared ignoring ASCII case and keep the spelling they were first set
// with. Every attribute text is overwritten with zeros before its storage is freed, so a
// "Password" does not linger in freed memory. The manager keeps passwords in the stored
// "!A1..." form only, whether a location came from a URL or from the store.
//
// Reference counted (atomically); it starts with one reference, the creator's, and is
// destroyed by the last Release. Not otherwise thread-safe: one thread changes it at a time.
//
// The virtual operations are declared in the order of the object's function table, which
// other modules are built against: keep it (a new operation goes last).
#ifndef QLM_SERVERS_LKISERVERLOCATIONC_H_
#define QLM_SERVERS_LKISERVERLOCATIONC_H_

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/StringC.h"
#include "servers/ZelLKIServerLocationI.h"

// The class of server locations in the component registry.
inline constexpr GuidC CLSID_LkiServerLocation{
    0x54031B96, 0xDC7E, 0x4CD0, {0x94, 0x16, 0x6F, 0xA4, 0x95, 0xD7, 0xDD, 0x56}};

class LkiServerLocationC final : public ZelLKIServerLocationI {
 public:
  // Attribute names.
  static constexpr const char* c_Type = "Type";
  static constexpr const char* c_Protocol = "Protocol";
  static constexpr const char* c_Host = "Host";
  static constexpr const char* c_Port = "Port";
  static constexpr const char* c_Directory = "Directory";
  static constexpr const char* c_User = "User";
  static constexpr const char* c_Password = "Password";
  static constexpr const char* c_Proxy = "Proxy";
  static constexpr const char* c_Priority = "Priority";
  static constexpr const char* c_AutoPriority = "AutoPriority";

  // An unnamed location without attributes, holding one reference (the caller's).
  LkiServerLocationC() noexcept;
  explicit LkiServerLocationC(std::string_view name);
  // For class factories: a new location with no reference held on it (the factory's
  // CreateInstance takes the first); null when memory is short.
  static LkiServerLocationC* NewUnreferenced() noexcept;
  LkiServerLocationC(const LkiServerLocationC&) = delete;
  LkiServerLocationC& operator=(const LkiServerLocationC&) = delete;

  // IID_IUnknown, IID_ZelAttributeCollectionI and IID_ZelLKIServerLocation give this
  // object with one reference added; anything else stores null and gives RC_NOINTERFACE.
  // RC_INVALIDARG for a null `out`.
  [[nodiscard]] RcT QueryInterface(const GuidC& iid, void** out) noexcept override;
  // Adds one reference; returns the new count.
  uint32_t AddRef() noexcept override;
  // Drops one reference and destroys the location at zero; returns the new count.
  uint32_t Release() noexcept override;

  // The attribute and name operations (contracts in ZelLKIServerLocationI).
  [[nodiscard]] RcT GetAttribute(const char* name, char** value) noexcept override;
  [[nodiscard]] RcT GetAttributeNames(void** out) noexcept override;
  uint32_t AttributeCount() noexcept override;
  [[nodiscard]] RcT SetAttribute(const char* name, const char* value) noexcept override;
  [[nodiscard]] RcT HasAttribute(const char* name, bool* present) noexcept override;
  [[nodiscard]] RcT GetName(char** name) noexcept override;
  [[nodiscard]] RcT SetName(const char* name) noexcept override;

  // In-process access for the server layer. Attribute(name) is "" for a missing attribute.
  const std::string& Name() const noexcept { return name_; }
  StringC NameString() const { return StringC::FromUtf8(name_); }
  const std::string& Attribute(std::string_view name) const noexcept;
  bool Has(std::string_view name) const noexcept { return Find(name) != nullptr; }
  void Set(std::string_view name, std::string_view value);
  // The attributes in the order they were first set.
  const std::vector<std::pair<std::string, std::string>>& Attributes() const noexcept {
    return attributes_;
  }
  uint32_t RefCount() const noexcept { return count_.load(std::memory_order_acquire); }

  // The "Priority" attribute as a number: a base-10 integer, optionally signed and surrounded
  // by blanks. A missing attribute or a text that is not such a number (or does not fit in 64
  // bits) gives `fallback`.
  int64_t PriorityValue(int64_t fallback) const noexcept;

 private:
  // Wipes every attribute text.
  ~LkiServerLocationC() override;

  const std::pair<std::string, std::string>* Find(std::string_view name) const noexcept;

  std::atomic<uint32_t> count_{1};
  std::string name_;
  std::vector<std::pair<std::string, std::string>> attributes_;
};

// Overwrites the bytes of `text` with zeros and empties it.
void LkiWipe(std::string* text) noexcept;

// A held reference to a location: adds one on copy, drops it on destruction.
class LkiLocationRefC {
 public:
  LkiLocationRefC() noexcept = default;
  // Takes over the caller's reference (`adopt`) or adds one of its own.
  LkiLocationRefC(LkiServerLocationC* location, bool adopt) noexcept : p_(location) {
    if (p_ != nullptr && !adopt) p_->AddRef();
  }
  LkiLocationRefC(const LkiLocationRefC& o) noexcept : p_(o.p_) {
    if (p_ != nullptr) p_->AddRef();
  }
  LkiLocationRefC(LkiLocationRefC&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  LkiLocationRefC& operator=(LkiLocationRefC o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~LkiLocationRefC() {
    if (p_ != nullptr) p_->Release();
  }
  LkiServerLocationC* get() const noexcept { return p_; }
  LkiServerLocationC* operator->() const noexcept { return p_; }
  LkiServerLocationC& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

 private:
  LkiServerLocationC* p_ = nullptr;
};

#endif  // QLM_SERVERS_LKISERVERLOCATIONC_H_
