// The link with the main program: one message number both ways, its codes, and the marker of
// the project row.
#pragma once

#include "platform/base/win_types.h"

constexpr UINT WM_CONVERTER_LINK = 0x0400 + 205;
// What the converter gives Mordax as its reply message.
constexpr UINT kConvertNotifyMessage = 0x0400 + 105;

constexpr WPARAM PUBLISH_READY = 170;
constexpr WPARAM PUBLISH_RENDER_REQUEST = 171;
constexpr WPARAM PUBLISH_PROGRESS = 172;
constexpr WPARAM PUBLISH_FAILED = 173;
constexpr WPARAM PUBLISH_CANCEL = 174;
constexpr WPARAM PUBLISH_DONE = 175;
constexpr WPARAM PUBLISH_CLOSING = 176;
constexpr WPARAM PUBLISH_PING = 177;
constexpr LRESULT kPingAnswer = 256;

// Item data of the project row, in place of a media-information pointer.
constexpr DWORD_PTR kProjectRowData = 222;
// The widest picture the main program renders.
constexpr int kMaxRenderWidth = 1024;
