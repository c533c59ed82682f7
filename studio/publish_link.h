// The link between the main program and its side programs (the converter and the uploader):
// the one message of each link, its codes, and the registry values through which they meet.
#pragma once

#include "platform/base/win_types.h"
#include "platform/window/wm_messages.h"

namespace studio {

constexpr UINT WM_CONVERTER_LINK = WM_USER + 205;
constexpr UINT WM_UPLOADER_LINK = WM_USER + 206;

constexpr WPARAM PUBLISH_READY = 170;
constexpr WPARAM PUBLISH_RENDER_REQUEST = 171;
constexpr WPARAM PUBLISH_PROGRESS = 172;
constexpr WPARAM PUBLISH_FAILED = 173;
constexpr WPARAM PUBLISH_CANCEL = 174;
constexpr WPARAM PUBLISH_DONE = 175;
constexpr WPARAM PUBLISH_CLOSING = 176;
constexpr WPARAM PUBLISH_PING = 177;
// What a running side program answers to PUBLISH_PING.
constexpr LRESULT PUBLISH_PING_ANSWER = 256;

// The side programs' per-user keys.
inline constexpr const char* kConverterKey = "SOFTWARE\\Narvell\\Qn Media Converter";
inline constexpr const char* kUploaderKey = "SOFTWARE\\Narvell\\Corrin";
// Values under them.
inline constexpr const char* kMainHwndValue = "MainHwnd";
inline constexpr const char* kSubHwndValue = "SubHwnd";
inline constexpr const char* kRenderedFileValue = "File";
inline constexpr const char* kConverterOutFolderValue = "OutFolder";

// The list file the converter is started with, in the temporary folder.
inline constexpr const char* kConverterListFile = "filelist.tmp";
inline constexpr const char* kConverterProgram = "Parvel.exe";
inline constexpr const char* kUploaderProgram = "Corrin.exe";

}  // namespace studio
