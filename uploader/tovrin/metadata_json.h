// The metadata that opens an upload, as one JSON object.
#pragma once

#include <cstdint>
#include <string>

namespace tovrin {

struct VideoMetadata {
  std::string user;
  int accountType = 0;  // 0 the service's own account, 1 a Google account
  std::string title;
  std::string description;
  std::string keywords;
  std::string category;
  int broadcast = 0;  // 0 public, 1 private
};

// A JSON string literal of UTF-8 text, quotes included.
std::string JsonString(const std::string& text);
// {"user","account","title","description","keywords","category","privacy","size"}; the
// password never goes in: it travels only as the login's credentials.
std::string MetadataJson(const VideoMetadata& metadata, std::uint64_t size);

}  // namespace tovrin
