#include "engine_harness.h"

#include <csignal>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace mordax::test {

ReplyRecorder::ReplyRecorder() {
  ReplyPort port;
  port.post = [this](HWND, UINT, WPARAM w, LPARAM l) { return Receive(w, l); };
  port.send = [this](HWND, UINT, WPARAM w, LPARAM l) { return Receive(w, l); };
  previous_ = SetReplyPort(port);
}

ReplyRecorder::~ReplyRecorder() { SetReplyPort(previous_); }

bool ReplyRecorder::Receive(WPARAM wParam, LPARAM lParam) {
  if (gone_) return false;
  Reply reply;
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
  }
  {
    std::lock_guard<std::mutex> guard(lock_);
    replies_.push_back(reply);
  }
  arrived_.notify_all();
  return true;
}

bool ReplyRecorder::WaitFor(const std::function<bool(const Reply&)>& match, int timeoutMs) {
  std::unique_lock<std::mutex> guard(lock_);
  return arrived_.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] {
    for (const Reply& r : replies_)
      if (match(r)) return true;
    return false;
  });
}

bool ReplyRecorder::WaitFor(int op, int status, int timeoutMs) {
  return WaitFor([op, status](const Reply& r) { return r.op == op && r.status == status; }, timeoutMs);
}

bool ReplyRecorder::WaitForCount(std::size_t count, int timeoutMs) {
  std::unique_lock<std::mutex> guard(lock_);
  return arrived_.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] { return replies_.size() >= count; });
}

std::vector<Reply> ReplyRecorder::Replies() const {
  std::lock_guard<std::mutex> guard(lock_);
  return replies_;
}

std::string ReplyRecorder::Codes() const { return ReplyCodes(Replies(), true); }

void ReplyRecorder::Clear() {
  std::lock_guard<std::mutex> guard(lock_);
  replies_.clear();
}

void WriteWav(const std::string& path, double seconds) {
  const std::uint32_t rate = 8000;
  const std::uint32_t samples = static_cast<std::uint32_t>(seconds * rate);
  const std::uint32_t dataBytes = samples * 2;
  std::ofstream out(path, std::ios::binary);
  auto u32 = [&out](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&out](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  out.write("RIFF", 4);
  u32(36 + dataBytes);
  out.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(1);
  u32(rate);
  u32(rate * 2);
  u16(2);
  u16(16);
  out.write("data", 4);
  u32(dataBytes);
  for (std::uint32_t i = 0; i < samples; ++i) u16(static_cast<std::uint16_t>((i / 4) % 2 ? 8000 : -8000));
}

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

bool ProcessAlive(int pid) {
  // A zombie counts: a child that was killed but never reaped is a leak as well.
  return pid > 0 && ::kill(pid, 0) == 0;
}

std::vector<int> FakePids(const std::string& log) {
  std::vector<int> pids;
  for (const auto& args : FakeArguments(log))
    if (!args.empty()) pids.push_back(std::atoi(args[0].c_str()));
  return pids;
}

std::vector<std::vector<std::string>> FakeArguments(const std::string& log) {
  std::vector<std::vector<std::string>> runs;
  std::ifstream in(log);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> fields;
    std::istringstream parts(line);
    for (std::string f; std::getline(parts, f, '\t');) fields.push_back(f);
    runs.push_back(fields);
  }
  return runs;
}

std::string FakeFFmpegPath() { return std::string(VIDARRO_TEST_BINARY_DIR) + "/fake_ffmpeg"; }

}  // namespace mordax::test
