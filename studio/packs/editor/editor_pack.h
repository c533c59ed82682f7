// The editor pack: a timeline of clips that it renders into one MPEG file with ffmpeg.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "disc_encode_settings.h"
#include "pack_interfaces.h"
#include "platform/base/process.h"
#include "platform/com/object.h"

namespace studio::packs {

DEFINE_GUID(CLSID_EditorPack, 0x5B0E2C61, 0x77A1, 0x4D0F, 0x9E, 0x41, 0x2A, 0x6C, 0x11, 0xD0, 0x3B, 0x51);

struct RenderRequest {
  std::string type = "mpeg1";  // "mpeg1" at the asked size, or a disc's stream: "mpeg2" (DVD), "svcd", "vcd"
  int width = 0;
  int height = 0;
  int bitrate = 0;
  bool ntsc = true;
  bool otherAudio = false;  // "audiotype=1": the disc's second sound codec (AC-3 on a DVD)
  std::string path;
};
RenderRequest ParseRenderRequest(const std::string& text);

struct ClipFacts {
  double seconds = 0;
  bool hasAudio = false;
  bool picture = false;  // a still picture, shown for kPictureSeconds
};
constexpr double kPictureSeconds = 5;
// The disc whose stream a render type makes; nothing for "mpeg1".
std::optional<DiscFormat> RenderDiscFormat(const std::string& type);
// Why a render cannot start, or empty: the target's folder, ffmpeg and the free space for the
// estimated size are checked before the request is answered.
std::string RenderRefusal(const RenderRequest& request, double seconds);

// What ffprobe says of a clip; false when it cannot read it.
bool ProbeClip(const std::string& path, ClipFacts* facts);
// The ffmpeg arguments that render the clips into the request's file.
std::vector<std::string> RenderArguments(const std::vector<std::string>& clips, const std::vector<ClipFacts>& facts,
                                         const RenderRequest& request);

// A length on the storyboard: "h:mm:ss.t".
std::string PlayLength(double seconds);
// What the user is told when a render into `path` failed; `reason` is ffmpeg's last word, or empty.
std::string RenderFailureText(const std::string& path, const std::string& reason);

class CEditorPack final : public platform::com::ComObject<IPack> {
 public:
  static constexpr UINT_PTR kProgressTimer = 1;
  static constexpr UINT kProgressMs = 50;  // also how soon a finished render is noticed

  CEditorPack();
  const std::vector<std::string>& Timeline() const { return timeline_; }
  HWND Window() const { return window_; }
  bool Rendering() const { return render_ != nullptr; }
  // Called by the window's timer: reads ffmpeg's progress and finishes a render that ended.
  void PollRender();

  STDMETHODIMP Reserved3() override { return S_OK; }
  STDMETHODIMP SetHost(IPackHost* host) override;
  STDMETHODIMP Uninitialize() override;
  STDMETHODIMP CreateWindow(DWORD style, const RECT* area, HWND parent) override;
  STDMETHODIMP DestroyWindow() override;
  STDMETHODIMP MoveWindow(const RECT* area) override;
  STDMETHODIMP_(int) QueryBusy(int) override { return Rendering() ? 1 : 0; }
  STDMETHODIMP Show(BOOL show) override;
  STDMETHODIMP Reserved11() override { return S_OK; }
  STDMETHODIMP Reserved12() override { return S_OK; }
  STDMETHODIMP LoadProject(IProjectDocument* document) override;
  STDMETHODIMP SaveProject(IProjectDocument* document) override;
  STDMETHODIMP Reserved15() override { return S_OK; }
  STDMETHODIMP Command(LPCSTR sender, LPCSTR text) override;
  STDMETHODIMP DropData(HANDLE data) override;
  STDMETHODIMP DragOver(POINT* point, DWORD* effect) override;
  STDMETHODIMP Reserved19() override { return S_OK; }
  STDMETHODIMP FilterMessage(MSG*) override { return S_FALSE; }

 protected:
  ~CEditorPack() override;

 private:
  struct Render {
    platform::ChildProcess ffmpeg;
    std::string path;
    double totalSeconds = 0;
    int lastPercent = -1;
    std::string output;
    std::string errors;
  };

  // The clip's facts, read once; nullptr when it is no clip.
  const ClipFacts* FactsOf(const std::string& path);
  void AddToTimeline(const std::string& path);
  void ShowFileInformation(const std::string& path);
  void TimelineChanged();
  void Notify(const std::string& text);
  HRESULT StartRender(const std::string& text);
  void CancelRender();
  void RefreshWindow();

  IPackHost* host_ = nullptr;
  HWND window_ = nullptr;
  std::vector<std::string> timeline_;
  std::map<std::string, ClipFacts> facts_;
  std::unique_ptr<Render> render_;
};

void RegisterEditorPack();

}  // namespace studio::packs
