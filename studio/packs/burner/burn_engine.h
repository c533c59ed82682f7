// The burner's engine: one burn job (titles, disc format, disc name, writer) run on a worker
// thread in phases: encode what the disc cannot take as it is, author the disc (dvdauthor for
// DVD-Video, vcdxbuild for a Video CD or Super Video CD), write it, finalize. The worker never
// touches a window: it calls `notify` on every change and the owner reads the state.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "disc_encode_settings.h"
#include "platform/disc/dvd_menu.h"
#include "work_folder.h"

namespace studio::packs {

enum class BurnPhase { Idle, Encoding, Authoring, Writing, Finalizing };
// "Encoding", "Authoring", "Writing", "Finalizing"; empty for Idle.
const char* PhaseName(BurnPhase phase);

struct BurnJob {
  // Each title is the files played one after the other (a recording's numbered parts).
  std::vector<std::vector<std::string>> titles;
  DiscFormat format = DiscFormat::Dvd;
  bool ntsc = true;
  std::string discName;
  // The temporary folder (empty: the system's). The burn makes a folder of its own inside it and
  // removes that at its end, whatever the end, and nothing else there.
  std::string workRoot;
  // That folder, once the burn has made it.
  std::string workFolder;
  // The writer's letter; 0: the first writer holding a disc the format can go on.
  char driveLetter = 0;
  // Instead of a writer, an image file: an ISO for DVD-Video; for a Video CD the BIN/CUE pair
  // "<name>.bin" and "<name>.cue" (a ".bin" or ".cue" ending given is taken off).
  std::string imageFile;
  // Each title's name (the DVD menu's button text); missing names are the files' names.
  std::vector<std::string> titleNames;
  // A DVD-Video gets a chapter every so many minutes (0: only at each title's start).
  int chapterMinutes = 0;
  // Further chapter starts of each title in seconds (the edited video's clip boundaries).
  std::vector<std::vector<double>> titleChapters;
  // A DVD-Video starts with a title menu that every title returns to.
  bool menu = false;
};

enum class BurnEnd { Burned, Failed, Cancelled };

class BurnEngine {
 public:
  explicit BurnEngine(std::function<void()> notify) : notify_(std::move(notify)) {}
  ~BurnEngine();
  BurnEngine(const BurnEngine&) = delete;
  BurnEngine& operator=(const BurnEngine&) = delete;

  // Checks the titles and the disc, then starts the worker. False with *refusal saying why and
  // what to do when nothing was started (nothing is written then, and no folder is left).
  bool Start(BurnJob job, std::string* refusal);
  // Ends the running phase, its tools included; the burn then ends as cancelled.
  void Cancel();
  // Waits for the worker to end.
  void Join();

  bool Running() const { return running_; }
  BurnPhase Phase() const { return phase_; }
  int Percent() const { return percent_; }
  // After the end: how it ended and, when it failed, what the user reads.
  BurnEnd End() const { return end_; }
  std::string Message() const;

 private:
  void Run();
  bool Encode(std::vector<std::vector<std::string>>* discTitles);
  bool Author(const std::vector<std::vector<std::string>>& discTitles, std::string* authored);
  bool Write(const std::string& authored);
  // Each title as a stream of the Blu-ray's own layout under the work folder's BDMV tree.
  bool EncodeBluray(std::vector<std::vector<std::string>>* discTitles);
  // Tarnel writes the BDMV tree of the titles' streams, each its own playlist.
  bool AuthorBluray(const std::vector<std::vector<std::string>>& discTitles, const std::string& folder);
  // A DVD-Video whose first play is a title menu of pages with a button for each title.
  bool AuthorWithMenu(const std::vector<std::vector<std::string>>& discTitles, const std::string& folder,
                      std::string* messages);
  // The disc's titles as dvdauthor is given them: plain names in `folder`, chapters, shape and sound.
  std::vector<platform::disc::AuthoredTitle> AuthoredTitles(const std::vector<std::vector<std::string>>& discTitles,
                                                            const std::string& folder);
  // A DVD-Video without a menu.
  bool AuthorPlain(const std::vector<std::vector<std::string>>& discTitles, const std::string& folder,
                   std::string* messages);
  // A picture of the title for its menu button; empty when none can be made.
  std::string Thumbnail(const std::string& file, double seconds, const std::string& picture);
  bool WriteImage(const std::string& authored);
  // Runs a tool to its end; false when it failed or the burn was cancelled. Every line it writes
  // on stdout goes to `onLine`; what it says on stderr lands in *messages.
  bool RunTool(const std::string& program, const std::vector<std::string>& args,
               const std::function<void(const std::string&)>& onLine, std::string* messages);
  void SetPhase(BurnPhase phase, int percent);
  void SetPercent(int percent);
  void Fail(const std::string& message);
  // A title that was deleted or cut short since the burn started, in words for the user; empty
  // when none was.
  std::string ChangedTitle() const;
  // The work folder's file system is full (or nearly): the reason a tool failed.
  bool WorkFolderFull() const;

  std::function<void()> notify_;
  BurnJob job_;
  WorkFolder work_;
  std::vector<std::pair<std::string, std::int64_t>> startSizes_;  // each file's size when the burn started
  std::thread worker_;
  std::atomic<bool> running_{false};
  std::atomic<bool> cancel_{false};
  std::atomic<BurnPhase> phase_{BurnPhase::Idle};
  std::atomic<int> percent_{0};
  std::atomic<BurnEnd> end_{BurnEnd::Burned};
  mutable std::mutex mutex_;  // guards message_
  std::string message_;
  std::vector<double> titleSeconds_;  // each title's length, read while encoding
  struct TitleForm {
    bool wide = false;  // shown 16:9 on the disc
    std::string sound;  // its sound codec on the disc; "" none
  };
  std::vector<TitleForm> titleForms_;  // each disc title's, known once encoded
  std::vector<double> Marks(size_t title) const;
};

}  // namespace studio::packs
