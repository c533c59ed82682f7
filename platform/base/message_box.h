// The message box facade. The window system shows real boxes by installing a handler; tests
// install a MessageBoxRecorder. With no handler the text goes to stderr and the box is
// answered the way dismissing it would be.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/win_types.h"

// Buttons.
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_RETRYCANCEL = 0x00000005;
constexpr UINT MB_CANCELTRYCONTINUE = 0x00000006;
// Icons.
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONASTERISK = 0x00000040;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
// Default button and modality.
constexpr UINT MB_DEFBUTTON1 = 0x00000000;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_DEFBUTTON3 = 0x00000200;
constexpr UINT MB_DEFBUTTON4 = 0x00000300;
constexpr UINT MB_APPLMODAL = 0x00000000;
constexpr UINT MB_SYSTEMMODAL = 0x00001000;
constexpr UINT MB_TASKMODAL = 0x00002000;
constexpr UINT MB_SETFOREGROUND = 0x00010000;
constexpr UINT MB_TOPMOST = 0x00040000;
constexpr UINT MB_TYPEMASK = 0x0000000F;
constexpr UINT MB_ICONMASK = 0x000000F0;
constexpr UINT MB_DEFMASK = 0x00000F00;

// Answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDTRYAGAIN = 10;
constexpr int IDCONTINUE = 11;

int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags);

namespace platform {

using MessageBoxHandler =
    std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT flags)>;

// Installs the handler that shows boxes (an empty one removes it); returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// The answer when nobody chooses: what closing the box gives (IDOK for a lone OK, IDCANCEL when
// there is a Cancel button, IDNO for Yes/No, IDABORT for Abort/Retry/Ignore).
int DismissAnswer(UINT flags);

struct MessageBoxCall {
  HWND owner = nullptr;
  std::string text;
  std::string caption;
  UINT flags = 0;
};

// Records every box shown while it lives and answers from a queue of scripted answers, then
// with DismissAnswer. Restores the previous handler when destroyed.
class MessageBoxRecorder {
 public:
  MessageBoxRecorder();
  ~MessageBoxRecorder();
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

  void QueueAnswer(int answer);
  std::vector<MessageBoxCall> Calls() const;
  std::size_t Count() const;
  // The most recent call; an empty call when there is none.
  MessageBoxCall Last() const;
  void Clear();

 private:
  // Shared with the installed handler, so a box still being answered on another thread when
  // the recorder goes away never touches freed memory.
  struct State {
    std::mutex mutex;
    std::vector<MessageBoxCall> calls;
    std::deque<int> answers;
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
  MessageBoxHandler previous_;
};

}  // namespace platform
