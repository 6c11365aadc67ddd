// LkiServerManagerC: the server-location manager (contracts of the slots in LkiServerManagerI).
//
// Two process-wide managers exist, one per direction: DownloadManager() and UploadManager()
// make theirs on first use, load its direction's locations and the rules from the machine's
// store, and keep it until the process ends (or ReleaseUploadManager / ReleaseManagers).
//
// Store layout (see docs/server-locations.md): the locations of a direction are the subkeys of
// "HKLM\Software\Quillmarsh Corp\Quillmarsh\Common\DownloadSettings" (or "...\UploadSettings"),
// one key per location named after it, its attributes as text values.
//
// Bootstrap servers: the policy program hands its expanded "DownloadRootURL" to
// LkiSetBootstrapServersHook(urls, "Download") once per run (through
// PlcSetBootstrapServersHook). That rewrites the locations named "Bootstrap Server <n>" to be
// exactly the URLs of the list (separated by ";" or ","), numbered from 1, priority 100.
//
// Reference counted (atomic count, starting at one, the creator's). Main thread only.
#ifndef QLM_SERVERS_LKISERVERMANAGERC_H_
#define QLM_SERVERS_LKISERVERMANAGERC_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/StringC.h"
#include "base/StringSetC.h"
#include "cmn/cmn_Result.h"
#include "servers/LkiServerArrayC.h"
#include "servers/LkiServerManagerI.h"
#include "servers/LkiServerRuleListC.h"

class LkiServerManagerC : public LkiServerManagerI {
 public:
  // Priority of the bootstrap locations; an unreadable priority counts as one more (101).
  static constexpr int64_t s_LowPriority = 100;
  // The priority given to a location added without one.
  static constexpr const char* c_DefaultPriority = "50";
  // The name prefix of the bootstrap locations, numbered from 1 ("Bootstrap Server 1").
  static constexpr const char* c_BootstrapPrefix = "Bootstrap Server";
  static constexpr const char* c_Download = "Download";
  static constexpr const char* c_Upload = "Upload";

  // The process-wide managers (null until first use). Borrowed pointers.
  static LkiServerManagerC* s_DownloadManager;
  static LkiServerManagerC* s_UploadManager;

  // An empty manager holding one reference (the caller's).
  LkiServerManagerC();
  LkiServerManagerC(const LkiServerManagerC&) = delete;
  LkiServerManagerC& operator=(const LkiServerManagerC&) = delete;

  uint32_t AddRef() noexcept;
  // Destroys the manager at zero.
  uint32_t Release() noexcept;

  // The operations of LkiServerManagerI (contracts there).
  [[nodiscard]] RcT LoadDownloads() override;
  [[nodiscard]] RcT LoadUploads() override;
  [[nodiscard]] RcT RestoreSetAside() override;
  [[nodiscard]] RcT Load(const StringC& keyPath, const StringC& kind) override;
  [[nodiscard]] RcT AddLocation(LkiServerLocationC* location) override;
  [[nodiscard]] RcT AddFromUrl(const StringC& name, const StringC& url,
                               const StringC& priority) override;
  [[nodiscard]] RcT RemoveLocation(LkiServerLocationC* location) override;
  LkiServerLocationC* FindByName(const StringC& name) override;
  void Reset() override;
  uint32_t Count() override;
  std::unique_ptr<LkiServerResolutionC> ResolveByRule(const StringC& path,
                                                      LkiServerLocationC* location) override;
  std::unique_ptr<LkiServerResolutionC> ResolvePath(const StringC& path,
                                                    LkiServerLocationC* location) override;
  void FreeResolution(LkiServerResolutionC* resolution) override;
  LkiServerLocationC* Get(uint32_t index) override;
  LkiServerLocationC* Current() override;
  [[nodiscard]] RcT SetAside(LkiServerLocationC* location, bool second) override;
  void Sort() override;
  [[nodiscard]] RcT LoadRules() override;
  [[nodiscard]] RcT LoadRules(const StringC& keyPath) override;
  [[nodiscard]] RcT LoadLocation(const StringC& keyPath, const StringC& kind) override;

  // The side lists (for inspection) and the rules.
  const LkiServerArrayC& FirstSideList() const noexcept { return first_side_; }
  const LkiServerArrayC& SecondSideList() const noexcept { return second_side_; }
  LkiServerRuleListC& Rules() noexcept { return rules_; }
  uint32_t CurrentIndex() const noexcept { return current_; }

  // The process-wide managers, made and loaded on first use. Never null.
  static LkiServerManagerC* DownloadManager();
  static LkiServerManagerC* UploadManager();
  // Drops the process's upload manager (the next UploadManager() makes a new one).
  static void ReleaseUploadManager() noexcept;
  // Drops both process-wide managers (end of process, and tests that change the store).
  static void ReleaseManagers() noexcept;

  // True for the kind "Upload" (ASCII case ignored); anything else, null included, means the
  // download direction.
  static bool IsUploadKind(const char* kind) noexcept;
  // The machine key of a direction below the hive:
  // "Software\Quillmarsh Corp\Quillmarsh\Common\DownloadSettings" or "...\UploadSettings".
  static StringC DirectionKey(bool upload);

  // Replaces the bootstrap locations of the direction `kind` by the URLs of `list` (split at
  // every ";" and ","; blanks around an item are dropped and empty items skipped):
  //   - item k that parses becomes "Bootstrap Server <n>" (n counting the items written, from
  //     1) with priority 100, written to the store (see AddDownloadLocation) and loaded into
  //     the manager; an item whose key cannot be written is skipped and its number reused;
  //   - a new location without a password gets the stored password of a location of the
  //     manager that had the same URL (compared as ResolvePath of the empty path gives it),
  //     the first such location winning, written unchanged when it is in the stored form
  //     and encrypted first when it is not (the store never receives a clear password);
  //   - every other "Bootstrap Server..." key of the direction is destroyed and its location
  //     removed from the manager's lists; locations of other names are untouched.
  // Values are written only where the stored text differs (an unchanged password keeps its
  // stored form), so a repeated call with the same list leaves the store's files untouched.
  // Returns 0. Blocks on the store's durable writes.
  [[nodiscard]] static RcT SetBootstrapServers(const StringC& list, const char* kind);

  // Writes the location key "HKLM\<direction key>\<name>" for `url` (the key is made only when
  // the URL parses): "Protocol", "Priority" (decimal `priority`), "AutoPriority" = "False",
  // "Host", "Port" (decimal), "User", "Password" (the URL's password in the "AES-128" stored
  // form; not written when encryption fails) and "Directory" (the URL's path). Other values
  // of an existing key are kept. The manager is not changed. 0; RC_FAIL when the URL does not
  // parse or the name is empty; the store's failure when writing fails (each reported into
  // the thread's error buffer).
  [[nodiscard]] static RcT AddDownloadLocation(const StringC& name, const StringC& url,
                                               int64_t priority);
  [[nodiscard]] static RcT AddUploadLocation(const StringC& name, const StringC& url,
                                             int64_t priority);

  // The URLs (ResolvePath of the empty path) of the active "Bootstrap Server..." locations of
  // the direction `kind`, joined with "; ".
  static StringC BootstrapServers(const char* kind);

  // The URL of a location: "Protocol" "://", then - when "Host" is not empty - "//" host for
  // "file", otherwise ["User" "@"] host [":" "Port"] (a host holding ":" - an IPv6 literal -
  // in "[...]" with a zone's "%" as "%25"); then "/" unless "Directory" begins with
  // one, the directory, and one final "/" removed.
  static std::string LocationUrl(const LkiServerLocationC& location);
  // ResolvePath's text for `path` on `location`, without a manager (`prefix` false: the
  // path is taken as it is, as ResolveByRule does).
  static std::string ResolveText(std::string_view path, const LkiServerLocationC& location,
                                 bool prefix);

 protected:
  ~LkiServerManagerC() override;

 private:
  // Removes the active location at `index`: list, name set, current index.
  void RemoveActiveAt(size_t index);
  std::unique_ptr<LkiServerResolutionC> Resolve(std::string_view path, LkiServerLocationC* location,
                                                bool prefix);

  std::atomic<uint32_t> count_{1};
  uint32_t current_ = 0;
  LkiServerArrayC active_;
  LkiServerArrayC first_side_;
  LkiServerArrayC second_side_;
  LkiServerRuleListC rules_;
  StringSetC names_{true};
};

// The bootstrap-server entry of the policy program, with the shape of its hook
// (PlcBootstrapServersFnT): LkiServerManagerC::SetBootstrapServers(urls, kind), its result
// ignored (failures are in the thread's error buffer). Never throws.
void LkiSetBootstrapServersHook(const StringC& urls, const char* kind) noexcept;

#endif  // QLM_SERVERS_LKISERVERMANAGERC_H_
