// Small meshes built in code for the mesh database tests.
#ifndef TESTS_SRC_MESH_FIXTURES_H
#define TESTS_SRC_MESH_FIXTURES_H

#include <cstdlib>
#include <string>
#include <vector>

#include "mException.h"
#include "mMesh.h"
#include "mTet.h"
#include "mVertex.h"

namespace meshtest {

using namespace KORA;

// The pseudo-random key of vertex id: the runtime generator seeded with the id.
inline int vertexKey(int id) {
  std::srand(static_cast<unsigned>(id));
  return std::abs(std::rand()) % 100000000;
}

// "topo.dat" of one triangle on model face 1 whose edges lie on model edges
// 1 to 3 (edge k joins vertices k and k + 1) and whose vertices lie on model
// vertices 1 to 3.
inline const char* const kOneTriangleTopology =
    "Ge(0,1,1) <=> Ge(1,1,1) Ge(1,3,3) \n"
    "Ge(0,2,2) <=> Ge(1,1,1) Ge(1,2,2) \n"
    "Ge(0,3,3) <=> Ge(1,2,2) Ge(1,3,3) \n"
    "Ge(1,1,1) <=> Ge(0,1,1) Ge(0,2,2) Ge(2,1,1) \n"
    "Ge(1,2,2) <=> Ge(0,2,2) Ge(0,3,3) Ge(2,1,1) \n"
    "Ge(1,3,3) <=> Ge(0,1,1) Ge(0,3,3) Ge(2,1,1) \n"
    "Ge(2,1,1) <=> Ge(1,1,1) Ge(1,2,2) Ge(1,3,3) \n";

// Runs f, expects it to throw a new mException, deletes it and returns what
// was printed on standard output.
template <class F>
std::string expectMeshException(F f, bool* thrown) {
  testing::internal::CaptureStdout();
  *thrown = false;
  try {
    f();
  } catch (mException* e) {
    *thrown = true;
    delete e;
  }
  return testing::internal::GetCapturedStdout();
}

// Two positively oriented tetrahedra (1,2,3,4) and (2,3,4,5) sharing the face
// (2,3,4), on model region 1, with no faces or edges in the mesh.
struct TwoTets {
  mMesh mesh{1};
  gEntity* region;
  mEntity* t1;
  mEntity* t2;
  TwoTets() {
    region = mesh.getGEntity(1, 3);
    mesh.createVertex(1, 0, 0, 0, region);
    mesh.createVertex(2, 1, 0, 0, region);
    mesh.createVertex(3, 0, 1, 0, region);
    mesh.createVertex(4, 0, 0, 1, region);
    mesh.createVertex(5, 1, 1, 1, region);
    t1 = mesh.createTetWithVertices(1, 2, 3, 4, region);
    t2 = mesh.createTetWithVertices(2, 3, 4, 5, region);
  }
};

}  // namespace meshtest

#endif
