// Folder images made by genisoimage, streamed from its output or written by it straight into a
// simulated disc's image, never into a file of their own: DVD-Video (VIDEO_TS and AUDIO_TS with
// the UDF bridge) and UDF (a BDMV tree).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/base/process.h"

namespace platform::disc {

enum class FolderImage { DvdVideo, Udf };

// A running image tool: its output descriptor (the caller's to close) and process.
struct ImageStream {
  int fd = -1;
  std::unique_ptr<platform::ChildProcess> tool;
  std::string errorLog;  // the tool's messages, in the suite's private temp folder
};

// The label cut to what the image's volume id holds (32 bytes), on a UTF-8 character boundary.
std::string VolumeLabel(const std::string& label);
// Blocks the image of the folder will have (genisoimage -print-size). 0 with *error set when
// the tool is missing (kSenseToolMissing) or refuses the folder (kSenseSourceUnreadable).
std::uint32_t FolderImageBlocks(FolderImage kind, const std::string& folder, const std::string& label,
                                std::uint32_t* error);
// Starts the tool writing the image to a pipe, or into `intoFile` when one is named (its output
// is then that file, made anew: no descriptor is handed back); false with *error set when it
// cannot start.
bool StartFolderImage(FolderImage kind, const std::string& folder, const std::string& label, ImageStream* stream,
                      std::uint32_t* error, const std::string& intoFile = {});
// Waits for the tool and removes its log: true when it succeeded.
bool FinishImage(ImageStream* stream);

}  // namespace platform::disc
