// The stream a Blu-ray title becomes for Tarnel: MPEG-2 video on PID 0x1011 and stereo 48 kHz
// LPCM on PID 0x1100 in 192-byte source packets, as the recorder writes them.
#pragma once

#include <string>
#include <vector>

#include "disc_encode_settings.h"

namespace studio::packs {

// The rates of a Blu-ray title whose picture is encoded, and of its LPCM sound (bit/s).
constexpr int kBlurayVideoBitRate = 15000000;
constexpr int kBlurayAudioBitRate = 48000 * 2 * 16;

// Whether the clip's picture goes onto the Blu-ray as it is (HDV's or full HD MPEG-2).
bool BlurayTakesVideo(const ClipStreams& streams);
// ffmpeg's arguments that make `input` that stream at `output`, reporting progress on stdout; a
// silent clip gets silence of its length, an encoded picture the TV system's frame rate.
std::vector<std::string> BlurayStreamArguments(const std::string& input, const ClipStreams& streams, bool ntsc,
                                               const std::string& output);

}  // namespace studio::packs
