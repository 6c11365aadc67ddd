// The configuration store: the registry object behind getConfiguration()->Registry().
//
// Where values live:
//   - Files attached with AttachFile(): plain text an administrator can edit (format in
//     cmn_IniDocumentC.h). A file attached to key K holds one section per key below K, named by
//     the path below K; values before the first section belong to K itself. A read under a key
//     consults the files covering it newest first, then the process's memory; a write goes to
//     the newest covering file, else to memory (kept for the life of the process).
//   - HKEY_CURRENT_USER persists in "$HOME/.config/quillmarsh/user.ini" (directory 0700, file
//     0600), attached to the root itself, so its sections are full key paths. Without a usable
//     home (HOME unset, empty or "/", or not a directory of the user) HKCU lives in memory.
//   - New machine files are created 0644; an existing file keeps its mode and owner.
// Every write is durable and atomic before the call returns (cmn_StoreFile_posix.h); another
// process's change is re-read first and never lost. Files are re-read when they change on disk.
// A write without an explicit target (SetWriteTarget) goes to the newest covering file that
// already holds the value, else to the newest covering file.
// Lines that cannot be parsed are kept and give one warning each per process (cmn_kRegBadLine,
// severity warning, in the error buffer, under the trace category "Configuring/Registry" and
// in the list TakeDiagnostics() hands to the program, which logs it: the store sits below
// the log and cannot log itself). A file that cannot be read, or that is refused as unsafe
// (cmn_SafeOpen_posix.h), leaves the store working without it. A failed write is an error
// in the same three places, naming the file first and then the reason.
// A file is re-read when one fstat of the descriptor kept from its last read shows another
// version (or that the file was replaced or removed): one fstat per file per operation.
//
// Result codes beyond the two fixed ones are listed in cmn_RegistryI.h. Thread-safe.
#ifndef QLM_CMN_CMN_CONFIGSTOREC_H_
#define QLM_CMN_CMN_CONFIGSTOREC_H_

#include <sys/types.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "cmn/cmn_IniDocumentC.h"
#include "cmn/cmn_MutexC.h"
#include "cmn/cmn_RegistryI.h"
#include "cmn/cmn_StoreFile_posix.h"

class cmn_ConfigStoreC final : public cmn_RegistryI {
 public:
  // `user_file`: the HKCU file; "" keeps HKCU in memory. UserFileFromHome() gives the default.
  explicit cmn_ConfigStoreC(std::string user_file);
  ~cmn_ConfigStoreC();
  cmn_ConfigStoreC(const cmn_ConfigStoreC&) = delete;
  cmn_ConfigStoreC& operator=(const cmn_ConfigStoreC&) = delete;

  // "$HOME/.config/quillmarsh/user.ini", or "" when the home directory is not usable.
  static std::string UserFileFromHome();

  uint32_t ValueExists(cmn_RegHandleT key, std::string_view value) override;
  uint32_t QueryValue(cmn_RegHandleT key, std::string_view value, void* data, size_t* size,
                      uint32_t* type) override;
  uint32_t ReadText(cmn_RegHandleT root, std::string_view path, std::string_view value,
                    std::string* text) override;
  uint32_t ReadTextList(cmn_RegHandleT key, std::string_view value,
                        std::vector<std::string>* texts) override;
  uint32_t OpenForEnumeration(cmn_RegHandleT parent, std::string_view path,
                              cmn_RegHandleT* key) override;
  uint32_t EnumerateValues(cmn_RegHandleT key, uint32_t index, std::string* name) override;
  uint32_t EnumerateSubkeys(cmn_RegHandleT key, uint32_t index, std::string* name) override;
  uint32_t CloseEnumeration(cmn_RegHandleT key) override;
  uint32_t Create(cmn_RegHandleT parent, std::string_view path, cmn_RegHandleT* key) override;
  uint32_t WriteValue(cmn_RegHandleT key, std::string_view value, uint32_t type, const void* data,
                      size_t size) override;
  uint32_t WriteText(cmn_RegHandleT key_or_root, std::string_view path, std::string_view value,
                     std::string_view text) override;
  uint32_t DeleteValue(cmn_RegHandleT key, std::string_view value) override;
  uint32_t DeleteKey(cmn_RegHandleT parent, std::string_view path, bool recursive) override;
  cmn_RegHandleT RootByName(std::string_view name) override;
  uint32_t Open(cmn_RegHandleT parent, std::string_view path, uint32_t access,
                cmn_RegHandleT* key) override;
  uint32_t Close(cmn_RegHandleT key) override;
  uint32_t AttachFile(std::string_view file, std::string_view root_name,
                      std::string_view path) override;
  void BeginReadScope() override;
  void EndReadScope() override;

  // The files attached under `root`, oldest first (diagnostics and tools).
  std::vector<std::string> AttachedFiles(cmn_RegHandleT root);

  struct AttachmentS {
    cmn_RegHandleT root;
    std::string key;  // normalised attachment point
    std::string file;
  };
  // Every attachment, oldest first.
  std::vector<AttachmentS> Attachments();

  // Where the value `name` of root/path is read from: the file and the 1-based line, or
  // "" and 0 when it lives in memory. False when the value does not exist.
  bool Origin(cmn_RegHandleT root, std::string_view path, std::string_view name, std::string* file,
              size_t* line);

  // Makes later writes (until cleared with "") go to the attached `file` for every key it
  // covers, even when another file holds the value. False when `file` is not attached.
  bool SetWriteTarget(std::string_view file);

  // The outcome of the last write of this store: the file it went to ("" for memory) and
  // whether the file changed.
  void LastWrite(std::string* file, bool* changed);

  struct DiagnosticS {
    int severity;      // 3 warning, 4 error
    std::string file;  // the store file concerned
    size_t line;       // 1-based, 0 when about the whole file
    std::string text;  // complete sentence naming file (and line)
  };
  // The problems found since the last call, each reported once per process.
  std::vector<DiagnosticS> TakeDiagnostics();
  // How many writes have failed in this process (optional writes not counted).
  size_t WriteFailures();
  // While on, writes are corrections the process may fail to make (an ordinary user cannot
  // write the machine's files): a failure is a warning and is not counted.
  void SetWritesOptional(bool optional);
  // While on, every write is refused with cmn_kRegAccessDenied and touches nothing (tools
  // whose commands only read, even when they run code that would store something).
  void SetReadOnly(bool read_only);

 private:
  struct BackingS;
  struct HandleS {
    cmn_RegHandleT root;
    std::string path;
    uint32_t access;
    std::vector<std::string> value_names;   // enumeration snapshot taken at index 0
    std::vector<std::string> subkey_names;  // likewise
  };
  struct KeyRefS {
    cmn_RegHandleT root = 0;
    std::string path;
    uint32_t access = 0;
  };

  uint32_t Resolve(cmn_RegHandleT handle, std::string_view path, KeyRefS* out) QLM_REQUIRES(mu_);
  void RefreshAll() QLM_REQUIRES(mu_);
  void Refresh(BackingS& b) QLM_REQUIRES(mu_);
  // Parses freshly read content into `b` and reports its ignored lines.
  void Load(BackingS& b, const std::string& content, const cmn_FileStampS& stamp) QLM_REQUIRES(mu_);
  bool Covers(const BackingS& b, cmn_RegHandleT root, const std::string& path,
              std::string* relative) const QLM_REQUIRES(mu_);
  bool KeyExists(cmn_RegHandleT root, const std::string& path) QLM_REQUIRES(mu_);
  const cmn_RegValueS* FindValue(cmn_RegHandleT root, const std::string& path,
                                 std::string_view name) QLM_REQUIRES(mu_);
  // The file a write of `name` (empty: a key) below root/path goes to, or null for memory.
  BackingS* WriteTarget(cmn_RegHandleT root, const std::string& path, std::string_view name,
                        std::string* relative) QLM_REQUIRES(mu_);
  // Applies `edit` to the backing durably (or to memory when b is null).
  uint32_t Edit(BackingS* b, cmn_RegHandleT root,
                const std::function<bool(cmn_IniDocumentC&)>& edit) QLM_REQUIRES(mu_);
  uint32_t NewHandle(const KeyRefS& ref, uint32_t access, cmn_RegHandleT* out) QLM_REQUIRES(mu_);
  void CollectValueNames(cmn_RegHandleT root, const std::string& path,
                         std::vector<std::string>* out) QLM_REQUIRES(mu_);
  void CollectSubkeys(cmn_RegHandleT root, const std::string& path, std::vector<std::string>* out)
      QLM_REQUIRES(mu_);
  void Warn(const std::string& text) QLM_REQUIRES(mu_);
  void Report(int severity, const std::string& file, size_t line, const std::string& text)
      QLM_REQUIRES(mu_);

  cmn_MutexC mu_;
  std::vector<std::unique_ptr<BackingS>> files_ QLM_GUARDED_BY(mu_);  // attach order
  std::unordered_map<cmn_RegHandleT, cmn_IniDocumentC> memory_ QLM_GUARDED_BY(mu_);
  std::unordered_map<cmn_RegHandleT, HandleS> handles_ QLM_GUARDED_BY(mu_);
  cmn_RegHandleT next_handle_ QLM_GUARDED_BY(mu_) = 0x100000000ull;
  KeyRefS scratch_ref_ QLM_GUARDED_BY(mu_);      // ReadText's key, kept for its capacity
  std::string scratch_rel_ QLM_GUARDED_BY(mu_);  // FindValue's relative path, likewise
  int read_scopes_ QLM_GUARDED_BY(mu_) = 0;      // open read scopes
  // The files were checked inside the current scope.
  bool scope_validated_ QLM_GUARDED_BY(mu_) = false;
  std::vector<DiagnosticS> diagnostics_ QLM_GUARDED_BY(mu_);
  size_t write_failures_ QLM_GUARDED_BY(mu_) = 0;
  bool writes_optional_ QLM_GUARDED_BY(mu_) = false;
  bool read_only_ QLM_GUARDED_BY(mu_) = false;
  std::string write_target_ QLM_GUARDED_BY(mu_);
  std::string last_written_ QLM_GUARDED_BY(mu_);
  bool last_changed_ QLM_GUARDED_BY(mu_) = false;
};

#endif  // QLM_CMN_CMN_CONFIGSTOREC_H_
