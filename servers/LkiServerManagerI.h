// LkiServerManagerI: the server-location manager of one direction (downloads or uploads).
//
// The manager keeps an active list of locations sorted by priority (smaller first), a current
// index into it, two side lists of locations that were set aside after failures, the server
// rules and the set of names in the active list (names compared ignoring case, like the store
// keys they come from; a name is listed at most once). Location pointers handed out are
// borrowed: they stay valid while the location is in one of the manager's lists, or for as
// long as the caller holds a reference of its own (AddRef). Main thread only.
//
// The virtual operations are declared in the order of the object's function table, which
// other modules are built against: keep it (a new operation goes last).
#ifndef QLM_SERVERS_LKISERVERMANAGERI_H_
#define QLM_SERVERS_LKISERVERMANAGERI_H_

#include <cstdint>
#include <memory>

#include "base/StringC.h"
#include "cmn/cmn_Result.h"

class LkiServerLocationC;
class LkiServerResolutionC;

class LkiServerManagerI {
 public:
  // Destroying the manager drops its references on every location and rule.
  virtual ~LkiServerManagerI() = default;

  // Load() of the machine's "CommonDownloadSettings" key with the kind "Download".
  [[nodiscard]] virtual RcT LoadDownloads() = 0;
  // Load() of the machine's "CommonUploadSettings" key with the kind "Upload".
  [[nodiscard]] virtual RcT LoadUploads() = 0;
  // Adds every location of the second side list back with AddLocation, in the order
  // they were set aside, and empties that list. The first side list is kept. Returns 0.
  [[nodiscard]] virtual RcT RestoreSetAside() = 0;
  // Loads every subkey of `keyPath` ("HKLM\...") with LoadLocation. RC_FAIL when the
  // path is malformed or the key does not exist (nothing changes); otherwise 0, even when
  // some locations were skipped or the store failed part-way (what was loaded stays).
  [[nodiscard]] virtual RcT Load(const StringC& keyPath, const StringC& kind) = 0;
  // Adds `location` to the active list, taking one reference: locations of the same
  // name are removed first; a location without a non-empty "Priority" gets "50"; then sorted
  // insertion (after every location of equal priority). RC_INVALIDARG for null; else 0.
  [[nodiscard]] virtual RcT AddLocation(LkiServerLocationC* location) = 0;
  // In memory only. A new location named `name` from the parsed `url`: "Protocol",
  // "Host", "Port" (decimal), "User", "Password" (the URL's password in the
  // "AES-128" stored form; absent when it cannot be encrypted) and "Directory", with "Priority"
  // `priority` or "50" when that is empty, inserted in priority order. RC_FAIL when the name
  // is already listed; the URL parser's failure when `url` does not parse (nothing changes).
  [[nodiscard]] virtual RcT AddFromUrl(const StringC& name, const StringC& url,
                                       const StringC& priority) = 0;
  // Removes that exact object from the active list (dropping the list's reference)
  // and its name from the name set. 0; RC_FAIL when it is not listed; RC_INVALIDARG for null.
  [[nodiscard]] virtual RcT RemoveLocation(LkiServerLocationC* location) = 0;
  // The first active location named `name` (ignoring case), or null.
  virtual LkiServerLocationC* FindByName(const StringC& name) = 0;
  // Empties the active list and the name set; the current index becomes 0. The side
  // lists and the rules are kept.
  virtual void Reset() = 0;
  // The number of active locations.
  virtual uint32_t Count() = 0;
  // When a rule maps `path` to a non-empty target, that target is resolved on
  // `location` (null: the current one) as ResolvePath does from the choice of the location on
  // - the target is not prefixed with "$(ServerLocation)". Null when no rule applies or there
  // is no location.
  virtual std::unique_ptr<LkiServerResolutionC> ResolveByRule(const StringC& path,
                                                              LkiServerLocationC* location) = 0;
  // The URL of `path` on `location` (null: the current one). A path without
  // "$(ServerLocation)" gets it in front ("/" between unless the path begins with one); the
  // reference is then replaced by the location's URL (other "$(...)" references stay as
  // written). Null when there is no location.
  virtual std::unique_ptr<LkiServerResolutionC> ResolvePath(const StringC& path,
                                                            LkiServerLocationC* location) = 0;
  // Frees a resolution that the caller released from its holder (null is ignored).
  virtual void FreeResolution(LkiServerResolutionC* resolution) = 0;
  // The active location at `index`, or null.
  virtual LkiServerLocationC* Get(uint32_t index) = 0;
  // The active location at the current index, or null.
  virtual LkiServerLocationC* Current() = 0;
  // Moves `location` (null: the current one) from the active list to the second side
  // list when `second` is set, otherwise to the first, in priority order. The location that
  // followed it becomes current when it was current. RC_FAIL when there is no such active
  // location; 0 otherwise.
  [[nodiscard]] virtual RcT SetAside(LkiServerLocationC* location, bool second) = 0;
  // Stable sort of the active list by priority.
  virtual void Sort() = 0;
  // LoadRules of the machine's "Rules" section key.
  [[nodiscard]] virtual RcT LoadRules() = 0;
  // Replaces the rules by those of `keyPath` (see LkiServerRuleListC). RC_FAIL when
  // the key cannot be read (the rules are then empty).
  [[nodiscard]] virtual RcT LoadRules(const StringC& keyPath) = 0;
  // Builds a location from the values of `keyPath` (its name is the last path
  // component; every value becomes an attribute; "Type" is set to `kind` when that is not
  // empty) and adds it with AddLocation when it is usable: it has a "Protocol", a "Host" or a
  // "Directory", and - for "file" - no host and no directory beginning with "\\" or "//".
  // 0 when added; RC_FAIL when the key cannot be read or the location is not usable (skipped
  // without a message).
  [[nodiscard]] virtual RcT LoadLocation(const StringC& keyPath, const StringC& kind) = 0;
};

#endif  // QLM_SERVERS_LKISERVERMANAGERI_H_
