#include "bench/common/bench_rounds.h"

#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace bench {

Spread Summarise(std::vector<double> values) {
  if (values.empty()) return {};
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  return {median, values.front(), values.back()};
}

void Figure::Add(double projectValue, double peerValue) {
  project.push_back(projectValue);
  peer.push_back(peerValue);
}

std::vector<double> Figure::Ratios() const {
  std::vector<double> ratios;
  for (size_t i = 0; i < project.size() && i < peer.size(); ++i)
    if (peer[i] > 0) ratios.push_back(project[i] / peer[i]);
  return ratios;
}

std::string Figure::Row() const {
  const Spread p = Summarise(project), q = Summarise(peer), r = Summarise(Ratios());
  char line[512];
  std::snprintf(line, sizeof line,
                "  %-28s project %9.3f (%.3f-%.3f) | peer %9.3f (%.3f-%.3f) %s | project/peer %.2f (%.2f-%.2f), %s "
                "is better, %zu rounds",
                name.c_str(), p.median, p.min, p.max, q.median, q.min, q.max, unit.c_str(), r.median, r.min, r.max,
                higherIsBetter ? "higher" : "lower", Ratios().size());
  return line;
}

std::string Figure::RoundsRow() const {
  std::string row = "    rounds, project/peer";
  if (!loads.empty()) row += " @ load";
  row += ":";
  char item[64];
  for (size_t i = 0; i < project.size() && i < peer.size(); ++i) {
    if (peer[i] > 0) std::snprintf(item, sizeof item, " %.2f", project[i] / peer[i]);
    else std::snprintf(item, sizeof item, " -");
    row += item;
    if (i < loads.size() && loads[i] >= 0) {
      std::snprintf(item, sizeof item, "@%.1f", loads[i]);
      row += item;
    }
  }
  return row;
}

std::vector<double> RunRound(int round, const std::vector<std::function<double()>>& contenders) {
  std::vector<double> results(contenders.size());
  for (size_t k = 0; k < contenders.size(); ++k) {
    const size_t i = round % 2 ? contenders.size() - 1 - k : k;
    results[i] = contenders[i]();
  }
  return results;
}

void Interleave(int rounds, Figure& figure, const std::function<double()>& project,
                const std::function<double()>& peer) {
  for (int round = 0; round < rounds; ++round) {
    const std::vector<double> r = RunRound(round, {project, peer});
    figure.Add(r[0], r[1]);
    figure.loads.push_back(LoadNow());
  }
}

std::string LoadAverageFrom(const std::string& procLoadavg) {
  std::istringstream in(procLoadavg);
  std::string one, five, fifteen;
  if (!(in >> one >> five >> fifteen)) return "unknown";
  return one + " " + five + " " + fifteen;
}

double LoadNow() {
  double load[1] = {-1};
  return getloadavg(load, 1) == 1 ? load[0] : -1;
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::stringstream text;
  text << in.rdbuf();
  return LoadAverageFrom(text.str());
}

Session::Session(const std::string& title, int rounds) {
  std::printf("%s\n%d interleaved rounds, order alternating; figures are median (min-max), the ratio taken per round\n",
              title.c_str(), rounds);
  std::printf("load at start (1, 5, 15 min): %s on %ld processors\n", LoadAverage().c_str(),
              sysconf(_SC_NPROCESSORS_ONLN));
  std::fflush(stdout);
}

Session::~Session() {
  std::printf("load at end (1, 5, 15 min): %s\n", LoadAverage().c_str());
  std::fflush(stdout);
}

void Section(const std::string& heading, const std::string& peer, const std::string& differs) {
  std::printf("\n%s\n  peer: %s; differs: %s\n", heading.c_str(), peer.c_str(), differs.c_str());
  std::fflush(stdout);
}

void Print(const Figure& figure) {
  std::printf("%s\n%s\n", figure.Row().c_str(), figure.RoundsRow().c_str());
  std::fflush(stdout);
}

bool HasProgram(const std::string& program) {
  if (program.empty()) return false;
  if (program.find('/') != std::string::npos) return access(program.c_str(), X_OK) == 0;
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':'))
    if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0) return true;
  return false;
}

void MissingPeer(const std::string& what) {
  std::fprintf(stderr, "peer missing: %s; no ratio is printed\n", what.c_str());
  std::exit(3);
}

void RequirePrograms(const std::vector<std::string>& programs) {
  for (const std::string& p : programs)
    if (!HasProgram(p)) MissingPeer(p + " is not installed");
}

int RoundsFrom(const char* argument) { return std::max(7, argument ? std::atoi(argument) : 7); }

double MsPerFile(const std::vector<std::string>& files, const std::function<bool(const std::string&)>& take) {
  const double start = Now();
  for (const std::string& f : files)
    if (!take(f)) {
      std::fprintf(stderr, "failed on %s\n", f.c_str());
      std::exit(1);
    }
  return (Now() - start) * 1000 / static_cast<double>(std::max<size_t>(files.size(), 1));
}

double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

namespace {
double CpuOf(int who) {
  rusage u{};
  getrusage(who, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
}  // namespace

double ProcessCpuSeconds() { return CpuOf(RUSAGE_SELF); }
double ChildrenCpuSeconds() { return CpuOf(RUSAGE_CHILDREN); }

}  // namespace bench
