// Line, Tecplot line, space-time and threshold-line sensors on the unit
// square carrying u = 1 + x + 2y (reproduced exactly by order-1 cells).
#include "DGErrorEstimator.h"
#include "LineSensors.h"
#include "probe_fixture.h"

using namespace probetest;

namespace {

ProbeLaw *lineLaw() {
  ProbeLaw *law = new ProbeLaw;
  law->outputs = {passThrough("u"), tripled("vec"), passThrough("reflev")};
  return law;
}

const char *kBlock = "\n# evaluation of a line sensor with %d samples at time %12.5E at iter %d\n";

}  // namespace

TEST(ProbeLineSensor, BlockHasRowsForInsidePointsOnlyAndHonoursReflev) {
  TempDir dir;
  Scene scene(square(), 1, linearField(), lineLaw());
  // Five points from (0.25, 0.25) to (2.25, 0.25): only the first two are inside.
  DGLineSensor s("line.dat", mPoint(0.25, 0.25), mPoint(2.25, 0.25), 5, 0.1);
  EXPECT_EQ(readFile("line.dat"), "");
  s.eval(&scene.analysis, 2, 3, 0.0);
  s.eval(&scene.analysis, 2, 4, 0.05);  // slot 0.1 not due yet
  const std::string expected = std::string("\n# evaluation of a line sensor with 5 samples at time "
                                           " 0.00000E+00 at iter 3\n") +
                               "1  0.00000E+00  2.50000E-01  2.50000E-01  0.00000E+00  1.75000E+00 "
                               " 1.75000E+00 0E \n"
                               "2  0.00000E+00  7.50000E-01  2.50000E-01  0.00000E+00  2.25000E+00 "
                               " 2.25000E+00 0E \n";
  EXPECT_EQ(readFile("line.dat"), expected);
  EXPECT_EQ(s.getCount(), 1);
}

TEST(ProbeLineSensor, SampleCountsOfOneAndZero) {
  TempDir dir;
  Scene scene(square(), 1, linearField());
  struct Case {
    int n;
    std::string rows;
  } cases[] = {
      {1, "1  0.00000E+00  5.00000E-01  2.50000E-01  0.00000E+00  2.00000E+00 \n"},  // at p1, no NaN
      {0, ""},
      {-3, ""},
  };
  for (const Case &c : cases) {
    DGLineSensor s("n.dat", mPoint(0.5, 0.25), mPoint(0.9, 0.9), c.n, 1.0);
    s.eval(&scene.analysis, 2, 0, 0.0);
    EXPECT_EQ(readFile("n.dat"), fmt(kBlock, c.n, 0.0, 0) + c.rows) << c.n;
  }
}

TEST(ProbeLineSensorTecplot, HeaderAndZoneKeepEveryPoint) {
  TempDir dir;
  Scene scene(square(), 1, linearField(), lineLaw());
  DGLineSensorTecplot s("tec.dat", mPoint(0.25, 0.5), mPoint(1.75, 0.5), 3, 0.5, "vortex");
  const std::string header =
      "\n# evaluation of a line sensor Tecplot format\nTITLE= \"vortex\"\n"
      "VARIABLES=\"pointnumber\" \"Time\" \"X\" \"Y\" \"Z\" \"u\" \"vec 1\" \"vec 2\" \"vec 3\" "
      "\"reflev\"\n";
  EXPECT_EQ(readFile("tec.dat"), header);
  s.eval(&scene.analysis, 2, 7, 0.5);
  // Points (0.25, 0.5) inside, (1, 0.5) on the edge, (1.75, 0.5) outside:
  // the outside row comes from the -1e24 state; reflev is written as a value.
  const std::string zone = fmt(kBlock, 3, 0.5, 7) + "ZONE T=\" t= 0.500000 \"\n" +
                           "1 0.5 0.25 0.5 0  2.25000E+00  2.25000E+00  4.50000E+00  6.75000E+00  "
                           "2.25000E+00 \n";
  const std::string text = readFile("tec.dat");
  ASSERT_EQ(text.compare(0, header.size() + zone.size(), header + zone), 0) << text;
  const std::string last = "3 0.5 1.75 0.5 0 -1.00000E+24 -1.00000E+24 -2.00000E+24 -3.00000E+24 "
                           "-1.00000E+24 \n";
  EXPECT_EQ(text.substr(text.size() - last.size()), last);
  // Three rows in the zone.
  EXPECT_EQ(std::count(text.begin() + header.size(), text.end(), '\n'), 2 + 3 + 1);
}

TEST(ProbeSpaceTimeSensor, RowsPerInsidePointThenEmptyLine) {
  TempDir dir;
  struct Case {
    int field;
    mPoint p2;
    std::string rows;
  } cases[] = {
      {0, mPoint(0.75, 0.5), "0.000000 1.500000  2.25000E+00\n1.000000 1.500000  2.75000E+00\n\n"},
      {2, mPoint(0.75, 0.5), "0.000000 1.500000 0\n1.000000 1.500000 0\n\n"},  // reflev: integer
      {0, mPoint(3.0, 0.5), "0.000000 1.500000  2.25000E+00\n\n"},             // second point outside
  };
  Scene scene(square(), 1, linearField(), lineLaw());
  for (const Case &c : cases) {
    DGSpaceTimeSensor s("st.dat", mPoint(0.25, 0.5), c.p2, 2, 1.0, c.field);
    EXPECT_EQ(readFile("st.dat"), "");
    s.eval(&scene.analysis, 2, 0, 1.5);
    EXPECT_EQ(readFile("st.dat"), c.rows) << c.field;
  }
}

TEST(ProbeThresholdSensor, ReportsOnlyTheFirstCrossingAndBridgesOutsidePoints) {
  TempDir dir;
  // u = (x - 0.5)^2 reproduced by order-2 cells: 0.16, 0.04, 0, 0.04, 0.16 at
  // x = 0.1 .. 0.9, and the segment starts outside the mesh.
  Field bowl([](const mPoint &p, double *v) { v[0] = (p.x() - 0.5) * (p.x() - 0.5); });
  Scene scene(square(), 2, bowl);
  const std::string header = "\n# evaluation of a treshold line sensor\n";
  struct Case {
    double threshold;
    std::string row;
  } cases[] = {
      {0.1, " 2.00000E+00  3.00000E-01  5.00000E-01  0.00000E+00\n"},
      {0.02, " 2.00000E+00  5.00000E-01  5.00000E-01  0.00000E+00\n"},
      {0.5, ""},  // never crossed
  };
  for (const Case &c : cases) {
    // Samples at x = -0.1 (outside), 0.1, 0.3, ..., 0.9.
    DGTresholdLineSensor s("th.dat", 0, mPoint(-0.1, 0.5), mPoint(0.9, 0.5), 6, c.threshold, 1.0);
    EXPECT_EQ(readFile("th.dat"), header);
    s.eval(&scene.analysis, 2, 0, 2.0);
    EXPECT_EQ(readFile("th.dat"), header + c.row) << c.threshold;
  }
  // An index beyond the law's fields finds nothing.
  DGTresholdLineSensor bad("bad.dat", 5, mPoint(0.1, 0.5), mPoint(0.9, 0.5), 5, 0.1, 1.0);
  bad.eval(&scene.analysis, 2, 0, 0.0);
  EXPECT_EQ(readFile("bad.dat"), header);
}

TEST(ProbeLineSensor, UnopenableFileIsSkippedAndTheSampleCounts) {
  Scene scene(square(), 1, linearField());
  DGLineSensor s("/nonexistent-dir/line.dat", mPoint(0.2, 0.2), mPoint(0.4, 0.4), 2, 0.5);
  s.eval(&scene.analysis, 2, 0, 0.0);
  EXPECT_EQ(s.getCount(), 1);
}

namespace {

// Gives every face the weight 1 and the error 5: every cell's indicator is 5.
class FiveEstimator : public DGErrorEstimator {
public:
  void computeError(DGCell *, DGCell *, DGBoundaryCell *, double &a, double &b) const override {
    a = 1.0;
    b = 5.0;
  }
};

}  // namespace

TEST(ProbeLineSensor, ReservedErrestAndTagFieldsComeFromTheCells) {
  TempDir dir;
  ProbeLaw *law = new ProbeLaw;
  law->outputs = {passThrough("errest"), passThrough("tag")};
  Scene scene(square(), 1, linearField(), law);
  GlobalParamManager::Instance()->estimator = new FiveEstimator;
  for (DGCell *c : scene.analysis.cells) c->setTag(2);
  DGLineSensor line("line.dat", mPoint(0.25, 0.25), mPoint(0.25, 0.25), 1, 1.0);
  DGSpaceTimeSensor st("st.dat", mPoint(0.25, 0.25), mPoint(0.25, 0.25), 1, 1.0, 0);
  line.eval(&scene.analysis, 2, 0, 0.0);
  st.eval(&scene.analysis, 2, 0, 0.0);
  EXPECT_EQ(readFile("line.dat"), fmt(kBlock, 1, 0.0, 0) +
                                      "1  0.00000E+00  2.50000E-01  2.50000E-01  0.00000E+00  "
                                      "5.00000E+00  2.00000E+00 \n");
  EXPECT_EQ(readFile("st.dat"), "0.000000 0.000000  5.00000E+00\n\n");
  delete GlobalParamManager::Instance()->estimator;
  GlobalParamManager::Instance()->estimator = nullptr;
}
