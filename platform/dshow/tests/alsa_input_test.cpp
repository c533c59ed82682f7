// The machine's sound inputs over real libasound, with the tone plugin as the card: what the
// enumerators list, a card's rate converted, overruns filled and a vanished card reported.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/com/com_ptr.h"
#include "platform/com/oleauto.h"
#include "platform/base/debug_output.h"
#include "platform/dshow/alsa_capture.h"
#include "platform/dshow/alsa_capture_filter.h"
#include "platform/dshow/alsa_inputs.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/dsound.h"
#include "platform/dshow/tests/audio_sink.h"
#include "platform/dshow/tests/tone_card.h"
#include "platform/dshow/uuids.h"
#include "platform/dshow/v4l2_devices.h"

using namespace platform::dshow;
using namespace platform::dshow::testing;
namespace fs = std::filesystem;

namespace {

struct AudioInput {
  std::string name;
  long waveInId = -1;
};

std::vector<AudioInput> ListedInputs() {
  std::vector<AudioInput> out;
  CComPtr<ICreateDevEnum> devEnum;
  EXPECT_EQ(devEnum.CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER), S_OK);
  IEnumMoniker* e = nullptr;
  if (devEnum->CreateClassEnumerator(CLSID_AudioInputDeviceCategory, &e, 0) != S_OK) return out;
  CComPtr<IEnumMoniker> monikers;
  monikers.Attach(e);
  for (IMoniker* m = nullptr; monikers->Next(1, &m, nullptr) == S_OK;) {
    CComPtr<IMoniker> moniker;
    moniker.Attach(m);
    CComPtr<IPropertyBag> bag;
    m->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag));
    platform::com::ScopedVariant name, id;
    name.get()->vt = VT_BSTR;
    AudioInput in;
    if (SUCCEEDED(bag->Read("FriendlyName", name.get(), nullptr))) in.name = platform::com::FromBstr(name->bstrVal);
    if (SUCCEEDED(bag->Read("WaveInId", id.get(), nullptr))) in.waveInId = id->lVal;
    out.push_back(in);
  }
  return out;
}

BOOL CollectDescription(GUID*, LPCSTR description, LPCSTR, LPVOID context) {
  static_cast<std::vector<std::string>*>(context)->push_back(description);
  return TRUE;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Reads for `seconds` of wall time; the frames read, the left channel kept.
struct Reading {
  std::vector<std::int16_t> left;
  double seconds = 0;
  int error = 0;
};
Reading ReadFor(alsa::Capture& capture, int channels, double seconds) {
  Reading r;
  EXPECT_EQ(capture.Restart(), 0);
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::int16_t> samples;
  while (Seconds(start) < seconds) {
    const int frames = capture.Read(&samples, 100);
    if (frames < 0) {
      r.error = frames;
      break;
    }
    for (int i = 0; i < frames; ++i) r.left.push_back(samples[static_cast<std::size_t>(i * channels)]);
  }
  r.seconds = Seconds(start);
  return r;
}

int Crossings(const std::vector<std::int16_t>& s) {
  int n = 0;
  for (std::size_t i = 1; i < s.size(); ++i) n += (s[i - 1] < 0) != (s[i] < 0);
  return n;
}

// The longest run of zero samples.
std::size_t LongestSilence(const std::vector<std::int16_t>& s) {
  std::size_t longest = 0, run = 0;
  for (auto v : s) longest = std::max(longest, run = v == 0 ? run + 1 : 0);
  return longest;
}

TEST(AlsaInputs, TheDefaultDeviceIsAWaveInputByItsOwnNameAndNoCardMeansNoInput) {
  InstallToneCard(Tone(48000, 2, 1.0, 1000, -12), {});
  const auto inputs = alsa::CaptureInputs();
  ASSERT_EQ(inputs.size(), 1u);
  EXPECT_EQ(inputs[0].pcm, "default");
  EXPECT_EQ(inputs[0].name, "Vidarro Test Card");
  const auto listed = ListedInputs();
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].name, "Vidarro Test Card");
  EXPECT_EQ(listed[0].waveInId, 0);
  std::vector<std::string> sound;
  DirectSoundCaptureEnumerateA(CollectDescription, &sound);
  EXPECT_EQ(sound, (std::vector<std::string>{"Primary Sound Capture Driver", "Vidarro Test Card"}));

  RemoveSoundCards();
  EXPECT_TRUE(alsa::CaptureInputs().empty());
  EXPECT_TRUE(ListedInputs().empty());
  sound.clear();
  DirectSoundCaptureEnumerateA(CollectDescription, &sound);
  EXPECT_TRUE(sound.empty());
}

TEST(AlsaInputs, AUsbCardsPathCarriesTheVendorAndProductOfTheBoxItsPictureComesFrom) {
  const fs::path root = fs::path(std::getenv("TMPDIR")) / "sysfs";
  fs::remove_all(root);
  const fs::path box = root / "devices/pci0000:00/0000:00:14.0/usb1/1-2";
  fs::create_directories(box / "1-2:1.0");
  fs::create_directories(box / "1-2:1.2");
  std::ofstream(box / "idVendor") << "534d\n";
  std::ofstream(box / "idProduct") << "2109\n";
  std::ofstream(box / "1-2:1.0/bInterfaceNumber") << "00\n";
  std::ofstream(box / "1-2:1.2/bInterfaceNumber") << "02\n";
  fs::create_directories(root / "class/video4linux/video0");
  fs::create_directories(root / "class/sound/card1");
  fs::create_directory_symlink(box / "1-2:1.0", root / "class/video4linux/video0/device");
  fs::create_directory_symlink(box / "1-2:1.2", root / "class/sound/card1/device");

  const std::string picture = v4l2::DevicePathOf(root.string(), "video0");
  const std::string sound = alsa::CardInterfacePath(root.string(), 1);
  EXPECT_EQ(picture.rfind("\\\\?\\usb#vid_534d&pid_2109&mi_00#1-2#", 0), 0u) << picture;
  EXPECT_EQ(sound, "\\\\?\\usb#vid_534d&pid_2109&mi_02#1-2#{6994ad04-93ef-11d0-a3cc-00a0c9223196}\\global");
  // A card that is no USB or PCI device is a root device of its own.
  EXPECT_EQ(alsa::CardInterfacePath(root.string(), 3).rfind("\\\\?\\root#media#card3#", 0), 0u);
}

TEST(AlsaCapture, ARateTheCardRefusesIsConvertedNotPlayedAtTheWrongSpeed) {
  InstallToneCard(Tone(44100, 1, 1.0, 1000, -6), {.rate = 44100, .channels = 1});
  alsa::Capture capture;
  ASSERT_EQ(capture.Open("default", 48000, 2), 0);
  const Reading r = ReadFor(capture, 2, 1.5);
  ASSERT_EQ(r.error, 0);
  const double recorded = static_cast<double>(r.left.size()) / 48000;
  EXPECT_NEAR(recorded, r.seconds, 0.08);
  // 1 kHz stays 1 kHz: two crossings a cycle.
  EXPECT_NEAR(Crossings(r.left) / recorded, 2000.0, 40.0);
  EXPECT_EQ(capture.Overruns(), 0);
}

TEST(AlsaCapture, AnOverrunIsCountedAndTheTimeItLostComesBackAsSilence) {
  InstallToneCard(Tone(48000, 2, 1.0, 1000, -6), {.stallAtMs = 400, .stallMs = 300});
  alsa::Capture capture;
  ASSERT_EQ(capture.Open("default", 48000, 2), 0);
  const Reading r = ReadFor(capture, 2, 1.5);
  ASSERT_EQ(r.error, 0);
  EXPECT_GE(capture.Overruns(), 1);
  EXPECT_NEAR(static_cast<double>(r.left.size()) / 48000, r.seconds, 0.08);
  EXPECT_GE(LongestSilence(r.left), 48000u * 15 / 100);
}

TEST(AlsaCapture, ACardThatVanishesEndsReadingWithAnErrorAndABusyOneIsToldFromAMissingOne) {
  InstallToneCard(Tone(48000, 2, 1.0, 1000, -6), {.failAtMs = 400});
  alsa::Capture capture;
  ASSERT_EQ(capture.Open("default", 48000, 2), 0);
  const Reading r = ReadFor(capture, 2, 3.0);
  EXPECT_LT(r.error, 0);
  EXPECT_LT(r.seconds, 1.5);
  EXPECT_NEAR(static_cast<double>(r.left.size()) / 48000, 0.4, 0.1);

  InstallToneCard(Tone(48000, 2, 1.0, 1000, -6), {.busy = true});
  EXPECT_EQ(alsa::CaptureInputs().size(), 1u);  // held, yet there
  alsa::Capture held;
  EXPECT_EQ(held.Open("default", 48000, 2), -EBUSY);
  RemoveSoundCards();
  alsa::Capture none;
  const int missing = none.Open("default", 48000, 2);
  EXPECT_LT(missing, 0);
  EXPECT_NE(missing, -EBUSY);
  EXPECT_FALSE(none.IsOpen());
}

// Through a graph: the filter of a held card fails the start and names it; one that vanishes
// while running reports the device-lost event.
TEST(AlsaCaptureFilter, AHeldCardFailsTheStartByNameAndAVanishedOneReportsDeviceLost) {
  InstallToneCard(Tone(48000, 2, 1.0, 1000, -6), {.busy = true});
  auto inputs = alsa::CaptureInputs();
  ASSERT_EQ(inputs.size(), 1u);
  CComPtr<IBaseFilter> held;
  ASSERT_EQ(alsa::CreateCaptureFilter(inputs[0], IID_IBaseFilter, reinterpret_cast<void**>(&held)), S_OK);
  CountingGraph busy;
  ASSERT_TRUE(busy.Build(held));
  {
    platform::DebugOutputCapture output;
    EXPECT_EQ(busy.control->Run(), HRESULT_FROM_WIN32(170));  // ERROR_BUSY
    EXPECT_NE(output.Text().find("\"Vidarro Test Card\" (default) is in use by another program"), std::string::npos)
        << output.Text();
  }
  busy.control->Stop();

  InstallToneCard(Tone(48000, 2, 1.0, 1000, -6), {.failAtMs = 500});
  CComPtr<IBaseFilter> vanishing;
  ASSERT_EQ(alsa::CreateCaptureFilter(inputs[0], IID_IBaseFilter, reinterpret_cast<void**>(&vanishing)), S_OK);
  CountingGraph running;
  ASSERT_TRUE(running.Build(vanishing));
  ASSERT_EQ(running.control->Run(), S_OK);
  EXPECT_TRUE(running.counter->WaitFor(48000 * 4 / 5, 10));  // sound until it goes
  long code = 0;
  LONG_PTR p1 = 0, p2 = 0;
  LONG_PTR lostFlag = -1;
  for (int i = 0; i < 100 && code != EC_DEVICE_LOST; ++i) {
    if (running.events->GetEvent(&code, &p1, &p2, 100) != S_OK) continue;
    if (code == EC_DEVICE_LOST) lostFlag = p2;
    running.events->FreeEventParams(code, p1, p2);
  }
  EXPECT_EQ(code, EC_DEVICE_LOST);
  EXPECT_EQ(lostFlag, 0);
  running.control->Stop();
}

}  // namespace
