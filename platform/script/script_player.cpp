#include "platform/script/script_player.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "platform/base/paths.h"
#include "platform/script/user_actions.h"
#include "platform/shell/file_dialog.h"
#include "platform/shell/folder_browser.h"
#include "platform/window/input.h"
#include "platform/window/message_box_dialog.h"
#include "platform/window/messages.h"
#include "platform/window/paint.h"
#include "platform/window/window.h"
#include "platform/window/window_surface.h"

namespace platform::script {
namespace {

using Clock = std::chrono::steady_clock;

constexpr UINT kRunTask = WM_APP + 0x3A1;
// How long a window must stay gone before a wait for its end is done.
constexpr auto kGoneSettle = std::chrono::seconds(1);
constexpr auto kPoll = std::chrono::milliseconds(50);
// How long the program's own ending waits for the player, and how long a failed script waits
// for the program to end before it is ended outright.
constexpr auto kStopWait = std::chrono::seconds(3);
constexpr auto kEndWait = std::chrono::seconds(10);
constexpr const char* kRunnerClass = "VidarroScriptRunner";
constexpr const char* kNoAnswer = "the program did not answer";

enum class Try { kNotYet, kDone, kFailed };

// Filled in on the program's thread; shared, so a task still running when its caller gave up
// writes into memory that is still there.
struct Task {
  std::function<Try(Task&)> fn;
  Try result = Try::kNotYet;
  std::string why;
  HWND acted = nullptr;
};

void AppendLine(const std::string& file, const std::string& line) {
  if (file.empty()) return;
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  const std::string text = line + "\n";
  const ssize_t written = ::write(fd, text.data(), text.size());  // one write: lines never mix
  (void)written;
  ::close(fd);
}

std::string Slug(const std::string& name) {
  std::string out;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u)) out += static_cast<char>(std::tolower(u));
    else if (!out.empty() && out.back() != '-') out += '-';
  }
  while (!out.empty() && out.back() == '-') out.pop_back();
  return out.empty() ? "step" : out;
}

bool OwnWindow(HWND hwnd) {
  DWORD pid = 0;
  return hwnd && GetWindowThreadProcessId(hwnd, &pid) && pid == static_cast<DWORD>(::getpid());
}

// A control anywhere inside a window (pages are dialogs inside dialogs), the direct one first.
// Pages the user has left stay behind the shown one and reuse its numbers: a shown control
// goes before a hidden one of the same number.
HWND ControlIn(HWND top, int id) {
  if (!top) return nullptr;
  HWND direct = GetDlgItem(top, id);
  if (direct && IsWindowVisible(direct)) return direct;
  struct Search {
    int id;
    HWND first;
    HWND shown;
  } search{id, direct, nullptr};
  EnumChildWindows(
      top,
      [](HWND h, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        if (GetDlgCtrlID(h) != s->id) return TRUE;
        if (!s->first) s->first = h;
        if (!IsWindowVisible(h)) return TRUE;
        s->shown = h;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.shown ? search.shown : search.first;
}

// Shown top-level windows of this thread that have a control of that id, in z-order.
std::vector<HWND> WindowsWith(int id) {
  struct Found {
    int id;
    std::vector<HWND> windows;
  } found{id, {}};
  EnumWindows(
      [](HWND h, LPARAM p) -> BOOL {
        auto* f = reinterpret_cast<Found*>(p);
        if (IsWindowVisible(h) && OwnWindow(h) && GetDlgItem(h, f->id)) f->windows.push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found.windows;
}

}  // namespace

struct ScriptPlayer::State {
  std::vector<Step> steps;
  PlayerOptions options;
  DWORD uiThread = 0;
  std::atomic<HWND> runner{nullptr};
  std::atomic<bool> stopping{false};
  std::atomic<bool> finished{false};
  std::atomic<bool> failed{false};
  std::atomic<std::size_t> done{0};
  std::atomic<bool> reportedFinish{false};
  std::mutex mu;
  std::map<LPARAM, std::shared_ptr<Task>> tasks;
  LPARAM nextTask = 1;
  // Only the player thread uses these.
  HWND current = nullptr;
  std::set<HWND> answered;
  std::optional<Clock::time_point> goneSince;

  // Runs fn on the program's thread; its result kNotYet when it could not run before the deadline.
  std::shared_ptr<Task> OnUi(std::function<Try(Task&)> fn, Clock::time_point deadline) {
    auto task = std::make_shared<Task>();
    task->fn = std::move(fn);
    LPARAM id = 0;
    {
      std::lock_guard lock(mu);
      id = nextTask++;
      tasks[id] = task;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    DWORD_PTR ignored = 0;
    SendMessageTimeout(runner.load(), kRunTask, 0, id, SMTO_NORMAL, static_cast<UINT>(std::max<long long>(left, 1)),
                       &ignored);
    std::lock_guard lock(mu);
    tasks.erase(id);  // a task not yet run never runs late
    return task;
  }

  static LRESULT RunnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != kRunTask) return DefWindowProc(hwnd, msg, wParam, lParam);
    auto* self = reinterpret_cast<State*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
    std::shared_ptr<Task> task;
    if (self) {
      std::lock_guard lock(self->mu);
      const auto it = self->tasks.find(lParam);
      if (it != self->tasks.end()) task = it->second;
    }
    if (task) task->result = task->fn(*task);
    return 0;
  }

  // The window actions act on: the one waited for, else the program's active window. A waited
  // window disabled behind a modal dialog hands the actions to that dialog.
  static HWND ActingWindow(HWND waited) {
    return IsWindow(waited) && IsWindowEnabled(waited) ? waited : GetActiveWindow();
  }

  Try Once(const Action& a, std::string* why) {
    switch (a.verb) {
      case Verb::kWaitWindow: {
        // A message box just answered may share the title and linger until its click is taken:
        // it is on its way out, never the window the next steps mean.
        HWND found = nullptr;
        for (HWND h = FindWindowEx(nullptr, nullptr, nullptr, a.text.c_str()); h && !found;
             h = FindWindowEx(nullptr, h, nullptr, a.text.c_str()))
          if (!answered.count(h)) found = h;
        if (!found) {
          found = FindWindow(nullptr, a.text.c_str());
          if (found && answered.count(found)) found = nullptr;
        }
        if (!found) {
          *why = "no window \"" + a.text + "\" showed";
          return Try::kNotYet;
        }
        if (OwnWindow(found)) current = found;
        return Try::kDone;
      }
      case Verb::kWaitGone: {
        *why = "the window \"" + a.text + "\" stayed";
        if (FindWindow(nullptr, a.text.c_str())) {
          goneSince.reset();
          return Try::kNotYet;
        }
        // Another program busy past the window transport's probe looks gone for a moment: gone
        // counts once it stays so, or once this program is ending anyway.
        const auto now = Clock::now();
        if (!goneSince) goneSince = now;
        return stopping || now - *goneSince >= kGoneSettle ? Try::kDone : Try::kNotYet;
      }
      default: break;
    }
    const Action action = a;
    const HWND current0 = current;
    const std::set<HWND> answered0 = answered;
    const auto task =
        OnUi([action, current0, answered0](
                 Task& t) { return OnProgramThread(action, ActingWindow(current0), answered0, &t.acted, &t.why); },
             deadline_);
    const Try result = task->result;
    *why = task->why;
    if (result == Try::kDone && task->acted) {
      if (action.verb == Verb::kWaitMessage) current = task->acted;
      else answered.insert(task->acted);
    }
    if (result == Try::kNotYet && why->empty()) *why = kNoAnswer;
    return result;
  }

  static Try OnProgramThread(const Action& a, HWND target, const std::set<HWND>& answered, HWND* acted,
                             std::string* why) {
    const std::string control = "control " + std::to_string(a.id);
    // A window still disabled by a closing modal dialog drops clicks: they wait for it.
    auto usable = [&](HWND c) {
      return c && IsWindowVisible(c) && IsWindowEnabled(c) && IsWindowEnabled(GetAncestor(c, GA_ROOT));
    };
    // Input is routed when it is made: while an earlier click is still queued a window may hold
    // the capture halfway through it, and new input would go there. New input waits for it, and
    // so does a choice: made at once, it would change the list under a click still on its way.
    const bool waitsForInput = a.verb == Verb::kClick || a.verb == Verb::kType || a.verb == Verb::kKey ||
                               a.verb == Verb::kChoose || a.verb == Verb::kDrag;
    if (waitsForInput && GetQueueStatus(QS_KEY | QS_MOUSEBUTTON) != 0) {
      *why = "earlier input was still queued";
      return Try::kNotYet;
    }
    switch (a.verb) {
      case Verb::kClick: {
        HWND c = ControlIn(target, a.id);
        if (!usable(c)) {
          *why = c ? control + " stayed hidden or disabled" : "no " + control + " showed";
          return Try::kNotYet;
        }
        ClickWindow(c);
        return Try::kDone;
      }
      case Verb::kType:
      case Verb::kKey: {
        HWND c = ControlIn(target, a.id);
        if (!usable(c)) {
          *why = c ? control + " stayed hidden or disabled" : "no " + control + " showed";
          return Try::kNotYet;
        }
        const bool done =
            a.verb == Verb::kType ? TypeIntoControl(GetParent(c), a.id, a.text) : PressKeyOn(GetParent(c), a.id, a.key);
        return done ? Try::kDone : Try::kNotYet;
      }
      case Verb::kChoose: {
        HWND c = ControlIn(target, a.id);
        *why = c ? control + " never held \"" + a.text + "\"" : "no " + control + " showed";
        return c && ChooseListItem(c, a.text) ? Try::kDone : Try::kNotYet;
      }
      case Verb::kDrag: {
        HWND c = ControlIn(target, a.id);
        HWND onto = ControlIn(target, a.target);
        if (!usable(c) || !usable(onto)) {
          *why = "control " + std::to_string(usable(c) ? a.target : a.id) + " stayed hidden or disabled";
          return Try::kNotYet;
        }
        *why = control + " never held \"" + a.text + "\"";
        return DragListRowOnto(c, a.text, onto) ? Try::kDone : Try::kNotYet;
      }
      case Verb::kWaitText: {
        HWND c = ControlIn(target, a.id);
        const std::string text = TextOf(c);
        *why = control + " showed \"" + text + "\", not \"" + a.text + "\"";
        return c && text.find(a.text) != std::string::npos ? Try::kDone : Try::kNotYet;
      }
      case Verb::kWaitRow: {
        const std::vector<std::string> row = ListViewRowTexts(ControlIn(target, a.id), a.text);
        std::string shown;
        for (const std::string& cell : row) shown += (shown.empty() ? "" : " | ") + cell;
        *why = row.empty() ? control + " held no row \"" + a.text + "\""
                           : control + "'s row showed \"" + shown + "\", not \"" + a.cell + "\"";
        for (const std::string& cell : row)
          if (cell.find(a.cell) != std::string::npos) return Try::kDone;
        return Try::kNotYet;
      }
      case Verb::kWaitShown:
      case Verb::kWaitHidden: {
        HWND c = ControlIn(target, a.id);
        const bool shown = c && IsWindowVisible(c);
        const bool wanted = a.verb == Verb::kWaitShown;
        *why = control + (wanted ? " stayed hidden" : " stayed shown");
        return shown == wanted ? Try::kDone : Try::kNotYet;
      }
      case Verb::kWaitEnabled: {
        *why = control + " stayed disabled";
        return usable(ControlIn(target, a.id)) ? Try::kDone : Try::kNotYet;
      }
      case Verb::kWaitMessage:
      case Verb::kAnswer: {
        for (HWND box : WindowsWith(kMessageBoxTextId)) {
          if (answered.count(box)) continue;
          const std::string says = TextOf(GetDlgItem(box, kMessageBoxTextId));
          if (a.verb == Verb::kWaitMessage) {
            if (says.find(a.text) == std::string::npos) continue;
            *acted = box;
            return Try::kDone;
          }
          if (says.find(a.text) == std::string::npos) {
            *why = "the message box says \"" + says + "\"";
            return Try::kFailed;
          }
          HWND button = GetDlgItem(box, a.id);
          if (!usable(button)) {
            *why = "the message box \"" + says + "\" has no button " + std::to_string(a.id);
            return Try::kFailed;
          }
          ClickWindow(button);
          *acted = box;
          return Try::kDone;
        }
        *why = a.verb == Verb::kWaitMessage ? "no message box said \"" + a.text + "\"" : "no message box showed";
        return Try::kNotYet;
      }
      case Verb::kAnswerFile:
      case Verb::kAnswerFolder: {
        const bool file = a.verb == Verb::kAnswerFile;
        for (HWND dialog : WindowsWith(file ? kFileNameEditId : kFolderTreeId)) {
          if (answered.count(dialog)) continue;
          if (file) {
            TypeIntoControl(dialog, kFileNameEditId, a.text);
          } else {
            SendMessage(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(a.text.c_str()));
          }
          if (HWND ok = GetDlgItem(dialog, IDOK)) ClickWindow(ok);
          *acted = dialog;
          return Try::kDone;
        }
        *why = file ? "no file dialog showed" : "no folder browser showed";
        return Try::kNotYet;
      }
      case Verb::kMenu:
        if (!target || !IsWindowEnabled(target)) {
          *why = target ? "the window stayed disabled" : "no window to choose a command in";
          return Try::kNotYet;
        }
        // What choosing the item does: the command reaches the menu's window.
        PostMessage(target, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(a.id), 0), 0);
        return Try::kDone;
      case Verb::kClose:
        if (!target) {
          *why = "no window to close";
          return Try::kNotYet;
        }
        PostMessage(target, WM_CLOSE, 0, 0);
        return Try::kDone;
      default: return Try::kFailed;
    }
  }

  // After a failed step, the window in front (a message box, say) tells what stopped it.
  void Picture(std::size_t index, const Step& step, bool failedStep = false) {
    if (options.pictureFolder.empty()) return;
    char number[16];
    std::snprintf(number, sizeof number, "%02zu", index + 1);
    const std::string path = WithTrailingSlash(options.pictureFolder) + Slug(options.program) + "-" + number + "-" +
                             Slug(step.name) + (failedStep ? "-failed" : "") + ".png";
    const HWND current0 = current;
    OnUi(
        [current0, path, failedStep](Task&) {
          HWND active = failedStep ? GetActiveWindow() : nullptr;
          HWND window = active && IsWindowVisible(active) ? active : IsWindow(current0) ? current0 : GetActiveWindow();
          if (!window || !IsWindowVisible(window)) return Try::kDone;
          std::error_code ec;
          std::filesystem::create_directories(FolderOf(path), ec);
          UpdateWindow(window);
          WriteWindowPng(window, path);
          return Try::kDone;
        },
        Clock::now() + std::chrono::seconds(5));
  }

  void Fail(const Step& step, const std::string& why) {
    failed = true;
    std::fprintf(stderr, "script: %s: step \"%s\" failed: %s\n", options.program.c_str(), step.name.c_str(),
                 why.c_str());
    AppendLine(options.reportFile, options.program + "\tfailed\t" + step.name + "\t" + why);
  }

  void Play() {
    for (std::size_t i = 0; i < steps.size(); ++i) {
      const Step& step = steps[i];
      deadline_ = Clock::now() + std::chrono::milliseconds(step.limitMs);
      bool stepDone = true;
      for (const Action& action : step.actions) {
        // Once the program is ending only waits on the windows of the session can still be
        // done: a script may wait for its own program's window to go.
        const bool needsProgram = action.verb != Verb::kWaitWindow && action.verb != Verb::kWaitGone;
        std::string why;
        Try result = Try::kNotYet;
        goneSince.reset();
        for (;;) {
          if (stopping && needsProgram) break;
          std::string now;
          result = Once(action, &now);
          // An attempt cut short by the deadline keeps the reason the one before found.
          if (now != kNoAnswer || why.empty()) why = now;
          if (result != Try::kNotYet || Clock::now() >= deadline_ || stopping) break;
          std::this_thread::sleep_for(kPoll);
        }
        if (result == Try::kDone) continue;
        stepDone = false;
        if (stopping) break;  // the program's end reports the step
        char limit[32] = "";
        if (result == Try::kNotYet) std::snprintf(limit, sizeof limit, " within %g s", step.limitMs / 1000.0);
        Fail(step, "line " + std::to_string(action.line) + ": " + why + limit);
        Picture(i, step, true);
        EndProgram();
        finished = true;
        return;
      }
      if (!stepDone) break;
      ++done;
      AppendLine(options.reportFile, options.program + "\tdone\t" + step.name);
      if (!stopping) Picture(i, step);
    }
    if (done == steps.size()) ReportFinished();
    finished = true;
  }

  // Once, by whichever comes first: the player or the program's end after the last step.
  void ReportFinished() {
    if (reportedFinish.exchange(true)) return;
    std::fprintf(stderr, "script: %s: %zu of %zu steps done\n", options.program.c_str(), done.load(), steps.size());
    AppendLine(options.reportFile, options.program + "\tfinished\t" + std::to_string(steps.size()));
  }

  // A failed script ends its program: asked first, then outright.
  void EndProgram() {
    PostThreadMessage(uiThread, WM_QUIT, kScriptFailedExitCode, 0);
    const auto until = Clock::now() + kEndWait;
    while (!stopping && Clock::now() < until) std::this_thread::sleep_for(kPoll);
    if (!stopping) std::_Exit(kScriptFailedExitCode);
  }

  Clock::time_point deadline_{};
};

ScriptPlayer::ScriptPlayer(std::vector<Step> steps, PlayerOptions options) : state_(std::make_shared<State>()) {
  state_->steps = std::move(steps);
  state_->options = std::move(options);
  state_->uiThread = GetCurrentThreadId();
  static const bool registered = [] {
    WNDCLASS wc{};
    wc.lpfnWndProc = State::RunnerProc;
    wc.lpszClassName = kRunnerClass;
    return RegisterClass(&wc) != 0;
  }();
  (void)registered;
  HWND runner = CreateWindowEx(0, kRunnerClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  SetWindowLongPtr(runner, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state_.get()));
  state_->runner = runner;
  auto state = state_;
  std::thread([state] { state->Play(); }).detach();
}

ScriptPlayer::~ScriptPlayer() { Stop(0); }

int ScriptPlayer::Stop(int exitCode) {
  if (!state_) return exitCode;
  State& s = *state_;
  s.stopping = true;
  // The player may be waiting on this thread: its requests are answered until it lets go.
  const auto until = Clock::now() + kStopWait;
  while (!s.finished && Clock::now() < until) {
    MSG m;
    PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const bool failed = s.failed;
  if (!failed && s.done < s.steps.size()) {
    s.failed = true;
    s.Fail(s.steps[s.done], "the program ended first");
  } else if (!failed) {
    s.ReportFinished();
  }
  if (HWND runner = s.runner.exchange(nullptr)) {
    SetWindowLongPtr(runner, GWLP_USERDATA, 0);
    DestroyWindow(runner);
  }
  const int code = s.failed ? kScriptFailedExitCode : exitCode;
  state_.reset();
  return code;
}

void ScriptPlayer::ReportUnplayable(const PlayerOptions& options, const std::string& why) {
  std::fprintf(stderr, "script: %s: %s\n", options.program.c_str(), why.c_str());
  AppendLine(options.reportFile, options.program + "\tfailed\tthe script\t" + why);
}

}  // namespace platform::script
