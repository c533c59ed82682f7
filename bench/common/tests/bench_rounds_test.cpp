#include "bench/common/bench_rounds.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(BenchRounds, SummaryTakesTheMiddleAndTheEnds) {
  const bench::Spread odd = bench::Summarise({5, 1, 3});
  EXPECT_DOUBLE_EQ(odd.median, 3);
  EXPECT_DOUBLE_EQ(odd.min, 1);
  EXPECT_DOUBLE_EQ(odd.max, 5);
  // An even count must not lean to either middle value.
  EXPECT_DOUBLE_EQ(bench::Summarise({4, 1, 2, 10}).median, 3);
  const bench::Spread none = bench::Summarise({});
  EXPECT_DOUBLE_EQ(none.median, 0);
  EXPECT_DOUBLE_EQ(none.max, 0);
}

TEST(BenchRounds, RatiosArePerRoundNotOfMedians) {
  bench::Figure f;
  f.Add(2, 1);
  f.Add(1, 2);
  f.Add(3, 3);
  // Medians alone would give 2/2 = 1 with no spread; per round the spread shows.
  const std::vector<double> r = f.Ratios();
  ASSERT_EQ(r.size(), 3u);
  EXPECT_DOUBLE_EQ(r[0], 2);
  EXPECT_DOUBLE_EQ(r[1], 0.5);
  const bench::Spread s = bench::Summarise(r);
  EXPECT_DOUBLE_EQ(s.min, 0.5);
  EXPECT_DOUBLE_EQ(s.max, 2);
  // A round whose peer measured nothing gives no ratio rather than an infinite one.
  f.Add(1, 0);
  EXPECT_EQ(f.Ratios().size(), 3u);
  const std::string row = f.Row();
  EXPECT_NE(row.find("project/peer 1.00 (0.50-2.00)"), std::string::npos) << row;
  EXPECT_NE(row.find("3 rounds"), std::string::npos) << row;
  // Every round shows on its own, the failed one as a dash, each with its load where known.
  f.loads = {1.5, 2.3, -1, 0.5};
  const std::string rounds = f.RoundsRow();
  EXPECT_NE(rounds.find(": 2.00@1.5 0.50@2.3 1.00 -@0.5"), std::string::npos) << rounds;
}

TEST(BenchRounds, OrderAlternatesAndResultsKeepTheirPlace) {
  std::vector<std::string> order;
  auto contender = [&](const char* name, double value) {
    return [&order, name, value] {
      order.push_back(name);
      return value;
    };
  };
  bench::Figure f;
  bench::Interleave(4, f, contender("project", 10), contender("peer", 20));
  EXPECT_EQ(order,
            (std::vector<std::string>{"project", "peer", "peer", "project", "project", "peer", "peer", "project"}));
  EXPECT_EQ(f.project, (std::vector<double>{10, 10, 10, 10}));
  EXPECT_EQ(f.peer, (std::vector<double>{20, 20, 20, 20}));

  order.clear();
  const std::vector<double> three = bench::RunRound(1, {contender("a", 1), contender("b", 2), contender("c", 3)});
  EXPECT_EQ(order, (std::vector<std::string>{"c", "b", "a"}));
  EXPECT_EQ(three, (std::vector<double>{1, 2, 3}));
}

TEST(BenchRounds, LoadAndRoundsFromWhatIsGiven) {
  EXPECT_EQ(bench::LoadAverageFrom("3.10 2.05 1.00 4/900 12345\n"), "3.10 2.05 1.00");
  EXPECT_EQ(bench::LoadAverageFrom(""), "unknown");
  EXPECT_EQ(bench::RoundsFrom(nullptr), 7);
  EXPECT_EQ(bench::RoundsFrom("3"), 7);
  EXPECT_EQ(bench::RoundsFrom("11"), 11);
}

TEST(BenchRounds, AMissingPeerEndsTheBenchWithoutARatio) {
  EXPECT_TRUE(bench::HasProgram("sh"));
  EXPECT_FALSE(bench::HasProgram("no-such-peer-program"));
  EXPECT_FALSE(bench::HasProgram(""));
  EXPECT_EXIT(bench::RequirePrograms({"sh", "no-such-peer-program"}), testing::ExitedWithCode(3),
              "peer missing: no-such-peer-program");
}

TEST(BenchRounds, TimingAListStopsAtAFailedItem) {
  std::vector<std::string> seen;
  const double ms = bench::MsPerFile({"a", "b"}, [&](const std::string& f) {
    seen.push_back(f);
    return true;
  });
  EXPECT_GE(ms, 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"a", "b"}));
  EXPECT_EXIT(bench::MsPerFile({"a", "b", "c"}, [](const std::string& f) { return f != "b"; }),
              testing::ExitedWithCode(1), "failed on b");
}

}  // namespace
