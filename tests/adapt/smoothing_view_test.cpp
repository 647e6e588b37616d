// Gradation smoothing of the metric field and its Gmsh view.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "AdaptUtil.h"
#include "adapt_fixtures.h"
#include "metricField.h"

using namespace adapttest;

namespace {

// Two vertices joined by one edge, isotropic sizes ha and hb.
struct TwoVertices : MeshHolder {
  pVertex a, b;
  metricField field{m};
  TwoVertices(double length, double ha, double hb) {
    a = vertex(0, 0, 0);
    b = vertex(length, 0, 0);
    edge(a, b);
    const double sa[3] = {ha, ha, ha}, sb[3] = {hb, hb, hb};
    field.setMetric(a, identity, sa);
    field.setMetric(b, identity, sb);
  }
};

const double beta2[3] = {2, 2, 2};

TEST(MetricSmoothing, LargerSizeComesDownToSmallerTimesBetaPowerLength) {
  TwoVertices t(0.2, 0.1, 1.0);
  // lenM = 0.18 / (0.1 ln 10); the larger size becomes 0.1 * 2^lenM.
  const double lenM = 0.18 / (0.1 * std::log(10.0));
  EXPECT_EQ(t.field.E_isoSmooth(t.a, t.b, 2.0), 1);
  EXPECT_NEAR(t.field.getMetric(t.b)->h[0], 0.1 * std::pow(2.0, lenM), 1e-12);
  EXPECT_NEAR(t.field.getMetric(t.b)->h[0], 0.17192, 5e-6);
  EXPECT_NEAR(t.field.getMetric(t.a)->h[0], 0.1, 1e-15);
  // The next pass changes nothing.
  EXPECT_EQ(t.field.E_isoSmooth(t.a, t.b, 2.0), 0);
  EXPECT_EQ(t.field.E_isoSmooth(t.b, t.a, 2.0), 0);
}

TEST(MetricSmoothing, WholeFieldSmoothingOfTheTwoVertexCases) {
  struct Case {
    double length, expected;
  };
  const double lenM = 0.18 / (0.1 * std::log(10.0));
  // 1.0 apart: lenM = 3.9087 and g = 1.8024 < 2.1, nothing changes.
  const Case cases[] = {{0.2, 0.1 * std::pow(2.0, lenM)}, {1.0, 1.0}};
  for (const Case& c : cases) {
    TwoVertices t(c.length, 0.1, 1.0);
    t.field.smooth_aniso(beta2);
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(t.field.getMetric(t.b)->h[i], c.expected, 1e-12) << c.length;
      EXPECT_NEAR(t.field.getMetric(t.a)->h[i], 0.1, 1e-15);
    }
  }
  TwoVertices close(0.2, 1.0, 0.95);  // sizes within a factor 1.1: never changed
  close.field.smooth(1.0);
  EXPECT_DOUBLE_EQ(close.field.getMetric(close.a)->h[0], 1.0);
}

TEST(MetricSmoothing, SkipsEdgesWithAMissingMetric) {
  TwoVertices t(0.2, 0.1, 1.0);
  t.field.deleteMetric(t.a);
  t.field.smooth_aniso(beta2);
  t.field.smooth(2.0);
  EXPECT_EQ(t.field.E_isoSmooth(t.a, t.b, 2.0), 0);
  EXPECT_DOUBLE_EQ(t.field.getMetric(t.b)->h[0], 1.0);
  EXPECT_EQ(t.field.getMetric(t.a), nullptr);
}

TEST(MetricSmoothing, AnisotropicEndsKeepProperMetrics) {
  MeshHolder mh;
  pVertex a = mh.vertex(0, 0, 0), b = mh.vertex(0.2, 0, 0), c = mh.vertex(0, 0.3, 0);
  mh.edge(a, b);
  mh.edge(b, c);
  mh.edge(c, a);
  metricField field(mh.m);
  // Strongly anisotropic sizes with frames turned against each other.
  const double ha[3] = {0.01, 1.0, 1.0}, hb[3] = {1.0, 0.01, 1.0}, hc[3] = {2.0, 2.0, 2.0};
  const double turned[3][3] = {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}};
  field.setMetric(a, identity, ha);
  field.setMetric(b, turned, hb);
  field.setMetric(c, identity, hc);
  testing::internal::CaptureStdout();
  field.smooth_aniso(beta2);
  testing::internal::GetCapturedStdout();
  for (pVertex v : {a, b, c}) {
    const metric* m = field.getMetric(v);
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(m->finite());
    EXPECT_LE(m->h[0], m->h[1]);
    EXPECT_LE(m->h[1], m->h[2]);
  }
  // The large isotropic size at c came down towards its neighbours.
  EXPECT_LT(field.getMetric(c)->h[0], 2.0);
}

TEST(MetricSmoothing, DegenerateBlendFallsBackToTheVertexOwnFrame) {
  MeshHolder mh;
  pVertex a = mh.vertex(0, 0, 0), b = mh.vertex(0.2, 0, 0);
  mh.edge(a, b);
  metricField field(mh.m);
  const double ha[3] = {1.0, 2.0, 3.0}, hb[3] = {0.1, 0.2, 0.3};
  field.setMetric(a, identity, ha);
  field.setMetric(b, identity, hb);
  double zero[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
  EXPECT_EQ(field.E_anisoSmooth(a, b, zero, 0.5, beta2), 1);
  const metric* m = field.getMetric(a);
  ASSERT_TRUE(m->finite());
  // Along a's own frame each size came down to 0.1 x 2^0.5 of b's size.
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(m->h[i], hb[i] * std::pow(2.0, 0.5), 1e-12);
    expectVec(m->e[i], identity[i][0], identity[i][1], identity[i][2]);
  }
  // Two parallel directions: the same fallback.
  double parallel[3][3] = {{1, 0, 0}, {2, 0, 0}, {0, 0, 1}};
  field.setMetric(a, identity, ha);
  EXPECT_EQ(field.E_anisoSmooth(a, b, parallel, 0.5, beta2), 1);
  EXPECT_TRUE(field.getMetric(a)->finite());
}

std::string readFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Each view test writes in a directory of its own (tests run in parallel).
class MetricView : public testing::Test {
 protected:
  std::filesystem::path home;
  void SetUp() override {
    home = std::filesystem::current_path();
    const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::filesystem::path dir = home / ("view_" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
  }
  void TearDown() override { std::filesystem::current_path(home); }
};

TEST_F(MetricView, WritesTheSmoothedTwoVertexFieldExactly) {
  TwoVertices t(0.2, 0.1, 1.0);
  t.field.smooth_aniso(beta2);
  std::filesystem::remove("mField.pos");
  ASSERT_EQ(AdaptUtil::viewMetricField(t.m, &t.field), 1);
  // Equal sizes sort to the directions (1,0,0), (0,0,1), (0,-1,0). The
  // vertices come in the mesh's vertex order.
  const std::string atA =
      "VP( 0.00000, 0.00000, 0.00000){ 0.10000, 0.00000, 0.00000};\n"
      "VP( 0.00000, 0.00000, 0.00000){ 0.00000, 0.00000, 0.10000};\n"
      "VP( 0.00000, 0.00000, 0.00000){ 0.00000,-0.10000, 0.00000};\n"
      "\n";
  const std::string atB =
      "VP( 0.20000, 0.00000, 0.00000){ 0.17192, 0.00000, 0.00000};\n"
      "VP( 0.20000, 0.00000, 0.00000){ 0.00000, 0.00000, 0.17192};\n"
      "VP( 0.20000, 0.00000, 0.00000){ 0.00000,-0.17192, 0.00000};\n"
      "\n";
  VIter it = M_vertexIter(t.m);
  const bool aFirst = VIter_next(it) == t.a;
  VIter_delete(it);
  const std::string expected = "View \"metric\" {\n" + (aFirst ? atA + atB : atB + atA) + "};\n";
  EXPECT_EQ(readFile("mField.pos"), expected);

  // Gmsh reads the view back without a complaint.
  if (std::system("command -v gmsh >/dev/null 2>&1") != 0) GTEST_SKIP() << "gmsh is not installed";
  const int rc = std::system("gmsh -nopopup mField.pos -parse_and_exit > gmsh_view.log 2>&1");
  EXPECT_EQ(rc, 0) << readFile("gmsh_view.log");
  EXPECT_EQ(readFile("gmsh_view.log").find("Error"), std::string::npos) << readFile("gmsh_view.log");
}

TEST_F(MetricView, SkipsVerticesWithoutAMetricAndReportsAnUnwritableFile) {
  MeshHolder mh;
  pVertex a = mh.vertex(0, 0, 0), b = mh.vertex(1, 2, 3);
  metricField field(mh.m);
  const double h[3] = {1, 2, 3};
  field.setMetric(b, identity, h);
  (void)a;
  std::filesystem::remove("mField.pos");
  ASSERT_EQ(AdaptUtil::viewMetricField(mh.m, &field), 1);
  EXPECT_EQ(readFile("mField.pos"),
            "View \"metric\" {\n"
            "VP( 1.00000, 2.00000, 3.00000){ 1.00000, 0.00000, 0.00000};\n"
            "VP( 1.00000, 2.00000, 3.00000){ 0.00000, 2.00000, 0.00000};\n"
            "VP( 1.00000, 2.00000, 3.00000){ 0.00000, 0.00000, 3.00000};\n"
            "\n"
            "};\n");

  // A directory in the way: reported, nothing written, no crash.
  std::filesystem::remove("mField.pos");
  std::filesystem::create_directory("mField.pos");
  testing::internal::CaptureStderr();
  EXPECT_EQ(AdaptUtil::viewMetricField(mh.m, &field), 0);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("mField.pos"), std::string::npos);
  std::filesystem::remove("mField.pos");
}

}  // namespace
