// Preference file parser: arbitrary bytes in every mode. Checks that a non-strict parse keeps
// only well-formed names, and that the text written back parses to the same lookups.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "env/PrefsC.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool strict = (data[0] & 1) != 0;
  const bool continuations = (data[0] & 2) != 0;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

  PrefsC prefs("fuzz");
  size_t bad = 0;
  const bool ok = prefs.ParseText(text, strict, continuations, &bad);
  if (!ok && !prefs.Sections().empty()) std::abort();
  for (const PrefsC::SectionS& section : prefs.Sections()) {
    if (section.name.empty() || prefs::Strip(section.name) != section.name) std::abort();
    for (const PrefsC::EntryS& entry : section.entries) {
      if (entry.key.empty() || prefs::Strip(entry.key) != entry.key) std::abort();
      if (prefs::Strip(entry.value) != entry.value) std::abort();
      // Every stored entry is found again (the first of its name wins within a section).
      const std::string* found = prefs.Find(section.name, entry.key);
      if (found == nullptr) std::abort();
    }
  }

  // The written form reads back to the same values, except for names that the line form
  // cannot carry ("]" in a section name, "=" in a key, a leading ";" or "[").
  const std::string written = prefs.ToText();
  PrefsC again("again");
  if (!again.ParseText(written, false, false)) std::abort();
  for (const PrefsC::SectionS& section : prefs.Sections()) {
    if (section.name.find(']') != std::string::npos) continue;
    for (const PrefsC::EntryS& entry : section.entries) {
      if (entry.key.find('=') != std::string::npos || entry.key[0] == ';' || entry.key[0] == '[') {
        continue;
      }
      const std::string* mine = prefs.Find(section.name, entry.key);
      const std::string* theirs = again.Find(section.name, entry.key);
      if (mine == nullptr || theirs == nullptr || *mine != *theirs) std::abort();
    }
  }
  return 0;
}
