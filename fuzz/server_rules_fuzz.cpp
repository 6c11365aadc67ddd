// Server rules and server-location keys from arbitrary text, as an administrator's store file
// could hold them. The input is lines:
//   first line       a path to resolve
//   "R<pattern>=<target>"   a rule of the "Rules" section
//   "A<name>=<value>"       an attribute of one location key
// Checks: rule look-up is deterministic and yields the target of a matching rule; priorities
// compare antisymmetrically and sorted insertion keeps the order; a location key loads exactly
// when it is usable; resolution puts the location's URL in front of a plain path.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cmn/cmn_ConfigStoreC.h"
#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"
#include "registry/RegKeyC.h"
#include "servers/LkiServerArrayC.h"
#include "servers/LkiServerLocationC.h"
#include "servers/LkiServerManagerC.h"
#include "servers/LkiServerResolutionC.h"
#include "servers/LkiServerRuleC.h"
#include "servers/LkiServerRuleListC.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

cmn_ConfigStoreC* Store() {
  static cmn_ConfigStoreC* store = [] {
    auto* s = new cmn_ConfigStoreC("");
    RegKeyC::SetRegistryForTest(s);
    return s;
  }();
  return store;
}

constexpr const char* kKey = "Software\\Fuzz\\Locations\\Loc";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  cmn_ConfigStoreC* store = Store();
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> lines;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.emplace_back(text.data() + start, end - start);
    start = end + 1;
  }
  const std::string_view path = lines.empty() ? std::string_view() : lines[0];

  LkiServerRuleListC rules;
  std::vector<std::pair<std::string, std::string>> ruleTexts;
  LkiLocationRefC location(new LkiServerLocationC("Loc"), true);
  cmn_RegHandleT key = 0;
  (void)store->DeleteKey(cmn_kHKLM, "Software\\Fuzz", true);
  if (store->Create(cmn_kHKLM, kKey, &key) != RC_OK) return 0;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    const size_t eq = line.find('=');
    if (line.size() < 2 || eq == std::string_view::npos) continue;
    const std::string name(line.substr(1, eq - 1));
    const std::string value(line.substr(eq + 1));
    if (line[0] == 'R') {
      rules.Add(name, value);
      ruleTexts.emplace_back(name, value);
    } else if (line[0] == 'A' && !name.empty()) {
      // The store trims names and texts; keep the in-memory location in step with it.
      if (store->WriteText(key, "", name, value) == RC_OK) {
        std::string stored;
        if (store->ReadText(cmn_kHKLM, kKey, name, &stored) == RC_OK) location->Set(name, stored);
      }
    }
  }
  (void)store->Close(key);

  // Rules: deterministic, and a result is the target of some rule that matches the path.
  const auto found = rules.Lookup(path);
  Check(found == rules.Lookup(path));
  if (found) {
    bool explained = false;
    for (const auto& [pattern, target] : ruleTexts) {
      LkiServerRuleC* rule = new LkiServerRuleC(pattern, target);
      const auto applied = rule->Apply(path);
      explained = explained || (applied && *applied == *found);
      rule->Release();
    }
    Check(explained);
  }

  // Loading the key: exactly the usable locations are added.
  LkiServerManagerC* manager = new LkiServerManagerC();
  const RcT loaded = manager->LoadLocation(StringC::FromUtf8(std::string("HKLM\\") + kKey),
                                           StringC::FromUtf8("Download"));
  const std::string& protocol = location->Attribute("Protocol");
  const std::string& host = location->Attribute("Host");
  const std::string& dir = location->Attribute("Directory");
  bool usable = !protocol.empty() && !(host.empty() && dir.empty());
  if (usable && EqualNoCase(protocol, "file")) {
    usable = host.empty() &&
             !(dir.size() > 2 && (dir.compare(0, 2, "//") == 0 || dir.compare(0, 2, "\\\\") == 0));
  }
  Check((loaded == RC_OK) == usable);
  Check(manager->Count() == (usable ? 1u : 0u));

  // Resolution on the in-memory twin.
  const std::string url = LkiServerManagerC::LocationUrl(*location);
  auto resolved = manager->ResolvePath(StringC::FromUtf8(path), location.get());
  Check(resolved != nullptr);
  // Texts travel as Unicode strings: invalid UTF-8 is replaced, so compare only valid text.
  const bool valid = StringC::FromUtf8(url).ToUtf8() == url &&
                     StringC::FromUtf8(path).ToUtf8() == std::string(path);
  if (valid && url.find("$(") == std::string::npos && path.find("$(") == std::string_view::npos) {
    Check(resolved->UrlText().compare(0, url.size(), url) == 0);
  }
  (void)manager->ResolveByRule(StringC::FromUtf8(path), location.get());

  // Priorities against a few fixed ones.
  LkiServerArrayC array;
  const char* priorities[] = {"50", "-3", "101", "x"};
  for (const char* p : priorities) {
    LkiLocationRefC other(new LkiServerLocationC(p), true);
    other->Set("Priority", p);
    const int32_t ab = LkiServerArrayC::ComparePriority(location.get(), other.get());
    const int32_t ba = LkiServerArrayC::ComparePriority(other.get(), location.get());
    Check(ab == -ba && ab >= -1 && ab <= 1);
    array.Insert(other.get());
  }
  array.Insert(location.get());
  for (size_t i = 1; i < array.Count(); ++i) {
    Check(LkiServerArrayC::ComparePriority(array.At(i - 1), array.At(i)) <= 0);
  }
  resolved.reset();
  manager->Release();
  getErrBuf()->Clear();
  return 0;
}
