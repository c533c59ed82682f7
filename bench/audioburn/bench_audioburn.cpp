// The recorder's two burns against their peers, in interleaved rounds: recordings decoded to CD
// audio and written as a BIN/CUE, and recordings written as a data session; the peers at their
// floors: one ffmpeg for every track, genisoimage writing the image straight to a file.
// Usage: bench_audioburn [rounds, at least 7] [tracks, default 10] [data megabytes, default 256]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "audiorec/pcm_decoder.h"
#include "bench/common/bench_rounds.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/disc/drive_set.h"
#include "platform/disc/qn_audio_cd.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/dshow/codes.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

void Shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

std::atomic<int> ended{0}, endStatus{-1};
void OnEnd(int status, void*) {
  endStatus = status;
  ended = 1;
}

void WaitForBurn(unsigned long code) {
  while (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  if (endStatus != 0) {
    std::fprintf(stderr, "burn failed: %06lx\n", code);
    std::exit(1);
  }
}

// Every track decoded in turn, as the Audio CD dialog does, then the disc written.
double SuiteAudioCd(const std::vector<std::string>& tracks, const std::string& work) {
  const auto start = Clock::now();
  CPcmDecoder& decoder = PcmDecoder();
  std::vector<std::string> temporaries;
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    const std::string target = work + "track" + std::to_string(i) + ".wav";
    if (!decoder.Build(nullptr, tracks[i], target, TRUE) || !decoder.Run()) {
      std::fprintf(stderr, "cannot decode %s\n", tracks[i].c_str());
      std::exit(1);
    }
    while (decoder.PollEvents() != EC_COMPLETE) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    decoder.Teardown();
    temporaries.push_back(target);
  }
  CQnAudioCD writer;
  writer.ChooseDrive(0);
  writer.UnloadMedium();
  writer.LoadMedium();  // a fresh blank
  writer.Free();
  writer.SetFinalizeDisc(1);
  for (const std::string& t : temporaries) writer.AddAudio(t.c_str(), 0, 150, 0);
  ended = 0;
  if (!writer.StartBurn(&OnEnd, nullptr)) {
    std::fprintf(stderr, "audio burn did not start: %06lx\n", writer.GetErrorCode());
    std::exit(1);
  }
  WaitForBurn(writer.GetErrorCode());
  const double seconds = Seconds(start);
  for (const std::string& t : temporaries) std::filesystem::remove(t);
  return seconds;
}

// One ffmpeg decoding every track in turn into one raw CD-audio file: the least a script does.
double PeerAudioCd(const std::vector<std::string>& tracks, const std::string& work) {
  std::string inputs, joined;
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    inputs += " -i " + tracks[i];
    joined += "[" + std::to_string(i) + ":a]";
  }
  const std::string command = "ffmpeg -nostdin -v error -y" + inputs + " -filter_complex '" + joined +
                              "concat=n=" + std::to_string(tracks.size()) + ":v=0:a=1' -f s16le -ar 44100 -ac 2 " +
                              work + "peer.bin";
  const auto start = Clock::now();
  Shell(command);
  return Seconds(start);
}

double SuiteData(const std::vector<std::string>& files) {
  CQnDataCDDVD writer;
  writer.Initialize();
  writer.SetBurnMode(0);
  writer.ChooseDrive(0);
  writer.UnloadMedium();
  writer.LoadMedium();
  const auto start = Clock::now();
  writer.Free();
  writer.LoadSession();
  writer.SetDiscLabel("BENCH");
  writer.SetFinalizeDisc(0);
  for (const std::string& f : files) {
    const std::string name = std::filesystem::path(f).filename().string();
    writer.AddFile("\\", f.c_str(), name.c_str(), name.substr(0, 8).c_str());
  }
  writer.Ready();
  ended = 0;
  if (!writer.StartBurnData(&OnEnd, nullptr)) {
    std::fprintf(stderr, "data burn did not start: %06lx\n", writer.GetErrorCode());
    std::exit(1);
  }
  WaitForBurn(writer.GetErrorCode());
  return Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = bench::RoundsFrom(argc > 1 ? argv[1] : nullptr);
  const int trackCount = argc > 2 ? std::atoi(argv[2]) : 10;
  const long dataMegabytes = argc > 3 ? std::atol(argv[3]) : 256;
  bench::RequirePrograms({"ffmpeg", "genisoimage"});
  const std::string work = platform::TempFolder() + "bench-audioburn/";
  std::filesystem::remove_all(work);
  platform::CreateFolders(work + "tracks");
  platform::CreateFolders(work + "data");

  // Recordings as the recorder makes them: 48 kHz stereo WMA at 128 kbit/s.
  std::vector<std::string> tracks;
  for (int i = 0; i < trackCount; ++i) {
    const std::string path = work + "tracks/WMA_1400" + std::to_string(10 + i) + ".wma";
    Shell("ffmpeg -nostdin -v error -y -f lavfi -i sine=frequency=" + std::to_string(300 + 40 * i) +
          ":sample_rate=48000:duration=180 -ac 2 -c:a wmav2 -b:a 128k " + path);
    tracks.push_back(path);
  }
  // The data set: the tracks copied over and over up to the size asked for.
  std::vector<std::string> files;
  std::uint64_t bytes = 0;
  for (int n = 0; bytes < static_cast<std::uint64_t>(dataMegabytes) << 20; ++n) {
    const std::string& source = tracks[static_cast<std::size_t>(n) % tracks.size()];
    const std::string copy = work + "data/WMA_" + std::to_string(100000 + n) + ".wma";
    std::filesystem::copy_file(source, copy);
    bytes += std::filesystem::file_size(copy);
    files.push_back(copy);
  }

  // A CD writer and a DVD writer whose discs are image files in the work folder.
  const std::string ini = work + "writers.ini";
  platform::WriteWholeFileAtomic(
      ini, "<DEVICES>\n[CD]\nKIND=writer\nNAME=Bench CD\nWRITES=CD-R\nMEDIUM=CD-R\nIMAGES=" + work +
               "\n[DVD]\nKIND=writer\nNAME=Bench DVD\nWRITES=DVD+R\nMEDIUM=DVD+R\nIMAGES=" + work + "\n");
  std::vector<std::string> problems;
  platform::disc::SetMachineDrives(platform::disc::ParseDriveSections(ini, &problems));

  const double mb = static_cast<double>(bytes) / 1048576.0;
  bench::Session session("Recorder's burns against ffmpeg and genisoimage at their floors", rounds);
  bench::Figure cd{std::to_string(trackCount) + " tracks to audio CD", "s", false, {}, {}, {}};
  bench::Interleave(
      rounds, cd, [&] { return SuiteAudioCd(tracks, work); }, [&] { return PeerAudioCd(tracks, work); });
  bench::Figure data{std::to_string(static_cast<long>(mb)) + " MB data session", "s", false, {}, {}, {}};
  bench::Interleave(
      rounds, data, [&] { return SuiteData(files); },
      [&] {
        std::filesystem::remove(work + "peer.iso");
        const auto start = Clock::now();
        Shell("genisoimage -quiet -J -R -V BENCH -o " + work + "peer.iso " + work + "data");
        return Seconds(start);
      });
  bench::Section(
      "Recordings of 3 minutes decoded to CD audio and written as BIN/CUE, seconds (lower is better); "
      "project: CPcmDecoder and CQnAudioCD",
      "one ffmpeg decoding every track in turn (concat) to 44.1 kHz s16le in one file",
      "the peer writes no cue sheet and pads no track to whole sectors");
  bench::Print(cd);
  bench::Section("Recordings written as a data session to a stdio: drive, seconds; project: CQnDataCDDVD",
                 "genisoimage -J -R -o FILE on the same folder",
                 "the peer writes an image file with no burner, fifo or drive behind it");
  bench::Print(data);
  std::filesystem::remove_all(work);
  return 0;
}
