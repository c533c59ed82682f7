// The suite's main job end to end, on clips that scripts/demo-job records with FFmpeg:
//   vidarro_demo <work folder>
// expects <work>/disc/BDMV/STREAM/00000.m2ts (an HDV-like recording) and <work>/DVD_120000.mpg
// (a DVD recording), and writes the Blu-ray folder, a thumbnail and a file for a portable player.
#include <cstdio>
#include <string>

#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "steps.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vidarro_demo <work folder>\n");
    return 2;
  }
  const std::string work = platform::WithTrailingSlash(argv[1]);
  const std::string disc = work + "disc/";
  const std::string recording = work + "DVD_120000.mpg";
  const std::string players = work + "portable/";
  if (!platform::FileExists(disc + "BDMV/STREAM/00000.m2ts") || !platform::FileExists(recording)) {
    std::fprintf(stderr, "The recordings are missing in %s\n", work.c_str());
    return 2;
  }
  platform::CreateFolders(players);

  std::printf("1. Blu-ray folder from the camcorder recording\n");
  const bool bluray = demo::AuthorBluray(disc, 1);
  std::printf("2. Clip-list thumbnail of the DVD recording\n");
  const bool thumbnail = demo::MakeThumbnail(recording, work + "DVD_120000.bmp");
  std::printf("3. The DVD recording converted for a portable player\n");
  const bool converted = demo::ConvertForPlayer(recording, players);

  const bool all = bluray && thumbnail && converted;
  std::printf("%s\n", all ? "Main job done." : "Main job failed.");
  return all ? 0 : 1;
}
