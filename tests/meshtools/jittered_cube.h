// The unit cube as k^3 cells of six tetrahedra around each cell's main
// diagonal, interior vertices moved at random by up to jitter times the
// cell; and the entities of one dimension of a mesh. Shared by the tests
// and the benchmark.
#ifndef TESTS_MESHTOOLS_JITTERED_CUBE_H
#define TESTS_MESHTOOLS_JITTERED_CUBE_H

#include <random>
#include <vector>

#include "KORA.h"
#include "mMesh.h"
#include "mTet.h"
#include "mVertex.h"

namespace mttest {

template <class Rng>
void buildJitteredCube(KORA::pMesh m, int k, double jitter, Rng& rng, KORA::pGEntity region) {
  using namespace KORA;
  std::uniform_real_distribution<double> u(-jitter, jitter);
  std::vector<mVertex*> v((k + 1) * (k + 1) * (k + 1));
  auto id = [k](int i, int j, int l) { return (l * (k + 1) + j) * (k + 1) + i; };
  const double h = 1.0 / k;
  for (int l = 0; l <= k; ++l)
    for (int j = 0; j <= k; ++j)
      for (int i = 0; i <= k; ++i) {
        const bool inner = i > 0 && i < k && j > 0 && j < k && l > 0 && l < k;
        const double dx = inner ? u(rng) * h : 0, dy = inner ? u(rng) * h : 0, dz = inner ? u(rng) * h : 0;
        v[id(i, j, l)] =
            static_cast<mVertex*>(M_createVP(m, i * h + dx, j * h + dy, l * h + dz, nullptr, 0, region));
      }
  static const int paths[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  for (int l = 0; l < k; ++l)
    for (int j = 0; j < k; ++j)
      for (int i = 0; i < k; ++i)
        for (const auto& p : paths) {
          int c[3] = {i, j, l};
          mVertex* w[4];
          w[0] = v[id(c[0], c[1], c[2])];
          for (int s = 0; s < 3; ++s) {
            ++c[p[s]];
            w[s + 1] = v[id(c[0], c[1], c[2])];
          }
          m->createTetWithVertices(w[0], w[1], w[2], w[3], region);
        }
}

// Edges (dim 1) or faces (dim 2), collected before the mesh changes.
inline std::vector<KORA::pEntity> allOf(KORA::pMesh m, int dim) {
  using namespace KORA;
  std::vector<pEntity> out;
  if (dim == 1) {
    EIter it = M_edgeIter(m);
    while (pEdge e = EIter_next(it)) out.push_back(e);
    EIter_delete(it);
  } else {
    FIter it = M_faceIter(m);
    while (pFace f = FIter_next(it)) out.push_back(f);
    FIter_delete(it);
  }
  return out;
}

}  // namespace mttest

#endif
