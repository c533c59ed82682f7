#include "uploader/tovrin/metadata_json.h"

#include <cstdio>

namespace tovrin {

std::string JsonString(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (byte < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

std::string MetadataJson(const VideoMetadata& metadata, std::uint64_t size) {
  std::string out = "{";
  out += "\"user\":" + JsonString(metadata.user);
  out += ",\"account\":" + std::string(metadata.accountType == 1 ? "\"google\"" : "\"youtube\"");
  out += ",\"title\":" + JsonString(metadata.title);
  out += ",\"description\":" + JsonString(metadata.description);
  out += ",\"keywords\":" + JsonString(metadata.keywords);
  out += ",\"category\":" + JsonString(metadata.category);
  out += ",\"privacy\":" + std::string(metadata.broadcast == 1 ? "\"private\"" : "\"public\"");
  out += ",\"size\":" + std::to_string(size);
  out += "}";
  return out;
}

}  // namespace tovrin
