// Gradation smoothing of the metric field.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "MT_vector.h"
#include "metricField.h"

using namespace KORA;

namespace {

// Passes stop here even when the last one still changed a metric.
const int maxSmoothPasses = 1000;

// Metric length of an edge whose size varies exponentially from a to b along
// its Euclidean length L; not finite when a = b.
double expLength(double L, double a, double b) { return L * (b - a) / (a * b * std::log(b / a)); }

// True when three directions span space well enough to build a frame.
bool goodFrame(const double d[3][3]) {
  double n[3];
  for (int i = 0; i < 3; ++i) {
    n[i] = std::sqrt(dotProd(d[i], d[i]));
    if (!std::isfinite(n[i]) || n[i] < 1e-10) return false;
  }
  return std::fabs(det3Mat(d[0], d[1], d[2])) > 1e-6 * n[0] * n[1] * n[2];
}

// Runs passes over all edges of the mesh until one changes nothing, or
// until the cap (with a warning). pass(edge) answers the changes it made.
template <class Pass>
void passesOverEdges(pMesh mesh, const char* who, Pass pass) {
  EIter it = M_edgeIter(mesh);
  int passes = 0;
  int changes;
  do {
    changes = 0;
    while (pEdge edge = EIter_next(it)) changes += pass(edge);
    EIter_reset(it);
    if (changes > 0 && ++passes >= maxSmoothPasses) {
      std::printf("Warning: metric smoothing stopped after %d passes (metricField::%s)\n",
                  maxSmoothPasses, who);
      break;
    }
  } while (changes > 0);
  EIter_delete(it);
}

}  // namespace

int metricField::E_isoSmooth(pVertex A, pVertex B, double beta) {
  metric* mA = getMetric(A);
  metric* mB = getMetric(B);
  if (!mA || !mB) return 0;
  double xA[3], xB[3], d[3];
  V_coord(A, xA);
  V_coord(B, xB);
  diffVt(xA, xB, d);
  const double sA = mA->directionalSize(d), sB = mB->directionalSize(d);
  metric* target = sA > sB ? mA : mB;
  const double small = std::min(sA, sB), large = std::max(sA, sB);
  if (!(small / large <= 0.81)) return 0;  // also refuses non-finite ratios
  const double a = std::sqrt(small), b = std::sqrt(large);
  const double lenM = expLength(std::sqrt(dotProd(d, d)), a, b);
  const double g = std::pow(b / a, 1.0 / lenM);
  if (!(g > 1.05 * beta)) return 0;
  const double f = std::pow(beta / g, lenM);
  if (!std::isfinite(f) || !(f > 0.0)) return 0;
  target->scale(f);
  return 1;
}

int metricField::E_anisoSmooth(pVertex A, pVertex B, double dirs[3][3], double lenM,
                               const double beta[3]) {
  metric* mA = getMetric(A);
  metric* mB = getMetric(B);
  if (!mA || !mB) return 0;
  // A blend of two frames may collapse; A's own frame is then used.
  if (!goodFrame(dirs))
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) dirs[i][j] = mA->e[i][j];
  double nw[3], largest = 0.0;
  int changed = 0;
  for (int i = 0; i < 3; ++i) {
    const double sA = mA->directionalSize(dirs[i]), sB = mB->directionalSize(dirs[i]);
    nw[i] = sA;
    largest = std::max(largest, sA);
    if (sA >= 1.21 * sB) {
      const double g = std::pow(sA / sB, 0.5 / lenM);
      if (g > 1.05 * beta[i]) {
        const double f = std::pow(beta[i] / g, lenM);
        nw[i] = f * f * sA;
        changed = 1;
      }
    }
  }
  if (!changed) return 0;
  // A size vanishing against the metric's largest one (squared sizes compared).
  const double zero = 1e-20 * largest;
  if (nw[0] < zero || nw[1] < zero || nw[2] < zero) {
    std::printf("Error: Zero desired length (metricField::E_anisoSmooth)\n");
    return 0;
  }
  const double h[3] = {std::sqrt(nw[0]), std::sqrt(nw[1]), std::sqrt(nw[2])};
  const metric m(dirs, h);
  if (!m.finite()) {
    std::printf("Error: Degenerate metric kept (metricField::E_anisoSmooth)\n");
    return 0;
  }
  setOwn(A, m);
  return 1;
}

void metricField::smooth_aniso(const double beta[3]) {
  const double betaMax = std::max(beta[0], std::max(beta[1], beta[2]));
  const int dim = M_numRegions(mesh) > 0 ? 3 : 2;
  passesOverEdges(mesh, "smooth_aniso", [&](pEdge edge) {
    pVertex A = E_vertex(edge, 0), B = E_vertex(edge, 1);
    metric* mA = getMetric(A);
    metric* mB = getMetric(B);
    if (!mA || !mB) return 0;
    const double rA = mA->aspectRatio(dim), rB = mB->aspectRatio(dim);
    if (rA < 1.4 && rB < 1.4) return E_isoSmooth(A, B, betaMax);
    double xA[3], xB[3], d[3];
    V_coord(A, xA);
    V_coord(B, xB);
    diffVt(xA, xB, d);
    const double a = std::sqrt(mA->directionalSize(d)), b = std::sqrt(mB->directionalSize(d));
    const double lenM = expLength(std::sqrt(dotProd(d, d)), a, b);
    // Equal sizes along the edge leave no length to grade over.
    if (!std::isfinite(lenM) || !(lenM > 0.0)) return 0;
    pVertex F = rA < rB ? B : A;
    pVertex S = F == A ? B : A;
    const double rmax = std::max(rA, rB), rmin = std::min(rA, rB);
    double eF[3][3], dirs[3][3];
    const metric* mF = F == A ? mA : mB;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) eF[i][j] = dirs[i][j] = mF->e[i][j];
    int changes = E_anisoSmooth(F, S, dirs, lenM, beta);
    // S is blended from its own frame towards F's by how isotropic it is.
    const metric* mS = getMetric(S);
    const double V = rmax * (rmin - 1.0) / (rmin * (rmax - 1.0));
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) dirs[i][j] = V * mS->e[i][j] + (1.0 - V) * eF[i][j];
    changes += E_anisoSmooth(S, F, dirs, lenM, beta);
    return changes;
  });
}

void metricField::smooth(double beta) {
  passesOverEdges(mesh, "smooth",
                  [&](pEdge edge) { return E_isoSmooth(E_vertex(edge, 0), E_vertex(edge, 1), beta); });
}
