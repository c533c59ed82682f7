#include "platform/testkit/recording_parent.h"

#include "platform/testkit/driving.h"

namespace testkit {

LRESULT RecordingParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCT*>(lParam);
    SetWindowLongPtr(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* parent = reinterpret_cast<RecordingParent*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  if (!parent || parent->hwnd_ != hwnd) return DefWindowProc(hwnd, msg, wParam, lParam);
  return parent->Handle(msg, wParam, lParam);
}

namespace {

const char* ParentClass() {
  static bool once = [] {
    WNDCLASS wc;
    wc.lpfnWndProc = RecordingParentProc;
    wc.lpszClassName = "ControlTestParent";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_BTNFACE + 1));
    return RegisterClass(&wc) != 0;
  }();
  (void)once;
  return "ControlTestParent";
}

void Describe(NMHDR* h, LPARAM lParam, Event* e) {
  char cls[32] = {};
  GetClassName(h->hwndFrom, cls, sizeof(cls));
  const bool listView = std::string(cls) == WC_LISTVIEW;
  if (listView &&
      (h->code == LVN_ITEMCHANGED || h->code == LVN_BEGINDRAG || h->code == NM_CLICK || h->code == LVN_DELETEITEM)) {
    auto* nm = reinterpret_cast<NMLISTVIEW*>(lParam);
    e->pos = nm->iItem;
    e->state = nm->uNewState;
  } else if (h->code == LVN_ENDLABELEDIT) {
    auto* di = reinterpret_cast<NMLVDISPINFO*>(lParam);
    e->pos = di->item.iItem;
    e->text = di->item.pszText ? di->item.pszText : "<cancel>";
  } else if (h->code == UDN_DELTAPOS) {
    auto* ud = reinterpret_cast<NMUPDOWN*>(lParam);
    e->pos = ud->iPos;
    e->state = static_cast<UINT>(ud->iDelta);
  }
}

}  // namespace

RecordingParent::RecordingParent(RECT r, const char* title) {
  // The pointer rides in the create parameters so the first messages already find it.
  hwnd_ = CreateWindowEx(0, ParentClass(), title, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, r.left, r.top,
                         r.right - r.left, r.bottom - r.top, nullptr, nullptr, nullptr, this);
  if (hwnd_) SetWindowLongPtr(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  Pump();
}

RecordingParent::~RecordingParent() {
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  Pump();
}

HWND RecordingParent::Make(const char* cls, const char* text, DWORD style, RECT r, int id, DWORD exStyle) {
  HWND h =
      CreateWindowEx(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                     r.bottom - r.top, hwnd_, reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
  Pump();
  return h;
}

LRESULT RecordingParent::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  Event e;
  e.msg = msg;
  switch (msg) {
    case WM_COMMAND:
      e.id = LOWORD(wParam);
      e.code = HIWORD(wParam);
      events.push_back(e);
      return 0;
    case WM_NOTIFY: {
      auto* h = reinterpret_cast<NMHDR*>(lParam);
      e.id = static_cast<int>(h->idFrom);
      e.code = h->code;
      Describe(h, lParam, &e);
      if (h->code != NM_CUSTOMDRAW || recordCustomDraw) events.push_back(e);
      return onNotify ? onNotify(h) : 0;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
      e.code = LOWORD(wParam);
      e.pos = static_cast<short>(HIWORD(wParam));
      events.push_back(e);
      return 0;
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      e.id = static_cast<int>(dis->CtlID);
      e.state = dis->itemState;
      events.push_back(e);
      if (onDrawItem) {
        onDrawItem(dis);
      } else {
        FillRect(dis->hDC, &dis->rcItem, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      }
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (HBRUSH brush = ctlColor ? ctlColor() : nullptr) return reinterpret_cast<LRESULT>(brush);
      break;
    default: break;
  }
  return DefWindowProc(hwnd_, msg, wParam, lParam);
}

std::vector<Event> RecordingParent::Of(UINT msg) const {
  std::vector<Event> out;
  for (const Event& e : events)
    if (e.msg == msg) out.push_back(e);
  return out;
}

std::vector<UINT> RecordingParent::Codes(UINT msg) const {
  std::vector<UINT> out;
  for (const Event& e : events)
    if (e.msg == msg) out.push_back(e.code);
  return out;
}

}  // namespace testkit
