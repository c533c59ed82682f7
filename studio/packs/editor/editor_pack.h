// The editor pack: the storyboard of clips that it renders into one video file with ffmpeg.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "clip_reader.h"
#include "file_information.h"
#include "pack_interfaces.h"
#include "platform/com/object.h"
#include "render_job.h"
#include "render_request.h"
#include "storyboard.h"
#include "storyboard_view.h"

namespace studio::packs {

DEFINE_GUID(CLSID_EditorPack, 0x5B0E2C61, 0x77A1, 0x4D0F, 0x9E, 0x41, 0x2A, 0x6C, 0x11, 0xD0, 0x3B, 0x51);

class CEditorPack final : public platform::com::ComObject<IPack> {
 public:
  // Messages the pack's workers post to its window.
  static constexpr UINT kClipsRead = WM_APP + 1;
  static constexpr UINT kRenderProgress = WM_APP + 2;
  static constexpr UINT kRenderEnded = WM_APP + 3;
  static constexpr UINT kInformationRead = WM_APP + 4;

  CEditorPack();
  const Storyboard& Board() const { return board_; }
  // The storyboard's paths in order.
  std::vector<std::string> Timeline() const;
  HWND Window() const { return view_.Window(); }
  StoryboardView& View() { return view_; }
  bool Rendering() const { return render_ != nullptr; }
  // Clips still being read.
  bool Reading() const;
  // Nothing left for the clip reader: every fact and picture asked for has arrived.
  bool ReaderIdle() const { return !reader_ || reader_->Pending() == 0; }

  STDMETHODIMP Reserved3() override { return S_OK; }
  STDMETHODIMP SetHost(IPackHost* host) override;
  STDMETHODIMP Uninitialize() override;
  STDMETHODIMP CreateWindow(DWORD style, const RECT* area, HWND parent) override;
  STDMETHODIMP DestroyWindow() override;
  STDMETHODIMP MoveWindow(const RECT* area) override;
  // Nonzero while a render runs; the user who tried to leave the step or close is told why.
  STDMETHODIMP_(int) QueryBusy(int) override;
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
    RenderRequest request;
    std::unique_ptr<RenderJob> job;  // none while the clips are still being read
  };

  // The clips go in at `at`, or at the end (-1), at once; the worker reads them.
  void AddClips(const std::vector<std::string>& paths, int at = -1);
  // Queued for the worker; read before returning only while there is no window (and no worker).
  void ReadClip(const StoryboardClip& clip);
  // Names the clips that were refused, once every clip is read.
  void TellUnreadable();
  void ClipsRead();
  void StoryboardChanged();
  static constexpr int kKeepSelection = -2;
  // Shows the storyboard with the clip at `select` chosen (-1 none).
  void RefreshView(int select = kKeepSelection);
  void NotifyTitle();
  void Notify(const std::string& text);
  void OnViewCommand(int id);
  void ChooseFiles();
  void TrimSelected();
  // Read behind the window; the dialog shows once it is read.
  void ShowFileInformation(const std::string& path);
  void FileInformationRead(const std::string& path, const std::string& text);
  void TellUser(const std::string& text, UINT type);
  HWND DialogOwner() const;
  HRESULT StartRender(const std::string& text);
  // Starts ffmpeg on the read storyboard; otherwise says why it cannot.
  std::string BeginRender(const RenderRequest& request);
  // Starts the render that waited for the clips once they are read, or ends it as failed.
  void BeginWaitingRender();
  void RenderProgressed();
  void RenderEnded();
  void CancelRender();

  IPackHost* host_ = nullptr;
  StoryboardView view_;
  Storyboard board_;
  std::unique_ptr<ClipReader> reader_;
  std::unique_ptr<FileInformationReader> information_;
  std::map<std::uint64_t, std::vector<std::uint8_t>> thumbnails_;  // 80 x 60 bitmap file images
  std::vector<std::string> unreadable_;                            // clips that were read and refused, told together
  bool titleDue_ = false;  // the storyboard changed since the title was last told
  std::unique_ptr<Render> render_;
  std::optional<POINT> dragPoint_;  // where files dragged over the step were last, in the window
};

void RegisterEditorPack();

}  // namespace studio::packs
