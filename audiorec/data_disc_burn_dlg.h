// CDataDiscBurnDlg (dialog 129): copies the listed recordings unchanged onto a CD (mode 0) or
// a DVD (mode 1) as a data session, named after the burn's time, left open unless Finalize is
// ticked so that later burns can add to the disc.
#pragma once

#include <string>
#include <vector>

#include "audiorec/burn_dlg_frame.h"
#include "platform/disc/qn_data_cd_dvd.h"

class CDataDiscBurnDlg : public CBurnDlgFrame {
 public:
  enum Mode { kCd = 0, kDvd = 1 };
  explicit CDataDiscBurnDlg(CWnd* parent = nullptr);

  int m_mode = kCd;
  CQnDataCDDVD& writer() { return writer_; }
  const std::vector<std::string>& burnedPaths() const { return burned_; }

 protected:
  BOOL OnInitDialog() override;
  void OnDestroy() override;
  void OnTimer(UINT_PTR id) override;
  BOOL OnDeviceChange(UINT eventType, DWORD_PTR data) override;
  auvry::DiscWriter& Writer() override { return ops_; }
  bool DvdMode() const override { return m_mode == kDvd; }
  const char* DriveValueName() const override { return m_mode == kDvd ? "DVDWriter_AR" : "CDWriter_AR"; }
  UINT TitleString() const override;
  const char* AddFilter() const override { return "files(*.wma)|*.wma||"; }
  std::uint32_t BlockBytes() const override;
  std::uint64_t BlocksNeeded() override;
  void AddFileRow(const std::string& path) override;
  void StartBurn() override;
  void BurnEnded(int status) override;

  DECLARE_MESSAGE_MAP()

 private:
  static constexpr UINT_PTR kMediaTimer = 100;

  CQnDataCDDVD writer_;
  auvry::WriterOps<CQnDataCDDVD> ops_{writer_};
  std::vector<std::string> burned_;
  std::vector<std::string> skipped_;
};
