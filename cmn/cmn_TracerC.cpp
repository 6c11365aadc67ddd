#include "cmn/cmn_TracerC.h"

#include <stdlib.h>
#include <time.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include <fcntl.h>

#include "cmn/cmn_ControlEscape.h"
#include "cmn/cmn_ErrMarkC.h"
#include "cmn/cmn_File_posix.h"
#include "cmn/cmn_Formatter.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_Services.h"

namespace {

constexpr int kStderrFd = 2;

constinit std::atomic<cmn_TracerC::TextFilterT> g_TextFilter{nullptr};

std::string_view EnvValue(const char* variable) {
  const char* value = ::secure_getenv(variable);
  return value ? std::string_view(value) : std::string_view();
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// A category name as matched: without its leading detail digit.
std::string_view MatchName(std::string_view name) {
  if (!name.empty() && name.front() >= '0' && name.front() <= '9') name.remove_prefix(1);
  return name;
}

// Appends "YYYY-MM-DDThh:mm:ss.uuuuuuZ <pid>.<tid> " for now.
void AppendRecordHead(std::string* out) {
  struct timespec now = {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  struct tm utc = {};
  ::gmtime_r(&now.tv_sec, &utc);
  char head[96];
  int n = std::snprintf(head, sizeof head, "%04d-%02d-%02dT%02d:%02d:%02d.%06ldZ %ld.%ld ",
                        utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min,
                        utc.tm_sec, static_cast<long>(now.tv_nsec / 1000), cmn_ProcessId(),
                        cmn_ThreadId());
  if (n > 0) out->append(head, static_cast<size_t>(n) < sizeof head ? n : sizeof head - 1);
}

}  // namespace

cmn_TracerI* getTracer(int version) {
  if (version != 2) return nullptr;
  return &cmn_TracerC::Instance();
}

bool cmn_TraceIsOn(cmn_TraceCategoryS& category) noexcept {
  std::atomic<int32_t>* flag = category.flag.load(std::memory_order_acquire);
  if (flag != nullptr) return flag->load(std::memory_order_relaxed) != 0;
  cmn_TracerI* tracer = getTracer(2);
  return tracer != nullptr && tracer->IsEnabled(category.name, &category) != 0;
}

cmn_TracerC& cmn_TracerC::Instance() {
  // Never destroyed: category records in other static objects may point at its flags until
  // the very end of the process.
  static cmn_TracerC* const instance = new cmn_TracerC();
  return *instance;
}

cmn_TracerC::cmn_TracerC() : cmn_TracerC(EnvValue("QLMTRACE"), EnvValue("QLMTRACEFILE")) {}

cmn_TracerC::cmn_TracerC(std::string_view categories, std::string_view destination)
    : rules_(ParseRules(categories)), sink_(MakeSink(destination)) {}

cmn_TracerC::~cmn_TracerC() = default;

cmn_TracerC::SinkC::~SinkC() {
  if (owned_) cmn_Close(fd_);
}

std::vector<cmn_TracerC::RuleS> cmn_TracerC::ParseRules(std::string_view text) {
  std::vector<RuleS> rules;
  while (!text.empty()) {
    size_t comma = text.find(',');
    std::string_view entry = Trim(text.substr(0, comma));
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);

    RuleS rule;
    if (!entry.empty() && entry.front() == '-') {
      rule.enable = false;
      entry = Trim(entry.substr(1));
    }
    if (entry == "*") {
      rule.all = true;
    } else {
      // The detail digit is ignored on both sides, so "2Policy/Client/RPL" as written in the
      // category list also matches; a trailing "/" names the same subtree.
      entry = MatchName(entry);
      while (!entry.empty() && entry.back() == '/') entry.remove_suffix(1);
      if (entry.empty()) continue;
      rule.prefix.assign(entry);
    }
    rules.push_back(std::move(rule));
  }
  return rules;
}

bool cmn_TracerC::RulesEnable(const std::vector<RuleS>& rules, std::string_view name) noexcept {
  name = MatchName(name);
  bool enabled = false;
  for (const RuleS& rule : rules) {  // later entries win
    if (rule.all || name == rule.prefix ||
        (name.size() > rule.prefix.size() && name.starts_with(rule.prefix) &&
         name[rule.prefix.size()] == '/')) {
      enabled = rule.enable;
    }
  }
  return enabled;
}

void cmn_TracerC::SetTextFilter(TextFilterT filter) noexcept {
  g_TextFilter.store(filter, std::memory_order_release);
}

std::unique_ptr<cmn_TracerC::SinkC> cmn_TracerC::MakeSink(std::string_view destination) {
  if (!destination.empty() && destination != "stderr" && destination != "-") {
    cmn_ErrMarkC mark;
    cmn_UniqueFdC fd;
    const RcT rc = cmn_SafeOpen(destination, O_WRONLY | O_APPEND | O_CREAT, 0600, &fd);
    std::string why = mark.TakeLastText();
    if (rc == RC_OK) why.clear();
    if (rc == RC_OK) return std::make_unique<SinkC>(fd.Release(), true);
    std::string line = "trace file '";
    line.append(destination);
    line += "' not used (";
    if (why.empty() && (rc & 0xFFFF0000u) == RC_OS_BASE) why = std::strerror(rc & 0xFFFF);
    line += why.empty() ? "cannot open it" : why;
    line += "); tracing to standard error";
    // Edits in place; how much it changed is not needed.
    (void)cmn_EscapeControls(line, 0);
    line += '\n';
    // Best effort: standard error is the last place to say it.
    (void)cmn_WriteAll(kStderrFd, line.data(), line.size());
  }
  return std::make_unique<SinkC>(kStderrFd, false);
}

std::atomic<int32_t>* cmn_TracerC::FlagFor(const char* name) {
  cmn_MutexLockC lock(mutex_);
  auto it = flags_.find(std::string_view(name));
  if (it == flags_.end()) {
    it = flags_
             .emplace(std::piecewise_construct, std::forward_as_tuple(name),
                      std::forward_as_tuple(0))
             .first;
    it->second.store(RulesEnable(rules_, name) ? 1 : 0, std::memory_order_relaxed);
  }
  return &it->second;
}

int cmn_TracerC::IsEnabled(const char* name, cmn_TraceCategoryS* category) noexcept {
  if (category != nullptr) {
    std::atomic<int32_t>* flag = category->flag.load(std::memory_order_acquire);
    if (flag != nullptr) return flag->load(std::memory_order_relaxed);
    if (name == nullptr) name = category->name;
  }
  if (name == nullptr) return 0;
  std::atomic<int32_t>* flag = FlagFor(name);
  // Every record of one name receives the same flag, so a racing store writes the same value.
  if (category != nullptr) category->flag.store(flag, std::memory_order_release);
  return flag->load(std::memory_order_relaxed);
}

void cmn_TracerC::Trace(const char* name, cmn_TraceCategoryS* category, const char* format,
                        const cmn_ArgsI* args) noexcept {
  if (IsEnabled(name, category) == 0) return;
  if (name == nullptr) name = category->name;  // IsEnabled is 0 when both are null

  std::string line;
  line.reserve(128);
  AppendRecordHead(&line);
  line += name;
  line += ": ";
  size_t textStart = line.size();
  cmn_FormatAppend(&line, format ? std::string_view(format) : std::string_view(), args);
  if (TextFilterT filter = g_TextFilter.load(std::memory_order_acquire)) filter(line, textStart);
  // One record is one line: control characters inside the text (catalog texts and arguments
  // come from outside) are escaped ("\n", "\x1b").
  (void)cmn_EscapeControls(line, textStart);
  line += '\n';

  cmn_MutexLockC lock(write_mutex_);
  (void)cmn_WriteAll(sink_->Fd(), line.data(), line.size());  // a failed write drops the record
}

void cmn_TracerC::Configure(std::string_view categories, std::string_view destination) {
  std::vector<RuleS> rules = ParseRules(categories);
  std::unique_ptr<SinkC> sink = destination.empty() ? nullptr : MakeSink(destination);
  cmn_MutexLockC lock(mutex_);
  // The destination changes first, so records of newly enabled categories reach the new one.
  // The replaced sink (now in `sink`) closes its file when this function returns.
  if (sink) {
    cmn_MutexLockC writeLock(write_mutex_);
    sink_.swap(sink);
  }
  rules_ = std::move(rules);
  for (auto& [flagName, flag] : flags_) {
    flag.store(RulesEnable(rules_, flagName) ? 1 : 0, std::memory_order_relaxed);
  }
}
