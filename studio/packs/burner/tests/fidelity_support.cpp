#include "fidelity_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/base/process.h"

namespace studio::packs {

std::string Tool(const std::vector<std::string>& args) {
  std::string out, err;
  int code = -1;
  platform::RunProcess(args.front(), std::vector<std::string>(args.begin() + 1, args.end()), &out, &err, &code, 240000);
  return code == 0 ? out : "FAILED: " + err;
}

Source Make(const std::string& path, const std::string& size, const std::string& sar, double shape,
            const std::string& sound, const std::vector<std::string>& encoding, const std::string& rate) {
  std::vector<std::string> args = {
      "ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "smptebars=size=" + size + ":rate=" + rate + ":duration=2"};
  if (!sound.empty()) args.insert(args.end(), {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=2"});
  args.insert(args.end(), {"-vf", "setsar=" + sar});
  args.insert(args.end(), encoding.begin(), encoding.end());
  if (!sound.empty()) args.insert(args.end(), {"-c:a", sound, "-b:a", "192k"});
  args.push_back(path);
  const std::string said = Tool(args);
  EXPECT_EQ(said.rfind("FAILED", 0), std::string::npos) << path << ": " << said;
  return {path, shape, sound};
}

// The picture's part of a frame shown at `frameShape`, worked out here and drawn by ffmpeg alone.
std::string Fitted(const Source& source, int width, int height, double frameShape) {
  const double share = source.shape / frameShape;
  const int w = share >= 0.99 ? width : 2 * static_cast<int>(std::lround(width * share / 2));
  const int h = share <= 1.01 ? height : 2 * static_cast<int>(std::lround(height / share / 2));
  return "scale=" + std::to_string(w) + ":" + std::to_string(h) + ",setsar=1,pad=" + std::to_string(width) + ":" +
         std::to_string(height) + ":(ow-iw)/2:(oh-ih)/2";
}

// The PSNR of the stream's frame at `at` against the source's frame fitted by `fit`: the card is
// still, so any of the source's frames will do. Each frame is taken out on its own first, so that
// neither file's timestamps decide which frames meet.
double Psnr(const std::string& stream, const std::string& source, const std::string& fit, double at) {
  const std::string shown = stream + ".frame.png", fitted = stream + ".fitted.png";
  std::remove(shown.c_str());
  std::remove(fitted.c_str());
  Tool({"ffmpeg", "-v", "error", "-y", "-ss", std::to_string(at), "-i", stream, "-frames:v", "1", "-vf", "setsar=1",
        shown});
  // A still has one frame, which any seek would pass.
  std::vector<std::string> take = {"ffmpeg", "-v", "error", "-y", "-ss", "0.5", "-i", source};
  if (source.ends_with(".jpg")) take = {"ffmpeg", "-v", "error", "-y", "-i", source};
  take.insert(take.end(), {"-frames:v", "1", "-vf", fit, fitted});
  Tool(take);
  std::string err, out;
  int code = -1;
  platform::RunProcess("ffmpeg",
                       {"-v", "info", "-nostats", "-i", shown, "-i", fitted, "-lavfi",
                        "[0:v]format=yuv420p[a];[1:v]format=yuv420p[b];[a][b]psnr", "-f", "null", "-"},
                       &out, &err, &code, 120000);
  const size_t found = err.find("average:");
  if (found == std::string::npos) {
    ADD_FAILURE() << "no PSNR of " << stream << " at " << at
                  << " s: " << err.substr(err.size() > 2000 ? err.size() - 2000 : 0);
    return 0;
  }
  const std::string value = err.substr(found + 8, err.find(' ', found) - found - 8);
  return value == "inf" ? 99 : std::atof(value.c_str());
}

// "width,height,rate" of the stream's picture and its display aspect as a number (a Video CD's
// MPEG-1 pixel shapes come near 4:3 only).
std::string Picture(const std::string& stream, double* shape) {
  std::string probe = Tool({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                            "stream=width,height,avg_frame_rate,display_aspect_ratio", "-of", "default=nw=1", stream});
  const auto field = [&](const std::string& key) {
    const size_t at = probe.find(key + "=");
    return at == std::string::npos ? std::string()
                                   : probe.substr(at + key.size() + 1, probe.find('\n', at) - at - key.size() - 1);
  };
  if (shape) {
    const std::string dar = field("display_aspect_ratio");
    const size_t colon = dar.find(':');
    *shape = colon == std::string::npos ? 0 : std::atof(dar.c_str()) / std::atof(dar.c_str() + colon + 1);
  }
  return field("width") + "," + field("height") + "," + field("avg_frame_rate");
}

std::string FirstSound(const std::string& stream) {
  std::string probe = Tool({"ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries", "stream=codec_name",
                            "-of", "csv=p=0", stream});
  probe.erase(std::remove(probe.begin(), probe.end(), '\n'), probe.end());
  return probe;
}

void ExpectPicture(const std::string& stream, const std::string& picture, double shape) {
  double shown = 0;
  EXPECT_EQ(Picture(stream, &shown), picture) << stream;
  EXPECT_NEAR(shown, shape, shape * 0.01) << stream;
}

// A file of an ISO image, copied out.
bool Extract(const std::string& image, const std::string& inside, const std::string& path) {
  std::string out, err;
  int code = -1;
  if (!platform::RunProcess("isoinfo", {"-i", image, "-x", inside}, &out, &err, &code, 60000) || code != 0 ||
      out.empty())
    return false;
  std::ofstream(path, std::ios::binary) << out;
  return true;
}

// lsdvd's words on title `title` (1-based): its block of the verbose report.
std::string LsdvdTitle(const std::string& report, int title) {
  char head[32];
  std::snprintf(head, sizeof head, "Title: %02d,", title);
  const size_t at = report.find(head);
  if (at == std::string::npos) return {};
  return report.substr(at, report.find("\nTitle: ", at + 1) - at);
}

}  // namespace studio::packs
