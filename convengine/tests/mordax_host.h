// A converter-like host for module tests: loads Mordax.so from the application folder by name,
// owns a window on the test thread that receives the replies, and frees what the replies carry.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "convengine/mordax_api.h"
#include "convengine/tests/reply_codes.h"

namespace mordax::test {

struct HostReply : ReplyRecord {
  // From a Qn_MediaInfo reply: source path, container format, picture width, audio streams.
  std::string mediaPath;
  std::string mediaFormat;
  int mediaWidth = 0;
  int mediaAudioStreams = 0;
};

class MordaxHost {
 public:
  MordaxHost();
  ~MordaxHost();

  bool Loaded() const { return module_ != nullptr; }
  HWND Window() const { return window_; }

  // Dispatches this thread's messages until a reply matches or timeoutMs pass.
  bool PumpUntil(const std::function<bool(const HostReply&)>& match, int timeoutMs = 120000);
  bool PumpUntil(int op, int status, int timeoutMs = 120000);
  void PumpFor(int ms);
  std::vector<HostReply> Replies() const;
  // As ReplyCodes without progress.
  std::string Codes() const;
  void Clear();
  // Unloads the module (after Close), as the converter does last.
  void Unload();

  Qn_MDX_Open_Fn Open = nullptr;
  Qn_MDX_Close_Fn Close = nullptr;
  Qn_MDX_WorkStop_Fn WorkStop = nullptr;
  Qn_MDX_AddFile_Fn AddFile = nullptr;
  Qn_MDX_RemoveFile_Fn RemoveFile = nullptr;
  Qn_MDX_RemoveAllFile_Fn RemoveAllFile = nullptr;
  Qn_MDX_SetConvertOption_Fn SetConvertOption = nullptr;
  Qn_MDX_ConvertStart_Fn ConvertStart = nullptr;
  Qn_MDX_IsConvert_Fn IsConvert = nullptr;
  Qn_MDX_RePlaceFile_Fn RePlaceFile = nullptr;
  Qn_MDX_InsertFile_Fn InsertFile = nullptr;
  void* SetSimpleProfile = nullptr;

 private:
  void* module_ = nullptr;
  HWND window_ = nullptr;
};

// Child processes of this process that still exist (zombies included).
std::vector<int> LiveChildren();
// Runs a program to its end; its standard output.
std::string RunTool(const std::vector<std::string>& args, int* exitCode = nullptr);

}  // namespace mordax::test
