// The burner pack's window, the Burn step: the disc project (titles with Add, Move Up, Move Down
// and Remove; disc name, disc kind, writer or "Image file", chapters), a size meter against the
// medium, the Burn button, and under them the progress of a burn (phase, bar, Cancel) and how the
// last burn ended. The pack decides; the view shows and reports the user's commands.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/base/win_types.h"

namespace studio::packs {

class BurnView {
 public:
  // Control ids, unique in the main window so that scripts reach them.
  static constexpr int kTitlesId = 2201;
  static constexpr int kAddId = 2202;
  static constexpr int kUpId = 2203;
  static constexpr int kDownId = 2204;
  static constexpr int kRemoveId = 2205;
  static constexpr int kNameId = 2206;
  static constexpr int kKindId = 2207;
  static constexpr int kWriterId = 2208;
  static constexpr int kMediumId = 2209;
  static constexpr int kChaptersId = 2210;
  static constexpr int kMeterId = 2211;
  static constexpr int kSizeId = 2212;
  static constexpr int kBurnId = 2213;
  static constexpr int kPhaseId = 2214;
  static constexpr int kBarId = 2215;
  static constexpr int kCancelId = 2216;
  static constexpr int kSystemId = 2217;
  static constexpr int kTitleNameId = 2218;
  // The status line before any burn of the project.
  static constexpr const char* kReadyText = "Ready to burn.";

  BurnView() = default;
  ~BurnView();
  BurnView(const BurnView&) = delete;
  BurnView& operator=(const BurnView&) = delete;

  bool Create(DWORD style, const RECT& area, HWND parent);
  void Destroy();
  HWND Window() const { return window_; }
  void Move(const RECT& area);

  void SetTitles(const std::vector<std::string>& rows, int selected);
  int SelectedTitle() const;
  void SetKinds(const std::vector<std::string>& names, int selected);
  int SelectedKind() const;
  void SetWriters(const std::vector<std::string>& names, int selected);
  int SelectedWriter() const;
  void SetMedium(const std::string& text);
  // The TV system the disc is made in: "TV system: NTSC" or "TV system: PAL", beside the disc kind.
  void SetSystem(bool ntsc);
  void SetDiscName(const std::string& name);
  std::string DiscName() const;
  // The chosen title's name (its menu button's text); empty and off with no title chosen.
  void SetTitleName(const std::string& name, bool offered);
  std::string TitleName() const;
  void SetChapterMinutes(int minutes);
  // The typed number; -1 when it is none.
  int ChapterMinutes() const;
  // The size meter: the disc's estimated bytes against the medium's, in percent, and its words.
  void SetMeter(int percent, bool over, const std::string& text);
  // Chapters are offered only for the kinds that have them.
  void SetChaptersOffered(bool offered);
  // While a burn runs the project cannot be changed and Burn is off.
  void SetBurning(bool burning);

  // While a burn runs: its phase and percent, Cancel enabled.
  void ShowProgress(const std::string& phase, int percent);
  // After a burn: its end ("Burning complete." or the reason), Cancel disabled.
  void ShowEnd(const std::string& text, bool burned);

  std::function<void(UINT message)> onMessage;
  // A control's command: its id and notification code.
  std::function<void(int id, int code)> onCommand;

 private:
  static LRESULT Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void Layout();
  HWND Item(int id) const;

  HWND window_ = nullptr;
  bool filling_ = false;
  bool chaptersOffered_ = true;
  bool titleNameOffered_ = false;  // the pack sets a control: its change notifications are not the user's
};

}  // namespace studio::packs
