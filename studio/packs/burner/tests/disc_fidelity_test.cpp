// What lands on each kind of disc is what was put in: every title read back off the disc image
// by outside readers (lsdvd, isoinfo, vcdxrip, ffprobe) for its size, rate, shape and sound, and
// its picture compared with the source fitted into the disc's frame by ffmpeg on its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "burn_engine.h"
#include "platform/base/process.h"
#include "platform/testkit/testkit.h"
#include "render_request.h"
#include "dvd_nav_reader.h"
#include "fidelity_support.h"
#include "script_support.h"

namespace studio::packs {
namespace {

struct FidelityTest : ::testing::Test {
  testkit::Environment env{testkit::CurrentTestName()};
  std::string Doc(const std::string& name) { return env.Documents() + name; }

  BurnJob Job(DiscFormat format, bool ntsc, const std::vector<Source>& titles, const std::string& image) {
    BurnJob job;
    job.format = format;
    job.ntsc = ntsc;
    for (const Source& s : titles) job.titles.push_back({s.path});
    job.workRoot = env.Temp();
    job.imageFile = env.Temp() + image;
    job.discName = "FIDELITY";
    return job;
  }
  void Burn(BurnJob job) {
    BurnEngine engine(nullptr);
    std::string message;
    ASSERT_TRUE(engine.Start(std::move(job), &message)) << message;
    for (int i = 0; i < 30000 && engine.Running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    engine.Join();
    ASSERT_EQ(engine.End(), BurnEnd::Burned) << engine.Message();
  }
  void ExpectFitted(const std::string& stream, const Source& source, int width, int height, double frameShape,
                    double at, const std::string& what) {
    const double psnr = Psnr(stream, source.path, Fitted(source, width, height, frameShape), at);
    EXPECT_GT(psnr, 30) << what << ": " << source.path << " at " << at << " s";
  }
};

TEST_F(FidelityTest, DvdTitlesKeepTheirShapeSoundAndTheSystemChosen) {
  const Source standard = Make(Doc("standard.mkv"), "640x480", "1", 4.0 / 3, "mp2", {"-c:v", "mpeg4", "-q:v", "2"});
  const Source wide = Make(Doc("wide.mkv"), "720x480", "32/27", 16.0 / 9, "ac3", {"-c:v", "mpeg4", "-q:v", "2"});
  const Source scope = Make(Doc("scope.mkv"), "940x400", "1", 2.35, "", {"-c:v", "mpeg4", "-q:v", "2"});
  const Source ready = Make(Doc("DVD ready.mpg"), "720x480", "8/9", 4.0 / 3, "ac3",
                            {"-target", "ntsc-dvd", "-aspect", "4:3", "-b:v", "6000k"});
  const Source readyPal = Make(Doc("PAL wide.mpg"), "720x576", "64/45", 16.0 / 9, "mp2",
                               {"-target", "pal-dvd", "-aspect", "16:9", "-b:v", "6000k"}, "25");
  ASSERT_FALSE(HasFailure());

  // NTSC with a menu: four titlesets, one a shape and sound each, the menu leading to every title.
  BurnJob job = Job(DiscFormat::Dvd, true, {standard, ready, wide, scope}, "ntsc.iso");
  job.menu = true;
  Burn(job);
  ASSERT_FALSE(HasFailure());
  const std::string report = ToolOutput("lsdvd", {"-v", "-a", job.imageFile});
  // The menu's buttons reach every titleset's title, and each title returns to the menu.
  DvdNavigation nav;
  std::string error;
  ASSERT_TRUE(ReadDvdNavigation(job.imageFile, &nav, &error)) << error;
  ASSERT_EQ(nav.menuPages.size(), 1u);
  ASSERT_EQ(nav.menuPages[0].size(), 4u);
  ASSERT_EQ(nav.titleEnds.size(), 4u);
  for (int t = 0; t < 4; ++t) {
    EXPECT_EQ(nav.menuPages[0][t].jump.kind, NavJump::Title) << nav.menuPages[0][t].jump.raw;
    EXPECT_EQ(nav.menuPages[0][t].jump.target, t + 1);
    EXPECT_EQ(nav.titleEnds[t].kind, NavJump::MenuPage) << nav.titleEnds[t].raw;
  }
  const struct {
    const Source& source;
    const char* aspect;
    const char* sound;  // lsdvd's name of the first sound stream; "" none
  } ntsc[] = {{standard, "4/3", "mpeg1"}, {ready, "4/3", "ac3"}, {wide, "16/9", "mpeg1"}, {scope, "16/9", ""}};
  for (int t = 0; t < 4; ++t) {
    SCOPED_TRACE("NTSC title " + std::to_string(t + 1));
    const std::string title = LsdvdTitle(report, t + 1);
    EXPECT_NE(title.find("Format: NTSC, Aspect ratio: " + std::string(ntsc[t].aspect)), std::string::npos) << title;
    EXPECT_NE(title.find("Width: 720, Height: 480"), std::string::npos) << title;
    const bool sound = *ntsc[t].sound;
    const size_t audio = title.find("Audio: 1,");
    if (sound) {
      EXPECT_EQ(title.find("Format: " + std::string(ntsc[t].sound) + ",", audio), title.find("Format: ", audio))
          << title;
    }
    EXPECT_EQ(audio != std::string::npos, sound) << title;
    // The titleset's own stream holds the sound its first stream names, and the picture fitted.
    const std::string vob = env.Temp() + "vts" + std::to_string(t + 1) + ".vob";
    char inside[40];
    std::snprintf(inside, sizeof inside, "/VIDEO_TS/VTS_%02d_1.VOB;1", t + 1);
    ASSERT_TRUE(Extract(job.imageFile, inside, vob));
    EXPECT_EQ(FirstSound(vob), sound ? (std::string(ntsc[t].sound) == "mpeg1" ? "mp2" : "ac3") : "");
    ExpectPicture(vob, "720,480,30000/1001", t < 2 ? 4.0 / 3 : 16.0 / 9);
    ExpectFitted(vob, ntsc[t].source, 720, 480, t < 2 ? 4.0 / 3 : 16.0 / 9, 1.0, "DVD NTSC");
  }

  // PAL without a menu: the PAL recording goes on as it is, the NTSC one is encoded into PAL.
  job = Job(DiscFormat::Dvd, false, {readyPal, ready}, "pal.iso");
  Burn(job);
  ASSERT_FALSE(HasFailure());
  const std::string pal = ToolOutput("lsdvd", {"-v", "-a", job.imageFile});
  EXPECT_NE(LsdvdTitle(pal, 1).find("Format: PAL, Aspect ratio: 16/9"), std::string::npos) << pal;
  EXPECT_NE(LsdvdTitle(pal, 2).find("Format: PAL, Aspect ratio: 4/3"), std::string::npos) << pal;
  EXPECT_NE(pal.find("25.00"), std::string::npos) << pal;
  const std::string first = env.Temp() + "pal1.vob", second = env.Temp() + "pal2.vob";
  ASSERT_TRUE(Extract(job.imageFile, "/VIDEO_TS/VTS_01_1.VOB;1", first));
  ASSERT_TRUE(Extract(job.imageFile, "/VIDEO_TS/VTS_02_1.VOB;1", second));
  ExpectPicture(first, "720,576,25/1", 16.0 / 9);
  EXPECT_EQ(FirstSound(first), "mp2");
  ExpectPicture(second, "720,576,25/1", 4.0 / 3);
  EXPECT_EQ(FirstSound(second), "mp2");
  ExpectFitted(first, readyPal, 720, 576, 16.0 / 9, 1.0, "DVD PAL as it was");
  ExpectFitted(second, ready, 720, 576, 4.0 / 3, 1.0, "DVD PAL encoded");
}

TEST_F(FidelityTest, VideoCdsLetterboxWidePicturesAndBluRayPillarboxesNarrowOnes) {
  const Source wide = Make(Doc("wide.mkv"), "1280x720", "1", 16.0 / 9, "ac3", {"-c:v", "mpeg4", "-q:v", "2"});
  const Source scope =
      Make(Doc("scope odd.mkv"), "718x306", "1", 718.0 / 306, "", {"-c:v", "mpeg4", "-q:v", "2"}, "12");
  const Source standard =
      Make(Doc("standard 60.mkv"), "640x480", "1", 4.0 / 3, "mp2", {"-c:v", "mpeg4", "-q:v", "2"}, "60");
  ASSERT_FALSE(HasFailure());
  const struct {
    DiscFormat format;
    bool ntsc;
    const Source& source;
    const char* picture;
    int width, height;
    double frameShape;
    std::string image;
  } discs[] = {
      {DiscFormat::Vcd, false, wide, "352,288,25/1", 352, 288, 4.0 / 3, "vcd pal.cue"},
      {DiscFormat::Svcd, true, scope, "480,480,30000/1001", 480, 480, 4.0 / 3, "svcd ntsc.cue"},
  };
  for (const auto& disc : discs) {
    SCOPED_TRACE(disc.image);
    Burn(Job(disc.format, disc.ntsc, {disc.source}, disc.image));
    const std::vector<std::string> tracks = RippedTracks(env.Temp() + disc.image, env.Temp() + "rip/");
    ASSERT_EQ(tracks.size(), 1u);
    const std::string stream = env.Temp() + "rip/avseq01.mpg";
    ExpectPicture(stream, disc.picture, 4.0 / 3);
    ExpectFitted(stream, disc.source, disc.width, disc.height, disc.frameShape, 1.0, disc.image);
  }

  Burn(Job(DiscFormat::Bluray, false, {standard}, "bluray.iso"));
  ASSERT_FALSE(HasFailure());
  const std::string m2ts = env.Temp() + "bluray.m2ts";
  ASSERT_TRUE(Extract(env.Temp() + "bluray.iso", "/BDMV/STREAM/00000.M2TS;1", m2ts));
  ExpectPicture(m2ts, "1920,1080,25/1", 16.0 / 9);
  EXPECT_FALSE(FirstSound(m2ts).empty());
  ExpectFitted(m2ts, standard, 1920, 1080, 16.0 / 9, 1.0, "Blu-ray");
}

TEST_F(FidelityTest, BrokenPixelShapesAndInterlacedPicturesGoOnInShapeAndSoundAloneIsRefusedByName) {
  // No pixel shape at all, and one beyond belief: both taken as square pixels.
  const Source unknown = Make(Doc("no shape.mkv"), "640x480", "0", 4.0 / 3, "mp2", {"-c:v", "mpeg4", "-q:v", "2"});
  const Source absurd = Make(Doc("absurd.mkv"), "480x270", "1000", 16.0 / 9, "", {"-c:v", "mpeg4", "-q:v", "2"});
  // Interlaced 16:9 after progressive 4:3 on one disc.
  const Source interlaced =
      Make(Doc("interlaced.mpg"), "720x576", "64/45", 16.0 / 9, "mp2",
           {"-c:v", "mpeg2video", "-flags", "+ilme+ildct", "-top", "1", "-b:v", "8M", "-f", "mpeg"}, "25");
  ASSERT_FALSE(HasFailure());
  const BurnJob job = Job(DiscFormat::Dvd, false, {unknown, absurd, interlaced}, "odd.iso");
  Burn(job);
  ASSERT_FALSE(HasFailure());
  const std::string report = ToolOutput("lsdvd", {"-v", job.imageFile});
  const Source* sources[] = {&unknown, &absurd, &interlaced};
  for (int t = 0; t < 3; ++t) {
    SCOPED_TRACE(sources[t]->path);
    const bool wide = sources[t]->shape > 1.5;
    EXPECT_NE(LsdvdTitle(report, t + 1).find(wide ? "Aspect ratio: 16/9" : "Aspect ratio: 4/3"), std::string::npos)
        << report;
    const std::string vob = env.Temp() + "odd" + std::to_string(t + 1) + ".vob";
    char inside[40];
    std::snprintf(inside, sizeof inside, "/VIDEO_TS/VTS_%02d_1.VOB;1", t + 1);
    ASSERT_TRUE(Extract(job.imageFile, inside, vob));
    ExpectPicture(vob, "720,576,25/1", wide ? 16.0 / 9 : 4.0 / 3);
    ExpectFitted(vob, *sources[t], 720, 576, wide ? 16.0 / 9 : 4.0 / 3, 1.0, "odd shapes");
  }

  const std::string tone = Doc("tone only.mka");
  Tool({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=duration=2", "-c:a", "ac3", tone});
  BurnEngine engine(nullptr);
  std::string message;
  ASSERT_TRUE(engine.Start(Job(DiscFormat::Dvd, true, {Source{tone, 0, "ac3"}}, "tone.iso"), &message)) << message;
  for (int i = 0; i < 6000 && engine.Running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  engine.Join();
  EXPECT_EQ(engine.End(), BurnEnd::Failed);
  EXPECT_NE(engine.Message().find("\"" + tone + "\" holds no video"), std::string::npos) << engine.Message();
  EXPECT_FALSE(std::filesystem::exists(env.Temp() + "tone.iso"));
}

TEST_F(FidelityTest, TheEditedVideoFillsEachDiscsFrameWithEveryClipInShape) {
  const Source wide = Make(Doc("wide.mkv"), "720x480", "32/27", 16.0 / 9, "ac3", {"-c:v", "mpeg4", "-q:v", "2"});
  const Source standard = Make(Doc("standard.mkv"), "640x480", "1", 4.0 / 3, "", {"-c:v", "mpeg4", "-q:v", "2"});
  // A photo's density says nothing of its pixels' shape.
  const std::string photo = Doc("photo.jpg");
  Tool({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "smptebars=size=1000x500", "-frames:v", "1", "-vf",
        "setsar=3/1", photo});
  ASSERT_TRUE(std::filesystem::exists(photo));
  const Source picture{photo, 2.0, ""};
  std::vector<StoryboardClip> clips(3);
  clips[0].path = photo;
  clips[0].facts.picture = true;
  clips[0].out = 1;
  for (int i = 1; i < 3; ++i) {
    clips[i].path = i == 1 ? standard.path : wide.path;
    clips[i].facts.hasAudio = i == 2;
    clips[i].out = 1;
  }
  const struct {
    const char* type;
    bool ntsc;
    bool wide;
    int width, height;
    double frameShape;
    const char* name;
  } renders[] = {{"mpeg2", true, false, 720, 480, 4.0 / 3, "dvd.mpg"},
                 {"mpeg2", false, true, 720, 576, 16.0 / 9, "dvd wide.mpg"},
                 {"vcd", false, false, 352, 288, 4.0 / 3, "vcd.mpg"},
                 {"bdmv", true, false, 1920, 1080, 16.0 / 9, "bd.m2ts"},
                 {"mpeg1", true, false, 320, 240, 4.0 / 3, "side.mpg"}};
  for (const auto& r : renders) {
    SCOPED_TRACE(r.name);
    const std::string path = env.Temp() + r.name;
    const RenderRequest request =
        ParseRenderRequest(std::string("type=") + r.type + ";ntsc=" + (r.ntsc ? "1" : "0") +
                           ";wide=" + (r.wide ? "1" : "0") + ";width=320;height=240;bitrate=1500000;path=" + path);
    std::vector<std::string> args = RenderArguments(clips, request);
    args.insert(args.begin(), "ffmpeg");
    const std::string said = Tool(args);
    ASSERT_EQ(said.rfind("FAILED", 0), std::string::npos) << said;
    ExpectFitted(path, picture, r.width, r.height, r.frameShape, 0.5, r.name);
    ExpectFitted(path, standard, r.width, r.height, r.frameShape, 1.5, r.name);
    ExpectFitted(path, wide, r.width, r.height, r.frameShape, 2.2, r.name);
  }
}

}  // namespace
}  // namespace studio::packs
