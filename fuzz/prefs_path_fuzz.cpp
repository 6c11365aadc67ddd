// Search-path expansion with an arbitrary path and arbitrary environment values: no element may
// exceed the 4096-byte buffer, and an overflow must leave an empty, incomplete list.
//
// Input: the path, then up to five NUL-separated values for OUIPREFSPATH, OUIBASE, LANG, the
// cache directory and the process variable "V".
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "env/PrefsPathC.h"

namespace {

class FuzzContextC final : public PrefsPathContextI {
 public:
  explicit FuzzContextC(const std::vector<std::string>& values) : values_(values) {}
  bool GetEnv(const char* name, std::string* value) override {
    const std::string_view n(name);
    if (n == "OUIPREFSPATH") return Value(0, value);
    if (n == "OUIBASE") return Value(1, value);
    if (n == "LANG") return Value(2, value);
    return false;
  }
  bool ProcessEnv(const char* name, std::string* value) override {
    // Every name is set, so long variable chains are exercised.
    return std::string_view(name) == "V" ? Value(4, value) : Value(1, value);
  }
  bool CacheDirectory(std::string* value) override { return Value(3, value); }
  bool CurrentDirectory(std::string* value) override {
    *value = "/cwd";
    return true;
  }
  void CannotExpand(std::string_view, std::string_view) override {}

 private:
  bool Value(size_t index, std::string* value) const {
    if (index >= values_.size()) return false;
    *value = values_[index];
    return true;
  }
  const std::vector<std::string>& values_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> parts;
  size_t pos = 0;
  while (parts.size() < 6) {
    const size_t end = input.find('\0', pos);
    parts.emplace_back(
        input.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos));
    if (end == std::string_view::npos) break;
    pos = end + 1;
  }
  const std::string path = parts[0];
  const std::vector<std::string> values(parts.begin() + 1, parts.end());

  PrefsTaskInfoS task;
  task.program_name = "qlmpolicy";
  task.home = std::string(2000, 'h');  // long enough that codes can overflow the buffer
  task.start_dir = "/start";
  task.task_name = "QlmPolicy";
  task.task_name_lower = "qlmpolicy";
  task.version_text = "450";
  FuzzContextC context(values);
  PrefsPathC expander(task, context);
  PrefsPathC::InputS in;
  in.path = path;
  in.variable = "OUIPREFSPATH";
  in.file_name = task.program_name;
  in.suffix = "rc";
  const std::string found_in = "/etc/file.rc";
  in.found_in = &found_in;
  PrefsPathListC list;
  const bool ok = expander.Expand(in, &list);
  if (!ok && (list.Size() != 0 || list.complete)) std::abort();
  for (size_t i = 0; i < list.Size(); ++i) {
    const std::string& item = list.Items()[i];
    if (item.empty() || item.size() > PrefsPathC::c_MaxText) std::abort();
    for (size_t j = 0; j < i; ++j) {
      if (list.Items()[j] == item) std::abort();
    }
  }
  return 0;
}
