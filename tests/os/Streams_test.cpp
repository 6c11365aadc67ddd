#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "base/TextEncodingM.h"
#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"
#include "os/FileNameC.h"
#include "os/FileStreamC.h"
#include "os/InputStreamC.h"
#include "os/MemoryStreamC.h"
#include "os/OutputStreamC.h"
#include "os/SecureMemoryStreamC.h"
#include "os/StreamErrors.h"
#include "os/StreamReaderC.h"
#include "os/StreamWriterC.h"
#include "tests/os/OsTestSupport.h"
#include "tests/testing/Sanitizers.h"
#include "tests/testing/StringHelpers.h"

// --- Freed-memory inspection ---------------------------------------------------------------
// The program's array allocations go through these replacements so a test can look at a
// buffer's bytes at the moment it is freed.
namespace {
std::atomic<const void*> g_watched{nullptr};
std::atomic<size_t> g_watched_size{0};
std::atomic<int> g_watched_freed{0};   // 1 once the watched buffer was freed
std::atomic<int> g_watched_zeroed{0};  // 1 when it held only zeros then

[[maybe_unused]] void InspectBeforeFree(void* p) noexcept {
  if (p == nullptr || p != g_watched.load()) return;
  const auto* bytes = static_cast<const unsigned char*>(p);
  bool zero = true;
  for (size_t i = 0; i < g_watched_size.load(); ++i) zero = zero && bytes[i] == 0;
  g_watched_zeroed = zero ? 1 : 0;
  g_watched_freed = 1;
  g_watched = nullptr;
}
}  // namespace

// ThreadSanitizer supplies its own operator new[]/delete[]; a second definition does not
// link, so under it the replacements (and the test that needs them) are left out.
#define QLM_TEST_WATCH_FREED (!QLM_TEST_UNDER_TSAN)

#if QLM_TEST_WATCH_FREED
void* operator new[](size_t n) {
  void* p = std::malloc(n != 0 ? n : 1);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
void operator delete[](void* p) noexcept {
  InspectBeforeFree(p);
  std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
  InspectBeforeFree(p);
  std::free(p);
}
#endif  // QLM_TEST_WATCH_FREED

namespace {

using os_test::TempDirTest;
using qlmtest::ErrorCodes;
using qlmtest::ErrorText;

using qlmtest::S;

// An input stream over a text that hands out at most `step` bytes per read, so decoders see
// characters split between reads.
class TrickleStreamC final : public InputStreamC {
 public:
  TrickleStreamC(std::string data, size_t step) : data_(std::move(data)), step_(step) {}
  int64_t Read(void* buffer, int64_t length) override {
    if (fail_at_end_ && pos_ == data_.size()) return -1;
    size_t n = std::min({static_cast<size_t>(length), step_, data_.size() - pos_});
    std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return static_cast<int64_t>(n);
  }
  bool CanRead() const override { return true; }
  void FailAtEnd() { fail_at_end_ = true; }

 private:
  std::string data_;
  size_t step_;
  size_t pos_ = 0;
  bool fail_at_end_ = false;
};

// An output stream that records every Write call separately.
class RecordingStreamC final : public OutputStreamC {
 public:
  RcT Write(const void* buffer, int64_t length) override {
    writes.emplace_back(static_cast<const char*>(buffer), static_cast<size_t>(length));
    return RC_OK;
  }
  std::string All() const {
    std::string all;
    for (const auto& w : writes) all += w;
    return all;
  }
  std::vector<std::string> writes;
};

// A stream that supports nothing: the defaults of the base classes.
class BareStreamC final : public InputStreamC, public OutputStreamC {
 public:
  RcT Close() override { return RC_OK; }
};

std::string Contents(MemoryStreamC& stream) {
  return std::string(reinterpret_cast<const char*>(stream.GetBuffer()),
                     static_cast<size_t>(stream.GetLength()));
}

// --- Base class defaults -------------------------------------------------------------------

// Only an operating-system code has the system's words; every other code has none.
TEST(StreamErrorsTest, SystemWordsOfCodes) {
  const struct {
    RcT code;
    const char* words;
  } cases[] = {
      {0xE0000002, std::strerror(ENOENT)},
      {0xE000000D, std::strerror(EACCES)},
      {RC_OK, ""},
      {RC_FAIL, ""},
      {OS_E_END_OF_INPUT, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(os_SystemWords(c.code), c.words) << std::hex << c.code;
  }
}

TEST(StreamDefaults, UnsupportedOperationsFailWithTheirCodes) {
  getErrBuf()->Clear();
  BareStreamC bare;
  char c;
  EXPECT_EQ(bare.Read(&c, 1), -1);
  EXPECT_EQ(bare.GetLength(), -1);
  EXPECT_EQ(bare.Write("x", 1), OS_E_STREAM_NO_WRITE);
  EXPECT_EQ(bare.SetLength(3), OS_E_STREAM_NO_RESIZE);
  EXPECT_EQ(bare.Flush(), RC_OK);
  EXPECT_FALSE(bare.CanRead() || bare.CanWrite() || bare.CanSeek());
  EXPECT_EQ(ErrorCodes(), (std::vector<uint32_t>{OS_E_STREAM_NO_READ, OS_E_STREAM_LENGTH,
                                                 OS_E_STREAM_NO_WRITE, OS_E_STREAM_NO_RESIZE}));
  EXPECT_EQ(ErrorText(OS_E_STREAM_NO_READ),
            "Attempted to read from a stream that does not support reading");
}

// --- FileStreamC ---------------------------------------------------------------------------

class FileStreamTest : public TempDirTest {
 protected:
  std::unique_ptr<FileStreamC> Open(const std::string& rel, int32_t mode, int32_t access,
                                    int32_t share, bool wait = false, RcT* rc = nullptr) {
    return FileStreamC::Open(Name(rel), mode, access, share, wait, rc);
  }
};

TEST_F(FileStreamTest, ModesOnPresentAndMissingFiles) {
  struct Case {
    int32_t mode;
    bool present;
    RcT rc;               // 0: opens
    const char* content;  // after writing "new" at the start position and closing
  };
  const Case cases[] = {
      {FileStreamC::MODE_APPEND, false, 0, "new"},
      {FileStreamC::MODE_APPEND, true, 0, "old!new"},
      {FileStreamC::MODE_CREATE, false, 0, "new"},
      {FileStreamC::MODE_CREATE, true, 0, "new"},
      {FileStreamC::MODE_CREATE_NEW, false, 0, "new"},
      {FileStreamC::MODE_CREATE_NEW, true, OS_E_EXISTS, "old!"},
      {FileStreamC::MODE_OPEN, false, 0xE0000002, nullptr},
      {FileStreamC::MODE_OPEN, true, 0, "new!"},
      {FileStreamC::MODE_OPEN_OR_CREATE, false, 0, "new"},
      {FileStreamC::MODE_OPEN_OR_CREATE, true, 0, "new!"},
      {FileStreamC::MODE_TRUNCATE, false, 0xE0000002, nullptr},
      {FileStreamC::MODE_TRUNCATE, true, 0, "new"},
  };
  // Locking shares truncate after locking; the others truncate while opening.
  for (int32_t share :
       {FileStreamC::SHARE_NONE, FileStreamC::SHARE_READ, FileStreamC::SHARE_READ_WRITE}) {
    for (int32_t access : {FileStreamC::ACCESS_WRITE, FileStreamC::ACCESS_READ_WRITE}) {
      for (const Case& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) + (c.present ? " present" : " missing") +
                     " share " + std::to_string(share) + " access " + std::to_string(access));
        ::unlink(Path("f").c_str());
        if (c.present) WriteFile("f", "old!");
        getErrBuf()->Clear();
        RcT rc = 1;
        auto stream = Open("f", c.mode, access, share, false, &rc);
        EXPECT_EQ(rc, c.rc);
        if (c.rc != 0) {
          EXPECT_EQ(stream, nullptr);
          EXPECT_EQ(ErrorCodes(), (std::vector<uint32_t>{c.rc, OS_E_OPEN_FILE}));
          EXPECT_NE(ErrorText(OS_E_OPEN_FILE).find(Path("f")), std::string::npos);
        } else {
          ASSERT_NE(stream, nullptr);
          EXPECT_TRUE(stream->CanWrite());
          EXPECT_EQ(stream->CanRead(), access == FileStreamC::ACCESS_READ_WRITE);
          EXPECT_EQ(stream->Write("new", 3), RC_OK);
          EXPECT_EQ(stream->Close(), RC_OK);
          EXPECT_FALSE(stream->CanWrite() || stream->CanSeek());
        }
        if (c.content != nullptr) {
          EXPECT_EQ(ReadFile("f"), c.content);
        }
      }
    }
  }
}

TEST_F(FileStreamTest, ReadOnlyAccessWithTruncatingModeStillTruncates) {
  for (int32_t share : {FileStreamC::SHARE_READ, FileStreamC::SHARE_WRITE}) {
    WriteFile("f", "content");
    auto stream = Open("f", FileStreamC::MODE_TRUNCATE, FileStreamC::ACCESS_READ, share);
    ASSERT_NE(stream, nullptr);
    EXPECT_FALSE(stream->CanWrite());
    EXPECT_EQ(stream->Write("x", 1), OS_E_STREAM_NO_WRITE);
    EXPECT_EQ(stream->GetLength(), 0);
  }
}

TEST_F(FileStreamTest, AppendWithoutWriteAccessNamesTheFile) {
  RcT rc = 0;
  EXPECT_EQ(Open("f", FileStreamC::MODE_APPEND, FileStreamC::ACCESS_READ,
                 FileStreamC::SHARE_READ_WRITE, false, &rc),
            nullptr);
  EXPECT_EQ(rc, OS_E_APPEND_NO_WRITE);
  EXPECT_EQ(ErrorCodes(), std::vector<uint32_t>{OS_E_APPEND_NO_WRITE});
  EXPECT_EQ(ErrorText(OS_E_APPEND_NO_WRITE),
            "Attempted to open '" + Path("f") + "' for appending without write access");
  EXPECT_FALSE(PathExists(Path("f")));
}

TEST_F(FileStreamTest, InvalidArgumentsFail) {
  RcT rc = 0;
  EXPECT_EQ(Open("f", 6, FileStreamC::ACCESS_WRITE, FileStreamC::SHARE_NONE, false, &rc), nullptr);
  EXPECT_EQ(rc, 0xE0000009u);
  EXPECT_EQ(ErrorCodes(), (std::vector<uint32_t>{0xE0000009u, OS_E_OPEN_FILE}));
  EXPECT_EQ(Open("f", FileStreamC::MODE_CREATE, 0, FileStreamC::SHARE_NONE), nullptr);
  EXPECT_EQ(Open("f", FileStreamC::MODE_CREATE, FileStreamC::ACCESS_WRITE, 4), nullptr);
  EXPECT_FALSE(PathExists(Path("f")));
  // A zero character would cut the path short at the system interface.
  EXPECT_EQ(
      FileStreamC::Open(FileNameC(StringC("f\0g", 3, StringC::CC_UTF8)), FileStreamC::MODE_CREATE,
                        FileStreamC::ACCESS_WRITE, FileStreamC::SHARE_NONE, false),
      nullptr);
}

TEST_F(FileStreamTest, ReadSeekLengthAndAppendPosition) {
  WriteFile("f", "0123456789");
  auto stream = Open("f", FileStreamC::MODE_APPEND, FileStreamC::ACCESS_READ_WRITE,
                     FileStreamC::SHARE_READ_WRITE);
  ASSERT_NE(stream, nullptr);
  char buffer[16] = {};
  EXPECT_EQ(stream->Read(buffer, sizeof buffer), 0);  // positioned at the end
  EXPECT_EQ(stream->Seek(2, 0), 2);
  EXPECT_EQ(stream->Read(buffer, 3), 3);
  EXPECT_EQ(std::string(buffer, 3), "234");
  EXPECT_EQ(stream->Seek(-1, 2), 9);
  EXPECT_EQ(stream->Seek(1, 1), 10);
  EXPECT_EQ(stream->Seek(0, 7), -1);
  EXPECT_EQ(stream->Write("ab", 2), RC_OK);  // appends whatever the position
  EXPECT_EQ(stream->GetLength(), 12);
  EXPECT_EQ(stream->SetLength(4), RC_OK);
  EXPECT_EQ(stream->Flush(), RC_OK);
  EXPECT_EQ(stream->Close(), RC_OK);
  EXPECT_EQ(stream->Close(), RC_OK);
  EXPECT_EQ(ReadFile("f"), "0123");
  getErrBuf()->Clear();
  EXPECT_EQ(stream->GetLength(), -1);
  EXPECT_EQ(stream->Read(buffer, 1), -1);
  EXPECT_EQ(stream->Seek(0, 0), -1);
  EXPECT_EQ(ErrorCodes(),
            (std::vector<uint32_t>{OS_E_STREAM_LENGTH, OS_E_STREAM_NO_READ, OS_E_STREAM_NO_SEEK}));
}

TEST_F(FileStreamTest, DescriptorIsCloseOnExec) {
  auto stream =
      Open("f", FileStreamC::MODE_CREATE, FileStreamC::ACCESS_WRITE, FileStreamC::SHARE_NONE);
  ASSERT_NE(stream, nullptr);
  EXPECT_NE(::fcntl(stream->GetDescriptor(), F_GETFD) & FD_CLOEXEC, 0);
}

TEST_F(FileStreamTest, SymbolicLinkAsLastComponentIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant another user's link";
  WriteFile("target", "keep");
  ASSERT_EQ(::symlink(Path("target").c_str(), Path("link").c_str()), 0);
  // Planted by another user: never followed (one of a trusted owner would be).
  ASSERT_EQ(::lchown(Path("link").c_str(), 65534, 65534), 0);
  EXPECT_EQ(Open("link", FileStreamC::MODE_CREATE, FileStreamC::ACCESS_WRITE,
                 FileStreamC::SHARE_READ_WRITE),
            nullptr);
  EXPECT_EQ(ReadFile("target"), "keep");
}

TEST_F(FileStreamTest, ShareNoneExcludesOtherOpensInThisProcess) {
  auto first =
      Open("f", FileStreamC::MODE_CREATE, FileStreamC::ACCESS_WRITE, FileStreamC::SHARE_NONE);
  ASSERT_NE(first, nullptr);
  struct Case {
    int32_t share;
    int32_t access;
  };
  for (Case c : {Case{FileStreamC::SHARE_NONE, FileStreamC::ACCESS_READ},
                 Case{FileStreamC::SHARE_READ, FileStreamC::ACCESS_READ}}) {
    RcT rc = 0;
    EXPECT_EQ(Open("f", FileStreamC::MODE_OPEN, c.access, c.share, false, &rc), nullptr);
    EXPECT_EQ(rc, OS_E_AGAIN);
  }
  // No lock asked for: opens.
  EXPECT_NE(
      Open("f", FileStreamC::MODE_OPEN, FileStreamC::ACCESS_READ, FileStreamC::SHARE_READ_WRITE),
      nullptr);
  // Closing another descriptor of the file does not drop the lock.
  {
    int fd = ::open(Path("f").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ::close(fd);
  }
  EXPECT_EQ(Open("f", FileStreamC::MODE_OPEN, FileStreamC::ACCESS_WRITE, FileStreamC::SHARE_NONE),
            nullptr);
  ASSERT_EQ(first->Close(), RC_OK);
  EXPECT_NE(Open("f", FileStreamC::MODE_OPEN, FileStreamC::ACCESS_WRITE, FileStreamC::SHARE_NONE),
            nullptr);
}

// A waiting open whose lock conflicts with one the same thread holds would wait for ever (no
// deadlock detection): it fails at once as busy. Shared with shared does not conflict. Run in
// a child under an alarm, so that a hang shows as a failure.
TEST_F(FileStreamTest, WaitingOpenAgainstALockOfTheSameThreadIsBusy) {
  WriteFile("f", "data");
  auto body = [this]() -> int {
    ::alarm(20);
    struct Case {
      int32_t held;
      int32_t asked;
      bool busy;
    };
    const Case cases[] = {{FileStreamC::SHARE_NONE, FileStreamC::SHARE_READ, true},
                          {FileStreamC::SHARE_READ, FileStreamC::SHARE_NONE, true},
                          {FileStreamC::SHARE_NONE, FileStreamC::SHARE_NONE, true},
                          {FileStreamC::SHARE_READ, FileStreamC::SHARE_READ, false}};
    int failures = 0;
    for (const Case& c : cases) {
      auto held = Open("f", FileStreamC::MODE_OPEN, FileStreamC::ACCESS_READ, c.held);
      if (held == nullptr) return 2;
      RcT rc = 0;
      auto asked = Open("f", FileStreamC::MODE_OPEN, FileStreamC::ACCESS_READ, c.asked, true, &rc);
      if (c.busy != (asked == nullptr) || (c.busy && rc != OS_E_AGAIN)) ++failures;
    }
    // Once given back, a waiting open gets the lock.
    auto again =
        Open("f", FileStreamC::MODE_OPEN, FileStreamC::ACCESS_READ, FileStreamC::SHARE_NONE, true);
    return failures == 0 && again != nullptr ? 0 : 1;
  };
  EXPECT_EXIT(::_exit(body()), ::testing::ExitedWithCode(0), "");
}

TEST_F(FileStreamTest, ShareReadAllowsReadersAndExcludesWriters) {
  WriteFile("f", "data");
  auto reader1 =
      Open("f", FileStreamC::MODE_OPEN, FileStreamC::ACCESS_READ, FileStreamC::SHARE_READ);
  auto reader2 =
      Open("f", FileStreamC::MODE_OPEN, FileStreamC::ACCESS_READ, FileStreamC::SHARE_READ);
  ASSERT_NE(reader1, nullptr);
  ASSERT_NE(reader2, nullptr);
  RcT rc = 0;
  // A creating open under share none must not truncate before it holds its lock.
  EXPECT_EQ(Open("f", FileStreamC::MODE_CREATE, FileStreamC::ACCESS_WRITE, FileStreamC::SHARE_NONE,
                 false, &rc),
            nullptr);
  EXPECT_EQ(rc, OS_E_AGAIN);
  EXPECT_EQ(ReadFile("f"), "data");
}

// Reads one byte from `fd`; false at end of file or on failure.
bool ReadByte(int fd, char* c) {
  return ::read(fd, c, 1) == 1;
}

TEST_F(FileStreamTest, ShareNoneExcludesAnotherProcessAndWaitingOpensGetTheFile) {
  WriteFile("f", "");
  int to_parent[2];
  int to_child[2];
  ASSERT_EQ(::pipe(to_parent), 0);
  ASSERT_EQ(::pipe(to_child), 0);
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::close(to_parent[0]);
    ::close(to_child[1]);
    auto held = FileStreamC::Open(Name("f"), FileStreamC::MODE_OPEN, FileStreamC::ACCESS_WRITE,
                                  FileStreamC::SHARE_NONE, false);
    char c = held != nullptr ? 'L' : 'E';
    if (::write(to_parent[1], &c, 1) != 1) ::_exit(2);
    if (!ReadByte(to_child[0], &c)) ::_exit(3);
    // Written while the lock is held: whoever waited for the lock must see it.
    if (held == nullptr || held->Write("child", 5) != RC_OK) ::_exit(4);
    ::_exit(held->Close() == RC_OK ? 0 : 5);
  }
  ::close(to_parent[1]);
  ::close(to_child[0]);
  char c = 0;
  ASSERT_TRUE(ReadByte(to_parent[0], &c));
  ASSERT_EQ(c, 'L');
  RcT rc = 0;
  EXPECT_EQ(Open("f", FileStreamC::MODE_OPEN, FileStreamC::ACCESS_READ, FileStreamC::SHARE_NONE,
                 false, &rc),
            nullptr);
  EXPECT_EQ(rc, OS_E_AGAIN);
  EXPECT_EQ(Open("f", FileStreamC::MODE_OPEN, FileStreamC::ACCESS_READ, FileStreamC::SHARE_READ,
                 false, &rc),
            nullptr);
  EXPECT_EQ(rc, OS_E_AGAIN);
  ASSERT_EQ(::write(to_child[1], "g", 1), 1);
  auto waited = Open("f", FileStreamC::MODE_OPEN, FileStreamC::ACCESS_READ, FileStreamC::SHARE_NONE,
                     true, &rc);
  ASSERT_NE(waited, nullptr);
  char buffer[16] = {};
  EXPECT_EQ(waited->Read(buffer, sizeof buffer), 5);
  EXPECT_EQ(std::string(buffer, 5), "child");
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ::close(to_parent[0]);
  ::close(to_child[1]);
}

// True when /proc/locks shows a blocked request for the file with inode `ino`.
bool HasBlockedWaiter(ino_t ino) {
  std::ifstream locks("/proc/locks");
  std::string line;
  const std::string suffix = ":" + std::to_string(ino) + " ";
  while (std::getline(locks, line)) {
    if (line.find("->") != std::string::npos && line.find(suffix) != std::string::npos) {
      return true;
    }
  }
  return false;
}

TEST_F(FileStreamTest, FileReplacedWhileWaitingForTheLockFails) {
  WriteFile("f", "old");
  WriteFile("replacement", "new");
  struct stat st;
  ASSERT_EQ(::stat(Path("f").c_str(), &st), 0);
  auto holder =
      Open("f", FileStreamC::MODE_OPEN, FileStreamC::ACCESS_WRITE, FileStreamC::SHARE_NONE);
  ASSERT_NE(holder, nullptr);
  std::atomic<RcT> waiter_rc{1};
  std::atomic<bool> waiter_got_stream{true};
  std::thread waiter([&] {
    getErrBuf()->Clear();
    RcT rc = 0;
    auto stream = FileStreamC::Open(Name("f"), FileStreamC::MODE_TRUNCATE,
                                    FileStreamC::ACCESS_WRITE, FileStreamC::SHARE_NONE, true, &rc);
    waiter_got_stream = stream != nullptr;
    waiter_rc = rc;
  });
  // The waiter has opened the old file once its lock request is queued on that inode.
  while (!HasBlockedWaiter(st.st_ino)) std::this_thread::yield();
  ASSERT_EQ(::rename(Path("replacement").c_str(), Path("f").c_str()), 0);
  ASSERT_EQ(holder->Close(), RC_OK);
  waiter.join();
  EXPECT_FALSE(waiter_got_stream);
  EXPECT_EQ(waiter_rc.load(), 0xE000000Bu);
  EXPECT_EQ(ReadFile("f"), "new");  // the deferred truncation did not touch the new file
}

// --- MemoryStreamC -------------------------------------------------------------------------

TEST(MemoryStream, WriteBeyondTheEndFillsWithZeros) {
  MemoryStreamC stream(0);
  EXPECT_EQ(stream.Seek(10, 0), 10);
  EXPECT_EQ(stream.Write("x", 1), RC_OK);
  EXPECT_EQ(stream.GetLength(), 11);
  EXPECT_EQ(Contents(stream), std::string(10, '\0') + "x");
  EXPECT_EQ(stream.GetPosition(), 11);
}

TEST(MemoryStream, ShrinkingGivesLargeBuffersBack) {
  struct Case {
    int64_t capacity;
    int64_t length;
    int64_t capacity_after;
  };
  for (Case c : {Case{4096, 100, 100}, Case{1024, 100, 1024}, Case{1025, 512, 512},
                 Case{1025, 513, 1025}, Case{1025, 0, 0}, Case{100, 200, 200}}) {
    SCOPED_TRACE(std::to_string(c.capacity) + " -> " + std::to_string(c.length));
    MemoryStreamC stream(c.capacity);
    ASSERT_EQ(stream.Write("abc", 3), RC_OK);
    ASSERT_EQ(stream.SetLength(c.length), RC_OK);
    EXPECT_EQ(stream.GetCapacity(), c.capacity_after);
    EXPECT_EQ(stream.GetLength(), c.length);
    EXPECT_EQ(stream.GetPosition(), 3);  // unchanged
    EXPECT_EQ(Contents(stream), std::string("abc").substr(0, c.length) +
                                    std::string(c.length > 3 ? c.length - 3 : 0, '\0'));
  }
}

TEST(MemoryStream, BytesCutOffDoNotComeBack) {
  MemoryStreamC stream(64);
  ASSERT_EQ(stream.Write("secret", 6), RC_OK);
  ASSERT_EQ(stream.SetLength(2), RC_OK);
  ASSERT_EQ(stream.SetLength(6), RC_OK);
  EXPECT_EQ(Contents(stream), std::string("se\0\0\0\0", 6));
}

TEST(MemoryStream, ReadSeekAndCallerBuffer) {
  static const char kData[] = "hello world";
  MemoryStreamC stream(kData, 11);
  EXPECT_FALSE(stream.CanWrite());
  EXPECT_TRUE(stream.CanRead() && stream.CanSeek());
  char buffer[32] = {};
  EXPECT_EQ(stream.Read(buffer, 5), 5);
  EXPECT_EQ(std::string(buffer, 5), "hello");
  EXPECT_EQ(stream.Seek(-5, 2), 6);
  EXPECT_EQ(stream.Read(buffer, sizeof buffer), 5);
  EXPECT_EQ(stream.Read(buffer, sizeof buffer), 0);
  EXPECT_EQ(stream.Seek(-3, 1), 8);
  EXPECT_EQ(stream.Seek(100, 0), 100);
  EXPECT_EQ(stream.Read(buffer, 1), 0);
  EXPECT_EQ(stream.Seek(0, 3), -1);

  getErrBuf()->Clear();
  EXPECT_EQ(stream.Seek(-1, 0), -1);
  EXPECT_EQ(stream.GetPosition(), 100);
  EXPECT_EQ(stream.Write("x", 1), OS_E_STREAM_NO_WRITE);
  EXPECT_EQ(stream.SetLength(1), OS_E_STREAM_NO_RESIZE);
  EXPECT_EQ(ErrorCodes(), (std::vector<uint32_t>{OS_E_SEEK_BEFORE_START, OS_E_STREAM_NO_WRITE,
                                                 OS_E_STREAM_NO_RESIZE}));
  EXPECT_EQ(std::string(kData), "hello world");
}

TEST(MemoryStream, ManySmallWritesKeepTheData) {
  MemoryStreamC stream(0);
  std::string expected;
  for (int i = 0; i < 100000; ++i) {
    char c = static_cast<char>('a' + i % 26);
    ASSERT_EQ(stream.Write(&c, 1), RC_OK);
    expected.push_back(c);
  }
  EXPECT_EQ(Contents(stream), expected);
  EXPECT_EQ(stream.Close(), RC_OK);
  EXPECT_EQ(Contents(stream), expected);  // still readable after Close
}

// Fills a stream with a secret, then watches its buffer while `action` makes the stream let
// go of it. Returns true when the buffer held only zeros at the moment it was freed.
template <class Stream, class Action>
bool FreedBufferWasZero(Stream& stream, Action action) {
  g_watched_freed = 0;
  g_watched_size = static_cast<size_t>(stream.GetCapacity());
  g_watched = stream.GetBuffer();
  action();
  EXPECT_EQ(g_watched_freed.load(), 1) << "the buffer was not freed";
  g_watched = nullptr;
  return g_watched_zeroed.load() == 1;
}

TEST(SecureMemoryStream, LeavesNoPlainTextInFreedMemory) {
  if (!QLM_TEST_WATCH_FREED) GTEST_SKIP() << "freed memory cannot be watched under this sanitizer";
  const std::string secret = "correct horse battery staple";
  {
    // Growth.
    SecureMemoryStreamC stream(32);
    ASSERT_EQ(stream.Write(secret.data(), static_cast<int64_t>(secret.size())), RC_OK);
    EXPECT_TRUE(FreedBufferWasZero(stream, [&] { ASSERT_EQ(stream.SetLength(4096), RC_OK); }));
    // Shrinking a large buffer.
    EXPECT_TRUE(FreedBufferWasZero(stream, [&] { ASSERT_EQ(stream.SetLength(40), RC_OK); }));
    // Writes that grow it.
    std::string big(5000, 'k');
    EXPECT_TRUE(FreedBufferWasZero(stream, [&] {
      ASSERT_EQ(stream.Write(big.data(), static_cast<int64_t>(big.size())), 0u);
    }));
  }
  {
    // Destruction.
    auto stream = std::make_unique<SecureMemoryStreamC>(64);
    ASSERT_EQ(stream->Write(secret.data(), static_cast<int64_t>(secret.size())), RC_OK);
    EXPECT_TRUE(FreedBufferWasZero(*stream, [&] { stream.reset(); }));
  }
  {
    // The same watch sees the secret in an ordinary stream's freed buffer.
    auto stream = std::make_unique<MemoryStreamC>(64);
    ASSERT_EQ(stream->Write(secret.data(), static_cast<int64_t>(secret.size())), RC_OK);
    EXPECT_FALSE(FreedBufferWasZero(*stream, [&] { stream.reset(); }));
  }
}

// --- CopyFrom ------------------------------------------------------------------------------

TEST(CopyFrom, CopiesAllOrALimitAndReportsFailures) {
  std::string data(5000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  for (int64_t limit : {int64_t{0}, int64_t{-1}, int64_t{1}, int64_t{1024}, int64_t{1025},
                        int64_t{4999}, int64_t{9999}}) {
    SCOPED_TRACE(limit);
    MemoryStreamC source(data.data(), static_cast<int64_t>(data.size()));
    MemoryStreamC target(0);
    int64_t copied = -1;
    EXPECT_EQ(target.CopyFrom(source, limit, &copied), RC_OK);
    const size_t expected = limit > 0 ? std::min<size_t>(limit, data.size()) : data.size();
    EXPECT_EQ(copied, static_cast<int64_t>(expected));
    EXPECT_EQ(Contents(target), data.substr(0, expected));
  }
  {
    MemoryStreamC source(data.data(), static_cast<int64_t>(data.size()));
    MemoryStreamC read_only("", 0);
    getErrBuf()->Clear();
    EXPECT_EQ(read_only.CopyFrom(source), OS_E_STREAM_COPY_WRITE);
    EXPECT_EQ(ErrorText(OS_E_STREAM_COPY_WRITE), "Failed to write to a stream");
  }
  {
    // A read failure is a failed copy, not an early end.
    TrickleStreamC source("abc", 2);
    source.FailAtEnd();
    MemoryStreamC target(0);
    int64_t copied = 0;
    EXPECT_TRUE(RcFailed(target.CopyFrom(source, 0, &copied)));
    EXPECT_EQ(copied, 3);
  }
}

// --- Text readers and writers --------------------------------------------------------------

std::vector<std::string> ReadLines(TextReaderC& reader, RcT* last = nullptr) {
  std::vector<std::string> lines;
  StringC line;
  RcT rc;
  while ((rc = reader.ReadLine(line)) == RC_OK) lines.push_back(line.ToUtf8());
  if (last != nullptr) *last = rc;
  return lines;
}

TEST(StreamReader, LineBreaksOfEveryKindReadTheSame) {
  struct Case {
    const char* input;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
      {"a\n\nb", {"a", "", "b"}},
      {"a\r\rb", {"a", "", "b"}},
      {"a\n\r", {"a", ""}},
      {"\n", {""}},
      {"", {}},
      {"no break", {"no break"}},
      {"\xEF\xBB\xBFmarked\n", {"marked"}},
  };
  for (const Case& c : cases) {
    // Pieces of one byte put every break at the edge of a read.
    for (size_t step : {size_t{1}, size_t{2}, size_t{3}, size_t{1024}}) {
      SCOPED_TRACE(std::string("input '") + c.input + "' step " + std::to_string(step));
      TrickleStreamC stream(c.input, step);
      StreamReaderC reader(stream);
      RcT last = 0;
      EXPECT_EQ(ReadLines(reader, &last), c.lines);
      EXPECT_EQ(last, OS_E_END_OF_INPUT);
      StringC line = S("kept?");
      EXPECT_EQ(reader.ReadLine(line), OS_E_END_OF_INPUT);
      EXPECT_TRUE(line.IsEmpty());
    }
  }
}

TEST(StreamReader, LongLinesAndLinesAcrossBuffers) {
  std::string input;
  std::vector<std::string> expected;
  for (int i = 0; i < 50; ++i) {
    std::string line(static_cast<size_t>(i * 97 % 3000), static_cast<char>('a' + i % 26));
    expected.push_back(line);
    input += line + (i % 2 ? "\r\n" : "\n");
  }
  MemoryStreamC stream(input.data(), static_cast<int64_t>(input.size()));
  StreamReaderC reader(stream);
  EXPECT_EQ(ReadLines(reader), expected);
}

TEST(StreamReader, ReadCharAndReadToEnd) {
  TrickleStreamC stream("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\nrest\nof it", 1);
  StreamReaderC reader(stream);
  EXPECT_EQ(reader.ReadChar(), 0x41);
  EXPECT_EQ(reader.ReadChar(), 0xE9);
  EXPECT_EQ(reader.ReadChar(), 0x20AC);
  EXPECT_EQ(reader.ReadChar(), 0x1F600);
  EXPECT_EQ(reader.ReadChar(), '\n');
  StringC line;
  ASSERT_EQ(reader.ReadLine(line), RC_OK);
  EXPECT_EQ(line.ToUtf8(), "rest");
  StringC rest = S(">");
  EXPECT_EQ(reader.ReadToEnd(rest), RC_OK);
  EXPECT_EQ(rest.ToUtf8(), ">of it");
  EXPECT_EQ(reader.ReadChar(), -1);
  EXPECT_TRUE(reader.ReadToEnd().IsEmpty());
}

TEST(StreamReader, ReadFailureIsReturned) {
  TrickleStreamC stream("partial", 3);
  stream.FailAtEnd();
  StreamReaderC reader(stream);
  StringC line;
  EXPECT_TRUE(RcFailed(reader.ReadLine(line)));
  EXPECT_NE(reader.ReadLine(line), RC_OK);
}

struct EncodingCase {
  const char* name;
  const TextEncodingI& (*encoding)();
  std::string bytes;  // "é€😀\nx\r\n" (or what the encoding can hold) as written, mark included
  const char* text;   // what is read back
};

std::vector<EncodingCase> EncodingCases() {
  return {
      {"utf8", TextEncodingUtf8, "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\nx\r\n",
       "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80|x"},
      {"utf8-mark", TextEncodingUtf8WithMark,
       "\xEF\xBB\xBF\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\nx\r\n",
       "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80|x"},
      {"utf16le", TextEncodingUtf16LE,
       std::string("\xFF\xFE\xE9\x00\xAC\x20\x3D\xD8\x00\xDE\x0A\x00x\x00\x0D\x00\x0A\x00", 18),
       "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80|x"},
      {"utf16be", TextEncodingUtf16BE,
       std::string("\xFE\xFF\x00\xE9\x20\xAC\xD8\x3D\xDE\x00\x00\x0A\x00x\x00\x0D\x00\x0A", 18),
       "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80|x"},
      {"utf16-data", TextEncodingUtf16FromData,
       std::string("\xFF\xFE\xE9\x00\xAC\x20\x3D\xD8\x00\xDE\x0A\x00x\x00\x0D\x00\x0A\x00", 18),
       "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80|x"},
      {"latin1", TextEncodingLatin1, "\xE9~~\nx\r\n", "\xC3\xA9~~|x"},
      {"ascii", TextEncodingAscii, "~~~\nx\r\n", "~~~|x"},
      {"wchar", TextEncodingWChar,
       [] {
         std::string s;
         for (char32_t c : {U'\u00E9', U'\u20AC', U'\U0001F600', U'\n', U'x', U'\r', U'\n'}) {
           wchar_t w = static_cast<wchar_t>(c);
           s.append(reinterpret_cast<const char*>(&w), sizeof w);
         }
         return s;
       }(),
       "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80|x"},
  };
}

TEST(StreamWriterAndReader, EveryEncodingRoundTripsThroughSplitReads) {
  for (const EncodingCase& c : EncodingCases()) {
    SCOPED_TRACE(c.name);
    MemoryStreamC file(0);
    {
      StreamWriterC writer(file, &c.encoding());
      EXPECT_EQ(writer.WriteLine(S("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80")), RC_OK);
      writer.SetNewLine(TextWriterC::DOSNewLine);
      EXPECT_EQ(writer.WriteLine(S("x")), RC_OK);
      const bool lossy = std::string(c.name) == "latin1" || std::string(c.name) == "ascii";
      EXPECT_EQ(writer.IsLossy(), lossy);
    }
    EXPECT_EQ(Contents(file), c.bytes);
    // Every split of the bytes between reads decodes to the same lines.
    for (size_t step = 1; step <= 5; ++step) {
      SCOPED_TRACE(step);
      TrickleStreamC stream(c.bytes, step);
      StreamReaderC reader(stream, &c.encoding());
      std::string joined;
      for (const std::string& line : ReadLines(reader))
        joined += (joined.empty() ? "" : "|") + line;
      EXPECT_EQ(joined, c.text);
    }
  }
}

TEST(StreamReader, MalformedAndIncompleteInputBecomesReplacementCharacters) {
  struct Case {
    const TextEncodingI& (*encoding)();
    std::string bytes;
    const char* text;
  };
  const Case cases[] = {
      {TextEncodingUtf8, "\xC3\x28", "\xEF\xBF\xBD("},
      {TextEncodingUtf8, "ok\xE2\x82", "ok\xEF\xBF\xBD"},  // cut off by the end of the input
      {TextEncodingUtf8, "\xFE", "\xEF\xBF\xBD"},
      {TextEncodingAscii, "a\x80", "a\xEF\xBF\xBD"},
      {TextEncodingUtf16LE, std::string("\x3D\xD8\x41\x00", 4),
       "\xEF\xBF\xBD"
       "A"},
  };
  for (const Case& c : cases) {
    for (size_t step : {size_t{1}, size_t{64}}) {
      TrickleStreamC stream(c.bytes, step);
      StreamReaderC reader(stream, &c.encoding());
      EXPECT_EQ(reader.ReadToEnd().ToUtf8(), c.text);
    }
  }
}

TEST(StreamWriter, MarkOnceAndOneWritePerLine) {
  RecordingStreamC target;
  StreamWriterC writer(target, &TextEncodingUtf8WithMark());
  EXPECT_EQ(writer.WriteLine(S("first")), RC_OK);
  EXPECT_EQ(writer.WriteLine(S("second")), RC_OK);
  EXPECT_EQ(writer.Write(S("")), RC_OK);
  EXPECT_EQ(writer.Write("third"), RC_OK);
  EXPECT_EQ(target.writes, (std::vector<std::string>{"\xEF\xBB\xBF"
                                                     "first\n",
                                                     "second\n", "third"}));
  EXPECT_EQ(writer.Close(), RC_OK);
  EXPECT_FALSE(writer.IsOpen());
  getErrBuf()->Clear();
  EXPECT_EQ(writer.Write("late"), OS_E_STREAM_NO_WRITE);
}

TEST(StreamWriter, DefaultEncodingHasNoMarkAndMalformedTextIsReplaced) {
  RecordingStreamC target;
  StreamWriterC writer(target);
  EXPECT_EQ(writer.Write("a\xFF"
                         "b\xE2\x82"),
            RC_OK);
  EXPECT_EQ(target.All(),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
}

TEST_F(FileStreamTest, WriterOwnsItsFileStream) {
  {
    auto stream =
        Open("log", FileStreamC::MODE_APPEND, FileStreamC::ACCESS_WRITE, FileStreamC::SHARE_WRITE);
    ASSERT_NE(stream, nullptr);
    StreamWriterC writer(std::move(stream));
    EXPECT_EQ(writer.WriteLine(S("line 1")), RC_OK);
  }
  {
    StreamWriterC writer(
        Open("log", FileStreamC::MODE_APPEND, FileStreamC::ACCESS_WRITE, FileStreamC::SHARE_WRITE));
    EXPECT_EQ(writer.WriteLine(S("line 2")), RC_OK);
    EXPECT_EQ(writer.Flush(), RC_OK);
  }
  auto input =
      Open("log", FileStreamC::MODE_OPEN, FileStreamC::ACCESS_READ, FileStreamC::SHARE_READ);
  ASSERT_NE(input, nullptr);
  StreamReaderC reader(std::move(input));
  EXPECT_EQ(ReadLines(reader), (std::vector<std::string>{"line 1", "line 2"}));
}

}  // namespace
