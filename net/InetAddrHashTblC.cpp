#include "net/InetAddrHashTblC.h"

#include <cstddef>

#include "base/TextUtil.h"
#include "log/TraceCategories.h"
#include "net/NetTrace.h"

namespace {

// One cache entry: the copy of the looked-up object, keyed by its host name.
class InetAddrEntryC : public ListElemI {
 public:
  explicit InetAddrEntryC(const InetAddressC& address)
      : key_(address.GetHostName()), address_(address) {}
  ~InetAddrEntryC() override = default;

  StringC key_;
  InetAddressC address_;
};

// The key lies at a fixed distance from the element's ListElemI part (single, non-virtual
// inheritance), which is what the table's key offset describes.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
constexpr size_t kKeyOffset = offsetof(InetAddrEntryC, key_);
#pragma GCC diagnostic pop

constexpr uint32_t kSizes[] = {InetAddrHashTblC::kBuckets};

InetAddrEntryC* AsEntry(ListElemI* e) noexcept {
  return static_cast<InetAddrEntryC*>(e);
}

}  // namespace

InetAddrHashTblC::InetAddrHashTblC() : HashTblC(kSizes, 1, true, kKeyOffset) {}

InetAddrHashTblC::~InetAddrHashTblC() {
  Clear(true);
}

uint32_t InetAddrHashTblC::Hash(uint32_t size, const void* key) const noexcept {
  return HashTextNoCase(*static_cast<const StringC*>(key)) % size;
}

bool InetAddrHashTblC::Equals(const void* key, const void* elementKey) const noexcept {
  return static_cast<const StringC*>(key)->EqualsNoCase(*static_cast<const StringC*>(elementKey));
}

const InetAddressC* InetAddrHashTblC::Lookup(const StringC& name, time_t now) {
  ListElemI* found = Find(&name);
  if (found == nullptr) return nullptr;
  InetAddrEntryC* entry = AsEntry(found);
  if (now < entry->address_.GetLookupTime() + kLifetimeSeconds) return &entry->address_;
  NetTrace(TrcNetlibDetailInetAddress, "InetAddrC %p->HashLookup deleting expired entry for %S",
           static_cast<const void*>(this), &entry->key_);
  Remove(found);
  return nullptr;
}

void InetAddrHashTblC::Add(const InetAddressC& address) {
  auto* entry = new InetAddrEntryC(address);
  InsertReplace(entry, nullptr);
}

void InetAddrHashTblC::SetCanonicalName(const StringC& name, const StringC& canonical) {
  if (ListElemI* found = Find(&name)) AsEntry(found)->address_.canonical_name_ = canonical;
}
