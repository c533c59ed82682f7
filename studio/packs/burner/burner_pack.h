// The burner pack: a burn list of media files and the burns of the capture page's record-and-burn
// recordings, each run by the burn engine off the window while the pack's window shows its
// progress; every end hands the main window back.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "burn_engine.h"
#include "burn_view.h"
#include "disc_encode_settings.h"
#include "pack_interfaces.h"
#include "platform/com/object.h"

class CQnDataCDDVD;

namespace studio::packs {

DEFINE_GUID(CLSID_BurnerPack, 0x5B0E2C62, 0x77A1, 0x4D0F, 0x9E, 0x41, 0x2A, 0x6C, 0x11, 0xD0, 0x3B, 0x52);

// The answer to "checkdrive": 0 no writable disc, else 100000 (CD), 200000 (rewritable DVD) or
// 300000 (write-once DVD) plus the free megabytes.
int DriveCheckCode(unsigned char discType, unsigned long freeBlocks);
// A recording's file, or its numbered parts ("X_1.mpg", "X_2.mpg", ...) when the file itself is absent.
std::vector<std::string> RecordedFiles(const std::string& path);

class CBurnerPack final : public platform::com::ComObject<IPack> {
 public:
  // Posted to the pack's window: the engine changed (from its worker), a start was refused.
  static constexpr UINT kEngineChanged = WM_APP + 1;
  static constexpr UINT kStartRefused = WM_APP + 2;

  CBurnerPack();
  const std::vector<std::string>& BurnList() const { return list_; }
  bool Burning() const { return burning_ || waitingForTitle_; }
  bool HasProjectTitle() const { return titleInList_; }
  // The end of the last burn: 0 none yet, 1 burned, -1 failed or cancelled.
  int LastResult() const { return lastResult_; }
  HWND Window() const { return view_.Window(); }
  void Cancel();

  STDMETHODIMP Reserved3() override { return S_OK; }
  STDMETHODIMP SetHost(IPackHost* host) override;
  STDMETHODIMP Uninitialize() override;
  STDMETHODIMP CreateWindow(DWORD style, const RECT* area, HWND parent) override;
  STDMETHODIMP DestroyWindow() override;
  STDMETHODIMP MoveWindow(const RECT* area) override;
  STDMETHODIMP_(int) QueryBusy(int) override { return Burning() ? 1 : 0; }
  STDMETHODIMP Show(BOOL show) override;
  STDMETHODIMP Reserved11() override { return S_OK; }
  STDMETHODIMP Reserved12() override { return S_OK; }
  STDMETHODIMP LoadProject(IProjectDocument* document) override;
  STDMETHODIMP SaveProject(IProjectDocument* document) override;
  STDMETHODIMP Reserved15() override { return S_OK; }
  STDMETHODIMP Command(LPCSTR sender, LPCSTR text) override;
  // Dropped media files join the burn list; the project title's entry puts the edited video in.
  STDMETHODIMP DropData(HANDLE data) override;
  STDMETHODIMP DragOver(POINT*, DWORD* effect) override;
  STDMETHODIMP Reserved19() override { return S_OK; }
  STDMETHODIMP FilterMessage(MSG*) override { return S_FALSE; }

 protected:
  ~CBurnerPack() override;

 private:
  HRESULT BurnListAsDvd();
  HRESULT StartJob(BurnJob job);
  void OnWindowMessage(UINT message);
  void Finish(const std::string& text, bool burned);
  bool ChooseDrive(char letter);
  void LockDisc(bool lock);
  void RefreshList();
  std::string WorkRoot() const;

  IPackHost* host_ = nullptr;
  BurnView view_;
  // The window the worker posts to: read on the worker, changed on the window's thread.
  std::atomic<HWND> notifyWindow_{nullptr};
  BurnEngine engine_;
  std::vector<std::string> list_;
  std::unique_ptr<CQnDataCDDVD> writer_;  // the drives "checkdrive" and "disclock" speak of
  DiscFormat format_ = DiscFormat::Dvd;
  bool ntsc_ = true;
  char driveLetter_ = 0;  // the drive the page last asked about
  bool locked_ = false;
  bool burning_ = false;
  int lastResult_ = 0;
  std::string refusal_;
  std::string workFolder_;
  // The recording "burning file=" named, burned by the next "EndCapture ok=1".
  std::vector<std::string> recording_;
  // The files of the burn that runs now: the only ones "isfilebusy" holds.
  std::vector<std::string> busyFiles_;
  // The editor's edited video, burned as the first title once the host has had it rendered.
  bool titleInList_ = false;
  std::string titleFile_;
  bool waitingForTitle_ = false;
};

void RegisterBurnerPack();

}  // namespace studio::packs
