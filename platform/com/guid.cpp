#include "platform/com/guid.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <tuple>

bool operator<(REFGUID a, REFGUID b) {
  if (a.Data1 != b.Data1) return a.Data1 < b.Data1;
  if (a.Data2 != b.Data2) return a.Data2 < b.Data2;
  if (a.Data3 != b.Data3) return a.Data3 < b.Data3;
  return std::memcmp(a.Data4, b.Data4, sizeof a.Data4) < 0;
}

std::string GuidToString(REFGUID g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", static_cast<unsigned>(g.Data1),
                g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                g.Data4[7]);
  return text;
}

namespace {
bool ReadHex(const std::string& s, std::size_t pos, int digits, unsigned long long* out) {
  unsigned long long v = 0;
  for (int i = 0; i < digits; ++i) {
    const unsigned char c = static_cast<unsigned char>(s[pos + i]);
    if (!std::isxdigit(c)) return false;
    v = v * 16 + static_cast<unsigned>(std::isdigit(c) ? c - '0' : std::tolower(c) - 'a' + 10);
  }
  *out = v;
  return true;
}
}  // namespace

bool GuidFromString(const std::string& text, GUID* guid) {
  std::string s = text;
  if (s.size() == 38 && s.front() == '{' && s.back() == '}') s = s.substr(1, 36);
  if (s.size() != 36 || s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-') return false;
  GUID g;
  unsigned long long v = 0;
  if (!ReadHex(s, 0, 8, &v)) return false;
  g.Data1 = static_cast<DWORD>(v);
  if (!ReadHex(s, 9, 4, &v)) return false;
  g.Data2 = static_cast<WORD>(v);
  if (!ReadHex(s, 14, 4, &v)) return false;
  g.Data3 = static_cast<WORD>(v);
  const std::size_t bytePos[8] = {19, 21, 24, 26, 28, 30, 32, 34};
  for (int i = 0; i < 8; ++i) {
    if (!ReadHex(s, bytePos[i], 2, &v)) return false;
    g.Data4[i] = static_cast<BYTE>(v);
  }
  if (guid) *guid = g;
  return true;
}

int StringFromGUID2(REFGUID guid, char* buffer, int size) {
  const std::string s = GuidToString(guid);
  if (!buffer || size < static_cast<int>(s.size()) + 1) return 0;
  std::memcpy(buffer, s.c_str(), s.size() + 1);
  return static_cast<int>(s.size()) + 1;
}

std::size_t GuidHash::operator()(REFGUID g) const noexcept {
  std::size_t h = g.Data1;
  h = h * 31 + g.Data2;
  h = h * 31 + g.Data3;
  for (BYTE b : g.Data4) h = h * 31 + b;
  return h;
}
