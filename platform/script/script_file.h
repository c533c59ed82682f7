// The script of user actions a program plays (VIDARRO_SCRIPT names the file). One line each:
//
//   # a comment line
//   program Parvel                  the steps below are played by the program of that file
//                                   name (without regard to case; "*" for every program)
//   program Lanvik "/NOINTRO"       ... only when started with exactly that command line
//                                   ("" for none), so a program started again plays anew
//   step "Convert the clip" 60      a named step; its actions must all be done within 60 s
//     wait-window "Publish - PSP"   a window of that title shows, in any program of the suite;
//                                   one of this program becomes the window the actions act on
//     click 1012                    clicks the control (waits until it is shown and enabled)
//     type 1003 "ada"               focuses the edit, selects its text and types the text
//     choose 1008 "PSP MPEG-4"      selects the item of a combo or list box, as the user does;
//                                   in a list view the first row whose text starts so
//     key 1116 home                 focuses the control and presses the key (home, end, left,
//                                   right, up, down, pageup, pagedown): a slider is moved so
//     wait-text 1019 "done"         the control's text contains the text
//     wait-row 1000 "Edited" "0:04" the list view's first row whose text starts with the first
//                                   text shows the second in one of its columns
//     wait-shown 1015 / wait-hidden 1015 / wait-enabled 1015
//     wait-message "Replace it?"    a message box saying that shows; it becomes the window
//     answer yes                    the next message box is answered (ok, cancel, yes, no,
//                                   abort, retry, ignore, or a button id); with a text after
//                                   it, the box must say that text
//     answer-file "/clips/a.mpg"    the next file dialog gets the name and is confirmed
//     answer-folder "/clips/"       the next folder browser selects the folder and confirms
//     wait-gone "Publish - PSP"     no window of that title shows any more
//     close                         the window the actions act on is asked to close
//     menu 32771                    the command of that id is chosen from the window's menu
//                                   (popup menus, which a script cannot point at, included)
//     drag 1003 "clip" 2100         the list view's first row whose text starts so is dragged
//                                   with the mouse and dropped on the middle of control 2100
//
// Texts are in double quotes (\" and \\ inside them); numbers are decimal.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform::script {

enum class Verb {
  kWaitWindow,
  kWaitGone,
  kClick,
  kType,
  kChoose,
  kKey,
  kWaitText,
  kWaitRow,
  kWaitShown,
  kWaitHidden,
  kWaitEnabled,
  kWaitMessage,
  kAnswer,
  kAnswerFile,
  kAnswerFolder,
  kClose,
  kMenu,
  kDrag,
};

struct Action {
  Verb verb = Verb::kClick;
  int id = 0;        // control id, or the button of an answer
  std::string text;  // title, text, item, path, or what an answered box must say
  std::string cell;  // what a "wait-row" action's row must show in one of its columns
  int key = 0;       // the virtual key a "key" action presses
  int target = 0;    // the control a "drag" action drops on
  int line = 0;
};

struct Step {
  std::string name;
  int limitMs = 0;
  std::vector<Action> actions;
  int line = 0;
};

// The steps for `program` started with `commandLine`; no value and a reason ("line 4: ...")
// for a malformed script.
std::optional<std::vector<Step>> ParseScript(const std::string& text, const std::string& program,
                                             const std::string& commandLine, std::string* error);

// The button id an answer names ("yes" is IDYES, "6" is 6); 0 when it names none.
int ButtonByName(const std::string& name);
// The virtual key a "key" action names ("home" is VK_HOME); 0 when it names none.
int KeyByName(const std::string& name);

}  // namespace platform::script
