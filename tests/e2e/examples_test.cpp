// Every shipped example runs a few steps through the example script: the
// start-up messages in order, one progress line and one "DG.log" line per
// iteration, a time that sums the steps and stops at the first step past the
// final time, "DG finishes", exit 0 and the problem's sensor files.

#include <cmath>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace {

using namespace e2e;

struct ExampleCase {
  const char *name;
  double tend;                       // a few steps
  std::vector<std::string> outputs;  // files the sensors leave
};

const std::regex kProgress(
    R"(^(\d+) iter +(\d+) dt ( -?\d\.\d{5}E[+-]\d\d) T ( -?\d\.\d{5}E[+-]\d\d) \|\|rhs\|\| =  ( -?\d\.\d{5}E[+-]\d\d) cpu ( -?\d\.\d{5}E[+-]\d\d) cpu\(ts\) =( +\S+){5}$)");
const std::regex kLogLine(R"(^\d+ +\d+( +\S+){9}$)");

TEST(Examples, EachRunsAFewStepsEndToEnd) {
  const ExampleCase cases[] = {
      {"burgers", 0.02, {"t1.dat", "t2.dat", "burgers-sample1function.pos"}},
      {"shock-tube", 0.004, {"integ_level.dat"}},
      {"isentropic-vortex", 0.03, {"Mass.plt", "L1Norm.plt", "LinfNorm.plt", "CenterLine.plt"}},
      {"scalar-advection", 0.02, {"scalar.dat", "scalar-sample1function.pos"}},
  };
  for (const ExampleCase &c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    std::ostringstream tend;
    tend.precision(17);
    tend << c.tend;
    const Result r = runIn(dir.path(), std::string(DG_EXAMPLES) + "/run_example.sh '" +
                                           DG_PROGRAM + "' " + c.name + " out -tend " + tend.str());
    ASSERT_EQ(r.status, 0) << r.out << r.err;

    // Start-up messages in their order, then the end.
    std::size_t at = 0;
    for (const char *m : {"Reading the mesh ", "Setting up the mesh ...\n",
                          "Setting up communications ...\n", "DG begins ...\n",
                          "Creating Cells ...\n", "Computing Initial Solution ...\n",
                          "DG running ...\n"}) {
      const std::size_t next = find(r.out, m, at);
      ASSERT_NE(next, std::string::npos) << "missing or out of order: " << m;
      at = next;
    }
    const std::vector<std::string> progress = progressLines(r.out);
    ASSERT_GE(progress.size(), 2u);
    EXPECT_GT(find(r.out, "DG finishes\n"), find(r.out, progress.back()));

    // One log line per iteration, numbered 1..n, with the progress line's
    // step and time.
    const std::vector<std::string> log = lines(readFile(dir / "out/DG.log"));
    ASSERT_EQ(log.size(), progress.size());
    double sum = 0.0, lastDt = 0.0, lastT = 0.0;
    for (std::size_t i = 0; i < log.size(); ++i) {
      EXPECT_TRUE(std::regex_match(progress[i], kProgress)) << progress[i];
      EXPECT_TRUE(std::regex_match(log[i], kLogLine)) << log[i];
      const std::vector<std::string> p = words(progress[i]), l = words(log[i]);
      EXPECT_EQ(std::atoi(p[2].c_str()), static_cast<int>(i + 1));
      EXPECT_EQ(l[1], p[2]);  // iteration
      EXPECT_EQ(l[2], p[4]);  // step
      EXPECT_EQ(l[3], p[6]);  // time
      EXPECT_EQ(l[0], p[0]);  // degrees of freedom
      lastDt = std::atof(l[2].c_str());
      lastT = std::atof(l[3].c_str());
      sum += lastDt;
    }
    // The time is the sum of the steps (to the printed precision) and the
    // loop stopped at the first step that reached the final time.
    EXPECT_NEAR(lastT, sum, 1e-5 * lastT * static_cast<double>(log.size()));
    EXPECT_GE(lastT, c.tend * (1 - 1e-5));
    EXPECT_LT(lastT - lastDt, c.tend);
    for (const std::string &f : c.outputs) EXPECT_TRUE(exists(dir / ("out/" + f))) << f;
    EXPECT_EQ(readFile(dir / "out/load.log"), "");
  }
}

// A run configured by a parameter file: an expression-built law, its two
// sensors created from the file, to the final time.
TEST(Examples, ParameterFileRunsTheExpressionLawWithItsSensors) {
  ScratchDir dir;
  makeMesh(dir / "square.msh", "tri", 6, 6, 0, 1, 0, 1);
  writeFile(dir / "run.par",
            "Mesh = \"square.msh\";\n"
            "Tend = 0.01;\n"
            "Function {\n"
            "  PressureInit[] = 1.0;\n"
            "  DensityInit[] = 1.0 + 0.1 * Exp[-20 * (($X - 0.5)^2 + ($Y - 0.5)^2)];\n"
            "  VelocityInit[] = Vector[1, 0, 0];\n"
            "  PressureBnd[] = 1.0;\n"
            "  DensityBnd[] = 1.0;\n"
            "  VelocityBnd[] = Vector[1, 0, 0];\n"
            "}\n"
            "Sensor { Type = \"Point\"; Name = \"centre.dat\"; Quantity = \"DensityInit\";\n"
            "  SampleRate = 0.005; Point = (0.5, 0.5, 0); }\n"
            "Sensor { Type = \"Gmsh\"; Name = \"density\"; Quantity = \"DensityInit\";\n"
            "  SampleRate = 0.01; }\n");
  const Result r = runProgram(dir.path(), "run.par");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(find(r.out, "DG finishes\n"), std::string::npos);
  EXPECT_FALSE(progressLines(r.out).empty());
  EXPECT_TRUE(exists(dir / "centre.dat"));
  EXPECT_TRUE(exists(dir / "density-sample1DensityInit.pos"));
  EXPECT_EQ(lines(readFile(dir / "DG.log")).size(), progressLines(r.out).size());
}

}  // namespace
