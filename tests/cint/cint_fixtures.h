// Small meshes built through the procedural interface for its tests.
#ifndef TESTS_CINT_FIXTURES_H
#define TESTS_CINT_FIXTURES_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KORA.h"
#include "gEntity.h"
#include "mMesh.h"
#include "mEdge.h"
#include "mFace.h"
#include "mTet.h"
#include "mVertex.h"

namespace cinttest {

using namespace KORA;

// Runs f and gives what it printed on standard output.
template <class F>
std::string printed(F f) {
  testing::internal::CaptureStdout();
  try {
    f();
  } catch (...) {
    testing::internal::GetCapturedStdout();
    throw;
  }
  return testing::internal::GetCapturedStdout();
}

// The mesh is created through the interface and deleted with it.
struct MeshHolder {
  pMesh m = MS_newMesh(nullptr);
  ~MeshHolder() { M_delete(m); }
  pVertex vertex(double x, double y, double z, pGEntity g = nullptr) {
    return M_createVP(m, x, y, z, nullptr, 0, g);
  }
  // Adjacencies of a mesh of tetrahedra at one level: vertices store edges,
  // edges faces, faces regions, and downward lists are stored.
  void oneLevel() { M_SetRepresentationToOneLevel(m); }
};

inline mVertex* V(pEntity e) { return static_cast<mVertex*>(e); }

// The unit tetrahedron split at an interior point O into four tetrahedra;
// the one opposite corner 0 lies on model region 2, the others on region 1.
struct Star3D : MeshHolder {
  pVertex p[4];
  pVertex o;
  pGEntity r1, r2;
  pRegion opposite;  // O with the face (1, 2, 3)
  Star3D() {
    r1 = m->getGEntity(1, 3);
    r2 = m->getGEntity(2, 3);
    const double c[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int k = 0; k < 4; ++k) p[k] = vertex(c[k][0], c[k][1], c[k][2], r1);
    o = vertex(0.25, 0.25, 0.25, r1);
    m->createTetWithVertices(V(o), V(p[0]), V(p[1]), V(p[2]), r1);
    m->createTetWithVertices(V(o), V(p[0]), V(p[1]), V(p[3]), r1);
    opposite = m->createTetWithVertices(V(o), V(p[1]), V(p[2]), V(p[3]), r2);
    m->createTetWithVertices(V(o), V(p[0]), V(p[2]), V(p[3]), r1);
    oneLevel();
  }
  pEdge edgeTo(pVertex a, pVertex b) { return m->getEdge(V(a), V(b)); }
};

// The unit square split at its centre O into four triangles, faces and
// inner edges on model face 1, boundary edges on model edges 1 to 4. Built
// with the creation operations (vertices store edges, edges faces).
struct Star2D : MeshHolder {
  pVertex a, b, c, d, o;
  pEdge ab, bc, cd, da, oa, ob, oc, od;
  pGEntity face;
  pFace f[4];
  Star2D() {
    face = m->getGEntity(1, 2);
    a = vertex(0, 0, 0, face);
    b = vertex(1, 0, 0, face);
    c = vertex(1, 1, 0, face);
    d = vertex(0, 1, 0, face);
    o = vertex(0.5, 0.5, 0, face);
    ab = M_createE(m, a, b, m->getGEntity(1, 1));
    bc = M_createE(m, b, c, m->getGEntity(2, 1));
    cd = M_createE(m, c, d, m->getGEntity(3, 1));
    da = M_createE(m, d, a, m->getGEntity(4, 1));
    oa = M_createE(m, o, a, face);
    ob = M_createE(m, o, b, face);
    oc = M_createE(m, o, c, face);
    od = M_createE(m, o, d, face);
    pEdge t0[3] = {oa, ab, ob}, t1[3] = {ob, bc, oc}, t2[3] = {oc, cd, od}, t3[3] = {od, da, oa};
    f[0] = M_createF(m, 3, t0, nullptr, face);
    f[1] = M_createF(m, 3, t1, nullptr, face);
    f[2] = M_createF(m, 3, t2, nullptr, face);
    f[3] = M_createF(m, 3, t3, nullptr, face);
  }
};

}  // namespace cinttest

#endif
