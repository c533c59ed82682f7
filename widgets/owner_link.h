// WM_OWNER_LINK: how a dialog program started with "/owner=" announces itself to the window
// that started it, and how files are handed to a window of this or another program. Records
// and file lists travel as copied payloads of the message transport (message_payload.h),
// never as a pointer or a handle of the sender's memory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/win_types.h"
#include "platform/window/wm_messages.h"

constexpr UINT WM_OWNER_LINK = WM_USER + 987;

constexpr WPARAM OWNER_LINK_REGISTER = 1;    // lParam: a payload holding a record
constexpr WPARAM OWNER_LINK_UNREGISTER = 2;  // lParam: the child's window
constexpr WPARAM OWNER_LINK_DROP_FILES = 3;  // lParam: a payload holding a file list
constexpr WPARAM OWNER_LINK_COMMAND = 4;     // lParam: any value
constexpr WPARAM OWNER_LINK_OWNER_CLOSED = 99;

struct OwnerLinkRecord {
  HWND window = nullptr;
  std::string folder;  // the child's own folder, full length
};

// The longest folder a record carries, and the longest path of a file list.
constexpr std::size_t kOwnerLinkMaxFolder = 4096;
constexpr std::size_t kOwnerLinkMaxPath = 4096;

// Window handle (8 bytes, little-endian), folder length (4 bytes), the folder, a zero byte.
std::vector<std::uint8_t> EncodeOwnerLinkRecord(const OwnerLinkRecord& record);
// No value for a payload of the wrong size, a length that disagrees with it, a missing
// terminator, a zero byte inside the folder or a folder longer than kOwnerLinkMaxFolder.
std::optional<OwnerLinkRecord> DecodeOwnerLinkRecord(const std::uint8_t* data, std::size_t size);

// Every path zero-terminated, then one more zero byte.
std::vector<std::uint8_t> EncodeOwnerLinkFiles(const std::vector<std::string>& paths);
// No value for an empty list, a missing final zero, an empty path or one longer than
// kOwnerLinkMaxPath.
std::optional<std::vector<std::string>> DecodeOwnerLinkFiles(const std::uint8_t* data, std::size_t size);

// Posts the announcement (code 1) or a file list (code 3) to a window of this or another
// process; FALSE when the record or list is malformed, too large for the transport, or the
// window is gone.
BOOL PostOwnerLinkRecord(HWND owner, const OwnerLinkRecord& record);
BOOL PostOwnerLinkFiles(HWND window, const std::vector<std::string>& paths);
