// The burn engine's DVD-Video with a title menu: each title's picture, the menu pages as still
// video with their button subpictures, and dvdauthor's disc of them.
#include <filesystem>

#include "burn_engine.h"
#include "disc_project.h"
#include "pack_text.h"
#include "picture_fit.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/disc/dvd_menu.h"
#include "platform/disc/file_filter.h"

namespace studio::packs {

std::string BurnEngine::Thumbnail(const std::string& file, double seconds, const std::string& picture) {
  // A frame a little into the title, past a fade-in; a title too short gives its first frame.
  const double at = seconds > 3 ? std::min(seconds / 3, 10.0) : 0;
  std::string messages;
  const bool ok = RunTool("ffmpeg",
                          {"-v", "error", "-y", "-ss", std::to_string(at), "-i", AsFile(file), "-frames:v", "1", "-vf",
                           FitFilter(FrameSize{304, 208, FrameShape::Standard}, false), AsFile(picture)},
                          nullptr, &messages) &&
                  platform::FileExists(picture);
  return ok ? picture : std::string();
}

std::vector<platform::disc::AuthoredTitle> BurnEngine::AuthoredTitles(
    const std::vector<std::vector<std::string>>& discTitles, const std::string& folder) {
  std::vector<platform::disc::AuthoredTitle> authored;
  for (size_t t = 0; t < discTitles.size(); ++t) {
    platform::disc::AuthoredTitle title;
    // The tools see plain names in the work folder, whatever the titles' own names hold.
    for (size_t f = 0; f < discTitles[t].size(); ++f) {
      const std::string link = folder + "title" + std::to_string(t + 1) + "_" + std::to_string(f + 1) + ".mpg";
      std::error_code error;
      std::filesystem::create_symlink(std::filesystem::absolute(discTitles[t][f], error), link, error);
      title.files.push_back(error ? discTitles[t][f] : link);
    }
    title.chapters = ChapterList(Marks(t));
    if (t < titleForms_.size()) {
      title.wide = titleForms_[t].wide;
      title.sound = titleForms_[t].sound;
    }
    authored.push_back(title);
  }
  return authored;
}

bool BurnEngine::AuthorPlain(const std::vector<std::vector<std::string>>& discTitles, const std::string& folder,
                             std::string* messages) {
  const std::string links = job_.workFolder + "titles/";
  const std::string control = job_.workFolder + "dvdauthor.xml";
  if (!platform::CreateFolders(links) ||
      !platform::WriteWholeFileAtomic(control,
                                      platform::disc::PlainDiscXml(AuthoredTitles(discTitles, links), job_.ntsc)))
    return false;
  const std::string standard = std::string("VIDEO_FORMAT=") + (job_.ntsc ? "NTSC" : "PAL");
  const bool ok = RunTool("env", {standard, "dvdauthor", "-o", folder, "-x", control}, nullptr, messages);
  SetPercent(100);
  return ok;
}

bool BurnEngine::AuthorWithMenu(const std::vector<std::vector<std::string>>& discTitles, const std::string& folder,
                                std::string* messages) {
  namespace disc = platform::disc;
  if (!ProgramOnPath("spumux")) {
    Fail("spumux is not installed, so the disc's menu cannot be made. Install it and burn again.");
    return false;
  }
  const std::string menuFolder = job_.workFolder + "menu/";
  if (!platform::CreateFolders(menuFolder)) return false;
  const std::vector<disc::AuthoredTitle> authored = AuthoredTitles(discTitles, menuFolder);
  std::vector<disc::MenuTitle> menuTitles;
  for (size_t t = 0; t < authored.size() && !cancel_; ++t) {
    disc::MenuTitle menuTitle;
    menuTitle.name = t < job_.titleNames.size() && !job_.titleNames[t].empty()
                         ? job_.titleNames[t]
                         : platform::FileNameOf(job_.titles[t].empty() ? std::string() : job_.titles[t].front());
    menuTitle.thumbnail =
        Thumbnail(authored[t].files.front(), titleSeconds_[t], menuFolder + "thumb" + std::to_string(t + 1) + ".png");
    menuTitles.push_back(menuTitle);
    SetPercent(static_cast<int>((t + 1) * 30 / discTitles.size()));
  }
  const std::vector<disc::MenuPage> pages = disc::LayoutMenu(static_cast<int>(discTitles.size()), job_.ntsc);
  std::vector<std::string> menuFiles;
  for (size_t p = 0; p < pages.size() && !cancel_; ++p) {
    const std::string base = menuFolder + "page" + std::to_string(p + 1);
    const disc::MenuPictures pictures{base + ".png", base + "_normal.png", base + "_highlight.png",
                                      base + "_select.png"};
    if (!disc::DrawMenuPage(pages, static_cast<int>(p), menuTitles, job_.discName, job_.ntsc, pictures)) {
      *messages += "The menu's pictures could not be drawn.";
      return false;
    }
    // A still menu: one second of the picture with silence, held by the player until a choice.
    if (!RunTool("ffmpeg",
                 {"-v",
                  "error",
                  "-y",
                  "-loop",
                  "1",
                  "-framerate",
                  job_.ntsc ? "30000/1001" : "25",
                  "-i",
                  AsFile(pictures.background),
                  "-f",
                  "lavfi",
                  "-i",
                  "anullsrc=r=48000:cl=stereo",
                  "-t",
                  "1",
                  "-target",
                  job_.ntsc ? "ntsc-dvd" : "pal-dvd",
                  "-aspect",
                  "4:3",
                  AsFile(base + ".mpg")},
                 nullptr, messages))
      return false;
    const std::string control = base + ".xml";
    std::string spumuxSaid;
    if (!platform::WriteWholeFileAtomic(control, disc::SpumuxXml(pages[p], pictures)) ||
        !disc::RunFileFilter("spumux", {"-m", "dvd", control}, base + ".mpg", base + "_menu.mpg", cancel_,
                             &spumuxSaid)) {
      *messages += spumuxSaid;
      return false;
    }
    menuFiles.push_back(base + "_menu.mpg");
    SetPercent(30 + static_cast<int>((p + 1) * 30 / pages.size()));
  }
  if (cancel_) return false;
  const std::string control = job_.workFolder + "dvdauthor.xml";
  if (!platform::WriteWholeFileAtomic(control, disc::MenuDiscXml(pages, menuFiles, authored, job_.ntsc))) return false;
  const std::string standard = std::string("VIDEO_FORMAT=") + (job_.ntsc ? "NTSC" : "PAL");
  const bool ok = RunTool("env", {standard, "dvdauthor", "-o", folder, "-x", control}, nullptr, messages);
  SetPercent(100);
  return ok;
}

}  // namespace studio::packs
