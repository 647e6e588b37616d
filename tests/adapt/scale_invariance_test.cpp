// The adaptation has no built-in length: a mesh and its metric scaled by any
// factor adapt to the same mesh (the same counts and the same quality in the
// metric) with nothing reported as an error.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iomanip>
#include <limits>
#include <sstream>
#include <string>

#include "../common/temp_dir.h"
#include "ConformalAdapter.h"
#include "driver_fixtures.h"
#include "measures.h"

using namespace drivertest;

namespace {

// A mesh file of the data folder with every coordinate multiplied by s.
std::string scaledMesh(const std::string& name, double s) {
  std::ifstream in(std::string(DG_TEST_DATA) + "/" + name);
  std::ostringstream out;
  out << std::setprecision(17);
  std::string line;
  while (std::getline(in, line)) {
    out << line << '\n';
    if (line != "$NOD" && line != "$Nodes") continue;
    int n = 0;
    std::getline(in, line);
    out << line << '\n';
    n = std::stoi(line);
    for (int k = 0; k < n && std::getline(in, line); ++k) {
      std::istringstream p(line);
      long id;
      double x, y, z;
      p >> id >> x >> y >> z;
      out << id << ' ' << x * s << ' ' << y * s << ' ' << z * s << '\n';
    }
  }
  return out.str();
}

// Size across the plane x = 0.5 s: hmin there, growing linearly to hmax at
// distance w; hmax along y and z. Every length is multiplied by s.
struct Band {
  double s, hmin, hmax, w;
  void at(const double p[3], double dirs[3][3], double h[3]) const {
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) dirs[i][j] = i == j ? 1.0 : 0.0;
    h[0] = s * (hmin + (hmax - hmin) * std::min(1.0, std::fabs(p[0] / s - 0.5) / w));
    h[1] = h[2] = s * hmax;
  }
};

struct Adapted {
  int elements = 0, vertices = 0, errorLines = 0;
  double worst = 0.0, mean = 0.0;  // mean ratio in the metric
  double longest = 0.0;            // metric length
  double measure = 0.0;            // area or volume, divided by s^dim
  MeshReport report;
};

Adapted adaptAt(const std::string& file, const Band& band) {
  LoadedMesh mesh(scaledMesh(file, band.s));
  const ModelPlanes planes(mesh.m);
  Adapted a;
  metricField field(mesh.m);
  VIter it = M_vertexIter(mesh.m);
  while (pVertex v = VIter_next(it)) {
    double p[3], dirs[3][3], h[3];
    V_coord(v, p);
    band.at(p, dirs, h);
    field.setMetric(v, dirs, h);
  }
  VIter_delete(it);
  {
    ConformalAdapter driver(mesh.m, &field, 0, 0);
    driver.keepDomain = 1;  // as the solver does
    const double beta[3] = {2.0, 2.0, 2.0};
    field.smooth_aniso(beta);
    testing::internal::CaptureStdout();
    driver.run_2(5, 0, nullptr);
    const std::string out = testing::internal::GetCapturedStdout();
    std::istringstream lines(out);
    std::string l;
    while (std::getline(lines, l))
      if (l.find("Error") != std::string::npos || l.find("WARNING") != std::string::npos) ++a.errorLines;
  }
  a.elements = mesh.dim == 3 ? M_numRegions(mesh.m) : M_numFaces(mesh.m);
  a.vertices = M_numVertices(mesh.m);
  meanRatio shape(&field, 0.0);
  a.worst = std::numeric_limits<double>::max();
  if (mesh.dim == 3) {
    RIter ri = M_regionIter(mesh.m);
    while (pRegion r = RIter_next(ri)) {
      double q;
      shape.get(r, &q);
      a.worst = std::min(a.worst, q);
      a.mean += q;
    }
    RIter_delete(ri);
  } else {
    FIter fi = M_faceIter(mesh.m);
    while (pFace f = FIter_next(fi)) {
      double q;
      shape.get2D(f, &q);
      a.worst = std::min(a.worst, q);
      a.mean += q;
    }
    FIter_delete(fi);
  }
  a.mean /= a.elements;
  a.longest = longestMetricEdge(mesh.m, field);
  a.report = inspect(mesh.m, mesh.dim, planes);
  a.measure = a.report.volume / std::pow(band.s, mesh.dim);
  return a;
}

struct Case {
  const char* file;
  double hmin, hmax, w;
  double measure;  // of the unit box
};

class ScaledBox : public testing::TestWithParam<Case> {};

TEST_P(ScaledBox, AdaptsToTheSameMeshAtEveryScale) {
  const Case c = GetParam();
  dgtest::TempDir dir("scaled");  // the driver may write its files here
  const Adapted unit = adaptAt(c.file, {1.0, c.hmin, c.hmax, c.w});
  EXPECT_EQ(unit.errorLines, 0);
  EXPECT_EQ(unit.report.inverted, 0);
  EXPECT_NEAR(unit.measure, c.measure, 1e-12);
  ASSERT_GT(unit.worst, 0.0);
  for (double s : {1e-6, 1e-3, 1e3, 1e6}) {
    SCOPED_TRACE("scale " + std::to_string(s));
    const Adapted a = adaptAt(c.file, {s, c.hmin, c.hmax, c.w});
    EXPECT_EQ(a.errorLines, 0);
    EXPECT_EQ(a.elements, unit.elements);
    EXPECT_EQ(a.vertices, unit.vertices);
    EXPECT_EQ(a.report.inverted, 0);
    EXPECT_EQ(a.report.badFaceUses, 0);
    EXPECT_EQ(a.report.offModel, 0);
    EXPECT_EQ(a.report.euler, unit.report.euler);
    // Quality and metric lengths are dimensionless: equal up to the round-off
    // of the scaled coordinates.
    EXPECT_NEAR(a.worst, unit.worst, 1e-9 * unit.worst);
    EXPECT_NEAR(a.mean, unit.mean, 1e-9 * unit.mean);
    EXPECT_NEAR(a.longest, unit.longest, 1e-9 * unit.longest);
    EXPECT_NEAR(a.measure, c.measure, 1e-12);
  }
}

INSTANTIATE_TEST_SUITE_P(Boxes, ScaledBox,
                         testing::Values(Case{"square_tris.msh", 0.02, 0.2, 0.1, 1.0},
                                         Case{"cube_ridges.msh", 0.05, 0.3, 0.1, 1.0}));

}  // namespace
