// A loopback upload service for tests: takes the metadata and the file the upload library sends,
// checks the login, and can refuse, fail, stall or drop the connection once. It listens on
// 127.0.0.1 at a port of the system's choosing and ends by itself after its lifetime.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include <openssl/types.h>

namespace uploadtest {

enum class Opening { Normal, Garbage, HugeLength };

struct ServerScript {
  std::string user = "ada";
  std::string password = "s3cret";
  Opening opening = Opening::Normal;
  bool fail500 = false;                // every file request answered 500
  std::int64_t dropAt = -1;            // the connection closes once when this many file bytes are held
  bool stall = false;                  // file requests are read but never answered
  std::string location = "/upload/1";  // where the opened upload is to be sent
  std::string host = "127.0.0.1";      // the loopback address it listens on
  std::chrono::seconds lifetime{120};
};

class UploadServer {
 public:
  explicit UploadServer(ServerScript script = {});
  ~UploadServer();
  UploadServer(const UploadServer&) = delete;
  UploadServer& operator=(const UploadServer&) = delete;

  std::string Url() const;

  // What arrived; safe to read while the server runs.
  std::string Metadata() const;
  std::string HeldSha256() const;  // lower-case hex of the bytes held
  std::uint64_t Held() const;
  bool Complete() const;
  bool Dropped() const;
  int Opens() const;
  int FileRequests() const;
  bool PasswordInUrl() const;
  int Connections() const;

 private:
  void Serve();
  // The running digest follows the bytes held; a resume before their end starts it afresh.
  void HashFrom(std::size_t from);
  void ServeConnection(int socket);

  ServerScript script_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex lock_;
  std::string metadata_;
  std::string data_;
  EVP_MD_CTX* hash_ = nullptr;
  std::uint64_t expected_ = 0;
  bool complete_ = false;
  bool dropped_ = false;
  int opens_ = 0;
  int fileRequests_ = 0;
  bool passwordInUrl_ = false;
  int connections_ = 0;
  std::thread thread_;
};

// Lower-case hex SHA-256 of a file, by sha256sum.
std::string FileSha256(const std::string& path);

}  // namespace uploadtest
