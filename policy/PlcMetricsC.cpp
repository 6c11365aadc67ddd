#include "policy/PlcMetricsC.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <system_error>

namespace {

struct MetricS {
  const char* name;
  const char* help;
};

// Every family is a gauge: each sample is the state after the last run, not a running count.
constexpr MetricS kMetrics[] = {
    {PlcMetricsC::c_LastRunTime, "Time the last run started, in seconds since the epoch."},
    {PlcMetricsC::c_Duration, "Duration of the last run in seconds."},
    {PlcMetricsC::c_ExitCode, "Exit code of the last run (0 success, 1 failure)."},
    {PlcMetricsC::c_AgentExitCode,
     "Exit status of the installation agent in the last run; -1 when it did not run or did "
     "not exit normally."},
    {PlcMetricsC::c_LastSuccessTime,
     "Time the last successful run ended, in seconds since the epoch; 0 when none is known."},
    {PlcMetricsC::c_RefusedByLock,
     "1 when the last run was refused because another run held the lock, else 0."},
};

bool IsKnownMetric(std::string_view name) {
  for (const MetricS& metric : kMetrics) {
    if (name == metric.name) return true;
  }
  return false;
}

bool IsLabelValue(std::string_view text) {
  if (text.empty() || text.size() > 32) return false;
  for (const char c : text) {
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  }
  return true;
}

// A decimal number that strtod reads whole and that is finite.
bool IsFiniteNumber(std::string_view text) {
  if (text.empty() || text.size() > 64) return false;
  for (const char c : text) {
    if (!((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E')) {
      return false;
    }
  }
  const std::string copy(text);
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);
  return end == copy.c_str() + copy.size() && std::isfinite(value);
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace

PlcMetricsC::SamplesT PlcMetricsC::Parse(std::string_view text) {
  SamplesT samples;
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    std::string_view line = Trim(text.substr(0, newline));
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    if (line.empty() || line.front() == '#') continue;

    // name{policy_type="Value"} number [timestamp is not written by us and not accepted]
    const size_t brace = line.find('{');
    if (brace == std::string_view::npos) continue;
    const std::string_view name = line.substr(0, brace);
    if (!IsKnownMetric(name)) continue;
    const std::string prefix = std::string(c_Label) + "=\"";
    std::string_view rest = line.substr(brace + 1);
    if (rest.substr(0, prefix.size()) != prefix) continue;
    rest.remove_prefix(prefix.size());
    const size_t quote = rest.find('"');
    if (quote == std::string_view::npos) continue;
    const std::string_view label = rest.substr(0, quote);
    rest.remove_prefix(quote + 1);
    if (rest.empty() || rest.front() != '}') continue;
    rest.remove_prefix(1);
    const std::string_view value = Trim(rest);
    if (!IsLabelValue(label) || !IsFiniteNumber(value)) continue;
    samples[std::string(name)][std::string(label)] = std::string(value);
  }
  return samples;
}

std::string PlcMetricsC::FormatValue(double value) {
  if (!std::isfinite(value)) return "0";
  // The shortest text that reads back as the same value, in fixed notation unless the
  // scientific one is shorter: what std::to_chars writes, whose floating-point code would
  // make the program load the maths library at every start for this one line.
  char scientific[32];
  int digits = 1;
  for (; digits <= 17; ++digits) {
    std::snprintf(scientific, sizeof scientific, "%.*e", digits - 1, value);
    if (std::strtod(scientific, nullptr) == value) break;
  }
  const int exponent = std::atoi(std::strchr(scientific, 'e') + 1);
  if (exponent > 40 || exponent < -40) return scientific;
  char fixed[96];
  std::snprintf(fixed, sizeof fixed, "%.*f", std::max(0, digits - 1 - exponent), value);
  return std::strlen(fixed) <= std::strlen(scientific) ? fixed : scientific;
}

std::string PlcMetricsC::Render(const PlcRunMetricsS& run, std::string_view previous) {
  SamplesT samples = Parse(previous);
  const std::string type = IsLabelValue(run.policyType) ? run.policyType : "Unknown";

  const auto& successes = samples[c_LastSuccessTime];
  std::string lastSuccess = "0";
  if (const auto found = successes.find(type); found != successes.end()) {
    lastSuccess = found->second;
  }
  if (run.exitCode == 0) lastSuccess = FormatValue(run.startTime + run.duration);

  samples[c_LastRunTime][type] = FormatValue(run.startTime);
  samples[c_Duration][type] = FormatValue(run.duration);
  samples[c_ExitCode][type] = std::to_string(run.exitCode);
  samples[c_AgentExitCode][type] = std::to_string(run.agentExitCode);
  samples[c_LastSuccessTime][type] = lastSuccess;
  samples[c_RefusedByLock][type] = run.refusedByLock ? "1" : "0";

  std::string out;
  for (const MetricS& metric : kMetrics) {
    out += "# HELP ";
    out += metric.name;
    out += ' ';
    out += metric.help;
    out += "\n# TYPE ";
    out += metric.name;
    out += " gauge\n";
    for (const auto& [label, value] : samples[metric.name]) {
      out += metric.name;
      out += '{';
      out += c_Label;
      out += "=\"";
      out += label;
      out += "\"} ";
      out += value;
      out += '\n';
    }
  }
  return out;
}
