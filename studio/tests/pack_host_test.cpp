#include "pack_host.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "clip_actions.h"
#include "platform/base/file.h"
#include "platform/testkit/environment.h"
#include "scripted_pack.h"

namespace studio {
namespace {

using testing::ScriptedPack;

class RecordingUi : public StudioUi {
 public:
  std::vector<std::pair<WPARAM, LPARAM>> sent;
  bool sideProgramRuns = false;
  BOOL enabled = TRUE;
  std::string language = "0x0409";
  bool NotifySideProgram(WPARAM code, LPARAM argument) override {
    if (!sideProgramRuns) return false;
    sent.emplace_back(code, argument);
    return true;
  }
  std::vector<std::string> boxes;
  void EnableControls(BOOL enable) override { enabled = enable; }
  int ShowMessageBox(const std::string& text, UINT) override {
    boxes.push_back(text);
    return IDOK;
  }
  std::string LanguageCode() override { return language; }
};

struct HostFixture : ::testing::Test {
  testkit::Environment env;
  RecordingUi ui;
  StudioModel model;
  CComPtr<ScriptedPack> editor = platform::com::MakeComObject<ScriptedPack>("Editor");
  CComPtr<ScriptedPack> burner = platform::com::MakeComObject<ScriptedPack>("Burner");
  PackHost* editorHost = new PackHost(kEditorPackNumber, &model);
  PackHost* burnerHost = new PackHost(kBurnerPackNumber, &model);
  std::vector<std::string> log;

  HostFixture() {
    model.ui = &ui;
    model.folders = {"/opt/vidarro/", env.Documents(), env.Temp()};
    model.ReloadSettings();
    model.editor = editor.get();
    model.burner = burner.get();
    editor->log = burner->log = &log;
    editor->senderName = "Lumbrel";
    burner->senderName = "Tessmor";
    editor->SetHost(editorHost);
    burner->SetHost(burnerHost);
  }
  ~HostFixture() override {
    editor->Uninitialize();
    burner->Uninitialize();
    editorHost->ReleaseOwner();
    burnerHost->ReleaseOwner();
  }
  std::string Clip(const std::string& name) {
    const std::string path = env.Documents() + name;
    std::ofstream(path) << "clip";
    return path;
  }
  std::string Value(PackHost* host, const char* key) {
    BSTR value = nullptr;
    if (host->GetValue(key, &value) != S_OK) return "<E_FAIL>";
    std::string text = value;
    SysFreeString(value);
    return text;
  }
};

TEST_F(HostFixture, ValuesAnsweredByKeyWithoutCase) {
  model.flags.smartRender = 1;
  EXPECT_EQ(Value(editorHost, "ProjectFileVersion"), "5.0");
  model.settings.projectFileVersion = 4;
  EXPECT_EQ(Value(editorHost, "projectfileversion"), "4.0");
  EXPECT_EQ(Value(editorHost, "RenderingType"), "3");
  EXPECT_EQ(Value(editorHost, "MakeCopyDisc"), "1");
  EXPECT_EQ(Value(editorHost, "ViewMotionButton"), "0");
  EXPECT_EQ(Value(editorHost, "tempfolder"), env.Temp());
  EXPECT_EQ(Value(editorHost, "AppFolder"), "/opt/vidarro/");
  EXPECT_EQ(Value(editorHost, "registry"), "SOFTWARE\\Narvell\\Vidarro 5\\Tessmor");
  EXPECT_EQ(Value(editorHost, "VideoStandard"), "NTSC");
  model.settings.tvSystemIndex = 1;
  EXPECT_EQ(Value(editorHost, "VideoStandard"), "PAL");
  EXPECT_EQ(Value(editorHost, "Nonsense"), "<E_FAIL>");
  EXPECT_EQ(editorHost->GetValue(nullptr, nullptr), E_FAIL);
}

// Each row: sender, text, what the clip list or the flag shows after.
TEST_F(HostFixture, ClipStagesMatchOnlyAtTheStartOfTheText) {
  const std::string a = Clip("a.mpg"), b = Clip("b.avi"), trap = Clip("delete addfile audiotype lpcm.mpg");
  EXPECT_EQ(editorHost->Command("Lumbrel", ("add file " + a + "  ").c_str()), S_OK);
  EXPECT_TRUE(model.clips.Contains(a));
  editorHost->Command("Lumbrel", ("addfile type=1;file=" + b + ";subtype=2;file=" + trap + ";").c_str());
  EXPECT_EQ(model.clips.Count(), 3u);
  // A path that holds the words is no command.
  editorHost->Command("Lumbrel", ("add file " + trap).c_str());
  EXPECT_EQ(model.clips.Count(), 3u);
  EXPECT_EQ(model.audioType, 0);
  editorHost->Command("Tessmor", "audiotype=lpcm;");
  EXPECT_EQ(model.audioType, 1);
  editorHost->Command("Tessmor", "audiotype=lpcm mp2;");
  EXPECT_EQ(model.audioType, 0);
  editorHost->Command("Tessmor", ("delete file=" + a + ";").c_str());
  EXPECT_FALSE(model.clips.Contains(a));
  EXPECT_TRUE(model.clips.Contains(trap));
  for (const char* odd : {"", "add file", "addfile", "delete", ";;;;", "==;=", "add project title"})
    EXPECT_EQ(editorHost->Command("Lumbrel", odd), S_OK) << odd;
  const std::string big(64 * 1024, 'x');
  EXPECT_EQ(editorHost->Command("Lumbrel", ("addfile " + big).c_str()), S_OK);
  EXPECT_EQ(editorHost->Command(nullptr, "x"), E_POINTER);
  EXPECT_EQ(model.clips.Count(), 3u);  // the last odd text made an empty title item
}

TEST_F(HostFixture, TitleAndRelayStagesReachTheRightPlace) {
  editor->Answer("encode project title", E_FAIL);
  burner->Answer("prog encode", S_OK);
  // The burner's render request goes to the editor; the editor's own is not passed on.
  EXPECT_EQ(burnerHost->Command("Tessmor", "encode project title type=mpeg2;path=/t/x.mpg;"), E_FAIL);
  EXPECT_EQ(editorHost->Command("Lumbrel", "encode project title type=mpeg2;"), S_OK);
  log.clear();
  editorHost->Command("Lumbrel", "prog encode prog=10;prog=55;");
  EXPECT_EQ(log, std::vector<std::string>{"Burner.Command:prog encode prog=10;prog=55;<Vidarro5>"});
  ui.sideProgramRuns = true;
  editorHost->Command("Lumbrel", "prog encode prog=10;prog=55;");
  editorHost->Command("Lumbrel", "prog encode");
  editorHost->Command("Lumbrel", "end encode");
  editorHost->Command("Lumbrel", "cancel encode");
  editorHost->Command("Lumbrel", "cancel encode failed=1;");
  editorHost->Command("Lumbrel", "cancel encode failed=0;");
  EXPECT_EQ(ui.sent,
            (std::vector<std::pair<WPARAM, LPARAM>>{{172, 55}, {172, 0}, {175, 0}, {174, 0}, {173, 0}, {174, 0}}));
  ui.sideProgramRuns = false;
  log.clear();
  editorHost->Command("Lumbrel", "cancel encode failed=1;");  // no side program: the burner hears the failure
  EXPECT_EQ(log, std::vector<std::string>{"Burner.Command:cancel encode failed=1;<Vidarro5>"});

  log.clear();
  editorHost->Command("Lumbrel", "add project title edit=1;num=3;playtime=75");
  ASSERT_EQ(model.clips.FindProjectTitleItem(), 0);
  EXPECT_EQ(model.clips.ProjectTitlePlayTime(), 75);
  EXPECT_EQ(log, std::vector<std::string>{"Burner.Command:add project title edit=1;num=3;playtime=75<Vidarro5>"});
  log.clear();
  editorHost->Command("Lumbrel", "add project title edit=0;playtime=80");
  EXPECT_TRUE(log.empty());
  editorHost->Command("Lumbrel", "add project title edit=2;");
  EXPECT_EQ(model.clips.FindProjectTitleItem(), -1);
  log.clear();
  burnerHost->Command("Tessmor", "chapter project title n=1;");
  EXPECT_EQ(log, std::vector<std::string>{"Editor.Command:chapter project title n=1;<Vidarro5>"});
}

TEST_F(HostFixture, ReentrantRelayAndMissingPacks) {
  // The editor, asked to render by the burner, reports progress from inside the request.
  editor->Notify("encode project title", "prog encode prog=100;");
  editor->Answer("encode project title", S_OK);
  log.clear();
  EXPECT_EQ(burnerHost->Command("Tessmor", "encode project title type=mpeg2;"), S_OK);
  EXPECT_EQ(log, (std::vector<std::string>{"Editor.Command:encode project title type=mpeg2;<Vidarro5>",
                                           "Burner.Command:prog encode prog=100;<Vidarro5>"}));
  model.editor = nullptr;
  EXPECT_EQ(burnerHost->Command("Tessmor", "encode project title"), S_OK);
  EXPECT_EQ(model.IsFileBusy("/x"), FALSE);
  burner->Answer("isfilebusy", S_OK);
  EXPECT_EQ(model.IsFileBusy("/x"), TRUE);
  model.editor = editor.get();
}

TEST_F(HostFixture, BusyQuestionGoesToTheBurnerUnlessTheEditorSaysYes) {
  editor->Answer("isfilebusy", E_FAIL);
  burner->Answer("isfilebusy", S_OK);
  EXPECT_TRUE(model.IsFileBusy("/v/a.mpg"));
  editor->Answer("isfilebusy /v/a", S_OK);
  log.clear();
  editor->Answer("isfilebusy", E_FAIL);
  EXPECT_TRUE(model.IsFileBusy("/v/a.mpg"));
}

TEST_F(HostFixture, DeletedClipsGoToTheTrashWithTheirRecordAndBusyOrStuckOnesStay) {
  const std::string a = Clip("a.mpg"), busy = Clip("busy.mpg");
  model.clips.AddClip(a);
  model.clips.AddClip(busy);
  editor->Answer("isfilebusy " + busy, S_OK);
  editorHost->Command("Lumbrel", ("delete file=" + busy + ";").c_str());
  EXPECT_TRUE(model.clips.Contains(busy));
  EXPECT_TRUE(std::filesystem::exists(busy));
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_TRUE(model.DeleteClipByPath(a));
  EXPECT_FALSE(model.clips.Contains(a));
  EXPECT_FALSE(std::filesystem::exists(a));
  const std::string trash = platform::TrashFolder();
  EXPECT_TRUE(std::filesystem::exists(trash + "/files/a.mpg"));
  EXPECT_TRUE(std::filesystem::exists(trash + "/info/a.mpg.trashinfo"));
  // A file that cannot go to the trash keeps its item, and the user hears of it.
  const std::string gone = Clip("gone.mpg");
  model.clips.AddClip(gone);
  std::filesystem::remove(gone);
  EXPECT_FALSE(model.DeleteClipByPath(gone));
  EXPECT_TRUE(model.clips.Contains(gone));
  EXPECT_EQ(ui.boxes.size(), 2u);
  EXPECT_FALSE(RecycleFile(std::string(5000, 'x')));
  EXPECT_FALSE(RecycleFile(""));
}

TEST_F(HostFixture, RenamingKeepsOneExtensionAndRefusesTextsThatLeaveTheFolder) {
  std::string name;
  EXPECT_EQ(RenamedClipPath("/v/a.mpg", "holiday", &name), "/v/holiday.mpg");
  EXPECT_EQ(name, "holiday.mpg");
  EXPECT_EQ(RenamedClipPath("/v/a.mpg", "holiday.mpg", &name), "/v/holiday.mpg");
  // Only the end counts: a name holding the extension elsewhere still gets it.
  EXPECT_EQ(RenamedClipPath("/v/a.mpg", "x.mpg.old", &name), "/v/x.mpg.old.mpg");
  for (const char* bad : {"", ".", "..", "../up", "sub/x", "back\\x", "line\nbreak", "tab\there"})
    EXPECT_EQ(RenamedClipPath("/v/a.mpg", bad, &name), "") << bad;

  const std::string a = Clip("a.mpg"), taken = Clip("taken.mpg"), busy = Clip("busy.mpg");
  for (const std::string& p : {a, taken, busy}) model.clips.AddClip(p);
  EXPECT_TRUE(model.RenameClip(a, "renamed"));
  const std::string renamed = env.Documents() + "renamed.mpg";
  EXPECT_TRUE(std::filesystem::exists(renamed));
  EXPECT_TRUE(model.clips.Contains(renamed));
  EXPECT_EQ(model.clips.Items()[0].name, "renamed.mpg");
  EXPECT_FALSE(model.RenameClip(renamed, "taken"));  // onto an existing file
  EXPECT_FALSE(model.RenameClip(renamed, "../escaped"));
  EXPECT_TRUE(std::filesystem::exists(renamed));
  editor->Answer("isfilebusy " + busy, S_OK);
  EXPECT_FALSE(model.RenameClip(busy, "other"));
  EXPECT_TRUE(std::filesystem::exists(busy));
}

TEST_F(HostFixture, ReferencesControlsAndSkin) {
  IPackHost* host = nullptr;
  ASSERT_EQ(editorHost->QueryInterface(IID_IPackHost, reinterpret_cast<void**>(&host)), S_OK);
  void* other = &host;
  EXPECT_EQ(editorHost->QueryInterface(IID_IPack, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  // A pack that releases more than it took never takes the window's reference.
  for (int i = 0; i < 5; ++i) host->Release();
  EXPECT_GE(editorHost->RefCount(), 1u);
  editorHost->AddRef();  // the pack's own reference, given back in Uninitialize

  editorHost->DisableMainControls(TRUE);
  EXPECT_EQ(ui.enabled, FALSE);
  editorHost->DisableMainControls(FALSE);
  EXPECT_EQ(ui.enabled, TRUE);
  int page = 9;
  model.currentPage = 2;
  EXPECT_EQ(editorHost->GetCurrentPage(&page), S_OK);
  EXPECT_EQ(page, 2);
  void* skin = &page;
  EXPECT_TRUE(FAILED(burnerHost->CreateSkin(&skin)));
  EXPECT_EQ(skin, nullptr);
  EXPECT_TRUE(FAILED(editorHost->CreateSkin(&skin)));
}

}  // namespace
}  // namespace studio
