// The mesh quality tool on meshes small enough to work by hand.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "e2e_support.h"

namespace {

using namespace e2e;

// Built next to the adaptation driver.
std::string tool() {
  const std::string driver = DG_ADAPTDRIVER;
  return driver.substr(0, driver.find_last_of('/') + 1) + "dg_mesh_quality";
}

// The number after "label: " on its line.
double valueOf(const std::string& out, const std::string& label) {
  for (const std::string& l : lines(out))
    if (l.rfind(label + ": ", 0) == 0) return std::stod(l.substr(label.size() + 2));
  ADD_FAILURE() << "no line \"" << label << "\" in\n" << out;
  return -1;
}

std::vector<double> valuesOf(const std::string& out, const std::string& label) {
  std::vector<double> v;
  for (const std::string& l : lines(out))
    if (l.rfind(label + ": ", 0) == 0)
      for (const std::string& w : words(l.substr(label.size() + 2))) v.push_back(std::stod(w));
  return v;
}

Result quality(const ScratchDir& dir, const std::string& mesh, const std::string& args) {
  writeFile(dir / "m.msh", mesh);
  return runIn(dir.path(), tool() + " m.msh " + args);
}

// The unit square cut along a diagonal: four edges of length 1 and one of
// sqrt(2), two right isosceles triangles.
const char* kSquare =
    "$NOD\n4\n1 0 0 0\n2 1 0 0\n3 1 1 0\n4 0 1 0\n$ENDNOD\n"
    "$ELM\n2\n1 2 1 1 3 1 2 3\n2 2 1 1 3 1 3 4\n$ENDELM\n";

TEST(MeshQualityTool, TwoRightTrianglesUnderAUniformMetric) {
  ScratchDir dir;
  // Size 0.8: lengths 1.25 (four) and 1.25 sqrt(2) = 1.7678 (one, too long).
  const Result r = quality(dir, kSquare, "uniform 0.8");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(valueOf(r.out, "dimension"), 2);
  EXPECT_EQ(valueOf(r.out, "elements"), 2);
  EXPECT_EQ(valueOf(r.out, "edges"), 5);
  EXPECT_EQ(valueOf(r.out, "invalid elements"), 0);
  EXPECT_NEAR(valueOf(r.out, "area"), 1.0, 1e-6);
  EXPECT_NEAR(valueOf(r.out, "edges of metric length in [1/sqrt2, sqrt2]"), 0.8, 1e-4);
  const std::vector<double> q = valuesOf(r.out, "metric length min 10% 50% 90% max");
  const double diagonal = 1.25 * std::sqrt(2.0);
  ASSERT_EQ(q.size(), 5u);
  EXPECT_NEAR(q[0], 1.25, 1e-4);
  EXPECT_NEAR(q[1], 1.25, 1e-4);
  EXPECT_NEAR(q[2], 1.25, 1e-4);
  // 90% of the way through five sorted values: 0.6 of the way from the
  // fourth to the fifth.
  EXPECT_NEAR(q[3], 1.25 + 0.6 * (diagonal - 1.25), 1e-4);
  EXPECT_NEAR(q[4], diagonal, 1e-4);
  // 4 sqrt(3) (1/2) / (1 + 1 + 2), whatever the uniform size.
  EXPECT_NEAR(valueOf(r.out, "mean ratio worst"), std::sqrt(3.0) / 2.0, 1e-4);
  EXPECT_NEAR(valueOf(r.out, "mean ratio mean"), std::sqrt(3.0) / 2.0, 1e-4);
  EXPECT_EQ(valueOf(r.out, "elements of mean ratio below 0.05"), 0);
  // Metric area 1 / 0.64 over the equilateral triangle's sqrt(3)/4.
  EXPECT_NEAR(valueOf(r.out, "elements expected by the metric"), 1.5625 / (std::sqrt(3.0) / 4.0), 0.05);
}

TEST(MeshQualityTool, AnisotropicMetricMeasuresAlongItsDirections) {
  ScratchDir dir;
  // Sizes 0.5 along x and 1 along y: lengths 2 (x sides), 1 (y sides),
  // sqrt(5) (diagonal).
  const Result r = quality(dir, kSquare, "uniform 0.5 1 1");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<double> q = valuesOf(r.out, "metric length min 10% 50% 90% max");
  ASSERT_EQ(q.size(), 5u);
  EXPECT_NEAR(q[0], 1.0, 1e-4);
  EXPECT_NEAR(q[2], 2.0, 1e-4);
  EXPECT_NEAR(q[4], std::sqrt(5.0), 1e-4);
  EXPECT_NEAR(valueOf(r.out, "edges of metric length in [1/sqrt2, sqrt2]"), 0.4, 1e-4);
  // Metric area 1 each, sum of squares 4 + 1 + 5: 4 sqrt(3) / 10.
  EXPECT_NEAR(valueOf(r.out, "mean ratio worst"), 0.4 * std::sqrt(3.0), 1e-4);
  EXPECT_NEAR(valueOf(r.out, "elements expected by the metric"), 2.0 / (std::sqrt(3.0) / 4.0), 0.05);
}

TEST(MeshQualityTool, FoldedAndFlatElementsAreInvalidWhateverTheirVertexOrder) {
  ScratchDir dir;
  // The second triangle shares the edge 2-3 with the first but lies on the
  // same side of it: both fold. The third, clockwise but sound, borders the
  // first along 1-2 from the other side; the fourth is flat.
  const char* folded =
      "$NOD\n7\n1 0 0 0\n2 1 0 0\n3 0 1 0\n4 0.2 0.2 0\n5 0.5 -1 0\n6 2 0 0\n7 3 0 0\n$ENDNOD\n"
      "$ELM\n4\n1 2 1 1 3 1 2 3\n2 2 1 1 3 4 2 3\n3 2 1 1 3 1 2 5\n4 2 1 1 3 2 6 7\n$ENDELM\n";
  const Result r = quality(dir, folded, "uniform 1");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(valueOf(r.out, "elements"), 4);
  EXPECT_EQ(valueOf(r.out, "invalid elements"), 3);
  // 0.5 + 0.3 + 0.5, the flat one adds nothing: more than the domain.
  EXPECT_NEAR(valueOf(r.out, "area"), 1.3, 1e-6);
}

TEST(MeshQualityTool, CornerTetrahedron) {
  ScratchDir dir;
  const char* tet =
      "$NOD\n4\n1 0 0 0\n2 1 0 0\n3 0 1 0\n4 0 0 1\n$ENDNOD\n"
      "$ELM\n1\n1 4 1 1 4 1 2 3 4\n$ENDELM\n";
  // Size 0.8: lengths 1.25 (three) and 1.25 sqrt(2) (three, too long).
  const Result r = quality(dir, tet, "uniform 0.8");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(valueOf(r.out, "dimension"), 3);
  EXPECT_EQ(valueOf(r.out, "edges"), 6);
  EXPECT_NEAR(valueOf(r.out, "volume"), 1.0 / 6.0, 1e-6);
  EXPECT_NEAR(valueOf(r.out, "edges of metric length in [1/sqrt2, sqrt2]"), 0.5, 1e-4);
  // 12 (3 V)^(2/3) / (3 + 6) with V = 1/6.
  EXPECT_NEAR(valueOf(r.out, "mean ratio worst"), 12.0 * std::pow(0.5, 2.0 / 3.0) / 9.0, 1e-4);
  // Metric volume (1/6) / 0.8^3 over the regular tetrahedron's 1 / (6 sqrt(2)).
  EXPECT_NEAR(valueOf(r.out, "elements expected by the metric"), std::sqrt(2.0) / 0.512, 0.05);
}

TEST(MeshQualityTool, WritesTheMetricViewAndRefusesBadArguments) {
  ScratchDir dir;
  Result r = quality(dir, kSquare, "uniform 0.5 1 1 -view v.pos");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string view = readFile(dir / "v.pos");
  EXPECT_EQ(lines(view).size(), 4u);  // header, two triangles, end
  // The tensor at every vertex: 1/0.25 along x, 1 along y and z.
  EXPECT_NE(view.find("){4,0,0,0,1,0,0,0,1,4,0,0,0,1,0,0,0,1,4,0,0,0,1,0,0,0,1};"), std::string::npos) << view;
  for (const char* bad : {"", "uniform", "uniform -1", "band sideways 0.5 0.1 0.2 1", "uniform 1 -view"}) {
    r = quality(dir, kSquare, bad);
    EXPECT_EQ(r.status, 1) << bad;
    EXPECT_NE(r.err.find("usage"), std::string::npos) << bad;
  }
}

}  // namespace
