// The text/uri-list a desktop drag carries, read back as local paths.
#pragma once

#include <string>
#include <vector>

namespace platform::x11 {

// The local files of a uri-list: file:// URIs (an empty or "localhost" host) with their %XX
// escapes decoded; comments, other schemes, other hosts and malformed escapes are skipped.
std::vector<std::string> PathsFromUriList(const std::string& text);

}  // namespace platform::x11
