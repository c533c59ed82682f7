#include "rc_lexer.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/base/strings.h"

namespace rc {
namespace {

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

// Splits one logical line into tokens; block comments may run across lines (state kept).
void Tokenize(const std::string& line, const std::string& file, int lineNo, bool& inComment, std::vector<Token>& out) {
  size_t i = 0;
  while (i < line.size()) {
    if (inComment) {
      const auto end = line.find("*/", i);
      if (end == std::string::npos) return;
      inComment = false;
      i = end + 2;
      continue;
    }
    const char c = line[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '/' && i + 1 < line.size() && line[i + 1] == '/') {
      return;
    } else if (c == '/' && i + 1 < line.size() && line[i + 1] == '*') {
      inComment = true;
      i += 2;
    } else if (c == '"') {
      Token t{Token::String, "", 0, file, lineNo};
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char ch = line[i++];
        if (ch == '"') {
          if (i < line.size() && line[i] == '"') {  // "" inside a string is one quote
            t.text += '"';
            ++i;
            continue;
          }
          closed = true;
          break;
        }
        if (ch == '\\' && i < line.size()) {
          char e = line[i++];
          switch (e) {
            case 'n': ch = '\n'; break;
            case 't': ch = '\t'; break;
            case 'r': ch = '\r'; break;
            case '0': ch = '\0'; break;
            default: ch = e; break;
          }
        }
        t.text += ch;
      }
      if (!closed) throw ScriptError(file, lineNo, "unterminated string");
      out.push_back(t);
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      size_t start = i;
      while (i < line.size() && (std::isalnum(static_cast<unsigned char>(line[i])))) ++i;
      std::string text = line.substr(start, i - start);
      std::string digits = text;
      while (!digits.empty() &&
             (digits.back() == 'L' || digits.back() == 'l' || digits.back() == 'U' || digits.back() == 'u'))
        digits.pop_back();
      char* end = nullptr;
      long long v = std::strtoll(digits.c_str(), &end, 0);
      if (!end || *end) throw ScriptError(file, lineNo, "bad number '" + text + "'");
      out.push_back(Token{Token::Number, text, v, file, lineNo});
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '#') {
      size_t start = i++;
      while (i < line.size() && (std::isalnum(static_cast<unsigned char>(line[i])) || line[i] == '_' || line[i] == '.'))
        ++i;
      out.push_back(Token{Token::Name, line.substr(start, i - start), 0, file, lineNo});
    } else if (std::string(",|(){}+-~").find(c) != std::string::npos) {
      out.push_back(Token{Token::Punct, std::string(1, c), 0, file, lineNo});
      ++i;
    } else {
      throw ScriptError(file, lineNo, std::string("unexpected character '") + c + "'");
    }
  }
}

using platform::Trim;

}  // namespace

std::string Preprocessor::Resolve(const std::string& name, const std::string& from) const {
  if (!name.empty() && name[0] == '/') return name;
  if (Exists(FolderOf(from) + name)) return FolderOf(from) + name;
  for (auto& dir : includeDirs_)
    if (Exists(dir + "/" + name)) return dir + "/" + name;
  return std::string();
}

std::vector<Token> Preprocessor::Run(const std::string& path) {
  std::vector<Token> out;
  File(path, out, 0);
  return out;
}

void Preprocessor::File(const std::string& path, std::vector<Token>& out, int depth) {
  if (depth > 16) throw ScriptError(path, 0, "includes nested too deeply");
  std::ifstream in;
  if (Exists(path)) in.open(path);
  if (!in.is_open()) throw ScriptError(path, 0, "cannot open file");
  files_.push_back(path);
  // Each level of #if: whether its lines are taken, and whether any branch was taken yet.
  struct Level {
    bool active;
    bool taken;
  };
  std::vector<Level> levels;
  auto active = [&] {
    for (auto& l : levels)
      if (!l.active) return false;
    return true;
  };
  std::string line;
  int lineNo = 0;
  bool inComment = false;
  while (std::getline(in, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string trimmed = Trim(line);
    if (!inComment && !trimmed.empty() && trimmed[0] == '#') {
      std::istringstream directive(trimmed.substr(1));
      std::string word;
      directive >> word;
      if (word == "ifdef" || word == "ifndef") {
        std::string name;
        directive >> name;
        const bool defined = symbols_.count(name) || textDefines_.count(name);
        const bool on = word == "ifdef" ? defined : !defined;
        levels.push_back({on, on});
      } else if (word == "if") {
        std::string rest;
        std::getline(directive, rest);
        rest = Trim(rest);
        bool on = rest != "0";
        if (rest.rfind("defined", 0) == 0) {
          std::string name = rest.substr(7);
          for (char ch : std::string("() ")) name.erase(std::remove(name.begin(), name.end(), ch), name.end());
          on = symbols_.count(name) || textDefines_.count(name);
        }
        levels.push_back({on, on});
      } else if (word == "else") {
        if (levels.empty()) throw ScriptError(path, lineNo, "#else without #if");
        levels.back().active = !levels.back().taken;
        levels.back().taken = true;
      } else if (word == "elif") {
        if (levels.empty()) throw ScriptError(path, lineNo, "#elif without #if");
        levels.back().active = false;
      } else if (word == "endif") {
        if (levels.empty()) throw ScriptError(path, lineNo, "#endif without #if");
        levels.pop_back();
      } else if (!active()) {
        continue;
      } else if (word == "include") {
        std::string rest;
        std::getline(directive, rest);
        rest = Trim(rest);
        if (rest.size() < 2) throw ScriptError(path, lineNo, "bad #include");
        const std::string name = rest.substr(1, rest.size() - 2);
        const std::string found = Resolve(name, path);
        if (found.empty()) {
          // System headers of the platform's resource tools are not needed: their names are built in.
          if (rest[0] == '<' || name == "afxres.h" || name == "winres.h" || name == "windows.h") continue;
          throw ScriptError(path, lineNo, "cannot find include file '" + name + "'");
        }
        File(found, out, depth + 1);
      } else if (word == "define") {
        std::string name, value;
        directive >> name;
        std::getline(directive, value);
        value = Trim(value);
        if (const auto comment = value.find("//"); comment != std::string::npos) value = Trim(value.substr(0, comment));
        if (value.empty()) {
          textDefines_[name] = "";
          continue;
        }
        std::string number = value;
        while (!number.empty() && (number.front() == '(')) number.erase(0, 1);
        while (!number.empty() && (number.back() == ')' || number.back() == 'L' || number.back() == 'U'))
          number.pop_back();
        char* end = nullptr;
        const long long v = std::strtoll(number.c_str(), &end, 0);
        if (end && !*end && !number.empty()) symbols_[name] = v;
        else if (symbols_.count(value)) symbols_[name] = symbols_[value];
        else textDefines_[name] = value;
      } else if (word == "undef") {
        std::string name;
        directive >> name;
        symbols_.erase(name);
        textDefines_.erase(name);
      } else if (word == "pragma" || word == "error" || word == "line") {
        continue;
      } else {
        throw ScriptError(path, lineNo, "unknown directive #" + word);
      }
      continue;
    }
    if (!active()) continue;
    // Headers give symbols only; their other lines are C and not part of the script.
    if (path.size() > 2 && path.compare(path.size() - 2, 2, ".h") == 0) continue;
    Tokenize(line, path, lineNo, inComment, out);
  }
  if (!levels.empty()) throw ScriptError(path, lineNo, "missing #endif");
}

}  // namespace rc
