#include <gtest/gtest.h>

#include <chrono>

#include "capture/device_list.h"
#include "capture/sound_devices.h"
#include "platform/dshow/sim_hardware.h"

using namespace platform::dshow;

namespace {

sim::DeviceDesc Video(const std::string& id, sim::DeviceKind kind, const std::string& name, const std::string& path) {
  sim::DeviceDesc d;
  d.id = id;
  d.kind = kind;
  d.name = name;
  d.devicePath = path;
  d.formats = {{720, 480, 333667, kind == sim::DeviceKind::DvCamcorder ? MEDIASUBTYPE_dvsd : MEDIASUBTYPE_YUY2}};
  return d;
}

sim::DeviceDesc Audio(const std::string& id, const std::string& name, int waveIn, const std::string& dsPath,
                      int guidTail) {
  sim::DeviceDesc d;
  d.id = id;
  d.kind = sim::DeviceKind::AudioInput;
  d.name = name;
  d.waveInId = waveIn;
  d.dsGuid = {0xABCD0000u + static_cast<DWORD>(guidTail), 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
  d.dsDescription = name + " (DirectSound)";
  d.dsInterface = dsPath;
  return d;
}

const char* kUsbVideoPath =
    "\\\\?\\usb#vid_0abc&pid_0def&mi_00#7&2a&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
const char* kUsbAudioPath =
    "\\\\?\\usb#vid_0abc&pid_0def&mi_01#7&2a&0&0001#{6994ad04-93ef-11d0-a3cc-00a0c9223196}\\global";

}  // namespace

TEST(CaptureDeviceListTest, DefaultHardwareGivesKindsTypesAndPartners) {
  sim::Hardware::Instance().SetDevices(sim::DefaultDevices());
  CCaptureDeviceList list;
  ASSERT_EQ(list.GetVideoDeviceCount(), 3);
  ASSERT_EQ(list.GetAudioDeviceCount(), 1);
  EXPECT_EQ(list.GetVideoDevice(0)->kind, kDeviceWdm);
  EXPECT_EQ(list.GetVideoDevice(0)->hardwareId, "VID_1B80&PID_E309");
  EXPECT_EQ(list.GetVideoDevice(1)->kind, kDeviceDv);
  EXPECT_EQ(list.GetVideoDevice(2)->kind, kDeviceHdv);
  EXPECT_EQ(list.GetVideoDevice(0)->waveInId, -1);
  const auto* audio = list.GetAudioDevice(0);
  EXPECT_EQ(audio->kind, kDeviceUsbAudio);
  EXPECT_EQ(audio->waveInId, 0);
  EXPECT_EQ(audio->description, "Vidarro USB Audio Capture");
  EXPECT_EQ(audio->path, "\\\\?\\usb#vid_1b80&pid_e309&mi_01#7&2a1b3c4d&0&0001");
  EXPECT_EQ(list.GetVideoDevice(3), nullptr);
  EXPECT_EQ(list.GetAudioDeviceName(-1), "");

  EXPECT_EQ(list.GetDeviceType("vidarro usb video capture"), kDeviceTypeAnalog);
  EXPECT_EQ(list.GetDeviceType("Vidarro DV Camcorder"), kDeviceTypeDv);
  EXPECT_EQ(list.GetDeviceType("Vidarro HDV Camcorder"), kDeviceTypeHdv);
  EXPECT_EQ(list.GetDeviceType("Nothing"), kDeviceTypeUnknown);
  EXPECT_EQ(list.GetHdvDeviceName(), "Vidarro HDV Camcorder");
  EXPECT_EQ(list.GetDvDeviceName(), "Vidarro DV Camcorder");
  EXPECT_TRUE(list.HasWdmDevice() && list.HasDvDevice() && list.HasHdvDevice());

  std::string partner = "stale";
  ASSERT_TRUE(list.FindAudioPartner("Vidarro USB Video Capture", partner));
  EXPECT_EQ(partner, "Vidarro USB Audio Capture");
  ASSERT_TRUE(list.FindVideoPartner("Vidarro USB Audio Capture", partner));
  EXPECT_EQ(partner, "Vidarro USB Video Capture");
  EXPECT_FALSE(list.FindAudioPartner("Vidarro DV Camcorder", partner));
  EXPECT_EQ(partner, "");

  // The box is one of the suite's own.
  std::string known;
  EXPECT_TRUE(list.FindKnownVideoDevice(known));
  EXPECT_EQ(known, "Vidarro USB Video Capture");
  EXPECT_TRUE(list.FindKnownVideoDeviceByName(known));
  EXPECT_TRUE(list.FindKnownAudioDevice(known));
  EXPECT_EQ(known, "Vidarro USB Audio Capture");
  EXPECT_TRUE(list.HasKnownVideoDeviceName());
  EXPECT_FALSE(list.IsSpecialUsbDevice("Vidarro USB Video Capture"));
  EXPECT_TRUE(CCaptureDeviceList::IsKnownUsbHardwareId("vid_1b80&pid_e30b"));
  EXPECT_FALSE(CCaptureDeviceList::IsKnownUsbHardwareId("VID_1B80&PID_E30"));
  EXPECT_TRUE(CCaptureDeviceList::IsKnownAudioDeviceName("My Vidarro USB Audio input"));
  EXPECT_FALSE(CCaptureDeviceList::IsKnownVideoDeviceName("Vidarro USB Audio"));
}

TEST(CaptureDeviceListTest, PathsHardwareIdsAndDuplicateNames) {
  EXPECT_EQ(CCaptureDeviceList::PathOf(kUsbVideoPath), "\\\\?\\usb#vid_0abc&pid_0def&mi_00#7&2a&0&0000");
  EXPECT_EQ(CCaptureDeviceList::HardwareIdOf(CCaptureDeviceList::PathOf(kUsbVideoPath)), "VID_0ABC&PID_0DEF");
  EXPECT_EQ(CCaptureDeviceList::PathOf("\\\\?\\usb#vid_0abc&pid_0def"), "");
  EXPECT_EQ(CCaptureDeviceList::HardwareIdOf("usb#vid_0abc&mi_00"), "");

  auto special = Video("S", sim::DeviceKind::UsbBox, "Twin",
                       "\\\\?\\usb#vid_1b80&pid_e30b#1#{65e8773d-8f56-11d0-a3b9-00a0c9223196}");
  auto plain =
      Video("P", sim::DeviceKind::UsbBox, "Twin", "\\\\?\\pci#ven_1131#{65e8773d-8f56-11d0-a3b9-00a0c9223196}");
  plain.audioPin = true;
  auto dvOdd =
      Video("D", sim::DeviceKind::DvCamcorder, "Odd DV", "\\\\?\\avc#odd#{65e8773d-8f56-11d0-a3b9-00a0c9223196}");
  dvOdd.deviceClassGuid = "{11111111-0000-0000-0000-000000000000}";
  auto hdvLower =
      Video("H", sim::DeviceKind::HdvCamcorder, "Lower HDV", "\\\\?\\avc#hdv#{65e8773d-8f56-11d0-a3b9-00a0c9223196}");
  hdvLower.deviceClassGuid = "{8c0f6af2-0edb-44c1-8aeb-59040bd830ed}";
  const std::string longName = std::string(300, 'L') + " USB";
  auto orphanAudio = Audio("GONE", "Orphan", 9, "", 3);
  orphanAudio.dsGuid = GUID_NULL;  // DirectSound cannot describe it
  auto usbVideo = Video("UV", sim::DeviceKind::UsbBox, longName, kUsbVideoPath);
  sim::Hardware::Instance().SetDevices(
      {plain, special, dvOdd, hdvLower, usbVideo, Audio("UA", "Line (USB)", 4, kUsbAudioPath, 1),
       Audio("MIC", "Mic USB array", 2, "\\\\?\\hdaudio#func_01#4&2c#{6994ad04-93ef-11d0-a3cc-00a0c9223196}", 2),
       orphanAudio, Audio("NOWAVE", "No Wave", -1, "", 4)});
  CCaptureDeviceList list;
  ASSERT_EQ(list.GetVideoDeviceCount(), 5);
  // The first "Twin" has its own audio pin; the second is a special box.
  EXPECT_EQ(list.GetVideoDevice(0)->kind, kDeviceWdmWithAudio);
  EXPECT_TRUE(list.HasAudioPin("twin"));
  EXPECT_TRUE(list.IsSpecialUsbDevice("Twin"));    // passes over the entry without a known id
  EXPECT_EQ(list.GetVideoHardwareId("Twin"), "");  // the first entry answers
  std::string partner;
  EXPECT_FALSE(list.FindAudioPartner("Twin", partner));  // empty id never pairs, not even with empty ids
  EXPECT_EQ(list.GetVideoDevice(2)->kind, kDeviceOtherVideo);
  EXPECT_EQ(list.GetDeviceType("Odd DV"), kDeviceTypeUnknown);
  EXPECT_EQ(list.GetVideoDevice(3)->kind, kDeviceHdv);
  // A name far longer than any fixed field stays whole and pairs with its audio.
  EXPECT_EQ(list.GetVideoDevice(4)->name, longName);
  ASSERT_TRUE(list.FindAudioPartner(longName, partner));
  EXPECT_EQ(partner, "Line (USB)");
  std::string found;
  EXPECT_TRUE(list.FindKnownVideoDevice(found));  // by the special box's hardware id
  EXPECT_EQ(found, "Twin");
  EXPECT_FALSE(list.FindKnownVideoDeviceByName(found));
  EXPECT_EQ(found, "");

  ASSERT_EQ(list.GetAudioDeviceCount(), 4);
  EXPECT_EQ(list.GetAudioDevice(0)->kind, kDeviceUsbAudio);
  EXPECT_EQ(list.GetAudioDevice(1)->kind, kDeviceAudio);
  EXPECT_FALSE(list.IsUsbAudioDevice("Mic USB array"));  // the list's kind wins over the name
  EXPECT_TRUE(list.IsUsbAudioDevice("Unlisted USB thing"));
  EXPECT_FALSE(list.IsUsbAudioDevice("Unlisted thing"));
  const auto* orphan = list.GetAudioDevice(2);  // a wave number DirectSound does not know
  EXPECT_EQ(orphan->kind, kDeviceAudio);
  EXPECT_EQ(orphan->path, "");
  EXPECT_EQ(orphan->description, "");
  EXPECT_EQ(list.GetAudioDevice(3)->kind, kDeviceOtherVideo);
  EXPECT_EQ(list.GetAudioDevice(3)->waveInId, -1);
}

TEST(SoundDeviceListTest, LookupsByWaveNumberAndInterfaceText) {
  const std::string longName = std::string(120, 'A') + " (USB)";
  auto first = Audio("A1", longName, 1, kUsbAudioPath, 1);
  auto second = Audio("A2", "Second", 1, "\\\\?\\hdaudio#func_01#usb-like#{6994ad04}", 2);
  sim::Hardware::Instance().SetDevices({first, second});
  CSoundDeviceList sounds;
  sounds.Enumerate();
  ASSERT_EQ(sounds.CaptureDevices().size(), 3u);
  const auto& primary = *sounds.CaptureDevices()[0];
  EXPECT_EQ(primary.id, GUID_NULL);
  EXPECT_EQ(primary.waveId, -1);
  EXPECT_EQ(primary.description, "");
  EXPECT_EQ(primary.idText, "");
  EXPECT_EQ(sounds.CaptureDevices()[1]->idText, GuidToString(first.dsGuid));
  EXPECT_EQ(sounds.GetInterfaceByWaveId(1), kUsbAudioPath);  // the first of two sharing the number
  EXPECT_EQ(sounds.GetDescriptionByWaveId(7), "");
  EXPECT_EQ(sounds.FindWaveIdByInterfaceText(FALSE, "vid_0abc"), 1);
  EXPECT_EQ(sounds.FindWaveIdByInterfaceText(FALSE, "\\\\?"), -1);  // only at the first character
  EXPECT_EQ(sounds.FindWaveIdByInterfaceText(TRUE, "vid_0abc"), -1);
  EXPECT_EQ(sounds.GetDescriptionByInterfaceText("USB-LIKE"), "Second (DirectSound)");
  EXPECT_EQ(sounds.GetAudioInputNameByInterfaceText("PID_0DEF"), longName);  // not cut to 79
  GUID id;
  EXPECT_EQ(GetDeviceIdByWaveName("Second (DirectSound)", TRUE, &id), S_OK);
  EXPECT_EQ(id, second.dsGuid);
  EXPECT_TRUE(FAILED(GetDeviceIdByWaveName("Second (DirectSound)", FALSE, &id)));
}

#include <mutex>

#include "platform/com/class_table.h"
#include "platform/com/object.h"
#include "platform/dshow/dsound.h"

namespace {
// A driver whose size answer is smaller than the record itself, with texts outside the answer.
class ShortAnswerDriver : public platform::com::ComObject<IKsPropertySet> {
 public:
  static inline std::vector<DWORD> lengths;
  STDMETHODIMP Set(REFGUID, DWORD, LPVOID, DWORD, LPVOID, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Get(REFGUID, DWORD id, LPVOID, DWORD, LPVOID data, DWORD length, DWORD* returned) override {
    lengths.push_back(length);
    if (id != DSPROPERTY_DIRECTSOUNDDEVICE_DESCRIPTION_A) return E_PROP_ID_UNSUPPORTED;
    if (lengths.size() == 1) {
      *returned = 8;
      return S_OK;
    }
    if (length < sizeof(DSPROPERTY_DIRECTSOUNDDEVICE_DESCRIPTION_A_DATA)) return E_INVALIDARG;
    auto* record = static_cast<DSPROPERTY_DIRECTSOUNDDEVICE_DESCRIPTION_A_DATA*>(data);
    static char elsewhere[] = "outside the answer";
    record->Description = elsewhere;
    record->WaveDeviceId = 7;
    *returned = length;
    return S_OK;
  }
  STDMETHODIMP QuerySupported(REFGUID, DWORD, DWORD*) override { return S_OK; }
};
}  // namespace

TEST(SoundDeviceListTest, UndersizedDriverAnswerIsHandledSafely) {
  platform::com::ClassRegistration spy(CLSID_DirectSoundPrivate, platform::com::CreatorOf<ShortAnswerDriver>());
  ShortAnswerDriver::lengths.clear();
  int waveId = -1;
  std::string description = "x", module, interfacePath;
  ASSERT_TRUE(GetDeviceDescription(GUID{1, 2, 3, {4}}, &waveId, &description, &module, &interfacePath));
  ASSERT_EQ(ShortAnswerDriver::lengths.size(), 2u);
  EXPECT_EQ(ShortAnswerDriver::lengths[1], sizeof(DSPROPERTY_DIRECTSOUNDDEVICE_DESCRIPTION_A_DATA));
  EXPECT_EQ(waveId, 7);
  EXPECT_EQ(description, "");  // a text pointer outside the answer is not followed
}

// A thousand audio inputs took most of a minute to list: each entry enumerated every sound
// device again and each description copied the whole list. Listing them is now well within
// the time a program has to show its window, and every entry still gets its own device's data.
TEST(CaptureDeviceListTest, AThousandAudioInputsAreListedQuickly) {
  std::vector<sim::DeviceDesc> devices;
  for (int i = 0; i < 1000; ++i) {
    const std::string n = std::to_string(i);
    devices.push_back(Audio("A" + n, "Input " + n, i, "\\\\?\\hdaudio#func_01#" + n + "#{6994ad04}", i));
  }
  sim::Hardware::Instance().SetDevices(devices);
  const auto start = std::chrono::steady_clock::now();
  CCaptureDeviceList list;
  list.EnumAudioDevices();
#if defined(__SANITIZE_ADDRESS__)
  const auto limit = std::chrono::seconds(20);  // a checked Debug build; the old cost was minutes
#else
  const auto limit = std::chrono::seconds(2);
#endif
  EXPECT_LT(std::chrono::steady_clock::now() - start, limit);
  ASSERT_EQ(list.GetAudioDeviceCount(), 1000);
  for (int i : {0, 1, 500, 999}) {
    const auto* item = list.GetAudioDevice(i);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->name, "Input " + std::to_string(i));
    EXPECT_EQ(item->description, "Input " + std::to_string(i) + " (DirectSound)");
    EXPECT_EQ(item->path, "\\\\?\\hdaudio#func_01#" + std::to_string(i));
  }
}
