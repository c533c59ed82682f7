// CRecordBurnBdPage (345): previews the HDV camcorder, records its stream as a Blu-ray clip
// straight into the work folder's BDMV/STREAM, authors the BDMV tree with Tarnel on a thread,
// then burns the folder as UDF or leaves it on disk when there is no writer.
#pragma once

#include <atomic>
#include <string>

#include "worker_thread.h"
#include "record_burn_page.h"

class CRecordBurnBdPage : public CRecordBurnPage {
 public:
  CRecordBurnBdPage();
  ~CRecordBurnBdPage() override;

  void OnSetActive() override;
  BOOL OnQueryCancel() override;
  int GetBackPage() override;
  int GetNextPage() override { return 0; }

  enum Phase { kIdle = 0, kRecording = 1, kAuthoring = 2, kBurning = 4 };
  int GetPhase() const { return m_phase; }
  const std::string& ClipPath() const { return m_clipPath; }

  static constexpr UINT_PTR kAuthorProgressTimer = 22;
  static constexpr UINT_PTR kBurnProgressTimer = 44;
  static constexpr int kVideoBitRate = 25000000;

 protected:
  void OnTimer(UINT_PTR id) override;
  void OnRecord();
  void OnStop();
  LRESULT OnGraphEvent(WPARAM, LPARAM);
  LRESULT OnBurnEnded(WPARAM status, LPARAM);
  void OnLevelsShown(double left, double right, int leftMeter, int rightMeter) override;
  DECLARE_MESSAGE_MAP()

 private:
  void ShowBdStatus(int kind, int percent);
  void OpenCamcorder();
  // `graphGone`: the graph ended the recording itself (the camcorder was lost).
  void StopRecording(bool byUser, bool diskFull, bool graphGone = false);
  // Authors the recording of the work folder on the author thread.
  void StartAuthoring();
  // A failed authoring offers Retry (the kept clip again) and Cancel (idle, the clip kept).
  void AuthorEnded();
  void Burn();
  void DeleteRecording();
  void Idle();

  int m_phase = kIdle;
  std::string m_clipPath;
  wizard::WorkerThread m_authorThread;
  std::atomic<int> m_authorResult{0};
};
