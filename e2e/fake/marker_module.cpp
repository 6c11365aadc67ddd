// A log module that leaves a mark: loading it creates the file named by FAKE_MODULE_MARKER, so
// a test can tell whether a run loaded it.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

__attribute__((constructor)) void LeaveMark() {
  const char* path = ::getenv("FAKE_MODULE_MARKER");
  if (path == nullptr) return;
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0) ::close(fd);
}

}  // namespace

extern "C" void RklLogInitialize(void*) {}
