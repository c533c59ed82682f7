// The worker-thread jobs of the record-and-burn pages: the DVD author thread (authorinfo.xml,
// then the authoring stand-in) and the Blu-ray job file with the authoring library's run.
#pragma once

#include <string>

#include "platform/base/win_types.h"

namespace wizard {

// Writes "<work>authorinfo.xml" for a recording of `elapsedSeconds`; false when it cannot be
// saved.
bool WriteAuthorInfo(const std::string& workFolder, int elapsedSeconds);
// The author thread: the XML, then qndvdauthor (which posts its end to the page), then the
// XML is deleted. A job that cannot even be described posts its failure itself.
void RunDvdAuthorJob(HWND page, const std::string& workFolder, int elapsedSeconds);

// The Blu-ray job file "config.txt" in the temporary folder; its path, empty when it cannot be
// written.
std::string WriteJobFile(const std::string& workFolder, int elapsedSeconds);
// The author thread of the Blu-ray page: job file, then tarnel. 0 when both succeed, 1 when the
// job file failed, 2 when tarnel did.
int RunBdAuthorJob(const std::string& workFolder, int elapsedSeconds);
// What the author thread calls with the job file in place of tarnel (null: tarnel itself), so
// that a test can make one authoring fail.
using BdAuthorCall = bool (*)(const char* jobPath);
void SetBdAuthorCall(BdAuthorCall call);

}  // namespace wizard
