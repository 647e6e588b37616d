// The flatness tests judge the shape of an element, not its size: the same
// element at any scale is flat, or not, alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "MT_vector.h"

namespace {

TEST(MeshToolsScaledFlatness, ShapeDecidesAtEveryScale) {
  struct Case {
    const char* what;
    double apex;  // height of the last vertex over the others' plane (or line), unit scale
    int flat;
  };
  // A height of 1e-16 of the element's size is below the tolerance
  // (1e-14); one of 1e-12 is above it.
  const Case cases[] = {{"regular", 1.0, 0}, {"thin", 1e-12, 0}, {"sliver", 1e-16, 1}, {"inverted", -1e-3, 1}};
  for (double s : {1e-6, 1e-3, 1.0, 1e3, 1e6}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + " at scale " + std::to_string(s));
      double tet[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.25, 0.25, c.apex}};
      double tri[3][3] = {{0, 0, 0}, {1, 0, 0}, {0.5, c.apex, 0}};
      for (auto& p : tet)
        for (double& x : p) x *= s;
      for (auto& p : tri)
        for (double& x : p) x *= s;
      const double up[3] = {0, 0, 1};
      EXPECT_EQ(XYZ_checkFlat(tet), c.flat);
      EXPECT_EQ(XYZ_checkFlatTri(tri, up), c.flat);
      // The longest side: the base (1) or a side to the apex (0.25 + apex^2).
      EXPECT_DOUBLE_EQ(XYZ_size2(tri, 3), s * s * std::max(1.0, 0.25 + c.apex * c.apex));
    }
  }
}

TEST(MeshToolsScaledFlatness, PointsThatCoincideAreFlat) {
  const double p[3][3] = {{2, 2, 2}, {2, 2, 2}, {2, 2, 2}};
  const double t[4][3] = {{2, 2, 2}, {2, 2, 2}, {2, 2, 2}, {2, 2, 2}};
  const double up[3] = {0, 0, 1};
  EXPECT_EQ(XYZ_size2(p, 3), 0.0);
  EXPECT_EQ(XYZ_checkFlatTri(p, up), 1);
  EXPECT_EQ(XYZ_checkFlat(t), 1);
}

}  // namespace
