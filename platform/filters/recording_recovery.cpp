#include "platform/filters/recording_recovery.h"

#include <algorithm>
#include <cctype>

#include "platform/base/file.h"
#include "platform/filters/asf_header_patch.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace platform::filters {
namespace {

constexpr char kJournalName[] = ".recording";
constexpr std::size_t kHeaderBytes = 256 * 1024;

std::string Extension(const std::string& file) {
  const std::size_t dot = file.rfind('.');
  std::string ext = dot == std::string::npos ? std::string() : file.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext;
}

// What the file's packets hold: the end of the last one.
struct Held {
  std::int64_t end = 0;  // 100 ns units
};

bool ReadHeld(const std::string& file, Held* held) {
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, file.c_str(), nullptr, nullptr) < 0) return false;
  AVPacket* packet = av_packet_alloc();
  while (packet && av_read_frame(format, packet) >= 0) {
    const std::int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (pts != AV_NOPTS_VALUE)
      held->end = std::max(held->end, av_rescale_q(pts + packet->duration,
                                                   format->streams[packet->stream_index]->time_base, {1, 10000000}));
    av_packet_unref(packet);
  }
  av_packet_free(&packet);
  avformat_close_input(&format);
  return true;
}

// An AVI cut short has no index: its packets, copied as they are into a new file beside it,
// get one, and the new file takes the recording's name only when it is complete.
bool RewriteAvi(const std::string& file) {
  const std::string next = file + ".repairing.avi";
  AVFormatContext* in = nullptr;
  if (avformat_open_input(&in, file.c_str(), nullptr, nullptr) < 0) return false;
  AVFormatContext* out = nullptr;
  bool ok = avformat_find_stream_info(in, nullptr) >= 0 &&
            avformat_alloc_output_context2(&out, nullptr, "avi", next.c_str()) >= 0 && out;
  for (unsigned i = 0; ok && i < in->nb_streams; ++i) {
    AVStream* stream = avformat_new_stream(out, nullptr);
    ok = stream && avcodec_parameters_copy(stream->codecpar, in->streams[i]->codecpar) >= 0;
    if (ok) {
      stream->codecpar->codec_tag = 0;
      stream->time_base = in->streams[i]->time_base;
      stream->avg_frame_rate = in->streams[i]->avg_frame_rate;
      stream->r_frame_rate = in->streams[i]->r_frame_rate;
    }
  }
  ok = ok && avio_open(&out->pb, next.c_str(), AVIO_FLAG_WRITE) >= 0 && avformat_write_header(out, nullptr) >= 0;
  AVPacket* packet = av_packet_alloc();
  while (ok && packet && av_read_frame(in, packet) >= 0) {
    const int index = packet->stream_index;
    av_packet_rescale_ts(packet, in->streams[index]->time_base, out->streams[index]->time_base);
    ok = av_write_frame(out, packet) >= 0;
    av_packet_unref(packet);
  }
  av_packet_free(&packet);
  if (out && out->pb) {
    ok = av_write_trailer(out) >= 0 && ok;
    ok = avio_closep(&out->pb) >= 0 && ok;
  }
  avformat_free_context(out);
  avformat_close_input(&in);
  if (!ok || !MoveFile(next, file)) {
    DeleteFile(next);
    return false;
  }
  return true;
}

bool ReadHeader(const std::string& file, std::string* header) {
  File in;
  if (!in.Open(file, FileMode::Read)) return false;
  header->resize(kHeaderBytes);
  std::size_t got = 0;
  if (!in.Read(header->data(), header->size(), &got)) return false;
  header->resize(got);
  return true;
}

bool PatchAsf(const std::string& file, const std::string& header, const Held& held) {
  File out;
  if (!out.Open(file, FileMode::ReadWrite)) return false;
  AsfHeaderPatch patch;
  if (!patch.Locate(header)) return false;
  const std::int64_t whole = patch.WholePackets(out.Size());
  return out.Truncate(whole) && patch.Apply(out, whole, held.end) && out.Close();
}

}  // namespace

RecordingJournal::RecordingJournal(const std::string& folder)
    : path_(folder + (folder.empty() || folder.back() == '/' ? "" : "/") + kJournalName) {}

bool RecordingJournal::Begin(const std::string& recording) const { return Begin(std::vector<std::string>{recording}); }

bool RecordingJournal::Begin(const std::vector<std::string>& files) const {
  // Written whole beside the journal and renamed, so a crash never leaves half a name.
  const std::string next = path_ + ".new";
  std::string text;
  for (const std::string& file : files) text += file + "\n";
  File out;
  if (!out.Open(next, FileMode::Create) || !out.Write(text) || !out.Sync() || !out.Close()) {
    DeleteFile(next);
    return false;
  }
  return MoveFile(next, path_);
}

void RecordingJournal::End() const { DeleteFile(path_); }

std::string RecordingJournal::Unfinished() const {
  const std::vector<std::string> files = UnfinishedFiles();
  return files.empty() ? std::string() : files.front();
}

std::vector<std::string> RecordingJournal::UnfinishedFiles() const {
  std::string text;
  std::vector<std::string> files;
  if (!ReadWholeFileLimited(path_, 4 * 1024 * 1024, &text)) return files;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    while (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) files.push_back(line);
    start = end + 1;
  }
  return files;
}

bool RepairRecording(const std::string& file) {
  const std::string ext = Extension(file);
  if (ext == "avi") return RewriteAvi(file);
  if (ext != "wma" && ext != "wmv" && ext != "asf") return false;
  std::string header;
  Held held;
  if (!ReadHeader(file, &header)) return false;
  const std::string copy = file + ".unrepaired";
  if (!CopyFile(file, copy, false)) return false;
  // A header the writer kept current counts the packets of its last update only, and readers
  // stop there: it first counts every whole packet, then the play time is what they hold.
  if (!PatchAsf(file, header, held) || !ReadHeld(file, &held) || !PatchAsf(file, header, held)) {
    // The copy is the file as the crash left it: it goes back.
    MoveFile(copy, file);
    return false;
  }
  DeleteFile(copy);
  return true;
}

RecoveredRecording RecoverUnfinishedRecordings(const std::string& folder) {
  const RecordingJournal journal(folder);
  RecoveredRecording found;
  bool repaired = false;
  for (const std::string& file : journal.UnfinishedFiles()) {
    // A part named before it was begun is not there: there is nothing of it to keep.
    if (!FileExists(file)) continue;
    repaired = RepairRecording(file) || repaired;
    found.files.push_back(file);
  }
  journal.End();
  if (found.files.empty()) return found;
  if (found.files.size() == 1) {
    const std::string& file = found.files.front();
    found.message = "The recording \"" + file + "\" was cut short when the program last ended. " +
                    (repaired ? "It has been repaired and kept." : "It is kept as it was left.");
    return found;
  }
  std::string names;
  for (const std::string& file : found.files) names += (names.empty() ? "\"" : ", \"") + file + "\"";
  found.message = "The recording in " + std::to_string(found.files.size()) +
                  " files was cut short when the program last ended. All of them are kept: " + names + ".";
  return found;
}

std::string RecoverUnfinishedRecording(const std::string& folder) {
  return RecoverUnfinishedRecordings(folder).message;
}

}  // namespace platform::filters
