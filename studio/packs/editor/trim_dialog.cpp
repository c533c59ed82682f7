#include "trim_dialog.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "clip_reader.h"
#include "frame_bitmap.h"
#include "platform/base/paths.h"
#include "platform/controls/commctrl.h"
#include "platform/gdi/objects.h"
#include "platform/window/dialog.h"
#include "platform/window/window.h"

namespace studio::packs {
namespace {

constexpr UINT kFrameReady = WM_APP + 1;

struct TrimState {
  StoryboardClip clip;
  double frame = 0.04;  // seconds of one frame
  int frames = 1;       // the slider's last position
  double in = 0, out = 0;
  TrimChoice choice;
  std::unique_ptr<ClipReader> reader;
  HBITMAP shown = nullptr;
};

double Seconds(const TrimState& s, int position) { return std::min(position * s.frame, s.clip.facts.seconds); }

int Position(HWND dialog) {
  return static_cast<int>(SendDlgItemMessage(dialog, TrimDialog::kSliderId, TBM_GETPOS, 0, 0));
}

void ShowPoints(HWND dialog, const TrimState& s) {
  const std::string points = "In " + PlayLength(s.in) + "     Out " + PlayLength(s.out) + "     Plays " +
                             PlayLength(std::max(0.0, s.out - s.in));
  SetDlgItemText(dialog, TrimDialog::kPointsId, points.c_str());
  const bool valid = s.out - s.in >= Storyboard::kShortestPiece;
  EnableWindow(GetDlgItem(dialog, IDOK), valid);
}

// Shows where the slider stands and asks for that frame; an older request still waiting is dropped.
void PositionChanged(HWND dialog, TrimState& s) {
  const double at = Seconds(s, Position(dialog));
  const std::string text = PlayLength(at) + " of " + PlayLength(s.clip.facts.seconds);
  SetDlgItemText(dialog, TrimDialog::kPositionId, text.c_str());
  const bool inside = at >= s.clip.in + Storyboard::kShortestPiece && at <= s.clip.out - Storyboard::kShortestPiece;
  EnableWindow(GetDlgItem(dialog, TrimDialog::kSplitId), inside);
  s.reader->DropQueued();
  ClipReader::Job job;
  job.path = s.clip.path;
  job.probe = false;
  job.at = at;
  job.width = TrimDialog::kPreviewWidth;
  job.height = TrimDialog::kPreviewHeight;
  s.reader->Queue(job);
}

void SetPosition(HWND dialog, TrimState& s, int position) {
  SendDlgItemMessage(dialog, TrimDialog::kSliderId, TBM_SETPOS, TRUE, std::clamp(position, 0, s.frames));
  PositionChanged(dialog, s);
}

void FrameArrived(HWND dialog, TrimState& s) {
  // Only the newest picture counts: the slider may have moved on since.
  std::vector<ClipReader::Result> results = s.reader->TakeResults();
  if (results.empty() || results.back().picture.empty()) return;
  HBITMAP bitmap = BitmapFromFrameImage(results.back().picture);
  if (!bitmap) return;
  SendDlgItemMessage(dialog, TrimDialog::kPreviewId, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
  if (s.shown) DeleteObject(s.shown);
  s.shown = bitmap;
}

void Layout(HWND dialog) {
  constexpr int kGap = 10, kRow = 24;
  int y = kGap;
  MoveWindow(GetDlgItem(dialog, TrimDialog::kPreviewId), kGap, y, TrimDialog::kPreviewWidth, TrimDialog::kPreviewHeight,
             TRUE);
  y += TrimDialog::kPreviewHeight + kGap;
  MoveWindow(GetDlgItem(dialog, TrimDialog::kBackId), kGap, y, 32, kRow, TRUE);
  MoveWindow(GetDlgItem(dialog, TrimDialog::kSliderId), kGap + 36, y, TrimDialog::kPreviewWidth - 72, kRow, TRUE);
  MoveWindow(GetDlgItem(dialog, TrimDialog::kForwardId), kGap + TrimDialog::kPreviewWidth - 32, y, 32, kRow, TRUE);
  y += kRow + 4;
  MoveWindow(GetDlgItem(dialog, TrimDialog::kPositionId), kGap, y + 4, TrimDialog::kPreviewWidth - 262, kRow - 4, TRUE);
  MoveWindow(GetDlgItem(dialog, TrimDialog::kSetInId), kGap + TrimDialog::kPreviewWidth - 256, y, 80, kRow, TRUE);
  MoveWindow(GetDlgItem(dialog, TrimDialog::kSetOutId), kGap + TrimDialog::kPreviewWidth - 172, y, 80, kRow, TRUE);
  MoveWindow(GetDlgItem(dialog, TrimDialog::kSplitId), kGap + TrimDialog::kPreviewWidth - 88, y, 88, kRow, TRUE);
  y += kRow + kGap;
  MoveWindow(GetDlgItem(dialog, TrimDialog::kPointsId), kGap, y + 4, TrimDialog::kPreviewWidth, kRow - 4, TRUE);
  y += kRow + kGap;
  MoveWindow(GetDlgItem(dialog, IDOK), kGap + TrimDialog::kPreviewWidth - 172, y, 80, kRow, TRUE);
  MoveWindow(GetDlgItem(dialog, IDCANCEL), kGap + TrimDialog::kPreviewWidth - 80, y, 80, kRow, TRUE);
  RECT frame{0, 0, TrimDialog::kPreviewWidth + kGap * 2, y + kRow + kGap};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtr(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtr(dialog, GWL_EXSTYLE)));
  SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Init(HWND dialog, TrimState& s) {
  SetWindowLongPtr(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&s));
  s.reader = std::make_unique<ClipReader>(dialog, kFrameReady, 1);
  s.frame = 1 / std::max(1.0, s.clip.facts.frameRate);
  s.frames = std::max(1, static_cast<int>(std::floor(s.clip.facts.seconds / s.frame)));
  s.in = s.clip.in;
  s.out = s.clip.out;
  SendDlgItemMessage(dialog, TrimDialog::kSliderId, TBM_SETRANGEMIN, FALSE, 0);
  SendDlgItemMessage(dialog, TrimDialog::kSliderId, TBM_SETRANGEMAX, TRUE, s.frames);
  SendDlgItemMessage(dialog, TrimDialog::kSliderId, TBM_SETLINESIZE, 0, 1);
  SendDlgItemMessage(dialog, TrimDialog::kSliderId, TBM_SETPAGESIZE, 0,
                     std::max(1, static_cast<int>(std::lround(1 / s.frame))));
  const std::string title = "Trim - " + platform::FileNameOf(s.clip.path);
  SetWindowText(dialog, title.c_str());
  Layout(dialog);
  ShowPoints(dialog, s);
  SetPosition(dialog, s, static_cast<int>(std::lround(s.in / s.frame)));
}

INT_PTR Proc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    Init(dialog, *reinterpret_cast<TrimState*>(lParam));
    return TRUE;
  }
  auto* s = reinterpret_cast<TrimState*>(GetWindowLongPtr(dialog, DWLP_USER));
  if (!s) return FALSE;
  switch (msg) {
    case kFrameReady: FrameArrived(dialog, *s); return TRUE;
    case WM_HSCROLL: PositionChanged(dialog, *s); return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case TrimDialog::kBackId: SetPosition(dialog, *s, Position(dialog) - 1); return TRUE;
        case TrimDialog::kForwardId: SetPosition(dialog, *s, Position(dialog) + 1); return TRUE;
        case TrimDialog::kSetInId:
          s->in = Seconds(*s, Position(dialog));
          if (s->out - s->in < Storyboard::kShortestPiece) s->out = s->clip.facts.seconds;
          ShowPoints(dialog, *s);
          return TRUE;
        case TrimDialog::kSetOutId:
          s->out = Seconds(*s, Position(dialog));
          if (s->out - s->in < Storyboard::kShortestPiece) s->in = 0;
          ShowPoints(dialog, *s);
          return TRUE;
        case TrimDialog::kSplitId:
          s->choice.kind = TrimChoice::kSplit;
          s->choice.splitAt = Seconds(*s, Position(dialog));
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDOK:
          s->choice.kind = TrimChoice::kTrimmed;
          s->choice.in = s->in;
          s->choice.out = s->out;
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
        default: return FALSE;
      }
    default: return FALSE;
  }
}

}  // namespace

double OnFrame(double seconds, double frameRate) {
  const double frame = 1 / std::max(1.0, frameRate);
  return std::round(seconds / frame) * frame;
}

TrimChoice TrimDialog::Run(HWND owner, const StoryboardClip& clip) {
  TrimState state;
  state.clip = clip;
  platform::DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
  t.caption = "Trim";
  t.cx = 270;
  t.cy = 240;
  platform::AddDialogItem(t, WC_STATIC, "", kPreviewId, WS_CHILD | SS_BITMAP | SS_CENTERIMAGE | SS_SUNKEN, 0, 0, 10,
                          10);
  platform::AddDialogItem(t, WC_BUTTON, "<", kBackId, WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10);
  platform::AddDialogItem(t, TRACKBAR_CLASS, "", kSliderId, WS_CHILD | WS_TABSTOP | TBS_HORZ | TBS_NOTICKS, 0, 0, 10,
                          10);
  platform::AddDialogItem(t, WC_BUTTON, ">", kForwardId, WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10);
  platform::AddDialogItem(t, WC_STATIC, "", kPositionId, WS_CHILD | SS_LEFT, 0, 0, 10, 10);
  platform::AddDialogItem(t, WC_BUTTON, "Set In", kSetInId, WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10);
  platform::AddDialogItem(t, WC_BUTTON, "Set Out", kSetOutId, WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10);
  platform::AddDialogItem(t, WC_BUTTON, "Split Here", kSplitId, WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10);
  platform::AddDialogItem(t, WC_STATIC, "", kPointsId, WS_CHILD | SS_LEFT, 0, 0, 10, 10);
  platform::AddDialogItem(t, WC_BUTTON, "OK", IDOK, WS_CHILD | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 10, 10);
  platform::AddDialogItem(t, WC_BUTTON, "Cancel", IDCANCEL, WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10);
  DialogBoxIndirectParam(nullptr, t, owner, &Proc, reinterpret_cast<LPARAM>(&state));
  state.reader.reset();
  if (state.shown) DeleteObject(state.shown);
  return state.choice;
}

}  // namespace studio::packs
