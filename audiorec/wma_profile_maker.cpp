// auvry_profile_maker <file>: writes the recorder's WMA profile, one wmav2 stream at 128 kbit/s,
// 48 kHz stereo, in the profile format the ASF writer reads.
#include <cstdio>

#include "capture/wmv_profile_info.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: auvry_profile_maker <file>\n");
    return 2;
  }
  CWmvProfileInfo info;
  WmvStreamParams params;
  params.audioKbps = 128, params.audioKhz = 48, params.channels = 2;
  if (!info.Init() || !info.AddStream(1) || !info.SetStreamParams(1, params) || !info.SaveProfile(argv[1])) {
    std::fprintf(stderr, "auvry_profile_maker: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
