// The wall-clock time that names files ("DVD_%H%M%S"). The real local time unless a test sets
// one, so names built from it can be checked.
#pragma once

#include <ctime>
#include <string>

namespace platform {

class LocalTimeSource {
 public:
  virtual ~LocalTimeSource() = default;
  virtual std::tm Now() const = 0;
};

// The source in use; never null. SetLocalTimeSource(nullptr) puts the real one back and returns
// the previous source. The caller keeps an installed source alive while it is current.
LocalTimeSource& CurrentLocalTimeSource();
LocalTimeSource* SetLocalTimeSource(LocalTimeSource* source);

// The current local time, broken down.
std::tm LocalNow();
// strftime of the current local time; "" when the result would not fit 256 bytes.
std::string FormatLocalNow(const char* format);

// Always the same moment, for tests; Set moves it.
class FixedLocalTime final : public LocalTimeSource {
 public:
  FixedLocalTime(int year, int month, int day, int hour, int minute, int second);
  std::tm Now() const override { return time_; }
  void Set(int year, int month, int day, int hour, int minute, int second);

 private:
  std::tm time_{};
};

class ScopedLocalTime {
 public:
  explicit ScopedLocalTime(LocalTimeSource& source) : previous_(SetLocalTimeSource(&source)) {}
  ~ScopedLocalTime() { SetLocalTimeSource(previous_); }
  ScopedLocalTime(const ScopedLocalTime&) = delete;
  ScopedLocalTime& operator=(const ScopedLocalTime&) = delete;

 private:
  LocalTimeSource* previous_;
};

}  // namespace platform
