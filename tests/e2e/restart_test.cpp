// Checkpoints and restart: the recovery file's layout and its one consistent
// state, a restarted run that reproduces the uninterrupted run, and the
// refusal of missing or damaged recovery files.

#include <cmath>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace {

using namespace e2e;

// The Burgers problem on 4 x 4 squares of the unit square (32 triangles, 56
// edges), order 1, with a checkpoint every 3 iterations.
constexpr int kTriangles = 32;
constexpr int kEdges = 56;
const char *kRun = "t.msh -problem 14 -order 1 -tend 0.2";

void prepare(const ScratchDir &dir, int period) {
  makeMesh(dir / "t.msh", "tri", 4, 4, 0, 1, 0, 1);
  writeFile(dir / ".dgrc", "time.recoverSamplingPeriod " + std::to_string(period) + "\n");
}

// The columns of a "DG.log" line that do not measure processor time:
// degrees of freedom, iteration, step, time, residual, gain, mean gain.
std::vector<std::string> solutionColumns(const std::string &line) {
  const std::vector<std::string> w = words(line);
  if (w.size() != 11) return w;
  return {w[0], w[1], w[2], w[3], w[4], w[8], w[9]};
}

class Recovery : public ::testing::Test {
protected:
  void SetUp() override {
    prepare(full, 3);
    const Result r = runProgram(full.path(), kRun);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    log = lines(readFile(full / "DG.log"));
    ASSERT_GE(log.size(), 10u);
  }
  ScratchDir full;
  std::vector<std::string> log;
};

TEST_F(Recovery, FileHoldsTheStateAfterItsStep) {
  // Files every 3 iterations, none for iteration 0, none left half-written.
  EXPECT_FALSE(exists(full / "dg-recov-0.dat"));
  EXPECT_TRUE(exists(full / "dg-recov-3.dat"));
  EXPECT_TRUE(exists(full / "dg-recov-6.dat"));
  EXPECT_FALSE(exists(full / "dg-recov-4.dat"));
  EXPECT_FALSE(exists(full / "dg-recov-3.dat.tmp"));

  const std::string file = readFile(full / "dg-recov-3.dat");
  const std::size_t fin = file.find("\n$FIN$\n");
  ASSERT_NE(fin, std::string::npos);
  const std::string mesh = file.substr(0, fin + 1);
  EXPECT_EQ(mesh.rfind("$NOE\n", 0) == 0 || mesh.rfind("$NOD\n", 0) == 0, true);
  EXPECT_NE(mesh.find("$ELM\n"), std::string::npos);
  // Vertex coordinates are written with 16 digits, e.g. 0.25 and 0.75.
  EXPECT_NE(mesh.find(" 2.5000000000000000e-01 "), std::string::npos);
  EXPECT_NE(mesh.find(" 7.5000000000000000e-01 "), std::string::npos);

  const std::vector<std::string> rest = lines(file.substr(fin + 7));
  ASSERT_GE(rest.size(), 3u);
  EXPECT_EQ(rest[0], "");
  EXPECT_EQ(rest[1], "2 " + std::to_string(kTriangles) + " " + std::to_string(kEdges));

  // Records: every cell a triangle reference, order 1 and 1 x 3 numbers in
  // the 16-digit form; then one edge reference per interface cell.
  std::vector<std::string> tokens;
  for (std::size_t i = 2; i + 1 < rest.size(); ++i)
    for (const std::string &w : words(rest[i])) tokens.push_back(w);
  const std::regex number(R"(-?\d\.\d{16}e[+-]\d{2,3})");
  std::size_t k = 0;
  for (int c = 0; c < kTriangles; ++c) {
    ASSERT_LT(k + 8, tokens.size());
    EXPECT_EQ(tokens[k], "2");
    EXPECT_EQ(tokens[k + 4], "1");
    for (int j = 0; j < 3; ++j) EXPECT_TRUE(std::regex_match(tokens[k + 5 + j], number));
    k += 8;
  }
  for (int f = 0; f < kEdges; ++f) {
    ASSERT_LT(k + 2, tokens.size());
    EXPECT_EQ(tokens[k], "1");
    k += 3;
  }
  EXPECT_EQ(k, tokens.size());

  // State line: residual, iteration, time, cpu time, mean gain, after the
  // step of the iteration numbered 3: iteration 4 and the time that
  // "DG.log" shows after the fourth step.
  const std::vector<std::string> state = words(rest.back());
  ASSERT_EQ(state.size(), 5u);
  for (int i : {0, 2, 3, 4}) EXPECT_TRUE(std::regex_match(state[i], number)) << state[i];
  EXPECT_EQ(state[1], "4");
  const std::vector<std::string> line4 = words(log[3]);
  EXPECT_EQ(line4[1], "4");
  const double t = std::atof(state[2].c_str());
  EXPECT_NEAR(t, std::atof(line4[3].c_str()), 1e-5 * t);
  // The residual figure of the log is sqrt(resid) * dt.
  const double figure = std::sqrt(std::atof(state[0].c_str())) * std::atof(line4[2].c_str());
  EXPECT_NEAR(figure, std::atof(line4[4].c_str()), 1e-5 * figure);
}

TEST_F(Recovery, RestartReproducesTheUninterruptedRun) {
  ScratchDir again;
  prepare(again, 3);
  const std::string start = readFile(full / "dg-recov-3.dat");
  writeFile(again / "dg-recov-3.dat", start);
  const Result r = runProgram(again.path(), std::string(kRun) + " -restart 3");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const std::size_t recovering = find(r.out, "recovering ./dg-recov-3.dat ...\n");
  EXPECT_NE(recovering, std::string::npos);
  EXPECT_NE(find(r.out, "recover done at time ", recovering), std::string::npos);
  EXPECT_EQ(find(r.out, "Setting up the mesh"), std::string::npos);

  // The file it started from is not written again.
  EXPECT_EQ(readFile(again / "dg-recov-3.dat"), start);
  // Every later checkpoint is the uninterrupted run's, byte for byte apart
  // from the measured processor time.
  EXPECT_GE(expectSameCheckpoints(full, again, 6, 3), 2);

  // Its log lines continue at iteration 5 with the same values.
  const std::vector<std::string> relog = lines(readFile(again / "DG.log"));
  ASSERT_EQ(relog.size(), log.size() - 4);
  for (std::size_t i = 0; i < relog.size(); ++i)
    EXPECT_EQ(solutionColumns(relog[i]), solutionColumns(log[i + 4])) << relog[i];
}

TEST_F(Recovery, MissingOrDamagedFilesStopTheRestart) {
  ScratchDir again;
  prepare(again, 3);
  // Missing: a message and a non-zero status before the run begins.
  Result r = runProgram(again.path(), std::string(kRun) + " -restart 9");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(find(r.out + r.err, "cannot open the recovery file ./dg-recov-9.dat"),
            std::string::npos);
  EXPECT_EQ(find(r.out, "DG begins"), std::string::npos);

  const std::string file = readFile(full / "dg-recov-3.dat");
  const std::size_t counts = file.find("\n$FIN$\n\n") + 8;
  const std::size_t firstRef = file.find('\n', counts) + 1;

  // A first cell reference naming a vertex the mesh does not hold.
  const std::size_t refEnd = file.find('\n', firstRef);
  writeFile(again / "dg-recov-3.dat",
            file.substr(0, firstRef) + "2 1 2 99999 " + file.substr(refEnd));
  r = runProgram(again.path(), std::string(kRun) + " -restart 3");
  EXPECT_EQ(r.status, 1);  // a message, not an abort
  EXPECT_NE(find(r.out + r.err, "impossible to find 0th contributor"), std::string::npos);
  EXPECT_EQ(find(r.out, "DG begins"), std::string::npos);

  // A file cut in the middle of its cell records.
  writeFile(again / "dg-recov-3.dat", file.substr(0, firstRef + 200));
  r = runProgram(again.path(), std::string(kRun) + " -restart 3");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(find(r.out + r.err, "recovery"), std::string::npos);
  EXPECT_EQ(find(r.out, "DG begins"), std::string::npos);

  // A file that ends inside its mesh section.
  writeFile(again / "dg-recov-3.dat", file.substr(0, counts / 2));
  r = runProgram(again.path(), std::string(kRun) + " -restart 3");
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(find(r.out, "DG begins"), std::string::npos);
}

// Files whose counts, dimension or records do not fit their mesh, or that
// belong to another problem: a message and status 1, never an abort and
// never a run over a part of the cells.
TEST_F(Recovery, FilesThatDoNotFitTheirMeshOrProblemAreRefused) {
  const std::string file = readFile(full / "dg-recov-3.dat");
  const std::size_t counts = file.find("\n$FIN$\n\n") + 8;
  const std::size_t countsEnd = file.find('\n', counts);
  const std::string head = file.substr(0, counts);
  const std::string body = file.substr(countsEnd);  // from the line end on
  // The first cell record: its reference line and its data up to the next
  // reference (8 numbers in all).
  const std::size_t firstRef = countsEnd + 1;
  std::size_t at = firstRef;
  for (int k = 0; k < 8; ++k) at = file.find_first_not_of(" \n", file.find_first_of(" \n", at));
  const std::string firstRecord = file.substr(firstRef, at - firstRef);
  const std::string stateLine = file.substr(file.rfind('\n', file.size() - 2) + 1);
  const std::string triangles = std::to_string(kTriangles), edges = std::to_string(kEdges);
  // The first cell's reference turned into that of its first edge.
  const std::size_t refEnd = file.find('\n', firstRef);
  const std::vector<std::string> ref = words(file.substr(firstRef, refEnd - firstRef));
  const std::string edgeOfFirst = ref.size() >= 3 ? "1 " + ref[1] + " " + ref[2] + " " : "";

  struct Case {
    const char *what;
    std::string text;
    const char *options;
    const char *shows;
  };
  const Case cases[] = {
      {"dimension 3 on a plane mesh", head + "3 " + triangles + " " + edges + body, "", "dimension"},
      {"no cell records", head + "2 0 " + edges + body, "", "cells"},
      {"one cell record short", head + "2 31 " + edges + body, "", "recovery file"},
      {"one face record short", head + "2 " + triangles + " 55" + body, "", "recovery file"},
      {"a cell record twice", head + "2 33 " + edges + "\n" + firstRecord + body.substr(1), "",
       "element record 1"},
      {"an edge as a cell", head + "2 " + triangles + " " + edges + "\n" + edgeOfFirst + file.substr(refEnd),
       "", "element record 0"},
      {"a mesh without elements",
       "$NOD\n1\n1 0 0 0\n$ENDNOD\n$ELM\n0\n$ENDELM\n$FIN$\n\n2 0 0\n" + stateLine, "",
       "recovery file"},
      {"a time that is not a number", file.substr(0, file.size() - stateLine.size()) + "1 4 nan 0 1\n",
       "", "recovery file"},
      {"a file of a problem with four fields", file, " -problem 16", "recovery file"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir again;
    prepare(again, 3);
    writeFile(again / "dg-recov-3.dat", c.text);
    const Result r = runProgram(again.path(), std::string(kRun) + c.options + " -restart 3");
    EXPECT_EQ(r.status, 1) << r.out.substr(0, 3000) << r.err;
    EXPECT_NE(find(r.out + r.err, c.shows), std::string::npos) << r.out.substr(0, 3000) << r.err;
    EXPECT_EQ(find(r.out, "DG begins"), std::string::npos);
    EXPECT_TRUE(progressLines(r.out).empty());
  }
}

// The iteration counter stops at its limit instead of wrapping round; a
// count beyond it in a file is refused.
TEST_F(Recovery, TheIterationCounterNeverOverflows) {
  const std::string file = readFile(full / "dg-recov-3.dat");
  const std::size_t stateAt = file.rfind('\n', file.size() - 2) + 1;
  std::vector<std::string> state = words(file.substr(stateAt));
  ASSERT_EQ(state.size(), 5u);
  struct Case {
    const char *iteration;
    bool begins;
    const char *shows;
  } cases[] = {
      {"2147483647", true, "iteration 2147483647: the iteration counter reached its limit"},
      {"2147483648", false, "the state line cannot be read"},
      {"-1", false, "the state line holds no finite time and iteration number"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.iteration);
    ScratchDir again;
    prepare(again, 3);
    state[1] = c.iteration;
    writeFile(again / "dg-recov-3.dat", file.substr(0, stateAt) + state[0] + " " + state[1] + " " +
                                            state[2] + " " + state[3] + " " + state[4] + "\n");
    const Result r = runProgram(again.path(), std::string(kRun) + " -restart 3");
    EXPECT_EQ(r.status, 1) << r.out.substr(0, 3000) << r.err;
    EXPECT_NE(find(r.out + r.err, c.shows), std::string::npos) << r.out.substr(0, 3000) << r.err;
    EXPECT_EQ(find(r.out, "DG begins") != std::string::npos, c.begins);
    EXPECT_EQ(find(r.out, "DG finishes"), std::string::npos);
  }
}

// Euler equations with a discontinuity: the shock tube of the examples
// (problem 16, Barth limiter) at orders 1 and 2. The limiter switches on
// thresholds, so a rounding difference in one flux after the restart would
// grow into visibly different coefficients at the discontinuity; the
// restarted run must nevertheless match the uninterrupted one bit for bit.
TEST(RecoveryEuler, ShockTubeRestartReproducesTheUninterruptedRun) {
  struct Case {
    int order;
    const char *tend;
  };
  for (const Case c : {Case{1, "0.06"}, Case{2, "0.03"}}) {
    SCOPED_TRACE(c.order);
    const std::string run = "t.msh -problem 16 -subproblem 0 -limiter 1 -order " +
                            std::to_string(c.order) + " -tend " + c.tend;
    const std::string mesh = readFile(std::string(DG_EXAMPLES) + "/shock-tube/t.msh");
    ASSERT_FALSE(mesh.empty());
    const std::string rc = "time.recoverSamplingPeriod 5\n";

    ScratchDir full;
    writeFile(full / "t.msh", mesh);
    writeFile(full / ".dgrc", rc);
    Result r = runProgram(full.path(), run);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::vector<std::string> log = lines(readFile(full / "DG.log"));
    ASSERT_GE(log.size(), 25u);

    ScratchDir again;
    writeFile(again / "t.msh", mesh);
    writeFile(again / ".dgrc", rc);
    writeFile(again / "dg-recov-5.dat", readFile(full / "dg-recov-5.dat"));
    r = runProgram(again.path(), run + " -restart 5");
    ASSERT_EQ(r.status, 0) << r.out << r.err;

    int compared = 0;
    for (int n = 10; exists(full / ("dg-recov-" + std::to_string(n) + ".dat")); n += 5) {
      const std::string name = "dg-recov-" + std::to_string(n) + ".dat";
      ASSERT_TRUE(exists(again / name)) << name;
      EXPECT_EQ(withoutCpuTime(readFile(again / name)), withoutCpuTime(readFile(full / name)))
          << name;
      ++compared;
    }
    EXPECT_GE(compared, 4);

    const std::vector<std::string> relog = lines(readFile(again / "DG.log"));
    ASSERT_EQ(relog.size(), log.size() - 6);
    for (std::size_t i = 0; i < relog.size(); ++i)
      EXPECT_EQ(solutionColumns(relog[i]), solutionColumns(log[i + 6])) << relog[i];
  }
}

TEST(RecoveryPeriod, ZeroOrNegativeMeansNever) {
  for (int period : {0, -2}) {
    SCOPED_TRACE(period);
    ScratchDir dir;
    prepare(dir, period);
    const Result r = runProgram(dir.path(), "t.msh -problem 14 -order 0 -tend 0.1");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_FALSE(progressLines(r.out).empty());
    for (int n = 1; n < 20; ++n)
      EXPECT_FALSE(exists(dir / ("dg-recov-" + std::to_string(n) + ".dat")));
  }
}

}  // namespace
