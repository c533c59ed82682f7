#include "platform/dshow/device_problem.h"

#include <cstdio>
#include <mutex>

#include "platform/base/debug_output.h"

namespace platform::dshow {
namespace {
std::mutex problemMutex;
std::string latestProblem;
}  // namespace

void ReportDeviceProblem(const std::string& text) {
  std::fprintf(stderr, "vidarro: %s\n", text.c_str());
  ::OutputDebugString((text + "\n").c_str());
  std::lock_guard lock(problemMutex);
  latestProblem = text;
}

std::string TakeDeviceProblem() {
  std::lock_guard lock(problemMutex);
  std::string taken;
  taken.swap(latestProblem);
  return taken;
}

std::string WithDeviceProblem(const std::string& message) {
  const std::string problem = TakeDeviceProblem();
  return problem.empty() ? message : message + "\n\n" + problem;
}

}  // namespace platform::dshow
