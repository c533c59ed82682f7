#include <cstdlib>

#include "platform/base/process.h"

namespace platform {

std::vector<std::string> SplitCommandLine(const std::string& text) {
  std::vector<std::string> args;
  std::string current;
  bool inArg = false;
  bool inQuotes = false;
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if ((c == ' ' || c == '\t') && !inQuotes) {
      if (inArg) args.push_back(current);
      current.clear();
      inArg = false;
      ++i;
      continue;
    }
    inArg = true;
    if (c == '\\') {
      std::size_t n = 0;
      while (i < text.size() && text[i] == '\\') {
        ++n;
        ++i;
      }
      if (i < text.size() && text[i] == '"') {
        current.append(n / 2, '\\');
        if (n % 2 == 1) {
          current += '"';
          ++i;
        }
      } else {
        current.append(n, '\\');
      }
      continue;
    }
    if (c == '"') {
      if (inQuotes && i + 1 < text.size() && text[i + 1] == '"') {
        current += '"';
        i += 2;
      } else {
        inQuotes = !inQuotes;
        ++i;
      }
      continue;
    }
    current += c;
    ++i;
  }
  if (inArg) args.push_back(current);
  return args;
}

std::string JoinCommandLine(const std::vector<std::string>& args) {
  std::string text;
  for (const std::string& arg : args) {
    if (!text.empty()) text += ' ';
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
      text += arg;
      continue;
    }
    text += '"';
    std::size_t backslashes = 0;
    for (char c : arg) {
      if (c == '\\') {
        ++backslashes;
        continue;
      }
      if (c == '"') {
        text.append(backslashes * 2 + 1, '\\');
      } else {
        text.append(backslashes, '\\');
      }
      backslashes = 0;
      text += c;
    }
    text.append(backslashes * 2, '\\');
    text += '"';
  }
  return text;
}

std::string CommandLineParameters(int argc, const char* const* argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
  // The exact text travels beside the arguments; it is used only when it still matches them,
  // so a value inherited from some earlier launch is never taken for ours.
  const char* exact = std::getenv("VIDARRO_PARAMETERS");
  if (exact != nullptr && SplitCommandLine(exact) == args) return exact;
  return JoinCommandLine(args);
}

}  // namespace platform
