#include "context/rkk_EnvironmentBlockC.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "context/RKContextC.h"
#include "context/rkk_ProcessEnviron_posix.h"
#include "context/rkk_VariableListC.h"
#include "env/env_EnvironmentC.h"
#include "env/env_OptGetNames.h"

namespace {

// The name part of an environment entry: up to its first "=" (all of it when there is none).
std::string_view NameOf(const char* entry) noexcept {
  const char* eq = std::strchr(entry, '=');
  return eq != nullptr ? std::string_view(entry, static_cast<size_t>(eq - entry))
                       : std::string_view(entry);
}

}  // namespace

rkk_EnvironmentBlockC::rkk_EnvironmentBlockC() : array_{nullptr} {}

rkk_EnvironmentBlockC::~rkk_EnvironmentBlockC() = default;

void rkk_EnvironmentBlockC::Append(std::string_view text) {
  std::unique_ptr<char[]> copy(new char[text.size() + 1]);
  std::memcpy(copy.get(), text.data(), text.size());
  copy[text.size()] = '\0';
  array_.back() = copy.get();
  array_.push_back(nullptr);
  texts_.push_back(std::move(copy));
}

void rkk_EnvironmentBlockC::Append(const char* name, const char* value) {
  std::string text(name);
  text += '=';
  if (value != nullptr) text += value;
  Append(std::string_view(text));
}

rkk_EnvironmentBlockC MakeEnvironmentBlock(const rkk_VariableListC* variables) {
  // The base, ordered by name. Ordering by the name part (rather than by the whole text) keeps
  // "A=1" before "A-B=2", so a variable always meets the base entry of its own name.
  char** source = rkk_VariableListC::s_asEnviron;
  if (source == nullptr) source = rkk_ProcessEnviron();
  std::vector<const char*> base;
  for (char** p = source; p != nullptr && *p != nullptr; ++p) base.push_back(*p);
  std::stable_sort(base.begin(), base.end(),
                   [](const char* a, const char* b) { return NameOf(a) < NameOf(b); });

  // Parameters of the current environment first, as exported overriding variables, then the
  // caller's variables; the list's order and uniqueness settle duplicates.
  rkk_VariableListC merged;
  if (env_EnvironmentC* env = RKContextC::Current()->GetEnvironment()) {
    env_OptGetNames collect(merged);
    env->ForEach(collect);
  }
  if (variables != nullptr) {
    for (rkk_ListC::IteratorC it(*variables); !it.AtEnd(); it.Next()) {
      const auto* v = static_cast<const rkk_VariableC*>(it.Current());
      // A value the list's filters refuse is left out silently.
      (void)merged.AddVariable(v->GetName(), v->GetValue(), v->IsExported(), v->IsOverride());
    }
  }

  rkk_EnvironmentBlockC block;
  size_t bi = 0;
  const char* last = nullptr;  // the last text put into the block
  for (rkk_ListC::IteratorC it(merged); !it.AtEnd(); it.Next()) {
    const auto* v = static_cast<const rkk_VariableC*>(it.Current());
    const std::string_view name = v->GetName();
    if (!v->IsExported() || name.empty() || name.find('=') != std::string_view::npos) continue;
    if (last != nullptr && NameOf(last) == name) continue;
    while (bi < base.size() && NameOf(base[bi]) < name) block.Append(last = base[bi++]);
    if (bi < base.size() && NameOf(base[bi]) == name) {
      if (v->IsOverride()) {
        block.Append(v->GetName(), v->GetValue());
      } else {
        block.Append(base[bi]);
      }
      ++bi;
    } else {
      block.Append(v->GetName(), v->GetValue());
    }
    last = block.Get()[block.Count() - 1];
  }
  while (bi < base.size()) block.Append(base[bi++]);
  return block;
}
