// The adaptation driver on Gmsh meshes of the unit square and the unit cube
// (corners, sides and ridges as model entities), called as the solver calls
// it, with the adapted mesh checked against the geometry of the box.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "AdaptUtil.h"
#include "ConformalAdapter.h"
#include "../common/temp_dir.h"
#include "driver_fixtures.h"

using namespace drivertest;

namespace {

// Under the sanitizers the uniform cube is adapted to a coarser size (about
// a third of the elements), to keep the suite fast there.
#if defined(__SANITIZE_ADDRESS__)
constexpr double kCubeSize = 0.15;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr double kCubeSize = 0.15;
#else
constexpr double kCubeSize = 0.1;
#endif
#else
constexpr double kCubeSize = 0.1;
#endif

using MetricAt = std::function<void(const double p[3], double dirs[3][3], double h[3])>;

MetricAt uniform(double h) {
  return [h](const double*, double dirs[3][3], double sizes[3]) {
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) dirs[i][j] = i == j ? 1.0 : 0.0;
      sizes[i] = h;
    }
  };
}

// Size 0.02 across the plane x = 0.5, growing linearly to 0.2 at distance
// 0.1; 0.2 along y and z.
MetricAt band() {
  return [](const double p[3], double dirs[3][3], double sizes[3]) {
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) dirs[i][j] = i == j ? 1.0 : 0.0;
    sizes[0] = 0.02 + 0.18 * std::min(1.0, std::fabs(p[0] - 0.5) / 0.1);
    sizes[1] = sizes[2] = 0.2;
  };
}

struct Outcome {
  std::string out;
  int passes = 0;
  double longest = 0.0;  // after the run, in the field it ran with
  int viewVectors = 0;
};

// The solver's order: metric on every vertex, driver, callback, smoothing
// (2, 2, 2), at most five passes, the metric view.
Outcome adapt(LoadedMesh& mesh, const MetricAt& at, Changes& changes) {
  Outcome o;
  metricField field(mesh.m);
  VIter it = M_vertexIter(mesh.m);
  while (pVertex v = VIter_next(it)) {
    double p[3], dirs[3][3], h[3];
    V_coord(v, p);
    at(p, dirs, h);
    field.setMetric(v, dirs, h);
  }
  VIter_delete(it);
  ConformalAdapter driver(mesh.m, &field, 0, 0);
  driver.setCallback(&Changes::record, &changes);
  const double beta[3] = {2.0, 2.0, 2.0};
  field.smooth_aniso(beta);
  dgtest::TempDir dir("driver");  // for the metric view
  testing::internal::CaptureStdout();
  driver.run_2(5, 0, nullptr);
  o.out = testing::internal::GetCapturedStdout();
  o.longest = longestMetricEdge(mesh.m, field);
  EXPECT_EQ(AdaptUtil::viewMetricField(mesh.m, &field), 1);
  std::ifstream view("mField.pos");
  std::string line;
  while (std::getline(view, line))
    if (line.rfind("VP(", 0) == 0) ++o.viewVectors;
  return o;
}

// The pass lines in order; returns the number of passes.
int checkPassLines(const std::string& out) {
  std::istringstream in(out);
  std::string line;
  std::vector<std::string> lines;
  while (std::getline(in, line))
    if (!line.empty()) lines.push_back(line);
  const char* const order[] = {"start iteration ", "edge length range with respect to metric field: (",
                               " edges are tagged to be refined", " edge collapses are performed (coarsen)",
                               " edge swap are performed", " sliver faces detected", " sliver regions detected"};
  int passes = 0;
  std::size_t k = 0;
  while (k < lines.size()) {
    if (lines[k].rfind("start iteration ", 0) != 0) {
      ++k;  // a warning of a pass
      continue;
    }
    ++passes;
    EXPECT_EQ(lines[k], "start iteration " + std::to_string(passes) + ":");
    std::size_t step = 1;
    for (++k; k < lines.size() && step < 7 && lines[k].rfind("start iteration ", 0) != 0; ++k)
      if (lines[k].find(order[step]) != std::string::npos) ++step;
    EXPECT_EQ(step, 7u) << "pass " << passes << " lacks: " << (step < 7 ? order[step] : "") << "\n" << out;
  }
  return passes;
}

struct Case {
  const char* name;
  const char* file;
  MetricAt metric;
  double volume, boundary;  // of the box: area and perimeter in 2-D
  int corners;
};

class DriverOnBox : public testing::TestWithParam<int> {};

const Case& caseOf(int i) {
  static const Case cases[] = {
      {"square uniform 0.1", "square_tris.msh", uniform(0.1), 1.0, 4.0, 4},
      {"square band", "square_tris.msh", band(), 1.0, 4.0, 4},
      {"cube uniform", "cube_ridges.msh", uniform(kCubeSize), 1.0, 6.0, 8},
      {"cube band", "cube_ridges.msh", band(), 1.0, 6.0, 8},
  };
  return cases[i];
}

TEST_P(DriverOnBox, AdaptsToTheMetricAndKeepsTheBox) {
  const Case& c = caseOf(GetParam());
  SCOPED_TRACE(c.name);
  LoadedMesh mesh(c.file, true);
  const ModelPlanes planes(mesh.m);
  const int before = M_numVertices(mesh.m);
  Changes changes;
  const Outcome o = adapt(mesh, c.metric, changes);

  const int passes = checkPassLines(o.out);
  EXPECT_GE(passes, 1);
  EXPECT_LE(passes, 5);
  if (passes < 5) {
    EXPECT_LE(o.longest, 1.96) << "the loop stopped with a longer edge";
  }
  EXPECT_GT(M_numVertices(mesh.m), before);

  const MeshReport r = inspect(mesh.m, mesh.dim, planes);
  EXPECT_EQ(r.inverted, 0);
  EXPECT_EQ(r.badFaceUses, 0);
  EXPECT_EQ(r.euler, 1);
  EXPECT_NEAR(r.volume, c.volume, 1e-10);
  EXPECT_NEAR(r.boundary, c.boundary, 1e-10);
  EXPECT_EQ(r.corners, c.corners);
  EXPECT_EQ(r.offModel, 0);

  ASSERT_FALSE(changes.list.empty());
  for (const auto& ch : changes.list) {
    EXPECT_TRUE(ch.kind == 0 || ch.kind == 1 || ch.kind == 2 || ch.kind == 5 || ch.kind == 6) << ch.kind;
    EXPECT_NEAR(ch.after, ch.before, 1e-12 * std::max(1.0, ch.before)) << "kind " << ch.kind;
  }
  EXPECT_GT(changes.count(6), 0);
  EXPECT_EQ(o.viewVectors, 3 * M_numVertices(mesh.m));
}

INSTANTIATE_TEST_SUITE_P(Boxes, DriverOnBox, testing::Range(0, 4));

// A metric far coarser than the mesh: coarsening removes vertices, the box
// stays whole and valid, the corners stay.
TEST(DriverCoarse, CoarseMetricRemovesVerticesAndKeepsTheBox) {
  for (const char* file : {"square_tris.msh", "cube_ridges.msh"}) {
    SCOPED_TRACE(file);
    LoadedMesh mesh(file, true);
    const ModelPlanes planes(mesh.m);
    const int before = M_numVertices(mesh.m);
    Changes changes;
    const Outcome o = adapt(mesh, uniform(1.0), changes);
    EXPECT_EQ(checkPassLines(o.out), 1);
    EXPECT_LT(M_numVertices(mesh.m), before);
    EXPECT_GT(changes.count(0), 0);
    const MeshReport r = inspect(mesh.m, mesh.dim, planes);
    EXPECT_EQ(r.inverted, 0);
    EXPECT_EQ(r.badFaceUses, 0);
    EXPECT_EQ(r.euler, 1);
    EXPECT_NEAR(r.volume, 1.0, 1e-10);
    EXPECT_EQ(r.corners, mesh.dim == 3 ? 8 : 4);
    EXPECT_EQ(r.offModel, 0);
    for (const auto& ch : changes.list) EXPECT_NEAR(ch.after, ch.before, 1e-12) << "kind " << ch.kind;
  }
}

}  // namespace

namespace {

// The older loop with nothing to refine coarsens once, with its own pass:
// the box stays whole.
TEST(DriverCoarse, OlderLoopCoarsensOnceWhenNothingIsLong) {
  LoadedMesh mesh("square_tris.msh", true);
  const ModelPlanes planes(mesh.m);
  const int before = M_numVertices(mesh.m);
  metricField field(mesh.m);
  VIter it = M_vertexIter(mesh.m);
  while (pVertex v = VIter_next(it)) field.setSize(v, 1.0);
  VIter_delete(it);
  Changes changes;
  ConformalAdapter driver(mesh.m, &field, 0, 0);
  driver.setCallback(&Changes::record, &changes);
  testing::internal::CaptureStdout();
  driver.run();
  const std::string out = testing::internal::GetCapturedStdout();
  const int removed = before - M_numVertices(mesh.m);
  EXPECT_GT(removed, 0);
  EXPECT_EQ(changes.count(0), removed);
  EXPECT_EQ(out, "0 edges are tagged to be refined\n" + std::to_string(removed) + " edge collapses are performed\n");
  const MeshReport r = inspect(mesh.m, mesh.dim, planes);
  EXPECT_EQ(r.inverted, 0);
  EXPECT_EQ(r.badFaceUses, 0);
  EXPECT_EQ(r.euler, 1);
  EXPECT_NEAR(r.volume, 1.0, 1e-10);
  EXPECT_NEAR(r.boundary, 4.0, 1e-10);
  EXPECT_EQ(r.corners, 4);
  EXPECT_EQ(r.offModel, 0);
}

}  // namespace
