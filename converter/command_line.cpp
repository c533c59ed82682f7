#include "converter/command_line.h"

#include <vector>

#include "platform/base/process.h"
#include "platform/base/strings.h"

namespace {

struct Token {
  size_t begin;
  size_t end;
  std::string upper;
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::vector<Token> Tokens(const std::string& text) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    const size_t begin = i;
    while (i < text.size() && !IsBlank(text[i])) ++i;
    if (i > begin) tokens.push_back({begin, i, platform::ToUpperAscii(text.substr(begin, i - begin))});
  }
  return tokens;
}

bool IsDigit(const std::string& s) { return s.size() == 1 && s[0] >= '0' && s[0] <= '9'; }

}  // namespace

ParvelCommand ParseParvelCommandLine(const std::string& text, int logLocation) {
  ParvelCommand command;
  command.logLocation = logLocation;
  const std::string trimmed = platform::Trim(text);
  if (trimmed.empty()) return command;
  command.mode = kModeMobile;

  std::vector<Token> tokens = Tokens(trimmed);
  std::vector<bool> option(tokens.size(), false);
  bool psp = false, ipod = false, ipodIphone = false, xvid = false, wmv = false, mobile = false, ipad = false;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const std::string& t = tokens[i].upper;
    bool* flag = t == "/PSP"           ? &psp
                 : t == "/IPOD"        ? &ipod
                 : t == "/IPOD_IPHONE" ? &ipodIphone
                 : t == "/XVID-HD"     ? &xvid
                 : t == "/WMV-HD"      ? &wmv
                 : t == "/MOBILE"      ? &mobile
                 : t == "/IPAD"        ? &ipad
                                       : nullptr;
    if (flag) {
      *flag = true;
      option[i] = true;
    } else if (t == "/LOG") {
      option[i] = true;
      if (i + 1 < tokens.size() && IsDigit(tokens[i + 1].upper)) {
        command.logLocation = tokens[i + 1].upper[0] - '0';
        option[++i] = true;
      }
    } else if (t.size() == 6 && t.compare(0, 4, "/LOG") == 0 && !IsBlank(t[4])) {
      option[i] = true;
      if (IsDigit(t.substr(5))) command.logLocation = t[5] - '0';
    }
  }
  // A later test overrides an earlier one, whatever the options' order on the line.
  if (psp) command.mode = kModePsp;
  if (ipodIphone) command.mode = kModeIpodIphone;
  else if (ipod) command.mode = kModeIpod;
  if (xvid) command.mode = kModeXvidHd;
  if (wmv) command.mode = kModeWmvHd;
  if (mobile) command.mode = kModeMobile;
  if (ipad) command.mode = kModeIpad;

  // The path is what lies between the first and last token that is no option, case and inner
  // blanks kept.
  size_t first = std::string::npos, last = 0;
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (option[i]) continue;
    if (first == std::string::npos) first = tokens[i].begin;
    last = tokens[i].end;
  }
  if (first != std::string::npos) {
    std::string path;
    for (size_t i = 0; i < tokens.size(); ++i) {
      if (option[i] || tokens[i].begin < first || tokens[i].end > last) continue;
      if (!path.empty()) {
        // Blanks between two path pieces as they stood.
        size_t gapBegin = tokens[i].begin;
        while (gapBegin > 0 && IsBlank(trimmed[gapBegin - 1])) --gapBegin;
        path += trimmed.substr(gapBegin, tokens[i].begin - gapBegin);
      }
      path += trimmed.substr(tokens[i].begin, tokens[i].end - tokens[i].begin);
    }
    // A path given in quotes, as the command line's rule groups it, is the path without them.
    if (path.find('"') != std::string::npos) {
      const std::vector<std::string> args = platform::SplitCommandLine(path);
      if (args.size() == 1) path = args[0];
    }
    command.listPath = path;
  }
  return command;
}
