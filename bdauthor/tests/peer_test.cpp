// libbluray reads the folders the library writes: titles, clips, streams, chapters, seeks,
// navigation from first play through every title to the top menu, and the backups.
#include <gtest/gtest.h>

#include <libbluray/bluray.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <vector>

#include "bdauthor/entry_point_scan.h"
#include "bdauthor/tarnel_job.h"
#include "bdauthor/tests/job_fixture.h"
#include "platform/base/message_box.h"

namespace bdauthor {
namespace {

using test::MuxedClip;
using test::WorkFolder;

struct ClipFacts {
  std::int64_t packets = 0;
  std::vector<EpEntry> entries;  // as our scanner finds them
  int videoFormat = 0;
  int frameRate = 0;
  int aspect = 0;
  std::vector<double> chapterSeconds;
};

void Ffmpeg(const std::string& args) {
  const std::string command = "ffmpeg -nostdin -v error -y " + args;
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

ClipFacts Facts(const std::string& clipPath) {
  ClipFacts facts;
  const auto bytes = test::ReadBytes(clipPath);
  facts.packets = static_cast<std::int64_t>(bytes.size() / 192);
  EntryPointScanner scanner;
  scanner.Feed(bytes.data(), bytes.size());
  facts.entries = scanner.TakeEntries();
  return facts;
}

struct BlurayCloser {
  void operator()(BLURAY* bd) const { bd_close(bd); }
};
using Bluray = std::unique_ptr<BLURAY, BlurayCloser>;
struct TitleInfoFree {
  void operator()(BLURAY_TITLE_INFO* info) const { bd_free_title_info(info); }
};
using TitleInfo = std::unique_ptr<BLURAY_TITLE_INFO, TitleInfoFree>;

class PeerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    work_ = new WorkFolder("peer");
    const std::string stream = work_->Path() + "BDMV/STREAM/";
    // HDV-like interlaced 1080 at 29.97 with stereo LPCM, as a general-purpose muxer writes it.
    Ffmpeg(
        "-f lavfi -i testsrc=size=1440x1080:rate=30000/1001 -f lavfi -i sine=frequency=440:sample_rate=48000 "
        "-t 4 -c:v mpeg2video -b:v 8M -g 15 -flags +ildct+ilme -top 1 -aspect 16:9 -c:a pcm_bluray -ac 2 "
        "-ar 48000 -f mpegts -mpegts_m2ts_mode 1 -muxrate 30M " +
        stream + "00000.m2ts");
    // Progressive 576 at 25.
    Ffmpeg(
        "-f lavfi -i testsrc=size=720x576:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 "
        "-t 3 -c:v mpeg2video -b:v 5M -g 12 -aspect 4:3 -c:a pcm_bluray -ac 2 -ar 48000 -f mpegts "
        "-mpegts_m2ts_mode 1 -muxrate 30M " +
        stream + "00001.m2ts");
    // The recorder's layout, with its companion, from a real MPEG-2 elementary stream.
    const std::string es = test::TempRoot() + "peer.m2v";
    Ffmpeg(
        "-f lavfi -i testsrc=size=1440x1080:rate=30000/1001 -t 3 -c:v mpeg2video -b:v 8M -g 15 -bf 0 "
        "-flags +ildct+ilme -top 1 -aspect 16:9 -f mpeg2video " +
        es);
    const MuxedClip muxed = test::MuxClip(test::ReadBytes(es), test::MuxOptions{});
    test::WriteBytes(work_->ClipPath(2), muxed.bytes);
    test::WriteText(work_->ClipPath(2) + ".ptsinfo", muxed.Companion());

    facts_ =
        new std::vector<ClipFacts>{Facts(work_->ClipPath(0)), Facts(work_->ClipPath(1)), Facts(work_->ClipPath(2))};
    (*facts_)[0].videoFormat = 4, (*facts_)[0].frameRate = 4, (*facts_)[0].aspect = 3;
    (*facts_)[1].videoFormat = 7, (*facts_)[1].frameRate = 3, (*facts_)[1].aspect = 2;
    (*facts_)[2].videoFormat = 4, (*facts_)[2].frameRate = 4, (*facts_)[2].aspect = 3;
    (*facts_)[0].chapterSeconds = {0, 2};
    (*facts_)[1].chapterSeconds = {0, 1, 2};
    (*facts_)[2].chapterSeconds = {0, 1};
    work_->WriteJob(3, {"0,2", "0,1,2", "0,1"});

    platform::MessageBoxRecorder recorder;
    TarnelJob job;
    jobOk_ = job.Run(work_->ConfigPath());
    if (!jobOk_ && recorder.Count()) std::fprintf(stderr, "job failed: %s\n", recorder.Last().text.c_str());
    inputs_ = new std::vector<InputRecord>(job.Inputs());
  }
  static void TearDownTestSuite() {
    delete work_;
    delete facts_;
    delete inputs_;
  }
  void SetUp() override { ASSERT_TRUE(jobOk_); }

  static Bluray Open(const std::string& folder) { return Bluray(bd_open(folder.c_str(), nullptr)); }

  static WorkFolder* work_;
  static std::vector<ClipFacts>* facts_;
  static std::vector<InputRecord>* inputs_;
  static bool jobOk_;
};

WorkFolder* PeerTest::work_ = nullptr;
std::vector<ClipFacts>* PeerTest::facts_ = nullptr;
std::vector<InputRecord>* PeerTest::inputs_ = nullptr;
bool PeerTest::jobOk_ = false;

TEST_F(PeerTest, DiscTitlesAndMenus) {
  Bluray bd = Open(work_->Path());
  ASSERT_TRUE(bd);
  const BLURAY_DISC_INFO* disc = bd_get_disc_info(bd.get());
  ASSERT_NE(disc, nullptr);
  EXPECT_TRUE(disc->bluray_detected);
  EXPECT_TRUE(disc->first_play_supported);
  EXPECT_TRUE(disc->top_menu_supported);
  EXPECT_EQ(disc->num_titles, 3u);
  EXPECT_EQ(disc->num_hdmv_titles, 3u);
  EXPECT_EQ(bd_get_titles(bd.get(), TITLES_ALL, 0), 3u);
}

TEST_F(PeerTest, TitleInfoMatchesEveryClip) {
  Bluray bd = Open(work_->Path());
  ASSERT_TRUE(bd);
  ASSERT_EQ(bd_get_titles(bd.get(), TITLES_ALL, 0), 3u);
  std::map<std::uint32_t, TitleInfo> byPlaylist;
  for (std::uint32_t i = 0; i < 3; ++i) {
    TitleInfo info(bd_get_title_info(bd.get(), i, 0));
    ASSERT_TRUE(info);
    const std::uint32_t playlist = info->playlist;
    byPlaylist[playlist] = std::move(info);
  }
  for (std::uint32_t n = 0; n < 3; ++n) {
    SCOPED_TRACE("clip " + std::to_string(n));
    ASSERT_TRUE(byPlaylist.count(n));
    const BLURAY_TITLE_INFO& info = *byPlaylist[n];
    const InputRecord& record = (*inputs_)[n];
    const ClipFacts& facts = (*facts_)[n];
    ASSERT_EQ(info.clip_count, 1u);
    const BLURAY_CLIP_INFO& clip = info.clips[0];
    EXPECT_EQ(info.duration, static_cast<std::uint64_t>((record.lastPts - record.firstPts) * 2));
    EXPECT_EQ(clip.in_time, static_cast<std::uint64_t>(record.firstPts * 2));
    EXPECT_EQ(clip.out_time, static_cast<std::uint64_t>(record.lastPts * 2));
    EXPECT_EQ(clip.pkt_count, static_cast<std::uint32_t>(facts.packets));
    EXPECT_EQ(std::string(clip.clip_id), "0000" + std::to_string(n));
    ASSERT_EQ(clip.video_stream_count, 1);
    EXPECT_EQ(clip.video_streams[0].pid, 0x1011);
    EXPECT_EQ(clip.video_streams[0].coding_type, BLURAY_STREAM_TYPE_VIDEO_MPEG2);
    EXPECT_EQ(clip.video_streams[0].format, facts.videoFormat);
    EXPECT_EQ(clip.video_streams[0].rate, facts.frameRate);
    EXPECT_EQ(clip.video_streams[0].aspect, facts.aspect);
    ASSERT_EQ(clip.audio_stream_count, 1);
    EXPECT_EQ(clip.audio_streams[0].pid, 0x1100);
    EXPECT_EQ(clip.audio_streams[0].coding_type, BLURAY_STREAM_TYPE_AUDIO_LPCM);
    EXPECT_EQ(clip.audio_streams[0].format, BLURAY_AUDIO_FORMAT_STEREO);
    EXPECT_EQ(clip.audio_streams[0].rate, BLURAY_AUDIO_RATE_48);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(clip.audio_streams[0].lang)), "eng");

    // One chapter per mark of the job, at the job's times.
    ASSERT_EQ(info.chapter_count, facts.chapterSeconds.size());
    for (std::uint32_t c = 0; c < info.chapter_count; ++c) {
      EXPECT_EQ(info.chapters[c].start, static_cast<std::uint64_t>(facts.chapterSeconds[c] * 90000)) << c;
    }
  }
}

TEST_F(PeerTest, ChapterSeeksLandOnEntryPoints) {
  Bluray bd = Open(work_->Path());
  ASSERT_TRUE(bd);
  ASSERT_EQ(bd_get_titles(bd.get(), TITLES_ALL, 0), 3u);
  for (std::uint32_t i = 0; i < 3; ++i) {
    TitleInfo info(bd_get_title_info(bd.get(), i, 0));
    ASSERT_TRUE(info);
    const std::uint32_t n = info->playlist;
    const ClipFacts& facts = (*facts_)[n];
    const InputRecord& record = (*inputs_)[n];
    ASSERT_TRUE(bd_select_title(bd.get(), i));
    for (std::uint32_t c = 0; c < info->chapter_count; ++c) {
      SCOPED_TRACE("clip " + std::to_string(n) + " chapter " + std::to_string(c));
      const std::int64_t position = bd_seek_chapter(bd.get(), c);
      ASSERT_GE(position, 0);
      ASSERT_EQ(position % 192, 0);
      // The entry point at or before the mark, comparing at the map's resolution (512 ticks).
      const std::int64_t mark = record.firstPts + static_cast<std::int64_t>(facts.chapterSeconds[c] * 45000);
      std::int64_t expected = -1;
      for (const EpEntry& entry : record.entryPoints) {
        if ((entry.pts >> 9) << 8 <= mark) expected = entry.packet;
      }
      EXPECT_EQ(position / 192, expected);
      EXPECT_EQ(static_cast<std::int64_t>(bd_tell(bd.get())), position);
    }
  }
}

TEST_F(PeerTest, NavigationRunsFirstPlayEveryTitleThenTheTopMenu) {
  Bluray bd = Open(work_->Path());
  ASSERT_TRUE(bd);
  bd_get_titles(bd.get(), TITLES_ALL, 0);
  ASSERT_TRUE(bd_play(bd.get()));
  std::vector<std::uint32_t> titles;
  std::vector<std::uint32_t> playlists;
  std::vector<unsigned char> buffer(6144 * 10);
  std::int64_t bytes = 0;
  bool error = false;
  for (int i = 0; i < 200000 && !error; ++i) {
    BD_EVENT event{};
    const int got = bd_read_ext(bd.get(), buffer.data(), static_cast<int>(buffer.size()), &event);
    if (got < 0) break;
    bytes += got;
    if (event.event == BD_EVENT_TITLE && (titles.empty() || titles.back() != event.param))
      titles.push_back(event.param);
    if (event.event == BD_EVENT_PLAYLIST) playlists.push_back(event.param);
    if (event.event == BD_EVENT_ERROR || event.event == BD_EVENT_READ_ERROR) error = true;
    // Back at the first title after the menu: the chain is complete.
    if (titles.size() >= 6) break;
  }
  EXPECT_FALSE(error);
  const std::vector<std::uint32_t> expectedTitles = {BLURAY_TITLE_FIRST_PLAY, 1, 2, 3, BLURAY_TITLE_TOP_MENU, 1};
  EXPECT_EQ(titles, expectedTitles);
  ASSERT_GE(playlists.size(), 3u);
  EXPECT_EQ(std::vector<std::uint32_t>(playlists.begin(), playlists.begin() + 3),
            (std::vector<std::uint32_t>{0, 1, 2}));
  std::int64_t total = 0;
  for (const ClipFacts& facts : *facts_) total += facts.packets * 192;
  EXPECT_GE(bytes, total);
}

TEST_F(PeerTest, BackupsServeWhenTheMainFilesAreDamaged) {
  WorkFolder copy("peer-damaged");
  std::filesystem::copy(work_->Path() + "BDMV", copy.Path() + "BDMV",
                        std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
  for (const char* file : {"index.bdmv", "MovieObject.bdmv", "PLAYLIST/00000.mpls", "PLAYLIST/00001.mpls",
                           "PLAYLIST/00002.mpls", "CLIPINF/00000.clpi", "CLIPINF/00001.clpi", "CLIPINF/00002.clpi"}) {
    test::WriteText(copy.Path() + "BDMV/" + file, "damaged");
  }
  Bluray bd = Open(copy.Path());
  ASSERT_TRUE(bd);
  const BLURAY_DISC_INFO* disc = bd_get_disc_info(bd.get());
  EXPECT_EQ(disc->num_hdmv_titles, 3u);
  ASSERT_EQ(bd_get_titles(bd.get(), TITLES_ALL, 0), 3u);
  TitleInfo info(bd_get_title_info(bd.get(), 0, 0));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->clip_count, 1u);
  EXPECT_GT(info->duration, 0u);
  EXPECT_GE(info->chapter_count, 2u);
}

TEST_F(PeerTest, BdInfoReadsTheFolder) {
  const std::string command = "bd_info " + work_->Path() + " >" + test::TempRoot() + "bd_info.txt 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0);
  const auto out = test::ReadBytes(test::TempRoot() + "bd_info.txt");
  const std::string text(out.begin(), out.end());
  EXPECT_NE(text.find("BluRay detected     : yes"), std::string::npos) << text;
  EXPECT_NE(text.find("HDMV titles         : 3"), std::string::npos) << text;
}

}  // namespace
}  // namespace bdauthor
