#pragma once

#include <functional>
#include <string>
#include <vector>

// What every bench prints alike: contenders timed in interleaved rounds whose order alternates,
// each figure as the project's and the peer's median and min-max, the project / peer ratio taken
// round by round (so drift of a shared machine cancels out), and the machine's load around it all.
namespace bench {

struct Spread {
  double median = 0, min = 0, max = 0;
};
// The median of an even count is the mean of the middle two; an empty list gives zeros.
Spread Summarise(std::vector<double> values);

// One measured quantity of the project beside the same of its peer, a pair per round.
struct Figure {
  std::string name;
  std::string unit;
  bool higherIsBetter = false;
  std::vector<double> project, peer;
  // The one-minute load average after each round, when the rounds were interleaved here.
  std::vector<double> loads;

  void Add(double projectValue, double peerValue);
  // project / peer, round by round.
  std::vector<double> Ratios() const;
  // The row every bench prints for a figure.
  std::string Row() const;
  // Every round's project / peer, with the load after it where known: a spread hides no round.
  std::string RoundsRow() const;
};

// Runs the contenders of one round: in the order given on even rounds, reversed on odd ones, so
// that none always runs first (or last) on a cache or a frequency the one before left behind.
// Returns each contender's result at its own index.
std::vector<double> RunRound(int round, const std::vector<std::function<double()>>& contenders);

// Fills `figure` with `rounds` interleaved pairs of project and peer measurements.
void Interleave(int rounds, Figure& figure, const std::function<double()>& project,
                const std::function<double()>& peer);

// The first three fields of /proc/loadavg as text ("1.20 0.80 0.55"), or "unknown".
std::string LoadAverage();
// The one-minute load average, or -1 when unknown.
double LoadNow();
std::string LoadAverageFrom(const std::string& procLoadavg);

// Prints the bench's title, its rounds and the load when made, and the load again when gone.
class Session {
 public:
  Session(const std::string& title, int rounds);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
};

// A section's heading and the one line saying what the peer does and where its work differs.
void Section(const std::string& heading, const std::string& peer, const std::string& differs);
// The figure's row, then its rounds.
void Print(const Figure& figure);

// True when `program` is an executable file on PATH (or the path given).
bool HasProgram(const std::string& program);
// A bench whose peer is missing says so and ends non-zero: no ratio is printed against nothing.
[[noreturn]] void MissingPeer(const std::string& what);
void RequirePrograms(const std::vector<std::string>& programs);

// The rounds asked for on the command line, never fewer than 7.
int RoundsFrom(const char* argument);

// Milliseconds a file for take() over all the files; a file take() fails on ends the bench, so no
// figure stands on failed work.
double MsPerFile(const std::vector<std::string>& files, const std::function<bool(const std::string&)>& take);

// Seconds since an arbitrary start, for timing inside a process.
double Now();
// CPU seconds (user + system) of this process, and of its ended and waited-for children.
double ProcessCpuSeconds();
double ChildrenCpuSeconds();

}  // namespace bench
