// Integration sensor: measure of a sensor mesh clipped to the disc of radius
// 0.1 about (0.5, 0.5), counted where the solution mesh holds a solution.
#include <cmath>

#include "IntegrationSensor.h"
#include "KORA_Util.h"
#include "mException.h"
#include "probe_fixture.h"

using namespace probetest;

namespace {

// Writes the faces as the sensor's mesh file "t.msh".
void writeSensorMesh(mMesh *m) {
  KORA::KORA_Util::Instance()->ex_port("t.msh", m, false);
  delete m;
}

ProbeLaw *threeFields() {
  ProbeLaw *law = new ProbeLaw;
  law->fields = 3;
  return law;
}

Field zeros() {
  return Field([](const mPoint &, double *v) { v[0] = v[1] = v[2] = 0.0; }, 0);
}

// Samples the sensor once with standard output captured; returns the row.
std::vector<double> sample(DGIntegrationSensor &s, DGAnalysis &a, double time, std::string *trace = nullptr) {
  testing::internal::CaptureStdout();
  s.eval(&a, 2, 0, time);
  const std::string out = testing::internal::GetCapturedStdout();
  if (trace) *trace = out;
  const std::string text = readFile("integ.dat");
  return numbers(text.substr(text.rfind('\n', text.size() - 2) + 1));
}

double shoelace(const std::vector<mPoint> &p) {
  double a = 0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const mPoint &q = p[i], &r = p[(i + 1) % p.size()];
    a += q.x() * r.y() - r.x() * q.y();
  }
  return 0.5 * a;
}

}  // namespace

TEST(ProbeIntegrationSensor, ClippedDiscMeasureOnFineTriangleAndQuadMeshes) {
  TempDir dir;
  for (bool quads : {false, true}) {
    writeSensorMesh(grid(40, quads));
    Scene scene(square(), 0, zeros(), threeFields());
    DGIntegrationSensor s("integ.dat", 0.1, "t.msh");
    EXPECT_EQ(readFile("integ.dat"), "");
    std::string trace;
    const std::vector<double> row = sample(s, scene.analysis, 0.25, &trace);
    ASSERT_EQ(row.size(), 4u);
    EXPECT_EQ(row[0], 0.25);
    const double disc = M_PI * 0.01;
    for (int j = 1; j <= 3; ++j) {
      EXPECT_GT(row[j], 0.9 * disc) << quads;
      EXPECT_LT(row[j], disc) << quads;
      EXPECT_EQ(row[j], row[1]);
    }
    EXPECT_EQ(trace.substr(trace.size() - 13), "proc 0 write\n");
  }
}

TEST(ProbeIntegrationSensor, WholeAndClippedElementsGiveTheirExactAreas) {
  TempDir dir;
  // A triangle wholly inside the disc, and a quadrilateral with one corner outside.
  const mPoint a(0.45, 0.45), b(0.55, 0.45), c(0.55, 0.55), d(0.35, 0.65);
  writeSensorMesh(faces({{0.5, 0.5}, {0.55, 0.5}, {0.5, 0.55}}, {{0, 1, 2}}));
  Scene scene(square(), 0, zeros(), threeFields());
  {
    DGIntegrationSensor s("integ.dat", 1.0, "t.msh");
    const std::vector<double> row = sample(s, scene.analysis, 0.0);
    ASSERT_EQ(row.size(), 4u);
    EXPECT_NEAR(row[1], 0.00125, 1e-17);
  }
  writeSensorMesh(faces({{a.x(), a.y()}, {b.x(), b.y()}, {c.x(), c.y()}, {d.x(), d.y()}}, {{0, 1, 2, 3}}));
  {
    DGIntegrationSensor s("integ.dat", 1.0, "t.msh");
    std::string trace;
    const std::vector<double> row = sample(s, scene.analysis, 0.0, &trace);
    auto crossing = [](const mPoint &p, const mPoint &q) {
      mPoint pp = p, qq = q;
      const double r = std::fabs(level_func(pp) / level_func(qq));
      return mPoint((p.x() + r * q.x()) / (1 + r), (p.y() + r * q.y()) / (1 + r));
    };
    const double area = shoelace({a, b, c, crossing(c, d), crossing(d, a)});
    ASSERT_EQ(row.size(), 4u);
    EXPECT_NEAR(row[1], area, 5e-6 * area);  // six significant digits
    // Two pieces: a triangle, then a quadrilateral.
    EXPECT_NE(trace.find("Elementtype    5\n"), std::string::npos);
    const std::size_t tri = trace.find("The entity type is 2\n"), quad = trace.find("The entity type is 3\n");
    ASSERT_NE(tri, std::string::npos);
    ASSERT_NE(quad, std::string::npos);
    EXPECT_LT(tri, quad);
  }
}

TEST(ProbeIntegrationSensor, DiscOutsideTheSolutionMeshGivesZeros) {
  TempDir dir;
  writeSensorMesh(grid(10, false));
  Scene scene(square(0.0, 0.0, 0.3), 0, zeros(), threeFields());
  DGIntegrationSensor s("integ.dat", 0.5, "t.msh");
  EXPECT_EQ(sample(s, scene.analysis, 0.0), (std::vector<double>{0, 0, 0, 0}));
  testing::internal::CaptureStdout();
  s.eval(&scene.analysis, 2, 0, 0.2);  // slot 0.5 not due: no row
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(readFile("integ.dat"), " 0.00000E+00  0.00000E+00  0.00000E+00  0.00000E+00 \n");
}

TEST(ProbeIntegrationSensor, UnknownMeshExtensionThrowsFromTheConstructor) {
  TempDir dir;
  bool thrown = false;
  try {
    DGIntegrationSensor s("integ.dat", 0.1, "mesh.xyz");
  } catch (KORA::mException *e) {
    thrown = true;
    delete e;
  }
  EXPECT_TRUE(thrown);
}
