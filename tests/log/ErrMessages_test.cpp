#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "base/ArgListC.h"
#include "base/StringC.h"
#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"
#include "log/CatalogWriterC.h"
#include "log/ErrCatSwitchC.h"
#include "log/ErrMessages.h"
#include "tests/log/LogTestSupport.h"

namespace {

using logtest::ScopedEnvC;
using logtest::TempDirC;
using logtest::TraceCaptureC;

constexpr uint32_t kInstalling = 0xE1000075;
constexpr const char* kInstallingDefault =
    "\x01\x01i\x01Installing merged deployment policy '%1$s'";
constexpr uint32_t kOnlyInProcess = 0xE0A60011;
constexpr uint32_t kInBoth = 0xE0A60012;

// Each test starts with an empty module catalog, no process catalog and an empty error buffer,
// and leaves them so.
class ErrMessagesTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }

  static void Reset() {
    (void)ErrEmptyModuleCatalog();
    (void)ErrSetProcessCatalog("");  // no such file: clears the process catalog
    getErrBuf(2)->Clear();
  }

  std::string Catalog(const std::string& name,
                      const std::vector<std::pair<uint32_t, std::string>>& messages) {
    CatalogWriterC writer;
    for (const auto& [number, text] : messages) EXPECT_TRUE(writer.Add(number, text));
    std::string error;
    EXPECT_TRUE(writer.WriteFile(dir_.File(name), &error)) << error;
    return dir_.File(name);
  }

  TempDirC dir_;
};

TEST_F(ErrMessagesTest, DefaultTextAndCatalogTextCarryTheirSeverity) {
  int severity = -1;
  EXPECT_EQ(ErrGetText(kInstalling, kInstallingDefault, &severity).ToUtf8(),
            "Installing merged deployment policy '%1$s'");
  EXPECT_EQ(severity, 2);
  EXPECT_EQ(ErrGetTextV(kInstalling, kInstallingDefault, &severity, "policy.xml").ToUtf8(),
            "Installing merged deployment policy 'policy.xml'");
  EXPECT_EQ(severity, 2);

  const std::string path = Catalog("m.cat", {{kInstalling, "Richtlinie '%1$s' wird installiert"}});
  ASSERT_EQ(ErrSetModuleCatalog(StringC::FromUtf8(path)), RC_OK);
  EXPECT_EQ(ErrGetTextV(kInstalling, kInstallingDefault, &severity, "policy.xml").ToUtf8(),
            "Richtlinie 'policy.xml' wird installiert");
  EXPECT_EQ(severity, 4);
  EXPECT_EQ(ErrGetText(kInstalling, kInstallingDefault, ArgList << "p.xml", &severity).ToUtf8(),
            "Richtlinie 'p.xml' wird installiert");
  EXPECT_EQ(ErrMessageText(kInstalling).ToUtf8(), "Richtlinie '%1$s' wird installiert");

  // Without bit 29 the catalog is never asked, whatever it holds for set 0x100 message 0x75.
  EXPECT_EQ(ErrGetText(kInstalling & ~0x20000000u, "{w} Not catalogued", &severity).ToUtf8(),
            "Not catalogued");
  EXPECT_EQ(severity, 3);
  EXPECT_EQ(ErrGetText(0xE1000001, "{Xw} sentence", &severity).ToUtf8(), "sentence");
  EXPECT_EQ(severity, 4);
  EXPECT_EQ(ErrMessageText(RC_FAIL).ToUtf8(), "");
  EXPECT_EQ(ErrMessageText(0xE1000099).ToUtf8(), "");
  EXPECT_EQ(ErrGetText(0xE1000099, nullptr, &severity).ToUtf8(), "");
  EXPECT_EQ(severity, 4);
}

TEST_F(ErrMessagesTest, ModuleCatalogThenProcessCatalogThenDefault) {
  const std::string module = Catalog(
      "module.cat", {{kInBoth, "{w} from the module"}, {kInstalling, "{i}"}});  // empty message
  const std::string process = Catalog("process.cat", {{kInBoth, "from the process"},
                                                      {kOnlyInProcess, "{m} process only"},
                                                      {kInstalling, "process installing"}});
  ASSERT_EQ(ErrSetModuleCatalog(StringC::FromUtf8(module)), RC_OK);
  ASSERT_EQ(ErrSetProcessCatalog(process.c_str()), RC_OK);

  int severity = -1;
  EXPECT_EQ(ErrGetText(kInBoth, "default", &severity).ToUtf8(), "from the module");
  EXPECT_EQ(severity, 3);
  EXPECT_EQ(ErrGetText(kOnlyInProcess, "default", &severity).ToUtf8(), "process only");
  EXPECT_EQ(severity, 1);
  // An empty message does not win: the next source is asked.
  EXPECT_EQ(ErrGetText(kInstalling, kInstallingDefault, &severity).ToUtf8(), "process installing");
  EXPECT_EQ(severity, 4);

  (void)ErrEmptyModuleCatalog();
  EXPECT_EQ(ErrGetText(kInBoth, "default", &severity).ToUtf8(), "from the process");
  EXPECT_EQ(severity, 4);

  EXPECT_EQ(ErrSetProcessCatalog(dir_.File("missing.cat").c_str()), RC_CANNOT_OPEN);
  EXPECT_EQ(ErrGetText(kInBoth, "{f} default", &severity).ToUtf8(), "default");
  EXPECT_EQ(severity, 5);
  EXPECT_EQ(ErrSetProcessCatalog(nullptr), RC_INVALIDARG);

  EXPECT_EQ(ErrSetModuleCatalog(StringC::FromUtf8(dir_.File("missing.cat"))), RC_CANNOT_OPEN);
  EXPECT_EQ(ErrGetText(kInBoth, "default").ToUtf8(), "default");
}

TEST_F(ErrMessagesTest, ReportRecordsInTheErrorBuffer) {
  cmn_ErrBufI* buffer = getErrBuf(2);
  ASSERT_NE(buffer, nullptr);

  EXPECT_EQ(ErrReport(0xE1000070, "{#} Nothing to record"), 0xE1000070u);
  EXPECT_EQ(ErrReportV(0xE1000071, "\x01\x01#\x01Quiet %1$s", "x"), 0xE1000071u);
  EXPECT_EQ(buffer->Count(), 0u);

  EXPECT_EQ(ErrReportV(0xE0A30002, "{e} Cannot parse RKTRACE flags \"%1$s\"", "A-1"), 0xE0A30002u);
  EXPECT_EQ(ErrReport(0xE1000072, "{w} Disk %1$s is %2$d%% full", ArgList << "/var" << 93),
            0xE1000072u);
  EXPECT_EQ(ErrReport(RC_FAIL, "General failure"), RC_FAIL);
  ASSERT_EQ(buffer->Count(), 3u);
  const struct {
    uint32_t number;
    int severity;
    const char* text;
  } expected[] = {
      {0xE0A30002, 4, "Cannot parse RKTRACE flags \"A-1\""},
      {0xE1000072, 3, "Disk /var is 93% full"},
      {RC_FAIL, 4, "General failure"},
  };
  for (size_t i = 0; i < 3; ++i) {
    const cmn_ErrEntryI* entry = buffer->Entry(i);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->MessageNumber(), expected[i].number);
    EXPECT_EQ(entry->Severity(), expected[i].severity);
    EXPECT_EQ(entry->Text(), expected[i].text);
  }
}

TEST_F(ErrMessagesTest, FaultyCatalogTextsFallBackSafely) {
  CatalogWriterC writer;
  ASSERT_TRUE(writer.Add(0xE1000080, "{w} Policy %1$s %2$d %9$s %n %"));
  ASSERT_TRUE(writer.Add(0xE1000081, "Count %1$d"));
  ASSERT_TRUE(writer.Add(0xE1000082, "{e} a..b"));
  std::string bytes;
  ASSERT_TRUE(writer.Build(&bytes));
  const size_t at = bytes.find("a..b");
  bytes[at + 1] = '\xE2';  // a three-byte sequence cut short
  bytes[at + 2] = '\x82';
  logtest::WriteFile(dir_.File("faulty.cat"), bytes);
  ASSERT_EQ(ErrSetModuleCatalog(StringC::FromUtf8(dir_.File("faulty.cat"))), RC_OK);

  // Conversions the default text does not have find no argument and stay as written.
  int severity = -1;
  EXPECT_EQ(ErrGetTextV(0xE1000080, "Policy %1$s", &severity, "p.xml").ToUtf8(),
            "Policy p.xml %2$d %9$s %n %");
  EXPECT_EQ(severity, 3);
  // A string where the catalog expects a number is rendered as the string.
  EXPECT_EQ(ErrGetTextV(0xE1000081, "Count %1$s", &severity, "many").ToUtf8(), "Count many");
  // Bad bytes become replacement characters, in the text and in the error buffer.
  EXPECT_EQ(ErrReport(0xE1000082, "default"), 0xE1000082u);
  ASSERT_EQ(getErrBuf(2)->Count(), 1u);
  const std::string text(getErrBuf(2)->Entry(0)->Text());
  EXPECT_EQ(text.front(), 'a');
  EXPECT_EQ(text.back(), 'b');
  EXPECT_NE(text.find("\xEF\xBF\xBD"), std::string::npos) << text;
}

TEST_F(ErrMessagesTest, CatalogChangesAndFetchesAreTraced) {
  const std::string module = Catalog("module.cat", {{kInstalling, "Module text"}});
  const std::string process = Catalog("process.cat", {{kOnlyInProcess, "Process text"}});
  TraceCaptureC capture("Error/Catalog");

  ASSERT_EQ(ErrSetProcessCatalog(process.c_str()), RC_OK);
  ASSERT_EQ(ErrSetModuleCatalog(StringC::FromUtf8(module)), RC_OK);
  (void)ErrGetText(kInstalling, kInstallingDefault);
  (void)ErrGetText(kOnlyInProcess, "default");
  (void)ErrGetText(0xE1000001, "default only");  // not traced: no catalog has it
  (void)ErrEmptyModuleCatalog();

  const std::vector<std::string> records = capture.Records();
  const std::vector<std::string> expected = {
      "0Error/Catalog/Open: Setting process message catalog to " + process,
      "0Error/Catalog/Open: Setting module message catalog to " + module + " (opened)",
      "Error/Catalog/Fetch: Message s256m117 from module catalog: Module text",
      "Error/Catalog/Fetch: Message s166m17 from process catalog: Process text",
      "0Error/Catalog/Open: Replaced previous catalog with empty one",
  };
  EXPECT_EQ(records, expected);
}

TEST_F(ErrMessagesTest, SwitchNamesTheModuleCatalog) {
  (void)ErrCatalogSwitch();
  EXPECT_EQ(ErrCatalogSwitch().SetName(StringC::FromUtf8("policy client")), RC_OK);
  ASSERT_NE(ErrCatSwitchC::ModuleCatalog(), nullptr);
  EXPECT_EQ(ErrCatSwitchC::ModuleCatalog()->Name().ToUtf8(), "policy client");
  // No install directory is known to this process; the path is relative and never opened.
  EXPECT_EQ(ModuleCatalogPath().ToUtf8(), "allcat.%L.cat");
}

TEST_F(ErrMessagesTest, ReplacingTheModuleCatalogDuringLookups) {
  // Lookups keep the catalog they started with alive, so swapping catalogs under them never
  // reads a closed or reused descriptor.
  const std::string path = Catalog("swap.cat", {{kInstalling, "catalogued"}});
  std::atomic<bool> stop{false};
  std::atomic<int> unexpected{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 4; ++t) {
    readers.emplace_back([&] {
      while (!stop.load()) {
        const std::string text = ErrGetText(kInstalling, "{w} default").ToUtf8();
        if (text != "catalogued" && text != "default") ++unexpected;
      }
    });
  }
  for (int i = 0; i < 300; ++i) {
    (void)ErrSetModuleCatalog(StringC::FromUtf8(path));
    (void)ErrEmptyModuleCatalog();
  }
  stop = true;
  for (std::thread& reader : readers) reader.join();
  EXPECT_EQ(unexpected.load(), 0);
}

// The first use of the switch, before any installation directory is known, never reads a
// catalog from the working directory (a root run started in a user's directory would read
// that user's texts for the whole run). It runs in a fresh process so that this really is the
// first use (and the first look at the locale), from several threads at once.
TEST(ErrMessagesFirstUseTest, ConcurrentFirstCallersNeverReadTheWorkingDirectorysCatalog) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TempDirC dir;
  CatalogWriterC writer;
  ASSERT_TRUE(writer.Add(kInstalling, "{w} Planted in the working directory"));
  ASSERT_TRUE(writer.WriteFile(dir.File("allcat.de_de-utf-8.cat")));
  ASSERT_TRUE(writer.WriteFile(dir.File("allcat.cat")));

  EXPECT_EXIT(
      {
        ScopedEnvC no_all("LC_ALL", nullptr);
        ScopedEnvC no_messages("LC_MESSAGES", nullptr);
        ScopedEnvC lang("LANG", "de_DE.UTF-8");
        if (::chdir(dir.Path().c_str()) != 0) ::_exit(3);
        std::atomic<int> wrong{0};
        std::vector<std::thread> first_callers;
        for (int t = 0; t < 8; ++t) {
          first_callers.emplace_back([&wrong] {
            if (ErrGetText(kInstalling, kInstallingDefault).ToUtf8().find("Planted") !=
                std::string::npos) {
              ++wrong;
            }
          });
        }
        for (std::thread& caller : first_callers) caller.join();
        const bool none = ErrCatSwitchC::ModuleCatalog() == nullptr;
        // _exit skips destructors: this process's copy of the directory goes now.
        std::error_code ignored;
        std::filesystem::remove_all(dir.Path(), ignored);
        ::_exit(wrong.load() == 0 && none ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
