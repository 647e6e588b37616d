// The final time: a run ends with its time equal to the final time asked for,
// with a global step and with either local time stepping, and a run restarted
// on the way ends the same.

#include <cstdlib>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace {

using namespace e2e;

// The Burgers problem on 4 x 4 squares of the unit square, order 1, with a
// recovery file after every iteration: the last one holds the final state
// line with the time in full precision.
void prepare(const ScratchDir &dir, const std::string &settings) {
  makeMesh(dir / "t.msh", "tri", 4, 4, 0, 1, 0, 1);
  writeFile(dir / ".dgrc", "time.recoverSamplingPeriod 1\n" + settings);
}

// The state line of a recovery file: residual, iteration, time, processor
// time, mean gain.
std::vector<std::string> stateLine(const std::string &file) {
  return words(file.substr(file.rfind('\n', file.size() - 2) + 1));
}

struct Case {
  const char *what;
  const char *options;
  const char *settings;
  int iterations;  // from hand work when the steps are known; else 0
};

// Global steps bounded by 1/120 and by 0.0125 (below the stable step) add up
// to 0.19999999999999998 after 24 steps and to 0.20000000000000004 after
// 16: the last one must still end at 0.2 exactly, without a sliver of a
// further step. Goal steps of 0.02 add up to 0.19999999999999998 after 10;
// goal steps of 0.03 need a seventh of 0.02.
const Case kCases[] = {
    {"global stable step", "", "", 0},
    {"global step bounded by 1/120", "", "time.dtRef 0.0083333333333333332\n", 24},
    {"global step bounded by 0.0125", "", "time.dtRef 0.0125\n", 16},
    {"levels, four sub-steps", " -nbsub 3", "", 0},
    {"goal step 0.03", " -goaldt 0.03", "", 7},
    {"goal step 0.02", " -goaldt 0.02", "", 10},
};

TEST(FinalTime, ARunEndsAtTheFinalTimeExactly) {
  for (const Case &c : kCases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    prepare(dir, c.settings);
    const Result r = runProgram(dir.path(), std::string("t.msh -problem 14 -order 1 -tend 0.2") + c.options);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::vector<std::string> log = lines(readFile(dir / "DG.log"));
    ASSERT_GE(log.size(), 3u);
    const int n = static_cast<int>(log.size());
    if (c.iterations) {
      EXPECT_EQ(n, c.iterations);
    }
    // The log and the progress lines show the final time; every earlier
    // line a time below it.
    const std::vector<std::string> last = words(log.back());
    EXPECT_EQ(last[1], std::to_string(n));
    EXPECT_EQ(last[3], "2.00000E-01");
    for (int i = 0; i + 1 < n; ++i) EXPECT_LT(std::atof(words(log[i])[3].c_str()), 0.2) << log[i];
    const std::vector<std::string> progress = progressLines(r.out);
    ASSERT_EQ(static_cast<int>(progress.size()), n);
    EXPECT_NE(progress.back().find(" T  2.00000E-01 "), std::string::npos) << progress.back();
    // The last step is no longer than the one before (shortened, never
    // stretched beyond round-off).
    const double dtLast = std::atof(last[2].c_str()), dtBefore = std::atof(words(log[n - 2])[2].c_str());
    EXPECT_LE(dtLast, dtBefore * (1 + 1e-5));
    // The state after the last step, in full precision: the time is 0.2
    // itself.
    const std::string file = readFile(dir / ("dg-recov-" + std::to_string(n - 1) + ".dat"));
    const std::vector<std::string> state = stateLine(file);
    ASSERT_EQ(state.size(), 5u);
    EXPECT_EQ(state[1], std::to_string(n));
    EXPECT_EQ(std::strtod(state[2].c_str(), nullptr), 0.2) << state[2];
  }
}

// A run restarted two iterations before the end takes the same shortened
// last step: its last recovery file is the uninterrupted run's, byte for
// byte apart from the processor time.
TEST(FinalTime, ARestartedRunEndsLikeTheUninterruptedOne) {
  // One case of each way of stepping.
  for (const Case &c : {kCases[0], kCases[3], kCases[4]}) {
    SCOPED_TRACE(c.what);
    const std::string run = std::string("t.msh -problem 14 -order 1 -tend 0.2") + c.options;
    ScratchDir full;
    prepare(full, c.settings);
    ASSERT_EQ(runProgram(full.path(), run).status, 0);
    const int n = static_cast<int>(lines(readFile(full / "DG.log")).size());
    ASSERT_GE(n, 3);
    const std::string from = "dg-recov-" + std::to_string(n - 3) + ".dat";
    const std::string end = "dg-recov-" + std::to_string(n - 1) + ".dat";
    ScratchDir again;
    prepare(again, c.settings);
    writeFile(again / from, readFile(full / from));
    const Result r = runProgram(again.path(), run + " -restart " + std::to_string(n - 3));
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    ASSERT_TRUE(exists(again / end));
    EXPECT_EQ(withoutCpuTime(readFile(again / end)), withoutCpuTime(readFile(full / end)));
    EXPECT_FALSE(exists(again / ("dg-recov-" + std::to_string(n) + ".dat")));
  }
}

}  // namespace
