#include "env/env_EnvironmentC.h"

#include <algorithm>

#include "env/env_ContextLinkC.h"
#include "env/env_OptResetPersistent.h"
#include "env/env_StringOps.h"

namespace {

inline unsigned char AsciiLower(unsigned char c) noexcept {
  return static_cast<unsigned char>(c - 'A') < 26u ? static_cast<unsigned char>(c + 32) : c;
}

// The lookup key of `name`: its simple lower-case mapping as UTF-8. UTF-8 sorts bytewise in
// code-point order, so comparing keys bytewise orders names exactly as CompareNoCase does.
std::string Fold(const StringC& name) {
  if (!name.IsAscii()) return name.ToLower().ToUtf8();
  const std::string_view v = name.Utf8View();
  std::string key(v.size(), '\0');
  for (size_t i = 0; i < v.size(); ++i) {
    key[i] = static_cast<char>(AsciiLower(static_cast<unsigned char>(v[i])));
  }
  return key;
}

// Compares a folded key with an ASCII name folded on the fly (no allocation on the common path).
int CompareFoldedAscii(std::string_view folded, std::string_view ascii) noexcept {
  const size_t n = std::min(folded.size(), ascii.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char a = static_cast<unsigned char>(folded[i]);
    const unsigned char b = AsciiLower(static_cast<unsigned char>(ascii[i]));
    if (a != b) return a < b ? -1 : 1;
  }
  return folded.size() < ascii.size() ? -1 : (folded.size() > ascii.size() ? 1 : 0);
}

int CompareBytes(std::string_view a, std::string_view b) noexcept {
  const int r = a.compare(b);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

const StringC& FixedSuffix() {
  static const StringC* const s = new StringC("Fixed", StringC::CC_ASCII);
  return *s;
}

const StringC& FxdSuffix() {
  static const StringC* const s = new StringC("Fxd", StringC::CC_ASCII);
  return *s;
}

}  // namespace

env_EnvironmentC::env_EnvironmentC() = default;

env_EnvironmentC::env_EnvironmentC(env_EnvironmentC* parent) : parent_(parent) {
  if (parent == nullptr) return;
  entries_.reserve(parent->entries_.size());
  for (const EntryS& e : parent->entries_) {
    entries_.push_back(EntryS{e.folded, e.name, e.ref->Clone()});
  }
  env_OptResetPersistent reset;
  ForEach(reset);
}

env_EnvironmentC::~env_EnvironmentC() = default;

size_t env_EnvironmentC::LocateAscii(std::string_view name, bool* found) const {
  // Fold once into a stack buffer so that each probe is a plain byte comparison; names longer
  // than the buffer are folded on the fly while comparing.
  char buffer[128];
  const bool folded = name.size() <= sizeof buffer;
  if (folded) {
    for (size_t i = 0; i < name.size(); ++i) {
      buffer[i] = static_cast<char>(AsciiLower(static_cast<unsigned char>(name[i])));
    }
  }
  const std::string_view q = folded ? std::string_view(buffer, name.size()) : name;
  size_t lo = 0;
  size_t hi = entries_.size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    const int c = folded ? CompareBytes(entries_[mid].folded, q)
                         : CompareFoldedAscii(entries_[mid].folded, q);
    if (c == 0) {
      *found = true;
      return mid;
    }
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  *found = false;
  return lo;
}

size_t env_EnvironmentC::Locate(const StringC& name, bool* found) const {
  if (name.IsAscii()) return LocateAscii(name.Utf8View(), found);
  const std::string q = Fold(name);
  size_t lo = 0;
  size_t hi = entries_.size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    const int c = CompareBytes(entries_[mid].folded, q);
    if (c == 0) {
      *found = true;
      return mid;
    }
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  *found = false;
  return lo;
}

RklEnvParamI* env_EnvironmentC::FindUtf8(std::string_view name) {
  const bool ascii = std::all_of(name.begin(), name.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  bool found = false;
  const size_t at = ascii ? LocateAscii(name, &found) : Locate(StringC::FromUtf8(name), &found);
  return found ? entries_[at].ref.get() : nullptr;
}

size_t env_EnvironmentC::UpperBound(std::string_view folded) const {
  const auto it = std::upper_bound(
      entries_.begin(), entries_.end(), folded,
      [](std::string_view key, const EntryS& e) { return CompareBytes(key, e.folded) < 0; });
  return static_cast<size_t>(it - entries_.begin());
}

env_ParamRefC* env_EnvironmentC::Lookup(const StringC& name) const {
  bool found = false;
  const size_t at = Locate(name, &found);
  return found ? entries_[at].ref.get() : nullptr;
}

bool env_EnvironmentC::Exists(const StringC& name) const {
  return Lookup(name) != nullptr;
}

bool env_EnvironmentC::CompanionLocks(const StringC& name, const StringC& suffix) const {
  env_ParamRefC* companion = Lookup(name + suffix);
  return companion != nullptr && ParseBool(companion->GetValue(), false);
}

bool env_EnvironmentC::SetValue(const StringC& name, const StringC& value) {
  if (lock_check_ && Exists(name)) {
    if (CompanionLocks(name, FixedSuffix()) || CompanionLocks(name, FxdSuffix())) return false;
  }
  GetParam(env_EnvOptsC(name)).SetValue(value);
  return true;
}

RklEnvParamI& env_EnvironmentC::GetParam(const env_EnvOptsC& key) {
  const StringC name = key.GetName();
  bool found = false;
  const size_t at = Locate(name, &found);
  if (found) return *entries_[at].ref;
  auto ref = std::make_unique<env_ParamRefC>(key);
  env_ParamRefC& result = *ref;
  entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at),
                  EntryS{Fold(name), name, std::move(ref)});
  ++generation_;
  return result;
}

RklEnvParamI& env_EnvironmentC::FindParam(const env_EnvOptsC& key) {
  env_ParamRefC* ref = Lookup(key.GetName());
  return ref != nullptr ? static_cast<RklEnvParamI&>(*ref) : NullParam();
}

void env_EnvironmentC::Remove(const StringC& name) {
  bool found = false;
  const size_t at = Locate(name, &found);
  if (!found) return;
  // Taken out of the vector before it is destroyed, so the entries are consistent even if a
  // lazy evaluator's destructor were to look at this environment.
  std::unique_ptr<env_ParamRefC> doomed = std::move(entries_[at].ref);
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(at));
  ++generation_;
}

env_EnvironmentI& env_EnvironmentC::ChainStart() {
  env_EnvironmentI* current = env_ContextLinkC::CurrentEnvironment();
  return current != nullptr ? *current : *this;
}

void env_EnvironmentC::Propagate(const env_EnvOptsC& key) {
  env_EnvironmentI& start = ChainStart();
  RklEnvParamI& source = start.GetParam(key);
  for (env_EnvironmentI* up = start.GetParent(); up != nullptr; up = up->GetParent()) {
    if (source.IsEmpty()) return;  // no values to copy (a single empty value adds nothing)
    RklEnvParamI& target = up->GetParam(key);
    source.MoveFirst();
    for (;;) {
      // A value the list's filters refuse is left out silently.
      (void)target.AddValue(source.GetValue());
      if (source.IsLast()) break;
      source.MoveNext();
    }
  }
}

void env_EnvironmentC::SetInAll(const env_EnvOptsC& key, const StringC& value) {
  for (env_EnvironmentI* e = &ChainStart(); e != nullptr; e = e->GetParent()) {
    e->GetParam(key).SetValue(value);
  }
}

void env_EnvironmentC::SetOptionInAll(const env_EnvOptsC& key, uint64_t mask) {
  const StringC name = key.GetKey();
  for (env_EnvironmentI* e = &ChainStart(); e != nullptr; e = e->GetParent()) {
    if (e->Exists(name)) e->GetParam(key).GetOptions().SetOption(mask, true);
  }
}

void env_EnvironmentC::ForEach(env_OptFunctionI& visitor) {
  size_t i = 0;
  while (i < entries_.size()) {
    const uint64_t generation = generation_;
    const StringC name = entries_[i].name;  // kept: the visitor may remove the entry
    if (!visitor.Apply(name, *entries_[i].ref)) return;
    if (generation == generation_) {
      ++i;
    } else {
      i = UpperBound(Fold(name));
    }
  }
}
