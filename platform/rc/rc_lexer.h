// Tokens of resource scripts: names, numbers, strings and punctuation, with their lines, after
// the preprocessor has expanded includes, defines and conditionals.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace rc {

struct Token {
  enum Kind { Name, Number, String, Punct, End } kind = End;
  std::string text;  // names keep their spelling; strings are unescaped
  long long value = 0;
  std::string file;
  int line = 0;
};

// A malformed script: carries the file and line to report.
struct ScriptError : std::runtime_error {
  ScriptError(const std::string& file, int line, const std::string& message)
      : std::runtime_error(file + ":" + std::to_string(line) + ": error: " + message) {}
};

// Reads a script and the headers it includes; #define NAME value lines become symbols.
class Preprocessor {
 public:
  explicit Preprocessor(std::vector<std::string> includeDirs) : includeDirs_(std::move(includeDirs)) {}
  std::vector<Token> Run(const std::string& path);
  const std::map<std::string, long long>& Symbols() const { return symbols_; }
  std::vector<std::string> Files() const { return files_; }

 private:
  void File(const std::string& path, std::vector<Token>& out, int depth);
  std::string Resolve(const std::string& name, const std::string& from) const;

  std::vector<std::string> includeDirs_;
  std::map<std::string, long long> symbols_;
  std::map<std::string, std::string> textDefines_;
  std::vector<std::string> files_;
};

}  // namespace rc
