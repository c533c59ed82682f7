#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/window/afx_wnd.h"
#include "test_support.h"

using namespace wintest;

namespace {

class MessageMaps : public ::testing::Test {
 protected:
  void TearDown() override { ResetWindows(); }
};

WPARAM Cmd(int id, WORD code) { return static_cast<WPARAM>(MAKELONG(static_cast<WORD>(id), code)); }
LPARAM Handle(HWND h) { return reinterpret_cast<LPARAM>(h); }

constexpr UINT kListDoubleClick = static_cast<UINT>(-3);
constexpr UINT kCustomDraw = static_cast<UINT>(-12);
constexpr UINT kDeltaPos = static_cast<UINT>(-722);

// A page as programs write them: commands, a user message and a timer handled by the base.
class BasePage : public CWnd {
 public:
  std::vector<std::string> calls;

 protected:
  void OnStart() { calls.push_back("base start"); }
  void OnStop() { calls.push_back("base stop"); }
  LRESULT OnGraphEvent(WPARAM w, LPARAM l) {
    calls.push_back("base graph " + std::to_string(w) + " " + std::to_string(l));
    return 31;
  }
  void OnTimer(UINT_PTR id) override { calls.push_back("base timer " + std::to_string(id)); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BasePage, CWnd)
ON_BN_CLICKED(1024, &BasePage::OnStart)
ON_BN_CLICKED(1025, &BasePage::OnStop)
ON_MESSAGE(WM_USER + 70, &BasePage::OnGraphEvent)
ON_WM_TIMER()
END_MESSAGE_MAP()

// Takes over one of the base's buttons and adds a message of its own; the rest falls through.
class DerivedPage : public BasePage {
 protected:
  void OnStartHere() { calls.push_back("derived start"); }
  LRESULT OnOwnMessage(WPARAM, LPARAM) { return 7; }
  void OnSize(UINT, int cx, int cy) override {
    calls.push_back("size " + std::to_string(cx) + "x" + std::to_string(cy));
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedPage, BasePage)
ON_BN_CLICKED(1024, &DerivedPage::OnStartHere)
ON_MESSAGE(WM_APP + 3, &DerivedPage::OnOwnMessage)
END_MESSAGE_MAP()

TEST_F(MessageMaps, DerivedMapOverridesOneEntryAndFallsThroughToTheBase) {
  DerivedPage page;
  ASSERT_TRUE(page.CreateEx(0, TestClass(), "page", WS_POPUP, CRect(0, 0, 200, 100), nullptr, 0));
  HWND button = MakeChild(page.m_hWnd, 1024, RECT{0, 0, 10, 10});
  page.calls.clear();
  page.SendMessage(WM_COMMAND, Cmd(1024, BN_CLICKED), Handle(button));
  page.SendMessage(WM_COMMAND, Cmd(1025, BN_CLICKED), Handle(button));
  EXPECT_EQ(page.SendMessage(WM_USER + 70, 16, 2), 31);
  EXPECT_EQ(page.SendMessage(WM_APP + 3), 7);
  page.SendMessage(WM_TIMER, 500);
  page.MoveWindow(0, 0, 120, 80);
  EXPECT_EQ(page.calls, (std::vector<std::string>{"derived start", "base stop", "base graph 16 2", "base timer 500",
                                                  "size 120x80"}));

  // What neither table names goes to the window's procedure.
  ClearLog();
  EXPECT_EQ(page.SendMessage(WM_USER + 71), 0);
  EXPECT_EQ(MessagesOf(page.m_hWnd, {WM_USER + 71}).size(), 1u);

  BasePage base;
  ASSERT_TRUE(base.CreateEx(0, TestClass(), "base", WS_POPUP, CRect(0, 0, 50, 50), nullptr, 0));
  base.SendMessage(WM_COMMAND, Cmd(1024, BN_CLICKED), Handle(button));
  EXPECT_EQ(base.SendMessage(WM_APP + 3), 0);
  EXPECT_EQ(base.calls.back(), "base start");
}

const UINT g_linkMessage = RegisterWindowMessage("VidarroMessageMapTestLink");

// One handler for every kind of entry a program's table uses.
class EveryKind : public CWnd {
 public:
  std::vector<std::string> calls;
  HBRUSH brush = reinterpret_cast<HBRUSH>(0x1234);
  HCURSOR icon = reinterpret_cast<HCURSOR>(0x4321);

 protected:
  void Add(const std::string& s) { calls.push_back(s); }
  void OnProject() { Add("menu project"); }
  void OnHelpMenu(UINT id) { Add("help " + std::to_string(id)); }
  void OnFormatChange() { Add("format"); }
  void OnTimeChange() { Add("time change"); }
  void OnTimeFocus() { Add("time focus"); }
  void OnListChange() { Add("list"); }
  void OnTransport(UINT id) { Add("transport " + std::to_string(id)); }
  void OnStatic() { Add("static"); }
  void OnListDoubleClick(NMHDR* hdr, LRESULT* result) {
    Add("dblclk " + std::to_string(hdr->idFrom));
    *result = 1;
  }
  void OnSpin(UINT id, NMHDR*, LRESULT* result) {
    Add("spin " + std::to_string(id));
    *result = 2;
  }
  BOOL OnDrawPeek(UINT, NMHDR*, LRESULT*) {
    Add("peek");
    return FALSE;
  }
  void OnDraw(NMHDR*, LRESULT* result) {
    Add("draw");
    *result = 4;
  }
  LRESULT OnLink(WPARAM w, LPARAM) {
    Add("link " + std::to_string(w));
    return 256;
  }
  HBRUSH OnCtlColor(CDC*, CWnd* wnd, UINT kind) override {
    Add("ctlcolor " + std::to_string(kind) + (wnd ? " wnd" : ""));
    return brush;
  }
  HCURSOR OnQueryDragIcon() override { return icon; }
  BOOL OnDeviceChange(UINT event, DWORD_PTR) override {
    Add("device " + std::to_string(event));
    return TRUE;
  }
  void OnSysCommand(UINT id, LPARAM) override { Add("syscommand " + std::to_string(id)); }
  LRESULT OnNcHitTest(CPoint p) override { return p.x > 100 ? HTCAPTION : CWnd::OnNcHitTest(p); }
  void OnMouseMove(UINT flags, CPoint p) override {
    Add("move " + std::to_string(flags) + " " + std::to_string(p.x) + "," + std::to_string(p.y));
  }
  void OnDropFiles(HDROP drop) override { Add(drop ? "drop" : "drop none"); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(EveryKind, CWnd)
ON_COMMAND(32773, &EveryKind::OnProject)
ON_COMMAND_RANGE(32779, 32785, &EveryKind::OnHelpMenu)
ON_CBN_SELCHANGE(1006, &EveryKind::OnFormatChange)
ON_EN_CHANGE(1037, &EveryKind::OnTimeChange)
ON_EN_SETFOCUS(1037, &EveryKind::OnTimeFocus)
ON_LBN_SELCHANGE(1008, &EveryKind::OnListChange)
ON_CONTROL_RANGE(BN_CLICKED, 1090, 1094, &EveryKind::OnTransport)
ON_STN_CLICKED(1200, &EveryKind::OnStatic)
ON_NOTIFY(kListDoubleClick, 1003, &EveryKind::OnListDoubleClick)
ON_NOTIFY_RANGE(kDeltaPos, 1063, 1065, &EveryKind::OnSpin)
ON_NOTIFY_EX(kCustomDraw, 1003, &EveryKind::OnDrawPeek)
ON_NOTIFY(kCustomDraw, 1003, &EveryKind::OnDraw)
ON_REGISTERED_MESSAGE(g_linkMessage, &EveryKind::OnLink)
ON_WM_CTLCOLOR()
ON_WM_QUERYDRAGICON()
ON_WM_DEVICECHANGE()
ON_WM_SYSCOMMAND()
ON_WM_NCHITTEST()
ON_WM_MOUSEMOVE()
ON_WM_DROPFILES()
END_MESSAGE_MAP()

TEST_F(MessageMaps, EachKindOfEntryReachesItsHandlerWithItsArguments) {
  EveryKind wnd;
  ASSERT_TRUE(wnd.CreateEx(0, TestClass(), "every", WS_POPUP, CRect(0, 0, 200, 100), nullptr, 0));
  HWND control = MakeChild(wnd.m_hWnd, 1090, RECT{0, 0, 10, 10});
  wnd.calls.clear();

  wnd.SendMessage(WM_COMMAND, Cmd(32773, 0), 0);  // menu
  wnd.SendMessage(WM_COMMAND, Cmd(32773, 1), 0);  // accelerator
  wnd.SendMessage(WM_COMMAND, Cmd(32783, 0), 0);
  wnd.SendMessage(WM_COMMAND, Cmd(32786, 0), 0);  // past the range: nobody
  wnd.SendMessage(WM_COMMAND, Cmd(1006, CBN_SELCHANGE), Handle(control));
  wnd.SendMessage(WM_COMMAND, Cmd(1006, CBN_DROPDOWN), Handle(control));  // code not in the table
  wnd.SendMessage(WM_COMMAND, Cmd(1037, EN_SETFOCUS), Handle(control));
  wnd.SendMessage(WM_COMMAND, Cmd(1037, EN_CHANGE), Handle(control));
  wnd.SendMessage(WM_COMMAND, Cmd(1008, LBN_SELCHANGE), Handle(control));
  wnd.SendMessage(WM_COMMAND, Cmd(1092, BN_CLICKED), Handle(control));
  wnd.SendMessage(WM_COMMAND, Cmd(1200, STN_CLICKED), Handle(control));
  EXPECT_EQ(wnd.calls, (std::vector<std::string>{"menu project", "menu project", "help 32783", "format", "time focus",
                                                 "time change", "list", "transport 1092", "static"}));

  wnd.calls.clear();
  NMHDR hdr{control, 1003, kListDoubleClick};
  EXPECT_EQ(wnd.SendMessage(WM_NOTIFY, 1003, reinterpret_cast<LPARAM>(&hdr)), 1);
  hdr.code = kCustomDraw;  // the _EX entry looks and passes it on to the next one
  EXPECT_EQ(wnd.SendMessage(WM_NOTIFY, 1003, reinterpret_cast<LPARAM>(&hdr)), 4);
  NMHDR spin{control, 1064, kDeltaPos};
  EXPECT_EQ(wnd.SendMessage(WM_NOTIFY, 1064, reinterpret_cast<LPARAM>(&spin)), 2);
  NMHDR other{control, 1066, kDeltaPos};
  EXPECT_EQ(wnd.SendMessage(WM_NOTIFY, 1066, reinterpret_cast<LPARAM>(&other)), 0);
  EXPECT_EQ(wnd.calls, (std::vector<std::string>{"dblclk 1003", "peek", "draw", "spin 1064"}));

  wnd.calls.clear();
  EXPECT_EQ(wnd.SendMessage(g_linkMessage, 177), 256);
  EXPECT_EQ(wnd.SendMessage(WM_CTLCOLORSTATIC, 0, Handle(control)), reinterpret_cast<LRESULT>(wnd.brush));
  wnd.SendMessage(WM_CTLCOLORBTN, 0, Handle(control));
  EXPECT_EQ(wnd.SendMessage(WM_QUERYDRAGICON), reinterpret_cast<LRESULT>(wnd.icon));
  EXPECT_EQ(wnd.SendMessage(WM_DEVICECHANGE, 0x8000, 0), TRUE);
  wnd.SendMessage(WM_SYSCOMMAND, 16);
  EXPECT_EQ(wnd.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(150, 10)), HTCAPTION);
  EXPECT_EQ(wnd.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(50, 10)), HTCLIENT);
  wnd.SendMessage(WM_MOUSEMOVE, 1, MAKELPARAM(12, 34));
  wnd.SendMessage(WM_DROPFILES);
  EXPECT_EQ(wnd.calls, (std::vector<std::string>{"link 177", "ctlcolor 6 wnd", "ctlcolor 3 wnd", "device 32768",
                                                 "syscommand 16", "move 1 12,34", "drop none"}));
}

// A control that answers for itself what its parent is told about it.
class SelfDrawnButton : public CWnd {
 public:
  std::vector<std::string> calls;
  BOOL letParentSeeClicks = FALSE;
  HBRUSH brush = reinterpret_cast<HBRUSH>(0x77);

 protected:
  BOOL OnClicked() {
    calls.push_back("clicked");
    return !letParentSeeClicks;
  }
  void OnCustomDraw(NMHDR*, LRESULT* result) {
    calls.push_back("custom draw");
    *result = 0x20;
  }
  HBRUSH CtlColor(CDC*, UINT kind) {
    calls.push_back("colour " + std::to_string(kind));
    return brush;
  }
  void DrawItem(LPDRAWITEMSTRUCT item) { calls.push_back("draw " + std::to_string(item->CtlID)); }
  void HScroll(UINT code, UINT pos) { calls.push_back("scroll " + std::to_string(code) + " " + std::to_string(pos)); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(SelfDrawnButton, CWnd)
ON_CONTROL_REFLECT_EX(BN_CLICKED, &SelfDrawnButton::OnClicked)
ON_NOTIFY_REFLECT(kCustomDraw, &SelfDrawnButton::OnCustomDraw)
ON_WM_CTLCOLOR_REFLECT()
ON_WM_DRAWITEM_REFLECT()
ON_WM_HSCROLL_REFLECT()
END_MESSAGE_MAP()

class Parent : public CWnd {
 public:
  std::vector<std::string> calls;
  bool colourFirst = false;

 protected:
  void OnClick() { calls.push_back("parent click"); }
  void OnCustomDraw(NMHDR*, LRESULT*) { calls.push_back("parent custom draw"); }
  // Programs ask the base first, which lets the control answer, then adjust.
  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT kind) override {
    if (colourFirst) return reinterpret_cast<HBRUSH>(0x99);
    HBRUSH fromControl = CWnd::OnCtlColor(dc, wnd, kind);
    calls.push_back("parent colour");
    return fromControl;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Parent, CWnd)
ON_BN_CLICKED(21, &Parent::OnClick)
ON_NOTIFY(kCustomDraw, 21, &Parent::OnCustomDraw)
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

TEST_F(MessageMaps, ReflectedMessagesReachTheControlsOwnClass) {
  Parent parent;
  ASSERT_TRUE(parent.CreateEx(0, TestClass(), "parent", WS_POPUP, CRect(0, 0, 200, 100), nullptr, 0));
  SelfDrawnButton button;
  ASSERT_TRUE(button.SubclassWindow(MakeChild(parent.m_hWnd, 21, RECT{0, 0, 50, 20})));

  parent.SendMessage(WM_COMMAND, Cmd(21, BN_CLICKED), Handle(button.m_hWnd));
  button.letParentSeeClicks = TRUE;
  parent.SendMessage(WM_COMMAND, Cmd(21, BN_CLICKED), Handle(button.m_hWnd));
  NMHDR hdr{button.m_hWnd, 21, kCustomDraw};
  EXPECT_EQ(parent.SendMessage(WM_NOTIFY, 21, reinterpret_cast<LPARAM>(&hdr)), 0x20);
  EXPECT_EQ(parent.SendMessage(WM_CTLCOLORBTN, 0, Handle(button.m_hWnd)), 0x77);
  DRAWITEMSTRUCT item;
  item.CtlType = ODT_BUTTON;
  item.CtlID = 21;
  item.hwndItem = button.m_hWnd;
  EXPECT_EQ(parent.SendMessage(WM_DRAWITEM, 21, reinterpret_cast<LPARAM>(&item)), TRUE);
  parent.SendMessage(WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 40), Handle(button.m_hWnd));
  EXPECT_EQ(button.calls,
            (std::vector<std::string>{"clicked", "clicked", "custom draw", "colour 3", "draw 21", "scroll 5 40"}));
  EXPECT_EQ(parent.calls, (std::vector<std::string>{"parent click", "parent colour"}));

  // A parent that answers without asking its base keeps the control out of it.
  parent.colourFirst = true;
  button.calls.clear();
  EXPECT_EQ(parent.SendMessage(WM_CTLCOLORBTN, 0, Handle(button.m_hWnd)), 0x99);
  EXPECT_TRUE(button.calls.empty());

  // A control that gives no brush leaves the colour to the parent's procedure.
  parent.colourFirst = false;
  button.brush = nullptr;
  parent.SendMessage(WM_CTLCOLORSTATIC, 0, Handle(button.m_hWnd));
  EXPECT_EQ(button.calls, (std::vector<std::string>{"colour 6"}));
}

}  // namespace
