#include "platform/ole/drag_drop.h"

#include <mutex>

#include "platform/window/focus.h"
#include "platform/window/messages.h"
#include "platform/window/modal_loop.h"
#include "platform/window/window.h"

namespace {

// The window property that holds a registered target, as the platform names it.
constexpr char kTargetProp[] = "OleDropTargetInterface";

thread_local int t_oleInits = 0;
thread_local bool t_dragging = false;

const char* TrackerClass() {
  static std::once_flag once;
  static const char* name = "VidarroOleDragTracker";
  std::call_once(once, [] {
    WNDCLASS wc;
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = name;
    RegisterClass(&wc);
  });
  return name;
}

DROPEFFECT Allowed(DROPEFFECT effect, DWORD okEffects) { return effect & (okEffects | DROPEFFECT_SCROLL); }

// One drag: the target under the pointer, what it last answered, and how the drag ended.
class DragSession {
 public:
  DragSession(IDataObject* data, IDropSource* source, DWORD okEffects) : data_(data), source_(source), ok_(okEffects) {}

  HRESULT Run(DWORD* effect) {
    HWND tracker = CreateWindowEx(0, TrackerClass(), "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    if (!tracker) return E_OUTOFMEMORY;
    SetCapture(tracker);
    POINT start{};
    GetCursorPos(&start);
    Step(false, true, start);
    const platform::ModalEnd how = platform::RunModalLoop(
        [&] { return end_ != S_OK || GetCapture() != tracker; },
        [&](MSG& m) {
          const bool mouse = m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST;
          const bool key = m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST;
          if (!mouse && !key) return false;
          const bool esc = (m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN) && (m.wParam & 0xFF) == VK_ESCAPE;
          POINT at = m.pt;
          if (!mouse) GetCursorPos(&at);
          Step(esc, m.message == WM_MOUSEMOVE || key, at);
          return true;
        });
    if (GetCapture() == tracker) ReleaseCapture();
    DestroyWindow(tracker);
    if (how != platform::ModalEnd::Ended || end_ == S_OK) end_ = DRAGDROP_S_CANCEL;
    return Finish(effect);
  }

 private:
  void Step(bool escape, bool track, POINT at) {
    const DWORD keys = platform::ole::CurrentKeyState();
    const HRESULT hr = source_->QueryContinueDrag(escape ? TRUE : FALSE, keys);
    last_ = at;
    if (hr != S_OK) {
      end_ = hr == DRAGDROP_S_DROP ? DRAGDROP_S_DROP : DRAGDROP_S_CANCEL;
      return;
    }
    if (track) Track(at, keys);
  }

  void Track(POINT at, DWORD keys) {
    if (target_ && !IsWindow(targetWnd_)) Forget();
    HWND owner = nullptr;
    HWND under = WindowFromPoint(at);
    CComPtr<IDropTarget> found = under ? platform::ole::FindDropTarget(under, &owner) : nullptr;
    const POINTL pt{at.x, at.y};
    DWORD answer = ok_;
    if (target_ && owner == targetWnd_) {
      if (FAILED(target_->DragOver(keys, pt, &answer))) answer = DROPEFFECT_NONE;
    } else {
      if (target_) target_->DragLeave();
      Forget();
      if (found && SUCCEEDED(found->DragEnter(data_, keys, pt, &answer))) {
        target_ = found;
        targetWnd_ = owner;
      } else {
        answer = DROPEFFECT_NONE;
      }
    }
    effect_ = Allowed(answer, ok_);
    if (source_->GiveFeedback(effect_) == DRAGDROP_S_USEDEFAULTCURSORS)
      SetCursor(LoadCursor(nullptr, (effect_ & ~DROPEFFECT_SCROLL) ? IDC_ARROW : IDC_NO));
  }

  void Forget() {
    target_ = nullptr;
    targetWnd_ = nullptr;
  }

  HRESULT Finish(DWORD* effect) {
    *effect = DROPEFFECT_NONE;
    if (target_ && !IsWindow(targetWnd_)) Forget();
    const bool wanted = (effect_ & ~DROPEFFECT_SCROLL) != DROPEFFECT_NONE;
    if (end_ != DRAGDROP_S_DROP || !target_ || !wanted) {
      if (target_) target_->DragLeave();
      return DRAGDROP_S_CANCEL;
    }
    DWORD answer = ok_;
    const HRESULT hr = target_->Drop(data_, platform::ole::CurrentKeyState(), POINTL{last_.x, last_.y}, &answer);
    if (FAILED(hr)) return hr;
    *effect = answer & ok_;
    return DRAGDROP_S_DROP;
  }

  IDataObject* data_;
  IDropSource* source_;
  DWORD ok_;
  CComPtr<IDropTarget> target_;
  HWND targetWnd_ = nullptr;
  DROPEFFECT effect_ = DROPEFFECT_NONE;
  HRESULT end_ = S_OK;
  POINT last_{};
};

}  // namespace

HRESULT OleInitialize(LPVOID) { return t_oleInits++ == 0 ? S_OK : S_FALSE; }

void OleUninitialize() {
  if (t_oleInits > 0) --t_oleInits;
}

HRESULT RegisterDragDrop(HWND hwnd, IDropTarget* target) {
  if (t_oleInits == 0) return E_OUTOFMEMORY;
  if (!IsWindow(hwnd)) return DRAGDROP_E_INVALIDHWND;
  if (!target) return E_INVALIDARG;
  if (GetProp(hwnd, kTargetProp)) return DRAGDROP_E_ALREADYREGISTERED;
  target->AddRef();
  if (!SetProp(hwnd, kTargetProp, target)) {
    target->Release();
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT RevokeDragDrop(HWND hwnd) {
  if (!IsWindow(hwnd)) return DRAGDROP_E_INVALIDHWND;
  auto* target = static_cast<IDropTarget*>(RemoveProp(hwnd, kTargetProp));
  if (!target) return DRAGDROP_E_NOTREGISTERED;
  target->Release();
  return S_OK;
}

HRESULT DoDragDrop(IDataObject* data, IDropSource* source, DWORD okEffects, DWORD* effect) {
  if (!data || !source || !effect) return E_INVALIDARG;
  *effect = DROPEFFECT_NONE;
  if (t_dragging) return E_UNEXPECTED;
  t_dragging = true;
  struct Done {
    ~Done() { t_dragging = false; }
  } done;
  CComPtr<IDataObject> keepData(data);
  CComPtr<IDropSource> keepSource(source);
  return DragSession(data, source, okEffects).Run(effect);
}

namespace platform::ole {

CComPtr<IDropTarget> FindDropTarget(HWND hwnd, HWND* owner) {
  if (owner) *owner = nullptr;
  for (HWND h = hwnd; h && IsWindow(h);) {
    if (auto* t = static_cast<IDropTarget*>(GetProp(h, kTargetProp))) {
      if (owner) *owner = h;
      return CComPtr<IDropTarget>(t);
    }
    if (!(GetWindowLong(h, GWL_STYLE) & WS_CHILD)) break;
    h = GetParent(h);
  }
  return nullptr;
}

DWORD CurrentKeyState() {
  DWORD keys = 0;
  auto down = [](int vk) { return (GetKeyState(vk) & 0x8000) != 0; };
  if (down(VK_LBUTTON)) keys |= MK_LBUTTON;
  if (down(VK_RBUTTON)) keys |= MK_RBUTTON;
  if (down(VK_MBUTTON)) keys |= MK_MBUTTON;
  if (down(VK_SHIFT)) keys |= MK_SHIFT;
  if (down(VK_CONTROL)) keys |= MK_CONTROL;
  if (down(VK_MENU)) keys |= MK_ALT;
  return keys;
}

bool DragInProgress() { return t_dragging; }

}  // namespace platform::ole
