// The burner pack: the Burn step's disc project and the burns of the capture page's record-and-burn
// recordings, each run by the burn engine off the window while the pack's window shows its
// progress; every end hands the main window back.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "burn_engine.h"
#include "work_folder.h"
#include "burn_view.h"
#include "disc_project.h"
#include "disc_writers.h"
#include "title_reader.h"
#include "writer_reader.h"
#include "disc_encode_settings.h"
#include "pack_interfaces.h"
#include "platform/com/object.h"

class CQnDataCDDVD;

namespace studio::packs {

DEFINE_GUID(CLSID_BurnerPack, 0x5B0E2C62, 0x77A1, 0x4D0F, 0x9E, 0x41, 0x2A, 0x6C, 0x11, 0xD0, 0x3B, 0x52);

// The answer to "checkdrive": 0 no writable disc, else 100000 (CD), 200000 (rewritable DVD) or
// 300000 (write-once DVD) plus the free megabytes.
int DriveCheckCode(unsigned char discType, unsigned long freeBlocks);
// A recording's file, or its numbered parts ("X_1.mpg", "X_2.mpg", ...) when the file itself is absent.
std::vector<std::string> RecordedFiles(const std::string& path);
// Removes the elementary streams ("<stem>.mpv", "<stem>.mpa" and their pieces) that a
// record-and-burn recording at `recording` was written with; the recording itself stays.
void RemoveElementaryStreams(const std::string& recording);

class CBurnerPack final : public platform::com::ComObject<IPack> {
 public:
  // Posted to the pack's window: the engine changed (from its worker), a start was refused.
  static constexpr UINT kEngineChanged = WM_APP + 1;
  static constexpr UINT kStartRefused = WM_APP + 2;
  static constexpr UINT kTitlesRead = WM_APP + 3;
  static constexpr UINT kWritersRead = WM_APP + 4;

  CBurnerPack();
  const DiscProject& Project() const { return project_; }
  // The media files among the titles, in play order.
  std::vector<std::string> BurnList() const;
  bool Burning() const { return burning_ || waitingForTitle_ || burnAfterReading_; }
  bool HasProjectTitle() const;
  // Titles put on the disc whose streams are still being read.
  bool ReadingTitles() const;
  // The writers the window offers for the disc kind, "Image file" last; the chosen one.
  const std::vector<WriterChoice>& Writers() const { return writers_; }
  // The writers are being read again: the list shows what it showed until they are.
  bool ReadingWriters() const { return writerReader_.Pending(); }
  // The end of the last burn: 0 none yet, 1 burned, -1 failed or cancelled.
  int LastResult() const { return lastResult_; }
  HWND Window() const { return view_.Window(); }
  void Cancel();

  STDMETHODIMP Reserved3() override { return S_OK; }
  STDMETHODIMP SetHost(IPackHost* host) override;
  STDMETHODIMP Uninitialize() override;
  STDMETHODIMP CreateWindow(DWORD style, const RECT* area, HWND parent) override;
  STDMETHODIMP DestroyWindow() override;
  STDMETHODIMP MoveWindow(const RECT* area) override;
  STDMETHODIMP_(int) QueryBusy(int) override { return Burning() ? 1 : 0; }
  STDMETHODIMP Show(BOOL show) override;
  STDMETHODIMP Reserved11() override { return S_OK; }
  STDMETHODIMP Reserved12() override { return S_OK; }
  STDMETHODIMP LoadProject(IProjectDocument* document) override;
  STDMETHODIMP SaveProject(IProjectDocument* document) override;
  STDMETHODIMP Reserved15() override { return S_OK; }
  STDMETHODIMP Command(LPCSTR sender, LPCSTR text) override;
  // Dropped media files join the burn list; the project title's entry puts the edited video in.
  STDMETHODIMP DropData(HANDLE data) override;
  STDMETHODIMP DragOver(POINT*, DWORD* effect) override;
  STDMETHODIMP Reserved19() override { return S_OK; }
  STDMETHODIMP FilterMessage(MSG*) override { return S_FALSE; }

 protected:
  ~CBurnerPack() override;

 private:
  // The Burn button: checks the project and the medium, then renders the edited video (when the
  // disc has it) and starts the job. `image`: the image file's path, asked for when empty.
  HRESULT BurnProject(std::string image);
  HRESULT StartProjectJob();
  void OnViewCommand(int id, int code);
  void AddTitles(const std::vector<std::string>& files);
  // Reads the titles' files off the window (or at once without one).
  void ReadTitles(const std::vector<std::string>& files);
  // Takes what the reader has read into the titles; files that hold no video leave the disc.
  void TakeReadTitles();
  // Reads the writers and their media again: the kind changed, a disc came or went, a burn ended.
  void RefreshWriters();
  // Lists the writers read for the kind and keeps the user's choice among them.
  void ShowWriters(std::vector<WriterChoice> writers, DiscFormat kind);
  void RefreshMeter();
  // The chosen title's name in the name box.
  void ShowTitleName();
  // The user changed the disc project: the status line is the new project's.
  void ProjectChanged();
  // Takes the main program's current TV system and shows it.
  void ReadSystem();
  // The chosen writer's letter; 0 for "Image file".
  char ChosenLetter() const;
  const WriterChoice* Chosen() const;
  // The bytes the chosen medium takes, as last read; 0 when it cannot take the disc.
  std::uint64_t ChosenCapacity() const;
  HRESULT StartJob(BurnJob job);
  void OnWindowMessage(UINT message);
  void Finish(const std::string& text, bool burned);
  bool ChooseDrive(char letter);
  void LockDisc(bool lock);
  // Shows the project; `select` the title to choose, -1 the one chosen.
  void RefreshList(int select = -1);
  void RemoveTitleRender();
  void Refuse(const std::string& text);
  std::string WorkRoot() const;

  IPackHost* host_ = nullptr;
  BurnView view_;
  // The window the worker posts to: read on the worker, changed on the window's thread.
  std::atomic<HWND> notifyWindow_{nullptr};
  BurnEngine engine_;
  TitleReader reader_;
  WriterReader writerReader_;
  DiscProject project_;
  // The writers the window lists, in its order, "Image file" last.
  std::vector<WriterChoice> writers_;
  std::optional<DiscFormat> writersKind_;  // the kind they were read for; none before the first reading
  int chosenWriter_ = 0;
  bool imageChosen_ = false;  // the user chose "Image file": it stays while writers come and go
  char jobLetter_ = 0;
  double editedSeconds_ = 0;              // the storyboard's length, as the editor last said
  std::string imageFile_;                 // the image the running project burn writes, or empty
  std::unique_ptr<CQnDataCDDVD> writer_;  // the drives "checkdrive" and "disclock" speak of
  DiscFormat format_ = DiscFormat::Dvd;
  bool ntsc_ = true;               // the Burn step's TV system, the main program's as last asked
  bool recordNtsc_ = true;         // the record-and-burn recording's, as the capture page said
  bool editedRemoved_ = false;     // the user took the edited video off the disc
  bool burnAfterReading_ = false;  // Burn was clicked while titles were still being read
  std::string pendingImage_;       // that burn's image file
  char driveLetter_ = 0;           // the drive the page last asked about
  bool locked_ = false;
  bool burning_ = false;
  int lastResult_ = 0;
  std::string refusal_;
  std::string workFolder_;
  // The recording "burning file=" named, burned by the next "EndCapture ok=1".
  std::vector<std::string> recording_;
  std::string recordingPath_;     // "burning file=": its elementary streams go once it is burned
  std::string burningRecording_;  // the record-and-burn recording the running burn is of
  // The files of the burn that runs now: the only ones "isfilebusy" holds.
  std::vector<std::string> busyFiles_;
  // The edited video's render for the running burn, removed at its end.
  std::string titleFile_;
  WorkFolder titleFolder_;  // the edited video's, made for its render and removed with it
  bool waitingForTitle_ = false;
  bool titleAnswered_ = false;
  std::vector<double>
      editedChapters_;  // where the edited video's clips begin, as the editor said  // the editor spoke of the render asked for
};

void RegisterBurnerPack();

}  // namespace studio::packs
