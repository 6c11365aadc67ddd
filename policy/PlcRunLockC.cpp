#include "policy/PlcRunLockC.h"

#include <unistd.h>

#include <string>

#include "cmn/cmn_ErrMarkC.h"
#include "cmn/cmn_Services.h"
#include "env/EnvMSWPreferencesC.h"
#include "env/env_Sys8TextC.h"
#include "os/SimpleSemaphoreC.h"
#include "os/StreamErrors.h"
#include "os/UNIXFileSimpleSemaphoreC.h"
#include "policy/PlcRunDirectory_posix.h"

namespace {
StringC Ascii(const char* text) {
  return StringC(text, StringC::CC_ASCII);
}
}  // namespace

StringC PlcRunLockC::TranslateName(const StringC& name) {
  StringC flat;
  for (int64_t i = 0; i < name.Length(); ++i) {
    const char32_t c = name.CharAt(i);
    flat.AppendChar(c == U'/' || c == U' ' || c == U'\\' ? U'_' : c);
  }
  return flat;
}

StringC PlcRunLockC::LockDirectory() {
  StringC ignored;
  return ChooseDirectory(&ignored);
}

StringC PlcRunLockC::ChooseDirectory(StringC* reason) {
  if (::geteuid() == 0) return EnvMSWPreferencesC::RunDirectory();
  // An ordinary user never uses the shared run directory: root made it for root's locks, and
  // a directory other users may write to would let one user hold or plant another's lock.
  // The user's own directory depends on the identity alone (never on HOME or
  // XDG_RUNTIME_DIR), so every run of one user policy meets the same lock file.
  const env_Sys8TextC shared(EnvMSWPreferencesC::DataDirectory() + Ascii("/run"));
  cmn_ErrMarkC mark;
  const std::string own = PlcUserRunDirectory(shared.Get());
  if (!own.empty()) return StringC(own.c_str(), StringC::CC_SYS8);
  *reason = StringC::FromUtf8(mark.TakeLastText());
  if (reason->IsEmpty()) *reason = Ascii("no lock directory of this user can be used");
  return StringC(shared.Get(), StringC::CC_SYS8) + Ascii("/users/") +
         StringC(std::to_string(::geteuid()).c_str(), StringC::CC_ASCII);
}

PlcRunLockC::PlcRunLockC(const StringC& name) {
  const StringC directory = ChooseDirectory(&reason_);
  unusable_ = !reason_.IsEmpty();
  name_ = directory + Ascii("/") + TranslateName(name);
  semaphore_ = std::make_unique<UNIXFileSimpleSemaphoreC>(name_, 0, 1);
}

PlcRunLockC::~PlcRunLockC() {
  Release();
}

PlcRunLockC::Outcome PlcRunLockC::TryAcquire() {
  if (semaphore_->IsHeld()) return Outcome::kHeld;
  if (unusable_) return Outcome::kCannotCreate;
  cmn_ErrMarkC mark;
  RcT rc = semaphore_->LockStep(false);
  // Replaced: the holder released (removed the file) just as this run locked it; nobody holds
  // the lock, so try the fresh file.
  for (int retry = 0; rc == UNIXFileSimpleSemaphoreC::c_Replaced && retry < 3; ++retry) {
    rc = semaphore_->LockStep(false);
  }
  if (rc == RC_OK) {
    mark.Rollback();
    return Outcome::kHeld;
  }
  // Only a lock another process really holds means that another run applies the policy.
  const RcT failure = semaphore_->LastError();
  if (rc == UNIXFileSimpleSemaphoreC::c_Held && failure == RC_OK) {
    mark.Rollback();
    return Outcome::kBusy;
  }
  // A refusal or failure of the open reported its reason into the error buffer; the system's
  // words for the failure serve otherwise.
  reason_ = StringC::FromUtf8(mark.TakeLastText());
  if (reason_.IsEmpty() && failure != RC_OK) {
    reason_ = StringC(os_SystemWords(failure).c_str(), StringC::CC_SYS8);
  }
  if (reason_.IsEmpty() && rc == UNIXFileSimpleSemaphoreC::c_Replaced) {
    reason_ = Ascii("the lock file was replaced on every try");
  }
  if (reason_.IsEmpty()) reason_ = Ascii("the lock file cannot be used");
  return Outcome::kCannotCreate;
}

void PlcRunLockC::Release() {
  // The lock goes with the file's descriptor whatever the release says.
  if (semaphore_->IsHeld()) (void)semaphore_->Release();
}

StringC PlcRunLockC::LockFilePath() const {
  return name_ + Ascii(".lock");
}

int32_t PlcRunLockC::HolderPid() const {
  return semaphore_->ReadHolderPid();
}
