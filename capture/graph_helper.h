// CGraphHelper: the graph operations every capture graph repeats (adding filters by class
// identifier under a name, finding pins, connecting, tearing down downstream of a filter, the
// reference clock, the running object table), and the free helpers beside it.
#pragma once

#include <string>

#include "platform/com/com_ptr.h"
#include "platform/dshow/control_interfaces.h"
#include "platform/dshow/device_interfaces.h"

class CGraphHelper {
 public:
  CGraphHelper() = default;
  virtual ~CGraphHelper();
  CGraphHelper(const CGraphHelper&) = delete;
  CGraphHelper& operator=(const CGraphHelper&) = delete;

  // Both are borrowed: the owning graph object releases them.
  void Attach(IGraphBuilder* graph, ICaptureGraphBuilder2* builder);

  // Removes and releases what the slot held, creates the class in-process and adds it under the name.
  HRESULT AddFilter(const CLSID& clsid, IBaseFilter** slot, LPCOLESTR name);

  // The index-th pin of a direction (counted within that direction), with a reference the
  // caller owns; *out stays NULL when there is none.
  void GetPin(IBaseFilter* filter, PIN_DIRECTION dir, int index, IPin** out);
  CComPtr<IPin> GetInputPin(IBaseFilter* filter, int index);
  CComPtr<IPin> GetOutputPin(IBaseFilter* filter, int index);

  HRESULT ConnectDirect(IBaseFilter* up, int outIndex, IBaseFilter* down, int inIndex);
  HRESULT ConnectFilters(IBaseFilter* up, int outIndex, IBaseFilter* down, int inIndex);
  HRESULT ConnectPinToFilter(IPin* out, IBaseFilter* down, int inIndex);
  HRESULT ConnectFilterToPin(IBaseFilter* up, int outIndex, IPin* in);
  HRESULT ConnectByMediaType(IBaseFilter* up, const GUID* majorType, IBaseFilter* down, int inIndex);
  HRESULT ConnectDirectByMediaType(IBaseFilter* up, const GUID* majorType, IBaseFilter* down, int inIndex);

  // Breaks the pin's connection and makes it again, output to input, so a changed format takes effect.
  HRESULT ReconnectPin(IPin* pin);
  HRESULT ReconnectFilterPin(IBaseFilter* filter, int dir, int index);
  HRESULT DisconnectPin(IBaseFilter* filter, int index, int dir);

  void RemoveDownstream(IBaseFilter* filter);
  void RemoveDownstreamOfPin(IBaseFilter* filter, int outIndex);
  void RemoveBranch(IBaseFilter* filter, const GUID* majorType);

  // NULL: no reference clock; a filter with a clock: that clock; any other: the graph's default.
  void SetSyncSource(IBaseFilter* filter);

  // Index (0-9) of the first pin whose name begins with the first two characters of name, or -1.
  int FindPinByName(IBaseFilter* filter, PIN_DIRECTION dir, LPCOLESTR name);
  // Index of the first output pin whose first media type is audio, or -1.
  int FindOutputPinByMediaType(IBaseFilter* filter);

  void AddToRot();
  void RemoveFromRot();
  void ShowGraph(const char* text);

  IGraphBuilder* Graph() const { return graph_; }
  ICaptureGraphBuilder2* Builder() const { return builder_; }

 private:
  void RemoveDownstreamOfOnePin(IPin* pin);

  ICaptureGraphBuilder2* builder_ = nullptr;
  IGraphBuilder* graph_ = nullptr;
  DWORD rotCookie_ = 0;
};

// The first device of the category whose friendly name equals name (without regard to case).
// S_FALSE with *out untouched when the category is empty; E_FAIL when no device matches.
HRESULT FindDeviceFilter(const char* name, IBaseFilter** out, const CLSID* category);

// Takes the filter in *slot out of the graph (when there is one) and releases it; *slot is left empty.
void RemoveAndRelease(IGraphBuilder* graph, IBaseFilter** slot);

// Dispatches at most one waiting message of the calling thread.
void PumpMessages();

template <typename T>
void ReleaseInterface(T** p) {
  if (p && *p) (*p)->Release();
}

// Opens the object's own property pages in a frame owned by owner at (x, y). FALSE without an
// object; TRUE otherwise, also when the object has no pages to show.
BOOL ShowPropertyPages(IUnknown* object, HWND owner, UINT x, UINT y);

// 2 when the upper-cased name holds "USB" or " US", else 1.
int GetDeviceNameKind(const std::string& name);

// Width and height of the pin's first video type (at most ten types are looked at); the
// outputs are left as they are when there is none.
void GetPinVideoSize(IPin* pin, int* width, int* height);
