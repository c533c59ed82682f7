#include "disc_check.h"

#include "erase_disc_dlg.h"
#include "platform/base/clock.h"
#include "platform/base/message_box.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/window/afx_wnd.h"
#include "wait_cursor.h"
#include "wizard_ids.h"
#include "wizard_state.h"
#include "wizard_text.h"

namespace wizard {

namespace {

constexpr DWORD kLoadSettleMs = 3000;

enum class DiscClass { Refused, WriteOnce, Rewritable, DoubleLayer };

struct DvdKind {
  int kind;
  unsigned char capability;
  DiscClass discClass;
};

constexpr DvdKind kDvdKinds[] = {
    {5, 14, DiscClass::WriteOnce},    {7, 15, DiscClass::Rewritable},   {8, 15, DiscClass::Rewritable},
    {9, 15, DiscClass::Rewritable},   {10, 17, DiscClass::Rewritable},  {11, 16, DiscClass::WriteOnce},
    {15, 18, DiscClass::DoubleLayer}, {17, 18, DiscClass::DoubleLayer}, {18, 18, DiscClass::DoubleLayer},
    {16, 19, DiscClass::DoubleLayer},
};

HWND Handle(CWnd* owner) { return owner ? owner->m_hWnd : nullptr; }

BOOL Refuse(CWnd* owner, UINT messageId) {
  Writer().UnloadMedium();
  Ask(Handle(owner), Text(messageId), MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
  return FALSE;
}

// A rewritable disc that holds data is erased when the user agrees.
BOOL EraseWhenAgreed(CWnd* owner) {
  if (Writer().GetTotalDiscBlock() == 0) return TRUE;
  if (Ask(Handle(owner), Text(IDS_ERASE_QUESTION), MB_YESNO | MB_ICONQUESTION) == IDNO) {
    Writer().UnloadMedium();
    return FALSE;
  }
  CEraseDiscDlg erase(owner);
  if (erase.DoModal() != IDOK) return Refuse(owner, IDS_ERASE_FAILED);
  return TRUE;
}

}  // namespace

BOOL WaitForDriveReady(HWND owner) {
  WaitCursor wait;
  CQnDataCDDVD& writer = Writer();
  while (!writer.TestUnitReady()) {
    if (Ask(owner, Text(IDS_NOT_READY), MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) == IDNO) {
      writer.UnloadMedium();
      return FALSE;
    }
    writer.LoadMedium();
    ::Sleep(kLoadSettleMs);
  }
  return TRUE;
}

BOOL CheckDvdDisc(CWnd* owner) {
  WizardState& s = State();
  s.doubleLayer = FALSE;
  if (!WaitForDriveReady(Handle(owner))) return FALSE;
  CQnDataCDDVD& writer = Writer();
  s.discKind = writer.GetDiscType();
  const DvdKind* found = nullptr;
  for (const DvdKind& k : kDvdKinds)
    if (k.kind == s.discKind) found = &k;
  if (!found || !writer.SupportDisc(found->capability)) return Refuse(owner, IDS_MEDIA_NON_APPLICABLE);
  if (found->discClass == DiscClass::DoubleLayer) s.doubleLayer = TRUE;
  if (found->discClass == DiscClass::Rewritable) return EraseWhenAgreed(owner);
  if (writer.GetTotalDiscBlock() != 0) return Refuse(owner, IDS_NOT_BLANK);
  return TRUE;
}

BOOL CheckBluRayDisc(CWnd* owner) {
  WizardState& s = State();
  s.doubleLayer = FALSE;
  if (!WaitForDriveReady(Handle(owner))) return FALSE;
  CQnDataCDDVD& writer = Writer();
  s.discKind = writer.GetDiscType();
  if (s.discKind == 20) {
    if (!writer.SupportDisc(22)) return Refuse(owner, IDS_MEDIA_NON_APPLICABLE);
    // A written BD-R cannot take the recording.
    if (writer.GetTotalDiscBlock() != 0) return Refuse(owner, IDS_NOT_BLANK);
    return TRUE;
  }
  if (s.discKind == 21) {
    if (!writer.SupportDisc(23)) return Refuse(owner, IDS_MEDIA_NON_APPLICABLE);
    writer.GetFreeDiscBlock();
    return EraseWhenAgreed(owner);
  }
  return Refuse(owner, IDS_MEDIA_NON_APPLICABLE);
}

void EjectBurnedDisc() {
  Writer().UnlockMedium();
  Writer().UnloadMedium();
}

}  // namespace wizard
