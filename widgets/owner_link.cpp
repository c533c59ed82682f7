#include "widgets/owner_link.h"

#include <cstring>

#include "platform/ole/global_memory.h"

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

HGLOBAL OwnerLinkRecordBlock(const OwnerLinkRecord& record) {
  if (record.folder.size() > kOwnerLinkMaxFolder) return nullptr;
  const std::vector<std::uint8_t> payload = EncodeOwnerLinkRecord(record);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_SHARE, payload.size());
  void* bytes = block ? GlobalLock(block) : nullptr;
  if (!bytes) {
    if (block) GlobalFree(block);
    return nullptr;
  }
  std::memcpy(bytes, payload.data(), payload.size());
  GlobalUnlock(block);
  return block;
}

std::optional<OwnerLinkRecord> TakeOwnerLinkRecordBlock(HGLOBAL block) {
  const std::size_t size = GlobalSize(block);
  const void* bytes = size ? GlobalLock(block) : nullptr;
  if (!bytes) return std::nullopt;
  auto record = DecodeOwnerLinkRecord(static_cast<const std::uint8_t*>(bytes), size);
  GlobalUnlock(block);
  GlobalFree(block);
  return record;
}
