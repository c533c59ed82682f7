// The uploader's window in the test process, with the real Tovrin.so and the loopback server,
// or with a stand-in library whose codes the test posts itself.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "converter/parvel_settings.h"
#include "platform/base/module.h"
#include "platform/testkit/testkit.h"
#include "platform/window/afx_app.h"
#include "platform/window/message_box_dialog.h"
#include "platform/window/messages.h"
#include "upload_server.h"
#include "uploader/corrin_account.h"
#include "uploader/corrin_dlg.h"
#include "uploader/corrin_ids.h"
#include "uploader/corrin_link.h"
#include "uploader/upload_address.h"

namespace {

using namespace testkit;
using namespace std::chrono_literals;

const std::string kHint = "(Enter keywords separated by commas.)";

// Pumps until `done` holds, at most `ms` of real time (a bound, never the condition).
bool WaitFor(const std::function<bool()>& done, int ms) {
  for (int waited = 0; waited < ms; waited += 10) {
    Pump();
    if (done()) return true;
    std::this_thread::sleep_for(10ms);
  }
  return done();
}

std::string ComboSelection(HWND d, int id) {
  const LRESULT at = SendDlgItemMessage(d, id, CB_GETCURSEL, 0, 0);
  char text[256] = {};
  if (at >= 0) SendDlgItemMessage(d, id, CB_GETLBTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(text));
  return text;
}

bool Saw(const CCorrinDlg& dialog, const std::string& status) {
  for (const std::string& s : dialog.StatusHistory())
    if (s == status) return true;
  return false;
}

class CorrinDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Loaded once for the whole run, as a program holds them for its life.
    static HMODULE language = LoadLibrary("CorrinLng.dll");
    static HMODULE images = LoadLibrary("CorrinImg.dll");
    language_ = language;
    images_ = images;
    ASSERT_TRUE(language_ && images_);
    AfxSetResourceHandle(language_);
    clip_ = env_.Documents() + "Holiday.mpg";
    std::ofstream(clip_, std::ios::binary) << std::string(700'000, 'h');
  }
  void TearDown() override {
    ::unsetenv("VIDARRO_UPLOAD_URL");
    platform::ClearInputScript();
    ResetWindows();
    AfxSetResourceHandle(nullptr);
  }

  // Fills every field the rule asks for.
  void Fill(HWND d, const std::string& keywords = "sea, sun ,x") {
    TypeInto(d, IDC_USERNAME, "ada");
    TypeInto(d, IDC_PASSWORD, "s3cret");
    TypeInto(d, IDC_TITLE, "Holiday");
    TypeInto(d, IDC_DESCRIPTION, "By the sea");
    TypeInto(d, IDC_KEYWORDS, keywords);
  }

  Environment env_{CurrentTestName()};
  ManualTime time_;
  MessageBoxAnswers boxes_;
  HMODULE language_ = nullptr;
  HMODULE images_ = nullptr;
  std::string clip_;
};

// A written picture read back: its pixels as rows of red, green, blue.
struct Picture {
  int width = 0, height = 0;
  std::string rgb;
  COLORREF At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
    return RGB(static_cast<BYTE>(rgb[at]), static_cast<BYTE>(rgb[at + 1]), static_cast<BYTE>(rgb[at + 2]));
  }
};

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
    ::pclose(pipe);
  }
  return out;
}

// Decoded by FFmpeg, not by the code that wrote it.
Picture ReadPicture(const std::string& png) {
  Picture picture;
  const std::string size =
      Output("ffprobe -v error -show_entries stream=width,height -of csv=p=0:s=x '" + png + "' 2>/dev/null");
  if (std::sscanf(size.c_str(), "%dx%d", &picture.width, &picture.height) != 2) return {};
  picture.rgb = Output("ffmpeg -v error -i '" + png + "' -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
  if (picture.rgb.size() != static_cast<std::size_t>(picture.width) * picture.height * 3) return {};
  return picture;
}

// Within a few steps of each channel (the picture is written without loss, the skin drawn exact).
bool Near(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= 3 && std::abs(GetGValue(a) - GetGValue(b)) <= 3 &&
         std::abs(GetBValue(a) - GetBValue(b)) <= 3;
}

// The skin whole, as the image library's bitmaps draw it: the check box on the dialog's own
// background with its magenta keyed out, the Close button's cross, the home link's badge.
TEST_F(CorrinDialogTest, TheSkinIsWholeInThePicture) {
  CCorrinDlg dialog(images_, false);
  WhenDialogShows([&](HWND d) {
    SendDlgItemMessage(d, IDC_SAVE_USER_INFO, BM_SETCHECK, BST_CHECKED, 0);
    const std::string png = WritePicture(d, "corrin_skin.png");
    ASSERT_FALSE(png.empty());
    const Picture picture = ReadPicture(png);
    ASSERT_EQ(620, picture.width);
    ASSERT_EQ(760, picture.height);
    const COLORREF panel = RGB(200, 200, 200), band = RGB(52, 60, 72), light = RGB(236, 236, 236);
    const COLORREF magenta = RGB(255, 0, 255), accent = RGB(200, 40, 40), boxEdge = RGB(72, 80, 92);

    // Check box: 300 x 18 at (160, 146), its 14-pixel box at the left, centred in its row.
    int magentas = 0, edges = 0, accents = 0, outsideBox = 0;
    for (int y = 146; y < 164; ++y)
      for (int x = 160; x < 460; ++x) {
        const COLORREF c = picture.At(x, y);
        magentas += c == magenta;
        if (x < 174) edges += Near(c, boxEdge), accents += Near(c, accent);
        // Left of the caption and around the box: the dialog's own background.
        if (x < 174 && (y < 148 || y > 161)) outsideBox += !Near(c, panel);
      }
    EXPECT_EQ(0, magentas);
    EXPECT_GE(edges, 30);    // the box's frame
    EXPECT_GE(accents, 20);  // its check mark
    EXPECT_EQ(0, outsideBox);
    // The strip's magenta corner of the box is the background too, as beside the control.
    int boxTop = -1;
    for (int y = 146; y < 164 && boxTop < 0; ++y)
      if (Near(picture.At(161, y), boxEdge)) boxTop = y - 1;
    ASSERT_GE(boxTop, 146);
    EXPECT_TRUE(Near(panel, picture.At(160, boxTop))) << std::hex << picture.At(160, boxTop);
    EXPECT_TRUE(Near(picture.At(159, boxTop + 7), picture.At(160, boxTop + 7)));

    // Close: 20 x 20 at (590, 10) on the title band, a light cross on its face.
    EXPECT_TRUE(Near(light, picture.At(600, 20))) << std::hex << picture.At(600, 20);
    EXPECT_TRUE(Near(light, picture.At(595, 15)));
    EXPECT_TRUE(Near(light, picture.At(604, 15)));
    EXPECT_TRUE(Near(band, picture.At(593, 20)));
    EXPECT_TRUE(Near(band, picture.At(600, 13)));

    // Home link: 120 x 28 at (20, 700): the red badge with its white play mark, the name beside.
    EXPECT_TRUE(Near(accent, picture.At(25, 714)) || Near(RGB(175, 32, 32), picture.At(25, 714)))
        << std::hex << picture.At(25, 714);
    EXPECT_TRUE(Near(RGB(255, 255, 254), picture.At(36, 713))) << std::hex << picture.At(36, 713);
    EXPECT_TRUE(Near(band, picture.At(80, 710)));
    EXPECT_TRUE(Near(panel, picture.At(21, 700)));
    ClickButton(d, IDC_EXIT);
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
}

TEST_F(CorrinDialogTest, TheFieldRuleTheKeywordRuleAndACompleteUpload) {
  uploadtest::UploadServer server;
  ::setenv("VIDARRO_UPLOAD_URL", server.Url().c_str(), 1);
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kCorrinKey, "FilePath", clip_));
  CCorrinDlg dialog(images_, false);
  WhenDialogShows([&](HWND d) {
    EXPECT_EQ("Publish - YouTube", WindowText(d));
    EXPECT_EQ(clip_, ControlText(d, IDC_FILE_PATH));
    EXPECT_EQ(kHint, ControlText(d, IDC_KEYWORDS));
    EXPECT_EQ("People & Blogs", ComboSelection(d, IDC_CATEGORY));
    EXPECT_EQ("Public by default", ComboSelection(d, IDC_BROADCAST));
    EXPECT_EQ(BST_CHECKED, ButtonState(d, IDC_YOUTUBE_ACCOUNT));
    EXPECT_TRUE(ControlVisible(d, IDC_UPLOAD));
    EXPECT_FALSE(ControlVisible(d, IDC_STOP));
    EXPECT_FALSE(ControlEnabled(d, IDC_UPLOAD));
    EXPECT_FALSE(WritePicture(d, "corrin_full.png").empty());
    Fill(d, "");
    // The keywords still show their hint once they lose the focus empty: no upload yet.
    ::SetFocus(GetDlgItem(d, IDC_TITLE));
    Pump();
    EXPECT_EQ(kHint, ControlText(d, IDC_KEYWORDS));
    EXPECT_FALSE(ControlEnabled(d, IDC_UPLOAD));
    TypeInto(d, IDC_KEYWORDS, "sea, sun ,x");
    EXPECT_TRUE(ControlEnabled(d, IDC_UPLOAD));
    ClickControl(d, IDC_GOOGLE_ACCOUNT);
    EXPECT_TRUE(ControlVisible(d, IDC_LABEL_EMAIL));
    EXPECT_FALSE(ControlVisible(d, IDC_LABEL_USERNAME));
    EXPECT_TRUE(ClickButton(d, IDC_UPLOAD));
    EXPECT_EQ("sea,sun,Holiday,", ControlText(d, IDC_KEYWORDS));
    EXPECT_TRUE(WaitFor([&] { return dialog.StatusText() == "Status : Upload Complete."; }, 20000));
    EXPECT_FALSE(WritePicture(d, "corrin_complete.png").empty());
    EXPECT_TRUE(ControlEnabled(d, IDC_TITLE));
    EXPECT_FALSE(ControlVisible(d, IDC_STOP));
    EXPECT_FALSE(dialog.IsBound());
    EXPECT_EQ(kPingAnswer, SendMessage(d, WM_UPLOADER_LINK, PUBLISH_PING, 0));
    EXPECT_EQ(1, SendMessage(d, WM_UPLOADER_LINK, 999, 0));
    ClickButton(d, IDC_EXIT);
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  EXPECT_TRUE(Saw(dialog, "Uploading..."));
  EXPECT_TRUE(Saw(dialog, "Uploading - 100 %"));
  EXPECT_EQ("sea,sun,Holiday,", dialog.LastUpload().keywords);
  EXPECT_EQ(1, dialog.LastUpload().accountType);
  EXPECT_EQ("People", dialog.LastUpload().category);
  EXPECT_TRUE(server.Complete());
  EXPECT_EQ(uploadtest::FileSha256(clip_), server.HeldSha256());
  DWORD save = 5;
  ReadRegDword(HKEY_CURRENT_USER, kCorrinKey, "SaveUserInfo", save, 0);
  EXPECT_EQ(0u, save);
}

TEST_F(CorrinDialogTest, AWrongPasswordIsRetriedOnceAndStopEndsAnUpload) {
  uploadtest::UploadServer refusing;
  ::setenv("VIDARRO_UPLOAD_URL", refusing.Url().c_str(), 1);
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kCorrinKey, "FilePath", clip_));
  CCorrinDlg dialog(images_, false);
  uploadtest::ServerScript stalling;
  stalling.stall = true;
  std::unique_ptr<uploadtest::UploadServer> stalled;
  WhenDialogShows([&](HWND d) {
    Fill(d);
    TypeInto(d, IDC_PASSWORD, "wrong");
    ClickButton(d, IDC_UPLOAD);
    EXPECT_TRUE(WaitFor([&] { return refusing.Opens() == 2 && ControlVisible(d, IDC_UPLOAD); }, 20000));
    EXPECT_EQ("Status : Error (incorrect username or password)", dialog.StatusText());
    EXPECT_EQ(2, dialog.Uploads());
    EXPECT_FALSE(WritePicture(d, "corrin_login_error.png").empty());

    stalled = std::make_unique<uploadtest::UploadServer>(stalling);
    ::setenv("VIDARRO_UPLOAD_URL", stalled->Url().c_str(), 1);
    TypeInto(d, IDC_PASSWORD, "s3cret");
    ClickButton(d, IDC_UPLOAD);
    EXPECT_TRUE(WaitFor([&] { return dialog.StatusText() == "Uploading..."; }, 20000));
    EXPECT_FALSE(ControlEnabled(d, IDC_TITLE));
    EXPECT_TRUE(ControlVisible(d, IDC_STOP));
    EXPECT_FALSE(WritePicture(d, "corrin_uploading.png").empty());
    const auto before = std::chrono::steady_clock::now();
    ClickButton(d, IDC_STOP);
    // Stop waits for the library's thread: a stalled transfer would otherwise hold for 30 s.
    EXPECT_LT(std::chrono::steady_clock::now() - before, 10s);
    EXPECT_TRUE(WaitFor([&] { return dialog.StatusText() == "Status : Upload interrupted by user."; }, 5000));
    EXPECT_FALSE(dialog.IsBound());
    EXPECT_FALSE(WritePicture(d, "corrin_stopped.png").empty());
    // Saved with the box checked, the account comes back whole.
    CheckDlgButton(d, IDC_SAVE_USER_INFO, BST_CHECKED);
    TypeInto(d, IDC_PASSWORD, "pässwörd\xfe");
    ClickButton(d, IDC_EXIT);
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  EXPECT_FALSE(stalled->Complete());
  EXPECT_EQ("pässwörd\xfe", LoadPassword(HKEY_CURRENT_USER, kCorrinKey));
  std::string user;
  ReadRegString(HKEY_CURRENT_USER, kCorrinKey, "Username", user, nullptr);
  EXPECT_EQ("ada", user);

  CCorrinDlg again(images_, true);
  WhenDialogShows([&](HWND d) {
    EXPECT_EQ("pässwörd\xfe", ControlText(d, IDC_PASSWORD));
    EXPECT_EQ(BST_CHECKED, ButtonState(d, IDC_SAVE_USER_INFO));
    EXPECT_FALSE(WritePicture(d, "corrin_compact.png").empty());
    CheckDlgButton(d, IDC_SAVE_USER_INFO, BST_UNCHECKED);
    ClickButton(d, IDC_CLOSE);
  });
  EXPECT_EQ(IDCANCEL, again.DoModal());
  EXPECT_TRUE(again.IsCompact());
  // Not to be kept: the password is gone.
  EXPECT_EQ("", LoadPassword(HKEY_CURRENT_USER, kCorrinKey));
}

TEST_F(CorrinDialogTest, AnUnknownFailureIsRetriedThreeTimesAndBrokenLibrariesSaySo) {
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kCorrinKey, "FilePath", clip_));
  CCorrinDlg dialog(images_, false);
  dialog.m_strUploaderLibrary = VIDARRO_TEST_BINARY_DIR "/FakeTovrin.so";
  ::setenv("VIDARRO_UPLOAD_URL", "http://127.0.0.1:9", 1);
  std::vector<std::string> retries;
  WhenDialogShows([&](HWND d) {
    Fill(d);
    ClickButton(d, IDC_UPLOAD);
    for (int i = 0; i < 4; ++i) {
      SendMessage(d, WM_UPLOAD_NOTIFY, TOVRIN_FINISHED, MAKELPARAM(0, 1234));
      retries.push_back(dialog.StatusText());
    }
    EXPECT_EQ(4, dialog.Uploads());
    EXPECT_TRUE(ControlVisible(d, IDC_UPLOAD));
    EXPECT_FALSE(dialog.IsBound());
    EXPECT_FALSE(WritePicture(d, "corrin_unknown_cause.png").empty());

    ClickButton(d, IDC_UPLOAD);
    SendMessage(d, WM_UPLOAD_NOTIFY, TOVRIN_FINISHED, MAKELPARAM(0, TOVRIN_FAILED));
    EXPECT_EQ("Status : Error (failed to upload)", dialog.StatusText());
    EXPECT_FALSE(WritePicture(d, "corrin_failed.png").empty());
    ClickButton(d, IDC_UPLOAD);
    SendMessage(d, WM_UPLOAD_NOTIFY, 55, 0);
    EXPECT_EQ("Status: Error....", dialog.StatusText());

    dialog.m_strUploaderLibrary = VIDARRO_TEST_BINARY_DIR "/FakeTovrinWithoutStop.so";
    ClickButton(d, IDC_UPLOAD);
    EXPECT_TRUE(Saw(dialog, "Failed to load necessary program file(s)."));
    EXPECT_EQ("Status : error... failed to load necessary program file(s).", dialog.StatusText());
    ClickButton(d, IDC_STOP);
    dialog.m_strUploaderLibrary = "Missing.dll";
    ClickButton(d, IDC_UPLOAD);
    EXPECT_TRUE(Saw(dialog, "Failed to initialize necessary program file(s)."));
    EXPECT_EQ("Status : error... failed to load necessary program file(s).", dialog.StatusText());
    EXPECT_FALSE(WritePicture(d, "corrin_library_missing.png").empty());
    ClickButton(d, IDC_STOP);
    ClickButton(d, IDC_EXIT);
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  ASSERT_EQ(4u, retries.size());
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ("Status : Upload interrupted by unknown cause.  Retry [" + std::to_string(3 - i) + "]", retries[i]);
}

TEST_F(CorrinDialogTest, EnterWalksTheFieldsAndTheAboutBoxOpensFromTheSystemMenu) {
  CCorrinDlg dialog(images_, false);
  std::vector<int> walked;
  std::string about;
  WhenDialogShows([&](HWND d) {
    ::SetFocus(GetDlgItem(d, IDC_USERNAME));
    Pump();
    // Enter reaches a dialog as its OK command.
    for (int i = 0; i < 7; ++i) {
      SendMessage(d, WM_COMMAND, IDOK, 0);
      Pump();
      walked.push_back(GetDlgCtrlID(::GetFocus()));
    }
    SendMessage(d, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(IsWindowVisible(d));
    PostMessage(d, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    Pump();
  });
  WhenDialogShows([&](HWND d) {
    about = WindowText(d);
    ClickButton(d, IDOK);
  });
  WhenDialogShows([&](HWND d) {
    // The other editor's progress and its end start the upload of its file.
    SendMessage(d, WM_EDITOR_CONVERSION, 200, 40);
    EXPECT_EQ("Video conversion status - 40 %", dialog.StatusText());
    EXPECT_EQ(40, dialog.ProgressPos());
    SendMessage(d, WM_EDITOR_CONVERSION, 300, 0);
    EXPECT_EQ("Status : Video conversion interrupted by unknown cause.", dialog.StatusText());
    ClickButton(d, IDC_EXIT);
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  EXPECT_EQ((std::vector<int>{IDC_PASSWORD, IDC_TITLE, IDC_DESCRIPTION, IDC_KEYWORDS, IDC_CATEGORY, IDC_BROADCAST,
                              IDC_BROWSE}),
            walked);
  EXPECT_EQ("About Corrin", about);
}

TEST_F(CorrinDialogTest, WithoutASafeAddressNothingIsSentAndTheUserIsToldWhere) {
  uploadtest::UploadServer server;
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kCorrinKey, "FilePath", clip_));
  CCorrinDlg dialog(images_, false);
  WhenDialogShows([&](HWND d) {
    Fill(d);
    ClickButton(d, IDC_UPLOAD);
    ASSERT_EQ(1u, boxes_.Count());
    EXPECT_EQ("Publish - YouTube", boxes_.Last().caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), boxes_.Last().flags & MB_ICONMASK);
    EXPECT_NE(std::string::npos, boxes_.Last().text.find("\"UploadUrl\""));
    EXPECT_NE(std::string::npos, boxes_.Last().text.find("VIDARRO_UPLOAD_URL"));
    EXPECT_EQ(0, dialog.Uploads());
    EXPECT_EQ("Holiday", ControlText(d, IDC_TITLE));
    EXPECT_TRUE(ControlEnabled(d, IDC_TITLE));
    EXPECT_TRUE(ControlVisible(d, IDC_UPLOAD));
    EXPECT_FALSE(ControlVisible(d, IDC_STOP));

    // Plain http leaves this computer only over https.
    ::setenv("VIDARRO_UPLOAD_URL", "http://192.0.2.1/upload", 1);
    ClickButton(d, IDC_UPLOAD);
    ASSERT_EQ(2u, boxes_.Count());
    EXPECT_NE(std::string::npos, boxes_.Last().text.find("http://192.0.2.1/upload"));
    EXPECT_NE(std::string::npos, boxes_.Last().text.find("unencrypted"));
    EXPECT_FALSE(dialog.IsBound());
    EXPECT_EQ(0, dialog.Uploads());

    // An address set but of another kind is named as refused, not taken for none.
    for (const char* refused : {"file:///tmp/uploads", "ftp://127.0.0.1/up"}) {
      ::setenv("VIDARRO_UPLOAD_URL", refused, 1);
      const std::size_t before = boxes_.Count();
      ClickButton(d, IDC_UPLOAD);
      ASSERT_EQ(before + 1, boxes_.Count());
      EXPECT_EQ(0u, boxes_.Last().text.find(std::string("This upload address is not allowed: ") + refused))
          << boxes_.Last().text;
      EXPECT_EQ(0, dialog.Uploads());
      EXPECT_TRUE(ControlVisible(d, IDC_UPLOAD));
    }
    ::unsetenv("VIDARRO_UPLOAD_URL");

    // The stored value alone is enough.
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kCorrinKey, kUploadUrlValue, server.Url()));
    ClickButton(d, IDC_UPLOAD);
    EXPECT_TRUE(WaitFor([&] { return dialog.StatusText() == "Status : Upload Complete."; }, 20000));
    ClickButton(d, IDC_EXIT);
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  EXPECT_EQ(4u, boxes_.Count());
  EXPECT_EQ(1, server.Opens());
  EXPECT_TRUE(server.Complete());
}

// The service answers with an upload address on another port: the window names it, and the
// video goes nowhere.
TEST_F(CorrinDialogTest, AnUploadAddressElsewhereEndsTheUploadNamingIt) {
  uploadtest::UploadServer elsewhere;
  uploadtest::ServerScript script;
  script.location = elsewhere.Url() + "/upload/1";
  uploadtest::UploadServer server(script);
  ::setenv("VIDARRO_UPLOAD_URL", server.Url().c_str(), 1);
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kCorrinKey, "FilePath", clip_));
  CCorrinDlg dialog(images_, false);
  WhenDialogShows([&](HWND d) {
    Fill(d);
    ClickButton(d, IDC_UPLOAD);
    const std::string expected =
        "Status : Error (the service asked for the video to go to another address: " + script.location +
        "; nothing was sent there)";
    EXPECT_TRUE(WaitFor([&] { return dialog.StatusText() == expected; }, 20000)) << dialog.StatusText();
    // Not an unknown cause to retry: the upload has ended.
    EXPECT_TRUE(WaitFor([&] { return ControlVisible(d, IDC_UPLOAD) && !ControlVisible(d, IDC_STOP); }, 5000));
    EXPECT_FALSE(dialog.IsBound());
    ClickButton(d, IDC_EXIT);
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  EXPECT_EQ(1, server.Opens());
  EXPECT_EQ(0, server.FileRequests());
  EXPECT_EQ(0, elsewhere.Connections());
}

TEST_F(CorrinDialogTest, InEditorModeNoRenderIsAskedForWithoutAnAddress) {
  CCorrinDlg dialog(images_, false);
  dialog.m_bEditorMode = true;
  dialog.m_strCmdFile = "My Project";
  WhenDialogShows([&](HWND d) {
    Fill(d);
    ::SetWindowText(GetDlgItem(d, IDC_FILE_PATH), "My Project");
    // The message as the user sees it.
    platform::MessageBoxHandler recorder = platform::SetMessageBoxHandler(platform::ShowMessageBoxDialog);
    bool shown = false;
    WhenDialogShows([&](HWND box) {
      shown = true;
      EXPECT_EQ("Publish - YouTube", WindowText(box));
      EXPECT_FALSE(WritePicture(box, "corrin_no_address_message.png").empty());
      ClickButton(box, IDOK);
    });
    ClickButton(d, IDC_UPLOAD);
    platform::SetMessageBoxHandler(recorder);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(dialog.IsWaitingForRender());
    EXPECT_TRUE(ControlEnabled(d, IDC_TITLE));
    EXPECT_FALSE(WritePicture(d, "corrin_no_address.png").empty());
    ClickButton(d, IDC_EXIT);
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  for (const std::string& status : dialog.StatusHistory())
    EXPECT_EQ(std::string::npos, status.find("Video conversion status")) << status;
}

TEST_F(CorrinDialogTest, TheCategoryFaceShowsAnAmpersandAsItself) {
  CCorrinDlg dialog(images_, false);
  WhenDialogShows([&](HWND d) {
    HWND combo = GetDlgItem(d, IDC_CATEGORY);
    ::SendMessage(combo, CB_SETCURSEL, 5, 0);
    ::InvalidateRect(combo, nullptr, TRUE);
    Pump();
    EXPECT_EQ("Travel & Events", ComboSelection(d, IDC_CATEGORY));
    EXPECT_FALSE(WritePicture(d, "corrin_category_travel.png").empty());
    // The face's ink left of the arrow: words and free-standing glyphs.
    RECT face{};
    ::GetClientRect(combo, &face);
    face.right -= 24;
    const std::vector<InkRun> runs = InkRuns(combo, face, testkit::Pixel(combo, 2, 2));
    // "Travel", "&", "Events": the middle one a glyph of its own height, not a one-row underscore.
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_GE(runs[1].bottom - runs[1].top, 5);
    ClickButton(d, IDC_EXIT);
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
}

}  // namespace
