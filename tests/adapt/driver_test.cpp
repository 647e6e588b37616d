// The thresholds of the adaptation driver's passes on small meshes whose
// metric lengths are worked by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "ConformalAdapter.h"
#include "EdgeCollapsMod.h"
#include "LocMeshMod.h"
#include "driver_fixtures.h"
#include "meshTemplate.h"

using namespace drivertest;

namespace {

// Every vertex gets the isotropic size h.
void setUniform(metricField& field, pMesh m, double h) {
  VIter it = M_vertexIter(m);
  while (pVertex v = VIter_next(it)) field.setSize(v, h);
  VIter_delete(it);
}

// A driver with the measures a run makes, for calling one pass on its own.
struct PassDriver {
  metricField field;
  ConformalAdapter driver;
  std::unique_ptr<shapeMeasure> shape;
  lengthSquare length;
  EvalResults results;
  PassDriver(pMesh m, double h, shapeMeasure* shp = nullptr)
      : field(m), driver(m, &field, 0, 0), shape(shp ? shp : new meanRatio(&field, 0.05)), length(&field, 1.4, 0.6) {
    setUniform(field, m, h);
    driver.shpMeasure = shape.get();
    driver.sizMeasure = &length;
    driver.results = &results;
  }
  ~PassDriver() {
    driver.shpMeasure = nullptr;
    driver.sizMeasure = nullptr;
    driver.results = nullptr;
  }
  template <class F>
  std::string output(F f) {
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
  }
};

std::string fmt(double x) {
  std::ostringstream s;
  s.precision(17);
  s << x;
  return s.str();
}

// A hexagon of radius 0.75 around a centre vertex (inside a model face), its
// ring on one model edge, the ring vertex of angle 0 pulled in to (p, 0).
std::string fan(double p) {
  std::ostringstream s;
  const double c = 0.375, h = 0.75 * std::sqrt(3.0) / 2.0;
  s << "$NOD\n7\n1 0 0 0\n2 " << fmt(p) << " 0 0\n3 " << c << ' ' << fmt(h) << " 0\n4 " << -c << ' ' << fmt(h)
    << " 0\n5 -0.75 0 0\n6 " << -c << ' ' << fmt(-h) << " 0\n7 " << c << ' ' << fmt(-h) << " 0\n$ENDNOD\n$ELM\n12\n";
  for (int k = 0; k < 6; ++k) s << k + 1 << " 1 11 11 2 " << k + 2 << ' ' << (k + 1) % 6 + 2 << '\n';
  for (int k = 0; k < 6; ++k) s << k + 7 << " 2 100 100 3 1 " << k + 2 << ' ' << (k + 1) % 6 + 2 << '\n';
  s << "$ENDELM\n";
  return s.str();
}

// A diamond around O (0, 0) with the model vertex P (0.25, 0) and the far
// vertex W (-a, 0): collapsing O onto P makes the edge P W, whose squared
// length 2.25 (a = 1.25) is 1.44 times that of O W.
std::string diamond(double a) {
  std::ostringstream s;
  s << "$NOD\n5\n1 0 0 0\n2 0.25 0 0\n3 0 0.9 0\n4 " << fmt(-a) << " 0 0\n5 0 -0.9 0\n$ENDNOD\n$ELM\n9\n"
    << "1 15 1 1 1 2\n2 1 11 11 2 2 3\n3 1 11 11 2 3 4\n4 1 11 11 2 4 5\n5 1 11 11 2 5 2\n"
    << "6 2 100 100 3 1 2 3\n7 2 100 100 3 1 3 4\n8 2 100 100 3 1 4 5\n9 2 100 100 3 1 5 2\n$ENDELM\n";
  return s.str();
}

TEST(DriverCoarsening, ShortEdgeThresholdAndSizeRatioDecideExactly) {
  struct Case {
    std::string mesh;
    int collapses;
    const char* why;
  };
  const Case cases[] = {
      {fan(0.6), 0, "squared length exactly 0.36 is not short"},
      {fan(0.59375), 1, "squared length 0.3525 is short"},
      {diamond(1.25), 1, "new edge 2.25 > 1.96 at ratio exactly 1.44 passes"},
      {diamond(1.2243), 0, "new edge 2.17 > 1.96 at ratio 1.45 is refused"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    LoadedMesh mesh(c.mesh);
    const int before = M_numVertices(mesh.m);
    Changes changes;
    PassDriver d(mesh.m, 1.0);
    d.driver.setCallback(&Changes::record, &changes);
    const std::string out = d.output([&] { d.driver.coarsen_2(); });
    EXPECT_EQ(out, std::to_string(c.collapses) + " edge collapses are performed (coarsen)\n");
    EXPECT_EQ(M_numVertices(mesh.m), before - c.collapses);
    EXPECT_EQ(changes.count(0), c.collapses);
    // The interior vertex went; the model vertex and the ring stay.
    VIter it = M_vertexIter(mesh.m);
    int interior = 0;
    while (pVertex v = VIter_next(it)) interior += V_whatInType(v) == 2;
    VIter_delete(it);
    EXPECT_EQ(interior, 1 - c.collapses);
  }
}

// Four separate triangles, bases along the x axis, apexes 1/64 above their
// middles, in the uniform size 1/16: the base of length 1 is 16 long in the
// metric (the longest edge), so the first pass marks the edges whose squared
// metric length exceeds 0.9 sqrt(16) = 3.6: that base (256), its two sides
// (64.06) and the base 0.125 (4.0), not the bases 0.1171875 (3.515625) and
// 0.09375 (2.25) although they exceed 1.96.
TEST(DriverPasses, FirstPassMarksAboveNineTenthsOfTheLongestRootLength) {
  std::ostringstream s;
  const double bases[4] = {1.0, 0.125, 0.1171875, 0.09375};
  s << "$NOD\n12\n";
  for (int i = 0; i < 4; ++i) {
    const double x = 2.0 * i;
    s << 3 * i + 1 << ' ' << x << " 0 0\n"
      << 3 * i + 2 << ' ' << fmt(x + bases[i]) << " 0 0\n"
      << 3 * i + 3 << ' ' << fmt(x + bases[i] / 2) << ' ' << fmt(1.0 / 64) << " 0\n";
  }
  s << "$ENDNOD\n$ELM\n4\n";
  for (int i = 0; i < 4; ++i) s << i + 1 << " 2 100 100 3 " << 3 * i + 1 << ' ' << 3 * i + 2 << ' ' << 3 * i + 3 << '\n';
  s << "$ENDELM\n";
  LoadedMesh mesh(s.str());
  metricField field(mesh.m);
  setUniform(field, mesh.m, 1.0 / 16);
  ConformalAdapter driver(mesh.m, &field, 0, 0);
  testing::internal::CaptureStdout();
  driver.run_2(1, 0, nullptr);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("\n\nstart iteration 1:\n\nedge length range with respect to metric field: (4.000000 ~ "),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("\n4 edges are tagged to be refined\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("start iteration 2"), std::string::npos) << "one pass at most";
}

// A shape measure that rates what the test says: listed faces and regions
// by the table, others 1; every element a candidate would make by one value.
class TableShape : public shapeMeasure {
 public:
  std::map<pEntity, double> table;
  double candidate = 1.0;
  explicit TableShape(double threshold) : shapeMeasure(nullptr, threshold) {}
  int get(const double[4][3], const metric*, double* v) override { return (*v = candidate) >= threshold; }
  int get(pRegion r, double* v) override { return (*v = lookup(r)) >= threshold; }
  int get2D(const double[3][3], const double*, const metric*, double* v) override {
    return (*v = candidate) >= threshold;
  }
  int get2D(pFace f, double* v) override { return (*v = lookup(f)) >= threshold; }

 private:
  double lookup(pEntity e) const {
    auto it = table.find(e);
    return it == table.end() ? 1.0 : it->second;
  }
};

// A face of the Gmsh square whose three vertices are inside the model face.
pFace interiorFace(pMesh m) {
  FIter it = M_faceIter(m);
  pFace found = nullptr;
  while (pFace f = FIter_next(it)) {
    int n = 0;
    for (int i = 0; i < 3; ++i) n += V_whatInType(F_vertex(f, i)) == 2;
    if (n == 3) {
      found = f;
      break;
    }
  }
  FIter_delete(it);
  return found;
}

TEST(DriverSlivers, ShapeValueExactlyTwoThousandthsIsNotASliver) {
  for (double value : {0.002, std::nextafter(0.002, 0.0)}) {
    const int expected = value < 0.002 ? 1 : 0;
    {
      LoadedMesh mesh("square_tris.msh", true);
      auto* shape = new TableShape(0.0);
      shape->candidate = 0.0;  // no repair qualifies: the mesh stays as it is
      shape->table[interiorFace(mesh.m)] = value;
      PassDriver d(mesh.m, 1.0, shape);
      EXPECT_EQ(d.output([&] { d.driver.removeSliverFaces(); }),
                std::to_string(expected) + " sliver faces detected\n");
    }
    {
      LoadedMesh mesh("cube_ridges.msh", true);
      auto* shape = new TableShape(0.05);
      shape->candidate = 0.0;
      RIter it = M_regionIter(mesh.m);
      shape->table[RIter_next(it)] = value;
      RIter_delete(it);
      const int regions = M_numRegions(mesh.m);
      PassDriver d(mesh.m, 1.0, shape);
      EXPECT_EQ(d.output([&] { d.driver.removeSliverRegions(); }),
                std::to_string(expected) + " sliver regions detected\n");
      EXPECT_EQ(M_numRegions(mesh.m), regions);
    }
  }
}

// The sliver face s0 = 2^-10; every candidate rates c. A swap must beat
// 1.5 s0 strictly, a collapse at least equal 1.5 times the best so far.
TEST(DriverSlivers, SwapMustBeatOneAndAHalfStrictlyCollapseMayEqualIt) {
  const double s0 = std::ldexp(1.0, -10), bar = 1.5 * s0;
  struct Case {
    double candidate;
    int found;
    int kind;
  };
  const Case cases[] = {
      {bar, 1, ECOLLAPSE},                             // the swap ties and loses, a collapse ties and wins
      {bar * (1 + std::ldexp(1.0, -20)), 1, EDGESWAP},  // the swap wins; collapses would need 1.5 times more
      {bar * (1 - std::ldexp(1.0, -20)), 0, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.candidate / s0);
    LoadedMesh mesh("square_tris.msh", true);
    pFace sliver = interiorFace(mesh.m);
    ASSERT_NE(sliver, nullptr);
    auto* shape = new TableShape(0.0);
    shape->candidate = c.candidate;
    shape->table[sliver] = s0;
    PassDriver d(mesh.m, 1.0, shape);
    LocMeshMod* best = nullptr;
    pPList affected = nullptr;
    EXPECT_EQ(d.driver.handleSliverFace(sliver, s0, &best, &affected), c.found);
    if (!c.found) {
      EXPECT_EQ(best, nullptr);
      continue;
    }
    ASSERT_NE(best, nullptr);
    EXPECT_EQ(best->type(), c.kind);
    // What the repair will remove: the faces of the deleted vertex, or of the
    // swapped edge; the sliver is among them.
    ASSERT_NE(affected, nullptr);
    EXPECT_TRUE(PList_inList(affected, sliver));
    PList_delete(affected);
    delete best;
  }
}

// Snapping is not available: a driver told to snap ends the process with a
// message and a non-zero status once it has new boundary vertices.
TEST(DriverSnappingDeathTest, SnappingEndsWithAMessageAndFailure) {
  testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(
      {
        LoadedMesh mesh("square_tris.msh", true);
        metricField field(mesh.m);
        setUniform(field, mesh.m, 0.1);
        ConformalAdapter driver(mesh.m, &field, 1, 0);
        driver.run_2(5, 0, nullptr);
      },
      testing::ExitedWithCode(1), "snapping to the geometric model is not available");
}

TEST(DriverPasses, AdaptLevelOutsideTheTemplateModeChangesNothing) {
  LoadedMesh mesh("square_tris.msh", true);
  metricField field(mesh.m);
  setUniform(field, mesh.m, 1.0);
  ConformalAdapter driver(mesh.m, &field, 0, 0);
  EIter it = M_edgeIter(mesh.m);
  pEdge e = EIter_next(it);
  EIter_delete(it);
  testing::internal::CaptureStderr();
  driver.setAdaptLevel(e, 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "you are not allowed to tag mesh edges for size-based adaptation\n");
  EXPECT_EQ(PList_size(driver.refiner->markedEdges), 0);
}

}  // namespace

namespace {

// In the size 0.1 every edge of the Gmsh square (about 0.25 long) is long;
// a constrained face keeps its three edges out of the count.
TEST(DriverPasses, MarkingCountsAllLongEdgesButConstrainedOnes) {
  LoadedMesh mesh("square_tris.msh", true);
  metricField field(mesh.m);
  setUniform(field, mesh.m, 0.1);
  ConformalAdapter driver(mesh.m, &field, 0, 0);
  const int edges = M_numEdges(mesh.m);
  testing::internal::CaptureStdout();
  EXPECT_EQ(driver.tagEdgesByField(0.0), edges);
  FIter it = M_faceIter(mesh.m);
  driver.setConstraint(static_cast<pEntity>(FIter_next(it)));
  FIter_delete(it);
  EXPECT_EQ(driver.tagEdgesByField(0.0), edges - 3);
  EXPECT_EQ(driver.tagEdgesByField(1e9), 0) << "nothing above the threshold: every mark is taken back";
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, std::to_string(edges) + " edges are tagged to be refined\n" + std::to_string(edges - 3) +
                     " edges are tagged to be refined\n0 edges are tagged to be refined\n");
  EXPECT_EQ(PList_size(driver.refiner->markedEdges), 0);
}

}  // namespace
