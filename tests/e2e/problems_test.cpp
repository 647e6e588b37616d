// Every numbered problem runs a few steps from the command line on a small
// structured mesh with the boundary tags its set-up keys on: the start-up
// messages in order, one progress line and one "DG.log" line per iteration,
// "DG finishes", exit 0 and the files its sensors leave. Numbers that build
// no law stop before the run begins, with a message and a failure status.

#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace {

using namespace e2e;

struct MeshSpec {
  const char *kind;
  int nx, ny;
  double x0, x1, y0, y1;
  int tags[5];  // bottom, right, top, left, surface
};

constexpr MeshSpec kUnitSquare{"tri", 6, 6, 0, 1, 0, 1, {11, 12, 13, 14, 100}};
// The vortex's periodic square, centred on the origin.
constexpr MeshSpec kVortexSquare{"quad", 5, 5, -5, 5, -5, 5, {11, 12, 13, 14, 100}};
// The kinetic model's box (the parameter file's extent): a reacting floor,
// an inflow lid and mirror sides.
constexpr MeshSpec kDvmBox{"tri", 4, 4, 0, 1, 0, 0.5, {1001, 1003, 1002, 1003, 100}};

struct ProblemCase {
  const char *options;               // problem, sub-problem and set-up options
  const MeshSpec *mesh;
  const char *meshName;              // the shock tubes integrate over "t.msh"
  double tend;                       // a few steps
  const char *paramIn;               // fixture copied to "param.in", or null
  const char *input;                 // standard input, or null
  std::vector<std::string> outputs;  // files the sensors leave
};

const std::regex kProgress(
    R"(^(\d+) iter +(\d+) dt ( -?\d\.\d{5}E[+-]\d\d) T ( -?\d\.\d{5}E[+-]\d\d) \|\|rhs\|\| =  ( -?\d\.\d{5}E[+-]\d\d) cpu ( -?\d\.\d{5}E[+-]\d\d) cpu\(ts\) =( +\S+){5}$)");
const std::regex kLogLine(R"(^\d+ +\d+( +\S+){9}$)");

std::string tendText(double t) {
  std::ostringstream s;
  s.precision(17);
  s << t;
  return s.str();
}

void runCase(const ProblemCase &c) {
  ScratchDir dir;
  const MeshSpec &m = *c.mesh;
  makeMesh(dir / c.meshName, m.kind, m.nx, m.ny, m.x0, m.x1, m.y0, m.y1, m.tags);
  if (c.paramIn) writeFile(dir / "param.in", readFile(std::string(DG_TEST_DATA) + "/" + c.paramIn));
  std::string input;
  if (c.input) {
    input = dir / "stdin.txt";
    writeFile(input, c.input);
  }
  // Order 1 unless the case names its own.
  std::string options = c.options;
  if (options.find("-order") == std::string::npos) options += " -order 1";
  const Result r = runProgram(dir.path(), std::string(c.meshName) + " " + options + " -tend " + tendText(c.tend), input);
  ASSERT_EQ(r.status, 0) << r.out.substr(0, 4000) << r.err;

  std::size_t at = 0;
  for (const char *msg : {"Reading the mesh ", "Setting up the mesh ...\n",
                          "Setting up communications ...\n", "DG begins ...\n",
                          "Creating Cells ...\n", "Computing Initial Solution ...\n",
                          "DG running ...\n"}) {
    const std::size_t next = find(r.out, msg, at);
    ASSERT_NE(next, std::string::npos) << "missing or out of order: " << msg;
    at = next;
  }
  const std::vector<std::string> progress = progressLines(r.out);
  ASSERT_GE(progress.size(), 2u);
  ASSERT_LE(progress.size(), 60u);
  EXPECT_GT(find(r.out, "DG finishes\n"), find(r.out, progress.back()));

  const std::vector<std::string> log = lines(readFile(dir / "DG.log"));
  ASSERT_EQ(log.size(), progress.size());
  for (std::size_t i = 0; i < log.size(); ++i) {
    EXPECT_TRUE(std::regex_match(progress[i], kProgress)) << progress[i];
    EXPECT_TRUE(std::regex_match(log[i], kLogLine)) << log[i];
    const std::vector<std::string> p = words(progress[i]), l = words(log[i]);
    EXPECT_EQ(std::atoi(p[2].c_str()), static_cast<int>(i + 1));
    EXPECT_EQ(l[1], p[2]);
    EXPECT_EQ(l[3], p[6]);
  }
  // The loop stops at the first step that reaches the final time.
  const double lastT = std::atof(words(log.back())[3].c_str());
  EXPECT_GE(lastT, c.tend * (1 - 1e-5));
  for (const std::string &f : c.outputs) EXPECT_TRUE(exists(dir / f)) << f;
}

TEST(Problems, EachNumberedProblemRunsAFewStepsEndToEnd) {
  const ProblemCase cases[] = {
      {"-problem 3", &kUnitSquare, "sq.msh", 0.01, nullptr, nullptr,
       {"rm-sample1density.pos"}},
      {"-problem 5", &kUnitSquare, "sq.msh", 0.03, nullptr, nullptr,
       {"rt-sample1density.pos"}},
      {"-problem 6", &kUnitSquare, "sq.msh", 0.01, nullptr, nullptr,
       {"dmr-sample1density.pos"}},
      {"-problem 8", &kUnitSquare, "sq.msh", 0.02, nullptr, "1\n",
       {"scalar.dat", "scalar-sample1function.pos"}},
      {"-problem 9", &kUnitSquare, "sq.msh", 0.025, nullptr, nullptr,
       {"ns.dat", "ns-sample1density-100.pos"}},
      {"-problem 10", &kUnitSquare, "sq.msh", 0.002, nullptr, nullptr,
       {"convection-sample1density-100.pos"}},
      {"-problem 11", &kDvmBox, "dvm.msh", 0.01, "dvm/two_species_2d.in", nullptr,
       {"fsm-sample1s1.pos", "fsm-sample1s2.pos", "covertime-proc0.dat"}},
      {"-problem 12", &kUnitSquare, "sq.msh", 0.002, nullptr, nullptr,
       {"convection-sample1concentration-100.pos"}},
      // The 600:1 pressure jump at the tube's mouth needs a limiter.
      {"-problem 13 -limiter 1", &kUnitSquare, "sq.msh", 0.00005, nullptr, nullptr,
       {"muzzle-sample1density.pos"}},
      {"-problem 14", &kUnitSquare, "sq.msh", 0.02, nullptr, nullptr,
       {"t1.dat", "t2.dat", "burgers-sample1function.pos"}},
      {"-problem 15 -subproblem 1", &kUnitSquare, "sq.msh", 0.02, nullptr, nullptr,
       {"fourdiscontinuities-sample1density.pos"}},
      {"-problem 15 -subproblem 2", &kUnitSquare, "sq.msh", 0.02, nullptr, nullptr,
       {"fourdiscontinuities-sample1density.pos"}},
      {"-problem 17", &kVortexSquare, "v.msh", 0.3, nullptr, nullptr,
       {"Mass.plt", "L1Norm.plt", "LinfNorm.plt", "CenterLine.plt"}},
      {"-problem 18 -subproblem 1", &kUnitSquare, "sq.msh", 0.002, nullptr, nullptr,
       {"StreamCollisiontec.dat"}},
      {"-problem 18 -subproblem 2", &kUnitSquare, "sq.msh", 0.002, nullptr, nullptr,
       {"StreamCollisiontec.dat"}},
  };
  for (const ProblemCase &c : cases) {
    SCOPED_TRACE(c.options);
    runCase(c);
  }
}

// The Rayleigh-Taylor interface y = 0 cuts the cells of a mesh with an odd
// number of rows: the projection of the density jump (2 over 1) must stay a
// projection at every order, so the unlimited run starts and goes on.
TEST(Problems, RayleighTaylorJumpInsideCellsRunsUnlimitedAtEveryOrder) {
  constexpr MeshSpec kOddRows{"tri", 2, 3, 0, 0.25, -0.5, 0.5, {11, 12, 13, 14, 100}};
  for (const char *order : {"1", "2", "3", "4"}) {
    const std::string options = std::string("-problem 5 -limiter 0 -order ") + order;
    SCOPED_TRACE(options);
    runCase({options.c_str(), &kOddRows, "rt.msh", 0.01, nullptr, nullptr, {"rt-sample1density.pos"}});
  }
}

// Every shock tube, limited as their strong jumps need.
TEST(Problems, EachShockTubeRunsAFewStepsEndToEnd) {
  // A few steps of each: the Woodward-Colella pressures (4, 8) take far
  // shorter ones.
  const double tend[10] = {0.03, 0.03, 0.015, 0.03, 0.001, 0.015, 0.03, 0.04, 0.001, 0.03};
  for (int sub = 0; sub <= 9; ++sub) {
    const std::string options =
        "-problem 16 -limiter 1 -subproblem " + std::to_string(sub);
    SCOPED_TRACE(options);
    runCase({options.c_str(), &kUnitSquare, "t.msh", tend[sub], nullptr, nullptr,
             {"integ_level.dat"}});
  }
}

// Numbers that build no law stop before the run begins, with a message.
TEST(Problems, NumbersWithoutALawStopBeforeTheRun) {
  for (const char *number : {"1", "2", "4", "7", "1111"}) {
    SCOPED_TRACE(number);
    ScratchDir dir;
    makeMesh(dir / "sq.msh", "tri", 2, 2, 0, 1, 0, 1);
    const Result r =
        runProgram(dir.path(), std::string("sq.msh -problem ") + number + " -tend 0.01");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.status, -1);
    EXPECT_LT(r.status, 128) << "killed by a signal";
    EXPECT_EQ(find(r.out, "DG begins"), std::string::npos) << r.out;
    EXPECT_NE(find(r.err + r.out, "problem " + std::string(number)), std::string::npos)
        << r.out << r.err;
    EXPECT_FALSE(exists(dir / "DG.log") && !readFile(dir / "DG.log").empty());
  }
}

}  // namespace
