// Process creation shared by the launchers of this folder; not for use outside it.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace platform {

// Starts `path` in a new session, double-forked so it is never our zombie; stdin from /dev/null.
// `exactParameters` (when given) travels as VIDARRO_PARAMETERS. False when exec fails.
bool SpawnDetached(const std::string& path, const std::vector<std::string>& argv, const std::string& workFolder,
                   const std::string* exactParameters);

struct SpawnPipes {
  int out = -1;
  int err = -1;  // -1 when merged into out
};
// Descriptors the child takes as its standard streams in place of /dev/null and the pipes; -1: none.
struct SpawnFiles {
  int in = -1;
  int out = -1;
  int err = -1;
};
// Starts a child with piped stdout/stderr, in a session of its own when asked; returns its pid
// or -1 (exec failure included). The child is killed when this process ends, however it ends.
// A stream given in `files` gets no pipe (its SpawnPipes member stays -1).
pid_t SpawnPiped(const std::string& path, const std::vector<std::string>& argv, const std::string& workFolder,
                 bool mergeStderr, bool ownSession, SpawnPipes* pipes, const SpawnFiles& files = {});

}  // namespace platform
