// The adaptation library's test driver run from outside: it reads a Gmsh
// mesh, adapts it to an analytic metric in the solver's order of calls and
// writes the adapted mesh, the metric view and the changes by kind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace {

using namespace e2e;

const std::string kDriver = DG_ADAPTDRIVER;
const std::string kData = DG_TEST_DATA;

Result drive(const ScratchDir& dir, const std::string& args) { return runIn(dir.path(), kDriver + " " + args); }

// The count printed on the line that starts with the label.
long countAfter(const std::string& out, const std::string& label) {
  for (const std::string& l : lines(out))
    if (l.rfind(label, 0) == 0) return std::stol(l.substr(label.size()));
  ADD_FAILURE() << "no line \"" << label << "\" in\n" << out;
  return -1;
}

int passesIn(const std::string& out) {
  int n = 0;
  for (const std::string& l : lines(out))
    if (l.rfind("start iteration ", 0) == 0) {
      ++n;
      EXPECT_EQ(l, "start iteration " + std::to_string(n) + ":");
    }
  return n;
}

bool haveGmsh() { return std::system("command -v gmsh > /dev/null 2>&1") == 0; }

TEST(ConformalLibDriver, AdaptsGmshMeshesAndReportsChangesByKind) {
  struct Case {
    const char* mesh;
    const char* metric;
  };
  const Case cases[] = {
      {"square_tris.msh", "uniform 0.1"},
      {"square_tris.msh", "band aniso 0.5 0.02 0.2 0.1"},
      {"square_tris.msh", "shell iso 0 0 0 0.5 0.05 0.3 0.2"},
      {"cube_ridges.msh", "band aniso 0.5 0.02 0.2 0.1"},
      {"cube_ridges.msh", "shell aniso 0.5 0.5 0.5 0.3 0.05 0.3 0.1"},
      // Boundaries that are one model entity round their corners: no change may
      // cut a corner or a ridge.
      {"square_one_boundary.msh", "band aniso 0.5 0.02 0.3 0.2"},
      {"cube_one_boundary.msh", "band aniso 0.5 0.05 0.4 0.2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mesh) + " " + c.metric);
    ScratchDir dir;
    const Result r = drive(dir, kData + "/" + c.mesh + " out.msh " + c.metric);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const int passes = passesIn(r.out);
    EXPECT_GE(passes, 1);
    EXPECT_LE(passes, 5);
    // Only collapses, face and edge swaps, splits and template refinements
    // reach the callback, and each keeps the volume of what it replaces.
    for (int k : {3, 4, 7, 8}) EXPECT_EQ(countAfter(r.out, "changes of kind " + std::to_string(k) + ": "), 0);
    EXPECT_GT(countAfter(r.out, "changes of kind 6: "), 0);
    EXPECT_EQ(r.out.find("changes of unknown kind"), std::string::npos);
    EXPECT_EQ(countAfter(r.out, "changes that alter the volume: "), 0);

    // Three arrows per vertex of the adapted mesh.
    const long vertices = countAfter(r.out, "vertices: ");
    long arrows = 0;
    for (const std::string& l : lines(readFile(dir / "mField.pos"))) arrows += l.rfind("VP(", 0) == 0;
    EXPECT_EQ(arrows, 3 * vertices);

    // The adapted mesh in the ".msh" layout: its vertex section holds them all.
    const std::vector<std::string> mesh = lines(readFile(dir / "out.msh"));
    ASSERT_GE(mesh.size(), 2u);
    EXPECT_EQ(mesh[0], "$NOE");
    EXPECT_EQ(std::stol(mesh[1]), vertices);
  }
}

TEST(ConformalLibDriver, GmshLoadsTheMetricView) {
  if (!haveGmsh()) GTEST_SKIP() << "gmsh is not installed";
  ScratchDir dir;
  const Result r = drive(dir, kData + "/square_tris.msh out.msh band iso 0.5 0.05 0.2 0.2");
  ASSERT_EQ(r.status, 0) << r.err;
  const Result g = runIn(dir.path(), "gmsh -nopopup mField.pos -parse_and_exit");
  EXPECT_EQ(g.status, 0) << g.out << g.err;
  EXPECT_EQ((g.out + g.err).find("Error"), std::string::npos) << g.out << g.err;
}

TEST(ConformalLibDriver, FailuresEndWithAMessageAndNonZeroStatus) {
  struct Case {
    std::string args;
    std::string message;
  };
  const Case cases[] = {
      {kData + "/square_tris.msh out.msh uniform 0.1 -snap", "snapping to the geometric model is not available"},
      {kData + "/square_tris.msh out.msh uniform", "usage: adaptdriver"},
      {kData + "/square_tris.msh out.msh band diagonal 0.5 0.02 0.2 0.1", "usage: adaptdriver"},
      {kData + "/square_tris.msh out.msh uniform -1", "usage: adaptdriver"},
      {"missing.msh out.msh uniform 0.1", "adaptdriver: mesh library error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    ScratchDir dir;
    const Result r = drive(dir, c.args);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

}  // namespace
