#include "uploader/upload_address.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/registry/registry.h"
#include "uploader/corrin_link.h"

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::string RegistryAddress() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kCorrinKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  DWORD type = 0, size = 0;
  std::string text;
  if (RegQueryValueExA(key, kUploadUrlValue, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
    text.resize(size);
    if (RegQueryValueExA(key, kUploadUrlValue, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
        ERROR_SUCCESS)
      size = 0;
    text.resize(std::min<size_t>(size, text.size()));
    text.resize(std::min(text.size(), text.find('\0')));
  }
  RegCloseKey(key);
  return text;
}

struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

// The host as libcurl will connect to it, so that what is checked is what is reached.
std::string HostOf(const std::string& address) {
  std::unique_ptr<CURLU, UrlDeleter> url(curl_url());
  if (!url || curl_url_set(url.get(), CURLUPART_URL, address.c_str(), 0) != CURLUE_OK) return {};
  char* host = nullptr;
  if (curl_url_get(url.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK || !host) return {};
  std::string text(host);
  curl_free(host);
  return Lower(text);
}

bool IsLoopbackIpv4(const std::string& host) {
  int parts[4];
  char tail = 0;
  if (std::sscanf(host.c_str(), "%d.%d.%d.%d%c", &parts[0], &parts[1], &parts[2], &parts[3], &tail) != 4) return false;
  if (host.find_first_not_of("0123456789.") != std::string::npos) return false;
  for (int part : parts)
    if (part < 0 || part > 255) return false;
  return parts[0] == 127;
}

bool IsLoopback(const std::string& host) { return host == "localhost" || host == "[::1]" || IsLoopbackIpv4(host); }

}  // namespace

UploadAddress CheckUploadAddress(const std::string& configured) {
  UploadAddress answer;
  answer.configured = configured;
  std::string url = configured;
  while (!url.empty() && std::isspace(static_cast<unsigned char>(url.back()))) url.pop_back();
  while (!url.empty() && url.back() == '/') url.pop_back();
  std::size_t start = 0;
  while (start < url.size() && std::isspace(static_cast<unsigned char>(url[start]))) ++start;
  if (start == url.size()) return answer;
  answer.problem = UploadAddressProblem::Refused;
  const std::string scheme = Lower(url.substr(0, url.find("://")));
  if (url.find("://") == std::string::npos || (scheme != "http" && scheme != "https")) return answer;
  const std::string host = HostOf(url);
  if (host.empty()) return answer;
  if (scheme == "http" && !IsLoopback(host)) {
    answer.problem = UploadAddressProblem::ClearText;
    return answer;
  }
  answer.url = url;
  answer.problem = UploadAddressProblem::None;
  return answer;
}

UploadAddress FindUploadAddress() {
  const char* variable = std::getenv(kUploadUrlVariable);
  if (variable && *variable) return CheckUploadAddress(variable);
  return CheckUploadAddress(RegistryAddress());
}
