// The configuration store's file parser: parsing and writing back is byte-exact, edits keep
// every other value as it read, what an edit wrote parses back to the values it was given, and
// writing the same value again changes no byte.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cmn/cmn_IniDocumentC.h"
#include "cmn/cmn_RegistryI.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;
  std::string_view input(reinterpret_cast<const char*>(data), size);

  cmn_IniDocumentC doc;
  doc.Parse(input);
  if (doc.Serialize() != input) std::abort();

  // A section, a name and a text taken from the input itself.
  std::string section(input.substr(0, std::min<size_t>(size, 12)));
  std::string name(input.substr(size / 3, std::min<size_t>(size / 3, 8)));
  std::string text(input.substr(size / 2));
  cmn_RegValueS value;
  value.type = (size % 2) ? cmn_kRegSz : cmn_kRegMultiSz;
  value.texts.push_back(text);
  if (value.type == cmn_kRegMultiSz) value.texts.push_back(name);

  if (doc.SetValue(section, name, value)) {
    cmn_IniDocumentC again;
    again.Parse(doc.Serialize());
    const cmn_RegValueS* back = again.FindValue(section, name);
    if (back == nullptr || *back != value) std::abort();
    if (again.BadLines().size() != doc.BadLines().size()) std::abort();
    // Every other value reads as before the edit.
    cmn_IniDocumentC before;
    before.Parse(input);
    const std::string edited_section =
        cmn_IniDocumentC::Fold(cmn_IniDocumentC::NormalisePath(section));
    for (const auto& sec : before.Sections()) {
      for (const auto& v : sec.values) {
        if (cmn_IniDocumentC::Fold(sec.name) == edited_section &&
            cmn_IniDocumentC::Fold(v.name) == cmn_IniDocumentC::Fold(name)) {
          continue;
        }
        const cmn_RegValueS* now = again.FindValue(sec.name, v.name);
        if (now == nullptr || *now != v.value) std::abort();
      }
    }
    // The same write again is no change at all.
    const std::string written = again.Serialize();
    if (!again.SetValue(section, name, value) || again.Serialize() != written) std::abort();
    if (again.DeleteValue(section, name) && again.FindValue(section, name) != nullptr) std::abort();
  }
  return 0;
}
