#include "project_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include <fstream>
#include <gtest/gtest.h>

#include "converter/list_file.h"
#include "pack_host.h"
#include "publish_rules.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/registry/registry.h"
#include "widgets/reg_helpers.h"
#include "platform/testkit/environment.h"
#include "scripted_pack.h"

namespace studio {
namespace {

using testing::ScriptedPack;

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct ProjectFixture : ::testing::Test {
  testkit::Environment env;
  StudioModel model;
  CComPtr<ScriptedPack> editor = platform::com::MakeComObject<ScriptedPack>("Editor");
  CComPtr<ScriptedPack> burner = platform::com::MakeComObject<ScriptedPack>("Burner");
  PackHost* editorHost = new PackHost(kEditorPackNumber, &model);
  std::vector<std::string> log;
  std::vector<std::string> versionsSeen;

  ProjectFixture() {
    model.folders = {env.Home() + "app/", env.Documents(), env.Temp()};
    model.ReloadSettings();
    model.editor = editor.get();
    model.burner = burner.get();
    editor->log = burner->log = &log;
    editor->SetHost(editorHost);
  }
  ~ProjectFixture() override {
    editor->Uninitialize();
    editorHost->ReleaseOwner();
  }
  std::string Clip(const std::string& name) {
    const std::string path = env.Documents() + name;
    WriteText(path, "clip");
    return path;
  }
  std::string Version() {
    BSTR value = nullptr;
    editorHost->GetValue("ProjectFileVersion", &value);
    std::string text = value ? value : "";
    SysFreeString(value);
    return text;
  }
};

TEST_F(ProjectFixture, SavedProjectReopensWithOrderSettingsAndPackLists) {
  const std::string a = Clip("b clip.mpg"), b = Clip("a,with comma.avi"), c = Clip("c.wmv");
  ASSERT_TRUE(model.AddClip(a, FALSE) && model.AddClip(b, FALSE) && model.AddClip(c, FALSE));
  const std::string title = env.Temp() + "title.bmp";
  WriteText(title, "BM-title");
  model.clips.AddProjectTitleItem(1, 95250, title);
  model.settings.currentPage = 1;
  model.settings.wmvTitle = "Holiday";
  model.settings.recordFormat = 5;
  model.settings.burnState = {1, 2, 3, 4, 5, 6};
  editor->listToSave = "timeline-1";
  burner->listToSave = "burn-1";
  const std::string path = env.Documents() + "trip.ilj5";
  ASSERT_TRUE(SaveProjectTo(model, path));
  const std::string imageFolder = model.settings.imageFolder;
  EXPECT_EQ(ReadText(imageFolder + "Project0.bmp"), "BM-title");

  ResetProject(model);
  EXPECT_EQ(model.clips.Count(), 0u);
  EXPECT_EQ(model.projectPath, kUntitledProject);

  log.clear();
  ASSERT_TRUE(OpenProject(model, path));
  ASSERT_EQ(model.clips.Count(), 4u);
  EXPECT_EQ(model.clips.Items()[0].type, kClipProjectTitle);
  EXPECT_EQ(model.clips.Items()[1].path, a);
  EXPECT_EQ(model.clips.Items()[2].path, b);
  EXPECT_EQ(model.clips.Items()[3].path, c);
  EXPECT_EQ(model.clips.ProjectTitlePlayTime(), 95250);
  EXPECT_EQ(model.settings.currentPage, 1);
  EXPECT_EQ(model.settings.wmvTitle, "Holiday");
  EXPECT_EQ(model.settings.recordFormat, 5);
  EXPECT_EQ(model.settings.burnState[5], 6);
  EXPECT_EQ(editor->loadedList, "timeline-1");
  EXPECT_EQ(burner->loadedList, "burn-1");
  EXPECT_EQ(log,
            (std::vector<std::string>{"Editor.LoadProject", "Burner.Command:project open path=" + path + "<Vidarro5>",
                                      "Burner.LoadProject"}));

  // Saving again over the same file keeps its image folder and its own thumbnail copy.
  ASSERT_TRUE(SaveProjectTo(model, path));
  EXPECT_EQ(model.settings.imageFolder, imageFolder);
  EXPECT_EQ(ReadText(imageFolder + "Project0.bmp"), "BM-title");
}

TEST_F(ProjectFixture, AnOutputFolderWithoutItsSlashStillNamesTheFolder) {
  const std::string path = env.Documents() + "slash.ilj5";
  const std::string folder = env.Home() + "Recordings";
  ASSERT_TRUE(platform::CreateFolders(folder));
  model.folders.output = folder + "/";
  ASSERT_TRUE(SaveProjectTo(model, path));
  std::string text = ReadText(path);
  const std::string saved = "=" + folder + "/\r";
  ASSERT_NE(text.find(saved), std::string::npos);
  text.replace(text.find(saved), saved.size(), "=" + folder + "\r");
  WriteText(path, text);

  model.folders.output = env.Documents();
  ASSERT_TRUE(OpenProject(model, path));
  // Recordings are named by appending to the folder: they go inside it, not beside it.
  EXPECT_EQ(model.folders.output, folder + "/");

  // A folder that is not there is ignored, as before.
  text.replace(text.find("=" + folder + "\r"), folder.size() + 2, "=" + folder + "-gone\r");
  WriteText(path, text);
  model.folders.output = env.Documents();
  ASSERT_TRUE(OpenProject(model, path));
  EXPECT_EQ(model.folders.output, env.Documents());
}

TEST_F(ProjectFixture, LegacyProjectsAreAnnouncedAsVersionFourInEveryPackPass) {
  const std::string path = env.Documents() + "old.ilj2";
  WriteText(path, "<ILJ2 Project File>\r\n[Information]\r\nVersion=2.0\r\n");
  EXPECT_EQ(IsLegacyProject(path), 4);
  model.settings.projectFileVersion = IsLegacyProject(path);
  ASSERT_TRUE(ReadProject(model, path, 0));
  EXPECT_EQ(Version(), "4.0");
  ASSERT_TRUE(ReadProject(model, path, 1));
  EXPECT_EQ(Version(), "4.0");
  ASSERT_TRUE(OpenProject(model, path));
  EXPECT_EQ(Version(), "5.0");
}

TEST_F(ProjectFixture, BadFilesChangeNothingAndHarmNothing) {
  const std::string a = Clip("keep.mpg");
  model.AddClip(a, FALSE);
  EXPECT_FALSE(OpenProject(model, env.Documents()));  // a folder
  EXPECT_FALSE(OpenProject(model, env.Home() + "missing.ilj5"));
  const std::string lfOnly = env.Documents() + "lf.ilj5";
  WriteText(lfOnly, "<Capture>\n[MainDlg]\nPage=2\n");
  EXPECT_EQ(model.clips.Count(), 1u);
  // Line feeds alone end lines too; opening re-reads the settings and empties the list first.
  EXPECT_TRUE(OpenProject(model, lfOnly));
  EXPECT_EQ(model.settings.currentPage, 2);
  EXPECT_FALSE(OpenProject(model, "untitle"));

  const std::string odd = env.Documents() + "odd.ilj5";
  std::string text =
      "<Capture>\r\n[MainDlg]\r\nPage=7\r\n[CaptureInfo]\r\nState=3,x\r\n[BurnInfo]\r\nState=\r\n"
      "[FileList]\r\nFile=" +
      a + ",0,0\r\nFile=" + a + ",0,0\r\nFile=" + env.Home() +
      "gone.mpg,0,0\r\n"
      "File=nocommas\r\n";
  for (int i = 0; i < 10000; ++i) text += "File=" + env.Home() + "x" + std::to_string(i) + ".mpg,0,0\r\n";
  WriteText(odd, text);
  ASSERT_TRUE(OpenProject(model, odd));
  EXPECT_EQ(model.clips.Count(), 1u);
  EXPECT_EQ(model.settings.currentPage, 7);
  EXPECT_EQ(model.settings.videoInput, 1);  // a short State keeps the registry's value
  EXPECT_EQ(model.settings.videoDeviceIndex, 0);
  EXPECT_EQ(ReadText(a), "clip");
}

TEST_F(ProjectFixture, AFailedSaveKeepsThePathAndTheOldFile) {
  const std::string path = env.Documents() + "p.ilj5";
  ASSERT_TRUE(SaveProjectTo(model, path));
  const std::string before = ReadText(path);
  EXPECT_FALSE(SaveProjectTo(model, env.Home() + "no/such/folder/p.ilj5"));
  EXPECT_EQ(model.projectPath, path);
  EXPECT_FALSE(SaveProjectTo(model, env.Documents()));
  EXPECT_EQ(ReadText(path), before);
}

// Two copies of the program on one project: the later save is held back until the user says
// so, and a project saved, opened or started here is never taken for someone else's.
TEST_F(ProjectFixture, ASaveOverAProjectSomeoneElseSavedIsHeldBackUntilAllowed) {
  const std::string path = env.Documents() + "shared.ilj5";
  const std::string first = Clip("first.mpg"), mine = Clip("mine.mpg"), theirs = Clip("theirs.mpg");
  ASSERT_TRUE(model.AddClip(first, FALSE));
  ASSERT_EQ(SaveProject(model, path, false), SaveOutcome::kSaved);
  ASSERT_EQ(SaveProject(model, path, false), SaveOutcome::kSaved);  // its own save is no change

  StudioModel other;
  other.folders = model.folders;
  ASSERT_TRUE(OpenProject(other, path));
  ASSERT_TRUE(OpenProject(model, path));
  ASSERT_TRUE(other.AddClip(theirs, FALSE));
  ASSERT_EQ(SaveProject(other, path, false), SaveOutcome::kSaved);
  const std::string saved = ReadText(path);

  ASSERT_TRUE(model.AddClip(mine, FALSE));
  EXPECT_EQ(SaveProject(model, path, false), SaveOutcome::kChangedOnDisk);
  EXPECT_EQ(ReadText(path), saved);
  EXPECT_EQ(model.projectPath, path);
  // Another name loses nothing; the shared file is then no longer this project's.
  const std::string copy = env.Documents() + "mine.ilj5";
  EXPECT_EQ(SaveProject(model, copy, false), SaveOutcome::kSaved);
  EXPECT_NE(ReadText(copy).find(mine), std::string::npos);
  EXPECT_NE(ReadText(path).find(theirs), std::string::npos);
  // Asked and allowed, the save goes over it.
  ASSERT_TRUE(OpenProject(model, path));
  WriteText(path, ReadText(path) + "\r\n");
  EXPECT_EQ(SaveProject(model, path, false), SaveOutcome::kChangedOnDisk);
  EXPECT_EQ(SaveProject(model, path, true), SaveOutcome::kSaved);
  EXPECT_EQ(SaveProject(model, path, false), SaveOutcome::kSaved);

  // A project missing when opened that someone has written since is asked about too; after
  // New the untitled project asks nothing.
  const std::string later = env.Documents() + "later.ilj5";
  EXPECT_FALSE(OpenProject(model, later));
  WriteText(later, saved);
  EXPECT_EQ(SaveProject(model, later, false), SaveOutcome::kChangedOnDisk);
  ResetProject(model);
  EXPECT_EQ(SaveProject(model, later, false), SaveOutcome::kSaved);

  // A pipe in a project's place is never read: opening and saving over it return.
  const std::string pipe = env.Documents() + "pipe.ilj5";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_FALSE(OpenProject(model, pipe));
  EXPECT_NE(SaveProject(model, pipe, false), SaveOutcome::kChangedOnDisk);
}

// Another copy that hangs while saving into the same folder holds a save back a few seconds,
// not for good.
TEST_F(ProjectFixture, ASaverThatNeverLetsGoOfTheFolderHoldsASaveOnlyAWhile) {
  const int held = ::open(env.Documents().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(SaveProject(model, env.Documents() + "held.ilj5", false), SaveOutcome::kSaved);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(ProjectFolderLock::kWaitMs));
  EXPECT_LT(waited, std::chrono::milliseconds(ProjectFolderLock::kWaitMs * 4));
  ::close(held);
}

TEST_F(ProjectFixture, NamesTheFileSystemAllowsSurviveTheProjectAndTheConvertersList) {
  const std::vector<std::string> names = {"plain clip.mpg",    "line\nbreak.mpg", "tab\there.mpg", "-dash.mpg",
                                          "latin\xe9\xff.mpg", "cr\rname.mpg",    "100%\n%41.mpg"};
  std::vector<std::string> paths;
  for (const std::string& name : names) {
    paths.push_back(Clip(name));
    ASSERT_TRUE(model.AddClip(paths.back(), FALSE)) << name;
  }
  const std::string path = env.Documents() + "names.ilj5";
  ASSERT_TRUE(SaveProjectTo(model, path));
  // Names a line can carry are written as before, byte for byte; only line breaks are coded.
  const std::string text = ReadText(path);
  for (const std::string& plain : {paths[0], paths[2], paths[3], paths[4]})
    EXPECT_NE(text.find("\r\nFILE=" + plain + ",0,0\r\n"), std::string::npos) << plain;
  EXPECT_NE(text.find("CODEDFILE=" + env.Documents() + "line%0Abreak.mpg,0,0\r\n"), std::string::npos) << text;

  ResetProject(model);
  ASSERT_TRUE(OpenProject(model, path));
  std::vector<std::string> reopened;
  for (const ClipItem& item : model.clips.Items()) reopened.push_back(item.path);
  EXPECT_EQ(reopened, paths);

  // Folders named with a line break come back too.
  const std::string output = env.Documents() + "out\nput/";
  ::mkdir(output.c_str(), 0755);
  model.folders.output = output;
  model.settings.burnTempFolder = env.Temp() + "temp\rfolder/";
  ASSERT_TRUE(SaveProjectTo(model, path));
  ResetProject(model);
  model.folders.output = env.Documents();
  ASSERT_TRUE(OpenProject(model, path));
  EXPECT_EQ(model.folders.output, output);
  EXPECT_EQ(model.settings.burnTempFolder, env.Temp() + "temp\rfolder/");

  // Published to the converter: its list reader gets every name back.
  const std::string list = env.Temp() + "filelist.tmp";
  ASSERT_TRUE(WriteConverterFileList(list, ConverterFileListText(model.clips.Items(), "Edited Video", 0)));
  ListFile read;
  ASSERT_TRUE(ReadListFile(list, &read));
  EXPECT_EQ(read.paths, paths);
  EXPECT_TRUE(read.projects.empty());
}

TEST_F(ProjectFixture, TheTitlesPictureGoesOnlyIntoAFolderMadeForTheProject) {
  // The project file names the user's own folder, where a Project0.bmp of theirs lies.
  const std::string pictures = env.Documents() + "Pictures/";
  ::mkdir(pictures.c_str(), 0755);
  WriteText(pictures + "Project0.bmp", "the user's own picture");
  const std::string path = env.Documents() + "named.ilj5";
  WriteText(path, "<ILJ5 Project File>\r\n[Information]\r\nVersion=3.0\r\n<Capture>\r\n[BurnInfo]\r\nImageFolder=" +
                      pictures + "\r\n");
  ASSERT_TRUE(OpenProject(model, path));
  EXPECT_EQ(model.settings.imageFolder, pictures);
  const std::string title = env.Temp() + "title.bmp";
  WriteText(title, "BM-title");
  model.clips.AddProjectTitleItem(0, 5000, title);
  ASSERT_TRUE(SaveProjectTo(model, path));
  EXPECT_EQ(ReadText(pictures + "Project0.bmp"), "the user's own picture");
  const std::string own = model.settings.imageFolder;
  EXPECT_NE(own, pictures);
  EXPECT_EQ(own.rfind(platform::WithTrailingSlash(platform::LocalAppDataFolder()) + "Vidarro/Project/", 0), 0u) << own;
  EXPECT_EQ(ReadText(own + "Project0.bmp"), "BM-title");

  // Two new projects saved in the same second still get a folder each.
  ResetProject(model);
  model.clips.AddProjectTitleItem(0, 5000, title);
  ASSERT_TRUE(SaveProjectTo(model, env.Documents() + "first.ilj5"));
  const std::string first = model.settings.imageFolder;
  ResetProject(model);
  model.clips.AddProjectTitleItem(0, 5000, title);
  ASSERT_TRUE(SaveProjectTo(model, env.Documents() + "second.ilj5"));
  EXPECT_NE(model.settings.imageFolder, first);
  EXPECT_EQ(ReadText(first + "Project0.bmp"), "BM-title");
}

TEST(ProjectFileEntry, KindAndNumberAreTheLastTwoFields) {
  const ProjectFileEntry e = ParseFileEntry("/v/a,b,c.mpg,16,42");
  EXPECT_EQ(e.path, "/v/a,b,c.mpg");
  EXPECT_EQ(e.kind, 16);
  EXPECT_EQ(e.number, 42);
  EXPECT_EQ(ParseFileEntry("/v/plain.mpg").path, "/v/plain.mpg");
  EXPECT_EQ(ParseFileEntry(",5").path, ",5");
  EXPECT_EQ(ParseFileEntry("").path, "");
  // The title's play time: milliseconds when marked, seconds as an earlier build wrote it.
  EXPECT_EQ(TitlePlayTimeMs(ParseFileEntry("/i/Project0.bmp,16,12345ms")), 12345);
  EXPECT_EQ(TitlePlayTimeMs(ParseFileEntry("/i/Project0.bmp,16,75")), 75000);
  EXPECT_EQ(TitlePlayTimeMs(ParseFileEntry("/i/Project0.bmp,16,99999999")), 2147483 * 1000);
}

TEST(StartupProject, ArgumentThenRegistryThenUntitled) {
  testkit::Environment env;
  EXPECT_EQ(StartupProjectPath({}), "Untitle");
  RegWriteString(HKEY_CURRENT_USER, kProductKey, "ProjectFile", "/p/last.ilj5");
  EXPECT_EQ(StartupProjectPath({}), "/p/last.ilj5");
  EXPECT_EQ(StartupProjectPath({"/p/arg.ilj5"}), "/p/arg.ilj5");
}

}  // namespace
}  // namespace studio
