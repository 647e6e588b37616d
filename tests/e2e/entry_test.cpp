// The program entry: exit statuses of the ways a run ends, and a run whose
// final time is already reached.

#include <string>

#include "e2e_support.h"

namespace {

using namespace e2e;

TEST(Entry, ExitStatusOfEveryEnding) {
  ScratchDir dir;
  makeMesh(dir / "m.msh", "tri", 2, 2, 0, 1, 0, 1);
  struct {
    const char *args;
    int status;
    const char *shows;  // in standard output or error
  } cases[] = {
      {"m.msh -check", 0, "general.order"},
      {"m.msh -nosuchoption", 1, "nosuchoption"},
      {"m.msh -problem 77", 1, "77"},
      {"m.msh -problem 2", 1, "2"},
      {"nothere.msh -problem 14", 1, "nothere.msh"},
      {"nothere.par", 1, "cannot open input file nothere.par"},
      {"-help", 1, "Usage:"},  // a lone option is not a parameter file
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.args);
    const Result r = runProgram(dir.path(), c.args);
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    EXPECT_NE(find(r.out + r.err, c.shows), std::string::npos) << r.out << r.err;
    EXPECT_EQ(find(r.out, "DG begins"), std::string::npos);
  }
}

// Without a limiter the interacting blast waves blow up on a coarse mesh and
// drive the stable step towards zero: the run must stop, not spin forever.
TEST(Entry, AStepThatNoLongerAdvancesTheTimeStopsTheRun) {
  ScratchDir dir;
  makeMesh(dir / "t.msh", "tri", 6, 6, 0, 1, 0, 1);
  // The unlimited strong shock at CFL 1 collapses its step within some fifty
  // steps (at the default 0.5 it takes about 200000).
  const Result r = runProgram(dir.path(), "t.msh -problem 16 -subproblem 4 -order 1 -cfl 1 -tend 0.2");
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_NE(find(r.out + r.err, "no longer advances the time"), std::string::npos) << r.out << r.err;
  EXPECT_EQ(find(r.out, "DG finishes"), std::string::npos);
}

TEST(Entry, FinalTimeAlreadyReachedRunsNoIteration) {
  ScratchDir dir;
  makeMesh(dir / "m.msh", "quad", 3, 3, 0, 1, 0, 1);
  writeFile(dir / "DG.log", "old line\n");
  const Result r = runProgram(dir.path(), "m.msh -problem 14 -order 1 -tend 0");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const std::size_t running = find(r.out, "DG running ...\n");
  ASSERT_NE(running, std::string::npos);
  EXPECT_NE(find(r.out, "DG finishes\n", running), std::string::npos);
  EXPECT_TRUE(progressLines(r.out).empty());
  // A fresh start empties both logs.
  EXPECT_EQ(readFile(dir / "DG.log"), "");
  EXPECT_TRUE(exists(dir / "load.log"));
  EXPECT_EQ(readFile(dir / "load.log"), "");
}

TEST(Entry, NegativeDebugSilencesProgressButNotTheLog) {
  ScratchDir dir;
  makeMesh(dir / "m.msh", "tri", 3, 3, 0, 1, 0, 1);
  writeFile(dir / ".dgrc", "debug -1\n");
  const Result r = runProgram(dir.path(), "m.msh -problem 14 -order 0 -tend 0.05");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_TRUE(progressLines(r.out).empty());
  EXPECT_EQ(find(r.out, "DG finishes"), std::string::npos);
  EXPECT_FALSE(lines(readFile(dir / "DG.log")).empty());
}

}  // namespace
