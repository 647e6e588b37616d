// Reports of the adaptation library: the size file, the shape and dihedral
// histograms and the partial mesh around a face.
#include <gtest/gtest.h>

#include "../common/temp_dir.h"
#include "../meshtools/mt_fixtures.h"
#include "AdaptUtil.h"
#include "MT_topology.h"
#include "metricField.h"

using namespace mttest;

TEST(AdaptReports, SizeFileOfOneVertex) {
  dgtest::TempDir dir("periph-size");
  MeshHolder h;
  pVertex v = h.vertex(0, 0, 0);
  metricField field(h.m);
  // Directions x, y, z with the sizes 2, 0.5, 1: sorted ascending by size.
  const double dirs[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, sizes[3] = {2, 0.5, 1};
  EXPECT_EQ(AdaptUtil::writeSizeField(h.m, &field, "size.txt"), 0);  // no metric yet
  EXPECT_FALSE(dgtest::exists("size.txt"));
  field.setMetric(v, dirs, sizes);
  ASSERT_EQ(AdaptUtil::writeSizeField(h.m, &field, "size.txt"), 1);
  const std::string text = dgtest::readFile("size.txt");
  // Each direction may come out with either sign.
  std::string canonical = text;
  std::erase(canonical, '-');
  EXPECT_EQ(canonical,
            "1\n"
            "0.50000000    0.00000000 1.00000000 0.00000000\n"
            "1.00000000    0.00000000 0.00000000 1.00000000\n"
            "2.00000000    1.00000000 0.00000000 0.00000000\n")
      << text;
  // A file that cannot be created is reported, not a crash.
  EXPECT_EQ(AdaptUtil::writeSizeField(h.m, &field, "no/such/dir/size.txt"), 0);
  EXPECT_EQ(AdaptUtil::loadSizeField(h.m, &field, "size.txt"), 0);
}

TEST(AdaptReports, ShapeAndDihedralHistograms) {
  dgtest::TempDir dir("periph-shape");
  MeshHolder h;
  // The regular tetrahedron (shape 1, dihedral angles acos(1/3) = 70.5 deg),
  // the unit corner tetrahedron (shape 432 / 9^3 = 0.593, largest angle 90
  // deg) and the same corner turned inside out (negative shape, same angles).
  const double reg[4][3] = {{11, 11, 11}, {11, 9, 9}, {9, 11, 9}, {9, 9, 11}};
  pVertex r[4];
  for (int k = 0; k < 4; ++k) r[k] = h.vertex(reg[k][0], reg[k][1], reg[k][2]);
  pRegion regular = h.tet(r[0], r[1], r[2], r[3]);
  if (R_volume(regular) < 0) FAIL() << "regular tetrahedron built inverted";
  h.tet(h.vertex(0, 0, 0), h.vertex(1, 0, 0), h.vertex(0, 1, 0), h.vertex(0, 0, 1));
  pVertex apex = h.vertex(5, 0, 1);
  pRegion inverted = h.tet(h.vertex(5, 0, 0), h.vertex(6, 0, 0), h.vertex(5, 1, 0), apex);
  h.finish();
  P_setPos(V_point(apex), 5, 0, -1);  // through the opposite face
  ASSERT_LT(R_volume(inverted), 0);
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(AdaptUtil::M_checkShape(h.m, nullptr), 1);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("  -> shape distribution <-\n   ~0.0    1\n0.0~e-5    0\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\n0.5~0.6    1\n0.6~0.7    0\n0.7~0.8    0\n0.8~0.9    0\n0.9~1.0    1\n"), std::string::npos)
      << out;
  EXPECT_NE(out.find(" worst shape:-1   inscriR:"), std::string::npos) << out;
  EXPECT_NE(out.find(" max dihedral angle:89.99"), std::string::npos) << out;
  EXPECT_NE(out.find("   min dihedral angle:54.73"), std::string::npos) << out;
  EXPECT_EQ(dgtest::readFile("shape.dat"),
            "0.0      1\n0.000001 1\n0.000001 0\n0.00001  0\n0.00001  0\n0.0001   0\n0.0001   0\n"
            "0.001    0\n0.001    0\n0.01     0\n0.01     0\n0.05     0\n0.05     0\n"
            "0.1      0\n0.1      0\n0.2      0\n0.2      0\n0.3      0\n0.3      0\n0.4      0\n0.4      0\n"
            "0.5      0\n0.5      1\n0.6      1\n0.6      0\n0.7      0\n0.7      0\n0.8      0\n0.8      0\n"
            "0.9      0\n0.9      1\n1.0      1\n");
  // Largest angles: 90 deg twice (bin of 90..80), 70.5 deg once (80..70).
  EXPECT_EQ(dgtest::readFile("BigDihedral.dat"),
            "180    0\n175    0\n175    0\n170    0\n170    0\n160    0\n160    0\n150    0\n150    0\n"
            "140    0\n140    0\n130    0\n130    0\n120    0\n120    0\n110    0\n110    0\n100    0\n100    0\n"
            "90    0\n90    0.666667\n80    0.666667\n80    0.333333\n70    0.333333\n70    0\n60    0\n");
}

TEST(AdaptReports, PartialMeshAroundAFace) {
  dgtest::TempDir dir("periph-partial");
  UnitTet h;
  pFace f = F_exists(0, h.p[0], h.p[1], h.p[2], nullptr);
  ASSERT_EQ(AdaptUtil::writeAFace(f), 1);
  ASSERT_TRUE(dgtest::exists("partialMesh.msh"));
  // Every face of a tetrahedron shares a vertex with every other: all four.
  pMesh back = MS_newMesh(nullptr);
  M_load(back, "partialMesh.msh");
  EXPECT_EQ(M_numFaces(back), 4);
  EXPECT_EQ(M_numVertices(back), 4);
  M_delete(back);
  // The temporary tag is released: a second report registers it again.
  EXPECT_EQ(AdaptUtil::writeAFace(f), 1);
}

TEST(AdaptReports, TwoDimensionalShapeReport) {
  dgtest::TempDir dir("periph-shape2d");
  MeshHolder h;
  // The unit square as two right isosceles triangles: shape 48 (1/2)^2 / 4^2
  // = 0.75, inscribed radius (2 - sqrt 2) / 2.
  pVertex a = h.vertex(0, 0, 0, h.face), b = h.vertex(1, 0, 0, h.face), c = h.vertex(1, 1, 0, h.face),
          d = h.vertex(0, 1, 0, h.face);
  pEdge ab = M_createE(h.m, a, b, h.face), bc = M_createE(h.m, b, c, h.face), cd = M_createE(h.m, c, d, h.face),
        da = M_createE(h.m, d, a, h.face), ac = M_createE(h.m, a, c, h.face);
  pEdge t0[3] = {ab, bc, ac}, t1[3] = {ac, cd, da};
  M_createF(h.m, 3, t0, nullptr, h.face);
  M_createF(h.m, 3, t1, nullptr, h.face);
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(AdaptUtil::M_checkShape2D(h.m, nullptr), 1);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("\n0.6~0.7    0\n0.7~0.8    2\n0.8~0.9    0\n"), std::string::npos) << out;
  EXPECT_NE(out.find("worst face:  shape=0.75000000  inscrR=0.29289322 \n"), std::string::npos) << out;
  // The worst face and its neighbours, written as a mesh of their own.
  pMesh back = MS_newMesh(nullptr);
  M_load(back, "partialMesh.msh");
  EXPECT_EQ(M_numFaces(back), 2);
  M_delete(back);
}
