#include "disc_jobs.h"

#include <atomic>

#include "bdauthor/tarnel.h"
#include "platform/base/file.h"
#include "platform/base/key_file.h"
#include "platform/base/paths.h"
#include "platform/dvd/qn_dvd_author.h"
#include "platform/dvd/qn_mpg_mux.h"
#include "platform/window/messages.h"
#include "record_plan.h"
#include "xml_dom_writer.h"

namespace wizard {

namespace {

std::string AuthorInfoPath(const std::string& workFolder) { return workFolder + "authorinfo.xml"; }

std::atomic<BdAuthorCall> g_bdAuthorCall{nullptr};

}  // namespace

bool WriteAuthorInfo(const std::string& workFolder, int elapsedSeconds) {
  const std::string output = platform::WithTrailingSlash(workFolder);
  CXmlDomWriter xml;
  xml.GoToDocument();
  xml.SelectOrAddChild("qndvdauthor", true);
  xml.SetAttribute("output", output);
  xml.SetAttribute("jumppad", "on");
  xml.GoToDocument();
  xml.SelectChild("qndvdauthor");
  xml.SelectOrAddChild("vmg", true);
  xml.SelectOrAddChild("fppgc", true);
  xml.SetText("jump title 1;");
  xml.GoToDocument();
  xml.SelectChild("qndvdauthor");
  xml.AddChild("vts");
  xml.GoToDocument();
  xml.SelectChild("qndvdauthor");
  xml.SelectChild("vts");
  xml.AddChild("title");
  xml.SelectNthChild("title", 1);
  xml.SelectOrAddChild("pgc", true);
  xml.SelectOrAddChild("vob", true);
  xml.SetAttribute("path", output + "1.mpg");
  xml.SetAttribute("chapters", DvdChapterList(elapsedSeconds));
  return xml.Save(AuthorInfoPath(output)) == 1;
}

void RunDvdAuthorJob(HWND page, const std::string& workFolder, int elapsedSeconds) {
  const std::string xml = AuthorInfoPath(workFolder);
  if (!WriteAuthorInfo(workFolder, elapsedSeconds)) {
    ::PostMessage(page, kAuthorEndMessage, kDvdJobFailed, 0);
    return;
  }
  qndvdauthor(xml.c_str(), page, 1, 1);
  platform::DeleteFile(xml);
}

std::string WriteJobFile(const std::string& workFolder, int elapsedSeconds) {
  const std::string path = platform::TempFolder() + "config.txt";
  platform::DeleteFile(path);
  platform::CreateFolders(platform::TempFolder());
  ProjectKeyFile job;
  if (!job.Open(path, 1)) return "";
  job.AddValue("Tarnel", "Version", "0.5");
  job.AddValue("AuthorInfo", "InputCount", "1");
  job.AddValue("AuthorInfo", "OutputPath", workFolder);
  job.AddValue("Input0", "ChapterTime", BdChapterTimes(elapsedSeconds));
  return job.Close() ? path : "";
}

int RunBdAuthorJob(const std::string& workFolder, int elapsedSeconds) {
  const std::string job = WriteJobFile(workFolder, elapsedSeconds);
  if (job.empty()) return 1;
  const BdAuthorCall call = g_bdAuthorCall.load();
  return (call ? call(job.c_str()) : tarnel(job.c_str())) ? 0 : 2;
}

void SetBdAuthorCall(BdAuthorCall call) { g_bdAuthorCall.store(call); }

}  // namespace wizard
