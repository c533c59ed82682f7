#include "platform/ole/afx_ole.h"
#include "platform/window/afx_wnd.h"
#include "platform/window/modal_loop.h"

STDMETHODIMP COleDropSource::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_IDropSource) return E_NOINTERFACE;
  *ppv = static_cast<IDropSource*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP COleDropSource::QueryContinueDrag(BOOL escapePressed, DWORD keyState) {
  if (escapePressed || (keyState & m_dwButtonCancel) != 0) {
    m_bDragStarted = FALSE;
    return DRAGDROP_S_CANCEL;
  }
  if ((keyState & m_dwButtonDrop) == 0) return m_bDragStarted ? DRAGDROP_S_DROP : DRAGDROP_S_CANCEL;
  return S_OK;
}

STDMETHODIMP COleDropSource::GiveFeedback(DROPEFFECT) { return DRAGDROP_S_USEDEFAULTCURSORS; }

BOOL COleDropSource::OnBeginDrag(CWnd* wnd) {
  m_bDragStarted = FALSE;
  m_dwButtonDrop = m_dwButtonCancel = 0;
  if (GetKeyState(VK_LBUTTON) < 0) {
    m_dwButtonDrop = MK_LBUTTON;
    m_dwButtonCancel = MK_RBUTTON;
  } else if (GetKeyState(VK_RBUTTON) < 0) {
    m_dwButtonDrop = MK_RBUTTON;
    m_dwButtonCancel = MK_LBUTTON;
  }
  if (m_rectStartDrag.IsRectEmpty()) {
    m_bDragStarted = TRUE;
    return TRUE;
  }
  HWND capture = wnd ? wnd->GetSafeHwnd() : nullptr;
  if (capture) ::SetCapture(capture);
  bool cancelled = false;
  platform::RunModalLoop([&] { return m_bDragStarted || cancelled || (capture && ::GetCapture() != capture); },
                         [&](MSG& m) {
                           switch (m.message) {
                             case WM_LBUTTONUP:
                             case WM_RBUTTONUP:
                             case WM_LBUTTONDOWN:
                             case WM_RBUTTONDOWN: cancelled = true; return true;
                             case WM_KEYDOWN:
                               if ((m.wParam & 0xFF) == VK_ESCAPE) cancelled = true;
                               return true;
                             case WM_MOUSEMOVE:
                               if (!::PtInRect(&m_rectStartDrag, m.pt)) m_bDragStarted = TRUE;
                               return true;
                             default: return false;
                           }
                         });
  if (capture && ::GetCapture() == capture) ::ReleaseCapture();
  return m_bDragStarted;
}

namespace {

// Keeps the allowed effect the handler chose; an effect the source does not allow falls back
// to the other of copy and move when that one is allowed, else to none.
DROPEFFECT FilterDropEffect(DROPEFFECT effect, DROPEFFECT allowed) {
  const DROPEFFECT scroll = effect & DROPEFFECT_SCROLL;
  const DROPEFFECT wanted = effect & ~DROPEFFECT_SCROLL;
  if (wanted & allowed) return scroll | (wanted & allowed);
  if (wanted == DROPEFFECT_COPY || wanted == DROPEFFECT_MOVE) {
    const DROPEFFECT other = wanted == DROPEFFECT_COPY ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
    if (allowed & other) return scroll | other;
    if (allowed & DROPEFFECT_LINK) return scroll | DROPEFFECT_LINK;
  }
  return scroll;
}

}  // namespace

COleDropTarget::COleDropTarget() { m_xDropTarget.owner = this; }

COleDropTarget::~COleDropTarget() {
  ForgetData();
  if (m_hWnd && ::IsWindow(m_hWnd) && platform::ole::FindDropTarget(m_hWnd, nullptr).get() == &m_xDropTarget)
    RevokeDragDrop(m_hWnd);
  m_hWnd = nullptr;
}

BOOL COleDropTarget::Register(CWnd* wnd) {
  if (m_hWnd || !wnd || !::IsWindow(wnd->GetSafeHwnd())) return FALSE;
  if (FAILED(RegisterDragDrop(wnd->GetSafeHwnd(), &m_xDropTarget))) return FALSE;
  m_hWnd = wnd->GetSafeHwnd();
  return TRUE;
}

void COleDropTarget::Revoke() {
  ForgetData();
  if (m_hWnd && ::IsWindow(m_hWnd)) RevokeDragDrop(m_hWnd);
  m_hWnd = nullptr;
}

DROPEFFECT COleDropTarget::OnDragEnter(CWnd*, COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }
DROPEFFECT COleDropTarget::OnDragOver(CWnd*, COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }
BOOL COleDropTarget::OnDrop(CWnd*, COleDataObject*, DROPEFFECT, CPoint) { return FALSE; }
DROPEFFECT COleDropTarget::OnDropEx(CWnd*, COleDataObject*, DROPEFFECT, DROPEFFECT, CPoint) {
  return static_cast<DROPEFFECT>(-1);
}
void COleDropTarget::OnDragLeave(CWnd*) {}
DROPEFFECT COleDropTarget::OnDragScroll(CWnd*, DWORD, CPoint) { return DROPEFFECT_NONE; }

CPoint COleDropTarget::ClientPoint(POINTL pt) const {
  POINT p{pt.x, pt.y};
  ::ScreenToClient(m_hWnd, &p);
  return CPoint(p);
}

void COleDropTarget::ForgetData() {
  if (m_lpDataObject) m_lpDataObject->Release();
  m_lpDataObject = nullptr;
}

STDMETHODIMP COleDropTarget::XDropTarget::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_IDropTarget) return E_NOINTERFACE;
  *ppv = static_cast<IDropTarget*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP COleDropTarget::XDropTarget::DragEnter(IDataObject* data, DWORD keyState, POINTL pt, DWORD* effect) {
  if (!data || !effect) return E_INVALIDARG;
  COleDropTarget& t = *owner;
  if (!t.m_hWnd) return E_UNEXPECTED;
  data->AddRef();
  t.ForgetData();
  t.m_lpDataObject = data;
  CWnd* wnd = CWnd::FromHandle(t.m_hWnd);
  const CPoint point = t.ClientPoint(pt);
  // The scroll area comes first; only outside it does the window hear about the drag.
  DROPEFFECT answer = t.OnDragScroll(wnd, keyState, point);
  if (!(answer & DROPEFFECT_SCROLL)) {
    COleDataObject object;
    object.Attach(data, FALSE);
    answer = t.OnDragEnter(wnd, &object, keyState, point);
  }
  *effect = FilterDropEffect(answer, *effect);
  return S_OK;
}

STDMETHODIMP COleDropTarget::XDropTarget::DragOver(DWORD keyState, POINTL pt, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  COleDropTarget& t = *owner;
  if (!t.m_hWnd || !t.m_lpDataObject) {
    *effect = DROPEFFECT_NONE;
    return S_OK;
  }
  CWnd* wnd = CWnd::FromHandle(t.m_hWnd);
  const CPoint point = t.ClientPoint(pt);
  DROPEFFECT answer = t.OnDragScroll(wnd, keyState, point);
  if (!(answer & DROPEFFECT_SCROLL)) {
    COleDataObject object;
    object.Attach(t.m_lpDataObject, FALSE);
    answer = t.OnDragOver(wnd, &object, keyState, point);
  }
  *effect = FilterDropEffect(answer, *effect);
  return S_OK;
}

STDMETHODIMP COleDropTarget::XDropTarget::DragLeave() {
  COleDropTarget& t = *owner;
  if (t.m_hWnd) t.OnDragLeave(CWnd::FromHandle(t.m_hWnd));
  t.ForgetData();
  return S_OK;
}

STDMETHODIMP COleDropTarget::XDropTarget::Drop(IDataObject* data, DWORD keyState, POINTL pt, DWORD* effect) {
  if (!data || !effect) return E_INVALIDARG;
  COleDropTarget& t = *owner;
  if (!t.m_hWnd) return E_UNEXPECTED;
  CWnd* wnd = CWnd::FromHandle(t.m_hWnd);
  const CPoint point = t.ClientPoint(pt);
  COleDataObject object;
  object.Attach(data, FALSE);
  const DROPEFFECT allowed = *effect;
  // The drop must still be one the window takes at this point.
  DROPEFFECT chosen = FilterDropEffect(t.OnDragOver(wnd, &object, keyState, point), allowed) & ~DROPEFFECT_SCROLL;
  const DROPEFFECT extended = t.OnDropEx(wnd, &object, chosen, allowed, point);
  if (extended != static_cast<DROPEFFECT>(-1)) {
    chosen = extended & allowed;
  } else if (chosen != DROPEFFECT_NONE) {
    if (!t.OnDrop(wnd, &object, chosen, point)) chosen = DROPEFFECT_NONE;
  } else {
    t.OnDragLeave(wnd);
  }
  t.ForgetData();
  *effect = chosen;
  return S_OK;
}
