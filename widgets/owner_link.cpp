#include "widgets/owner_link.h"

#include <cstring>

#include "platform/window/message_payload.h"

namespace {

constexpr std::size_t kHeader = 12;  // handle and length

}  // namespace

std::vector<std::uint8_t> EncodeOwnerLinkRecord(const OwnerLinkRecord& record) {
  std::vector<std::uint8_t> out(kHeader + record.folder.size() + 1, 0);
  const auto handle = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(record.window));
  for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(handle >> (8 * i));
  const auto length = static_cast<std::uint32_t>(record.folder.size());
  for (int i = 0; i < 4; ++i) out[8 + i] = static_cast<std::uint8_t>(length >> (8 * i));
  std::memcpy(out.data() + kHeader, record.folder.data(), record.folder.size());
  return out;
}

std::optional<OwnerLinkRecord> DecodeOwnerLinkRecord(const std::uint8_t* data, std::size_t size) {
  if (!data || size < kHeader + 1) return std::nullopt;
  std::uint64_t handle = 0;
  for (int i = 0; i < 8; ++i) handle |= std::uint64_t{data[i]} << (8 * i);
  std::uint32_t length = 0;
  for (int i = 0; i < 4; ++i) length |= std::uint32_t{data[8 + i]} << (8 * i);
  if (length > kOwnerLinkMaxFolder || size != kHeader + length + std::size_t{1}) return std::nullopt;
  const char* folder = reinterpret_cast<const char*>(data + kHeader);
  if (folder[length] != '\0' || std::memchr(folder, '\0', length) != nullptr) return std::nullopt;
  OwnerLinkRecord record;
  record.window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(handle));
  record.folder.assign(folder, length);
  return record;
}

std::vector<std::uint8_t> EncodeOwnerLinkFiles(const std::vector<std::string>& paths) {
  std::vector<std::uint8_t> out;
  for (const std::string& path : paths) {
    out.insert(out.end(), path.begin(), path.end());
    out.push_back(0);
  }
  out.push_back(0);
  return out;
}

std::optional<std::vector<std::string>> DecodeOwnerLinkFiles(const std::uint8_t* data, std::size_t size) {
  if (!data || size < 2 || data[size - 1] != 0 || data[size - 2] != 0) return std::nullopt;
  std::vector<std::string> paths;
  const char* text = reinterpret_cast<const char*>(data);
  for (std::size_t at = 0; at < size - 1;) {
    const std::size_t length = std::strlen(text + at);  // the final zero bounds every path
    if (length == 0 || length > kOwnerLinkMaxPath) return std::nullopt;
    paths.emplace_back(text + at, length);
    at += length + 1;
  }
  return paths;
}

BOOL PostOwnerLinkRecord(HWND owner, const OwnerLinkRecord& record) {
  if (record.folder.size() > kOwnerLinkMaxFolder || record.folder.find('\0') != std::string::npos) return FALSE;
  const std::vector<std::uint8_t> payload = EncodeOwnerLinkRecord(record);
  return platform::PostPayloadMessage(owner, WM_OWNER_LINK, OWNER_LINK_REGISTER, payload.data(), payload.size());
}

BOOL PostOwnerLinkFiles(HWND window, const std::vector<std::string>& paths) {
  const std::vector<std::uint8_t> payload = EncodeOwnerLinkFiles(paths);
  if (!DecodeOwnerLinkFiles(payload.data(), payload.size())) return FALSE;
  return platform::PostPayloadMessage(window, WM_OWNER_LINK, OWNER_LINK_DROP_FILES, payload.data(), payload.size());
}
