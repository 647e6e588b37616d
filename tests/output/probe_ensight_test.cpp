// EnSight sensor: case, geometry and variable files on small triangle meshes
// carrying u = 1 + x + 2y (exact at the element centres with order-1 cells).
#include <filesystem>

#include "DGSensor.h"
#include "EnsightSensor.h"
#include "mIterator.h"
#include "ensight_reader.h"
#include "probe_fixture.h"

using namespace probetest;

namespace {

ProbeLaw *ensightLaw() {
  ProbeLaw *law = new ProbeLaw;
  law->outputs = {passThrough("rho"), tripled("vel"), {"pair", 2, [](const mPoint &, const double *U,
                                                                      const mVector *, double *out) {
                                                         out[0] = out[1] = U[0];
                                                       }}};
  return law;
}

// u at the centre of every leaf face, in the mesh's leaf order.
std::vector<double> centreValues() {
  std::vector<double> u;
  mMesh *m = Scene::mesh();
  for (auto it = m->begin(2); it != m->end(2); ++it) {
    double x = 0, y = 0;
    const int n = (*it)->size(0);
    for (int i = 0; i < n; ++i) {
      const mPoint p = static_cast<KORA::mVertex *>((*it)->get(0, i))->point();
      x += p.x() / n;
      y += p.y() / n;
    }
    u.push_back(1.0 + x + 2.0 * y);
  }
  return u;
}

// The values of a per-element file of triangles, as the format lays them
// out: six to a line, the last line of the block ending the file.
std::string triangleValues(const std::string &field, const std::vector<std::string> &values) {
  std::string t = field + "\npart 1\ntria3\n";
  for (std::size_t i = 0; i < values.size(); ++i)
    t += values[i] + (i % 6 == 5 || i + 1 == values.size() ? "\n" : "");
  return t;
}

const std::string kHead = "FORMAT\ntype:  ensight\nGEOMETRY\nmodel:  run.geo*****\nVARIABLE\n";

}  // namespace

TEST(ProbeEnsightSensor, CaseGeometryAndVariableFilesOverTwoSamples) {
  TempDir dir;
  Scene scene(square(), 1, linearField(), ensightLaw());
  const char *fields[] = {"rho"};
  DGEnsightSensor s("run.case", fields, 1, 0.1, 50, 50, 5);
  EXPECT_EQ(readFile("run.case"), kHead);

  s.eval(&scene.analysis, 2, 0, 0.0);
  const std::string section = "scalar per element:   rho\trun.rho*****\nTIME\ntime set: 1\n";
  const std::string tail = "filename start number: 00050\nfilename increment: 50\ntime values:\n";
  EXPECT_EQ(readFile("run.case"), kHead + section + "number of steps: 1    \n" + tail + "0.000000\n");
  const std::vector<double> u = centreValues();
  ASSERT_EQ(u.size(), 2u);
  EXPECT_EQ(readFile("run.rho00050"),
            triangleValues("rho", {fmt("%12.5E", u[0]), fmt("%12.5E", u[1])}));
  // The geometry: the square's four vertices and its two triangles.
  ensight6::Geometry geo;
  ASSERT_NO_THROW(geo = ensight6::readGeometry("run.geo00050"));
  EXPECT_EQ(geo.nodes.size(), 4u);
  ASSERT_EQ(geo.parts.size(), 1u);
  ASSERT_EQ(geo.parts[0].blocks.size(), 1u);
  EXPECT_EQ(geo.parts[0].blocks[0].type, "tria3");
  EXPECT_EQ(geo.parts[0].blocks[0].nodes.size(), 2u);

  Scene::param().state.t = 0.25;
  s.eval(&scene.analysis, 2, 1, 0.25);
  EXPECT_EQ(readFile("run.case"),
            kHead + section + "number of steps: 2    \n" + tail + "0.000000\n0.250000\n");
  EXPECT_EQ(readFile("run.rho00100"), readFile("run.rho00050"));
  EXPECT_TRUE(exists("run.geo00100"));
  EXPECT_FALSE(exists("run.rho00150"));
}

TEST(ProbeEnsightSensor, BaseNamesAndWhereTheFilesGo) {
  TempDir dir;
  std::filesystem::create_directory("out.d");
  Scene scene(square(), 1, linearField(), ensightLaw());
  struct Case {
    const char *caseFile, *base, *model, *geometry;
  } cases[] = {
      {"run.case", "run", "model:  run.geo*****\n", "run.geo00050"},
      {"plain", "plain", "model:  plain.geo*****\n", "plain.geo00050"},
      {"./dot.case", "./dot", "model:  dot.geo*****\n", "dot.geo00050"},
      {"out.d/sub.case", "out.d/sub", "model:  sub.geo*****\n", "out.d/sub.geo00050"},
  };
  for (const Case &c : cases) {
    const char *fields[] = {"rho"};
    DGEnsightSensor s(c.caseFile, fields, 1, 0.1, 50, 50, 5);
    EXPECT_EQ(s.getBaseName(), c.base);
    s.eval(&scene.analysis, 2, 0, 0.0);
    const std::string text = readFile(c.caseFile);
    EXPECT_NE(text.find(c.model), std::string::npos) << c.caseFile;
    EXPECT_TRUE(exists(c.geometry)) << c.caseFile;
    const std::string stem = std::filesystem::path(c.base).filename().string() + ".rho*****";
    EXPECT_NE(text.find("rho\t" + stem + "\n"), std::string::npos) << c.caseFile;
  }
}

TEST(ProbeEnsightSensor, ScalarsSixPerLineAndVectorsTwoPerLine) {
  TempDir dir;
  Scene scene(grid(2, false), 1, linearField(), ensightLaw());
  const char *fields[] = {"rho", "vel", "pair", "none"};
  DGEnsightSensor s("run.case", fields, 4, 1.0, 50, 50, 5);
  s.eval(&scene.analysis, 2, 0, 0.0);
  const std::vector<double> u = centreValues();
  ASSERT_EQ(u.size(), 8u);
  std::vector<std::string> rho;
  std::string vel = "vel\npart 1\ntria3\n";
  for (int i = 0; i < 8; ++i) {
    rho.push_back(fmt("%12.5E", u[i]));
    vel += fmt("%12.5E%12.5E%12.5E", u[i], 2 * u[i], 3 * u[i]) + (i % 2 == 1 ? "\n" : "");
  }
  EXPECT_EQ(readFile("run.rho00050"), triangleValues("rho", rho));
  EXPECT_EQ(readFile("run.vel00050"), vel);
  // A size EnSight does not know, and a name no field bears: no file, no
  // variable line.
  EXPECT_FALSE(exists("run.pair00050"));
  EXPECT_FALSE(exists("run.none00050"));
  const std::string text = readFile("run.case");
  EXPECT_NE(text.find("VARIABLE\nscalar per element:   rho\trun.rho*****\n"
                      "vector per element:   vel\trun.vel*****\nTIME\n"),
            std::string::npos)
      << text;
}

TEST(ProbeEnsightSensor, SectionsComeAtTheFirstSampleEvenWithNothingLocated) {
  TempDir dir;
  Scene scene(square(), 1, linearField(), ensightLaw());
  const char *fields[] = {"rho"};
  DGEnsightSensor s("run.case", fields, 1, 0.0, 7, 3, 1);
  // No analysis given: the values still come from the elements' own cells.
  for (int k = 0; k < 10; ++k) s.eval(nullptr, 2, k, 0.0);
  const std::string expected = "FORMAT\ntype:  ensight\nGEOMETRY\nmodel:  run.geo*\nVARIABLE\n"
                               "scalar per element:   rho\trun.rho*\nTIME\ntime set: 1\n"
                               "number of steps: 10\nfilename start number: 7\n"
                               "filename increment: 3\ntime values:\n" +
                               [] {
                                 std::string t;
                                 for (int k = 0; k < 10; ++k) t += "0.000000\n";
                                 return t;
                               }();
  EXPECT_EQ(readFile("run.case"), expected);
  const std::vector<double> u = centreValues();
  ASSERT_EQ(u.size(), 2u);
  EXPECT_EQ(readFile("run.rho7"), triangleValues("rho", {fmt("%12.5E", u[0]), fmt("%12.5E", u[1])}));
  EXPECT_TRUE(exists("run.rho34"));
}

TEST(ProbeEnsightSensor, UnwritableDataFilesAreSkipped) {
  TempDir dir;
  Scene scene(square(), 1, linearField(), ensightLaw());
  const char *fields[] = {"rho"};
  DGEnsightSensor s("missing/run.case", fields, 1, 0.1, 50, 50, 5);
  s.eval(&scene.analysis, 2, 0, 0.0);
  EXPECT_EQ(s.getCount(), 1);
  EXPECT_FALSE(exists("missing"));
  // Skipped, but reported at the end of the sensors' turn.
  try {
    reportOutputFailures();
    ADD_FAILURE() << "the lost files were not reported";
  } catch (const std::string &e) {
    EXPECT_NE(e.find("missing/run.case"), std::string::npos) << e;
  }
}
