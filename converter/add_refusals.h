// The files an add left out and why, so that a file the converter cannot take is named to the
// user rather than left off the list without a word.
#pragma once

#include <deque>
#include <string>
#include <vector>

namespace converter {

class AddRefusals {
 public:
  // One add handed to the library: its paths in order, as the library answers them (it passes
  // over empty names).
  void Sent(const std::vector<std::string>& paths);
  // The library's answer for the next path of the oldest add: added, or refused with its code.
  void Answered(bool added, int code);
  // The oldest add ended, answered whole or stopped early. True when no add is left waiting:
  // the moment to tell what was refused.
  bool Ended();
  // What to tell: each refused file with its reason, or empty when every file went in. Told
  // once: what it names is forgotten.
  std::string TakeMessage();

 private:
  std::deque<std::deque<std::string>> waiting_;  // the unanswered paths of each add, oldest first
  std::vector<std::string> refused_;             // lines of the message
};

}  // namespace converter
