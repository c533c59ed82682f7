// regcom: repairs the suite in its own folder and logs what it did.
// regcom /setup <folder>: writes the product key for an application folder (the build and the
// install run this).
#include <cstdio>
#include <cstring>

#include "platform/base/paths.h"
#include "qnlog/qn_log.h"
#include "suite_install.h"

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "/setup") == 0) {
    if (starter::WriteProductKey(argv[2])) return 0;
    std::fprintf(stderr, "regcom: cannot write the product key\n");
    return 1;
  }
  QnLogInit("", "regcom.log", QN_LOG_TEMP_FOLDER, false, 0x10000);
  for (const std::string& line : starter::RepairInstall(platform::AppFolder())) {
    QnLogWrite(0x10000, "%s", line.c_str());
    std::printf("%s\n", line.c_str());
  }
  return 0;
}
