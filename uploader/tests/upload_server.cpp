#include "upload_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <stdexcept>

namespace uploadtest {
namespace {

std::string Base64Decode(const std::string& text) {
  std::string out;
  int value = 0, bits = 0;
  for (const char c : text) {
    int digit;
    if (c >= 'A' && c <= 'Z') digit = c - 'A';
    else if (c >= 'a' && c <= 'z') digit = c - 'a' + 26;
    else if (c >= '0' && c <= '9') digit = c - '0' + 52;
    else if (c == '+') digit = 62;
    else if (c == '/') digit = 63;
    else break;
    value = (value << 6) | digit;
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((value >> bits) & 0xFF);
    }
  }
  return out;
}

std::string Hex(const unsigned char* digest, unsigned int length) {
  std::string hex;
  char pair[3];
  for (unsigned int i = 0; i < length; ++i) {
    std::snprintf(pair, sizeof pair, "%02x", digest[i]);
    hex += pair;
  }
  return hex;
}

// The digest so far, leaving the running one to go on.
std::string DigestOf(const EVP_MD_CTX* running) {
  EVP_MD_CTX* copy = EVP_MD_CTX_new();
  EVP_MD_CTX_copy_ex(copy, running);
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(copy, digest, &length);
  EVP_MD_CTX_free(copy);
  return Hex(digest, length);
}

// Reads a connection in bounded waits, so a stop or a silent client never holds the server.
class Connection {
 public:
  Connection(int socket, const std::atomic<bool>& stop) : socket_(socket), stop_(stop) {}
  ~Connection() { Close(); }
  void Close() {
    if (socket_ >= 0) ::close(socket_);
    socket_ = -1;
  }
  bool Open() const { return socket_ >= 0; }

  // Up to `limit` bytes; empty at the end of the connection or a stop.
  std::string Read(std::size_t limit) {
    if (!buffer_.empty()) {
      std::string out = buffer_.substr(0, limit);
      buffer_.erase(0, out.size());
      return out;
    }
    while (Open() && !stop_) {
      pollfd p{socket_, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      char chunk[256 * 1024];
      const ssize_t got = ::recv(socket_, chunk, std::min(limit, sizeof chunk), 0);
      if (got <= 0) break;
      return std::string(chunk, static_cast<std::size_t>(got));
    }
    return {};
  }

  bool ReadHead(std::string* head) {
    for (;;) {
      const auto end = buffer_.find("\r\n\r\n");
      if (end != std::string::npos) {
        *head = buffer_.substr(0, end);
        buffer_.erase(0, end + 4);
        return true;
      }
      if (buffer_.size() > 64 * 1024) return false;
      std::string more;
      std::swap(more, buffer_);
      more += Read(64 * 1024);
      if (more.size() == buffer_.size()) return false;
      buffer_ = std::move(more);
    }
  }

  void Write(const std::string& text) {
    std::size_t sent = 0;
    while (Open() && sent < text.size()) {
      const ssize_t n = ::send(socket_, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return Close();
      sent += static_cast<std::size_t>(n);
    }
  }

 private:
  int socket_;
  const std::atomic<bool>& stop_;
  std::string buffer_;
};

struct Request {
  std::string method, target;
  std::map<std::string, std::string> headers;
  std::uint64_t length = 0;
};

bool ParseHead(const std::string& head, Request* request) {
  const auto lineEnd = head.find("\r\n");
  const std::string first = head.substr(0, lineEnd);
  const auto space1 = first.find(' '), space2 = first.rfind(' ');
  if (space1 == std::string::npos || space2 == space1) return false;
  request->method = first.substr(0, space1);
  request->target = first.substr(space1 + 1, space2 - space1 - 1);
  std::size_t at = lineEnd == std::string::npos ? head.size() : lineEnd + 2;
  while (at < head.size()) {
    auto end = head.find("\r\n", at);
    if (end == std::string::npos) end = head.size();
    const std::string line = head.substr(at, end - at);
    const auto colon = line.find(':');
    if (colon != std::string::npos) {
      std::string name = line.substr(0, colon);
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      request->headers[name] = line.substr(line.find_first_not_of(' ', colon + 1));
    }
    at = end + 2;
  }
  const auto length = request->headers.find("content-length");
  if (length != request->headers.end()) request->length = std::stoull(length->second);
  return true;
}

std::string Reply(int status, const char* reason, const std::string& extra = {}, const std::string& body = {}) {
  return "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\n" + extra +
         "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

}  // namespace

UploadServer::UploadServer(ServerScript script) : script_(std::move(script)) {
  listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  if (::inet_pton(AF_INET, script_.host.c_str(), &address.sin_addr) != 1)
    throw std::runtime_error("the upload server's address is not an IPv4 address");
  address.sin_port = 0;
  socklen_t size = sizeof address;
  if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, 8) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
    throw std::runtime_error("the upload server cannot listen on the loopback");
  port_ = ntohs(address.sin_port);
  hash_ = EVP_MD_CTX_new();
  HashFrom(0);
  thread_ = std::thread([this] { Serve(); });
}

UploadServer::~UploadServer() {
  stop_ = true;
  thread_.join();
  ::close(listener_);
  EVP_MD_CTX_free(hash_);
}

void UploadServer::HashFrom(std::size_t from) {
  data_.resize(std::min(from, data_.size()));
  EVP_DigestInit_ex(hash_, EVP_sha256(), nullptr);
  EVP_DigestUpdate(hash_, data_.data(), data_.size());
}

std::string UploadServer::Url() const { return "http://" + script_.host + ":" + std::to_string(port_); }

void UploadServer::Serve() {
  const auto end = std::chrono::steady_clock::now() + script_.lifetime;
  while (!stop_ && std::chrono::steady_clock::now() < end) {
    pollfd p{listener_, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    const int socket = ::accept(listener_, nullptr, nullptr);
    if (socket < 0) continue;
    {
      std::lock_guard<std::mutex> hold(lock_);
      ++connections_;
    }
    ServeConnection(socket);
  }
}

void UploadServer::ServeConnection(int socket) {
  Connection connection(socket, stop_);
  std::string head;
  while (connection.Open() && !stop_ && connection.ReadHead(&head)) {
    Request request;
    if (!ParseHead(head, &request)) return;
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (request.target.find(script_.password) != std::string::npos) passwordInUrl_ = true;
    }
    if (request.method == "POST" && request.target == "/uploads") {
      std::string body;
      while (body.size() < request.length) {
        const std::string more = connection.Read(request.length - body.size());
        if (more.empty()) return;
        body += more;
      }
      const auto auth = request.headers.find("authorization");
      const std::string credentials = auth != request.headers.end() && auth->second.rfind("Basic ", 0) == 0
                                          ? Base64Decode(auth->second.substr(6))
                                          : std::string();
      std::lock_guard<std::mutex> hold(lock_);
      ++opens_;
      if (credentials != script_.user + ":" + script_.password) {
        connection.Write(Reply(401, "Unauthorized", "WWW-Authenticate: Basic realm=\"uploads\"\r\n"));
        continue;
      }
      if (script_.opening == Opening::Garbage) {
        connection.Write(Reply(200, "OK", {}, "%%garbage%%"));
        continue;
      }
      if (script_.opening == Opening::HugeLength) {
        connection.Write("HTTP/1.1 200 OK\r\nLocation: /upload/1\r\nContent-Length: 2147483648\r\n\r\nabc");
        return;
      }
      metadata_ = body;
      const auto size = body.find("\"size\":");
      expected_ = size == std::string::npos ? 0 : std::stoull(body.substr(size + 7));
      data_.clear();
      // Room for the whole file up front, within reason, so holding it never copies it.
      if (expected_ <= (1ull << 30)) data_.reserve(expected_);
      HashFrom(0);
      complete_ = false;
      connection.Write(Reply(201, "Created", "Location: " + script_.location + "\r\n"));
      continue;
    }
    if (request.method == "PUT" && request.target == "/plain") {
      // A plain upload, the yardstick the benchmark measures against: held and digested as
      // the upload's own bytes are, so both cost the server the same.
      std::string held;
      if (request.length <= (1ull << 30)) held.reserve(request.length);
      EVP_MD_CTX* digest = EVP_MD_CTX_new();
      EVP_DigestInit_ex(digest, EVP_sha256(), nullptr);
      for (std::uint64_t left = request.length; left > 0;) {
        const std::string more = connection.Read(static_cast<std::size_t>(std::min<std::uint64_t>(left, 1u << 20)));
        if (more.empty()) break;
        held += more;
        EVP_DigestUpdate(digest, more.data(), more.size());
        left -= more.size();
      }
      const std::string hex = DigestOf(digest);
      EVP_MD_CTX_free(digest);
      if (held.size() != request.length) return;
      connection.Write(Reply(200, "OK", "Content-Type: application/json\r\n", "{\"sha256\":\"" + hex + "\"}"));
      continue;
    }
    if (request.method != "PUT" || request.target != "/upload/1") {
      connection.Write(Reply(404, "Not Found"));
      continue;
    }
    const std::string range = request.headers.count("content-range") ? request.headers["content-range"] : "";
    unsigned long long from = 0, to = 0, total = 0;
    const bool asking = std::sscanf(range.c_str(), "bytes */%llu", &total) == 1;
    const bool sending = !asking && std::sscanf(range.c_str(), "bytes %llu-%llu/%llu", &from, &to, &total) == 3;
    {
      std::lock_guard<std::mutex> hold(lock_);
      ++fileRequests_;
      if (sending && (from > data_.size() || total != expected_ || to - from + 1 != request.length)) {
        connection.Write(Reply(416, "Range Not Satisfiable"));
        return;
      }
      if (sending && from < data_.size()) HashFrom(from);
    }
    std::uint64_t left = request.length;
    while (left > 0) {
      std::size_t limit = static_cast<std::size_t>(std::min<std::uint64_t>(left, 256 * 1024));
      {
        std::lock_guard<std::mutex> hold(lock_);
        if (sending && !script_.fail500 && !script_.stall && script_.dropAt >= 0 && !dropped_)
          limit = static_cast<std::size_t>(std::min<std::uint64_t>(
              limit, static_cast<std::uint64_t>(script_.dropAt) > data_.size() ? script_.dropAt - data_.size() : 0));
        if (limit == 0) {
          dropped_ = true;
          return;
        }
      }
      const std::string more = connection.Read(limit);
      if (more.empty()) return;
      left -= more.size();
      std::lock_guard<std::mutex> hold(lock_);
      if (sending && !script_.fail500 && !script_.stall) {
        data_ += more;
        EVP_DigestUpdate(hash_, more.data(), more.size());
      }
    }
    if (script_.stall) {
      while (!stop_ && !connection.Read(1).empty()) {
      }
      return;
    }
    std::lock_guard<std::mutex> hold(lock_);
    if (script_.fail500) {
      connection.Write(Reply(500, "Internal Server Error"));
      continue;
    }
    if (expected_ > 0 && data_.size() == expected_) {
      complete_ = true;
      connection.Write(
          Reply(200, "OK", "Content-Type: application/json\r\n", "{\"sha256\":\"" + DigestOf(hash_) + "\"}"));
      continue;
    }
    connection.Write(
        Reply(308, "Resume Incomplete",
              data_.empty() ? std::string() : "Range: bytes=0-" + std::to_string(data_.size() - 1) + "\r\n"));
  }
}

std::string UploadServer::Metadata() const {
  std::lock_guard<std::mutex> hold(lock_);
  return metadata_;
}
std::string UploadServer::HeldSha256() const {
  std::lock_guard<std::mutex> hold(lock_);
  return DigestOf(hash_);
}
std::uint64_t UploadServer::Held() const {
  std::lock_guard<std::mutex> hold(lock_);
  return data_.size();
}
bool UploadServer::Complete() const {
  std::lock_guard<std::mutex> hold(lock_);
  return complete_;
}
bool UploadServer::Dropped() const {
  std::lock_guard<std::mutex> hold(lock_);
  return dropped_;
}
int UploadServer::Opens() const {
  std::lock_guard<std::mutex> hold(lock_);
  return opens_;
}
int UploadServer::FileRequests() const {
  std::lock_guard<std::mutex> hold(lock_);
  return fileRequests_;
}
int UploadServer::Connections() const {
  std::lock_guard<std::mutex> hold(lock_);
  return connections_;
}

bool UploadServer::PasswordInUrl() const {
  std::lock_guard<std::mutex> hold(lock_);
  return passwordInUrl_;
}

std::string FileSha256(const std::string& path) {
  std::string command = "sha256sum '" + path + "'";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return {};
  char line[256] = {};
  const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
  ::pclose(pipe);
  return read ? std::string(line, 64) : std::string();
}

}  // namespace uploadtest
