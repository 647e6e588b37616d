// Times 1e5 point look-ups in the octree over a 10,000-triangle mesh.
#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <random>
#include <vector>

#include "Octree.h"
#include "mMesh.h"

using namespace KORA;

namespace {

const int NX = 50, NY = 100;  // 2 NX NY = 10,000 triangles

std::unique_ptr<mMesh> buildMesh() {
  auto m = std::make_unique<mMesh>(1);
  gEntity *g = m->getGEntity(1, 2);
  for (int j = 0; j <= NY; ++j)
    for (int i = 0; i <= NX; ++i)
      m->createVertex(j * (NX + 1) + i + 1, double(i) / NX, 2.0 * j / NY, 0, g);
  for (int j = 0; j < NY; ++j)
    for (int i = 0; i < NX; ++i) {
      const int a = j * (NX + 1) + i + 1, b = a + 1, c = a + NX + 1, d = c + 1;
      m->createFaceWithVertices(a, b, d, g);
      m->createFaceWithVertices(a, d, c, g);
    }
  return m;
}

void BM_OctreeSearch(benchmark::State &state) {
  auto mesh = buildMesh();
  Octree *o = Octree_KORA_Create(mesh->begin(2), mesh->end(2), 20);
  std::mt19937 rng(1);
  std::uniform_real_distribution<double> ux(0.0, 1.0), uy(0.0, 2.0);
  std::vector<std::array<double, 3>> pts(100000);
  for (auto &p : pts) p = {ux(rng), uy(rng), 0.0};
  for (auto _ : state) {
    int found = 0;
    for (auto &p : pts) found += Octree_Search(p.data(), o) != nullptr;
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(pts.size()));
  Octree_Delete(o);
}
BENCHMARK(BM_OctreeSearch)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
