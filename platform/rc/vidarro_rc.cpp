// The resource compiler: vidarro_rc <script.rc> <output.cpp> [-I folder]... [-d depfile]
// Writes the C++ source of a resource library; a malformed script fails with file and line.
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include "rc_compiler.h"
#include "rc_lexer.h"

int main(int argc, char** argv) {
  std::vector<std::string> positional;
  std::vector<std::string> includes;
  std::string depfile;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-I" && i + 1 < argc) includes.push_back(argv[++i]);
    else if (arg == "-d" && i + 1 < argc) depfile = argv[++i];
    else positional.push_back(arg);
  }
  if (positional.size() != 2) {
    std::fprintf(stderr, "usage: vidarro_rc <script.rc> <output.cpp> [-I folder]... [-d depfile]\n");
    return 2;
  }
  try {
    const rc::Compiled compiled = rc::CompileScript(positional[0], includes);
    std::ofstream out(positional[1], std::ios::trunc);
    out << rc::GenerateSource(compiled);
    if (!out) {
      std::fprintf(stderr, "%s: error: cannot write\n", positional[1].c_str());
      return 1;
    }
    if (!depfile.empty()) {
      std::ofstream dep(depfile, std::ios::trunc);
      dep << positional[1] << ":";
      for (auto& f : compiled.inputs) dep << " \\\n  " << f;
      dep << "\n";
    }
  } catch (const rc::ScriptError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    std::remove(positional[1].c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: error: %s\n", positional[0].c_str(), e.what());
    std::remove(positional[1].c_str());
    return 1;
  }
  return 0;
}
