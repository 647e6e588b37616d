// Small meshes and helpers for the adaptation library's tests.
#ifndef TESTS_ADAPT_FIXTURES_H
#define TESTS_ADAPT_FIXTURES_H

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "KORA.h"
#include "metric.h"

namespace adapttest {

using namespace KORA;

// The mesh is created through the interface and deleted with it.
struct MeshHolder {
  pMesh m = MS_newMesh(nullptr);
  MeshHolder() = default;
  MeshHolder(const MeshHolder&) = delete;
  MeshHolder& operator=(const MeshHolder&) = delete;
  ~MeshHolder() { M_delete(m); }
  pVertex vertex(double x, double y, double z) { return M_createVP(m, x, y, z, nullptr, 0, nullptr); }
  pEdge edge(pVertex a, pVertex b) { return M_createE(m, a, b, nullptr); }
  pFace face(pEdge a, pEdge b, pEdge c) {
    pEdge e[3] = {a, b, c};
    int d[3] = {1, 1, 1};
    return M_createF(m, 3, e, d, nullptr);
  }
  // A tetrahedron on four new vertices, built from its edges and faces.
  pRegion tet(const double x[4][3]) {
    pVertex v[4];
    for (int i = 0; i < 4; ++i) v[i] = vertex(x[i][0], x[i][1], x[i][2]);
    pEdge e01 = edge(v[0], v[1]), e12 = edge(v[1], v[2]), e20 = edge(v[2], v[0]);
    pEdge e03 = edge(v[0], v[3]), e13 = edge(v[1], v[3]), e23 = edge(v[2], v[3]);
    pFace f[4] = {face(e01, e12, e20), face(e01, e13, e03), face(e12, e23, e13), face(e20, e03, e23)};
    int d[4] = {1, 1, 1, 1};
    return M_createR(m, 4, f, d, nullptr);
  }
};

inline const double identity[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

inline void expectVec(const double* got, double x, double y, double z, double tol = 1e-14) {
  EXPECT_NEAR(got[0], x, tol);
  EXPECT_NEAR(got[1], y, tol);
  EXPECT_NEAR(got[2], z, tol);
}

}  // namespace adapttest

#endif
