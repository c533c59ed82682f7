#include "bdauthor/tarnel.h"

#include "bdauthor/tarnel_job.h"

namespace {
// One job per process, kept between calls so its progress stays readable after it ends.
bdauthor::TarnelJob g_job;
}  // namespace

extern "C" __attribute__((visibility("default"))) bool tarnel(const char* configPath) {
  return g_job.Run(configPath ? configPath : "");
}

extern "C" __attribute__((visibility("default"))) std::int32_t tarnel_progress() { return g_job.Progress().Percent(); }
