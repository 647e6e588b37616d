// Times building a 200 x 200 x 2 triangle mesh with its adjacencies, and
// walking it.
#include <benchmark/benchmark.h>

#include <memory>

#include "mMesh.h"
#include "mVertex.h"

using namespace KORA;

namespace {

const int N = 200;

std::unique_ptr<mMesh> buildGrid() {
  auto m = std::make_unique<mMesh>(1);
  gEntity* g = m->getGEntity(1, 2);
  m->resize(0, (N + 1) * (N + 1));
  m->resize(2, 2 * N * N);
  for (int j = 0; j <= N; ++j)
    for (int i = 0; i <= N; ++i) m->createVertex(j * (N + 1) + i + 1, i, j, 0, g);
  for (int j = 0; j < N; ++j) {
    for (int i = 0; i < N; ++i) {
      const int a = j * (N + 1) + i + 1, b = a + 1, c = a + N + 1, d = c + 1;
      m->createFaceWithVertices(a, b, d, g);
      m->createFaceWithVertices(a, d, c, g);
    }
  }
  m->modifyState(2, 1, true, 0);
  m->modifyState(1, 2, true, 0);
  m->modifyState(0, 1, true, 0);
  return m;
}

void BM_BuildGridWithAdjacencies(benchmark::State& state) {
  for (auto _ : state) {
    std::unique_ptr<mMesh> m = buildGrid();
    benchmark::DoNotOptimize(m->size(1));
  }
  state.SetItemsProcessed(state.iterations() * 2 * N * N);
}
BENCHMARK(BM_BuildGridWithAdjacencies)->Unit(benchmark::kMillisecond);

void BM_WalkGrid(benchmark::State& state) {
  std::unique_ptr<mMesh> m = buildGrid();
  for (auto _ : state) {
    long sum = 0;
    for (mLeavesIterator it = m->begin(2), last = m->end(2); it != last; ++it) {
      mEntity* f = *it;
      for (int k = 0; k < 3; ++k) sum += f->get(1, k)->size(2);
    }
    for (mLeavesIterator it = m->begin(0), last = m->end(0); it != last; ++it) sum += (*it)->size(1);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * 2 * N * N);
}
BENCHMARK(BM_WalkGrid)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
