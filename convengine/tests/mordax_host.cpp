#include "mordax_host.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"

namespace mordax::test {

namespace {

std::mutex g_lock;
std::vector<HostReply> g_replies;

LRESULT HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_CONVERT_NOTIFY) return DefWindowProc(hwnd, msg, wParam, lParam);
  HostReply reply;
  reply.op = LOWORD(wParam);
  reply.status = HIWORD(wParam);
  reply.value = lParam;
  if (reply.op == Qn_OP_CONVERT && reply.status == Qn_MSG_ITEM_START) {
    auto* item = reinterpret_cast<Qn_ConvertItem*>(lParam);
    reply.item = *item;
    delete item;
  } else if (reply.op == Qn_OP_CONVERT && reply.status == Qn_MSG_SUCCEEDED && lParam) {
    auto* ended = reinterpret_cast<Qn_ConvertItem*>(lParam);  // the name the output got instead
    reply.item = *ended;
    delete ended;
  } else if (reply.op == Qn_OP_CONVERT && reply.status == Qn_MSG_TIME_INFO) {
    auto* time = reinterpret_cast<Qn_ConvertTime*>(lParam);
    reply.time = *time;
    delete time;
  } else if (reply.status == Qn_MSG_SUCCEEDED &&
             (reply.op == Qn_OP_ADD_FILE || reply.op == Qn_OP_INSERT_FILE || reply.op == Qn_OP_REPLACE_FILE)) {
    const auto* media = reinterpret_cast<Qn_MediaInfo*>(lParam);
    reply.mediaPath = media->source.GetPath();
    reply.mediaFormat = media->video.Format;
    reply.mediaWidth = media->video.Width;
    reply.mediaAudioStreams = media->audioStreamCount;
  }
  std::lock_guard<std::mutex> guard(g_lock);
  g_replies.push_back(reply);
  return 1;
}

template <typename T>
void Bind(void* module, const char* name, T* fn) {
  *fn = reinterpret_cast<T>(::dlsym(module, name));
}

}  // namespace

MordaxHost::MordaxHost() {
  Clear();
  WNDCLASS wc;
  wc.lpfnWndProc = HostProc;
  wc.lpszClassName = "MordaxTestHost";
  RegisterClass(&wc);
  window_ = CreateWindowEx(0, "MordaxTestHost", "Media Converter", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                           nullptr, nullptr, nullptr);
  module_ = ::dlopen((platform::AppFolder() + "Mordax.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module_) return;
  Bind(module_, "Qn_MDX_Open", &Open);
  Bind(module_, "Qn_MDX_Close", &Close);
  Bind(module_, "Qn_MDX_AddFile", &AddFile);
  Bind(module_, "Qn_MDX_RemoveFile", &RemoveFile);
  Bind(module_, "Qn_MDX_RemoveAllFile", &RemoveAllFile);
  Bind(module_, "Qn_MDX_WorkStop", &WorkStop);
  Bind(module_, "Qn_MDX_SetConvertOption", &SetConvertOption);
  Bind(module_, "Qn_MDX_SetSimpleProfile", &SetSimpleProfile);
  Bind(module_, "Qn_MDX_ConvertStart", &ConvertStart);
  Bind(module_, "Qn_MDX_IsConvert", &IsConvert);
  Bind(module_, "Qn_MDX_RePlaceFile", &RePlaceFile);
  Bind(module_, "Qn_MDX_InsertFile", &InsertFile);
}

MordaxHost::~MordaxHost() {
  if (module_ && Close) Close();
  Unload();
  if (window_) DestroyWindow(window_);
  // Whatever was posted after the window went away is dropped with the queue.
  PumpFor(0);
}

void MordaxHost::Unload() {
  if (module_) ::dlclose(module_);
  module_ = nullptr;
}

void MordaxHost::PumpFor(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  do {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  } while (std::chrono::steady_clock::now() < end);
}

bool MordaxHost::PumpUntil(const std::function<bool(const HostReply&)>& match, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    PumpFor(0);
    for (const HostReply& r : Replies())
      if (match(r)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

bool MordaxHost::PumpUntil(int op, int status, int timeoutMs) {
  return PumpUntil([op, status](const HostReply& r) { return r.op == op && r.status == status; }, timeoutMs);
}

std::vector<HostReply> MordaxHost::Replies() const {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_replies;
}

std::string MordaxHost::Codes() const { return ReplyCodes(Replies(), false); }

void MordaxHost::Clear() {
  std::lock_guard<std::mutex> guard(g_lock);
  g_replies.clear();
}

std::vector<int> LiveChildren() {
  std::vector<int> children;
  DIR* tasks = ::opendir("/proc/self/task");
  if (!tasks) return children;
  while (dirent* entry = ::readdir(tasks)) {
    if (entry->d_name[0] == '.') continue;
    std::ifstream in(std::string("/proc/self/task/") + entry->d_name + "/children");
    for (int pid; in >> pid;) children.push_back(pid);
  }
  ::closedir(tasks);
  return children;
}

std::string RunTool(const std::vector<std::string>& args, int* exitCode) {
  std::string out;
  std::string err;
  int code = -1;
  platform::RunProcess(args[0], std::vector<std::string>(args.begin() + 1, args.end()), &out, &err, &code, 300000);
  if (exitCode) *exitCode = code;
  return out;
}

}  // namespace mordax::test
