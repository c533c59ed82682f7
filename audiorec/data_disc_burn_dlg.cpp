#include "data_disc_burn_dlg.h"

#include <filesystem>

#include "auvry_burn_ids.h"
#include "burn_rules.h"
#include "burn_text.h"
#include "platform/base/local_time.h"
#include "platform/window/device_change.h"

BEGIN_MESSAGE_MAP(CDataDiscBurnDlg, CBurnDlgFrame)
ON_WM_DESTROY()
ON_WM_TIMER()
ON_WM_DEVICECHANGE()
END_MESSAGE_MAP()

CDataDiscBurnDlg::CDataDiscBurnDlg(CWnd* parent) : CBurnDlgFrame(IDD_DATA_DISC_BURN, parent) {}

UINT CDataDiscBurnDlg::TitleString() const { return m_mode == kDvd ? auvry::kStrTitleWmaDvd : auvry::kStrTitleWmaCd; }

std::uint32_t CDataDiscBurnDlg::BlockBytes() const { return auvry::kDataBlockBytes; }

BOOL CDataDiscBurnDlg::OnInitDialog() {
  writer_.Initialize();
  CBurnDlgFrame::OnInitDialog();
  writer_.SetBurnMode(m_mode == kDvd ? 0 : 1);
  if (writer_.GetDriveCount() == 0) {
    auvry::ShowMessage(m_hWnd, auvry::BurnText(m_mode == kDvd ? auvry::kStrNoDvdWriter : auvry::kStrNoCdWriter),
                       MB_ICONWARNING);
    CloseDialog();
    return TRUE;
  }
  FillDriveList();
  for (const std::string& path : m_initialPaths) AddFileRow(path);
  EnableControls(true);
  UpdateTotals();
  finalize_.EnableWindow(TRUE);
  finalize_.SetCheck(BST_UNCHECKED);
  return TRUE;
}

void CDataDiscBurnDlg::OnDestroy() {
  CBurnDlgFrame::OnDestroy();
  writer_.Uninitialize();
}

std::uint64_t CDataDiscBurnDlg::BlocksNeeded() {
  return auvry::DataBlocksNeeded(static_cast<std::uint64_t>(std::max<std::int64_t>(totalBytes_, 0)));
}

void CDataDiscBurnDlg::AddFileRow(const std::string& path) {
  CMediaDurationProbe probe;
  std::optional<RecordingItem> found = MakeRecordingItem(path, probe);
  if (!found) return;
  auto item = std::make_unique<RecordingItem>(std::move(*found));
  const std::string size = FormatRowSize(item->size);
  const std::string time = FormatPlayTime(item->playSeconds);
  const int row = list_.AppendRow(std::move(item), size, time);
  if (row >= 0) list_.EnsureVisible(row, FALSE);
  list_.Invalidate();
}

void CDataDiscBurnDlg::StartBurn() {
  KillTimer(kBurnTimer);
  EnableControls(false);
  if (list_.GetItemCount() == 0) {
    auvry::ShowMessage(m_hWnd, auvry::BurnText(auvry::kStrSelectFile), MB_ICONINFORMATION);
    EnableControls(true);
    return;
  }
  UpdateTotals();
  if (!CheckDiscForBurn()) {
    EnableControls(true);
    return;
  }
  writer_.Free();
  writer_.LoadSession();
  writer_.SetDiscLabel(auvry::DiscLabel(platform::LocalNow()).c_str());
  writer_.SetFinalizeDisc(finalize_.GetCheck() == BST_CHECKED ? 1 : 0);
  burned_.clear();
  skipped_.clear();
  auvry::DiscNames names;
  for (int row = 0; row < list_.GetItemCount(); ++row) {
    const RecordingItem* item = list_.ItemAt(row);
    if (!item) continue;
    burned_.push_back(item->path);
    std::error_code error;
    const auto status = std::filesystem::status(item->path, error);
    if (error || !std::filesystem::exists(status)) {
      writer_.Free();
      auvry::ShowMessage(m_hWnd, "This file can no longer be found, so nothing was burned:\n" + item->path,
                         MB_ICONWARNING);
      EnableControls(true);
      return;
    }
    if (std::filesystem::is_directory(status)) {
      skipped_.push_back(item->name);
      continue;
    }
    const std::string fileName = std::filesystem::path(item->path).filename().string();
    const auvry::DiscNames::Names disc = names.Add(fileName);
    writer_.AddFile("\\", item->path.c_str(), disc.longName.c_str(), disc.shortName.c_str());
  }
  writer_.Ready();
  if (!writer_.StartBurnData(&CBurnDlgFrame::OnBurnEnd, this)) {
    auvry::ShowMessage(m_hWnd, auvry::BurnText(auvry::kStrBurnFailed), MB_ICONWARNING);
    EnableControls(true);
    return;
  }
  StartBurnTimer();
}

void CDataDiscBurnDlg::BurnEnded(int status) {
  if (status == 0) {
    std::string text = auvry::BurnText(auvry::kStrBurned);
    if (!skipped_.empty()) {
      text += "\n\nFolders are not burned; left out:";
      for (const std::string& name : skipped_) text += "\n" + name;
    }
    auvry::ShowMessage(m_hWnd, text, MB_ICONINFORMATION);
  } else {
    auvry::ShowMessage(m_hWnd, auvry::SenseMessage(auvry::BurnText(auvry::kStrBurnFailed), writer_.GetErrorCode()),
                       MB_ICONWARNING);
  }
  writer_.UnloadMedium();
  EnableControls(true);
}

void CDataDiscBurnDlg::OnTimer(UINT_PTR id) {
  if (id != kMediaTimer) return CBurnDlgFrame::OnTimer(id);
  KillTimer(kMediaTimer);
  if (phase() == kIdle) erase_.EnableWindow(writer_.IsErasable() != 0);
}

BOOL CDataDiscBurnDlg::OnDeviceChange(UINT eventType, DWORD_PTR data) {
  if (eventType != DBT_DEVICEARRIVAL && eventType != DBT_DEVICEREMOVECOMPLETE) return TRUE;
  const auto* volume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(data);
  // The medium settles before the writer can tell whether it is erasable.
  if (volume && volume->dbcv_devicetype == DBT_DEVTYP_VOLUME && (volume->dbcv_flags & DBTF_MEDIA))
    SetTimer(kMediaTimer, 3000);
  return TRUE;
}
