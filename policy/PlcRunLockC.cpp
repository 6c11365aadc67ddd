#include "policy/PlcRunLockC.h"

#include <unistd.h>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"
#include "env/EnvMSWPreferencesC.h"
#include "env/env_Sys8TextC.h"
#include "os/SimpleSemaphoreC.h"
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
  if (::geteuid() == 0) return EnvMSWPreferencesC::RunDirectory();
  // An ordinary user never creates the shared run directory (it would then belong to the user
  // and root's runs would refuse it) and uses it only when root made it for everybody: a
  // directory that other users may write to would let one user hold another's lock.
  const StringC shared = EnvMSWPreferencesC::DataDirectory() + Ascii("/run");
  const env_Sys8TextC sharedBytes(shared);
  if (PlcIsSharedRunDirectory(sharedBytes.Get())) return shared;
  const std::string own = PlcUserRunDirectory();
  // Without a directory of its own the shared path is used, and the failure to create the lock
  // file there is reported with its reason.
  return own.empty() ? shared : StringC(own.c_str(), StringC::CC_SYS8);
}

PlcRunLockC::PlcRunLockC(const StringC& name)
    : m_Name(LockDirectory() + Ascii("/") + TranslateName(name)),
      m_pSemaphore(std::make_unique<UNIXFileSimpleSemaphoreC>(m_Name, 0, 1)) {}

PlcRunLockC::~PlcRunLockC() {
  Release();
}

PlcRunLockC::Outcome PlcRunLockC::TryAcquire() {
  if (m_pSemaphore->IsHeld()) return Outcome::kHeld;
  cmn_ErrBufI* errors = getErrBuf();
  const uint64_t mark = errors != nullptr ? errors->Mark() : 0;
  RcT rc = m_pSemaphore->LockStep(false);
  // Replaced: the holder released (removed the file) just as this run locked it; nobody holds
  // the lock, so try the fresh file.
  for (int retry = 0; rc == UNIXFileSimpleSemaphoreC::c_Replaced && retry < 3; ++retry) {
    rc = m_pSemaphore->LockStep(false);
  }
  if (rc == RC_OK) return Outcome::kHeld;
  if (rc != UNIXFileSimpleSemaphoreC::c_CannotOpen) return Outcome::kBusy;
  // The open reported its reason into the error buffer; it is logged instead.
  m_Reason = Ascii("unknown reason");
  if (errors != nullptr) {
    const size_t count = errors->Count();
    if (count > 0 && errors->Mark() != mark) {
      if (const cmn_ErrEntryI* entry = errors->Entry(count - 1)) {
        m_Reason = StringC::FromUtf8(entry->Text());
      }
    }
    errors->Rollback(mark);
  }
  return Outcome::kCannotCreate;
}

void PlcRunLockC::Release() {
  if (m_pSemaphore->IsHeld()) (void)m_pSemaphore->Release();
}

StringC PlcRunLockC::LockFilePath() const {
  return m_Name + Ascii(".lock");
}

int32_t PlcRunLockC::HolderPid() const {
  return m_pSemaphore->ReadHolderPid();
}
