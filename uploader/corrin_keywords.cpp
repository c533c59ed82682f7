#include "uploader/corrin_keywords.h"

#include <filesystem>

std::string UploadKeywords(const std::string& text, const std::string& filePath) {
  const std::string stem = std::filesystem::path(filePath).stem().string();
  std::string out, piece;
  auto flush = [&] {
    if (piece.empty()) return;
    if (piece.size() == 1) piece = stem.size() == 1 ? piece + stem : stem;
    if (!piece.empty()) out += piece + ",";
    piece.clear();
  };
  for (const char c : text) {
    if (c == '\'' || c == ' ' || c == ',') {
      flush();
    } else {
      piece += c;
    }
  }
  flush();
  return out;
}
