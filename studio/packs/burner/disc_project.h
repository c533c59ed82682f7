// The disc project the Burn step edits: its titles in play order, the disc kind, the disc's name
// and the chapter spacing; what fits on which disc, and how the project is kept in a project file.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "disc_encode_settings.h"

struct IProjectDocument;

namespace studio::packs {

struct DiscTitle {
  std::string path;  // the media file; for the edited video, the render once it is made
  std::string name;
  double seconds = 0;
  std::uint64_t bytes = 0;   // the file's size
  ClipStreams streams;       // as read when the title was added; empty streams: unreadable
  bool editedVideo = false;  // the editor's project title, rendered when the burn starts
  bool read = false;         // its streams and length have been read
};

struct DiscProject {
  std::vector<DiscTitle> titles;
  DiscFormat kind = DiscFormat::Dvd;
  std::string name;
  int chapterMinutes = 0;  // 0: no chapters but each title's start
};

// The kinds a disc project can be, in the order the window offers them.
constexpr std::array<DiscFormat, 4> kProjectKinds = {DiscFormat::Dvd, DiscFormat::Vcd, DiscFormat::Svcd,
                                                     DiscFormat::Bluray};
// "DVD-Video", "Video CD", "Super Video CD", "Blu-ray".
const char* DiscKindName(DiscFormat kind);
// How many titles (tracks) the kind holds.
int MostTitles(DiscFormat kind);
// What the kind's blank disc holds, for an image file: a DVD+R, an 80-minute CD-R, a BD-R.
std::uint64_t NominalCapacityBytes(DiscFormat kind);
// The bytes the title takes on the kind's disc: the file itself when it goes on as it is, else
// its length at the kind's rates.
std::uint64_t TitleDiscBytes(const DiscTitle& title, DiscFormat kind, bool ntsc);
std::uint64_t ProjectDiscBytes(const DiscProject& project, bool ntsc);

// A title for a media file, named by the file's name without the extension, not read yet.
DiscTitle UnreadTitle(const std::string& path);
// The refusal of a title that is there but no regular file (a FIFO, a device, a folder).
std::string NotAFile(const std::string& path);
// How long reading one title may take: a file that does not answer is no title.
constexpr int kTitleReadMs = 15000;
// The name a title has until the user names it: the file's name without its extension.
std::string DefaultTitleName(const DiscTitle& title);
// The same with its size, length and streams read (ffprobe).
DiscTitle TitleForFile(const std::string& path);
// Moves the title at `index` by `by` places; false when it cannot go there.
bool MoveTitle(DiscProject* project, int index, int by);

// Why the project cannot be burned on a medium of `capacityBytes`, in words that say what to do;
// empty when it can. Checked before any work.
std::string ProjectRefusal(const DiscProject& project, std::uint64_t capacityBytes, bool ntsc);

// A title's chapter starts in seconds: its start, every `minutes` (0: none) and the `extra` marks
// (the clip boundaries of the edited video), in order, a second apart at least and none in the
// title's last second.
std::vector<double> ChapterMarks(double seconds, int minutes, const std::vector<double>& extra = {});
// dvdauthor's chapter list of the marks ("0,0:05:00,0:12:30.500").
std::string ChapterList(const std::vector<double>& marks);
// The marks of "times=0,12.5,40" (seconds); nothing for a text without them.
std::vector<double> ParseChapterTimes(const std::string& text);

// The project's group in the project file.
void SaveDiscProject(IProjectDocument* document, const DiscProject& project);
// Titles whose files are gone stay in, so that the burn can say which; the edited video's place is
// kept and its length comes from the editor again.
DiscProject LoadDiscProject(IProjectDocument* document);

// "1:02:03" or "2:03".
std::string LengthText(double seconds);
// "400 KB", "2.5 MB", "650 MB", "4.4 GB".
std::string SizeText(std::uint64_t bytes);

}  // namespace studio::packs
