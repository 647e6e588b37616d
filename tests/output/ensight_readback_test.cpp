// The EnSight sensor's files read back as a reader of the format reads them:
// the case names geometry and variable files whose counts, parts and blocks
// agree, with one value per element. The solution is the linear field
// u = 1 + x + 2y + 3z projected on order-1 cells, so the value at an
// element's centre (the mean of its vertices for triangles, parallelograms,
// tetrahedra and the cube) is known from the geometry file's own nodes.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "EnsightSensor.h"
#include "Parser.h"
#include "ensight_reader.h"
#include "views_fixture.h"

using namespace viewtest;

namespace {

// u at the centre of every element of the geometry, block by block.
std::vector<double> centreValues(const ensight6::Geometry &geo) {
  std::vector<double> u;
  for (const ensight6::Part &part : geo.parts)
    for (const ensight6::Block &b : part.blocks)
      for (const std::vector<int> &nodes : b.nodes) {
        double x = 0, y = 0, z = 0;
        for (int n : nodes) {
          x += geo.nodes[n].x / nodes.size();
          y += geo.nodes[n].y / nodes.size();
          z += geo.nodes[n].z / nodes.size();
        }
        u.push_back(linear(x, y, z));
      }
  return u;
}

// The values of a variable file, in the order of the geometry's blocks.
std::vector<double> valuesOf(const ensight6::Variable &var) {
  std::vector<double> all;
  for (const auto &[number, blocks] : var.parts)
    for (const auto &[type, values] : blocks) all.insert(all.end(), values.begin(), values.end());
  return all;
}

// Five significant digits, as the files hold them.
void expectClose(const std::vector<double> &got, const std::vector<double> &want) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i)
    EXPECT_NEAR(got[i], want[i], 1e-5 * std::fabs(want[i]) + 1e-12) << "value " << i;
}

// Two triangles and two parallelograms side by side, in mixed order.
mMesh *mixedMesh() {
  return triangles({{0, 0}, {1, 0}, {1, 1}, {0, 1}, {2, 0}, {2, 1}, {3, 0.5}, {3, 1.5}, {2, 2}},
                   {{1, 4, 5, 2}, {0, 1, 2}, {4, 6, 7, 5}, {0, 2, 3}});
}

}  // namespace

TEST(EnsightReadBack, AQuantityThatIsNoFunctionWritesTheLawsFields) {
  TempDir dir;
  Scene scene(mixedMesh(), 1);
  const char *fields[] = {"solution"};
  DGEnsightSensor s("run.case", fields, 1, 0.5, 50, 50, 5);
  s.eval(&scene.analysis, 2, 0, 0.0);
  Scene::param().state.t = 0.5;
  s.eval(&scene.analysis, 2, 1, 0.5);

  ensight6::Case c;
  ASSERT_NO_THROW(c = ensight6::readCase("run.case"));
  EXPECT_EQ(c.type, "ensight");
  EXPECT_EQ(c.times, (std::vector<double>{0.0, 0.5}));
  // The law's fields of size 1 and 3 that it can give: not the pair, not
  // the four components, not the reserved names, not the one that throws.
  ASSERT_EQ(c.variables.size(), 3u);
  const struct {
    const char *kind, *description;
    int components;
  } expected[] = {{"scalar per element", "u", 1}, {"vector per element", "vec", 3},
                  {"scalar per element", "blank", 1}};
  for (int step = 0; step < 2; ++step) {
    SCOPED_TRACE(step);
    ensight6::Geometry geo;
    ASSERT_NO_THROW(geo = ensight6::readGeometry(c.fileOfStep(c.model, step)));
    EXPECT_EQ(geo.nodes.size(), 9u);
    ASSERT_EQ(geo.parts.size(), 1u);
    ASSERT_EQ(geo.parts[0].blocks.size(), 2u);
    EXPECT_EQ(geo.parts[0].blocks[0].type, "tria3");
    EXPECT_EQ(geo.parts[0].blocks[0].nodes.size(), 2u);
    EXPECT_EQ(geo.parts[0].blocks[1].type, "quad4");
    EXPECT_EQ(geo.parts[0].blocks[1].nodes.size(), 2u);
    const std::vector<double> u = centreValues(geo);
    for (int k = 0; k < 3; ++k) {
      SCOPED_TRACE(expected[k].description);
      EXPECT_EQ(c.variables[k].kind, expected[k].kind);
      EXPECT_EQ(c.variables[k].description, expected[k].description);
      ensight6::Variable var;
      ASSERT_NO_THROW(var = ensight6::readPerElement(c.fileOfStep(c.variables[k].file, step), geo,
                                                     expected[k].components));
      std::vector<double> want;
      for (double value : u)
        for (int j = 1; j <= expected[k].components; ++j) want.push_back(k == 2 ? 0.0 : j * value);
      expectClose(valuesOf(var), want);
    }
  }
}

TEST(EnsightReadBack, VolumeElementsInThreeDimensions) {
  struct Case {
    const char *type;
    std::function<mMesh *()> mesh;
    std::size_t nodes, elements;
  } cases[] = {
      {"tetra4",
       [] { return tetrahedra({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}}, {{0, 1, 2, 3}, {1, 2, 3, 4}}); },
       5, 2},
      {"hexa8", unitHex, 8, 1},
  };
  for (const Case &k : cases) {
    SCOPED_TRACE(k.type);
    TempDir dir;
    Scene scene(k.mesh(), 1);
    const char *fields[] = {"u", "vec"};
    DGEnsightSensor s("vol.case", fields, 2, 1.0, 0, 1, 3);
    s.eval(&scene.analysis, 3, 0, 0.0);
    ensight6::Case c;
    ASSERT_NO_THROW(c = ensight6::readCase("vol.case"));
    ASSERT_EQ(c.variables.size(), 2u);
    ensight6::Geometry geo;
    ASSERT_NO_THROW(geo = ensight6::readGeometry(c.fileOfStep(c.model, 0)));
    EXPECT_EQ(geo.nodes.size(), k.nodes);
    ASSERT_EQ(geo.parts.size(), 1u);
    ASSERT_EQ(geo.parts[0].blocks.size(), 1u);
    EXPECT_EQ(geo.parts[0].blocks[0].type, k.type);
    EXPECT_EQ(geo.parts[0].nbElements(), k.elements);
    const std::vector<double> u = centreValues(geo);
    ensight6::Variable scalar, vector;
    ASSERT_NO_THROW(scalar = ensight6::readPerElement(c.fileOfStep(c.variables[0].file, 0), geo, 1));
    ASSERT_NO_THROW(vector = ensight6::readPerElement(c.fileOfStep(c.variables[1].file, 0), geo, 3));
    expectClose(valuesOf(scalar), u);
    std::vector<double> triples;
    for (double value : u) triples.insert(triples.end(), {value, 2 * value, 3 * value});
    expectClose(valuesOf(vector), triples);
  }
}

TEST(EnsightReadBack, ABoundFunctionIsTheOneField) {
  TempDir dir;
  Scene scene(mixedMesh(), 1);
  Parser_Reset();
  testing::internal::CaptureStdout();
  const int status = Parse_String("Function {\n  q[] = 2 * $X + 1;\n}\n", "f.par");
  testing::internal::GetCapturedStdout();
  ASSERT_EQ(status, 0);
  const char *fields[] = {"q"};
  DGEnsightSensor s("f.case", fields, 1, 1.0, 50, 50, 5);
  s.setFunct("q");
  s.eval(&scene.analysis, 2, 0, 0.0);
  Parser_Reset();
  ensight6::Case c;
  ASSERT_NO_THROW(c = ensight6::readCase("f.case"));
  ASSERT_EQ(c.variables.size(), 1u);
  EXPECT_EQ(c.variables[0].description, "q");
  ensight6::Geometry geo;
  ASSERT_NO_THROW(geo = ensight6::readGeometry(c.fileOfStep(c.model, 0)));
  ensight6::Variable var;
  ASSERT_NO_THROW(var = ensight6::readPerElement(c.fileOfStep(c.variables[0].file, 0), geo, 1));
  std::vector<double> want;
  for (const ensight6::Block &b : geo.parts.at(0).blocks)
    for (const std::vector<int> &nodes : b.nodes) {
      double x = 0;
      for (int n : nodes) x += geo.nodes[n].x / nodes.size();
      want.push_back(2 * x + 1);
    }
  expectClose(valuesOf(var), want);
}

// ParaView's own EnSight reader opens the case: it finds every element and
// the field's range over them. Skipped where ParaView is not installed.
TEST(EnsightReadBack, ParaViewLoadsTheCase) {
  if (std::system("pvpython --version > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "pvpython (ParaView) is not installed";
  TempDir dir;
  Scene scene(mixedMesh(), 1);
  const char *fields[] = {"solution"};
  DGEnsightSensor s("pv.case", fields, 1, 0.5, 50, 50, 5);
  s.eval(&scene.analysis, 2, 0, 0.0);
  Scene::param().state.t = 0.5;
  s.eval(&scene.analysis, 2, 1, 0.5);

  std::ofstream("load.py") << "from paraview.simple import *\n"
                              "from paraview import servermanager\n"
                              "r = OpenDataFile('pv.case')\n"
                              "r.UpdatePipeline()\n"
                              "print('steps', len(r.TimestepValues))\n"
                              "d = servermanager.Fetch(r)\n"
                              "it = d.NewIterator()\n"
                              "it.InitTraversal()\n"
                              "while not it.IsDoneWithTraversal():\n"
                              "    b = it.GetCurrentDataObject()\n"
                              "    print('block', b.GetNumberOfPoints(), b.GetNumberOfCells())\n"
                              "    for name in ('u', 'vec'):\n"
                              "        a = b.GetCellData().GetArray(name)\n"
                              "        lo, hi = a.GetRange(0)\n"
                              "        print(name, a.GetNumberOfComponents(), a.GetNumberOfTuples(), '%.9g %.9g' % (lo, hi))\n"
                              "    it.GoToNextItem()\n";
  ASSERT_EQ(std::system("pvpython load.py > load.log 2>&1"), 0) << readFile("load.log");
  const std::string log = readFile("load.log");
  // Centres (2/3, 1/3), (1/3, 2/3), (1.5, 0.5), (2.5, 0.75): u from 7/3 to 5.
  EXPECT_NE(log.find("steps 2\n"), std::string::npos) << log;
  EXPECT_NE(log.find("block 9 4\n"), std::string::npos) << log;
  double lo = 0, hi = 0;
  int components = 0, tuples = 0;
  const std::size_t at = log.find("\nu ");
  ASSERT_NE(at, std::string::npos) << log;
  ASSERT_EQ(std::sscanf(log.c_str() + at, "\nu %d %d %lf %lf", &components, &tuples, &lo, &hi), 4) << log;
  EXPECT_EQ(components, 1);
  EXPECT_EQ(tuples, 4);
  EXPECT_NEAR(lo, 1.0 + 2.0 / 3.0 + 2.0 / 3.0, 1e-5);
  EXPECT_NEAR(hi, 1.0 + 2.5 + 1.5, 1e-5);
  const std::size_t vec = log.find("\nvec ");
  ASSERT_NE(vec, std::string::npos) << log;
  ASSERT_EQ(std::sscanf(log.c_str() + vec, "\nvec %d %d", &components, &tuples), 2) << log;
  EXPECT_EQ(components, 3);
  EXPECT_EQ(tuples, 4);
}
