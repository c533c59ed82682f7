// The records, codes and exported functions shared by the conversion library and its host.
// Both sides are built from this header and share one C++ runtime, so records allocated on one
// side are deleted on the other with plain delete.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "qnlog/file_path.h"
#include "platform/base/win_types.h"

// Reply message the converter passes to Qn_MDX_Open.
constexpr UINT WM_CONVERT_NOTIFY = 0x0400 + 105;

// Operation codes: the op of each queued record and the low word of every reply's wParam.
enum Qn_OpCode : int {
  Qn_OP_STOP = 0,
  Qn_OP_ADD_FILE = 100,
  Qn_OP_REMOVE_FILE = 101,
  Qn_OP_REMOVE_ALL_FILE = 102,
  Qn_OP_SET_CONVERT_OPTION = 103,
  Qn_OP_SET_SIMPLE_PROFILE = 104,
  Qn_OP_CONVERT = 105,
  Qn_OP_REPLACE_FILE = 106,
  Qn_OP_INSERT_FILE = 107,
  Qn_OP_PROGRESS = 108,
};

// Status codes: the high word of every reply's wParam.
enum Qn_MsgStatus : int {
  Qn_MSG_FAILED = 0,
  Qn_MSG_SUCCEEDED = 1,
  Qn_MSG_COMPLETE = 2,
  Qn_MSG_ITEM_START = 12,
  Qn_MSG_CONVERT_PROCESSING = 13,
  Qn_MSG_TIME_INFO = 14,
  // Posted just before a failed convert reply when FFmpeg named the cause: a Qn_ConvertFailure.
  Qn_MSG_FAILURE_REASON = 17,
};

// Error codes in lParam of a failed reply.
enum Qn_ErrorCode : int {
  Qn_ERR_GENERAL = 0,
  Qn_ERR_INVALID_ARG = 3,
  Qn_ERR_EMPTY_LIST = 4,
  Qn_ERR_NO_FILE = 5,
  Qn_ERR_MEDIA_INFO = 6,
  Qn_ERR_DUPLICATE = 8,
  Qn_ERR_STOPPED = 11,
  // An option refused because this FFmpeg has no encoder for its video or audio codec.
  Qn_ERR_NO_VIDEO_ENCODER = 20,
  Qn_ERR_NO_AUDIO_ENCODER = 21,
};

struct Qn_VideoOption {
  std::string codec;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t bitrate = 0;  // kbit/s
  double frameRate = 0;
};

struct Qn_AudioOption {
  std::string codec;
  std::int32_t bitrate = 0;  // kbit/s
  std::int32_t sampleRate = 0;
  std::int32_t channels = 0;
};

struct Qn_ConvertOption {
  Qn_VideoOption video;
  Qn_AudioOption audio;
  CFilePath path;  // output folder; per file the full output path
  std::int32_t BITEXACT = 0;
  std::int32_t FIXASPECT = 0;
  std::int32_t ONLY_AUDIO = 0;
  std::int32_t MUXVB = 0;
  std::int32_t MUXAB = 0;
  std::int32_t H264_BASELINE = 0;
  std::string FILEPREFIX;
  std::string EXF;  // output extension with its dot
  std::string FORCE;
};

struct Qn_VideoInfo {
  std::string Format;
  std::string Format_Profile;
  std::string Codec;
  std::string CodecString;
  std::string DisplayAspectRatioString;
  std::string Interlacement;
  std::string InterlacementString;
  std::int32_t Duration = 0;  // ms
  std::int32_t BitRate = 0;
  std::int32_t FrameCount = 0;
  std::int32_t StreamSize = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::int32_t Resolution = 0;
  float DisplayAspectRatio = 0;
  float FrameRate = 0;
};

struct Qn_AudioInfo {
  std::string Format;
  std::string Format_Profile;
  std::string Codec;
  std::string CodecString;
  std::int32_t Duration = 0;  // ms
  std::int32_t BitRate = 0;
  std::int32_t SamplingRate = 0;
  std::int32_t StreamSize = 0;
  float Channels = 0;
  std::int32_t Resolution = 0;
};

// One listed input file; owned by the library, the host's handle of the file.
struct Qn_MediaInfo {
  Qn_VideoInfo video;
  Qn_AudioInfo audio;
  std::int64_t fileSize = 0;
  std::int32_t duration = 0;  // ms, whole file
  CFilePath source;
  // Audio streams found; newer MediaInfo leaves the audio codec text empty.
  std::int32_t audioStreamCount = 0;
  std::int32_t videoStreamCount = 0;
};

// Sent with the item-start reply; the host deletes it.
struct Qn_ConvertItem {
  std::int32_t index = 0;
  CFilePath source;
  CFilePath output;
  std::int32_t frameCount = 0;
  std::int32_t videoDuration = 0;  // ms
};

struct Qn_TimeSpan {
  std::int32_t reserved = 0;
  std::int32_t totalMinutes = 0;
  std::int32_t totalSeconds = 0;
  std::int32_t totalMilliseconds = 0;
  std::int32_t hours = 0;
  std::int32_t minutes = 0;
  std::int32_t seconds = 0;
  std::int32_t milliseconds = 0;
};

// Sent with each time reply; the host deletes it.
struct Qn_ConvertTime {
  Qn_TimeSpan elapsed;
  Qn_TimeSpan remaining;
};

// Sent with a failure-reason reply; the host deletes it.
struct Qn_ConvertFailure {
  std::string reason;  // FFmpeg's last error line, short
};

using Qn_PathList = std::vector<std::string>;
using Qn_ItemList = std::vector<Qn_MediaInfo*>;

#define QN_MDX_EXPORT extern "C" __attribute__((visibility("default")))

QN_MDX_EXPORT int Qn_MDX_Open(HWND notifyWindow, UINT notifyMessage, int logLocation);
QN_MDX_EXPORT void Qn_MDX_Close();
QN_MDX_EXPORT int Qn_MDX_WorkStop();
QN_MDX_EXPORT int Qn_MDX_AddFile(const Qn_PathList* paths);
QN_MDX_EXPORT int Qn_MDX_RemoveFile(const Qn_ItemList* items);
QN_MDX_EXPORT int Qn_MDX_RemoveAllFile();
QN_MDX_EXPORT int Qn_MDX_SetConvertOption(int mode, const Qn_ConvertOption* option);
QN_MDX_EXPORT void Qn_MDX_ConvertStart(const char* outputFolder);
QN_MDX_EXPORT int Qn_MDX_IsConvert();
QN_MDX_EXPORT void Qn_MDX_RePlaceFile(int index, const char* path);
QN_MDX_EXPORT void Qn_MDX_InsertFile(int index, const char* path);

// Entry points as the host binds them by name.
using Qn_MDX_Open_Fn = int (*)(HWND, UINT, int);
using Qn_MDX_Close_Fn = void (*)();
using Qn_MDX_WorkStop_Fn = int (*)();
using Qn_MDX_AddFile_Fn = int (*)(const Qn_PathList*);
using Qn_MDX_RemoveFile_Fn = int (*)(const Qn_ItemList*);
using Qn_MDX_RemoveAllFile_Fn = int (*)();
using Qn_MDX_SetConvertOption_Fn = int (*)(int, const Qn_ConvertOption*);
using Qn_MDX_ConvertStart_Fn = void (*)(const char*);
using Qn_MDX_IsConvert_Fn = int (*)();
using Qn_MDX_RePlaceFile_Fn = void (*)(int, const char*);
using Qn_MDX_InsertFile_Fn = void (*)(int, const char*);
