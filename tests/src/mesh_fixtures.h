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
