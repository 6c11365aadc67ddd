// Helpers shared by the network tests: a host interface with settings and time-out of the
// test's choosing, and a clock the test moves by hand.
#ifndef QLM_TESTS_NET_NETTESTSUPPORT_H_
#define QLM_TESTS_NET_NETTESTSUPPORT_H_

#include <ctime>
#include <map>
#include <optional>
#include <string>

#include "net/NetIfC.h"

class TestNetIfC : public NetIfC {
 public:
  std::optional<std::string> GetSetting(const char* name) override {
    const auto it = settings.find(name);
    if (it == settings.end()) return std::nullopt;
    return it->second;
  }
  long GetTimeout() override { return timeout; }

  std::map<std::string, std::string> settings;
  long timeout = 30;
};

// The hand-moved clock (seconds).
inline time_t g_test_now = 1000;
inline time_t TestClock() {
  return g_test_now;
}

#endif  // QLM_TESTS_NET_NETTESTSUPPORT_H_
