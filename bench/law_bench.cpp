// Times 10^7 calls of the fluxes on the hot path of every Euler run: the 2-D
// Roe flux, the exact Riemann flux and the inviscid volume flux.
#include <benchmark/benchmark.h>

#include <cmath>

#include "Euler.h"

using KORA::mPoint;
using KORA::mVector;

namespace {

constexpr long kCalls = 10000000;
constexpr int kStates = 64;

// A small table of admissible state pairs and unit normals, cycled through so
// that no call can be folded away.
struct Table {
  double L[kStates][5], R[kStates][5];
  mVector n[kStates];
  Table() {
    for (int k = 0; k < kStates; ++k) {
      const double a = 0.1 * k;
      const double rl = 1.0 + 0.3 * std::sin(a), rr = 0.4 + 0.2 * std::cos(a);
      const double ul = 0.5 * std::cos(a), vl = 0.2 * std::sin(2 * a), wl = 0.1;
      const double ur = -0.3 * std::sin(a), vr = 0.1, wr = -0.2 * std::cos(a);
      const double pl = 1.0 + 0.2 * std::cos(3 * a), pr = 0.2 + 0.05 * std::sin(a);
      const double L5[5] = {rl, rl * ul, rl * vl, pl / 0.4 + 0.5 * rl * (ul * ul + vl * vl + wl * wl), rl * wl};
      const double R5[5] = {rr, rr * ur, rr * vr, pr / 0.4 + 0.5 * rr * (ur * ur + vr * vr + wr * wr), rr * wr};
      for (int i = 0; i < 5; ++i) {
        L[k][i] = L5[i];
        R[k][i] = R5[i];
      }
      n[k] = mVector(std::cos(a), std::sin(a), 0.0);
    }
  }
};

const Table &table() {
  static const Table t;
  return t;
}

void BM_Roe2d(benchmark::State &state) {
  const Euler2d law(false, {}, nullptr, false, false, 1.4, 287, 2, nullptr, nullptr);
  const Table &t = table();
  double FL[4], FR[4];
  for (auto _ : state) {
    for (long c = 0; c < kCalls; ++c) {
      const int k = static_cast<int>(c & (kStates - 1));
      law.riemannSolver(t.n[k], mPoint(), t.L[k], t.R[k], FL, FR);
      benchmark::DoNotOptimize(FL[0]);
    }
  }
  state.SetItemsProcessed(state.iterations() * kCalls);
}

void BM_ExactRiemann2d(benchmark::State &state) {
  const Euler2dExactRiemann law(false, {}, nullptr, false, false, 1.4, 287, 2, nullptr, nullptr);
  const Table &t = table();
  double FL[4], FR[4];
  for (auto _ : state) {
    for (long c = 0; c < kCalls; ++c) {
      const int k = static_cast<int>(c & (kStates - 1));
      law.riemannSolver(t.n[k], mPoint(), t.L[k], t.R[k], FL, FR);
      benchmark::DoNotOptimize(FL[0]);
    }
  }
  state.SetItemsProcessed(state.iterations() * kCalls);
}

void BM_EulerVolumeFlux2d(benchmark::State &state) {
  const Euler2d law(false, {}, nullptr, false, false, 1.4, 287, 2, nullptr, nullptr);
  const ConservationLaw &L = law;
  const Table &t = table();
  mVector F[4];
  for (auto _ : state) {
    for (long c = 0; c < kCalls; ++c) {
      const int k = static_cast<int>(c & (kStates - 1));
      L.Fi(mPoint(), t.L[k], F);
      benchmark::DoNotOptimize(F[0]);
    }
  }
  state.SetItemsProcessed(state.iterations() * kCalls);
}

}  // namespace

BENCHMARK(BM_Roe2d)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExactRiemann2d)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EulerVolumeFlux2d)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
