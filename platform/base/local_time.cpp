#include "platform/base/local_time.h"

#include <atomic>

namespace platform {
namespace {

class SystemLocalTime final : public LocalTimeSource {
 public:
  std::tm Now() const override {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return local;
  }
};

SystemLocalTime g_system;
std::atomic<LocalTimeSource*> g_current{nullptr};

}  // namespace

LocalTimeSource& CurrentLocalTimeSource() {
  LocalTimeSource* source = g_current.load();
  return source ? *source : g_system;
}

LocalTimeSource* SetLocalTimeSource(LocalTimeSource* source) {
  LocalTimeSource* previous = g_current.exchange(source);
  return previous ? previous : &g_system;
}

std::tm LocalNow() { return CurrentLocalTimeSource().Now(); }

std::string FormatLocalNow(const char* format) {
  const std::tm now = LocalNow();
  char text[256];
  const std::size_t length = std::strftime(text, sizeof text, format, &now);
  return std::string(text, length);
}

FixedLocalTime::FixedLocalTime(int year, int month, int day, int hour, int minute, int second) {
  Set(year, month, day, hour, minute, second);
}

void FixedLocalTime::Set(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  // Normalises the fields and fills the weekday and day of the year that %a and %j print.
  std::tm copy = t;
  if (::timegm(&copy) != -1) t = copy;
  time_ = t;
}

}  // namespace platform
