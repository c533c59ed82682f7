#include "platform/script/script_file.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <sstream>

#include "platform/base/message_box.h"
#include "platform/base/strings.h"
#include "platform/window/wm_messages.h"

namespace platform::script {
namespace {

// A step that may wait longer than this is surely a mistake in the script.
constexpr double kLongestStepSeconds = 3600;

// Splits a line into words and quoted texts; false on an unterminated quote.
bool Words(const std::string& line, std::vector<std::string>* words, std::vector<bool>* quoted) {
  std::size_t i = 0;
  while (i < line.size()) {
    if (std::isspace(static_cast<unsigned char>(line[i]))) {
      ++i;
      continue;
    }
    std::string word;
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        const char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\' && i < line.size()) word += line[i++];
        else word += c;
      }
      if (!closed) return false;
      quoted->push_back(true);
    } else {
      while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) word += line[i++];
      quoted->push_back(false);
    }
    words->push_back(word);
  }
  return true;
}

bool Number(const std::string& word, int* value) {
  if (word.empty() || word.size() > 9) return false;
  for (char c : word)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  *value = std::atoi(word.c_str());
  return true;
}

struct Shape {
  Verb verb;
  bool id;
  bool text;
  bool textOptional;
  bool key = false;
  bool cell = false;    // a second quoted text follows
  bool target = false;  // a second control id follows the text
};

const std::map<std::string, Shape>& Verbs() {
  static const std::map<std::string, Shape> verbs = {
      {"wait-window", {Verb::kWaitWindow, false, true, false}},
      {"wait-gone", {Verb::kWaitGone, false, true, false}},
      {"click", {Verb::kClick, true, false, false}},
      {"type", {Verb::kType, true, true, false}},
      {"choose", {Verb::kChoose, true, true, false}},
      {"key", {Verb::kKey, true, false, false, true}},
      {"wait-text", {Verb::kWaitText, true, true, false}},
      {"wait-row", {Verb::kWaitRow, true, true, false, false, true}},
      {"wait-shown", {Verb::kWaitShown, true, false, false}},
      {"wait-hidden", {Verb::kWaitHidden, true, false, false}},
      {"wait-enabled", {Verb::kWaitEnabled, true, false, false}},
      {"wait-message", {Verb::kWaitMessage, false, true, false}},
      {"answer", {Verb::kAnswer, true, true, true}},
      {"answer-file", {Verb::kAnswerFile, false, true, false}},
      {"answer-folder", {Verb::kAnswerFolder, false, true, false}},
      {"close", {Verb::kClose, false, false, false}},
      {"menu", {Verb::kMenu, true, false, false}},
      {"drag", {Verb::kDrag, true, true, false, false, false, true}},
  };
  return verbs;
}

std::string Lower(const std::string& text) {
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

}  // namespace

int ButtonByName(const std::string& name) {
  static const std::map<std::string, int> names = {{"ok", IDOK},        {"cancel", IDCANCEL}, {"yes", IDYES},
                                                   {"no", IDNO},        {"abort", IDABORT},   {"retry", IDRETRY},
                                                   {"ignore", IDIGNORE}};
  const auto it = names.find(Lower(name));
  if (it != names.end()) return it->second;
  int id = 0;
  return Number(name, &id) ? id : 0;
}

int KeyByName(const std::string& name) {
  static const std::map<std::string, int> keys = {{"home", VK_HOME},    {"end", VK_END},      {"left", VK_LEFT},
                                                  {"right", VK_RIGHT},  {"up", VK_UP},        {"down", VK_DOWN},
                                                  {"pageup", VK_PRIOR}, {"pagedown", VK_NEXT}};
  const auto it = keys.find(Lower(name));
  return it != keys.end() ? it->second : 0;
}

std::optional<std::vector<Step>> ParseScript(const std::string& text, const std::string& program,
                                             const std::string& commandLine, std::string* error) {
  std::vector<Step> steps;
  bool mine = false;
  bool inProgram = false;
  bool inStep = false;
  std::istringstream lines(text);
  int number = 0;
  auto fail = [&](const std::string& why) {
    if (error) *error = "line " + std::to_string(number) + ": " + why;
    return std::nullopt;
  };
  for (std::string line; std::getline(lines, line);) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> words;
    std::vector<bool> quoted;
    if (!Words(line, &words, &quoted)) return fail("a text without its closing quote");
    if (words.empty() || (!quoted[0] && words[0][0] == '#')) continue;
    const std::string& verb = words[0];
    if (verb == "program") {
      if (words.size() < 2 || words.size() > 3 || quoted[1] || (words.size() == 3 && !quoted[2]))
        return fail("\"program\" takes a name and perhaps a quoted command line");
      inProgram = true;
      inStep = false;
      mine = (words[1] == "*" || EqualsNoCase(words[1], program)) && (words.size() == 2 || words[2] == commandLine);
      continue;
    }
    if (!inProgram) return fail("a \"program\" line must come first");
    if (verb == "step") {
      if (words.size() != 3 || !quoted[1] || words[1].empty()) return fail("\"step\" takes a quoted name and seconds");
      char* end = nullptr;
      const double seconds = std::strtod(words[2].c_str(), &end);
      if (end == words[2].c_str() || *end != '\0' || !(seconds > 0) || seconds > kLongestStepSeconds)
        return fail("a step's limit is a number of seconds from 0 to 3600");
      inStep = true;
      if (mine) steps.push_back(Step{words[1], static_cast<int>(seconds * 1000), {}, number});
      continue;
    }
    const auto shape = Verbs().find(verb);
    if (shape == Verbs().end()) return fail("unknown action \"" + verb + "\"");
    if (!inStep) return fail("an action before the first step");
    Action action;
    action.verb = shape->second.verb;
    action.line = number;
    std::size_t next = 1;
    if (shape->second.id) {
      if (next >= words.size()) return fail("\"" + verb + "\" needs a control id");
      action.id = action.verb == Verb::kAnswer ? ButtonByName(words[next]) : 0;
      if (action.verb != Verb::kAnswer && !Number(words[next], &action.id))
        return fail("\"" + words[next] + "\" is not a control id");
      if (action.id == 0) return fail("\"" + words[next] + "\" names no button");
      ++next;
    }
    if (shape->second.key) {
      if (next >= words.size() || quoted[next]) return fail("\"" + verb + "\" needs a key name");
      action.key = KeyByName(words[next]);
      if (action.key == 0) return fail("\"" + words[next] + "\" names no key");
      ++next;
    }
    if (shape->second.text && next < words.size()) {
      if (!quoted[next]) return fail("the text of \"" + verb + "\" goes in double quotes");
      action.text = words[next++];
    } else if (shape->second.text && !shape->second.textOptional) {
      return fail("\"" + verb + "\" needs a text");
    }
    if (shape->second.cell) {
      if (next >= words.size() || !quoted[next]) return fail("\"" + verb + "\" needs a second text in double quotes");
      action.cell = words[next++];
    }
    if (shape->second.target) {
      if (next >= words.size() || quoted[next] || !Number(words[next], &action.target) || action.target == 0)
        return fail("\"" + verb + "\" needs the control id it drops on");
      ++next;
    }
    if (next != words.size()) return fail("too much after \"" + verb + "\"");
    if (mine) steps.back().actions.push_back(action);
  }
  return steps;
}

}  // namespace platform::script
