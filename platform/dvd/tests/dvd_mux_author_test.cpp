// The multiplexer and the authoring stand-in on real recordings, read back by libavformat and
// lsdvd.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

extern "C" {
#include <libavformat/avformat.h>
}

#include "dvd_test_streams.h"
#include "platform/base/file.h"
#include "platform/base/process.h"
#include "platform/dvd/qn_dvd_author.h"
#include "platform/dvd/qn_mpg_mux.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"

namespace {

const char* NotifyClass() {
  static bool once = [] {
    WNDCLASS wc;
    wc.lpszClassName = "DvdNotify";
    wc.lpfnWndProc = DefWindowProc;
    return RegisterClass(&wc) != 0;
  }();
  (void)once;
  return "DvdNotify";
}

std::string Folder() { return std::string(std::getenv("TMPDIR")) + "/"; }

struct Probed {
  std::string format;
  double seconds = 0;
  int video = 0, audio = 0;
};

Probed Probe(const std::string& path) {
  Probed out;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return out;
  if (avformat_find_stream_info(format, nullptr) >= 0) {
    out.format = format->iformat->name;
    out.seconds = static_cast<double>(format->duration) / AV_TIME_BASE;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
      const AVCodecParameters* p = format->streams[i]->codecpar;
      if (p->codec_id == AV_CODEC_ID_MPEG2VIDEO) ++out.video;
      if (p->codec_id == AV_CODEC_ID_MP2) ++out.audio;
    }
  }
  avformat_close_input(&format);
  return out;
}

// lsdvd's answer for a VIDEO_TS folder: titles with their seconds and chapters.
struct DvdTitle {
  double seconds;
  int chapters;
};
std::vector<DvdTitle> ReadDvd(const std::string& folder) {
  std::string out, err;
  int code = -1;
  std::vector<DvdTitle> titles;
  if (!platform::RunProcess("lsdvd", {folder}, &out, &err, &code) || code != 0) return titles;
  const std::regex line(R"(Title: \d+, Length: (\d+):(\d+):(\d+)\.(\d+) Chapters: (\d+))");
  for (std::sregex_iterator it(out.begin(), out.end(), line), end; it != end; ++it) {
    const std::smatch& m = *it;
    titles.push_back({std::stoi(m[1]) * 3600.0 + std::stoi(m[2]) * 60.0 + std::stoi(m[3]) + std::stoi(m[4]) / 1000.0,
                      std::stoi(m[5])});
  }
  return titles;
}

class DvdMuxAuthorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = CreateWindowEx(0, NotifyClass(), "notify", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    work = Folder() + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);
  }
  void TearDown() override { DestroyWindow(window); }
  // The end messages of the jobs: wParam of each.
  std::vector<WPARAM> Ends(UINT message) {
    std::vector<WPARAM> got;
    MSG m;
    while (PeekMessage(&m, window, message, message, PM_REMOVE)) got.push_back(m.wParam);
    return got;
  }
  void WriteAuthorInfo(const std::string& path, const std::string& vob, const std::string& chapters) {
    std::ofstream(path) << "<qndvdauthor output=\"" << work << "\" jumppad=\"on\"><vmg><fppgc>jump title 1;</fppgc>"
                        << "</vmg><vts><title><pgc><vob path=\"" << vob << "\" chapters=\"" << chapters
                        << "\"/></pgc></title></vts></qndvdauthor>";
  }
  HWND window = nullptr;
  std::string work;
};

TEST_F(DvdMuxAuthorTest, APairBecomesADvdStreamAndThenAFolderLsdvdReads) {
  const std::string stem = dvdtest::MakeElementaryPair(work, "DVD_120000", 4.0);
  ASSERT_FALSE(stem.empty());
  const std::string mpg = work + "1.mpg";
  qnmpgmux_EndCreateSource();  // the page says so before the job starts
  ASSERT_EQ(1, qnmpgmux(mpg.c_str(), (stem + ".mpv").c_str(), (stem + ".mpa").c_str(), 5, 100, 0, window, 1));
  EXPECT_EQ(std::vector<WPARAM>{kDvdJobDone}, Ends(kMuxEndMessage));
  const std::int64_t size = platform::FileSize(mpg);
  EXPECT_EQ(size, qnmpgmux_GetPos_DirectBurn());
  EXPECT_EQ(0, size % 2048) << "whole packs";
  const Probed p = Probe(mpg);
  EXPECT_EQ("mpeg", p.format);
  EXPECT_EQ(1, p.video);
  EXPECT_EQ(1, p.audio);
  EXPECT_NEAR(4.0, p.seconds, 0.3);

  const std::string xml = work + "authorinfo.xml";
  WriteAuthorInfo(xml, mpg, "00:00:00.0,00:00:02.0");
  qndvdauthor_EndCreateSource();
  ASSERT_EQ(1, qndvdauthor(xml.c_str(), window, 1, 1)) << qndvdauthor_LastError();
  EXPECT_EQ(std::vector<WPARAM>{kDvdJobDone}, Ends(kAuthorEndMessage));
  EXPECT_TRUE(platform::FolderExists(work + "AUDIO_TS"));
  const auto titles = ReadDvd(work);
  ASSERT_EQ(1u, titles.size());
  EXPECT_NEAR(4.0, titles[0].seconds, 0.5);
  EXPECT_EQ(2, titles[0].chapters);
}

TEST_F(DvdMuxAuthorTest, StreamsStillBeingWrittenAreFollowedUntilTheEndFlag) {
  const std::string stem = dvdtest::MakeElementaryPair(work, "DVD_whole", 3.0, true);
  ASSERT_FALSE(stem.empty());
  std::string video, audio;
  ASSERT_TRUE(platform::ReadWholeFile(stem + ".mpv", &video));
  ASSERT_TRUE(platform::ReadWholeFile(stem + ".mpa", &audio));
  const std::string grow = work + "DVD_grow";
  std::ofstream v(grow + ".mpv", std::ios::binary), a(grow + ".mpa", std::ios::binary);
  // The first halves now; the rest, a second part and the flag come while the job runs.
  v.write(video.data(), static_cast<std::streamsize>(video.size() / 2)).flush();
  a.write(audio.data(), static_cast<std::streamsize>(audio.size() / 2)).flush();
  const std::string mpg = work + "1.mpg";
  int result = -1;
  std::thread job(
      [&] { result = qnmpgmux(mpg.c_str(), (grow + ".mpv").c_str(), (grow + ".mpa").c_str(), 6, 100, 0, window, 1); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  v.write(video.data() + video.size() / 2, static_cast<std::streamsize>(video.size() / 4)).flush();
  v.close();
  std::ofstream(grow + ".mpv.1", std::ios::binary)
      .write(video.data() + video.size() / 2 + video.size() / 4,
             static_cast<std::streamsize>(video.size() - video.size() / 2 - video.size() / 4));
  a.write(audio.data() + audio.size() / 2, static_cast<std::streamsize>(audio.size() - audio.size() / 2)).flush();
  a.close();
  qnmpgmux_EndCreateSource();
  job.join();
  EXPECT_EQ(1, result);
  const Probed p = Probe(mpg);
  EXPECT_EQ(1, p.video);
  EXPECT_EQ(1, p.audio);
  EXPECT_NEAR(3.0, p.seconds, 0.3);
}

TEST_F(DvdMuxAuthorTest, FailuresPostTheirCodeAndLeaveNoHalfFiles) {
  // Not MPEG at all, and no stream at all.
  const std::string junk = work + "junk.mpv";
  std::ofstream(junk) << std::string(200000, 'x');
  const std::string mpg = work + "1.mpg";
  qnmpgmux_EndCreateSource();
  EXPECT_EQ(0, qnmpgmux(mpg.c_str(), junk.c_str(), (work + "none.mpa").c_str(), 5, 100, 0, window, 1));
  qnmpgmux_EndCreateSource();
  EXPECT_EQ(0, qnmpgmux(mpg.c_str(), (work + "none.mpv").c_str(), (work + "none.mpa").c_str(), 5, 100, 0, window, 1));
  EXPECT_EQ((std::vector<WPARAM>{kDvdJobFailed, kDvdJobFailed}), Ends(kMuxEndMessage));
  EXPECT_FALSE(platform::FileExists(mpg));

  // An unreadable job, and a video dvdauthor refuses: its own words come back.
  qndvdauthor_EndCreateSource();
  EXPECT_EQ(0, qndvdauthor((work + "missing.xml").c_str(), window, 1, 1));
  EXPECT_NE(std::string(qndvdauthor_LastError()).find("missing.xml"), std::string::npos);
  const std::string stem = dvdtest::MakeElementaryPair(work, "DVD_raw", 1.0);
  const std::string xml = work + "authorinfo.xml";
  WriteAuthorInfo(xml, stem + ".mpv", "00:00:00.0");  // elementary video is no program stream
  qndvdauthor_EndCreateSource();
  EXPECT_EQ(0, qndvdauthor(xml.c_str(), window, 1, 1));
  EXPECT_FALSE(std::string(qndvdauthor_LastError()).empty());
  EXPECT_EQ((std::vector<WPARAM>{kDvdJobFailed, kDvdJobFailed}), Ends(kAuthorEndMessage));
}

TEST_F(DvdMuxAuthorTest, AnAuthorNobodyTellsStillEndsOnceNoMultiplexerRuns) {
  const std::string stem = dvdtest::MakeElementaryPair(work, "DVD_alone", 1.0);
  const std::string mpg = work + "1.mpg";
  qnmpgmux_EndCreateSource();
  ASSERT_EQ(1, qnmpgmux(mpg.c_str(), (stem + ".mpv").c_str(), (stem + ".mpa").c_str(), 5, 100, 0, nullptr, 1));
  const std::string xml = work + "authorinfo.xml";
  WriteAuthorInfo(xml, mpg, "00:00:00.0");
  // No end of source ever comes: the job must not wait for good.
  EXPECT_EQ(1, qndvdauthor(xml.c_str(), window, 1, 1)) << qndvdauthor_LastError();
  EXPECT_EQ(1u, ReadDvd(work).size());
}

}  // namespace
