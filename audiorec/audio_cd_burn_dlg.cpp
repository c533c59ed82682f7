#include "audio_cd_burn_dlg.h"

#include <cstdlib>
#include <filesystem>

#include "auvry_burn_ids.h"
#include "burn_rules.h"
#include "burn_text.h"
#include "pcm_decoder.h"
#include "platform/base/paths.h"
#include "platform/dshow/codes.h"

CAudioCDBurnDlg::CAudioCDBurnDlg(CWnd* parent) : CBurnDlgFrame(IDD_AUDIO_CD_BURN, parent), decoder_(PcmDecoder()) {}

CAudioCDBurnDlg::~CAudioCDBurnDlg() {
  decoder_.Teardown();
  DeleteTemporaries();
}

UINT CAudioCDBurnDlg::TitleString() const { return auvry::kStrTitleAudioCd; }

const char* CAudioCDBurnDlg::AddFilter() const { return kAudioCdAddFilter; }

std::uint32_t CAudioCDBurnDlg::BlockBytes() const { return auvry::kCdSectorBytes; }

BOOL CAudioCDBurnDlg::OnInitDialog() {
  CBurnDlgFrame::OnInitDialog();
  if (writer_.GetDriveCount() == 0) {
    auvry::ShowMessage(m_hWnd, auvry::BurnText(auvry::kStrNoCdWriter), MB_ICONWARNING);
    CloseDialog();
    return TRUE;
  }
  // The audio CD is always closed.
  finalize_.SetCheck(BST_CHECKED);
  finalize_.EnableWindow(FALSE);
  FillDriveList();
  for (const std::string& path : m_initialPaths) AddFileRow(path);
  UpdateTotals();
  EnableControls(true);
  finalize_.EnableWindow(FALSE);
  return TRUE;
}

std::uint64_t CAudioCDBurnDlg::BlocksNeeded() {
  std::vector<std::int64_t> tracks;
  for (int i = 0; i < list_.GetItemCount(); ++i)
    if (const RecordingItem* item = list_.ItemAt(i); item && item->size > 0)
      tracks.push_back(static_cast<std::int64_t>(item->size));
  return auvry::AudioSectorsNeeded(tracks);
}

void CAudioCDBurnDlg::AddFileRow(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return;
  CMediaDurationProbe probe;
  std::optional<RecordingItem> found = MakeRecordingItem(path, probe);
  if (!found) return;
  auto item = std::make_unique<RecordingItem>(std::move(*found));
  // A track's room on the disc is its play time as CD audio.
  item->size = static_cast<double>(auvry::CdAudioBytes(item->playSeconds));
  const bool known = item->playSeconds > 0;
  const std::string size = known ? FormatRowSize(item->size) : "00 MB";
  const std::string time = known ? FormatPlayTime(item->playSeconds) : "00 : 00 : 00";
  const int row = list_.AppendRow(std::move(item), size, time);
  if (row >= 0) list_.EnsureVisible(row, FALSE);
  list_.Invalidate();
}

bool CAudioCDBurnDlg::MakeRunFolder() {
  // Each run decodes into a folder of its own: names of different sources cannot collide,
  // and nothing is written beside the recordings.
  std::string pattern = platform::TempFolder() + "auvry-cd-XXXXXX";
  if (!mkdtemp(pattern.data())) return false;
  runFolder_ = pattern + "/";
  return true;
}

void CAudioCDBurnDlg::StartBurn() {
  KillTimer(kBurnTimer);
  KillTimer(kDecodeTimer);
  EnableControls(false);
  writer_.Free();
  if (drives_.GetCurSel() >= 0) writer_.ChooseDrive(static_cast<unsigned char>(drives_.GetCurSel()));
  if (list_.GetItemCount() == 0) {
    auvry::ShowMessage(m_hWnd, auvry::BurnText(auvry::kStrSelectFile), MB_ICONINFORMATION);
    EnableControls(true);
    return;
  }
  if (list_.GetItemCount() > auvry::kMaxCdTracks) {
    auvry::ShowMessage(m_hWnd, auvry::TooManyTracksText(list_.GetItemCount()), MB_ICONWARNING);
    EnableControls(true);
    return;
  }
  if (!CheckDiscForBurn()) {
    EnableControls(true);
    return;
  }
  DeleteTemporaries();
  leftOut_.clear();
  if (!MakeRunFolder()) {
    auvry::ShowMessage(m_hWnd, auvry::BurnText(auvry::kStrBurnFailed), MB_ICONWARNING);
    EnableControls(true);
    return;
  }
  SetPhase(kDecoding);
  current_ = 0;
  SetTimer(kDecodeTimer, 500);
  DecodeFrom(0);
}

void CAudioCDBurnDlg::LeaveOut(int row) {
  if (const RecordingItem* item = list_.ItemAt(row)) leftOut_.push_back(item->name);
}

void CAudioCDBurnDlg::DecodeFrom(int index) {
  for (int row = index; row < list_.GetItemCount(); ++row) {
    current_ = row;
    if (DecodeOne(row)) return;  // its end comes as a decoder event
    LeaveOut(row);
  }
  decoder_.Teardown();
  KillTimer(kDecodeTimer);
  SetDlgItemText(IDC_BURN_DECODING, "");
  StartAudioBurn();
}

bool CAudioCDBurnDlg::DecodeOne(int row) {
  const RecordingItem* item = list_.ItemAt(row);
  if (!item) return false;
  char name[32];
  std::snprintf(name, sizeof name, "track%02d.wav", static_cast<int>(temporaries_.size()) + 1);
  const std::string target = runFolder_ + name;
  if (!decoder_.Build(m_hWnd, item->path, target, TRUE)) return false;
  SetDlgItemText(IDC_BURN_DECODING, item->name);
  if (!decoder_.Run()) {
    decoder_.Teardown();
    std::remove(target.c_str());
    return false;
  }
  temporaries_.push_back(target);
  return true;
}

void CAudioCDBurnDlg::DecoderEvent() {
  const long code = decoder_.PollEvents();
  if (code == EC_COMPLETE) {
    progress_.SetPos(100);
    const bool wrote = decoder_.GetBytesWritten() > 0;
    decoder_.Teardown();
    if (!wrote) {
      // A stream that ended before any sound is not a track.
      std::remove(temporaries_.back().c_str());
      temporaries_.pop_back();
      LeaveOut(current_);
    }
    DecodeFrom(current_ + 1);
  } else if (code == EC_ERRORABORT || code == EC_USERABORT) {
    // A cut-off track is not burned.
    decoder_.Teardown();
    std::remove(temporaries_.back().c_str());
    temporaries_.pop_back();
    LeaveOut(current_);
    DecodeFrom(current_ + 1);
  }
}

void CAudioCDBurnDlg::DecodeTimer() {
  progress_.SetRange(0, 100);
  progress_.SetPos(decoder_.GetProgress());
}

void CAudioCDBurnDlg::StartAudioBurn() {
  SetPhase(kIdle);
  if (temporaries_.empty()) {
    std::string text = auvry::BurnText(auvry::kStrBurnFailed);
    for (const std::string& name : leftOut_) text += "\n" + name;
    auvry::ShowMessage(m_hWnd, text, MB_ICONWARNING);
    DeleteTemporaries();
    EnableControls(true);
    return;
  }
  if (!CheckDiscForBurn()) {
    // Not part of any later run.
    DeleteTemporaries();
    EnableControls(true);
    return;
  }
  writer_.SetFinalizeDisc(1);
  for (const std::string& temporary : temporaries_) writer_.AddAudio(temporary.c_str(), 0, 150, 0);
  KillTimer(kBurnTimer);
  if (!writer_.StartBurn(&CBurnDlgFrame::OnBurnEnd, this)) {
    auvry::ShowMessage(m_hWnd, auvry::BurnText(auvry::kStrBurnFailed), MB_ICONWARNING);
    DeleteTemporaries();
    EnableControls(true);
    return;
  }
  StartBurnTimer();
}

void CAudioCDBurnDlg::BurnEnded(int status) {
  if (status == 0) {
    std::string text = auvry::BurnText(auvry::kStrBurned);
    if (!leftOut_.empty()) {
      text += "\n\nThese files could not be decoded and were left out:";
      for (const std::string& name : leftOut_) text += "\n" + name;
    }
    auvry::ShowMessage(m_hWnd, text, leftOut_.empty() ? MB_ICONINFORMATION : MB_ICONWARNING);
  } else {
    auvry::ShowMessage(m_hWnd, auvry::SenseMessage(auvry::BurnText(auvry::kStrBurnFailed), writer_.GetErrorCode()),
                       MB_ICONWARNING);
  }
  writer_.UnloadMedium();
  EnableControls(true);
  DeleteTemporaries();
}

void CAudioCDBurnDlg::DeleteTemporaries() {
  for (const std::string& temporary : temporaries_) std::remove(temporary.c_str());
  temporaries_.clear();
  if (!runFolder_.empty()) {
    std::error_code error;
    std::filesystem::remove_all(runFolder_, error);
    runFolder_.clear();
  }
}
