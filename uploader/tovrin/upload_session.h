// One resumable upload over HTTP: the metadata opens it and names an upload address, then the
// file goes in chunks with Content-Range; after a dropped connection the server is asked what
// it holds and the upload goes on from there.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "uploader/tovrin/metadata_json.h"
#include "uploader/tovrin/stop_signal.h"

namespace tovrin {

struct UploadJob {
  std::string endpoint;  // base address; the upload opens at <endpoint>/uploads
  std::string password;  // sent only as the login's credentials
  std::string file;
  VideoMetadata metadata;
};

struct UploadTuning {
  std::uint64_t chunkBytes = 16u << 20;
  int retries = 3;  // further attempts after a failed request, counted afresh after each good chunk
  std::chrono::milliseconds retryPause{500};
  long stallSeconds = 30;  // a request that sends no byte of the file this long has failed
  // Retries end when the upload as a whole has moved no byte this long.
  std::chrono::milliseconds giveUpAfter{60000};
};

// NoProgress: the server kept the connection but took nothing for giveUpAfter. AddressRefused:
// the service named an upload address of another scheme, host or port than the configured one;
// nothing was sent there.
enum class UploadResult { Complete, Stopped, LoginRefused, Failed, NoProgress, AddressRefused };

struct UploadEvents {
  std::function<void()> started;              // the server accepted the metadata
  std::function<void(int percent)> progress;  // from the bytes the server acknowledged
  std::function<void(const std::string&)> log;
  std::function<void(const std::string& address)> refused;  // the address an AddressRefused names
};

UploadResult RunUpload(const UploadJob& job, const UploadTuning& tuning, const StopSignal& stop,
                       const UploadEvents& events);

}  // namespace tovrin
