// The stock filters the capture graphs add by name. Renderers are headless: they keep their window
// state and count what they are given; the writers take samples and remember their
// file name (they write nothing yet).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/dshow/control_interfaces.h"
#include "platform/dshow/transform_filter.h"
#include "platform/dshow/video_window.h"
#include "platform/dshow/writer_interfaces.h"

namespace media {
class Scaler;
}

namespace platform::dshow {

// The headless video window of a video renderer.
class CVideoRendererFilter : public CRendererFilter, public IVideoWindow {
 public:
  CVideoRendererFilter(const CLSID& clsid, std::string name);
  ~CVideoRendererFilter() override;
  DSHOW_FORWARD_IUNKNOWN(CRendererFilter)

  STDMETHODIMP put_Caption(BSTR caption) override;
  STDMETHODIMP get_Caption(BSTR* caption) override;
  STDMETHODIMP put_WindowStyle(long style) override;
  STDMETHODIMP get_WindowStyle(long* style) override;
  STDMETHODIMP put_AutoShow(long autoShow) override;
  STDMETHODIMP get_AutoShow(long* autoShow) override;
  STDMETHODIMP put_Visible(long visible) override;
  STDMETHODIMP get_Visible(long* visible) override;
  STDMETHODIMP put_Owner(OAHWND owner) override;
  STDMETHODIMP get_Owner(OAHWND* owner) override;
  STDMETHODIMP put_MessageDrain(OAHWND drain) override;
  STDMETHODIMP get_MessageDrain(OAHWND* drain) override;
  STDMETHODIMP put_FullScreenMode(long fullScreen) override;
  STDMETHODIMP get_FullScreenMode(long* fullScreen) override;
  STDMETHODIMP SetWindowForeground(long focus) override;
  STDMETHODIMP SetWindowPosition(long left, long top, long width, long height) override;
  STDMETHODIMP GetWindowPosition(long* left, long* top, long* width, long* height) override;

  RECT Position() const { return position_; }
  // The child window painting the latest picture, once an owner was given.
  HWND VideoWindowHandle() const { return window_.Handle(); }
  // The latest picture the window shows (bottom-up, 32-bit).
  std::vector<std::uint8_t> ShownPicture(int* width, int* height) { return window_.Picture(width, height); }

 protected:
  void* GetFilterInterface(REFIID riid) override;
  void Render(const MediaSample& sample) override;

 private:
  std::string caption_;
  long style_ = 0;
  long autoShow_ = OATRUE;
  long visible_ = OAFALSE;
  OAHWND owner_ = 0;
  OAHWND drain_ = 0;
  long fullScreen_ = OAFALSE;
  RECT position_;
  VideoWindow window_;
  // Pictures connected as YUV or 24-bit RGB are shown through a 32-bit copy at the window's size.
  std::unique_ptr<media::Scaler> scaler_;
  GUID scaledSubtype_{};
  int scaledWidth_ = 0, scaledHeight_ = 0;
  int shownWidth_ = 0, shownHeight_ = 0;
  std::vector<std::uint8_t> shown_;
  std::vector<std::uint8_t> scaled_;  // swscale's padded rows before they are packed into shown_
};

// Audio renderers offer a volume and a reference clock, as their platform counterparts do.
class CAudioRendererFilter : public CRendererFilter, public IBasicAudio, public IReferenceClock {
 public:
  CAudioRendererFilter(const CLSID& clsid, std::string name);
  DSHOW_FORWARD_IUNKNOWN(CRendererFilter)
  STDMETHODIMP put_Volume(long volume) override;
  STDMETHODIMP get_Volume(long* volume) override;
  STDMETHODIMP put_Balance(long balance) override;
  STDMETHODIMP get_Balance(long* balance) override;
  STDMETHODIMP GetTime(REFERENCE_TIME* time) override;

 protected:
  void* GetFilterInterface(REFIID riid) override;

 private:
  long volume_ = 0;
  long balance_ = 0;
};

// File writer, AVI Mux and WM ASF Writer: they take samples and keep the file name.
class CFileSinkBase : public IFileSinkFilter2 {
 public:
  STDMETHODIMP SetFileName(LPCOLESTR file, const AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP GetCurFile(LPOLESTR* file, AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP SetMode(DWORD flags) override;
  STDMETHODIMP GetMode(DWORD* flags) override;
  const std::string& FileName() const { return file_; }

 private:
  std::string file_;
  DWORD mode_ = 0;
};

// The MPEG-2 Demultiplexer (mpeg2_demultiplexer.cpp).
HRESULT CreateMpeg2Demultiplexer(REFIID riid, void** ppv);

// Registers every stock class (and the converters the graph may insert).
void RegisterStockFilters();

}  // namespace platform::dshow
