// The multimedia mixer functions over the simulated sound hardware: one mixer per playback device
// (destination "Speakers" with the device's source lines) followed by one per recording input
// (destination "Wave Input"). Every source line has one mute control, whose state is the line's
// entry in the shared mute state (playback_lines.h). Where the program sees the machine's own
// hardware, each sound card (alsa_mixer.h) is a "Speakers" mixer of its playback switches and a
// "Wave Input" mixer of its capture lines, whose mute is the capture switch off and which have a
// volume control too (the capture volume).
#pragma once

#include "platform/base/win_types.h"

using MMRESULT = UINT;
struct HMIXER__;
using HMIXER = HMIXER__*;
using HMIXEROBJ = HMIXER__*;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT MIXERR_INVALLINE = 1024;
constexpr MMRESULT MIXERR_INVALCONTROL = 1025;

constexpr DWORD CALLBACK_WINDOW = 0x00010000;
constexpr DWORD MIXER_OBJECTF_HANDLE = 0x80000000;
constexpr DWORD MIXER_OBJECTF_MIXER = 0x00000000;
constexpr DWORD MIXER_OBJECTF_HMIXER = MIXER_OBJECTF_HANDLE | MIXER_OBJECTF_MIXER;

constexpr DWORD MIXER_GETLINEINFOF_DESTINATION = 0;
constexpr DWORD MIXER_GETLINEINFOF_SOURCE = 1;
constexpr DWORD MIXER_GETLINEINFOF_LINEID = 2;
constexpr DWORD MIXER_GETLINEINFOF_COMPONENTTYPE = 3;
constexpr DWORD MIXER_GETLINEINFOF_QUERYMASK = 0x0000000F;
constexpr DWORD MIXER_GETLINECONTROLSF_ALL = 0;
constexpr DWORD MIXER_GETLINECONTROLSF_ONEBYID = 1;
constexpr DWORD MIXER_GETLINECONTROLSF_ONEBYTYPE = 2;
constexpr DWORD MIXER_GETLINECONTROLSF_QUERYMASK = 0x0000000F;
constexpr DWORD MIXER_GETCONTROLDETAILSF_VALUE = 0;
constexpr DWORD MIXER_SETCONTROLDETAILSF_VALUE = 0;

constexpr DWORD MIXERLINE_LINEF_ACTIVE = 0x00000001;
constexpr DWORD MIXERLINE_LINEF_SOURCE = 0x80000000;
constexpr DWORD MIXERLINE_COMPONENTTYPE_DST_FIRST = 0;
constexpr DWORD MIXERLINE_COMPONENTTYPE_DST_SPEAKERS = 4;
constexpr DWORD MIXERLINE_COMPONENTTYPE_DST_WAVEIN = 7;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_FIRST = 0x1000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_MUTE = 0x20010002;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_VOLUME = 0x50030001;

constexpr int MAXPNAMELEN = 32;
constexpr int MIXER_SHORT_NAME_CHARS = 16;
constexpr int MIXER_LONG_NAME_CHARS = 64;

struct MIXERCAPS {
  WORD wMid = 0, wPid = 0;
  UINT vDriverVersion = 0;
  char szPname[MAXPNAMELEN] = {};
  DWORD fdwSupport = 0;
  DWORD cDestinations = 0;
};

struct MIXERLINE {
  DWORD cbStruct = sizeof(MIXERLINE);
  DWORD dwDestination = 0, dwSource = 0, dwLineID = 0, fdwLine = 0;
  DWORD_PTR dwUser = 0;
  DWORD dwComponentType = 0, cChannels = 0, cConnections = 0, cControls = 0;
  char szShortName[MIXER_SHORT_NAME_CHARS] = {};
  char szName[MIXER_LONG_NAME_CHARS] = {};
  struct {
    DWORD dwType = 0, dwDeviceID = 0;
    WORD wMid = 0, wPid = 0;
    UINT vDriverVersion = 0;
    char szPname[MAXPNAMELEN] = {};
  } Target;
};

struct MIXERCONTROL {
  DWORD cbStruct = sizeof(MIXERCONTROL);
  DWORD dwControlID = 0, dwControlType = 0, fdwControl = 0, cMultipleItems = 0;
  char szShortName[MIXER_SHORT_NAME_CHARS] = {};
  char szName[MIXER_LONG_NAME_CHARS] = {};
  union {
    struct {
      LONG lMinimum, lMaximum;
    } s;
    DWORD dwReserved[6];
  } Bounds = {};
  union {
    DWORD cSteps;
    DWORD dwReserved[6];
  } Metrics = {};
};

struct MIXERLINECONTROLS {
  DWORD cbStruct = sizeof(MIXERLINECONTROLS);
  DWORD dwLineID = 0;
  union {
    DWORD dwControlID;
    DWORD dwControlType;
  };
  DWORD cControls = 0, cbmxctrl = sizeof(MIXERCONTROL);
  MIXERCONTROL* pamxctrl = nullptr;
  MIXERLINECONTROLS() : dwControlID(0) {}
};

struct MIXERCONTROLDETAILS {
  DWORD cbStruct = sizeof(MIXERCONTROLDETAILS);
  DWORD dwControlID = 0, cChannels = 0;
  union {
    HWND hwndOwner;
    DWORD cMultipleItems;
  };
  DWORD cbDetails = 0;
  void* paDetails = nullptr;
  MIXERCONTROLDETAILS() : hwndOwner(nullptr) {}
};

struct MIXERCONTROLDETAILS_BOOLEAN {
  LONG fValue = 0;
};

struct MIXERCONTROLDETAILS_UNSIGNED {
  DWORD dwValue = 0;
};

UINT mixerGetNumDevs();
MMRESULT mixerGetDevCaps(UINT_PTR id, MIXERCAPS* caps, UINT size);
MMRESULT mixerOpen(HMIXER* mixer, UINT id, DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
MMRESULT mixerClose(HMIXER mixer);
MMRESULT mixerGetLineInfo(HMIXEROBJ mixer, MIXERLINE* line, DWORD flags);
MMRESULT mixerGetLineControls(HMIXEROBJ mixer, MIXERLINECONTROLS* controls, DWORD flags);
MMRESULT mixerGetControlDetails(HMIXEROBJ mixer, MIXERCONTROLDETAILS* details, DWORD flags);
MMRESULT mixerSetControlDetails(HMIXEROBJ mixer, MIXERCONTROLDETAILS* details, DWORD flags);

namespace platform::audio {
// How many mixer calls this process made: the recorder's two mute paths must not cross.
int MixerCallCount();
}  // namespace platform::audio
