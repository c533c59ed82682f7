#include "wmv_profiles.h"

#include "capture/wmv_profile_info.h"

namespace studio {

bool BuildWmvProfile(const std::string& path, int quality, int tvStandard, int level, int aspect) {
  static constexpr int kKbps[] = {1500, 1000, 500, 230};
  const bool full = level == 2, wide = aspect == 1;
  WmvStreamParams params;
  params.videoCodec = "Windows Media Video 9";
  params.width = full ? 640 : 352;
  params.height = full ? (wide ? 360 : 480) : (wide ? 198 : 264);
  params.frameRate = tvStandard == 0 ? 29.97 : 25;
  params.videoKbps = kKbps[quality >= 0 && quality <= 3 ? quality : 2];
  params.audioCodec = "Windows Media Audio 9.2";
  params.audioKbps = 128;
  params.audioKhz = 48;
  params.channels = 2;
  CWmvProfileInfo profile;
  if (!profile.Init()) return false;
  // Each stream only when its codec is there.
  const bool video = profile.AddStream(2) && profile.SetStreamParams(2, params);
  const bool audio = profile.AddStream(1) && profile.SetStreamParams(1, params);
  return (video || audio) && profile.SaveProfile(path);
}

}  // namespace studio
