#include "platform/shell/file_operation.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/base/file.h"
#include "platform/base/message_box.h"
#include "platform/base/paths.h"
#include "platform/controls/commctrl.h"
#include "platform/window/dialog.h"
#include "platform/window/input.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> PathList(LPCSTR list) {
  std::vector<std::string> out;
  for (const char* p = list; p && *p; p += out.back().size() + 1) out.emplace_back(p);
  return out;
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// A modeless window with the file's name, a bar and Cancel; pumped between pieces of work.
class Progress {
 public:
  Progress(HWND owner, const char* title, bool shown) {
    if (!shown) return;
    platform::DialogTemplate t;
    t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER | WS_VISIBLE;
    t.caption = title ? title : "Copying...";
    t.cx = 220;
    t.cy = 70;
    platform::DialogItemTemplate text;
    text.className = "Static";
    text.id = platform::kFileProgressTextId;
    text.style = WS_VISIBLE | SS_LEFT | SS_ENDELLIPSIS | SS_NOPREFIX;
    text.x = 7, text.y = 7, text.cx = 206, text.cy = 10;
    t.items.push_back(text);
    platform::DialogItemTemplate bar;
    bar.className = PROGRESS_CLASS;
    bar.id = platform::kFileProgressBarId;
    bar.style = WS_VISIBLE;
    bar.x = 7, bar.y = 22, bar.cx = 206, bar.cy = 10;
    t.items.push_back(bar);
    platform::DialogItemTemplate cancel;
    cancel.className = "Button";
    cancel.text = "Cancel";
    cancel.id = IDCANCEL;
    cancel.style = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
    cancel.x = 163, cancel.y = 49, cancel.cx = 50, cancel.cy = 14;
    t.items.push_back(cancel);
    hwnd_ = CreateDialogIndirectParam(nullptr, t, owner, Proc, reinterpret_cast<LPARAM>(this));
    if (hwnd_) SendDlgItemMessage(hwnd_, platform::kFileProgressBarId, PBM_SETRANGE32, 0, 1000);
  }
  ~Progress() {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void Show(const std::string& file, std::uintmax_t done, std::uintmax_t total) {
    if (!hwnd_) return;
    SetDlgItemText(hwnd_, platform::kFileProgressTextId, file.c_str());
    const auto permille = total ? static_cast<WPARAM>(done * 1000 / total) : 0;
    SendDlgItemMessage(hwnd_, platform::kFileProgressBarId, PBM_SETPOS, permille, 0);
    Pump();
  }

  // Lets the window (and a test's script) run; true once the user pressed Cancel.
  bool Cancelled() {
    Pump();
    return cancelled_;
  }

 private:
  static INT_PTR Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
      SetWindowLongPtr(hwnd, DWLP_USER, lParam);
      return TRUE;
    }
    auto* self = reinterpret_cast<Progress*>(GetWindowLongPtr(hwnd, DWLP_USER));
    if (self && msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
      self->cancelled_ = true;
      return TRUE;
    }
    return FALSE;
  }

  void Pump() {
    if (!hwnd_) return;
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(m.wParam));
        cancelled_ = true;
        return;
      }
      if (IsDialogMessage(hwnd_, &m)) continue;
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
    // Scripted input drives this window like a modal loop's, without ending the work.
    if (platform::InputScriptActive()) platform::RunNextInputStep();
  }

  HWND hwnd_ = nullptr;
  bool cancelled_ = false;
};

class Operation {
 public:
  explicit Operation(SHFILEOPSTRUCT* op)
      : op_(op),
        progress_(op->hwnd, op->lpszProgressTitle,
                  !(op->fFlags & FOF_SILENT) && (op->wFunc == FO_COPY || op->wFunc == FO_MOVE)) {}

  int Run() {
    const std::vector<std::string> sources = PathList(op_->pFrom);
    const std::vector<std::string> targets = PathList(op_->pTo);
    if (sources.empty()) return DE_INVALIDFILES;
    for (const std::string& s : sources) {
      std::error_code ec;
      if (!fs::exists(fs::symlink_status(s, ec))) return Fail(DE_SOURCEMISSING, s + "\nThe file cannot be found.");
    }
    if (op_->wFunc == FO_DELETE) return Delete(sources);
    if (targets.empty()) return DE_INVALIDFILES;
    for (const std::string& s : sources) total_ += Size(s);
    for (size_t i = 0; i < sources.size(); ++i) {
      const std::string dest = Destination(sources, targets, i);
      if (WithoutTrailingSlash(fs::absolute(sources[i]).string()) == WithoutTrailingSlash(fs::absolute(dest).string()))
        return Fail(DE_SAMEFILE, sources[i] + "\nThe source and destination file names are the same.");
      const int r = op_->wFunc == FO_COPY ? Copy(sources[i], dest) : Move(sources[i], dest);
      if (r != 0) return r;
    }
    return 0;
  }

 private:
  static std::uintmax_t Size(const std::string& path) {
    std::error_code ec;
    if (!fs::is_directory(path, ec)) {
      const std::uintmax_t size = fs::file_size(path, ec);
      return ec ? 0 : size;
    }
    std::uintmax_t sum = 0;
    for (const auto& e : fs::recursive_directory_iterator(path, ec))
      if (e.is_regular_file(ec)) sum += e.file_size(ec);
    return sum;
  }

  // Into a folder that exists (or for several sources), each keeps its name; else the target
  // is the new name. FOF_MULTIDESTFILES pairs sources and targets one to one.
  std::string Destination(const std::vector<std::string>& sources, const std::vector<std::string>& targets,
                          size_t i) const {
    std::string target = (op_->fFlags & FOF_MULTIDESTFILES) && i < targets.size() ? targets[i] : targets[0];
    std::error_code ec;
    const bool intoFolder = !(op_->fFlags & FOF_MULTIDESTFILES) && (sources.size() > 1 || fs::is_directory(target, ec));
    if (op_->wFunc == FO_RENAME) return target;
    if (intoFolder) return platform::WithTrailingSlash(target) + platform::FileNameOf(WithoutTrailingSlash(sources[i]));
    return target;
  }

  int Fail(int code, const std::string& text) {
    if (!(op_->fFlags & FOF_NOERRORUI)) MessageBox(op_->hwnd, text, "Error", MB_OK | MB_ICONERROR);
    return code;
  }

  int Abort() {
    op_->fAnyOperationsAborted = TRUE;
    return DE_OPCANCELLED;
  }

  // Replace question for a file that is there already: 1 replace, 0 skip, -1 cancel everything.
  int MayReplace(const std::string& dest) {
    std::error_code ec;
    if (!fs::exists(dest, ec) || fs::is_directory(dest, ec)) return 1;
    if (op_->fFlags & FOF_NOCONFIRMATION) return 1;
    const int answer = MessageBox(op_->hwnd,
                                  "This folder already contains a file named '" + platform::FileNameOf(dest) +
                                      "'.\n\nDo you want to replace the existing file?",
                                  "Confirm File Replace", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDYES) return 1;
    if (answer == IDNO) {
      op_->fAnyOperationsAborted = TRUE;
      return 0;
    }
    return -1;
  }

  int Copy(const std::string& source, const std::string& dest) {
    std::error_code ec;
    if (fs::is_directory(source, ec)) {
      fs::create_directories(dest, ec);
      if (!fs::is_directory(dest, ec)) return Fail(DE_ERRORONDEST, dest + "\nThe folder cannot be made.");
      for (const auto& e : fs::directory_iterator(source, ec)) {
        const std::string name = e.path().filename().string();
        const int r = Copy(platform::WithTrailingSlash(source) + name, platform::WithTrailingSlash(dest) + name);
        if (r != 0) return r;
      }
      return 0;
    }
    const int replace = MayReplace(dest);
    if (replace < 0) return Abort();
    if (replace == 0) return 0;
    return CopyFileBody(source, dest);
  }

  // In pieces, so the progress moves and Cancel is heard; a cancelled copy leaves no half file.
  int CopyFileBody(const std::string& source, const std::string& dest) {
    std::ifstream in(source, std::ios::binary);
    if (!in) return Fail(DE_ACCESSDENIEDSRC, source + "\nThe file cannot be read.");
    const std::string part = dest + ".part";
    {
      std::ofstream out(part, std::ios::binary | std::ios::trunc);
      if (!out) return Fail(DE_ERRORONDEST, dest + "\nThe file cannot be written.");
      std::vector<char> buffer(1 << 20);
      for (;;) {
        progress_.Show(platform::FileNameOf(source), done_, total_);
        if (progress_.Cancelled()) {
          out.close();
          std::error_code ec;
          fs::remove(part, ec);
          return Abort();
        }
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const std::streamsize n = in.gcount();
        if (n <= 0) break;
        out.write(buffer.data(), n);
        done_ += static_cast<std::uintmax_t>(n);
        if (!out) break;
      }
      out.flush();
      if (!out || in.bad()) {
        out.close();
        std::error_code ec;
        fs::remove(part, ec);
        return Fail(DE_ERRORONDEST, dest + "\nThe file cannot be written.");
      }
    }
    std::error_code ec;
    fs::permissions(part, fs::status(source, ec).permissions(), ec);
    fs::rename(part, dest, ec);
    if (ec) {
      fs::remove(part, ec);
      return Fail(DE_ERRORONDEST, dest + "\nThe file cannot be written.");
    }
    return 0;
  }

  int Move(const std::string& source, const std::string& dest) {
    const int replace = MayReplace(dest);
    if (replace < 0) return Abort();
    if (replace == 0) return 0;
    std::error_code ec;
    fs::rename(source, dest, ec);
    if (!ec) return 0;
    // Across file systems: copy, then remove the source only once the copy is whole.
    const int r = Copy(source, dest);
    if (r != 0) return r;
    fs::remove_all(source, ec);
    return ec ? Fail(DE_ACCESSDENIEDSRC, source + "\nThe file cannot be removed.") : 0;
  }

  int Delete(const std::vector<std::string>& sources) {
    const bool toTrash = op_->fFlags & FOF_ALLOWUNDO;
    if (!(op_->fFlags & FOF_NOCONFIRMATION)) {
      const std::string what = sources.size() == 1 ? "'" + platform::FileNameOf(WithoutTrailingSlash(sources[0])) + "'"
                                                   : "these " + std::to_string(sources.size()) + " items";
      const std::string text = toTrash ? "Are you sure you want to move " + what + " to the Trash?"
                                       : "Are you sure you want to permanently delete " + what + "?";
      if (MessageBox(op_->hwnd, text, "Confirm Delete", MB_YESNO | MB_ICONQUESTION) != IDYES) return Abort();
    }
    for (const std::string& s : sources) {
      std::error_code ec;
      const bool gone = toTrash ? platform::MoveToTrash(WithoutTrailingSlash(s)) : fs::remove_all(s, ec) > 0 && !ec;
      if (!gone) return Fail(DE_ACCESSDENIEDSRC, s + "\nThe item cannot be deleted.");
    }
    return 0;
  }

  SHFILEOPSTRUCT* op_;
  Progress progress_;
  std::uintmax_t total_ = 0;
  std::uintmax_t done_ = 0;
};

}  // namespace

int SHFileOperation(LPSHFILEOPSTRUCT op) {
  if (!op || op->wFunc < FO_MOVE || op->wFunc > FO_RENAME) return DE_INVALIDFILES;
  op->fAnyOperationsAborted = FALSE;
  return Operation(op).Run();
}
