// Views of the solution over faces and volume elements: byte-exact text for
// tiny meshes, sub-triangle counts by order, and the linear field found at
// every written node.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "DGSensor.h"
#include "GmshProcessor.h"
#include "views_fixture.h"

using namespace viewtest;

namespace {

class PlainSensor : public DGSensor {
public:
  PlainSensor() : DGSensor("plain", 1.0) {}
  void eval(DGAnalysis *, int, int, double) override {}
};

enum Which { FACES, VOLUME };

// Writes the view of field `field` of a plain sensor into "v.pos" and
// returns the file's text.
std::string exportView(DGAnalysis &analysis, int field, Which which, const char *viewName = "v") {
  PlainSensor sensor;
  DGSensor::current = &sensor;
  GmshProcessor p;
  p.openFile("v.pos");
  if (which == FACES)
    analysis.exportGmsh(p, viewName, field);
  else
    analysis.exportGmsh_Volume(p, viewName, field);
  p.closeFile();
  DGSensor::current = nullptr;
  return readFile("v.pos");
}

std::string view(const std::string &name, const std::string &body) {
  return "View \"" + name + "\" {\n" + body + "};\n";
}

// Every node of every element carries the linear field (component c scaled
// by factor) at its coordinates.
void expectLinearAtNodes(const View &v, int components, const double *factors, int samples = 1) {
  for (const Element &e : v.elements) {
    const int nodes = static_cast<int>(e.coords.size() / 3);
    ASSERT_EQ(static_cast<int>(e.values.size()), nodes * components * samples);
    for (int s = 0; s < samples; ++s)
      for (int k = 0; k < nodes; ++k)
        for (int c = 0; c < components; ++c) {
          const double want = factors[s * components + c] *
                              linear(e.coords[3 * k], e.coords[3 * k + 1], e.coords[3 * k + 2]);
          // Six significant digits in the text.
          const int at = samples > 1 ? s * nodes + k : k * components + c;
          EXPECT_NEAR(e.values[at], want, 2e-5 * std::abs(want) + 1e-9);
        }
  }
}

double tetVolume(const std::vector<double> &c) {
  const double a[3] = {c[3] - c[0], c[4] - c[1], c[5] - c[2]};
  const double b[3] = {c[6] - c[0], c[7] - c[1], c[8] - c[2]};
  const double d[3] = {c[9] - c[0], c[10] - c[1], c[11] - c[2]};
  return std::abs(a[0] * (b[1] * d[2] - b[2] * d[1]) - a[1] * (b[0] * d[2] - b[2] * d[0]) +
                  a[2] * (b[0] * d[1] - b[1] * d[0])) /
         6.0;
}

}  // namespace

TEST(GmshFaceExport, OneOrderOneTriangleByteForByte) {
  TempDir dir;
  // u = 1 + x + 2y is 1, 3 and 3 at the vertices (0,0), (2,0), (0,1). The single
  // sub-triangle has the reference nodes (0,1), (0,0), (1,0): vertices 3, 1, 2.
  Scene scene(triangles({{0, 0}, {2, 0}, {0, 1}}, {{0, 1, 2}}), 1);
  scene.analysis.cells[0]->setTag(2);
  const std::string xyz = "0,1,0,0,0,0,2,0,0";
  struct Case {
    int field;
    std::string body;
  } cases[] = {
      {0, "ST (" + xyz + "){3,1,3};\n"},
      {1, "ST (" + xyz + "){3,1,3,30,10,30};\n"},  // two samples
      {2, "VT (" + xyz + "){3,6,9,1,2,3,3,6,9};\n"},
      {3, ""},                                       // four components: nothing
      {4, "ST (" + xyz + "){0,0,0};\n"},             // errest without estimator
      {5, "ST (" + xyz + "){2,2,2};\n"},             // tag: the local time level
      {6, "ST (" + xyz + "){0,0,0};\n"},             // a field that writes nothing
  };
  for (const Case &c : cases)
    EXPECT_EQ(exportView(scene.analysis, c.field, FACES, "name"), view("name", c.body)) << c.field;
}

TEST(GmshFaceExport, ErrestIsRecomputedOncePerView) {
  TempDir dir;
  Scene scene(triangles({{0, 0}, {2, 0}, {0, 1}}, {{0, 1, 2}}), 1);
  auto *est = new FiveEstimator;
  GlobalParamManager::Instance()->estimator = est;
  const std::string xyz = "0,1,0,0,0,0,2,0,0";
  EXPECT_EQ(exportView(scene.analysis, 4, FACES), view("v", "ST (" + xyz + "){5,5,5};\n"));
  EXPECT_EQ(est->calls, 3);  // one call per leaf edge
  exportView(scene.analysis, 4, FACES);
  EXPECT_EQ(est->calls, 6);
  exportView(scene.analysis, 0, FACES);  // other fields leave the indicators alone
  EXPECT_EQ(est->calls, 6);
}

TEST(GmshFaceExport, OrderOneQuadrilateralIsFourTrianglesByteForByte) {
  TempDir dir;
  // [0,2] x [0,1]; u is 1, 3, 5, 3 at the corners and 3 at the centre (1, 0.5).
  Scene scene(triangles({{0, 0}, {2, 0}, {2, 1}, {0, 1}}, {{0, 1, 2, 3}}), 1);
  const std::string body =
      "ST (0,1,0,0,0,0,1,0.5,0){3,1,3};\n"   // side u = -1
      "ST (2,1,0,0,1,0,1,0.5,0){5,3,3};\n"   // side v = 1
      "ST (2,0,0,2,1,0,1,0.5,0){3,5,3};\n"   // side u = 1
      "ST (2,0,0,0,0,0,1,0.5,0){3,1,3};\n";  // side v = -1
  EXPECT_EQ(exportView(scene.analysis, 0, FACES), view("v", body));
}

TEST(GmshFaceExport, SubTriangleCountsAndTheFieldAtEveryNode) {
  TempDir dir;
  struct Case {
    bool quads;
    int order;
    int perElement;
  } cases[] = {{false, 0, 1}, {false, 1, 1}, {false, 2, 9}, {false, 3, 36},
               {true, 0, 4},  {true, 1, 4},  {true, 2, 36}, {true, 3, 144}};
  for (const Case &c : cases) {
    // Slanted meshes of two elements (parallelograms, so that the straight
    // sub-triangles cover each element exactly).
    mMesh *mesh = c.quads ? triangles({{0, 0}, {1, 0}, {1.5, 1}, {0.5, 1}, {2, 0}, {2.5, 1}},
                                      {{0, 1, 2, 3}, {1, 4, 5, 2}})
                          : triangles({{0, 0}, {2, 0}, {2.5, 1.5}, {0.5, 1.5}}, {{0, 1, 2}, {0, 2, 3}});
    Scene scene(mesh, c.order);
    double area = 0.0;
    for (DGCell *cell : scene.analysis.cells) area += cell->Volume();
    const std::vector<View> views = parseViews(exportView(scene.analysis, 0, FACES));
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(static_cast<int>(views[0].elements.size()), 2 * c.perElement)
        << (c.quads ? "quads" : "triangles") << " order " << c.order;
    double sum = 0.0;
    for (const Element &e : views[0].elements) {
      EXPECT_EQ(e.kind, "ST");
      sum += triangleArea(e.coords);
    }
    EXPECT_NEAR(sum, area, 1e-4 * area);
    if (c.order == 0) {  // the cell mean at every node
      for (const Element &e : views[0].elements) {
        EXPECT_EQ(e.values[0], e.values[1]);
        EXPECT_EQ(e.values[0], e.values[2]);
      }
      continue;
    }
    const double one[1] = {1.0};
    expectLinearAtNodes(views[0], 1, one);
    // Two components: two samples of three values each.
    const std::vector<View> pairs = parseViews(exportView(scene.analysis, 1, FACES));
    const double pairFactors[2] = {1.0, 10.0};
    expectLinearAtNodes(pairs[0], 1, pairFactors, 2);
    // Three components: a vector per node.
    const std::vector<View> vecs = parseViews(exportView(scene.analysis, 2, FACES));
    const double vecFactors[3] = {1.0, 2.0, 3.0};
    for (const Element &e : vecs[0].elements) EXPECT_EQ(e.kind, "VT");
    expectLinearAtNodes(vecs[0], 3, vecFactors);
  }
}

TEST(GmshFaceExport, ThreeDimensionsWritesTheSurface) {
  TempDir dir;
  // Two tetrahedra sharing the face (1, 2, 3).
  const std::vector<mPoint> pts = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}};
  Scene scene(tetrahedra(pts, {{0, 1, 2, 3}, {1, 2, 3, 4}}), 1);
  ASSERT_EQ(scene.analysis.cells.size(), 2u);
  mMesh *mesh = Scene::mesh();
  mEntity *shared = mesh->getTri(mesh->getVertex(2), mesh->getVertex(3), mesh->getVertex(4));
  ASSERT_NE(shared, nullptr);
  ASSERT_NE(shared->getClassification()->getLevel(), 2);

  const double one[1] = {1.0};
  std::vector<View> views = parseViews(exportView(scene.analysis, 0, FACES));
  ASSERT_EQ(views.size(), 1u);
  EXPECT_EQ(views[0].elements.size(), 6u);  // the shared face is inside
  expectLinearAtNodes(views[0], 1, one);
  for (const Element &e : views[0].elements)
    for (int k = 0; k < 3; ++k) {  // every node is a vertex of the mesh
      double best = 1e9;
      for (const mPoint &p : pts)
        best = std::min(best, std::abs(e.coords[3 * k] - p.x()) + std::abs(e.coords[3 * k + 1] - p.y()) +
                                  std::abs(e.coords[3 * k + 2] - p.z()));
      EXPECT_LT(best, 1e-5);
    }

  // On a model face it is written, although two regions share it.
  shared->classify(mesh->getGEntity(7, 2));
  views = parseViews(exportView(scene.analysis, 0, FACES));
  EXPECT_EQ(views[0].elements.size(), 7u);
  expectLinearAtNodes(views[0], 1, one);
}

TEST(GmshFaceExport, ThreeDimensionsOrderTwoAndAHexahedron) {
  TempDir dir;
  {
    Scene scene(tetrahedra({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 1, 2, 3}}), 2);
    const std::vector<View> views = parseViews(exportView(scene.analysis, 0, FACES));
    EXPECT_EQ(views[0].elements.size(), 4u * 9u);
    double area = 0.0;
    for (const Element &e : views[0].elements) area += triangleArea(e.coords);
    EXPECT_NEAR(area, 1.5 + std::sqrt(3.0) / 2.0, 1e-4);
    const double one[1] = {1.0};
    expectLinearAtNodes(views[0], 1, one);
  }
  {
    Scene scene(unitHex(), 1);
    const std::vector<View> views = parseViews(exportView(scene.analysis, 0, FACES));
    EXPECT_EQ(views[0].elements.size(), 6u * 4u);
    double area = 0.0;
    for (const Element &e : views[0].elements) area += triangleArea(e.coords);
    EXPECT_NEAR(area, 6.0, 1e-4);
    const double one[1] = {1.0};
    expectLinearAtNodes(views[0], 1, one);
  }
}

TEST(GmshVolumeExport, OneTetrahedronByteForByte) {
  TempDir dir;
  // u = 1 + x + 2y + 3z is 1, 2, 3, 4 at the four vertices.
  Scene scene(tetrahedra({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 1, 2, 3}}), 1);
  const std::string xyz = "0,0,0,1,0,0,0,1,0,0,0,1";
  struct Case {
    int field;
    std::string body;
  } cases[] = {
      {0, "SS (" + xyz + "){1,2,3,4};\n"},
      {1, "SS (" + xyz + "){1,2,3,4,10,20,30,40};\n"},
      {2, ""},  // vectors are not written here
      {3, ""},
      {4, "SS (" + xyz + "){7,7,7,7};\n"},  // no special meaning here: the law's value
      {6, "SS (" + xyz + "){0,0,0,0};\n"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(exportView(scene.analysis, c.field, VOLUME, "name"), view("name", c.body)) << c.field;
}

TEST(GmshVolumeExport, AHexahedronIsTwentyFourTetrahedra) {
  TempDir dir;
  Scene scene(unitHex(), 1);
  const std::string text = exportView(scene.analysis, 0, VOLUME);
  const std::vector<View> views = parseViews(text);
  ASSERT_EQ(views.size(), 1u);
  ASSERT_EQ(views[0].elements.size(), 24u);
  // First: centre, corner (-1,-1,1), face centre (0,-1,0), corner (1,-1,1).
  EXPECT_EQ(text.substr(0, text.find('\n', 12) + 1),
            "View \"v\" {\nSS (0.5,0.5,0.5,0,0,1,0.5,0,0.5,1,0,1){4,4,3,5};\n");
  double volume = 0.0;
  for (const Element &e : views[0].elements) {
    EXPECT_EQ(e.kind, "SS");
    EXPECT_EQ(e.coords[0], 0.5);
    EXPECT_EQ(e.coords[1], 0.5);
    EXPECT_EQ(e.coords[2], 0.5);
    EXPECT_EQ(e.values[0], 4.0);  // all share the centre's value
    volume += tetVolume(e.coords);
  }
  EXPECT_NEAR(volume, 1.0, 1e-12);
  const double one[1] = {1.0};
  expectLinearAtNodes(views[0], 1, one);
  const double pairFactors[2] = {1.0, 10.0};
  expectLinearAtNodes(parseViews(exportView(scene.analysis, 1, VOLUME))[0], 1, pairFactors, 2);
}

TEST(GmshExport, WithoutASensorBeingWrittenIsAnError) {
  TempDir dir;
  Scene scene(triangles({{0, 0}, {2, 0}, {0, 1}}, {{0, 1, 2}}), 1);
  DGSensor::current = nullptr;
  GmshProcessor p;
  p.openFile("v.pos");
  EXPECT_THROW(scene.analysis.exportGmsh(p, "v", 0), std::string);
  EXPECT_THROW(scene.analysis.exportGmsh_Volume(p, "v", 0), std::string);
}
