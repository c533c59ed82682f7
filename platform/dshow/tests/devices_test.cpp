#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/base/devices_file.h"
#include "platform/com/com_ptr.h"
#include "platform/dshow/cfgmgr.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/control_interfaces.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/dsound.h"
#include "platform/dshow/sim_filters.h"
#include "platform/dshow/sim_hardware.h"

using namespace platform::dshow;

namespace {

struct Listed {
  std::string name;
  std::string path;
  std::string classGuid;
  LONG waveIn = -1;
};

std::string ReadText(IPropertyBag* bag, const char* name) {
  platform::com::ScopedVariant v;
  v.get()->vt = VT_BSTR;
  if (FAILED(bag->Read(name, v.get(), nullptr))) return "<none>";
  return platform::com::FromBstr(v->bstrVal);
}

HRESULT List(const CLSID& category, DWORD flags, std::vector<Listed>* out) {
  CComPtr<ICreateDevEnum> devEnum;
  HRESULT hr = devEnum.CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER);
  if (FAILED(hr)) return hr;
  IEnumMoniker* e = reinterpret_cast<IEnumMoniker*>(0x1);
  hr = devEnum->CreateClassEnumerator(category, &e, flags);
  if (hr != S_OK) {
    EXPECT_EQ(e, nullptr);
    return hr;
  }
  CComPtr<IEnumMoniker> monikers;
  monikers.Attach(e);
  IMoniker* m = nullptr;
  while (monikers->Next(1, &m, nullptr) == S_OK) {
    CComPtr<IMoniker> moniker;
    moniker.Attach(m);
    CComPtr<IPropertyBag> bag;
    EXPECT_EQ(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag)), S_OK);
    Listed l;
    l.name = ReadText(bag, "FriendlyName");
    l.path = ReadText(bag, "DevicePath");
    l.classGuid = ReadText(bag, "DeviceClassGUID");
    platform::com::ScopedVariant wave;
    if (SUCCEEDED(bag->Read("WaveInId", wave.get(), nullptr))) l.waveIn = wave->lVal;
    out->push_back(l);
  }
  return S_OK;
}

class DevicesTest : public ::testing::Test {
 protected:
  void SetUp() override { sim::Hardware::Instance().SetDevices(sim::DefaultDevices()); }
};

}  // namespace

TEST_F(DevicesTest, DefaultHardwareListsEveryKind) {
  std::vector<Listed> video, audio, renderers;
  ASSERT_EQ(List(CLSID_VideoInputDeviceCategory, CDEF_DEVMON_PNP_DEVICE, &video), S_OK);
  ASSERT_EQ(video.size(), 3u);
  EXPECT_EQ(video[0].name, "Vidarro USB Video Capture");
  EXPECT_EQ(sim::UsbIdOf(video[0].path), "VID_1B80&PID_E309");
  EXPECT_EQ(video[0].classGuid, "<none>");
  EXPECT_EQ(video[2].name, "Vidarro HDV Camcorder");
  EXPECT_EQ(video[2].classGuid, "{8C0F6AF2-0EDB-44C1-8AEB-59040BD830ED}");
  ASSERT_EQ(List(CLSID_AudioInputDeviceCategory, 0, &audio), S_OK);
  ASSERT_EQ(audio.size(), 1u);
  EXPECT_EQ(audio[0].waveIn, 0);
  EXPECT_EQ(audio[0].path, "<none>");
  ASSERT_EQ(List(CLSID_AudioRendererCategory, 0, &renderers), S_OK);
  EXPECT_EQ(renderers.front().name, "Default DirectSound Device");
  EXPECT_EQ(renderers[2].name, "DirectSound: Speakers (High Definition Audio Device)");
}

TEST_F(DevicesTest, PnpFlagEmptyCategoriesAndUnpluggedDevices) {
  sim::Hardware::Instance().Update("DVCAM", [](sim::DeviceDesc& d) { d.pnp = false; });
  sim::Hardware::Instance().Unplug("HDVCAM");
  std::vector<Listed> pnp, all;
  ASSERT_EQ(List(CLSID_VideoInputDeviceCategory, CDEF_DEVMON_PNP_DEVICE, &pnp), S_OK);
  ASSERT_EQ(List(CLSID_VideoInputDeviceCategory, 0, &all), S_OK);
  EXPECT_EQ(pnp.size(), 1u);
  EXPECT_EQ(all.size(), 2u);
  sim::Hardware::Instance().SetDevices({});
  std::vector<Listed> none;
  EXPECT_EQ(List(CLSID_VideoInputDeviceCategory, 0, &none), S_FALSE);
  EXPECT_EQ(List(CLSID_AudioInputDeviceCategory, 0, &none), S_FALSE);
  EXPECT_TRUE(none.empty());
}

namespace {
BOOL Collect(GUID* guid, LPCSTR description, LPCSTR, LPVOID context) {
  auto* list = static_cast<std::vector<std::pair<GUID, std::string>>*>(context);
  list->emplace_back(guid ? *guid : GUID_NULL, description);
  return TRUE;
}
}  // namespace

TEST_F(DevicesTest, DirectSoundListsAndDescribesDevices) {
  std::vector<std::pair<GUID, std::string>> capture, playback;
  ASSERT_EQ(DirectSoundCaptureEnumerateA(Collect, &capture), S_OK);
  ASSERT_EQ(DirectSoundEnumerateA(Collect, &playback), S_OK);
  ASSERT_EQ(capture.size(), 2u);
  EXPECT_EQ(capture[0].first, GUID_NULL);
  EXPECT_EQ(capture[0].second, "Primary Sound Capture Driver");
  ASSERT_EQ(playback.size(), 2u);

  CComPtr<IClassFactory> factory;
  ASSERT_EQ(
      DirectSoundDllGetClassObject(CLSID_DirectSoundPrivate, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
      S_OK);
  CComPtr<IKsPropertySet> props;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IKsPropertySet, reinterpret_cast<void**>(&props)), S_OK);
  DSPROPERTY_DIRECTSOUNDDEVICE_DESCRIPTION_A_DATA record;
  record.DeviceId = capture[1].first;
  DWORD needed = 0;
  ASSERT_EQ(props->Get(DSPROPSETID_DirectSoundDevice, DSPROPERTY_DIRECTSOUNDDEVICE_DESCRIPTION_A, nullptr, 0, &record,
                       sizeof record, &needed),
            S_OK);
  ASSERT_GT(needed, sizeof record);
  EXPECT_EQ(record.Description, nullptr);  // only the size came back
  std::vector<BYTE> buffer(needed);
  std::memcpy(buffer.data(), &record, sizeof record);
  ASSERT_EQ(props->Get(DSPROPSETID_DirectSoundDevice, DSPROPERTY_DIRECTSOUNDDEVICE_DESCRIPTION_A, nullptr, 0,
                       buffer.data(), needed, &needed),
            S_OK);
  const auto* answer = reinterpret_cast<DSPROPERTY_DIRECTSOUNDDEVICE_DESCRIPTION_A_DATA*>(buffer.data());
  EXPECT_STREQ(answer->Description, "Vidarro USB Audio Capture");
  EXPECT_EQ(answer->WaveDeviceId, 0u);
  EXPECT_EQ(answer->DataFlow, DIRECTSOUNDDEVICE_DATAFLOW_CAPTURE);
  EXPECT_EQ(sim::UsbIdOf(answer->Interface), "VID_1B80&PID_E309");
  record.DeviceId = GUID_NULL;  // the primary device has no description
  EXPECT_EQ(props->Get(DSPROPSETID_DirectSoundDevice, DSPROPERTY_DIRECTSOUNDDEVICE_DESCRIPTION_A, nullptr, 0, &record,
                       sizeof record, &needed),
            E_INVALIDARG);
}

// A machine with thousands of sound inputs: each is described with its own place in the list, an
// unplugged one drops out and the rest close up, and describing them all takes no longer than a
// walk through the list per device would make noticeable.
TEST_F(DevicesTest, ThousandsOfSoundInputsAreEachDescribedInTheirPlace) {
  constexpr int kInputs = 10000;
  std::vector<sim::DeviceDesc> devices;
  for (int i = 0; i < kInputs; ++i) {
    sim::DeviceDesc d;
    d.id = "input" + std::to_string(i);
    d.kind = sim::DeviceKind::AudioInput;
    d.name = d.dsDescription = "Line " + std::to_string(i);
    d.dsModule = "snd";
    d.dsGuid = GUID{static_cast<DWORD>(i + 1), 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
    devices.push_back(d);
  }
  sim::Hardware::Instance().SetDevices(devices);

  CComPtr<IClassFactory> factory;
  ASSERT_EQ(
      DirectSoundDllGetClassObject(CLSID_DirectSoundPrivate, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
      S_OK);
  CComPtr<IKsPropertySet> props;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IKsPropertySet, reinterpret_cast<void**>(&props)), S_OK);
  const auto describe = [&](const GUID& id, std::string* description, ULONG* waveId) {
    std::vector<BYTE> buffer(4096);
    auto* record = reinterpret_cast<DSPROPERTY_DIRECTSOUNDDEVICE_DESCRIPTION_A_DATA*>(buffer.data());
    record->DeviceId = id;
    DWORD returned = 0;
    const HRESULT hr = props->Get(DSPROPSETID_DirectSoundDevice, DSPROPERTY_DIRECTSOUNDDEVICE_DESCRIPTION_A, nullptr, 0,
                                  buffer.data(), static_cast<DWORD>(buffer.size()), &returned);
    if (SUCCEEDED(hr)) {
      *description = record->Description;
      *waveId = record->WaveDeviceId;
    }
    return hr;
  };

  const auto started = std::chrono::steady_clock::now();
  std::string description;
  ULONG waveId = 0;
  for (int i = 0; i < kInputs; ++i) {
    ASSERT_EQ(describe(devices[i].dsGuid, &description, &waveId), S_OK) << i;
    ASSERT_EQ(description, devices[i].dsDescription);
    ASSERT_EQ(waveId, static_cast<ULONG>(i));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));

  sim::Hardware::Instance().Unplug("input10");
  EXPECT_EQ(describe(devices[10].dsGuid, &description, &waveId), E_INVALIDARG);
  ASSERT_EQ(describe(devices[11].dsGuid, &description, &waveId), S_OK);
  EXPECT_EQ(waveId, 10u);
  sim::Hardware::Instance().Plug("input10");
  ASSERT_EQ(describe(devices[11].dsGuid, &description, &waveId), S_OK);
  EXPECT_EQ(waveId, 11u);
}

TEST_F(DevicesTest, CaptureBuilderAddsCrossbarAndTunerAndRoutes) {
  sim::DeviceDesc card;
  card.id = "CARD";
  card.kind = sim::DeviceKind::AnalogCard;
  card.name = "Analog Card";
  card.formats = {{720, 480, 333667, MEDIASUBTYPE_YUY2}};
  card.crossbars = {{"Video Crossbar", {1, 2, 3, 4096, 4097, 4097}, {12, 4105}, {{0, 2}}, -1}};
  card.tuner = true;
  sim::Hardware::Instance().SetDevices({card});
  CComPtr<IGraphBuilder> graph;
  ASSERT_EQ(graph.CoCreateInstance(CLSID_FilterGraph), S_OK);
  CComPtr<ICaptureGraphBuilder2> builder;
  ASSERT_EQ(builder.CoCreateInstance(CLSID_CaptureGraphBuilder2), S_OK);
  ASSERT_EQ(builder->SetFiltergraph(graph), S_OK);
  CComPtr<IBaseFilter> cap;
  ASSERT_EQ(sim::CreateDeviceFilter("CARD", IID_IBaseFilter, reinterpret_cast<void**>(&cap)), S_OK);
  ASSERT_EQ(graph->AddFilter(cap, "Video Capture"), S_OK);
  CComPtr<IAMStreamConfig> config;
  ASSERT_EQ(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, cap, IID_IAMStreamConfig,
                                   reinterpret_cast<void**>(&config)),
            S_OK);
  CComPtr<IAMTVTuner> tuner;
  EXPECT_EQ(builder->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, cap, IID_IAMTVTuner, reinterpret_cast<void**>(&tuner)),
            S_OK);
  CComPtr<IAMCrossbar> xbar;
  ASSERT_EQ(builder->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, cap, IID_IAMCrossbar, reinterpret_cast<void**>(&xbar)),
            S_OK);
  EXPECT_EQ(DumpGraph(graph),
            "TV Tuner\n"
            "  Analog Video -> Video Crossbar.0: Video Tuner In [AnalogVideo *]\n"
            "  Analog Audio (unconnected)\n"
            "Video Capture\n"
            "  Capture (unconnected)\n"
            "Video Crossbar\n"
            "  0: Video Decoder Out -> Video Capture.Analog Video In [AnalogVideo *]\n"
            "  1: Audio Decoder Out (unconnected)\n");
  long outs = 0, ins = 0, related = 0, type = 0, routed = -1;
  ASSERT_EQ(xbar->get_PinCounts(&outs, &ins), S_OK);
  EXPECT_EQ(outs, 2);
  EXPECT_EQ(ins, 6);
  ASSERT_EQ(xbar->get_CrossbarPinInfo(TRUE, 1, &related, &type), S_OK);
  EXPECT_EQ(type, 2);
  EXPECT_EQ(related, 4);
  EXPECT_EQ(xbar->CanRoute(0, 2), S_FALSE);  // blocked
  EXPECT_EQ(xbar->CanRoute(0, 4), S_FALSE);  // audio input to the video output
  EXPECT_EQ(xbar->Route(0, 1), S_OK);
  EXPECT_EQ(xbar->get_IsRoutedTo(0, &routed), S_OK);
  EXPECT_EQ(routed, 1);
  EXPECT_TRUE(FAILED(xbar->Route(0, 2)));

  // A picked size the device has is taken; one it has not is refused.
  CMediaType small = MakeVideoType(MEDIASUBTYPE_YUY2, 720, 480, 333667);
  EXPECT_EQ(config->SetFormat(&small), S_OK);
  CMediaType odd = MakeVideoType(MEDIASUBTYPE_YUY2, 721, 480, 333667);
  EXPECT_EQ(config->SetFormat(&odd), VFW_E_INVALIDMEDIATYPE);
  // The builder adds the upstream filters only once.
  CComPtr<IAMCrossbar> again;
  builder->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, cap, IID_IAMCrossbar, reinterpret_cast<void**>(&again));
  CComPtr<IBaseFilter> second;
  EXPECT_EQ(graph->FindFilterByName("Video Crossbar 0001", &second), VFW_E_NOT_FOUND);
}

TEST_F(DevicesTest, DevicesFileLoadsAndSkipsMalformedLines) {
  const std::string path = std::string(VIDARRO_TEST_BINARY_DIR) + "/devices.ini";
  std::ofstream(path) << "<DEVICES>\n"
                         "[CARD]\n"
                         "KIND=analog\n"
                         "NAME=Studio Card\n"
                         "FORMATS=720x576@25/YUY2,352x288@25/UYVY\n"
                         "CROSSBAR1=Xbar|2,3,4097|12,4105\n"
                         "CROSSBAR2=Tuner Xbar|1,4096|9,4102\n"
                         "CROSSBAR2.FEEDS=1\n"
                         "this line has no equals sign\n"
                         "PROCAMP=0:0:255:1:128,1:0:300:1:999\n"
                         "COLOUR=blue\n"
                         "[BROKEN]\n"
                         "KIND=toaster\n"
                         "NAME=Nothing\n"
                         "[MIC]\n"
                         "KIND=audio\n"
                         "NAME=Line In (USB)\n"
                         "WAVEIN=3\n"
                         "DSGUID={11111111-2222-3333-4444-555555555555}\n"
                         "STORAGE=tape:/x\n";
  std::vector<std::string> problems;
  const auto devices = sim::ParseDevicesFile(path, &problems);
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0].id, "CARD");
  EXPECT_EQ(devices[0].name, "Studio Card");
  ASSERT_EQ(devices[0].formats.size(), 2u);
  EXPECT_EQ(devices[0].formats[0].frameDuration, 400000);
  EXPECT_EQ(devices[0].formats[1].subtype, MEDIASUBTYPE_UYVY);
  ASSERT_EQ(devices[0].crossbars.size(), 2u);
  EXPECT_EQ(devices[0].crossbars[1].feedsInput, 1);
  EXPECT_TRUE(devices[0].procAmp.empty());  // the bad range spoils the whole line
  EXPECT_EQ(devices[1].waveInId, 3);
  EXPECT_EQ(devices[1].kind, sim::DeviceKind::AudioInput);
  // the line without "=", PROCAMP, COLOUR, KIND=toaster and its section, STORAGE
  EXPECT_EQ(problems.size(), 6u);
}

// A bad CROSSBARn line grew the crossbar list before its value was read, so the device went
// for want of pins; a later empty NAME blanked it. Both lines are skipped now, the rest kept.
TEST_F(DevicesTest, BadCrossbarAndEmptyNameLinesLeaveTheRestOfTheDevice) {
  const std::string path = std::string(VIDARRO_TEST_BINARY_DIR) + "/bad_lines.ini";
  std::ofstream(path) << "[CARD]\n"
                         "KIND=analog\n"
                         "NAME=Studio Card\n"
                         "CROSSBAR1=Xbar|2,3|12\n"
                         "CROSSBAR2=Tuner Xbar|one,two|9\n"
                         "CROSSBAR1.FEEDS=-4\n"
                         "CROSSBAR1.BLOCKED=0:1,bad\n"
                         "NAME=\n";
  std::vector<std::string> problems;
  const auto devices = sim::ParseDevicesFile(path, &problems);
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].name, "Studio Card");
  ASSERT_EQ(devices[0].crossbars.size(), 1u);
  EXPECT_EQ(devices[0].crossbars[0].inputs, (std::vector<long>{2, 3}));
  EXPECT_EQ(devices[0].crossbars[0].feedsInput, -1);
  EXPECT_TRUE(devices[0].crossbars[0].blocked.empty());
  ASSERT_EQ(problems.size(), 4u);
  EXPECT_EQ(problems[0], "[CARD] CROSSBAR2=Tuner Xbar|one,two|9 skipped");
  EXPECT_EQ(problems[3], "[CARD] NAME= skipped");
}

// The README places devices.ini in the suite's own config folder, beside the registry.
TEST_F(DevicesTest, DevicesFileIsReadFromTheSuitesConfigFolder) {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  ASSERT_NE(config, nullptr);
  std::filesystem::create_directories(std::string(config) + "/vidarro");
  const std::string path = std::string(config) + "/vidarro/devices.ini";
  unsetenv("VIDARRO_DEVICES");
  EXPECT_EQ(platform::DevicesFilePath(), path);
  // A disc writer's section in the same file is the disc library's, not a capture device.
  std::ofstream(path) << "[ONLY]\nKIND=dv\nNAME=Config Camcorder\n[BURNER]\nKIND=writer\nNAME=Writer\n";
  sim::Hardware::Instance().Reload();
  const auto devices = sim::Hardware::Instance().Devices();
  std::filesystem::remove(path);
  sim::Hardware::Instance().Reload();
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].name, "Config Camcorder");
  EXPECT_EQ(sim::Hardware::Instance().Devices().size(), sim::DefaultDevices().size());
}

TEST_F(DevicesTest, DevicesFileTextAndSwitchKeys) {
  const std::string path = std::string(VIDARRO_TEST_BINARY_DIR) + "/switches.ini";
  std::ofstream(path) << "[CAM]\n"
                         "KIND=dv\n"
                         "NAME=Cam\n"
                         "PATH=\\\\?\\avc#cam\n"
                         "CLASSGUID={8C0F6AF2-0EDB-44C1-8AEB-59040BD830ED}\n"
                         "TAPE=/tmp/tape.dv\n"
                         "PNP=no\n"
                         "PRESENT=0\n"
                         "AUDIOPIN=yes\n"
                         "VPPIN=true\n"
                         "TUNER=1\n"
                         "SIGNAL=false\n"
                         "[OUT]\n"
                         "KIND=playback\n"
                         "NAME=Speakers\n"
                         "DSDESC= Speakers (HD) \n"
                         "DSMODULE=hd.sys\n"
                         "DSPATH=\\\\?\\hdaudio#x\n"
                         "SIGNAL=maybe\n";
  std::vector<std::string> problems;
  const auto devices = sim::ParseDevicesFile(path, &problems);
  ASSERT_EQ(devices.size(), 2u);
  const auto& cam = devices[0];
  EXPECT_EQ(cam.devicePath, "\\\\?\\avc#cam");
  EXPECT_EQ(cam.deviceClassGuid, "{8C0F6AF2-0EDB-44C1-8AEB-59040BD830ED}");
  EXPECT_EQ(cam.tape, "/tmp/tape.dv");
  EXPECT_FALSE(cam.pnp);
  EXPECT_FALSE(cam.present);
  EXPECT_TRUE(cam.audioPin);
  EXPECT_TRUE(cam.vpPin);
  EXPECT_TRUE(cam.tuner);
  EXPECT_FALSE(cam.signal);
  const auto& out = devices[1];
  EXPECT_EQ(out.dsDescription, "Speakers (HD)");  // values are trimmed
  EXPECT_EQ(out.dsModule, "hd.sys");
  EXPECT_EQ(out.dsInterface, "\\\\?\\hdaudio#x");
  EXPECT_TRUE(out.signal);  // a switch that is neither on nor off is refused and keeps its default
  EXPECT_EQ(problems.size(), 1u);
}

TEST_F(DevicesTest, DeviceTreeAndMountTableFollowTheStorageOfUsbBoxes) {
  auto devices = sim::DefaultDevices();
  devices[0].storage = {{false, "/media/user/VIDBOX"}, {true, ""}};
  sim::Hardware::Instance().SetDevices(devices);
  HMACHINE machine = nullptr;
  ASSERT_EQ(CM_Connect_MachineA("\\\\host", &machine), CR_SUCCESS);
  DEVINST root = 0;
  ASSERT_EQ(CM_Locate_DevNode_ExA(&root, nullptr, 0, machine), CR_SUCCESS);
  // Depth-first walk collecting ids and classes.
  std::vector<std::pair<std::string, std::string>> seen;
  std::function<void(DEVINST)> walk = [&](DEVINST node) {
    for (DEVINST n = node; n;) {
      char id[MAX_DEVICE_ID_LEN];
      ASSERT_EQ(CM_Get_Device_ID_ExA(n, id, sizeof id, 0, machine), CR_SUCCESS);
      char cls[64] = "";
      ULONG len = sizeof cls;
      CM_Get_DevNode_Registry_Property_ExA(n, CM_DRP_CLASS, nullptr, cls, &len, 0, machine);
      seen.emplace_back(id, cls);
      DEVINST child = 0;
      if (CM_Get_Child_Ex(&child, n, 0, machine) == CR_SUCCESS) walk(child);
      DEVINST next = 0;
      n = CM_Get_Sibling_Ex(&next, n, 0, machine) == CR_SUCCESS ? next : 0;
    }
  };
  walk(root);
  CM_Disconnect_Machine(machine);
  int disks = 0, cdroms = 0, media = 0;
  for (auto& [id, cls] : seen) {
    if (cls == "DiskDrive") {
      ++disks;
      EXPECT_EQ(id.rfind("USBSTOR\\DISK&", 0), 0u) << id;
    }
    if (cls == "CDROM") ++cdroms;
    if (cls == "MEDIA") ++media;
  }
  EXPECT_EQ(disks, 1);
  EXPECT_EQ(cdroms, 1);
  EXPECT_EQ(media, 4);  // box video, box audio, two camcorders
  const auto mounts = sim::MountedDevices();
  ASSERT_EQ(mounts.size(), 1u);  // the CD-ROM holds no medium
  EXPECT_EQ(mounts[0].mountPoint, "/media/user/VIDBOX/");

  sim::SetDeviceTreeUnavailable(true);
  EXPECT_EQ(CM_Connect_MachineA(nullptr, &machine), CR_MACHINE_UNAVAILABLE);
  sim::SetDeviceTreeUnavailable(false);
}

// Audio inputs deliver what devices.ini says: a tone at its level, noise within its peak, or a
// WAV file's own samples.
TEST(AudioSignals, DevicesFileChoosesWhatAnInputDelivers) {
  const std::string wav = std::string(VIDARRO_TEST_BINARY_DIR) + "/signal.wav";
  {
    // 44.1 kHz stereo, 4 frames: (1,-1) (2,-2) (3,-3) (4,-4).
    std::ofstream out(wav, std::ios::binary);
    auto u32 = [&out](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&out](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out << "RIFF";
    u32(36 + 16);
    out << "WAVEfmt ";
    u32(16), u16(1), u16(2), u32(44100), u32(44100 * 4), u16(4), u16(16);
    out << "data";
    u32(16);
    for (std::int16_t v = 1; v <= 4; ++v) u16(static_cast<std::uint16_t>(v)), u16(static_cast<std::uint16_t>(-v));
  }
  const std::string path = std::string(VIDARRO_TEST_BINARY_DIR) + "/signals.ini";
  std::ofstream(path) << "[T]\nKIND=audio\nNAME=Tone\nTONE=1000:-12\n"
                         "[N]\nKIND=audio\nNAME=Noise\nNOISE=-50\n"
                         "[F]\nKIND=audio\nNAME=File\nFILE="
                      << wav
                      << "\n"
                         "[BAD]\nKIND=audio\nNAME=Bad\nTONE=1000:+3\nNOISE=loud\nFILE=\n";
  std::vector<std::string> problems;
  const auto devices = sim::ParseDevicesFile(path, &problems);
  ASSERT_EQ(devices.size(), 4u);
  EXPECT_EQ(problems.size(), 3u);
  EXPECT_EQ(devices[3].audioSignal.kind, sim::AudioSignal::Kind::Pattern);

  std::vector<std::int16_t> pcm(48000 * 2);
  sim::AudioSignalSource tone(devices[0].audioSignal);
  tone.Fill(pcm.data(), 2, 48000, 0, 48000);
  int peak = 0;
  for (std::int16_t v : pcm) peak = std::max(peak, std::abs(static_cast<int>(v)));
  EXPECT_NEAR(20 * std::log10(peak / 32767.0), -12.0, 0.05);
  EXPECT_EQ(pcm[0], 0);
  EXPECT_EQ(pcm[2 * 12], peak);  // 48 samples a cycle: a quarter on, the peak, on both channels
  EXPECT_EQ(pcm[2 * 12 + 1], peak);

  sim::AudioSignalSource noise(devices[1].audioSignal);
  noise.Fill(pcm.data(), 2, 48000, 0, 48000);
  peak = 0;
  for (std::int16_t v : pcm) peak = std::max(peak, std::abs(static_cast<int>(v)));
  EXPECT_LE(peak, 104);  // -50 dBFS
  EXPECT_GT(peak, 90);

  sim::AudioSignalSource file(devices[2].audioSignal);
  std::vector<std::int16_t> frames(6 * 2);
  file.Fill(frames.data(), 2, 44100, 2, 6);
  EXPECT_EQ(frames, (std::vector<std::int16_t>{3, -3, 4, -4, 1, -1, 2, -2, 3, -3, 4, -4}));
  EXPECT_EQ(sim::ReadPcmWav(path), nullptr);
}
