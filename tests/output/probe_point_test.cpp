// Point and quadrangle sensors on the unit square carrying u = 1 + x + 2y.
#include <cmath>

#include "PointSensors.h"
#include "probe_fixture.h"

using namespace probetest;

namespace {

ProbeLaw *pointLaw() {
  ProbeLaw *law = new ProbeLaw;
  law->outputs = {passThrough("u"), tripled("vec")};
  return law;
}

const std::string kPointTitle = "TITLE= \"evaluation of a point sensor\"\n";

}  // namespace

TEST(ProbePointSensor, HeaderNamesVectorComponentsFromZeroAndEveryCallWritesARow) {
  TempDir dir;
  Scene scene(square(), 1, linearField(), pointLaw());
  DGPointSensor in("in.dat", mPoint(0.25, 0.5), 100.0);
  DGPointSensor out("out.dat", mPoint(3.0, 0.5, 1.0), 100.0);
  const std::string vars = "VARIABLES= \"iter\" \"Time\" \"u\" \"vec0\" \"vec1\" \"vec2\" \n";
  EXPECT_EQ(readFile("in.dat"), kPointTitle + "# Point : 0.25 0.5 0 \n" + vars);
  // The period is ignored: two calls at the same time give two rows.
  in.eval(&scene.analysis, 2, 5, 1.0);
  in.eval(&scene.analysis, 2, 5, 1.0);
  out.eval(&scene.analysis, 2, 6, 2.0);
  const std::string row = "5  1.00000E+00  2.25000E+00  2.25000E+00  4.50000E+00  6.75000E+00 \n";
  EXPECT_EQ(readFile("in.dat"), kPointTitle + "# Point : 0.25 0.5 0 \n" + vars + row + row);
  EXPECT_EQ(readFile("out.dat"), kPointTitle + "# Point : 3 0.5 1 \n" + vars +
                                     "6  2.00000E+00 -1.00000E+24 -1.00000E+24 -2.00000E+24 "
                                     "-3.00000E+24 \n");
  EXPECT_EQ(in.getCount(), 0);
}

TEST(ProbePointSensor, MadeBeforeTheLawWritesItsVariablesAtTheFirstSample) {
  TempDir dir;
  ASSERT_EQ(GlobalParamManager::Instance()->law, nullptr);
  DGPointSensor s("early.dat", mPoint(0.5, 0.25), 0.1);
  EXPECT_EQ(readFile("early.dat"), kPointTitle + "# Point : 0.5 0.25 0 \n");
  Scene scene(square(), 1, linearField());
  s.eval(&scene.analysis, 2, 0, 0.0);
  s.eval(&scene.analysis, 2, 1, 0.1);
  EXPECT_EQ(readFile("early.dat"), kPointTitle + "# Point : 0.5 0.25 0 \n" +
                                       "VARIABLES= \"iter\" \"Time\" \"u\" \n" +
                                       "0  0.00000E+00  2.00000E+00 \n1  1.00000E-01  2.00000E+00 \n");
}

TEST(ProbeQuadrangleSensor, GridPointsFollowTheBilinearMap) {
  const mPoint p1(0, 0), p2(4, 1), p3(5, 6), p4(-1, 3);
  struct Case {
    int i, j, ni, nj;
    double s, t;
  } cases[] = {{0, 0, 3, 5, 0, 0}, {2, 0, 3, 5, 1, 0}, {2, 4, 3, 5, 1, 1},
               {0, 4, 3, 5, 0, 1}, {1, 3, 3, 5, 0.5, 0.75}, {0, 2, 1, 5, 0, 0.5}};
  for (const Case &c : cases) {
    const mPoint q = probe::quadranglePoint(p1, p2, p3, p4, c.i, c.j, c.ni, c.nj);
    for (int k = 0; k < 3; ++k) {
      const double expected = (1 - c.s) * (1 - c.t) * p1[k] + c.s * (1 - c.t) * p2[k] +
                              c.s * c.t * p3[k] + (1 - c.s) * c.t * p4[k];
      EXPECT_NEAR(q[k], expected, 1e-14) << c.i << " " << c.j;
    }
  }
}

TEST(ProbeQuadrangleSensor, ZoneOfGridLinesWithOutsidePointsClipped) {
  TempDir dir;
  Scene scene(square(), 1, linearField());
  DGQuadrangleSensorTecplot s("quad.dat", mPoint(0.25, 0.25), mPoint(1.75, 0.25),
                              mPoint(1.75, 0.75), mPoint(0.25, 0.75), 2, 2, 0.5, "quad");
  const std::string header =
      "\n# evaluation of a line sensor Tecplot format\nTITLE= \"quad\"\nVARIABLES= \"X\" \"Y\" \"Z\" \"u\"\n";
  EXPECT_EQ(readFile("quad.dat"), header);
  s.eval(&scene.analysis, 2, 4, 0.5);  // slot 0: due
  s.eval(&scene.analysis, 2, 4, 0.5);  // slot 0.5: due, equal to the time
  s.eval(&scene.analysis, 2, 5, 0.6);  // slot 1.0: not due
  const std::string zone =
      "\n# evaluation of a Quadrangle sensor with 2 samples in i direction et 2 in j, at time  "
      "5.00000E-01 at iter 4\nZONE T=\" t= 0.500000 \", F=POINT, I=2, J=2 \n"
      "  2.50000E-01  2.50000E-01  0.00000E+00  1.75000E+00 \n"
      "  1.75000E+00  2.50000E-01  0.00000E+00  0.00000E+00 \n"
      "  2.50000E-01  7.50000E-01  0.00000E+00  2.75000E+00 \n"
      "  1.75000E+00  7.50000E-01  0.00000E+00  0.00000E+00 \n";
  EXPECT_EQ(readFile("quad.dat"), header + zone + zone);
}

TEST(ProbeQuadrangleSensor, ExactVariantClipsBeyondTenToTheTenAndNeedsAnExactField) {
  TempDir dir;
  ProbeLaw *law = new ProbeLaw;
  law->outputs = {tripled("w")};
  Scene scene(square(), 0, linearField(), law);
  // Single row (nj = 1) from x = -2 to x = 1; the exact field is 1e10 x / 3 ...
  DGQuadrangleSensorExactTecplot s("exact.dat", mPoint(-2, 0), mPoint(1, 0), mPoint(1, 0),
                                   mPoint(-2, 0), 4, 1, 1.0, "exact");
  const std::string header =
      "\n# evaluation of a line sensor Tecplot format\nTITLE= \"exact\"\n"
      "VARIABLES= \"X\" \"Y\" \"Z\" \"w 1\" \"w 2\" \"w 3\"\n";
  s.eval(nullptr, 2, 0, 0.0);  // no exact field: the sample is skipped
  EXPECT_EQ(readFile("exact.dat"), header);
  // ... so that the three components are 1e10 x / 3, 2e10 x / 3 and 1e10 x.
  Field exact([](const mPoint &p, double *v) { v[0] = 1e10 * p.x() / 3.0; });
  law->setExact(&exact);
  s.eval(nullptr, 2, 1, 1.0);
  const std::string zone =
      "\n# evaluation of a Quadrangle sensor with 4 samples in i direction et 1 in j, at time  "
      "1.00000E+00 at iter 1\nZONE T=\" t= 1.000000 \", F=POINT, I=4, J=1 \n"
      " -2.00000E+00  0.00000E+00  0.00000E+00 -6.66667E+09  0.00000E+00  0.00000E+00 \n"
      " -1.00000E+00  0.00000E+00  0.00000E+00 -3.33333E+09 -6.66667E+09 -1.00000E+10 \n"
      "  0.00000E+00  0.00000E+00  0.00000E+00  0.00000E+00  0.00000E+00  0.00000E+00 \n"
      "  1.00000E+00  0.00000E+00  0.00000E+00  3.33333E+09  6.66667E+09  1.00000E+10 \n";
  EXPECT_EQ(readFile("exact.dat"), header + zone);
  law->setExact(nullptr);
}
