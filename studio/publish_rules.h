// What the main program hands its side programs: the converter's list file and parameters, the
// uploader's parameters, and the render commands for the editor pack.
#pragma once

#include <string>
#include <vector>

#include "clip_list.h"
#include "platform/base/win_types.h"

namespace studio {

struct RenderSettings {
  int width = 0;
  int height = 0;
  int bitrate = 0;
};

// The converter's request MAKELONG(width, height): 0 takes 352 x 240, the size is bounded by
// 1024 x 720, the height is cut to a multiple of 16 and neither side falls below 16. The bit
// rate follows the pixel count.
RenderSettings ConverterRenderSettings(LPARAM request);
std::string ConverterRenderCommand(const RenderSettings& settings, const std::string& target);
// The uploader always gets 640 x 480 at 4000000 bit/s.
std::string UploaderRenderCommand(const std::string& target);
// "Temp/" under the output folder, where renders for side programs go.
std::string RenderFolder(const std::string& outputFolder);

// One line per selected clip in list order: a media file's path, or the project title as an
// "[Edit]" line naming `titleName` and the project's play time. A path holding a line break is
// written coded, as the converter's list reader takes it back.
std::string ConverterFileListText(const std::vector<ClipItem>& selected, const std::string& titleName, int playTime);
// Writes the list privately (mode 0600), never through a link planted at `path`.
bool WriteConverterFileList(const std::string& path, const std::string& text);
// The list file's path followed by the device option, unquoted.
std::string ConverterParameters(const std::string& listPath, const char* deviceOption);
constexpr const char* kIpadOption = " /IPad";
constexpr const char* kIpodOption = " /IPOD_IPHONE";
constexpr const char* kPspOption = " /PSP";

// From the first selected clip: "[Edit] file=<title>" for the project title, a media file's
// path alone, nothing without a selection.
std::string MakeUploaderCommandLine(const std::vector<ClipItem>& selected, const std::string& titleName);

}  // namespace studio
