// One side program (the converter or the uploader) as the main window knows it: its key, its
// link message, and its window once it has announced itself. Every send is bounded, so a side
// program that hangs or dies never freezes the main window; one that does not answer counts as
// gone.
#pragma once

#include <string>

#include "platform/base/win_types.h"

namespace studio {

class SideProgramLink {
 public:
  SideProgramLink(const char* key, UINT message) : key_(key), message_(message) {}

  const char* Key() const { return key_; }
  UINT Message() const { return message_; }
  HWND Window() const { return window_; }
  bool Running() const { return window_ != nullptr; }

  // Tells the side program where the main window is (and, for the converter, the output folder).
  void Register(HWND main, const std::string& outFolder = {});
  // PUBLISH_READY: the window the side program wrote in its key is kept; true when there is one.
  bool Link();
  void Forget() { window_ = nullptr; }
  // True when the side program answers the ping as a running one should; otherwise it is
  // forgotten.
  bool Ping();
  // A code the side program must have seen before the main window goes on; false (and the
  // program forgotten) when it did not answer in time.
  bool Send(WPARAM code, LPARAM argument = 0);
  void Post(WPARAM code, LPARAM argument);
  // The file being rendered for the side program.
  void SetRenderedFile(const std::string& path);

 private:
  bool SendBounded(WPARAM code, LPARAM argument, DWORD_PTR* answer);

  const char* key_;
  UINT message_;
  HWND window_ = nullptr;
};

}  // namespace studio
