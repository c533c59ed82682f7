#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "ole_test_support.h"
#include "platform/ole/global_memory.h"
#include "platform/window/afx_wnd.h"
#include "platform/window/input.h"
#include "platform/window/modal_loop.h"

using oletest::RecordingTarget;
using platform::InjectMouseMove;
using platform::MouseButton;
using platform::PushInputStep;

namespace {

// Two popups side by side: A at (100,100)-(400,300), B at (500,100)-(800,300).
class Drag : public ::testing::Test {
 protected:
  void SetUp() override {
    OleInitialize(nullptr);
    a = oletest::MakePopup(RECT{100, 100, 400, 300});
    b = oletest::MakePopup(RECT{500, 100, 800, 300});
    source.CacheGlobalData(CF_HDROP, platform::ole::BuildDropFiles({"/clips/a.mp4"}));
  }
  void TearDown() override {
    oletest::Reset();
    OleUninitialize();
  }
  // Presses the button over a point, as the user does before a drag starts.
  void Press(POINT at, MouseButton button = MouseButton::Left) {
    platform::InjectMouseDown(button, at);
    oletest::Pump();
  }
  static void Move(POINT at) {
    PushInputStep([at] { InjectMouseMove(at); });
  }
  static void Release(POINT at) {
    PushInputStep([at] { platform::InjectMouseUp(MouseButton::Left, at); });
  }
  static void Key(int vk) {
    PushInputStep([vk] { platform::InjectKeyDown(vk); });
  }
  // The drag through the raw call, with the class library's standard source.
  HRESULT RawDrag(DWORD ok, DWORD* effect) {
    COleDropSource s;
    s.OnBeginDrag(nullptr);
    return ::DoDragDrop(source.GetDataObject(), &s, ok, effect);
  }
  static CWnd* Wnd(HWND h) { return CWnd::FromHandle(h); }

  HWND a = nullptr, b = nullptr;
  COleDataSource source;
};

TEST_F(Drag, BetweenTwoWindowsTheTargetHearsClientPointsAndGetsTheData) {
  RecordingTarget target;
  ASSERT_TRUE(target.Register(Wnd(b)));
  Press(POINT{150, 150});
  Move(POINT{160, 160});  // still over A, which takes no drops
  HCURSOR overA = nullptr, overB = nullptr;
  PushInputStep([&] { overA = GetCursor(); });
  Move(POINT{600, 150});
  Move(POINT{610, 160});
  PushInputStep([&] { overB = GetCursor(); });
  Release(POINT{610, 160});
  EXPECT_EQ(source.DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE), DROPEFFECT_MOVE);
  EXPECT_EQ(overA, LoadCursor(nullptr, IDC_NO)) << "the standard feedback: no drop here";
  EXPECT_EQ(overB, LoadCursor(nullptr, IDC_ARROW));
  EXPECT_EQ(target.calls, (std::vector<std::string>{"enter", "over", "over", "drop"}));
  ASSERT_EQ(target.points.size(), 4u);
  EXPECT_EQ(target.points[0], CPoint(100, 50));
  EXPECT_EQ(target.points[3], CPoint(110, 60));
  EXPECT_TRUE(target.keyStates[0] & MK_LBUTTON);
  EXPECT_EQ(target.droppedPaths, (std::vector<std::string>{"/clips/a.mp4"}));
  EXPECT_EQ(target.droppedEffect, DROPEFFECT_MOVE);
  EXPECT_EQ(GetCapture(), nullptr) << "the drag gives the mouse back";
  EXPECT_EQ(platform::ModalDepth(), 0);
}

TEST_F(Drag, InsideOneWindowAChildsDragReachesItsParentsTarget) {
  HWND child = oletest::MakeChild(a, RECT{0, 0, 100, 100});  // screen (100,100)-(200,200)
  RecordingTarget target;
  ASSERT_TRUE(target.Register(Wnd(a)));
  Press(POINT{150, 150});  // on the child
  Move(POINT{250, 150});   // same target, now over A itself: no leave and re-enter
  Release(POINT{250, 150});
  DWORD effect = 99;
  EXPECT_EQ(RawDrag(DROPEFFECT_MOVE, &effect), DRAGDROP_S_DROP);
  EXPECT_EQ(effect, DROPEFFECT_MOVE);
  EXPECT_EQ(target.calls, (std::vector<std::string>{"enter", "over", "over", "drop"}));
  EXPECT_EQ(target.points[0], CPoint(50, 50)) << "points are in the registered window's client area";
  EXPECT_EQ(target.points[1], CPoint(150, 50));
  EXPECT_TRUE(IsWindow(child));
}

TEST_F(Drag, EscCancelsAndTheTargetHearsLeave) {
  RecordingTarget target;
  target.Register(Wnd(b));
  Press(POINT{150, 150});
  Move(POINT{600, 150});
  Key(VK_ESCAPE);
  Release(POINT{600, 150});  // never reached: the drag has ended
  DWORD effect = 99;
  EXPECT_EQ(RawDrag(DROPEFFECT_COPY, &effect), DRAGDROP_S_CANCEL);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  EXPECT_EQ(target.calls, (std::vector<std::string>{"enter", "leave"}));
  EXPECT_EQ(GetCapture(), nullptr);
  platform::ClearInputScript();
}

TEST_F(Drag, DropEffectsFollowKeysAndWhatTheSourceAllows) {
  RecordingTarget target;
  target.Register(Wnd(b));
  target.copyOnCtrl = true;

  // Ctrl turns the target's move into a copy.
  Press(POINT{150, 150});
  Move(POINT{600, 150});
  Key(VK_CONTROL);
  Move(POINT{610, 150});
  Release(POINT{610, 150});
  DWORD effect = 0;
  EXPECT_EQ(RawDrag(DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect), DRAGDROP_S_DROP);
  EXPECT_EQ(effect, DROPEFFECT_COPY);
  EXPECT_TRUE(target.keyStates.back() & MK_CONTROL);
  platform::InjectKeyUp(VK_CONTROL);
  oletest::Pump();

  // A move the source does not allow becomes the copy it does.
  target.calls.clear();
  Press(POINT{150, 150});
  Move(POINT{600, 150});
  Release(POINT{600, 150});
  EXPECT_EQ(source.DoDragDrop(DROPEFFECT_COPY), DROPEFFECT_COPY);
  EXPECT_EQ(target.droppedEffect, DROPEFFECT_COPY);

  // A link the source does not allow is no drop at all: released, the target only hears leave.
  target.calls.clear();
  target.answer = DROPEFFECT_LINK;
  Press(POINT{150, 150});
  Move(POINT{600, 150});
  Release(POINT{600, 150});
  EXPECT_EQ(RawDrag(DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect), DRAGDROP_S_CANCEL);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  EXPECT_EQ(target.calls, (std::vector<std::string>{"enter", "leave"}));

  // A target that refuses in its drop handler: dropped, with no effect.
  target.answer = DROPEFFECT_MOVE;
  target.refuseDrop = true;
  Press(POINT{150, 150});
  Move(POINT{600, 150});
  Release(POINT{600, 150});
  EXPECT_EQ(RawDrag(DROPEFFECT_MOVE, &effect), DRAGDROP_S_DROP);
  EXPECT_EQ(effect, DROPEFFECT_NONE);

  // Released over no window at all.
  Press(POINT{150, 150});
  Move(POINT{450, 150});
  Release(POINT{450, 150});
  EXPECT_EQ(RawDrag(DROPEFFECT_MOVE, &effect), DRAGDROP_S_CANCEL);
}

TEST_F(Drag, RightButtonDragIsCancelledByTheLeftButtonAndNeverStartsWithoutLeavingTheStartArea) {
  RecordingTarget target;
  target.Register(Wnd(b));
  Press(POINT{150, 150}, MouseButton::Right);
  Move(POINT{600, 150});
  PushInputStep([] { platform::InjectMouseDown(MouseButton::Left, POINT{600, 150}); });
  EXPECT_EQ(source.DoDragDrop(DROPEFFECT_COPY), DROPEFFECT_NONE);
  EXPECT_EQ(target.calls, (std::vector<std::string>{"enter", "leave"}));
  platform::InjectMouseUp(MouseButton::Left, POINT{600, 150});
  platform::InjectMouseUp(MouseButton::Right, POINT{600, 150});
  oletest::Pump();

  // With a start rectangle, releasing inside it is a click, not a drag: no target hears a thing.
  target.calls.clear();
  Press(POINT{150, 150});
  Move(POINT{152, 151});
  Release(POINT{152, 151});
  const RECT start{145, 145, 155, 155};
  EXPECT_EQ(source.DoDragDrop(DROPEFFECT_COPY, &start), DROPEFFECT_NONE);
  EXPECT_TRUE(target.calls.empty());
  // Leaving it starts the drag.
  Press(POINT{150, 150});
  Move(POINT{170, 150});
  Move(POINT{600, 150});
  Release(POINT{600, 150});
  EXPECT_EQ(source.DoDragDrop(DROPEFFECT_COPY, &start), DROPEFFECT_COPY);
}

// Runs a hook from inside the handlers.
class HookedTarget : public RecordingTarget {
 public:
  DROPEFFECT OnDragOver(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point) override {
    if (onOver) onOver();
    return RecordingTarget::OnDragOver(wnd, data, keyState, point);
  }
  BOOL OnDrop(CWnd* wnd, COleDataObject* data, DROPEFFECT effect, CPoint point) override {
    if (onDrop) onDrop();
    return RecordingTarget::OnDrop(wnd, data, effect, point);
  }
  std::function<void()> onOver, onDrop;
};

TEST_F(Drag, NestsInsideModalLoopsAndLetsTheDropRunItsOwn) {
  HookedTarget target;
  target.Register(Wnd(b));
  int depthInOver = -1, depthInDrop = -1;
  HWND captureInDrop = a;
  HRESULT nested = S_OK;
  bool askedInDrop = false;
  target.onOver = [&] {
    depthInOver = std::max(depthInOver, platform::ModalDepth());
    DWORD e = 0;
    COleDropSource second;
    nested = ::DoDragDrop(source.GetDataObject(), &second, DROPEFFECT_COPY, &e);
  };
  target.onDrop = [&] {
    depthInDrop = platform::ModalDepth();
    captureInDrop = GetCapture();
    // A question asked from the drop handler runs its own loop once the drag's is gone.
    bool answered = false;
    PushInputStep([&] { answered = true; });
    platform::RunModalLoop([&] { return answered; }, nullptr);
    askedInDrop = answered;
  };

  // The drag starts from a dialog's modal loop.
  Press(POINT{150, 150});
  DROPEFFECT result = 0;
  bool finished = false;
  PushInputStep([&] {
    result = source.DoDragDrop(DROPEFFECT_COPY);
    finished = true;
  });
  Move(POINT{600, 150});
  Move(POINT{610, 150});
  Release(POINT{610, 150});
  EXPECT_EQ(platform::RunModalLoop([&] { return finished; }, nullptr), platform::ModalEnd::Ended);
  EXPECT_EQ(result, DROPEFFECT_COPY);
  EXPECT_EQ(depthInOver, 2);
  EXPECT_EQ(nested, E_UNEXPECTED) << "one drag at a time";
  EXPECT_EQ(depthInDrop, 1) << "the drop comes after the drag's loop ended";
  EXPECT_EQ(captureInDrop, nullptr);
  EXPECT_TRUE(askedInDrop);
  EXPECT_EQ(target.droppedPaths.size(), 1u);
  EXPECT_EQ(platform::ModalDepth(), 0);
}

TEST_F(Drag, ATargetWindowDestroyedMidDragIsForgotten) {
  RecordingTarget target;
  target.Register(Wnd(b));
  Press(POINT{150, 150});
  Move(POINT{600, 150});
  PushInputStep([this] { DestroyWindow(b); });
  Move(POINT{610, 150});
  Release(POINT{610, 150});
  EXPECT_EQ(source.DoDragDrop(DROPEFFECT_COPY), DROPEFFECT_NONE);
  EXPECT_EQ(target.calls, (std::vector<std::string>{"enter"}));
}

TEST_F(Drag, WhateverEndsTheLoopEarlyCancels) {
  RecordingTarget target;
  target.Register(Wnd(b));
  const std::vector<std::string> enterLeave{"enter", "leave"};
  const std::vector<std::string> enterOverLeave{"enter", "over", "leave"};  // starting over B
  // Scripted input that runs out.
  Press(POINT{150, 150});
  Move(POINT{600, 150});
  EXPECT_EQ(source.DoDragDrop(DROPEFFECT_COPY), DROPEFFECT_NONE);
  EXPECT_EQ(target.calls, enterLeave);

  // The capture taken by another window.
  target.calls.clear();
  platform::ClearInputScript();
  Move(POINT{600, 150});
  PushInputStep([this] { SetCapture(a); });
  EXPECT_EQ(source.DoDragDrop(DROPEFFECT_COPY), DROPEFFECT_NONE);
  EXPECT_EQ(target.calls, enterOverLeave);
  EXPECT_EQ(GetCapture(), a) << "the new owner keeps it";
  ReleaseCapture();

  // A quit request, which stays queued for the outer loop.
  target.calls.clear();
  platform::ClearInputScript();
  Move(POINT{600, 150});
  PushInputStep([] { PostQuitMessage(3); });
  EXPECT_EQ(source.DoDragDrop(DROPEFFECT_COPY), DROPEFFECT_NONE);
  EXPECT_EQ(target.calls, enterOverLeave);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(m.wParam, 3u);
}

TEST_F(Drag, RegistrationRules) {
  RecordingTarget target;
  IDropTarget* raw = target.GetIDropTarget();
  OleUninitialize();
  EXPECT_EQ(RegisterDragDrop(a, raw), E_OUTOFMEMORY) << "OLE not initialised on this thread";
  EXPECT_FALSE(target.Register(Wnd(a)));
  OleInitialize(nullptr);

  EXPECT_EQ(RegisterDragDrop(nullptr, raw), DRAGDROP_E_INVALIDHWND);
  EXPECT_EQ(RegisterDragDrop(a, nullptr), E_INVALIDARG);
  EXPECT_EQ(RevokeDragDrop(a), DRAGDROP_E_NOTREGISTERED);
  ASSERT_TRUE(target.Register(Wnd(a)));
  EXPECT_FALSE(target.Register(Wnd(b))) << "one window per target object";
  EXPECT_EQ(RegisterDragDrop(a, raw), DRAGDROP_E_ALREADYREGISTERED);
  HWND owner = nullptr;
  EXPECT_EQ(platform::ole::FindDropTarget(a, &owner).get(), raw);
  EXPECT_EQ(owner, a);
  target.Revoke();
  EXPECT_FALSE(platform::ole::FindDropTarget(a, nullptr));
  EXPECT_EQ(RevokeDragDrop(a), DRAGDROP_E_NOTREGISTERED);

  {
    RecordingTarget scoped;
    ASSERT_TRUE(scoped.Register(Wnd(b)));
  }
  EXPECT_FALSE(platform::ole::FindDropTarget(b, nullptr)) << "a dying target object revokes itself";

  DWORD effect = 5;
  EXPECT_EQ(::DoDragDrop(nullptr, nullptr, DROPEFFECT_COPY, &effect), E_INVALIDARG);
}

}  // namespace
