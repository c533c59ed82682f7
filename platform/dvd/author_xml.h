// The authoring job of an authorinfo.xml and the dvdauthor project it becomes.
#pragma once

#include <string>
#include <vector>

namespace platform::dvd {

struct AuthorJob {
  std::string output;  // the folder that gets VIDEO_TS and AUDIO_TS
  std::string jumppad;
  std::string firstPlay;  // the first-play program's commands
  struct Vob {
    std::string path;
    std::string chapters;
  };
  std::vector<Vob> vobs;  // of the one title
};

// Reads authorinfo.xml; false with *error set when it is unreadable or lacks what a disc needs.
bool ReadAuthorJob(const std::string& path, AuthorJob* job, std::string* error);
// dvdauthor's project for the job, every path and command escaped as XML text.
std::string DvdauthorProject(const AuthorJob& job);

}  // namespace platform::dvd
