#include "platform/ole/drop_files.h"

#include <cstring>

#include "platform/ole/global_memory.h"

namespace {

// Appends one UTF-16 code point as UTF-8.
void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Reads the paths of a locked block of `size` bytes; a list that runs off the end of the
// block is cut where the block ends, its unterminated last entry dropped.
std::vector<std::string> ParseList(const BYTE* block, std::size_t size) {
  std::vector<std::string> paths;
  if (size < sizeof(DROPFILES)) return paths;
  DROPFILES header;
  std::memcpy(&header, block, sizeof header);
  if (header.pFiles < sizeof(DROPFILES) || header.pFiles >= size) return paths;
  std::size_t pos = header.pFiles;
  if (!header.fWide) {
    while (pos < size && block[pos] != 0) {
      const void* end = std::memchr(block + pos, 0, size - pos);
      if (!end) break;
      const std::size_t len = static_cast<const BYTE*>(end) - (block + pos);
      paths.emplace_back(reinterpret_cast<const char*>(block + pos), len);
      pos += len + 1;
    }
    return paths;
  }
  auto unit = [&](std::size_t at) -> std::uint32_t { return block[at] | (block[at + 1] << 8); };
  while (pos + 1 < size && unit(pos) != 0) {
    std::string path;
    bool terminated = false;
    while (pos + 1 < size) {
      std::uint32_t u = unit(pos);
      pos += 2;
      if (u == 0) {
        terminated = true;
        break;
      }
      if (u >= 0xD800 && u < 0xDC00 && pos + 1 < size && unit(pos) >= 0xDC00 && unit(pos) < 0xE000) {
        u = 0x10000 + ((u - 0xD800) << 10) + (unit(pos) - 0xDC00);
        pos += 2;
      } else if (u >= 0xD800 && u < 0xE000) {
        u = 0xFFFD;  // a lone surrogate
      }
      AppendUtf8(path, u);
    }
    if (!terminated) break;
    paths.push_back(std::move(path));
  }
  return paths;
}

std::vector<std::string> Read(HGLOBAL mem) {
  const std::size_t size = GlobalSize(mem);
  const auto* block = static_cast<const BYTE*>(GlobalLock(mem));
  if (!block) return {};
  auto paths = ParseList(block, size);
  GlobalUnlock(mem);
  return paths;
}

HGLOBAL AsGlobal(HDROP drop) { return reinterpret_cast<HGLOBAL>(drop); }

// The longest prefix of at most `room` bytes that ends on a UTF-8 sequence boundary.
std::size_t Utf8Prefix(const std::string& s, std::size_t room) {
  if (room >= s.size()) return s.size();
  std::size_t n = room;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return n;
}

}  // namespace

UINT DragQueryFile(HDROP drop, UINT iFile, LPSTR buffer, UINT size) {
  const auto paths = Read(AsGlobal(drop));
  if (iFile == 0xFFFFFFFF) return static_cast<UINT>(paths.size());
  if (iFile >= paths.size()) return 0;
  const std::string& path = paths[iFile];
  if (!buffer) return static_cast<UINT>(path.size());
  if (size == 0) return 0;
  const std::size_t n = Utf8Prefix(path, size - 1);
  std::memcpy(buffer, path.data(), n);
  buffer[n] = '\0';
  return static_cast<UINT>(n);
}

BOOL DragQueryPoint(HDROP drop, POINT* pt) {
  HGLOBAL mem = AsGlobal(drop);
  const std::size_t size = GlobalSize(mem);
  const auto* block = static_cast<const BYTE*>(GlobalLock(mem));
  if (!block) return FALSE;
  DROPFILES header;
  const bool whole = size >= sizeof header;
  if (whole) std::memcpy(&header, block, sizeof header);
  GlobalUnlock(mem);
  if (!whole) return FALSE;
  if (pt) *pt = header.pt;
  return header.fNC ? FALSE : TRUE;
}

void DragFinish(HDROP drop) { GlobalFree(AsGlobal(drop)); }

namespace platform::ole {

HGLOBAL BuildDropFiles(const std::vector<std::string>& paths, POINT pt, BOOL nonClient) {
  if (paths.empty()) return nullptr;
  std::size_t bytes = sizeof(DROPFILES) + 1;
  for (const auto& p : paths) {
    if (p.empty() || p.find('\0') != std::string::npos) return nullptr;
    bytes += p.size() + 1;
  }
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_SHARE, bytes);
  auto* block = static_cast<BYTE*>(GlobalLock(mem));
  if (!block) {
    GlobalFree(mem);
    return nullptr;
  }
  DROPFILES header;
  header.pt = pt;
  header.fNC = nonClient;
  std::memcpy(block, &header, sizeof header);
  std::size_t pos = sizeof header;
  for (const auto& p : paths) {
    std::memcpy(block + pos, p.data(), p.size());
    pos += p.size() + 1;
  }
  GlobalUnlock(mem);
  return mem;
}

std::vector<std::string> ReadDropFiles(HGLOBAL list) { return Read(list); }

}  // namespace platform::ole
