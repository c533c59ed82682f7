// CAudioCDBurnDlg (dialog 130): decodes the listed recordings one after another into CD-audio
// WAV files in a private temporary folder, then writes them as the tracks of an audio CD. A
// track that cannot be decoded is left out and named when the burn ends.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "audiorec/burn_dlg_frame.h"
#include "platform/disc/qn_audio_cd.h"

class CPcmDecoder;

// The files the track list takes, from Add and from a drop; the main list takes the same.
inline constexpr const char* kAudioCdAddFilter = "Audio files(*.wma,*.wav)|*.wma;*.wav;*.mp3|All files(*.*)|*.*||";

class CAudioCDBurnDlg : public CBurnDlgFrame {
 public:
  explicit CAudioCDBurnDlg(CWnd* parent = nullptr);
  ~CAudioCDBurnDlg() override;

  // The decoded tracks of the current run, in list order.
  const std::vector<std::string>& temporaries() const { return temporaries_; }
  // Names of the rows the current run leaves out.
  const std::vector<std::string>& leftOut() const { return leftOut_; }
  CQnAudioCD& writer() { return writer_; }

 protected:
  BOOL OnInitDialog() override;
  auvry::DiscWriter& Writer() override { return ops_; }
  bool DvdMode() const override { return false; }
  const char* DriveValueName() const override { return "CDWriter_AR"; }
  UINT TitleString() const override;
  const char* AddFilter() const override;
  std::uint32_t BlockBytes() const override;
  std::uint64_t BlocksNeeded() override;
  void AddFileRow(const std::string& path) override;
  void StartBurn() override;
  void BurnEnded(int status) override;
  void DecoderEvent() override;
  void DecodeTimer() override;

 private:
  void DecodeFrom(int index);
  bool DecodeOne(int row);
  void LeaveOut(int row);
  void StartAudioBurn();
  void DeleteTemporaries();
  bool MakeRunFolder();

  CQnAudioCD writer_;
  auvry::WriterOps<CQnAudioCD> ops_{writer_};
  CPcmDecoder& decoder_;
  std::vector<std::string> temporaries_;
  std::vector<std::string> leftOut_;
  std::string runFolder_;
  int current_ = 0;
};
