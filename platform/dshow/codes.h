// DirectShow result codes and graph event codes, with the SDK's values.
#pragma once

#include "platform/com/hresult.h"

constexpr HRESULT VFW_E_INVALIDMEDIATYPE = static_cast<HRESULT>(0x80040200);
constexpr HRESULT VFW_E_INVALIDSUBTYPE = static_cast<HRESULT>(0x80040201);
constexpr HRESULT VFW_E_NEED_OWNER = static_cast<HRESULT>(0x80040202);
constexpr HRESULT VFW_E_ENUM_OUT_OF_SYNC = static_cast<HRESULT>(0x80040203);
constexpr HRESULT VFW_E_ALREADY_CONNECTED = static_cast<HRESULT>(0x80040204);
constexpr HRESULT VFW_E_FILTER_ACTIVE = static_cast<HRESULT>(0x80040205);
constexpr HRESULT VFW_E_NO_TYPES = static_cast<HRESULT>(0x80040206);
constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = static_cast<HRESULT>(0x80040207);
constexpr HRESULT VFW_E_INVALID_DIRECTION = static_cast<HRESULT>(0x80040208);
constexpr HRESULT VFW_E_NOT_CONNECTED = static_cast<HRESULT>(0x80040209);
constexpr HRESULT VFW_E_NO_ALLOCATOR = static_cast<HRESULT>(0x8004020A);
constexpr HRESULT VFW_E_RUNTIME_ERROR = static_cast<HRESULT>(0x8004020B);
constexpr HRESULT VFW_E_NO_CLOCK = static_cast<HRESULT>(0x80040213);
constexpr HRESULT VFW_E_NO_SINK = static_cast<HRESULT>(0x80040214);
constexpr HRESULT VFW_E_NO_INTERFACE = static_cast<HRESULT>(0x80040215);
constexpr HRESULT VFW_E_NOT_FOUND = static_cast<HRESULT>(0x80040216);
constexpr HRESULT VFW_E_CANNOT_CONNECT = static_cast<HRESULT>(0x80040217);
constexpr HRESULT VFW_E_CANNOT_RENDER = static_cast<HRESULT>(0x80040218);
constexpr HRESULT VFW_E_CHANGING_FORMAT = static_cast<HRESULT>(0x80040219);
constexpr HRESULT VFW_E_STATE_CHANGED = static_cast<HRESULT>(0x80040223);
constexpr HRESULT VFW_E_NOT_STOPPED = static_cast<HRESULT>(0x80040224);
constexpr HRESULT VFW_E_NOT_PAUSED = static_cast<HRESULT>(0x80040225);
constexpr HRESULT VFW_E_NOT_RUNNING = static_cast<HRESULT>(0x80040226);
constexpr HRESULT VFW_E_WRONG_STATE = static_cast<HRESULT>(0x80040227);
constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = static_cast<HRESULT>(0x8004022A);
constexpr HRESULT VFW_E_NOT_IN_GRAPH = static_cast<HRESULT>(0x8004025F);
constexpr HRESULT VFW_S_DUPLICATE_NAME = static_cast<HRESULT>(0x0004022D);
constexpr HRESULT VFW_S_STATE_INTERMEDIATE = static_cast<HRESULT>(0x00040237);
constexpr HRESULT VFW_S_CANT_CUE = static_cast<HRESULT>(0x00040268);

// Graph events (IMediaEvent::GetEvent codes).
constexpr long EC_COMPLETE = 0x01;
constexpr long EC_USERABORT = 0x02;
constexpr long EC_ERRORABORT = 0x03;
constexpr long EC_TIME = 0x04;
constexpr long EC_REPAINT = 0x05;
constexpr long EC_STREAM_ERROR_STOPPED = 0x06;
constexpr long EC_STREAM_ERROR_STILLPLAYING = 0x07;
constexpr long EC_ERROR_STILLPLAYING = 0x08;
constexpr long EC_VIDEO_SIZE_CHANGED = 0x0A;
constexpr long EC_SHUTTING_DOWN = 0x0C;
constexpr long EC_CLOCK_CHANGED = 0x0D;
constexpr long EC_PAUSED = 0x0E;
constexpr long EC_WINDOW_DESTROYED = 0x15;
constexpr long EC_DISPLAY_CHANGED = 0x16;
constexpr long EC_STREAM_CONTROL_STOPPED = 0x1A;
constexpr long EC_STREAM_CONTROL_STARTED = 0x1B;
constexpr long EC_DEVICE_LOST = 0x1F;
constexpr long EC_USER = 0x8000;
