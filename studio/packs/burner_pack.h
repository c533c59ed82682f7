// The burner pack: a burn list of recorded clips that it authors as DVD-Video with dvdauthor and
// burns through the disc writer.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

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
  static constexpr UINT_PTR kBurnTimer = 1;
  static constexpr UINT kBurnMs = 250;

  CBurnerPack();
  const std::vector<std::string>& BurnList() const { return list_; }
  bool Burning() const { return burning_ || waitingForTitle_; }
  bool HasProjectTitle() const { return titleInList_; }
  // The end of the last burn: 0 none yet, 1 burned, -1 failed.
  int LastResult() const { return lastResult_; }
  void PollBurn();

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
  static void OnBurnEnd(int status, void* context);
  HRESULT StartBurn();
  HRESULT AuthorAndBurn();
  bool ChooseFirstWriter();
  void RefreshWindow();

  IPackHost* host_ = nullptr;
  HWND window_ = nullptr;
  std::vector<std::string> list_;
  std::unique_ptr<CQnDataCDDVD> writer_;
  bool ntsc_ = true;
  bool burning_ = false;
  std::atomic<int> burnStatus_{-1};  // set by the writer's thread
  int lastResult_ = 0;
  std::string workFolder_;
  // The editor's edited video, burned as the first title once the host has had it rendered.
  bool titleInList_ = false;
  std::string titleFile_;
  bool waitingForTitle_ = false;
};

void RegisterBurnerPack();

}  // namespace studio::packs
