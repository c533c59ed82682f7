// Compiles a resource script into the resources a resource library holds.
#pragma once

#include <string>
#include <vector>

namespace rc {

struct Resource {
  unsigned short typeId = 0;  // 0 when typeName is used
  std::string typeName;       // upper case
  unsigned short id = 0;      // 0 when name is used
  std::string name;           // upper case
  std::string data;
};

struct Compiled {
  std::vector<Resource> resources;
  std::vector<std::string> inputs;  // every file read, for the build's dependencies
};

// Throws ScriptError with file and line for malformed scripts and missing files.
Compiled CompileScript(const std::string& path, const std::vector<std::string>& includeDirs);

// The C++ source of the resource library that holds the resources.
std::string GenerateSource(const Compiled& compiled);

}  // namespace rc
