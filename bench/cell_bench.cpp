// DG cells on a grid of 224 x 224 x 2 = 100,352 triangles, orders 1 to 4,
// under a law of four fields: L2 projection of a field, interpolation of
// every field at every cached volume point, and the inverse-mass update.
// Each benchmark also reports the heap bytes the cells use per degree of
// freedom (one field of one basis function of one cell).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "ConservationLaw.h"
#include "DGCell.h"
#include "FieldEvaluator.h"
#include "FunctionSpace.h"
#include "GlobalParamManager.h"
#include "LagrangeMapping.h"
#include "mFace.h"
#include "mMesh.h"
#include "mVertex.h"

using namespace KORA;

namespace {

const int N = 224;
const int kFields = 4;

class BenchLaw : public ConservationLaw {
public:
  int nbFields() const override { return kFields; }
  void Fi(int i, const mPoint &, const double *U, mVector &f) const override { f = mVector(U[i], 0, 0); }
  void Fi(const mPoint &p, const double *U, mVector *f) const override {
    for (int i = 0; i < kFields; ++i) Fi(i, p, U, f[i]);
  }
  void RHS(const double *, const mVector *, const mPoint &, double *S) const override {
    for (int i = 0; i < kFields; ++i) S[i] = 0;
  }
  void riemannSolver(const mVector &, const mPoint &, const double *, const double *, double *FL,
                     double *FR) const override {
    for (int i = 0; i < kFields; ++i) FL[i] = FR[i] = 0;
  }
  double maximumEigenValue(const double *, const mPoint &) const override { return 1.0; }
  int getNbFieldsOfInterest() const override { return 0; }
  void getNameAndSize(int, int &, std::string &) const override {}
  void getIthFieldOfInterest(int, const mPoint &, const double *, const mVector *, double *,
                             double) const override {}
  bool isPhysical(const double *) const override { return true; }
  double jumpQuantity(const double *U, const mVector *) const override { return U[0]; }
  void characteristicVectorField(const mPoint &, double, const double *, const mVector *,
                                 mVector &out) const override {
    out = mVector(1, 0, 0);
  }
};

class SmoothField : public FieldEvaluator {
public:
  explicit SmoothField(int p) : p_(p) {}
  void eval(const mPoint &x, double, double *v) const override {
    const double s = std::sin(0.01 * x(0)) * std::cos(0.013 * x(1));
    for (int f = 0; f < kFields; ++f) v[f] = 1.0 + f + s;
  }
  int order() const override { return p_; }

private:
  int p_;
};

size_t heapInUse() { return mallinfo2().uordblks; }

// The grid and its cells of one order; only the grid of the order last asked
// for is kept, so that memory stays bounded.
struct Grid {
  std::unique_ptr<mMesh> mesh;
  std::vector<DGCell *> cells;
  double bytesPerDof = 0;
};

Grid &gridOfOrder(int order) {
  static BenchLaw law;
  static int current = -1;
  static std::unique_ptr<Grid> slot;
  GlobalParamManager::Instance()->law = &law;
  if (slot && current == order) return *slot;
  slot.reset();
  current = order;
  slot = std::make_unique<Grid>();
  Grid &g = *slot;
  g.mesh = std::make_unique<mMesh>(1);
  gEntity *region = g.mesh->getGEntity(1, 2);
  for (int j = 0; j <= N; ++j)
    for (int i = 0; i <= N; ++i) g.mesh->createVertex(j * (N + 1) + i + 1, i, j, 0, region);
  std::vector<mEntity *> tris;
  for (int j = 0; j < N; ++j)
    for (int i = 0; i < N; ++i) {
      const int a = j * (N + 1) + i + 1, b = a + 1, c = a + N + 1, d = c + 1;
      tris.push_back(g.mesh->createFaceWithVertices(a, b, d, region));
      tris.push_back(g.mesh->createFaceWithVertices(a, d, c, region));
    }
  const size_t before = heapInUse();
  MappingBuilder builder;
  for (mEntity *t : tris) {
    DGCell *c = new DGCell(t, new OrthogonalTriangleFunctionSpace(order), builder.BuildMapping(t, 0));
    t->attachFastData(c);
    g.cells.push_back(c);
  }
  const size_t after = heapInUse();
  const double dofs = static_cast<double>(tris.size()) * kFields * g.cells.front()->getFunctionSpace()->size();
  g.bytesPerDof = static_cast<double>(after - before) / dofs;
  return g;
}

void report(benchmark::State &state, const Grid &g) {
  state.SetItemsProcessed(state.iterations() * static_cast<long>(g.cells.size()));
  state.counters["bytes/dof"] = g.bytesPerDof;
  state.counters["cells"] = static_cast<double>(g.cells.size());
}

void BM_Projection(benchmark::State &state) {
  Grid &g = gridOfOrder(static_cast<int>(state.range(0)));
  SmoothField field(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    for (DGCell *c : g.cells) c->L2ProjInitial(&field);
    benchmark::ClobberMemory();
  }
  report(state, g);
}

void BM_InterpolateAtVolumePoints(benchmark::State &state) {
  Grid &g = gridOfOrder(static_cast<int>(state.range(0)));
  double values[kFields];
  for (auto _ : state) {
    double sum = 0;
    for (DGCell *c : g.cells) {
      const int np = c->nbPtGauss();
      for (int k = 0; k < np; ++k) {
        c->interpolate(values, c->pt(k)->phi);
        sum += values[0];
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  report(state, g);
}

void BM_InverseMassUpdate(benchmark::State &state) {
  Grid &g = gridOfOrder(static_cast<int>(state.range(0)));
  for (DGCell *c : g.cells)
    for (size_t i = 0; i < c->rhs.size(); ++i) c->rhs[i] = 1e-9 * static_cast<double>(i + 1);
  for (auto _ : state) {
    double r = 0;
    for (DGCell *c : g.cells) r += c->advanceInTime(1e-3);
    benchmark::DoNotOptimize(r);
  }
  report(state, g);
}

BENCHMARK(BM_Projection)->DenseRange(1, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InterpolateAtVolumePoints)->DenseRange(1, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InverseMassUpdate)->DenseRange(1, 4)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
