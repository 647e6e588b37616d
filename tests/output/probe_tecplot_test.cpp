// Tecplot mesh sensor: one FEPOINT zone per sample, every element listing its
// own corners with its own solution there (u = 1 + x + 2y, order 1).
#include "TecplotSensor.h"
#include "probe_fixture.h"

using namespace probetest;

namespace {

ProbeLaw *meshLaw() {
  ProbeLaw *law = new ProbeLaw;
  law->outputs = {passThrough("u"), tripled("vec"),
                  {"grad", 1, [](const mPoint &, const double *, const mVector *G, double *out) {
                     out[0] = G[0][0] + G[0][1];  // the sensor passes zero gradients
                   }}};
  return law;
}

// Node lines of the leaf faces in leaf order: coordinates, then u, u, 2u, 3u, 0;
// a triangle of a quadrilateral zone lists its three corners only.
std::string nodeLines() {
  std::string t;
  mMesh *m = Scene::mesh();
  for (auto it = m->begin(2); it != m->end(2); ++it)
    for (int i = 0; i < (*it)->size(0); ++i) {
      const mPoint p = static_cast<KORA::mVertex *>((*it)->get(0, i))->point();
      const double u = 1.0 + p.x() + 2.0 * p.y();
      t += fmt("%f %f %f", p.x(), p.y(), p.z()) + fmt(" %f %f %f %f %f\n", u, u, 2 * u, 3 * u, 0.0);
    }
  return t;
}

const std::string kHeader =
    "TITLE=\"Maillage Tecplot\"\nVARIABLES= \"X\" \"Y\" \"Z\" \"u\" \"vec 1\" \"vec 2\" \"vec 3\" \"grad\"\n";

}  // namespace

TEST(ProbeTecplotMesh, TwoTrianglesGiveSixNodesAndTwoElements) {
  TempDir dir;
  Scene scene(square(), 1, linearField(), meshLaw());
  DGTecplotmesh s("mesh.plt", 0.05);
  EXPECT_EQ(readFile("mesh.plt"), kHeader);
  s.eval(&scene.analysis, 2, 0, 0.05);  // slot 0
  s.eval(&scene.analysis, 2, 0, 0.05);  // slot 0.05, equal to the time
  s.eval(&scene.analysis, 2, 0, 0.07);  // slot 0.1: not due
  const std::string zone = "ZONE T=\"0.050000\", N= 6, E= 2, F=FEPOINT, ET=TRIANGLE \n" + nodeLines() +
                           "1 2 3 \n4 5 6 \n";
  EXPECT_EQ(readFile("mesh.plt"), kHeader + zone + zone);
}

TEST(ProbeTecplotMesh, QuadrilateralAndMixedMeshes) {
  TempDir dir;
  struct Case {
    const char *what;
    std::vector<std::pair<double, double>> pts;
    std::vector<std::vector<int>> elements;
    std::string head, connectivity;
  } cases[] = {
      {"three quads",
       {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {0, 1}, {1, 1}, {2, 1}, {3, 1}},
       {{0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}},
       "N= 12, E= 3, F=FEPOINT, ET=QUADRILATERAL \n",
       "1 2 3 4 \n5 6 7 8 \n9 10 11 12 \n"},
      {"a quad and a triangle",
       {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {2, 0}},
       {{0, 1, 2, 3}, {1, 4, 2}},
       "N= 7, E= 2, F=FEPOINT, ET=QUADRILATERAL \n",
       ""},
  };
  for (const Case &c : cases) {
    Scene scene(faces(c.pts, c.elements), 1, linearField(), meshLaw());
    DGTecplotmesh s("mesh.plt", 1.0);
    s.eval(&scene.analysis, 2, 0, 0.0);
    std::string connectivity = c.connectivity;
    if (connectivity.empty()) {
      // Leaf order decides which element comes first; a triangle repeats its last node.
      int node = 1;
      for (auto it = Scene::mesh()->begin(2); it != Scene::mesh()->end(2); ++it) {
        const bool quad = (*it)->size(0) == 4;
        connectivity += quad ? fmt("%d %d %d %d \n", node, node + 1, node + 2, node + 3)
                             : fmt("%d %d %d %d \n", node, node + 1, node + 2, node + 2);
        node += quad ? 4 : 3;
      }
    }
    EXPECT_EQ(readFile("mesh.plt"),
              kHeader + "ZONE T=\"0.000000\", " + c.head + nodeLines() + connectivity)
        << c.what;
  }
}

TEST(ProbeTecplotMesh, EmptyMeshWritesNothingAndVolumeElementsOnlyAMessage) {
  TempDir dir;
  {
    Scene scene(new mMesh(0), 1, linearField(), meshLaw());
    DGTecplotmesh s("empty.plt", 1.0);
    s.eval(&scene.analysis, 2, 0, 0.0);
    EXPECT_EQ(readFile("empty.plt"), kHeader);
  }
  {
    mMesh *m = new mMesh(0);
    KORA::gEntity *region = m->getGEntity(1, 3);
    m->createVertex(1, 0, 0, 0, region);
    m->createVertex(2, 1, 0, 0, region);
    m->createVertex(3, 0, 1, 0, region);
    m->createVertex(4, 0, 0, 1, region);
    m->createTetWithVertices(1, 2, 3, 4, region);
    m->modifyState(3, 2);
    m->modifyState(2, 1);
    m->modifyState(2, 3);
    m->modifyState(1, 2);
    m->modifyState(0, 1);
    Scene scene(m, 0, linearField(), meshLaw());
    DGTecplotmesh s("tet.plt", 1.0);
    testing::internal::CaptureStdout();
    s.eval(&scene.analysis, 3, 0, 0.0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "TYPE d'Elements Inconnu dans DGSensor EvalTecplotMesh");
    EXPECT_EQ(readFile("tet.plt"), kHeader);
  }
}
