// WM_OWNER_LINK: how a dialog program started with "/owner=" announces itself to the window
// that started it. The announcement carries a record as a copied payload of its own length,
// never a pointer or a handle of the sender's memory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/win_types.h"
#include "platform/window/wm_messages.h"

constexpr UINT WM_OWNER_LINK = WM_USER + 987;

constexpr WPARAM OWNER_LINK_REGISTER = 1;    // lParam: a global block holding a record payload
constexpr WPARAM OWNER_LINK_UNREGISTER = 2;  // lParam: the child's window
constexpr WPARAM OWNER_LINK_DROP_FILES = 3;  // lParam: a global block holding a file list
constexpr WPARAM OWNER_LINK_COMMAND = 4;     // lParam: any value
constexpr WPARAM OWNER_LINK_OWNER_CLOSED = 99;

struct OwnerLinkRecord {
  HWND window = nullptr;
  std::string folder;  // the child's own folder, full length
};

// The longest folder a record carries.
constexpr std::size_t kOwnerLinkMaxFolder = 4096;

// Window handle (8 bytes, little-endian), folder length (4 bytes), the folder, a zero byte.
std::vector<std::uint8_t> EncodeOwnerLinkRecord(const OwnerLinkRecord& record);
// No value for a payload of the wrong size, a length that disagrees with it, a missing
// terminator, a zero byte inside the folder or a folder longer than kOwnerLinkMaxFolder.
std::optional<OwnerLinkRecord> DecodeOwnerLinkRecord(const std::uint8_t* data, std::size_t size);

// The record as a movable global block the receiver frees; NULL when memory fails or the
// folder is too long.
HGLOBAL OwnerLinkRecordBlock(const OwnerLinkRecord& record);
// Reads and frees a block made by OwnerLinkRecordBlock; no value for a handle that is not a
// live block of this process or holds a malformed record.
std::optional<OwnerLinkRecord> TakeOwnerLinkRecordBlock(HGLOBAL block);
