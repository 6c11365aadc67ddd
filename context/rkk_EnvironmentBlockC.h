// rkk_EnvironmentBlockC: the environment block of a child process - a null-terminated array of
// "NAME=value" texts, all owned by this object - and MakeEnvironmentBlock, which builds it.
#ifndef QLM_CONTEXT_RKK_ENVIRONMENTBLOCKC_H_
#define QLM_CONTEXT_RKK_ENVIRONMENTBLOCKC_H_

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

class rkk_VariableListC;

class rkk_EnvironmentBlockC {
 public:
  // An empty block (just the terminating null).
  rkk_EnvironmentBlockC();
  rkk_EnvironmentBlockC(rkk_EnvironmentBlockC&&) noexcept = default;
  rkk_EnvironmentBlockC& operator=(rkk_EnvironmentBlockC&&) noexcept = default;
  rkk_EnvironmentBlockC(const rkk_EnvironmentBlockC&) = delete;
  rkk_EnvironmentBlockC& operator=(const rkk_EnvironmentBlockC&) = delete;
  ~rkk_EnvironmentBlockC();

  // The null-terminated array, valid while this object lives and is not changed (suitable for
  // execve). Never null.
  char* const* Get() const noexcept { return array_.data(); }
  // Number of texts, not counting the terminating null.
  size_t Count() const noexcept { return array_.size() - 1; }
  // Appends a copy of `text`.
  void Append(std::string_view text);
  // Appends "name=value" (value null: empty).
  void Append(const char* name, const char* value);

 private:
  std::vector<std::unique_ptr<char[]>> texts_;
  std::vector<char*> array_;  // texts_' pointers, then null
};

// The environment block for a child process given `variables` (null: none):
//   - the base is rkk_VariableListC::s_asEnviron, or the process environment, ordered by name;
//   - every parameter of the current deployment context's environment is taken as an exported,
//     overriding variable (name and raw value in the system 8-bit encoding), followed by the
//     given variables; equal variables count once;
//   - walking the variables in their list order, each exported one goes in at its name's place:
//     when a base entry has that name, the variable's text replaces it if the variable
//     overrides, else the base entry is kept; a variable whose name was just put in is skipped.
//     Variables that are not exported are ignored, as are names that are empty or hold "=";
//   - the remaining base entries follow.
// The process environment array is not changed.
rkk_EnvironmentBlockC MakeEnvironmentBlock(const rkk_VariableListC* variables);

#endif  // QLM_CONTEXT_RKK_ENVIRONMENTBLOCKC_H_
