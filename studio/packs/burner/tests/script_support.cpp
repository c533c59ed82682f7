#include "script_support.h"

#include <fstream>
#include <iterator>

#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/testkit/testkit.h"

namespace studio::packs {

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ToolOutput(const std::string& program, const std::vector<std::string>& args) {
  std::string out, err;
  int code = -1;
  platform::RunProcess(program, args, &out, &err, &code, 60000);
  return out + err;
}

bool RegisterInstalledPacks() {
  for (const char* pack : {"Lumbrel.so", "Tessmor.so"}) {
    testkit::ProgramProcess regsvr32;
    if (!regsvr32.Start("regsvr32", {"/s", platform::AppFolder() + pack}) || regsvr32.WaitForExit(20000) != 0)
      return false;
  }
  return true;
}

}  // namespace studio::packs
