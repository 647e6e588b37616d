// Gmsh itself loads every kind of view the sensor writes: each view's name,
// number of time steps and extremes, as Gmsh reports them, match the exported
// linear field (whose extremes over an element lie at its nodes). Skipped
// when the gmsh program is not installed.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "DGGmshSensor.h"
#include "views_fixture.h"

using namespace viewtest;

namespace {

bool haveGmsh() { return std::system("command -v gmsh > /dev/null 2>&1") == 0; }

struct GmshView {
  std::string name;
  int steps;
  double min, max;
};

// Loads the files into one Gmsh session and reports every view; any error
// line of Gmsh fails the test.
std::vector<GmshView> loadWithGmsh(const std::vector<std::string> &files) {
  std::ofstream script("check.geo");
  for (const std::string &f : files) script << "Merge \"" << f << "\";\n";
  script << "For i In {0:PostProcessing.NbViews-1}\n"
            "  Printf(StrCat(\"VIEW \", View[i].Name, Sprintf(\" %g %.17g %.17g\", "
            "View[i].NbTimeStep, View[i].Min, View[i].Max)));\n"
            "EndFor\n";
  script.close();
  const int rc = std::system("gmsh -nopopup -parse_and_exit check.geo > gmsh.out 2>&1");
  const std::string out = readFile("gmsh.out");
  EXPECT_EQ(rc, 0) << out;
  std::vector<GmshView> views;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    EXPECT_EQ(line.find("Error"), std::string::npos) << line;
    if (line.rfind("VIEW ", 0) != 0) continue;
    std::istringstream ls(line.substr(5));
    GmshView v{};
    ls >> v.name >> v.steps >> v.min >> v.max;
    views.push_back(v);
  }
  return views;
}

// Expected (time steps, min, max) of a view of the ViewLaw's fields when u
// ranges over [lo, hi] at the nodes; false for a view written empty.
bool expected(const std::string &field, bool volume, double lo, double hi, GmshView &want) {
  const double s14 = std::sqrt(14.0);
  want.name = field;
  want.steps = 1;
  if (field == "u") {
    want.min = lo, want.max = hi;
  } else if (field == "pair") {
    want.steps = 2, want.min = lo, want.max = 10 * hi;
  } else if (field == "vec") {
    if (volume) return false;
    want.min = s14 * lo, want.max = s14 * hi;  // Gmsh reports vector norms
  } else if (field == "errest") {
    want.min = want.max = volume ? 7.0 : 0.0;  // no estimator: 0 on the faces
  } else if (field == "tag") {
    want.min = want.max = volume ? 9.0 : 0.0;
  } else if (field == "blank") {
    want.min = want.max = 0.0;
  } else {
    return false;
  }
  return true;
}

// Samples every field but "four" (always empty) and "boom" (throws) with a
// Gmsh sensor, loads the files with Gmsh and checks every non-empty view.
void checkScene(Scene &scene, int dim, double lo, double hi) {
  Scene::param().general.chunkSpace = ".";
  DGGmshSensor sensor("g", 1.0, true);
  sensor.enable_field_of_interest(3, false);
  sensor.enable_field_of_interest(7, false);
  sensor.eval(&scene.analysis, dim, 0, 0.0);
  const char *fields[] = {"u", "pair", "vec", "errest", "tag", "blank"};
  std::vector<std::string> files;
  std::vector<GmshView> wanted;
  for (const char *f : fields) {
    const std::string file = std::string("g-sample1") + f + ".pos";
    ASSERT_TRUE(exists(file)) << file;
    files.push_back(file);
    const std::vector<View> written = parseViews(readFile(file));
    ASSERT_EQ(static_cast<int>(written.size()), dim == 3 ? 2 : 1) << file;
    for (std::size_t k = 0; k < written.size(); ++k) {
      GmshView want;
      const bool nonEmpty = expected(f, k == 1, lo, hi, want);
      EXPECT_EQ(nonEmpty, !written[k].elements.empty()) << file << " view " << k;
      want.steps = nonEmpty ? want.steps : 0;
      if (!nonEmpty) want.min = want.max = NAN;
      wanted.push_back(want);
    }
  }
  const std::vector<GmshView> got = loadWithGmsh(files);
  ASSERT_EQ(got.size(), wanted.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].name, wanted[i].name) << i;
    EXPECT_EQ(got[i].steps, wanted[i].steps) << wanted[i].name << " view " << i;
    if (wanted[i].steps == 0) continue;  // an empty view has no extremes
    EXPECT_GE(got[i].steps, 1);
    EXPECT_NEAR(got[i].min, wanted[i].min, 1e-5 * (1 + std::abs(wanted[i].min))) << wanted[i].name;
    EXPECT_NEAR(got[i].max, wanted[i].max, 1e-5 * (1 + std::abs(wanted[i].max))) << wanted[i].name;
  }
}

}  // namespace

TEST(GmshReadsViews, TrianglesOfOrderOne) {
  if (!haveGmsh()) GTEST_SKIP() << "gmsh is not installed: the views are not checked by Gmsh";
  TempDir dir;
  // Unit square: u = 1 + x + 2y runs from 1 at (0,0) to 4 at (1,1).
  Scene scene(triangles({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {{0, 1, 2}, {0, 2, 3}}), 1);
  checkScene(scene, 2, 1.0, 4.0);
}

TEST(GmshReadsViews, QuadrilateralsOfOrderTwo) {
  if (!haveGmsh()) GTEST_SKIP() << "gmsh is not installed: the views are not checked by Gmsh";
  TempDir dir;
  // [0,2] x [0,1] in two squares: u from 1 to 5.
  Scene scene(triangles({{0, 0}, {1, 0}, {2, 0}, {2, 1}, {1, 1}, {0, 1}}, {{0, 1, 4, 5}, {1, 2, 3, 4}}), 2);
  checkScene(scene, 2, 1.0, 5.0);
}

TEST(GmshReadsViews, TetrahedraAndAHexahedron) {
  if (!haveGmsh()) GTEST_SKIP() << "gmsh is not installed: the views are not checked by Gmsh";
  {
    TempDir dir;
    // u = 1 + x + 2y + 3z over the vertices: 1, 2, 3, 4 and 7 at (1,1,1).
    Scene scene(tetrahedra({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}},
                           {{0, 1, 2, 3}, {1, 2, 3, 4}}),
                1);
    checkScene(scene, 3, 1.0, 7.0);
  }
  {
    TempDir dir;
    Scene scene(unitHex(), 1);
    checkScene(scene, 3, 1.0, 7.0);
  }
}
