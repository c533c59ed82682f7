// DirectSound device enumeration and the private device property set, over the simulated audio
// devices. The sound module is part of this layer, so its class-object entry is a function here
// rather than an export of a loaded "dsound.dll".
#pragma once

#include "platform/com/class_table.h"
#include "platform/dshow/device_interfaces.h"

using LPDSENUMCALLBACKA = BOOL (*)(GUID* guid, LPCSTR description, LPCSTR module, LPVOID context);

// The primary device comes first, without an identifier, as DirectSound lists it.
HRESULT DirectSoundCaptureEnumerateA(LPDSENUMCALLBACKA callback, LPVOID context);
HRESULT DirectSoundEnumerateA(LPDSENUMCALLBACKA callback, LPVOID context);

// The sound module's DllGetClassObject: answers CLSID_DirectSoundPrivate with an IClassFactory
// whose objects offer IKsPropertySet over DSPROPSETID_DirectSoundDevice. A class registered in the
// class table under that identifier (a test's stand-in driver) is used instead.
HRESULT DirectSoundDllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv);

enum DIRECTSOUNDDEVICE_DATAFLOW { DIRECTSOUNDDEVICE_DATAFLOW_RENDER = 0, DIRECTSOUNDDEVICE_DATAFLOW_CAPTURE = 1 };
enum DIRECTSOUNDDEVICE_TYPE {
  DIRECTSOUNDDEVICE_TYPE_EMULATED = 0,
  DIRECTSOUNDDEVICE_TYPE_VXD = 1,
  DIRECTSOUNDDEVICE_TYPE_WDM = 2
};

constexpr DWORD DSPROPERTY_DIRECTSOUNDDEVICE_WAVEDEVICEMAPPING_A = 1;
constexpr DWORD DSPROPERTY_DIRECTSOUNDDEVICE_DESCRIPTION_A = 5;

// The texts of a description answer live in the same buffer, behind the record.
struct DSPROPERTY_DIRECTSOUNDDEVICE_DESCRIPTION_A_DATA {
  DIRECTSOUNDDEVICE_TYPE Type = DIRECTSOUNDDEVICE_TYPE_WDM;
  DIRECTSOUNDDEVICE_DATAFLOW DataFlow = DIRECTSOUNDDEVICE_DATAFLOW_RENDER;
  GUID DeviceId;
  LPSTR Description = nullptr;
  LPSTR Module = nullptr;
  LPSTR Interface = nullptr;
  ULONG WaveDeviceId = 0;
};

struct DSPROPERTY_DIRECTSOUNDDEVICE_WAVEDEVICEMAPPING_A_DATA {
  LPSTR DeviceName = nullptr;
  DIRECTSOUNDDEVICE_DATAFLOW DataFlow = DIRECTSOUNDDEVICE_DATAFLOW_RENDER;
  GUID DeviceId;
};
