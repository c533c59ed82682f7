// CRecordBurnDvdPage (343): previews the capture device, records the elementary video and sound
// into a dated work folder, multiplexes and authors them on two threads, then burns VIDEO_TS or
// leaves the folder on disk when there is no writer; offers further copies.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "record_burn_page.h"
#include "work_folder_owner.h"
#include "worker_thread.h"

class CBalloonTipDialog;

class CRecordBurnDvdPage : public CRecordBurnPage {
 public:
  CRecordBurnDvdPage();
  ~CRecordBurnDvdPage() override;

  void OnSetActive() override;
  BOOL OnQueryCancel() override;
  int GetBackPage() override;
  int GetNextPage() override { return 0; }

  enum Phase { kIdle = 0, kRecording = 1, kAuthoring = 2, kMuxed = 3, kBurning = 4 };
  int GetPhase() const { return m_phase; }
  int VideoBitRate() const { return m_videoRate; }
  bool LowRate() const { return m_lowRate; }
  const std::string& BaseName() const { return m_baseName; }
  // The balloon that asks for a picture while Record waits for one; null when closed.
  HWND BalloonWindow() const;

  static constexpr UINT_PTR kStartMuxTimer = 11;
  static constexpr UINT_PTR kStartAuthorTimer = 22;
  static constexpr UINT_PTR kBurnProgressTimer = 33;
  static constexpr UINT_PTR kLeadOutTimer = 44;
  static constexpr UINT_PTR kAnotherCopyTimer = 55;
  static constexpr UINT_PTR kMuxProgressTimer = 111;
  static constexpr UINT_PTR kAuthorWaitTimer = 600;
  static constexpr UINT_PTR kSignalTimer = 767;

 protected:
  void OnTimer(UINT_PTR id) override;
  void OnRecord();
  void OnStop();
  LRESULT OnMuxEnded(WPARAM, LPARAM);
  LRESULT OnAuthorEnded(WPARAM, LPARAM);
  LRESULT OnGraphEvent(WPARAM, LPARAM);
  LRESULT OnBurnEnded(WPARAM status, LPARAM);
  DECLARE_MESSAGE_MAP()

 private:
  void ShowStatus(int kind, int percent);
  void OpenDevice();
  void CloseDevices();
  bool MakeRecordingFolder();
  void OfferLeftRecordings(const std::string& base);
  void StartRecording();
  bool GraphRecording() const;
  bool StopGraphRecording();
  // `graphGone`: the graph ended the recording itself (the device was lost).
  void StopRecording(bool byUser, bool diskFull, bool graphGone = false);
  void WatchSignal();
  void CloseBalloon();
  void Burn();
  void AnotherCopy();
  bool CheckCopyDisc();
  // Joins the worker threads; then deletes the streams and the multiplexed file, and with
  // removeFolder the whole work folder.
  void WaitWorkers(bool removeFolder);
  void DeleteStreams();
  // The streams deleted first: the folder and whatever else is in it, let go of.
  void RemoveWorkFolder();
  void DeleteMultiplexed();
  void BackToIdle();

  int m_phase = kIdle;
  int m_videoRate = 0;
  bool m_lowRate = false;
  std::string m_baseName = "HD";
  std::string m_recordPath;
  std::uint64_t m_expectedBytes = 0;
  int m_signalSeconds = 0;
  int m_noSignalSeconds = 0;
  std::uint64_t m_signalSinceMs = 0;
  bool m_watching = false;
  bool m_muxFailed = false;
  bool m_authorEnded = false;
  unsigned long m_imageBlocks = 0;
  bool m_firstDiscBluRay = false;
  wizard::WorkFolderOwner m_owner;  // the work folder, held while its streams are there
  bool m_leftOffered = false;       // recordings a crash left are offered once a run
  wizard::WorkerThread m_muxThread;
  wizard::WorkerThread m_authorThread;
  std::unique_ptr<CBalloonTipDialog> m_balloon;
};
