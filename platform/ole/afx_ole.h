// The class library's OLE drag-and-drop classes. COleDataObject reads a data object it is
// attached to; COleDataSource offers cached global-memory renderings and starts a drag;
// COleDropSource decides when a drag drops or cancels; COleDropTarget turns a window's drop
// target calls into virtual handlers with client-area points.
// Objects of these classes are owned by their C++ owner (members or new/delete), not by their
// COM reference count.
#pragma once

#include <atomic>

#include "platform/base/win_types.h"
#include "platform/com/com_ptr.h"
#include "platform/ole/data_object.h"
#include "platform/ole/drag_drop.h"
#include "platform/window/afx_geometry.h"

class CWnd;

// OleInitialize for the calling thread; TRUE on success.
BOOL AfxOleInit();

class COleDataObject {
 public:
  COleDataObject() = default;
  ~COleDataObject() { Release(); }
  COleDataObject(const COleDataObject&) = delete;
  COleDataObject& operator=(const COleDataObject&) = delete;

  // With autoRelease the reference the caller passes is taken over and released later.
  void Attach(LPDATAOBJECT data, BOOL autoRelease = TRUE);
  LPDATAOBJECT Detach();
  void Release();
  LPDATAOBJECT GetIDataObject(BOOL addRef) const;

  void BeginEnumFormats();
  BOOL GetNextFormat(LPFORMATETC format);

  // format, when given, supplies aspect, index and medium kinds; its cfFormat is ignored.
  BOOL IsDataAvailable(CLIPFORMAT cf, LPFORMATETC format = nullptr) const;
  BOOL GetData(CLIPFORMAT cf, LPSTGMEDIUM medium, LPFORMATETC format = nullptr) const;
  // A block the caller owns and frees; null when the data is not there as global memory.
  HGLOBAL GetGlobalData(CLIPFORMAT cf, LPFORMATETC format = nullptr) const;

 private:
  LPDATAOBJECT m_lpDataObject = nullptr;
  BOOL m_bAutoRelease = FALSE;
  CComPtr<IEnumFORMATETC> m_lpEnumerator;
};

class COleDropSource : public IDropSource {
 public:
  COleDropSource() = default;
  virtual ~COleDropSource() = default;
  COleDropSource(const COleDropSource&) = delete;
  COleDropSource& operator=(const COleDropSource&) = delete;

  // Esc or the other button cancels; releasing the drop button drops once the drag started.
  STDMETHODIMP QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
  STDMETHODIMP GiveFeedback(DROPEFFECT effect) override;
  // Notes the drop button (the one down now) and the cancel button (the other one). With an
  // empty start rectangle the drag starts at once; otherwise it starts when the pointer leaves
  // the rectangle, and a button change or Esc before that gives FALSE (no drag).
  virtual BOOL OnBeginDrag(CWnd* wnd);

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
  STDMETHODIMP_(ULONG) Release() override { return --m_refs; }

  BOOL m_bDragStarted = FALSE;
  DWORD m_dwButtonCancel = 0;
  DWORD m_dwButtonDrop = 0;
  CRect m_rectStartDrag;  // screen coordinates

 private:
  std::atomic<ULONG> m_refs{1};
};

class COleDataSource {
 public:
  COleDataSource();
  virtual ~COleDataSource();
  COleDataSource(const COleDataSource&) = delete;
  COleDataSource& operator=(const COleDataSource&) = delete;

  // Takes ownership of the block; a null or dead handle caches nothing.
  void CacheGlobalData(CLIPFORMAT cf, HGLOBAL block, LPFORMATETC format = nullptr);
  // Global-memory media only; the medium's block is taken over.
  void CacheData(CLIPFORMAT cf, LPSTGMEDIUM medium, LPFORMATETC format = nullptr);
  void Empty();

  // The effect the drop ended with, DROPEFFECT_NONE when cancelled or never started.
  DROPEFFECT DoDragDrop(DWORD effects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK,
                        LPCRECT startDrag = nullptr, COleDropSource* source = nullptr);

  LPDATAOBJECT GetDataObject(BOOL addRef = FALSE) const;

 private:
  CComPtr<IDataObject> m_data;
};

class COleDropTarget {
 public:
  COleDropTarget();
  // Revokes a registration still in place.
  virtual ~COleDropTarget();
  COleDropTarget(const COleDropTarget&) = delete;
  COleDropTarget& operator=(const COleDropTarget&) = delete;

  // FALSE when already registered, the window is gone or OLE is not initialised.
  BOOL Register(CWnd* wnd);
  virtual void Revoke();

  // Defaults: no drop (DROPEFFECT_NONE / FALSE), -1 from OnDropEx so that OnDrop decides,
  // no scrolling.
  virtual DROPEFFECT OnDragEnter(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point);
  virtual DROPEFFECT OnDragOver(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point);
  virtual BOOL OnDrop(CWnd* wnd, COleDataObject* data, DROPEFFECT effect, CPoint point);
  virtual DROPEFFECT OnDropEx(CWnd* wnd, COleDataObject* data, DROPEFFECT dropDefault, DROPEFFECT dropList,
                              CPoint point);
  virtual void OnDragLeave(CWnd* wnd);
  virtual DROPEFFECT OnDragScroll(CWnd* wnd, DWORD keyState, CPoint point);

  IDropTarget* GetIDropTarget() { return &m_xDropTarget; }
  HWND GetRegisteredWindow() const { return m_hWnd; }

 protected:
  HWND m_hWnd = nullptr;
  LPDATAOBJECT m_lpDataObject = nullptr;  // the data of the drag in progress

 private:
  struct XDropTarget : public IDropTarget {
    COleDropTarget* owner = nullptr;
    std::atomic<ULONG> refs{1};
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    STDMETHODIMP DragEnter(IDataObject* data, DWORD keyState, POINTL pt, DWORD* effect) override;
    STDMETHODIMP DragOver(DWORD keyState, POINTL pt, DWORD* effect) override;
    STDMETHODIMP DragLeave() override;
    STDMETHODIMP Drop(IDataObject* data, DWORD keyState, POINTL pt, DWORD* effect) override;
  };
  CPoint ClientPoint(POINTL pt) const;
  void ForgetData();

  XDropTarget m_xDropTarget;
};
