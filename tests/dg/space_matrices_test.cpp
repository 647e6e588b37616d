// Element matrices against values computed by hand on simple elements.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DenseMatrix.h"
#include "ElementaryMatrices.h"
#include "FieldEvaluator.h"
#include "FunctionSpace.h"
#include "LagrangeMapping.h"
#include "mEdge.h"
#include "mFace.h"
#include "mMesh.h"
#include "mVertex.h"

using namespace KORA;

namespace {

// A matrix that frees itself.
struct Mat {
  double **m;
  int r, c;
  Mat(int rows, int cols) : m(allocateMatrix(rows, cols)), r(rows), c(cols) {
    for (int i = 0; i < r; ++i)
      for (int j = 0; j < c; ++j) m[i][j] = 0.0;
  }
  ~Mat() { freeMatrix(m); }
  Mat(const Mat &) = delete;
  Mat &operator=(const Mat &) = delete;
};

void expectMatrix(double **M, const std::vector<std::vector<double>> &expected, double tol) {
  for (size_t i = 0; i < expected.size(); ++i)
    for (size_t j = 0; j < expected[i].size(); ++j)
      EXPECT_NEAR(M[i][j], expected[i][j], tol) << "entry (" << i << ", " << j << ")";
}

// One element of each kind needed here, with its mapping.
struct Elements {
  mMesh mesh{1};
  gEntity *g = mesh.getGEntity(1, 2);
  mEntity *refTri, *bigTri, *square, *refEdge;
  Elements() {
    mesh.createVertex(1, 0, 0, 0, g);
    mesh.createVertex(2, 1, 0, 0, g);
    mesh.createVertex(3, 0, 1, 0, g);
    refTri = mesh.createFaceWithVertices(1, 2, 3, g);
    refEdge = mesh.createEdge(1, 2, g);
    mesh.createVertex(4, 3, 0, 0, g);
    mesh.createVertex(5, 0, 2, 0, g);
    bigTri = mesh.createFaceWithVertices(1, 4, 5, g);  // area 3
    mesh.createVertex(6, -1, -1, 0, g);
    mesh.createVertex(7, 1, -1, 0, g);
    mesh.createVertex(8, 1, 1, 0, g);
    mesh.createVertex(9, -1, 1, 0, g);
    square = mesh.createFaceWithVertices(6, 7, 8, 9, g);
  }
};

const double s3 = std::sqrt(3.0);

}  // namespace

TEST(SpaceMatrices, MassMatricesOnSimpleElements) {
  Elements el;
  struct Case {
    const char *what;
    mEntity *e;
    std::function<FunctionSpace *()> space;
    std::vector<std::vector<double>> expected;
  };
  const std::vector<Case> cases = {
      {"order 0 on a triangle of area 3", el.bigTri, [] { return new OrthogonalTriangleFunctionSpace(0); }, {{3}}},
      {"order 1 on the reference triangle", el.refTri, [] { return new OrthogonalTriangleFunctionSpace(1); },
       {{0.5, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
      {"order 2 on a triangle of area 3", el.bigTri, [] { return new OrthogonalTriangleFunctionSpace(2); },
       {{3, 0, 0, 0, 0, 0},
        {0, 6, 0, 0, 0, 0},
        {0, 0, 6, 0, 0, 0},
        {0, 0, 0, 6, 0, 0},
        {0, 0, 0, 0, 6, 0},
        {0, 0, 0, 0, 0, 6}}},
      {"order 1 on the square", el.square, [] { return new QuadFunctionSpace(1); },
       {{4, 0, 0, 0}, {0, 4.0 / 3, 0, 0}, {0, 0, 4.0 / 3, 0}, {0, 0, 0, 4.0 / 9}}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<FunctionSpace> space(c.space());
    LagrangeMapping map(c.e);
    const int n = space->size();
    Mat M(n, n);
    massMatrix(space.get(), &map, c.e, M.m, 1.0);
    expectMatrix(M.m, c.expected, 1e-12);
    // The factor multiplies every entry.
    Mat M2(n, n);
    massMatrix(space.get(), &map, c.e, M2.m, 2.0);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) EXPECT_NEAR(M2.m[i][j], 2 * M.m[i][j], 1e-12);
  }
}

TEST(SpaceMatrices, StiffnessMatrixOfTheLinearTriangle) {
  Elements el;
  OrthogonalTriangleFunctionSpace space(1);
  LagrangeMapping map(el.refTri);
  Mat K(3, 3);
  // Gradients (0,0), (6,0), (sqrt 12, 2 sqrt 12) on an area of 1/2, factor 2.
  stifnessMatrix(&space, &map, el.refTri, K.m, 2.0);
  expectMatrix(K.m, {{0, 0, 0}, {0, 36, 6 * std::sqrt(12.0)}, {0, 6 * std::sqrt(12.0), 60}}, 1e-11);
  // Higher orders: the constant still has a zero row and column.
  OrthogonalTriangleFunctionSpace cubic(3);
  LagrangeMapping big(el.bigTri);
  Mat K3(10, 10);
  stifnessMatrix(&cubic, &big, el.bigTri, K3.m, 1.0);
  for (int j = 0; j < 10; ++j) {
    EXPECT_NEAR(K3.m[0][j], 0.0, 1e-12);
    EXPECT_NEAR(K3.m[j][0], 0.0, 1e-12);
  }
  for (int j = 1; j < 10; ++j) EXPECT_GT(K3.m[j][j], 0.0);
}

TEST(SpaceMatrices, FaceMatricesOfTheLinearTriangleOnItsEdgeVEqualsZero) {
  Elements el;
  OrthogonalTriangleFunctionSpace p1(1), p0(0);
  LagrangeMapping tri(el.refTri), edge(el.refEdge);
  // On v = 0 the functions are 1, 6u - 2 and sqrt 12 (u - 1).
  const std::vector<std::vector<double>> onEdge = {{1, 1, -s3}, {1, 4, 0}, {-s3, 0, 4}};
  Mat M(3, 3);
  restrictedMassMatrix(&p1, el.refTri, &tri, el.refEdge, &edge, M.m, 100000.0);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(M.m[i][j], 100000.0 * onEdge[i][j], 1e-7);

  // Two spaces: written over with reset, added to without it.
  Mat R(3, 1);
  R.m[0][0] = R.m[1][0] = R.m[2][0] = 7.0;
  restrictedMassMatrix(&p1, el.refTri, &tri, &p0, el.refTri, &tri, el.refEdge, &edge, R.m, 1.0, true, false);
  expectMatrix(R.m, {{1}, {1}, {-s3}}, 1e-12);
  restrictedMassMatrix(&p1, el.refTri, &tri, &p0, el.refTri, &tri, el.refEdge, &edge, R.m, 1.0, false, false);
  expectMatrix(R.m, {{2}, {2}, {-2 * s3}}, 1e-12);

  // Normal derivative: the outward normal is (0, -1), so only the third
  // function (d/dy = 2 sqrt 12) contributes, -2 sqrt 12 times the integral of phi_i.
  Mat N(3, 3);
  restrictedNeumann(&p1, el.refTri, &tri, &p1, el.refTri, &tri, el.refEdge, &edge, N.m, 1.0, true, false);
  expectMatrix(N.m, {{0, 0, -4 * s3}, {0, 0, -4 * s3}, {0, 0, 12}}, 1e-11);
}

TEST(SpaceMatrices, SourceTermOfALinearField) {
  Elements el;
  struct OnePlusX : FieldEvaluator {
    void eval(const mPoint &p, double, double *v) const override { v[0] = 1 + p(0); }
    int order() const override { return 1; }
  } f;
  OrthogonalTriangleFunctionSpace space(1);
  LagrangeMapping map(el.refTri);
  double b[3] = {9, 9, 9};
  sourceTerm(&space, &map, el.refTri, b, &f);
  EXPECT_NEAR(b[0], 2.0 / 3, 1e-14);
  EXPECT_NEAR(b[1], 1.0 / 6, 1e-14);
  EXPECT_NEAR(b[2], 0.0, 1e-14);
}

TEST(SpaceMatrices, PrintedMatrixLayout) {
  Mat M(4, 2);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 2; ++j) M.m[i][j] = 2 * i + j + 1;
  testing::internal::CaptureStdout();
  printMatrix(M.m, 4, 2, 'M');
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out,
            "    |  1.00000E+00  2.00000E+00  |\n"
            "M = |  3.00000E+00  4.00000E+00  |\n"
            "    |  5.00000E+00  6.00000E+00  |\n"
            "    |  7.00000E+00  8.00000E+00  |\n"
            "\n");
}
