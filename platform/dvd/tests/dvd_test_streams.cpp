#include "dvd_test_streams.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/filters/mpeg_session.h"
#include "platform/dshow/media_types.h"

namespace dvdtest {

std::string MakeElementaryPair(const std::string& folder, const std::string& name, double seconds, bool pal) {
  platform::filters::MpegTarget target;
  target.streamType = pal ? 8 : 7;
  target.width = 352;
  target.height = pal ? 288 : 240;
  target.videoBitRate = 1500000;
  target.elementary = true;
  const std::string path = folder + name + ".mpg";
  std::string error;
  auto session = platform::filters::MpegSession::Open(path, target, true, &error);
  if (!session) return "";
  const int w = 352, h = pal ? 288 : 240;
  const double fps = pal ? 25.0 : 30000.0 / 1001.0;
  const int frames = static_cast<int>(seconds * fps + 0.5);
  std::vector<std::uint8_t> picture(static_cast<std::size_t>(w) * h * 2);
  const int rate = 48000;
  std::vector<std::int16_t> sound;
  std::int64_t soundDone = 0;
  for (int f = 0; f < frames; ++f) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        std::uint8_t* p = &picture[(static_cast<std::size_t>(y) * w + x) * 2];
        p[0] = static_cast<std::uint8_t>((x + f * 4) & 0xFF);
        p[1] = static_cast<std::uint8_t>((y * 2 + f) & 0xFF);
      }
    const auto start = static_cast<std::int64_t>(f * 10000000.0 / fps);
    session->AddPicture(MEDIASUBTYPE_YUY2, w, h, picture.data(), picture.size(), start);
    const auto due = static_cast<std::int64_t>((f + 1) * rate / fps);
    sound.clear();
    for (std::int64_t s = soundDone; s < due; ++s) {
      const auto v = static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 440.0 * static_cast<double>(s) / rate));
      sound.push_back(v);
      sound.push_back(v);
    }
    session->AddSound(rate, 2, reinterpret_cast<const std::uint8_t*>(sound.data()), sound.size() * 2,
                      soundDone * 10000000 / rate);
    soundDone = due;
  }
  session->Finish();
  return folder + name;
}

}  // namespace dvdtest
