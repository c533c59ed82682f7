// How a program comes to show its windows: a desktop front end registers its starter, program
// start-up runs it. Without one, with VIDARRO_HEADLESS=1, or when the starter finds no desktop,
// the program stays headless.
#pragma once

#include <string>

namespace platform {

struct PresenterStarter {
  // Installs a presenter for the program named programName; false when there is no desktop.
  bool (*start)(const std::string& programName) = nullptr;
  // Removes it again, closing what it opened.
  void (*stop)() = nullptr;
};

void RegisterPresenterStarter(const PresenterStarter& starter);
// True when windows are shown from now on.
bool StartPresenter(const std::string& programName);
void StopPresenter();

}  // namespace platform
