// Interfaces of capture devices: the device enumerator, stream configuration, crossbar, picture
// controls, analog decoder, tuner, camcorder control and kernel-streaming properties.
#pragma once

#include "platform/dshow/filter_interfaces.h"

DEFINE_GUID(IID_ICreateDevEnum, 0x29840822, 0x5B84, 0x11D0, 0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86);
DEFINE_GUID(IID_IAMStreamConfig, 0xC6E13340, 0x30AC, 0x11D0, 0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56);
DEFINE_GUID(IID_IAMAnalogVideoDecoder, 0xC6E13350, 0x30AC, 0x11D0, 0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56);
DEFINE_GUID(IID_IAMVideoProcAmp, 0xC6E13360, 0x30AC, 0x11D0, 0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56);
DEFINE_GUID(IID_IAMCrossbar, 0xC6E13380, 0x30AC, 0x11D0, 0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56);
DEFINE_GUID(IID_IAMDroppedFrames, 0xC6E13344, 0x30AC, 0x11D0, 0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56);
DEFINE_GUID(IID_IAMTuner, 0x211A8761, 0x03AC, 0x11D1, 0x8D, 0x13, 0x00, 0xAA, 0x00, 0xBD, 0x83, 0x39);
DEFINE_GUID(IID_IAMTVTuner, 0x211A8766, 0x03AC, 0x11D1, 0x8D, 0x13, 0x00, 0xAA, 0x00, 0xBD, 0x83, 0x39);
DEFINE_GUID(IID_IAMExtDevice, 0xB5730A90, 0x1A2C, 0x11CF, 0x8C, 0x23, 0x00, 0xAA, 0x00, 0x6B, 0x68, 0x14);
DEFINE_GUID(IID_IAMExtTransport, 0xA03CD5F0, 0x3045, 0x11CF, 0x8C, 0x44, 0x00, 0xAA, 0x00, 0x6B, 0x68, 0x14);
DEFINE_GUID(IID_IAMTimecodeReader, 0x9B496CE1, 0x811B, 0x11CF, 0x8C, 0x77, 0x00, 0xAA, 0x00, 0x6B, 0x68, 0x14);
DEFINE_GUID(IID_IKsPropertySet, 0x31EFAC30, 0x515C, 0x11D0, 0xA9, 0xAA, 0x00, 0xAA, 0x00, 0x61, 0xBE, 0x93);
DEFINE_GUID(IID_IAMBufferNegotiation, 0x56ED71A0, 0xAF5F, 0x11D0, 0xB3, 0xF0, 0x00, 0xAA, 0x00, 0x37, 0x61, 0xC5);

// ICreateDevEnum::CreateClassEnumerator flags.
constexpr DWORD CDEF_CLASS_DEFAULT = 0x0001;
constexpr DWORD CDEF_BYPASS_CLASS_MANAGER = 0x0002;
constexpr DWORD CDEF_DEVMON_CMGR_DEVICE = 0x0010;
constexpr DWORD CDEF_DEVMON_DMO = 0x0020;
constexpr DWORD CDEF_DEVMON_PNP_DEVICE = 0x0040;
constexpr DWORD CDEF_DEVMON_FILTER = 0x0080;

struct ICreateDevEnum : public IUnknown {
  // S_FALSE with *enumerator NULL when the category holds no device.
  STDMETHOD(CreateClassEnumerator)(REFCLSID category, IEnumMoniker** enumerator, DWORD flags) PURE;
};
VIDARRO_INTERFACE(ICreateDevEnum, IUnknown, IID_ICreateDevEnum);

struct IAMStreamConfig : public IUnknown {
  STDMETHOD(SetFormat)(AM_MEDIA_TYPE* mt) PURE;
  // The type is task memory the caller frees with DeleteMediaType.
  STDMETHOD(GetFormat)(AM_MEDIA_TYPE** mt) PURE;
  STDMETHOD(GetNumberOfCapabilities)(int* count, int* size) PURE;
  STDMETHOD(GetStreamCaps)(int index, AM_MEDIA_TYPE** mt, BYTE* caps) PURE;
};
VIDARRO_INTERFACE(IAMStreamConfig, IUnknown, IID_IAMStreamConfig);

enum PhysicalConnectorType : long {
  PhysConn_Video_Tuner = 1,
  PhysConn_Video_Composite = 2,
  PhysConn_Video_SVideo = 3,
  PhysConn_Video_RGB = 4,
  PhysConn_Video_YRYBY = 5,
  PhysConn_Video_SerialDigital = 6,
  PhysConn_Video_ParallelDigital = 7,
  PhysConn_Video_SCSI = 8,
  PhysConn_Video_AUX = 9,
  PhysConn_Video_1394 = 10,
  PhysConn_Video_USB = 11,
  PhysConn_Video_VideoDecoder = 12,
  PhysConn_Video_VideoEncoder = 13,
  PhysConn_Video_SCART = 14,
  PhysConn_Audio_Tuner = 4096,
  PhysConn_Audio_Line = 4097,
  PhysConn_Audio_Mic = 4098,
  PhysConn_Audio_AESDigital = 4099,
  PhysConn_Audio_SPDIFDigital = 4100,
  PhysConn_Audio_SCSI = 4101,
  PhysConn_Audio_AUX = 4102,
  PhysConn_Audio_1394 = 4103,
  PhysConn_Audio_USB = 4104,
  PhysConn_Audio_AudioDecoder = 4105,
};

struct IAMCrossbar : public IUnknown {
  STDMETHOD(get_PinCounts)(long* outputCount, long* inputCount) PURE;
  STDMETHOD(CanRoute)(long outputIndex, long inputIndex) PURE;
  STDMETHOD(Route)(long outputIndex, long inputIndex) PURE;
  STDMETHOD(get_IsRoutedTo)(long outputIndex, long* inputIndex) PURE;
  STDMETHOD(get_CrossbarPinInfo)(BOOL isInput, long index, long* relatedIndex, long* physicalType) PURE;
};
VIDARRO_INTERFACE(IAMCrossbar, IUnknown, IID_IAMCrossbar);

enum VideoProcAmpProperty : long {
  VideoProcAmp_Brightness = 0,
  VideoProcAmp_Contrast = 1,
  VideoProcAmp_Hue = 2,
  VideoProcAmp_Saturation = 3,
  VideoProcAmp_Sharpness = 4,
  VideoProcAmp_Gamma = 5,
  VideoProcAmp_ColorEnable = 6,
  VideoProcAmp_WhiteBalance = 7,
  VideoProcAmp_BacklightCompensation = 8,
  VideoProcAmp_Gain = 9,
};
constexpr long VideoProcAmp_Flags_Auto = 0x1;
constexpr long VideoProcAmp_Flags_Manual = 0x2;

struct IAMVideoProcAmp : public IUnknown {
  STDMETHOD(GetRange)(long property, long* min, long* max, long* step, long* defaultValue, long* capsFlags) PURE;
  STDMETHOD(Set)(long property, long value, long flags) PURE;
  STDMETHOD(Get)(long property, long* value, long* flags) PURE;
};
VIDARRO_INTERFACE(IAMVideoProcAmp, IUnknown, IID_IAMVideoProcAmp);

enum AnalogVideoStandard : long {
  AnalogVideo_None = 0,
  AnalogVideo_NTSC_M = 0x1,
  AnalogVideo_NTSC_M_J = 0x2,
  AnalogVideo_NTSC_433 = 0x4,
  AnalogVideo_PAL_B = 0x10,
  AnalogVideo_PAL_D = 0x20,
  AnalogVideo_PAL_G = 0x40,
  AnalogVideo_PAL_H = 0x80,
  AnalogVideo_PAL_I = 0x100,
  AnalogVideo_PAL_M = 0x200,
  AnalogVideo_PAL_N = 0x400,
  AnalogVideo_PAL_60 = 0x800,
  AnalogVideo_SECAM_B = 0x1000,
  AnalogVideo_SECAM_D = 0x2000,
  AnalogVideo_SECAM_G = 0x4000,
  AnalogVideo_SECAM_H = 0x8000,
  AnalogVideo_SECAM_K = 0x10000,
  AnalogVideo_SECAM_K1 = 0x20000,
  AnalogVideo_SECAM_L = 0x40000,
  AnalogVideo_SECAM_L1 = 0x80000,
  AnalogVideo_PAL_N_COMBO = 0x100000,
};

struct IAMAnalogVideoDecoder : public IUnknown {
  STDMETHOD(get_AvailableTVFormats)(long* formats) PURE;
  STDMETHOD(put_TVFormat)(long format) PURE;
  STDMETHOD(get_TVFormat)(long* format) PURE;
  STDMETHOD(get_HorizontalLocked)(long* locked) PURE;
  STDMETHOD(put_VCRHorizontalLocking)(long vcrLocking) PURE;
  STDMETHOD(get_VCRHorizontalLocking)(long* vcrLocking) PURE;
  STDMETHOD(get_NumberOfLines)(long* lines) PURE;
  STDMETHOD(put_OutputEnable)(long enable) PURE;
  STDMETHOD(get_OutputEnable)(long* enable) PURE;
};
VIDARRO_INTERFACE(IAMAnalogVideoDecoder, IUnknown, IID_IAMAnalogVideoDecoder);

enum TunerInputType : long { TunerInputCable = 0, TunerInputAntenna = 1 };
constexpr long AMTUNER_MODE_TV = 0x1;
constexpr long AMTUNER_HASNOSIGNALSTRENGTH = -1;
constexpr long AMTUNER_NOSIGNAL = 0;
constexpr long AMTUNER_SIGNALPRESENT = 1;

struct IAMTuner : public IUnknown {
  STDMETHOD(put_Channel)(long channel, long videoSubChannel, long audioSubChannel) PURE;
  STDMETHOD(get_Channel)(long* channel, long* videoSubChannel, long* audioSubChannel) PURE;
  STDMETHOD(ChannelMinMax)(long* min, long* max) PURE;
  STDMETHOD(put_CountryCode)(long country) PURE;
  STDMETHOD(get_CountryCode)(long* country) PURE;
  STDMETHOD(SignalPresent)(long* strength) PURE;
  STDMETHOD(put_Mode)(long mode) PURE;
  STDMETHOD(get_Mode)(long* mode) PURE;
};
VIDARRO_INTERFACE(IAMTuner, IUnknown, IID_IAMTuner);

struct IAMTVTuner : public IAMTuner {
  STDMETHOD(get_AvailableTVFormats)(long* formats) PURE;
  STDMETHOD(get_TVFormat)(long* format) PURE;
  STDMETHOD(put_InputType)(long index, TunerInputType type) PURE;
  STDMETHOD(get_InputType)(long index, TunerInputType* type) PURE;
  STDMETHOD(put_ConnectInput)(long index) PURE;
  STDMETHOD(get_ConnectInput)(long* index) PURE;
};
VIDARRO_INTERFACE(IAMTVTuner, IAMTuner, IID_IAMTVTuner);

// External device (camcorder) control.
constexpr long ED_BASE = 0x1000;
constexpr long ED_DEVTYPE_VCR = ED_BASE + 5;
constexpr long ED_DEVCAP_DEVICE_TYPE = ED_BASE + 24;
constexpr long ED_MODE_PLAY = ED_BASE + 200;
constexpr long ED_MODE_STOP = ED_BASE + 201;
constexpr long ED_MODE_FREEZE = ED_BASE + 202;
constexpr long ED_MODE_THAW = ED_BASE + 203;
constexpr long ED_MODE_FF = ED_BASE + 204;
constexpr long ED_MODE_REW = ED_BASE + 205;
constexpr long ED_MODE_RECORD = ED_BASE + 206;
constexpr long ED_POWER_ON = ED_BASE + 108;
constexpr long ED_POWER_OFF = ED_BASE + 109;
constexpr long ED_MEDIA_TYPE = ED_BASE + 511;  // GetStatus item: the medium in the transport
constexpr long ED_MEDIA_DVC = ED_BASE + 516;
constexpr long ED_MEDIA_NOT_PRESENT = ED_BASE + 927;
constexpr long ED_TRANSBASIC_INPUT_SIGNAL = ED_BASE + 940;
constexpr long ED_TRANSBASIC_SIGNAL_525_60_SD = ED_BASE + 942;
constexpr long ED_TRANSBASIC_SIGNAL_625_50_SD = ED_BASE + 944;
constexpr long ED_TRANSBASIC_SIGNAL_MPEG2TS = ED_BASE + 946;

struct IAMExtDevice : public IUnknown {
  STDMETHOD(GetCapability)(long capability, long* value, double* doubleValue) PURE;
  STDMETHOD(get_ExternalDeviceID)(LPOLESTR* id) PURE;
  STDMETHOD(get_ExternalDeviceVersion)(LPOLESTR* version) PURE;
  STDMETHOD(put_DevicePower)(long powerMode) PURE;
  STDMETHOD(get_DevicePower)(long* powerMode) PURE;
  STDMETHOD(put_DevicePort)(long port) PURE;
  STDMETHOD(get_DevicePort)(long* port) PURE;
};
VIDARRO_INTERFACE(IAMExtDevice, IUnknown, IID_IAMExtDevice);

struct IAMExtTransport : public IUnknown {
  STDMETHOD(GetCapability)(long capability, long* value, double* doubleValue) PURE;
  STDMETHOD(put_MediaState)(long state) PURE;
  STDMETHOD(get_MediaState)(long* state) PURE;
  STDMETHOD(GetStatus)(long statusItem, long* value) PURE;
  STDMETHOD(GetTransportBasicParameters)(long param, long* value, LPOLESTR* text) PURE;
  STDMETHOD(SetTransportBasicParameters)(long param, long value, LPCOLESTR text) PURE;
  STDMETHOD(put_Mode)(long mode) PURE;
  STDMETHOD(get_Mode)(long* mode) PURE;
  STDMETHOD(put_Rate)(double rate) PURE;
  STDMETHOD(get_Rate)(double* rate) PURE;
};
VIDARRO_INTERFACE(IAMExtTransport, IUnknown, IID_IAMExtTransport);

// Time code frames are packed BCD: 0xHHMMSSFF.
struct TIMECODE {
  WORD wFrameRate = 0;
  WORD wFrameFract = 0;
  DWORD dwFrames = 0;
};
struct TIMECODE_SAMPLE {
  LONGLONG qwTick = 0;
  TIMECODE timecode;
  DWORD dwUser = 0;
  DWORD dwFlags = 0;
};
constexpr DWORD ED_DEVCAP_TIMECODE_READ = ED_BASE + 25;  // the capability, and the flag of a sample to read

struct IAMTimecodeReader : public IUnknown {
  STDMETHOD(GetTCRMode)(long param, long* value) PURE;
  STDMETHOD(SetTCRMode)(long param, long value) PURE;
  STDMETHOD(put_VITCLine)(long line) PURE;
  STDMETHOD(get_VITCLine)(long* line) PURE;
  STDMETHOD(GetTimecode)(TIMECODE_SAMPLE* sample) PURE;
};
VIDARRO_INTERFACE(IAMTimecodeReader, IUnknown, IID_IAMTimecodeReader);

constexpr DWORD KSPROPERTY_SUPPORT_GET = 1;
constexpr DWORD KSPROPERTY_SUPPORT_SET = 2;

struct IKsPropertySet : public IUnknown {
  STDMETHOD(Set)
  (REFGUID propSet, DWORD id, LPVOID instanceData, DWORD instanceLength, LPVOID data, DWORD dataLength) PURE;
  // With data NULL (or too small) only *returned is set to the size the answer needs.
  STDMETHOD(Get)
  (REFGUID propSet, DWORD id, LPVOID instanceData, DWORD instanceLength, LPVOID data, DWORD dataLength,
   DWORD* returned) PURE;
  STDMETHOD(QuerySupported)(REFGUID propSet, DWORD id, DWORD* typeSupport) PURE;
};
VIDARRO_INTERFACE(IKsPropertySet, IUnknown, IID_IKsPropertySet);

struct ALLOCATOR_PROPERTIES {
  long cBuffers = 0;
  long cbBuffer = 0;
  long cbAlign = 0;
  long cbPrefix = 0;
};

struct IAMBufferNegotiation : public IUnknown {
  STDMETHOD(SuggestAllocatorProperties)(const ALLOCATOR_PROPERTIES* props) PURE;
  STDMETHOD(GetAllocatorProperties)(ALLOCATOR_PROPERTIES* props) PURE;
};
VIDARRO_INTERFACE(IAMBufferNegotiation, IUnknown, IID_IAMBufferNegotiation);

struct IAMDroppedFrames : public IUnknown {
  STDMETHOD(GetNumDropped)(long* dropped) PURE;
  STDMETHOD(GetNumNotDropped)(long* notDropped) PURE;
};
VIDARRO_INTERFACE(IAMDroppedFrames, IUnknown, IID_IAMDroppedFrames);
