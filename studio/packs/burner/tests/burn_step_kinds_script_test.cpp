// The main program played by scripts of user actions on its Burn step, each disc kind onto its own
// medium: Video CD and Super Video CD onto CD-Rs, Blu-ray onto a BD-R, a DVD as an ISO image, the
// edited video as a DVD title, seven titles on two menu pages; projects, media, a title of no
// length and a vanished one refused before any work.
// Outside readers check the discs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "bluray_reader.h"
#include "dvd_nav_reader.h"
#include "fidelity_support.h"
#include "platform/disc/drive_config.h"
#include "platform/testkit/pictures.h"
#include "platform/testkit/simulated_writers.h"
#include "platform/testkit/testkit.h"
#include "script_support.h"

namespace studio::packs {
namespace {

using namespace testkit;
namespace fs = std::filesystem;

// A script text: `text` in double quotes, its own quotes escaped.
std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// The lines that add `files` through the Add button's dialog, several picked at once; the dialog's
// name box takes a thousand characters, so a long list goes in turns.
std::string AddThroughDialog(int addId, const std::vector<std::string>& files) {
  std::string lines, names, last;
  int picked = 0;
  const auto pick = [&] {
    if (picked == 0) return;
    // One file goes as it is named: a name may hold double quotes itself.
    lines += "  click " + std::to_string(addId) + "\n  answer-file " + Quoted(picked == 1 ? last : names) + "\n";
    names.clear();
    picked = 0;
  };
  for (const std::string& file : files) {
    if (names.size() + file.size() + 3 > 1000) pick();
    names += (names.empty() ? "\"" : " \"") + file + "\"";
    last = file;
    ++picked;
  }
  pick();
  return lines;
}

// The writer list's line for the simulated writer `id`, the `index`th section of the devices file.
std::string WriterLine(const std::string& images, int index, const std::string& id) {
  return std::string(1, static_cast<char>('D' + index)) + ": Writer " + id + " (" + images + id + ".img)";
}

// Each title's length in seconds as lsdvd reads the disc.
std::vector<double> DvdTitleSeconds(const std::string& info) {
  std::vector<double> seconds;
  for (size_t at = info.find("Length: "); at != std::string::npos; at = info.find("Length: ", at + 1)) {
    const char* text = info.c_str() + at + 8;
    seconds.push_back(std::atoi(text) * 3600 + std::atoi(text + 3) * 60 + std::atof(text + 6));
  }
  return seconds;
}

void ExpectSeconds(const std::vector<double>& got, const std::vector<double>& want, const std::string& what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], 0.5) << "title " << i + 1 << "\n" << what;
}

// Each road's steps are named for it: the pictures after each step are named by the steps.
std::string ShowBurnStep(const std::string& road) {
  return "program Quillon\nstep \"Quillon shows its Burn step for " + road +
         "\" 60\n  wait-window \"Narvell Vidarro 5.0\"\n  click 1002\n  wait-shown 2213\n";
}

// The lines of a burn into an image file of that name, to its end.
std::string BurnIntoImageFile(const std::string& path) {
  return "  choose 2208 \"Image file\"\n  click 2213\n  answer-file " + Quoted(path) +
         "\n  wait-message \"Burning complete.\"\n  answer ok\n  wait-enabled 1002\n";
}

std::string CloseWithoutSaving(const std::string& road) {
  return "step \"Quillon closes without saving the " + road +
         "\" 60\n  click 1035\n  answer no\n  wait-gone \"Narvell Vidarro 5.0\"\n";
}

struct BurnStepKinds : ::testing::Test {
  Environment env{CurrentTestName()};
  std::string images = env.Home() + "discs/";

  void SetUp() override { ASSERT_TRUE(RegisterInstalledPacks()); }
  void UseWriters(const std::vector<std::pair<std::string, std::string>>& writers) {
    std::vector<std::string> sections;
    for (const auto& [id, extra] : writers) sections.push_back(WriterSection(images, id, extra));
    UseWriterSections(images, "vidarro/devices.ini", sections);
  }
};

TEST_F(BurnStepKinds, AVideoCdAndASuperVideoCdOntoBlankCdRsPlayTheirTracksInOrder) {
  UseWriters({{"CDA", "WRITES=CD-R\nMEDIUM=CD-R\n"}, {"CDB", "WRITES=CD-R\nMEDIUM=CD-R\n"}});
  const std::string longer = MakeDvdClip(env.Documents() + "Longer.mpg", 3);
  const std::string shorter = MakeDvdClip(env.Documents() + "Shorter.mpg", 1);
  ASSERT_FALSE(longer.empty() || shorter.empty());
  const std::string failure =
      PlayQuillon(env, "cds",
                  ShowBurnStep("Video CDs") + std::string(R"(step "Two clips go onto a Video CD in the first writer" 60
)") + AddThroughDialog(2202, {longer, shorter}) +
                      R"(  wait-text 2212 "2 titles"
  choose 2207 "Video CD"
  choose 2208 )" + Quoted(WriterLine(images, 0, "CDA")) +
                      R"(
  wait-text 2209 "Medium: CD-R, blank"
step "The Video CD burns and the main window comes back" 300
  click 2213
  wait-message "Burning complete."
  answer ok
  wait-enabled 1002
step "The same titles become a Super Video CD in the second writer" 60
  choose 2207 "Super Video CD"
  choose 2208 )" + Quoted(WriterLine(images, 1, "CDB")) +
                      R"(
  wait-text 2209 "Medium: CD-R, blank"
step "The Super Video CD burns and the main window comes back" 300
  click 2213
  wait-message "Burning complete."
  answer ok
  wait-enabled 1002
)" + CloseWithoutSaving("Video CDs"));
  ASSERT_EQ(failure, "");
  for (const auto& [id, picture] :
       {std::pair<std::string, std::string>{"CDA", "mpeg1video,352,240"}, {"CDB", "mpeg2video,480,480"}}) {
    SCOPED_TRACE(id);
    const std::string cue = images + id + ".cue";
    const std::string info = ToolOutput("vcd-info", {"--no-banner", "--cue-file", cue});
    EXPECT_NE(info.find("3: "), std::string::npos) << info;  // the data track and two sequences
    const std::vector<std::string> tracks = RippedTracks(cue, env.Temp() + id + "/");
    ASSERT_EQ(tracks.size(), 2u);
    ExpectTrack(tracks[0], picture, 3);
    ExpectTrack(tracks[1], picture, 1);
  }
  EXPECT_TRUE(fs::exists(longer) && fs::exists(shorter));
}

TEST_F(BurnStepKinds, TwoHdvClipsOntoABlankBdRBecomeTwoTitles) {
  UseWriters({{"BD", "WRITES=BD-R\nMEDIUM=BD-R\n"}});
  const std::string first = MakeHdvClip(env.Documents() + "HDV_100000.m2ts", 2);
  const std::string second = MakeHdvClip(env.Documents() + "HDV_110000.m2ts", 3);
  ASSERT_FALSE(first.empty() || second.empty());
  const std::string failure =
      PlayQuillon(env, "bluray",
                  ShowBurnStep("Blu-ray") + std::string(R"(step "Two HDV clips go onto a Blu-ray" 60
)") + AddThroughDialog(2202, {first, second}) +
                      R"(  wait-text 2212 "2 titles"
  type 2206 "HOLIDAY"
  choose 2207 "Blu-ray"
  choose 2208 )" + Quoted(WriterLine(images, 0, "BD")) +
                      R"(
  wait-text 2209 "Medium: BD-R, blank"
step "The Blu-ray burns and the main window comes back" 400
  click 2213
  wait-message "Burning complete."
  answer ok
  wait-enabled 1002
  wait-enabled 1001
)" + CloseWithoutSaving("Blu-ray"));
  ASSERT_EQ(failure, "");
  const std::string image = images + "BD.img";
  const std::string info = ToolOutput("bd_info", {image});
  EXPECT_NE(info.find("HDMV titles         : 2"), std::string::npos) << info;
  ExpectSeconds(BlurayTitleSeconds(image), {2, 3}, info);
}

TEST_F(BurnStepKinds, TooLargeTooManyAndUnfitMediaAreRefusedBeforeAnyWorkAndTheDiscBecomesAnIso) {
  UseWriters({{"SMALL", "WRITES=DVD+R\nMEDIUM=DVD+R\nCAPACITY=200\n"},
              {"USED", "WRITES=DVD+R\nMEDIUM=DVD+R\nSTATE=closed\nUSED=1000\n"},
              {"PRESSED", "WRITES=DVD+R\nMEDIUM=DVD-ROM\n"}});
  const std::string clip = MakeDvdClip(env.Documents() + "clip 0.mpg", 1);
  ASSERT_FALSE(clip.empty());
  std::vector<std::string> clips = {clip};
  for (int i = 1; i < 100; ++i) {
    clips.push_back(env.Documents() + "clip " + std::to_string(i) + ".mpg");
    fs::copy_file(clip, clips.back());
  }
  const std::string iso = env.Documents() + "Three clips.iso";
  const std::string failure =
      PlayQuillon(env, "limits",
                  ShowBurnStep("refusals") +
                      std::string(R"(step "Three clips are more than the writer's medium holds" 60
)") + AddThroughDialog(2202, {clips[0], clips[1], clips[2]}) +
                      R"(  wait-text 2212 "3 titles"
  choose 2208 )" + Quoted(WriterLine(images, 0, "SMALL")) +
                      R"(
  click 2213
  wait-message "and the medium holds 400 KB. Remove titles, or choose a larger medium, and burn again."
  answer ok
  wait-enabled 1002
step "A written disc and a pressed one are refused as they are" 60
  choose 2208 )" + Quoted(WriterLine(images, 1, "USED")) +
                      R"(
  click 2213
  wait-message "The disc in drive E: is not blank. Insert a blank DVD"
  answer ok
  choose 2208 )" + Quoted(WriterLine(images, 2, "PRESSED")) +
                      R"(
  click 2213
  wait-message "The disc in drive F: (DVD-ROM) cannot take this burn."
  answer ok
  wait-enabled 1002
step "The three titles become an ISO image file instead" 300
)" + BurnIntoImageFile(iso) +
                      R"(step "A hundred titles are more than a DVD-Video holds" 180
)" + AddThroughDialog(2202, std::vector<std::string>(clips.begin() + 3, clips.end())) +
                      R"(  wait-text 2212 "100 titles"
  click 2213
  wait-message "A DVD-Video holds at most 99 titles and this disc has 100. Remove 1 and burn again."
  answer ok
  wait-enabled 1002
)" + CloseWithoutSaving("refusals"));
  ASSERT_EQ(failure, "");
  // Nothing was written to the writers' media.
  for (const char* id : {"SMALL", "PRESSED"}) {
    std::error_code ec;
    EXPECT_FALSE(fs::exists(images + id + ".img", ec) && fs::file_size(images + id + ".img", ec) > 0) << id;
  }
  const std::string info = ToolOutput("lsdvd", {iso});
  ExpectSeconds(DvdTitleSeconds(info), {1, 1, 1}, info);
  for (const std::string& each : clips) EXPECT_TRUE(fs::exists(each)) << each;
}

TEST_F(BurnStepKinds, TheEditedVideoAndTwoClipsBecomeThreeDvdTitles) {
  const std::string opening = MakeDvdClip(env.Documents() + "Opening.mpg", 1);
  const std::string cake = MakeDvdClip(env.Documents() + "Cake.mpg", 2);
  const std::string garden = MakeDvdClip(env.Documents() + "Garden.mpg", 4);
  const std::string games = MakeDvdClip(env.Documents() + "Games.mpg", 2);
  ASSERT_FALSE(opening.empty() || cake.empty() || garden.empty() || games.empty());
  const std::string failure = PlayQuillon(env, "edited", R"S(program Quillon
step "The Edit step shows the empty storyboard" 60
  wait-window "Narvell Vidarro 5.0"
  click 1001
  wait-shown 2112
step "Two clips go onto the storyboard by its own Add button" 120
)S" + AddThroughDialog(2101, {opening, cake}) + R"S(  wait-text 2111 "(2 clips)"
step "The Burn step holds the edited video; two clips join it" 120
  click 1002
  wait-shown 2213
  wait-text 2212 "1 title"
)S" + AddThroughDialog(2202, {garden, games}) + R"S(  wait-text 2212 "3 titles"
step "The DVD burns with the edited video rendered and the main window comes back" 400
  click 2213
  wait-message "Burning complete."
  answer ok
  wait-enabled 1002
  wait-enabled 1001
  wait-enabled 1000
)S" + CloseWithoutSaving("edited video"));
  ASSERT_EQ(failure, "");
  const std::string disc = platform::disc::DefaultImageFolder() + "WRITER.img";
  const std::string info = ToolOutput("lsdvd", {disc});
  ExpectSeconds(DvdTitleSeconds(info), {3, 4, 2}, info);
  // The edited video's second clip begins a chapter; the clips' titles are too short for any.
  EXPECT_EQ(DvdTitleChapters(info), (std::vector<int>{2, 1, 1})) << info;
  // The title menu leads to each title, the edited video first, and each title back to it.
  DvdNavigation nav;
  std::string error;
  ASSERT_TRUE(ReadDvdNavigation(disc, &nav, &error)) << error;
  EXPECT_EQ(nav.firstPlay.kind, NavJump::MenuPage);
  ASSERT_EQ(nav.menuPages.size(), 1u);
  ASSERT_EQ(nav.menuPages[0].size(), 3u);
  ASSERT_EQ(nav.titleEnds.size(), 3u);
  for (int t = 0; t < 3; ++t) {
    EXPECT_EQ(nav.menuPages[0][t].jump.kind, NavJump::Title) << nav.menuPages[0][t].jump.raw;
    EXPECT_EQ(nav.menuPages[0][t].jump.target, t + 1);
    EXPECT_EQ(nav.titleEnds[t].kind, NavJump::MenuPage) << nav.titleEnds[t].raw;
  }
  for (const std::string& each : {opening, cake, garden, games}) EXPECT_TRUE(fs::exists(each)) << each;
}

TEST_F(BurnStepKinds, TheEditedVideoOfA43AndA169ClipFillsItsFrameOnADvdAVideoCdAndABluRay) {
  const Source standard =
      Make(env.Documents() + "Standard.mpg", "640x480", "1", 4.0 / 3, "mp2", {"-c:v", "mpeg2video", "-q:v", "2"});
  const Source wide =
      Make(env.Documents() + "Wide.mpg", "720x480", "32/27", 16.0 / 9, "mp2", {"-c:v", "mpeg2video", "-q:v", "2"});
  ASSERT_FALSE(HasFailure());
  const std::string dvd = env.Documents() + "Edited.iso", vcd = env.Documents() + "Edited.bin",
                    bd = env.Documents() + "Edited BD.iso";
  const std::string failure = PlayQuillon(env, "edited shapes", R"S(program Quillon
step "Two clips of two shapes go onto the storyboard" 120
  wait-window "Narvell Vidarro 5.0"
  click 1001
  wait-shown 2112
)S" + AddThroughDialog(2101, {standard.path, wide.path}) + R"S(  wait-text 2111 "(2 clips)"
step "The Burn step holds the edited video" 60
  click 1002
  wait-shown 2213
  wait-text 2212 "1 title"
step "The edited video burns as a DVD" 300
  choose 2207 "DVD-Video"
)S" + BurnIntoImageFile(dvd) + R"S(step "The edited video burns as a Video CD" 300
  click 1002
  choose 2207 "Video CD"
)S" + BurnIntoImageFile(vcd) + R"S(step "The edited video burns as a Blu-ray" 300
  click 1002
  choose 2207 "Blu-ray"
)S" + BurnIntoImageFile(bd) + CloseWithoutSaving("edited shapes"));
  ASSERT_EQ(failure, "");
  const struct {
    std::string stream;
    int width, height;
    double frameShape;
  } discs[] = {{env.Temp() + "dvd.vob", 720, 480, 4.0 / 3},
               {env.Temp() + "rip/avseq01.mpg", 352, 240, 4.0 / 3},
               {env.Temp() + "bd.m2ts", 1920, 1080, 16.0 / 9}};
  ASSERT_TRUE(Extract(dvd, "/VIDEO_TS/VTS_01_1.VOB;1", discs[0].stream));
  ASSERT_EQ(RippedTracks(env.Documents() + "Edited.cue", env.Temp() + "rip/").size(), 1u);
  ASSERT_TRUE(Extract(bd, "/BDMV/STREAM/00000.M2TS;1", discs[2].stream));
  for (const auto& disc : discs) {
    SCOPED_TRACE(disc.stream);
    EXPECT_GT(Psnr(disc.stream, standard.path, Fitted(standard, disc.width, disc.height, disc.frameShape), 1.0), 30);
    EXPECT_GT(Psnr(disc.stream, wide.path, Fitted(wide, disc.width, disc.height, disc.frameShape), 3.0), 30);
  }
}

TEST_F(BurnStepKinds, SevenTitlesMakeTwoMenuPagesAndATitleOfNoLengthIsRefusedFirst) {
  UseWriters({{"DVD", "WRITES=DVD+R\nMEDIUM=DVD+R\n"}});
  std::vector<std::string> clips;
  for (int i = 1; i <= 7; ++i) clips.push_back(MakeDvdClip(env.Documents() + "Part " + std::to_string(i) + ".mpg", 1));
  // One picture and no length: ffprobe reads a video stream without a duration.
  const std::string still = env.Documents() + "Still.mpg";
  ToolOutput("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=720x480:rate=30000/1001", "-f", "lavfi",
                        "-i", "anullsrc=r=48000", "-frames:v", "1", "-t", "0.01", "-target", "ntsc-dvd", still});
  for (const std::string& each : clips) ASSERT_FALSE(each.empty());
  ASSERT_TRUE(fs::exists(still));
  std::vector<std::string> all = clips;
  all.push_back(still);
  // A disc name of 300 characters with quotes and an ampersand: the box keeps what a label holds.
  const std::string name = "\"Seven\" & " + std::string(290, 'x');
  const std::string shown = name.substr(0, 32);
  const std::string iso = env.Documents() + "Seven titles.iso";
  const std::string failure = PlayQuillon(env, "seven",
                                          ShowBurnStep("seven titles") +
                                              std::string(R"(step "Seven clips and a still go onto the disc" 120
)") + AddThroughDialog(2202, all) +
                                              R"(  wait-text 2212 "8 titles"
  type 2206 )" + Quoted(name) + "\n  wait-text 2206 " +
                                              Quoted(shown) +
                                              R"(
step "Burn names the title of no length" 60
  click 2213
  wait-message "The title \"Still\" is 0 seconds long. Remove it from the disc and burn again."
  answer ok
  wait-enabled 1002
step "The still is removed and the seven titles become an ISO image file" 300
  choose 2201 "8.  Still   0:00"
  click 2205
  wait-text 2212 "7 titles"
)" + BurnIntoImageFile(iso) + CloseWithoutSaving("seven titles"));
  ASSERT_EQ(failure, "");
  // Nothing was burned for the refused disc.
  std::error_code ec;
  EXPECT_FALSE(fs::exists(images + "DVD.img", ec) && fs::file_size(images + "DVD.img", ec) > 0);
  const std::string info = ToolOutput("lsdvd", {iso});
  ExpectSeconds(DvdTitleSeconds(info), {1, 1, 1, 1, 1, 1, 1}, info);

  // A player follows Next from the first page to the seventh title, and Previous back.
  DvdNavigation nav;
  std::string error;
  ASSERT_TRUE(ReadDvdNavigation(iso, &nav, &error)) << error;
  ASSERT_EQ(nav.firstPlay.kind, NavJump::MenuPage);
  ASSERT_EQ(nav.menuPages.size(), 2u);
  const std::vector<NavButton>& first = nav.menuPages[nav.firstPlay.target - 1];
  ASSERT_EQ(first.size(), 7u);  // six titles and Next
  for (int t = 0; t < 6; ++t) EXPECT_EQ(first[t].jump.target, t + 1) << first[t].jump.raw;
  const NavJump next = first[6].jump;
  ASSERT_EQ(next.kind, NavJump::MenuPage) << next.raw;
  ASSERT_TRUE(next.target >= 1 && next.target <= 2 && next.target != nav.firstPlay.target) << next.raw;
  const std::vector<NavButton>& second = nav.menuPages[next.target - 1];
  ASSERT_EQ(second.size(), 2u);  // the seventh title and Previous
  EXPECT_EQ(second[0].jump.kind, NavJump::Title);
  EXPECT_EQ(second[0].jump.target, 7);
  EXPECT_EQ(second[1].jump.kind, NavJump::MenuPage);
  EXPECT_EQ(second[1].jump.target, nav.firstPlay.target);
  ASSERT_EQ(nav.titleEnds.size(), 7u);
  EXPECT_EQ(nav.titleEnds[6].target, next.target);  // the seventh title ends on its own page
  // The first page as a player shows it, its first button highlighted.
  const std::string vob = env.Temp() + "menu.vob";
  ASSERT_TRUE(CopyMenuVideo(iso, vob));
  ASSERT_TRUE(WriteMenuPicture(vob, nav, 1, PictureFolder() + "burn_step_seven_titles_menu.png", &error)) << error;
  for (const std::string& each : all) EXPECT_TRUE(fs::exists(each)) << each;
}

TEST_F(BurnStepKinds, ATitleWhoseFileVanishedWhileTheProjectWasClosedIsRefusedByName) {
  const std::string kept = MakeDvdClip(env.Documents() + "Kept.mpg", 1);
  const std::string gone = MakeDvdClip(env.Documents() + "Gone \"away\".mpg", 1);
  ASSERT_FALSE(kept.empty() || gone.empty());
  const std::string project = env.Temp() + "Vanished.ilj5";
  ASSERT_EQ(PlayQuillon(env, "save",
                        ShowBurnStep("a saved disc") + R"(step "Two clips go onto the disc" 60
)" + AddThroughDialog(2202, {kept}) +
                            AddThroughDialog(2202, {gone}) +
                            R"(  wait-text 2212 "2 titles"
step "Quillon closes and keeps the project" 60
  click 1035
  answer yes
  answer-file )" + Quoted(project) +
                            R"(
  wait-gone "Narvell Vidarro 5.0"
)"),
            "");
  fs::remove(gone);
  const std::string failure = PlayQuillon(env, "vanished", R"(program Quillon
step "The reopened project's Burn step" 60
  wait-window "Narvell Vidarro 5.0"
  click 1002
  wait-shown 2213
step "Burn names the title whose file is gone" 60
  click 2213
  wait-message "Gone \"away\""
  answer ok
  wait-enabled 1002
)" + CloseWithoutSaving("vanished title"),
                                          {project});
  ASSERT_EQ(failure, "");
  EXPECT_TRUE(fs::exists(kept));
  EXPECT_FALSE(fs::exists(platform::disc::DefaultImageFolder() + "WRITER.img") &&
               fs::file_size(platform::disc::DefaultImageFolder() + "WRITER.img") > 0);
}

}  // namespace
}  // namespace studio::packs
