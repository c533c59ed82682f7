// The resumable upload against the loopback server: what arrives, how refusals and failures end,
// a dropped connection resumed, and a stop.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "upload_server.h"
#include "uploader/tovrin/upload_session.h"

namespace {

using namespace std::chrono_literals;
using tovrin::UploadResult;

std::string MakeFile(const std::string& name, std::size_t size) {
  const std::string path = std::filesystem::temp_directory_path() / name;
  std::ofstream out(path, std::ios::binary);
  std::uint32_t state = 12345;
  for (std::size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    out.put(static_cast<char>(state >> 24));
  }
  return path;
}

tovrin::UploadJob Job(const uploadtest::UploadServer& server, const std::string& file) {
  tovrin::UploadJob job;
  job.endpoint = server.Url();
  job.password = "s3cret";
  job.file = file;
  job.metadata.user = "ada";
  job.metadata.title = "Holiday";
  job.metadata.description = "By the sea";
  job.metadata.keywords = "sea,sun,";
  job.metadata.category = "Travel";
  return job;
}

tovrin::UploadTuning Quick() {
  tovrin::UploadTuning tuning;
  tuning.chunkBytes = 256 * 1024;
  tuning.retryPause = 10ms;
  return tuning;
}

// The metadata field as jq reads it back from what the server received.
std::string JqField(const std::string& json, const std::string& field) {
  const std::string file = std::filesystem::temp_directory_path() / "metadata.json";
  std::ofstream(file, std::ios::binary) << json;
  std::FILE* pipe = ::popen(("jq -j '." + field + "' '" + file + "'").c_str(), "r");
  std::string out;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
  ::pclose(pipe);
  return out;
}

TEST(UploadSession, SendsTheMetadataIntactAndEveryByteOfTheFile) {
  uploadtest::UploadServer server;
  const std::string file = MakeFile("clip.mpg", 1'000'000);
  auto job = Job(server, file);
  // Long text with quotes, new lines, controls and non-ASCII letters goes as it stands.
  std::string description = "Line \"one\"\nline\ttwo\\ — Grüße, 日本 \x01 end ";
  while (description.size() < 100 * 1024) description += description;
  job.metadata.description = description;
  job.metadata.title = "Ünïcode \"title\"";
  job.metadata.broadcast = 1;
  job.metadata.accountType = 1;
  std::vector<int> progress;
  int started = 0;
  tovrin::StopSignal stop;
  tovrin::UploadEvents events;
  events.started = [&] { ++started; };
  events.progress = [&](int percent) { progress.push_back(percent); };
  EXPECT_EQ(UploadResult::Complete, RunUpload(job, Quick(), stop, events));
  EXPECT_TRUE(server.Complete());
  EXPECT_EQ(uploadtest::FileSha256(file), server.HeldSha256());
  const std::string json = server.Metadata();
  EXPECT_EQ(description, JqField(json, "description"));
  EXPECT_EQ(job.metadata.title, JqField(json, "title"));
  EXPECT_EQ("ada", JqField(json, "user"));
  EXPECT_EQ("sea,sun,", JqField(json, "keywords"));
  EXPECT_EQ("Travel", JqField(json, "category"));
  EXPECT_EQ("private", JqField(json, "privacy"));
  EXPECT_EQ("google", JqField(json, "account"));
  EXPECT_EQ("1000000", JqField(json, "size"));
  EXPECT_EQ(std::string::npos, json.find("s3cret"));
  EXPECT_FALSE(server.PasswordInUrl());
  EXPECT_EQ(1, started);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(100, progress.back());
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
}

TEST(UploadSession, ADroppedConnectionResumesWhereTheServerStopped) {
  uploadtest::ServerScript script;
  script.dropAt = 600'000;
  uploadtest::UploadServer server(script);
  const std::string file = MakeFile("dropped.mpg", 1'500'000);
  tovrin::StopSignal stop;
  EXPECT_EQ(UploadResult::Complete, RunUpload(Job(server, file), Quick(), stop, {}));
  EXPECT_TRUE(server.Dropped());
  EXPECT_EQ(uploadtest::FileSha256(file), server.HeldSha256());
  // Six chunks, the one cut short, the question what arrived and the rest: nothing sent twice
  // from the start.
  EXPECT_LE(server.FileRequests(), 9);
}

TEST(UploadSession, RefusalsFailuresAndBadFilesEndTheUpload) {
  const std::string file = MakeFile("short.mpg", 10'000);
  tovrin::StopSignal stop;
  {
    uploadtest::UploadServer server;
    auto job = Job(server, file);
    job.password = "wrong";
    EXPECT_EQ(UploadResult::LoginRefused, RunUpload(job, Quick(), stop, {}));
    EXPECT_EQ(1, server.Opens());
  }
  {
    uploadtest::ServerScript script;
    script.fail500 = true;
    uploadtest::UploadServer server(script);
    EXPECT_EQ(UploadResult::Failed, RunUpload(Job(server, file), Quick(), stop, {}));
    // The first request and the library's own three retries, each after asking what arrived.
    EXPECT_EQ(7, server.FileRequests());
  }
  for (const auto opening : {uploadtest::Opening::Garbage, uploadtest::Opening::HugeLength}) {
    uploadtest::ServerScript script;
    script.opening = opening;
    uploadtest::UploadServer server(script);
    EXPECT_EQ(UploadResult::Failed, RunUpload(Job(server, file), Quick(), stop, {}));
    EXPECT_EQ(4, server.Opens());
  }
  uploadtest::UploadServer server;
  for (const std::string& bad :
       {std::string("/nowhere/clip.mpg"), MakeFile("empty.mpg", 0), std::filesystem::temp_directory_path().string()}) {
    std::string logged;
    tovrin::UploadEvents events;
    events.log = [&](const std::string& line) { logged += line; };
    EXPECT_EQ(UploadResult::Failed, RunUpload(Job(server, bad), Quick(), stop, events)) << bad;
    EXPECT_NE(std::string::npos, logged.find("cannot be read or is empty"));
  }
  EXPECT_EQ(0, server.Opens());
  auto job = Job(server, file);
  job.endpoint.clear();
  EXPECT_EQ(UploadResult::Failed, RunUpload(job, Quick(), stop, {}));
}

// The service's answer names where the video goes: anywhere but the configured scheme, host
// and port ends the upload, names the address, and sends nothing there.
TEST(UploadSession, AnUploadAddressElsewhereThanTheConfiguredOneGetsNothing) {
  const std::string file = MakeFile("elsewhere.mpg", 300'000);
  tovrin::StopSignal stop;
  uploadtest::ServerScript otherHost;
  otherHost.host = "127.0.0.2";
  uploadtest::UploadServer elsewhere;          // another port of this computer
  uploadtest::UploadServer abroad(otherHost);  // another host
  const std::string targets[] = {
      elsewhere.Url() + "/upload/1",
      abroad.Url() + "/upload/1",
      "https:" + elsewhere.Url().substr(5) + "/upload/1",  // another scheme
      "//127.0.0.2" + elsewhere.Url().substr(elsewhere.Url().rfind(':')) + "/upload/1",
      "file:///tmp/upload",
  };
  for (const std::string& target : targets) {
    SCOPED_TRACE(target);
    uploadtest::ServerScript script;
    script.location = target;
    uploadtest::UploadServer configured(script);
    std::string refused, logged;
    tovrin::UploadEvents events;
    events.refused = [&](const std::string& address) { refused = address; };
    events.log = [&](const std::string& line) { logged += line + "\n"; };
    EXPECT_EQ(UploadResult::AddressRefused, RunUpload(Job(configured, file), Quick(), stop, events));
    EXPECT_NE(std::string::npos, refused.find(target.substr(target.find("//") + 2))) << refused;
    EXPECT_NE(std::string::npos, logged.find(refused)) << logged;
    // One opening, no retry, and not a byte of the file anywhere.
    EXPECT_EQ(1, configured.Opens());
    EXPECT_EQ(0, configured.FileRequests());
    EXPECT_EQ(0u, configured.Held());
  }
  EXPECT_EQ(0, elsewhere.Connections());
  EXPECT_EQ(0, abroad.Connections());

  // The same place, written in full or relative, is the configured one.
  for (const std::string& same : {std::string("/upload/1"), std::string("upload/1")}) {
    uploadtest::ServerScript script;
    script.location = same;
    uploadtest::UploadServer configured(script);
    EXPECT_EQ(UploadResult::Complete, RunUpload(Job(configured, file), Quick(), stop, {})) << same;
    EXPECT_EQ(uploadtest::FileSha256(file), configured.HeldSha256());
  }
}

TEST(UploadSession, AStopEndsAStalledTransfer) {
  uploadtest::ServerScript script;
  script.stall = true;
  uploadtest::UploadServer server(script);
  const std::string file = MakeFile("stalled.mpg", 100'000);
  tovrin::StopSignal stop;
  std::atomic<bool> started{false};
  tovrin::UploadEvents events;
  events.started = [&] { started = true; };
  std::thread stopper([&] {
    for (int i = 0; i < 500 && !started; ++i) std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(100ms);
    stop.Raise();
  });
  EXPECT_EQ(UploadResult::Stopped, RunUpload(Job(server, file), Quick(), stop, events));
  stopper.join();
  EXPECT_TRUE(started);
  EXPECT_FALSE(server.Complete());
}

TEST(UploadSession, AServerThatTakesNothingMoreEndsTheUploadAsStalled) {
  uploadtest::ServerScript script;
  script.stall = true;
  uploadtest::UploadServer server(script);
  const std::string file = MakeFile("never.mpg", 100'000);
  tovrin::StopSignal stop;
  auto tuning = Quick();
  tuning.stallSeconds = 1;
  tuning.giveUpAfter = 2500ms;
  tuning.retries = 100;  // the time without progress ends it, not the count
  std::string logged;
  tovrin::UploadEvents events;
  events.log = [&](const std::string& line) { logged += line + "\n"; };
  const auto began = std::chrono::steady_clock::now();
  EXPECT_EQ(UploadResult::NoProgress, RunUpload(Job(server, file), tuning, stop, events)) << logged;
  const auto took = std::chrono::steady_clock::now() - began;
  // Sending the same bytes again on each retry is no progress.
  EXPECT_GE(took, 2500ms);
  EXPECT_LT(took, 10s) << logged;
  EXPECT_NE(std::string::npos, logged.find("no progress")) << logged;
}

}  // namespace
