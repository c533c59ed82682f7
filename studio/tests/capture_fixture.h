// The main window on its capture page with the simulated capture hardware, on the manual clock,
// for tests that preview and record.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "capture_engine.h"
#include "platform/com/class_table.h"
#include "scripted_pack.h"
#include "capture_page.h"
#include "platform/base/local_time.h"
#include "platform/base/process.h"
#include "platform/dshow/sim_hardware.h"
#include "window_fixture.h"

namespace studio {

class CaptureFixture : public QuillonWindowFixture {
 protected:
  void SetUp() override {
    QuillonWindowFixture::SetUp();
    platform::dshow::sim::Hardware::Instance().SetDevices(platform::dshow::sim::DefaultDevices());
  }
  void TearDown() override {
    TheCaptureEngine().graph.CloseDevice();
    TheCaptureEngine().dvGraph.Close();
    QuillonWindowFixture::TearDown();
  }
  // Runs the main window; `step` runs once the capture page shows.
  void RunCapture(const std::function<void(CQuillonDlg&, CCapturePage&, HWND page)>& step) {
    CLoadingDlg* splash = nullptr;
    model_.currentPage = -1;  // a new window, as at start-up
    CQuillonDlg dialog(&model_, {}, &splash);
    dialog.SetPageAreaControl(IDC_PAGE_AREA);
    CCapturePage page;
    dialog.AddPage(&page, kCapturePageId);
    testkit::WhenDialogShows([&](HWND d) {
      time_.Advance(kStartMs);
      // The start opens the untitled project, which reads the settings afresh: the test's own
      // choices go in after it, and the page is shown again with them.
      if (configure && page.m_hWnd) {
        configure(model_.settings);
        page.OnSetActive();
      }
      if (page.m_hWnd) step(dialog, page, page.m_hWnd);
      testkit::EndUnansweredDialogs();
      ::SendMessage(page.m_hWnd, WM_CAPTURE_END_AND_CLOSE, 0, 0);
      (void)d;
    });
    dialog.DoModal();
  }
  // Moves device time on in 100 ms steps, giving the encoder real time to take what was
  // delivered before the next step (bounded by wall time).
  void Record(int ms) {
    for (int t = 0; t < ms; t += 100) {
      time_.Advance(100);
      WaitForEncoder((t + 100) * 30 / 1001);
    }
  }
  void WaitForEncoder(int frames) {
    CCaptureGraph& graph = TheCaptureEngine().graph;
    CDvCaptureGraph& dv = TheCaptureEngine().dvGraph;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
      DWORD done = 0;
      if (graph.MpegEncoder()) graph.WriterHelper().GetEncoderStatus(graph.MpegEncoder(), nullptr, &done);
      else if (dv.MpegEncoder()) dv.WriterHelper().GetEncoderStatus(dv.MpegEncoder(), nullptr, &done);
      else {
        // Writers without an encoder count nothing: they get a moment per step.
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        return;
      }
      if (static_cast<int>(done) >= frames) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  // Waits real time, at most `seconds`, for the streaming threads to get somewhere; the clock
  // stands still meanwhile.
  static bool WaitReal(const std::function<bool()>& done, int seconds = 20) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return done();
  }
  // Pumps the queue until `done` holds, at most `seconds` of real time: what it waits for may be
  // posted from a streaming thread, which a loaded machine lets in late. The clock stands still.
  static bool PumpReal(const std::function<bool()>& done, int seconds = 20) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
      testkit::Pump();
      if (done()) return true;
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  // Lets the streaming threads write what they hold (no time passes on the clock).
  static void Settle(int ms = 50) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

  static std::string Probe(const std::string& entries, const std::string& file, const char* stream = nullptr) {
    std::vector<std::string> args = {"-v", "error"};
    if (stream) args.insert(args.end(), {"-select_streams", stream});
    args.insert(args.end(), {"-show_entries", entries, "-of", "default=nw=1:nk=1", file});
    std::string out, err;
    int code = -1;
    platform::RunProcess("ffprobe", args, &out, &err, &code, 60000);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
  }

  std::string Output() const { return model_.folders.output; }

  // Settings the page is shown with.
  std::function<void(AppSettings&)> configure;

  platform::FixedLocalTime localTime_{2026, 12, 9, 14, 5, 9};
  platform::ScopedLocalTime useLocalTime_{localTime_};
};

DEFINE_GUID(CLSID_CaptureTestBurner, 0x1A2B3C4D, 0x0012, 0x4000, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x12);

// The capture page with a burner pack that logs what the page tells it.
class BurnerCaptureFixture : public CaptureFixture {
 protected:
  bool Logged(const std::string& entry) const { return std::find(log_.begin(), log_.end(), entry) != log_.end(); }
  size_t LogIndex(const std::string& entry) const {
    return static_cast<size_t>(std::find(log_.begin(), log_.end(), entry) - log_.begin());
  }
  // A burner pack that accepts the option text, found by its ProgID as the installed one is.
  platform::com::ClassRegistration UseBurner() {
    burner_ = platform::com::MakeComObject<testing::ScriptedPack>("Burner");
    burner_->log = &log_;
    burner_->Answer("show option", S_OK);
    testing::ScriptedPack* pack = burner_.get();
    return platform::com::ClassRegistration(
        CLSID_CaptureTestBurner, [pack](REFIID riid, void** ppv) { return pack->QueryInterface(riid, ppv); },
        kBurnerProgId);
  }
  static std::string Command(const std::string& text) { return "Burner.Command:" + text + "<Vidarro5>"; }

  std::vector<std::string> log_;
  CComPtr<testing::ScriptedPack> burner_;
};

}  // namespace studio
