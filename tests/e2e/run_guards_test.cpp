// Runs that go wrong stop with a message and a failure status, never with
// "DG finishes" and status 0: parameters no step can work with, solutions
// that are not finite, meshes without elements, orders beyond a basis, and
// output that cannot be written. Views stay loadable by Gmsh when the
// solution gives fields that are not finite.

#include <cstdlib>
#include <string>
#include <vector>

#include <dirent.h>
#include <unistd.h>

#include "e2e_support.h"

namespace {

using namespace e2e;

// The expression-built Euler law of a parameter file on "square.msh", with
// the initial density and the boundary density given.
std::string eulerFile(const std::string &tend, const std::string &density,
                      const std::string &boundaryDensity, const std::string &extra = "") {
  return "Mesh = \"square.msh\";\nTend = " + tend + ";\n" + extra +
         "Function {\n"
         "  PressureInit[] = 1.0;\n"
         "  DensityInit[] = " + density + ";\n"
         "  VelocityInit[] = Vector[1, 0, 0];\n"
         "  PressureBnd[] = 1.0;\n"
         "  DensityBnd[] = " + boundaryDensity + ";\n"
         "  VelocityBnd[] = Vector[1, 0, 0];\n"
         "}\n";
}

void expectStopped(const Result &r, const std::vector<std::string> &shows) {
  EXPECT_EQ(r.status, 1) << r.out.substr(0, 3000) << r.err;
  for (const std::string &s : shows)
    EXPECT_NE(find(r.out + r.err, s), std::string::npos) << "missing: " << s << "\n"
                                                          << r.out.substr(0, 3000) << r.err;
  EXPECT_EQ(find(r.out, "DG finishes"), std::string::npos);
}

TEST(RunGuards, NonFiniteParametersAndSolutionsStopTheRun) {
  struct Case {
    const char *what;
    std::string par;  // parameter file, or empty for the options
    const char *args;
    std::vector<std::string> shows;
  };
  const Case cases[] = {
      {"CFL number far beyond any stable step", "", "sq.msh -problem 14 -order 1 -tend 0.05 -cfl 1e300",
       {"CFL number"}},
      {"CFL number that is not a number", eulerFile("0.05", "1.0", "1.0", "CFL_Limit = 0 / 0;\n"),
       "run.par", {"CFL"}},
      {"initial field that is not a number", eulerFile("0.05", "Sqrt[-1 - $X]", "1.0"), "run.par",
       {"initial solution is not finite"}},
      // The boundary density turns into NaN at time 0.02: the step that
      // begins after it is the one to stop, with its iteration number.
      {"solution that turns into NaN", eulerFile("0.2", "1.0", "1.0 + Sqrt[0.02 - $Time]"),
       "run.par", {"iteration 2: the solution is not finite"}},
      {"quadrilateral order beyond the basis", "", "q.msh -problem 14 -order 13 -tend 0.05",
       {"polynomial order 13"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    makeMesh(dir / "sq.msh", "tri", 4, 4, 0, 1, 0, 1);
    makeMesh(dir / "square.msh", "tri", 4, 4, 0, 1, 0, 1);
    makeMesh(dir / "q.msh", "quad", 2, 2, 0, 1, 0, 1);
    if (!c.par.empty()) writeFile(dir / "run.par", c.par);
    expectStopped(runProgram(dir.path(), c.args), c.shows);
  }
}

TEST(RunGuards, AMeshWithoutElementsIsAnError) {
  ScratchDir dir;
  writeFile(dir / "empty.msh", "");
  std::string noise;
  unsigned x = 12345;
  for (int i = 0; i < 400; ++i) {
    x = x * 1103515245u + 12345u;
    noise += static_cast<char>((x >> 16) & 0xff);
  }
  writeFile(dir / "noise.msh", noise);
  writeFile(dir / "nodes.msh", "$NOD\n1\n1 0 0 0\n$ENDNOD\n$ELM\n0\n$ENDELM\n");
  ASSERT_EQ(symlink("/dev/null", (dir / "device.msh").c_str()), 0);
  for (const char *mesh : {"empty.msh", "noise.msh", "nodes.msh", "device.msh"}) {
    SCOPED_TRACE(mesh);
    const Result r = runProgram(dir.path(), std::string(mesh) + " -problem 14 -order 1 -tend 0.05");
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(find(r.out + r.err, mesh), std::string::npos) << r.out << r.err;
    EXPECT_EQ(find(r.out, "DG begins"), std::string::npos);
    EXPECT_TRUE(progressLines(r.out).empty());
  }
}

// Output that cannot be written ends the run with a message naming the file:
// a missing output folder, and a log, a view or a recovery file on a full
// disk (a link to /dev/full).
TEST(RunGuards, OutputThatCannotBeWrittenEndsTheRun) {
  struct Case {
    const char *what;
    const char *link;  // name linked to /dev/full, or null
    const char *options;
    const char *shows;
  };
  const Case cases[] = {
      {"missing output folder", nullptr, "-chunkspace ./nothere", "nothere/DG.log"},
      {"full disk under DG.log", "DG.log", "", "DG.log"},
      {"full disk under a view", "burgers-sample1function.pos", "", "burgers-sample1function.pos"},
      {"full disk under a recovery file", "dg-recov-3.dat.tmp", "", "dg-recov-3.dat"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    makeMesh(dir / "sq.msh", "tri", 4, 4, 0, 1, 0, 1);
    writeFile(dir / ".dgrc", "time.recoverSamplingPeriod 3\n");
    if (c.link) {
      ASSERT_EQ(symlink("/dev/full", (dir / c.link).c_str()), 0);
    }
    const Result r = runProgram(dir.path(), std::string("sq.msh -problem 14 -order 1 -tend 0.2 ") + c.options);
    expectStopped(r, {c.shows});
  }
}

bool haveGmsh() { return std::system("command -v gmsh > /dev/null 2>&1") == 0; }

std::vector<std::string> viewFiles(const std::string &dir) {
  std::vector<std::string> files;
  if (DIR *d = opendir(dir.c_str())) {
    while (dirent *e = readdir(d)) {
      const std::string n = e->d_name;
      if (n.size() > 4 && n.compare(n.size() - 4, 4, ".pos") == 0) files.push_back(n);
    }
    closedir(d);
  }
  return files;
}

// Without a limiter the initial projection of these problems makes the
// density negative at some vertex: the Mach number there is not finite.
TEST(RunGuards, ViewsOfFieldsThatAreNotFiniteStayLoadable) {
  for (const char *problem : {"-problem 3", "-problem 15 -subproblem 1"}) {
    SCOPED_TRACE(problem);
    ScratchDir dir;
    makeMesh(dir / "sq.msh", "tri", 6, 6, 0, 1, 0, 1, {11, 12, 13, 14, 100});
    const Result r = runProgram(dir.path(), std::string("sq.msh ") + problem + " -order 1 -tend 0.01");
    ASSERT_EQ(r.status, 0) << r.out.substr(0, 3000) << r.err;
    EXPECT_NE(find(r.err, "not finite"), std::string::npos) << r.err;
    const std::vector<std::string> files = viewFiles(dir.path());
    ASSERT_FALSE(files.empty());
    for (const std::string &f : files) {
      const std::string text = readFile(dir / f);
      EXPECT_EQ(text.find("inf"), std::string::npos) << f;
      EXPECT_EQ(text.find("nan"), std::string::npos) << f;
      if (!haveGmsh()) continue;
      const Result g = runIn(dir.path(), "gmsh -nopopup -parse_and_exit '" + f + "' 2>&1");
      EXPECT_EQ(g.status, 0) << f << g.out;
      EXPECT_EQ(find(g.out, "Error"), std::string::npos) << f << g.out;
    }
  }
}

}  // namespace
