// What the tests that play scripts in the main program share.
#pragma once

#include <string>
#include <vector>

#include "platform/testkit/testkit.h"

namespace studio::packs {

std::string ReadText(const std::string& path);
// What the tool wrote, on stdout and stderr.
std::string ToolOutput(const std::string& program, const std::vector<std::string>& args);
// Registers the packs as the program finds them once installed; false when regsvr32 failed.
bool RegisterInstalledPacks();
// Plays `script` in Quillon started with `arguments` to Quillon's end; empty when it passed,
// else what Quillon wrote and the script's report.
std::string PlayQuillon(const testkit::Environment& env, const std::string& name, const std::string& script,
                        const std::vector<std::string>& arguments = {});

// A DVD camcorder's clip (NTSC MPEG-2 with sound) of `seconds`; `path`, or empty when ffmpeg failed.
std::string MakeDvdClip(const std::string& path, int seconds);
// An HDV camcorder's recording: MPEG-2 1440x1080 and MPEG audio in a transport stream.
std::string MakeHdvClip(const std::string& path, int seconds);

// Each sequence track of a Video CD's BIN/CUE pair as vcdxrip extracts it into `folder`:
// "codec,width,height,seconds".
std::vector<std::string> RippedTracks(const std::string& cue, const std::string& folder);
// Each title's number of chapters in lsdvd's report of a disc.
std::vector<int> DvdTitleChapters(const std::string& lsdvdReport);

// "codec,width,height,seconds" read back has the picture and a length within half a second.
void ExpectTrack(const std::string& track, const std::string& picture, double seconds);

}  // namespace studio::packs
