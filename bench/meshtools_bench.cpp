// Edge splits, edge swaps and face swaps per second on a mesh of about
// 100k tetrahedra (a jittered cube of 26^3 cells, six tetrahedra each).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "KORA.h"
#include "MT_modify.h"
#include "mMesh.h"
#include "mVertex.h"
#include "../tests/meshtools/jittered_cube.h"

using namespace KORA;

namespace {

const int K = 26;

struct Cube {
  pMesh m = MS_newMesh(nullptr);
  Cube() {
    pGEntity region = m->getGEntity(1, 3);
    pGEntity face = m->getGEntity(1, 2);
    face->add(region);
    region->add(face);
    std::mt19937 rng(7);
    mttest::buildJitteredCube(m, K, 0.2, rng, region);
    M_SetRepresentationToOneLevel(m);
    // Everything inside the model region, except the boundary faces with
    // their edges, which lie on the model face.
    EIter ei = M_edgeIter(m);
    while (pEdge e = EIter_next(ei)) E_setWhatIn(e, region);
    EIter_delete(ei);
    FIter fi = M_faceIter(m);
    while (pFace f = FIter_next(fi)) {
      F_setWhatIn(f, region);
      if (!F_region(f, 1)) {
        F_setWhatIn(f, face);
        for (int k = 0; k < 3; ++k) E_setWhatIn(F_edge(f, k), face);
      }
    }
    FIter_delete(fi);
  }
  ~Cube() { M_delete(m); }
  std::vector<pEntity> all(int dim) {
    std::vector<pEntity> out = mttest::allOf(m, dim);
    std::shuffle(out.begin(), out.end(), std::mt19937(3));
    return out;
  }
};

// Each split deletes only its own edge: the other listed edges stay valid.
void BM_EdgeSplit(benchmark::State& state) {
  Cube c;
  state.counters["tets"] = M_numRegions(c.m);
  std::vector<pEntity> edges = c.all(1);
  size_t next = 0;
  for (auto _ : state) {
    pEdge e = edges[next++ % edges.size()];
    double a[3], b[3], x[3];
    V_coord(E_vertex(e, 0), a);
    V_coord(E_vertex(e, 1), b);
    for (int k = 0; k < 3; ++k) x[k] = 0.5 * (a[k] + b[k]);
    pPList news = nullptr;
    benchmark::DoNotOptimize(E_split(c.m, e, x, nullptr, nullptr, nullptr, &news));
    PList_delete(news);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EdgeSplit)->Iterations(20000)->Unit(benchmark::kMicrosecond);

// Evaluation and swap of interior edges; refusals count as attempts, the
// swaps made are reported apart. A swap deletes only its own edge.
void BM_EdgeSwap(benchmark::State& state) {
  Cube c;
  std::vector<pEntity> edges = c.all(1);
  size_t next = 0;
  long swapped = 0;
  for (auto _ : state) {
    pEdge e = edges[next++ % edges.size()];
    const int i = E_defaultRegionSwpCfg(e);
    if (i < 0) continue;
    pPList news = nullptr;
    swapped += E_swap(c.m, e, i, nullptr, nullptr, &news);
    PList_delete(news);
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["swaps"] = benchmark::Counter(static_cast<double>(swapped), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EdgeSwap)->Iterations(20000)->Unit(benchmark::kMicrosecond);

// Face swaps: a swap deletes faces of the regions around the edges of its
// face; those listed faces are skipped afterwards (the bookkeeping is timed).
void BM_FaceSwap(benchmark::State& state) {
  Cube c;
  std::vector<pEntity> faces = c.all(2);
  std::set<pEntity> dead;
  size_t next = 0;
  long swapped = 0;
  for (auto _ : state) {
    pFace f = faces[next++ % faces.size()];
    if (dead.count(f) || !F_evalSwap(f, 1e-12)) continue;
    for (int k = 0; k < 3; ++k) {
      pPList rs = E_regions(F_edge(f, k));
      for (int i = 0; i < PList_size(rs); ++i) {
        pRegion r = static_cast<pRegion>(PList_item(rs, i));
        for (int j = 0; j < R_numFaces(r); ++j) dead.insert(R_face(r, j));
      }
      PList_delete(rs);
    }
    pPList olds = nullptr, news = nullptr;
    swapped += F_swap(c.m, f, 1e-12, nullptr, nullptr, &olds, &news);
    PList_delete(olds);
    PList_delete(news);
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["swaps"] = benchmark::Counter(static_cast<double>(swapped), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FaceSwap)->Iterations(20000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
