// Clip pictures by extension from ffmpeg-made files, the fit of still pictures in the box, and
// bitmap images whose header does not match their buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "clip_thumbnail.h"
#include "platform/dshow/tests/media_clips.h"
#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/objects.h"

namespace studio {
namespace {

// The thumbnail's colour at (x, y).
COLORREF At(HBITMAP bitmap, int x, int y) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  const COLORREF c = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteDC(dc);
  return c;
}

bool IsBlack(COLORREF c) { return GetRValue(c) < 16 && GetGValue(c) < 16 && GetBValue(c) < 16; }
bool IsRed(COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) < 60 && GetBValue(c) < 60; }

TEST(ClipThumbnailFit, SmallPicturesStayTheirSizeLargeOnesKeepTheirShape) {
  const RECT small = FitIntoThumbnail(40, 30);
  EXPECT_EQ(20, small.left);
  EXPECT_EQ(15, small.top);
  EXPECT_EQ(40, small.right - small.left);
  EXPECT_EQ(30, small.bottom - small.top);
  const RECT wide = FitIntoThumbnail(160, 60);
  EXPECT_EQ(0, wide.left);
  EXPECT_EQ(15, wide.top);
  EXPECT_EQ(80, wide.right - wide.left);
  EXPECT_EQ(30, wide.bottom - wide.top);
  const RECT tall = FitIntoThumbnail(100, 400);
  EXPECT_EQ(60, tall.bottom - tall.top);
  EXPECT_EQ(15, tall.right - tall.left);
  // Degenerate and huge sizes still land inside the box.
  for (const RECT r : {FitIntoThumbnail(0, 0), FitIntoThumbnail(20000, 1), FitIntoThumbnail(1, 20000)}) {
    EXPECT_GE(r.left, 0);
    EXPECT_GE(r.top, 0);
    EXPECT_LE(r.right, kThumbWidth);
    EXPECT_LE(r.bottom, kThumbHeight);
    EXPECT_GT(r.right, r.left);
    EXPECT_GT(r.bottom, r.top);
  }
}

std::vector<uint8_t> BitmapImage(int width, int height, int rowsHeld) {
  const int stride = (width * 3 + 3) / 4 * 4;
  std::vector<uint8_t> image(54 + static_cast<size_t>(stride) * rowsHeld, 0);
  BITMAPINFOHEADER h{};
  h.biSize = sizeof(h);
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = 24;
  std::memcpy(image.data() + 14, &h, sizeof(h));
  for (size_t i = 54; i + 2 < image.size(); i += 3) image[i + 2] = 255;  // red, row padding aside
  return image;
}

TEST(ClipThumbnailBitmap, PaddedRowsAreReadWithinTheBufferAndShortBuffersRefused) {
  HBITMAP odd = ThumbnailFromBitmapImage(BitmapImage(350, 240, 240));
  ASSERT_NE(nullptr, odd);
  DeleteObject(odd);
  EXPECT_EQ(nullptr, ThumbnailFromBitmapImage(BitmapImage(350, 240, 239)));
  EXPECT_EQ(nullptr, ThumbnailFromBitmapImage(std::vector<uint8_t>(53, 0)));
  std::vector<uint8_t> wrongDepth = BitmapImage(16, 16, 16);
  wrongDepth[14 + 14] = 32;
  EXPECT_EQ(nullptr, ThumbnailFromBitmapImage(wrongDepth));
}

class ClipThumbnailPeerTest : public ::testing::Test {
 protected:
  std::string Still(const std::string& name, int width, int height) {
    const std::string path = (dir_.path() / name).string();
    const bool made = media_clips::Run("ffmpeg -y -v error -f lavfi -i color=c=red:size=" + std::to_string(width) +
                                       "x" + std::to_string(height) + " -frames:v 1 " + media_clips::Quote(path));
    return made ? path : std::string();
  }
  std::string Video(const std::string& name, const std::string& args, const std::string& size = "160x120") {
    const std::string path = (dir_.path() / name).string();
    const bool made = media_clips::Run("ffmpeg -y -v error -f lavfi -i testsrc=size=" + size +
                                       ":rate=25:duration=0.4 " + args + " " + media_clips::Quote(path));
    return made ? path : std::string();
  }
  media_clips::ScratchDir dir_{"vidarro-clip-thumbs"};
};

TEST_F(ClipThumbnailPeerTest, EveryListedKindGivesAPicture) {
  const std::vector<std::pair<std::string, std::string>> videos = {
      {"program.mpg", "-c:v mpeg2video -f vob"},
      {"mpeg1.mpeg", "-c:v mpeg1video -f mpeg"},
      {"elementary.m1v", "-c:v mpeg1video -f mpeg1video"},
      {"elementary.mpv", "-c:v mpeg2video -f mpeg2video"},
      {"clip.m2ts", "-c:v mpeg2video -f mpegts -mpegts_m2ts_mode 1"},
      {"clip.mts", "-c:v mpeg2video -f mpegts"},
      {"clip.wmv", "-c:v wmv2"},
      {"clip.asf", "-c:v wmv1"},
      {"clip.avi", "-c:v mpeg4"},
      {"clip.mov", "-c:v mpeg4"},
      {"clip.mp4", "-c:v libx264 -preset ultrafast -pix_fmt yuv420p"},
  };
  for (const auto& [name, args] : videos) {
    SCOPED_TRACE(name);
    const std::string path = Video(name, args);
    ASSERT_FALSE(path.empty());
    HBITMAP picture = nullptr;
    EXPECT_EQ(ThumbnailResult::kMade, MakeClipThumbnail(path, name.substr(name.rfind('.')), &picture));
    ASSERT_NE(nullptr, picture);
    // testsrc is never black across the middle of the picture.
    EXPECT_FALSE(IsBlack(At(picture, 40, 30)));
    DeleteObject(picture);
  }
  // A 350-wide MPEG pads its rows.
  const std::string odd = Video("odd.MPG", "-c:v mpeg2video -f vob", "350x240");
  HBITMAP picture = nullptr;
  EXPECT_EQ(ThumbnailResult::kMade, MakeClipThumbnail(odd, ".MPG", &picture));
  ASSERT_NE(nullptr, picture);
  DeleteObject(picture);
}

TEST_F(ClipThumbnailPeerTest, StillPicturesAreFittedOnBlack) {
  for (const char* ext : {".png", ".bmp", ".jpg", ".gif"}) {
    SCOPED_TRACE(ext);
    HBITMAP small = nullptr, wide = nullptr;
    ASSERT_EQ(ThumbnailResult::kMade, MakeClipThumbnail(Still(std::string("small") + ext, 40, 30), ext, &small));
    EXPECT_TRUE(IsBlack(At(small, 19, 14)));
    EXPECT_TRUE(IsRed(At(small, 20, 15)));
    EXPECT_TRUE(IsRed(At(small, 59, 44)));
    EXPECT_TRUE(IsBlack(At(small, 60, 45)));
    ASSERT_EQ(ThumbnailResult::kMade, MakeClipThumbnail(Still(std::string("wide") + ext, 160, 60), ext, &wide));
    EXPECT_TRUE(IsBlack(At(wide, 40, 14)));
    EXPECT_TRUE(IsRed(At(wide, 0, 16)));
    EXPECT_TRUE(IsRed(At(wide, 79, 43)));
    EXPECT_TRUE(IsBlack(At(wide, 40, 46)));
    DeleteObject(small);
    DeleteObject(wide);
  }
}

TEST_F(ClipThumbnailPeerTest, DamagedUnknownAndEmptyFilesGiveNoPictureOrTheGrabbersOne) {
  // An MPEG cut inside its first picture: the decoder fails and the grabber has its say.
  const std::string full = Video("whole.mpg", "-c:v mpeg2video -f vob");
  std::ifstream in(full, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  const std::string cut = (dir_.path() / "cut.mpg").string();
  std::ofstream(cut, std::ios::binary) << bytes.substr(0, 40);
  HBITMAP picture = nullptr;
  EXPECT_EQ(ThumbnailResult::kFailed, MakeClipThumbnail(cut, ".mpg", &picture));
  EXPECT_EQ(nullptr, picture);
  const std::string gif = (dir_.path() / "broken.gif").string();
  std::ofstream(gif, std::ios::binary) << "GIF89a\x50\x00\x3c\x00\xf7 and then nothing a picture needs";
  EXPECT_EQ(ThumbnailResult::kFailed, MakeClipThumbnail(gif, ".gif", &picture));
  EXPECT_EQ(nullptr, picture);
  // An AVI named as MPEG: not for the decoder, but the grabber renders it.
  const std::string avi = Video("renamed.avi", "-c:v mpeg4");
  const std::string misnamed = (dir_.path() / "misnamed.mpg").string();
  std::filesystem::copy_file(avi, misnamed);
  EXPECT_EQ(ThumbnailResult::kMade, MakeClipThumbnail(misnamed, ".mpg", &picture));
  ASSERT_NE(nullptr, picture);
  DeleteObject(picture);
  picture = nullptr;
  const std::string empty = (dir_.path() / "empty.png").string();
  std::ofstream(empty, std::ios::binary).flush();
  EXPECT_EQ(ThumbnailResult::kFailed, MakeClipThumbnail(empty, ".png", &picture));
  const std::string text = (dir_.path() / "notes.txt").string();
  std::ofstream(text) << "not a clip";
  EXPECT_EQ(ThumbnailResult::kFailed, MakeClipThumbnail(text, ".txt", &picture));
  EXPECT_EQ(nullptr, picture);
}

}  // namespace
}  // namespace studio
