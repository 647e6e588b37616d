// Residual assembly: face states, gradient lifting, volume and face integrals,
// and the spatial operator that runs them in order.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "DGAnalysisPasses.h"
#include "DGBoundaryCell.h"
#include "DGBasisSize.h"
#include "DGCell.h"
#include "DGPassFilters.h"
#include "FaceTensor.h"
#include "DGParameters.h"
#include "DenseMatrix.h"
#include "ElementaryMatrices.h"
#include "EulerLanes.h"
#include "FunctionSpace.h"
#include "GaussIntegrator.h"
#include "GlobalParamManager.h"
#include "Mapping.h"
#include "ParUtil.h"
#include "SHF.h"
#include "gEntity.h"
#include "mEntity.h"

using KORA::mEntity;
using KORA::mPoint;
using KORA::mVector;

namespace {

using dgpass::cellOf;
using dgpass::cellOfLevel;
using dgpass::faceOfLevel;

// Values of the nf fields at a point from coefficients c (nb per field) and
// the basis values phi there.
// Four fields at a time, each summed in the order of its basis functions: the
// four sums are independent, so they proceed side by side.
template <int NB>
inline void pointValues(const double *c, int nf, int nbRun, const double *phi, double *U) {
  const int nb = NB ? NB : nbRun;
  int f = 0;
  for (; f + 4 <= nf; f += 4) {
    const double *c0 = c + f * nb, *c1 = c0 + nb, *c2 = c1 + nb, *c3 = c2 + nb;
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
    for (int j = 0; j < nb; ++j) {
      const double p = phi[j];
      s0 += c0[j] * p;
      s1 += c1[j] * p;
      s2 += c2[j] * p;
      s3 += c3[j] * p;
    }
    U[f] = s0;
    U[f + 1] = s1;
    U[f + 2] = s2;
    U[f + 3] = s3;
  }
  for (; f < nf; ++f) {
    const double *cf = c + f * nb;
    double s = 0.0;
    for (int j = 0; j < nb; ++j) s += cf[j] * phi[j];
    U[f] = s;
  }
}

// Values of every field of one side at a face point: the current
// coefficients, or the time-interpolated blend (1 - w) c0 + w c1.
template <int NB>
inline void sideValues(const DGCell *c, const double *phi, bool plain, double w, double *U) {
  const int nf = c->nbFieldCount, nb = NB ? NB : c->nbFcts;
  const double *c0 = c->coef0;
  if (plain || w == 0.0) {
    pointValues<NB>(c0, nf, nb, phi, U);
    return;
  }
  const double *c1 = c->dofs->levels[1];
  for (int f = 0; f < nf; ++f) {
    const double *cf0 = c0 + f * nb;
    const double *cf1 = c1 + f * nb;
    double s = 0.0;
    for (int j = 0; j < nb; ++j) s += ((1.0 - w) * cf0[j] + w * cf1[j]) * phi[j];
    U[f] = s;
  }
}

// Pairs of doubles: each operation is the scalar one in both entries.
using Pair = double __attribute__((vector_size(16)));

inline Pair loadPair(const double *p) {
  Pair v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline void storePair(const Pair &v, double *p) { std::memcpy(p, &v, sizeof v); }

// Values of every field of one side at all K points of a face from the
// current coefficients, into the points' left (or right) states: fields go
// in pairs, each entry summed in the order of the basis as pointValues does,
// so that every point's loads of its basis row serve two fields at once.
template <int NB>
void pairedSideStates(const DGCell *c, ptGaussInfo *gps, int K, bool left) {
  const int nf = c->nbFieldCount;
  const double *c0 = c->coef0;
  const int pairs = nf / 2;
  for (int q = 0; q < pairs; q += 2) {
    // Two pairs of fields (f, f + 1) and (f + 2, f + 3) side by side, or one.
    const bool two = q + 1 < pairs;
    const double *a0 = c0 + 2 * q * NB, *a1 = a0 + NB;
    const double *b0 = two ? a1 + NB : a0, *b1 = two ? b0 + NB : a1;
    Pair ca[NB], cb[NB];
    for (int j = 0; j < NB; ++j) {
      ca[j] = Pair{a0[j], a1[j]};
      cb[j] = Pair{b0[j], b1[j]};
    }
    for (int k = 0; k < K; ++k) {
      const double *phi = left ? gps[k].fctsL.data() : gps[k].fctsR.data();
      Pair sa = Pair{0.0, 0.0}, sb = Pair{0.0, 0.0};
      for (int j = 0; j < NB; ++j) {
        const Pair p = Pair{phi[j], phi[j]};
        sa += ca[j] * p;
        sb += cb[j] * p;
      }
      double *U = (left ? gps[k].UL : gps[k].UR) + 2 * q;
      storePair(sa, U);
      if (two) storePair(sb, U + 2);
    }
  }
  if (nf % 2) {
    const double *cf = c0 + (nf - 1) * NB;
    for (int k = 0; k < K; ++k) {
      const double *phi = left ? gps[k].fctsL.data() : gps[k].fctsR.data();
      double s = 0.0;
      for (int j = 0; j < NB; ++j) s += cf[j] * phi[j];
      (left ? gps[k].UL : gps[k].UR)[nf - 1] = s;
    }
  }
}

// Time weight of the previous coefficients for a state at time t.
inline double stateWeight(const DGCell *c, double t) {
  const double t0 = c->dofs->t, t1 = c->dofs->tprev;
  return (t0 == t1) ? 0.0 : (t - t0) / (t1 - t0);
}

// Shared gradient scratch of the face-state pass.
std::array<mVector, dgpass::kMaxFields> &gradientScratch() {
  static std::array<mVector, dgpass::kMaxFields> scratch{};
  return scratch;
}

}  // namespace

// ---------------------------------------------------------------------------
// Face states

namespace {

// Finds (once after the face's init) the products of its sides.
const FaceTensors *faceTensorsOf(const DGBoundaryCell *face, const DGCell *L, const DGCell *R);

// Values of both sides at every point of a face of the level, at time t, into
// the points' state arrays (at least size entries each).
void computeFaceStates(DGBoundaryCell *face, short level, double t, int size) {
  DGCell *L, *R;
  face->sideCells(L, R);
  const bool plainL = level < 0 || level == face->leftTag;
  const bool plainR = level < 0 || level == face->rightTag;
  const double wL = plainL ? 0.0 : stateWeight(L, t);
  const double wR = (R && !plainR) ? stateWeight(R, t) : 0.0;
  if (face->stateSize < size || face->gaussPoints.empty() || !face->gaussPoints.front().UL ||
      (R && !face->gaussPoints.front().UR))
    face->ensureStates(size, R != nullptr);
  // Quadrilateral sides with the current coefficients: from their products.
  const FaceTensors *products = faceTensorsOf(face, L, R);
  const FaceTensor *tL = products->L, *tR = R ? products->R : nullptr;
  if (tL && (!R || tR) && (plainL || wL == 0.0) && (!R || plainR || wR == 0.0)) {
    tensorFaceStates(face, L, R, tL, tR);
    return;
  }
  auto states = [&](auto NB) {
    constexpr int kNB = decltype(NB)::value;
    const bool currentL = plainL || wL == 0.0, currentR = !R || plainR || wR == 0.0;
    if constexpr (kNB > 0) {
      if (currentL && currentR) {
        ptGaussInfo *gps = face->gaussPoints.data();
        const int K = face->nbPtGauss();
        pairedSideStates<kNB>(L, gps, K, true);
        if (R) pairedSideStates<kNB>(R, gps, K, false);
        return;
      }
    }
    for (ptGaussInfo &g : face->gaussPoints) {
      sideValues<kNB>(L, g.fctsL.data(), plainL, wL, g.UL);
      if (R) sideValues<kNB>(R, g.fctsR.data(), plainR, wR, g.UR);
    }
  };
  if (!R || R->nbFcts == L->nbFcts)
    withBasisSize(L->nbFcts, states);
  else
    states(std::integral_constant<int, 0>{});
}

}  // namespace

void ComputeSolutionOnBothSides::operator()(DGBoundaryCell *face) const {
  if (!faceOfLevel(face, level)) return;
  if (partitionFacesOnly && !face->interProc) return;
  computeFaceStates(face, level, t, size);
  DGCell *L, *R;
  face->sideCells(L, R);
  const int nfL = L->dofs->nbFields;
  // Gradients need room for 4n entries per side.
  if (!withGradients || size < 4 * n) return;
  face->ensureGradients();
  std::array<mVector, dgpass::kMaxFields> &G = gradientScratch();
  const int m = std::min(n, nfL);
  for (int k = 0; k < face->nbPtGauss(); ++k) {
    ptGaussInfo &g = face->gaussPoints[k];
    L->dinterpolate(G.data(), face->gradsL(k), DGCell::LEVEL0);
    for (int i = 0; i < m; ++i)
      for (int c = 0; c < 3; ++c) g.UL[n + 3 * i + c] = G[i][c];
    if (R) {
      R->dinterpolate(G.data(), face->gradsR(k), DGCell::LEVEL0);
      for (int i = 0; i < m; ++i)
        for (int c = 0; c < 3; ++c) g.UR[n + 3 * i + c] = G[i][c];
    }
  }
}

void ComputeSolutionOnRightSide_InParallel::operator()(DGBoundaryCell *face) const {
  // Only partition faces receive remote states; a face between two local
  // cells keeps the states just computed and leaves both cells active.
  if (!faceOfLevel(face, level) || !face->interProc) return;
  face->getSolutionOnRightSideForTime(t, size);
}

// ---------------------------------------------------------------------------
// Gradient lifting

void ComputeHigherOrderGradients::operator()(DGBoundaryCell *face) const {
  if (!faceOfLevel(face, level)) return;
  face->ensureGradients();
  const auto [L, R, nL, nR, toLeft, toRight] = dgpass::faceSides(face, level);
  for (int k = 0; k < face->nbPtGauss(); ++k) {
    const ptGaussInfo &g = face->gaussPoints[k];
    if (!g.UR) continue;
    const std::span<const mVector> gradsL = face->gradsL(k), gradsR = face->gradsR(k);
    const double w = g.JacW;
    for (int i = 0; i < n; ++i) {
      const double d = 0.5 * (g.UL[i] - g.UR[i]);
      if (toLeft) {
        double *r = L->rhs.data() + i * nL;
        for (int j = 0; j < nL; ++j) r[j] -= d * (gradsL[j] * g.n) * w;
      }
      if (toRight) {
        double *r = R->rhs.data() + i * nR;
        for (int j = 0; j < nR; ++j) r[j] -= d * (gradsR[j] * g.n) * w;
      }
    }
  }
}

namespace {

// Two square work matrices of the correction pass, kept between calls and
// remade only when the basis size changes.
class SquareScratch {
public:
  ~SquareScratch() { release(); }
  void ensure(int n) {
    if (n == size) return;
    release();
    a = allocateMatrix(n, n);
    b = allocateMatrix(n, n);
    size = n;
  }
  double **a = nullptr;
  double **b = nullptr;

private:
  void release() {
    freeMatrix(a);
    freeMatrix(b);
    a = b = nullptr;
    size = 0;
  }
  int size = 0;
};

}  // namespace

void ComputeHigherOrderGradientsCorrection::operator()(DGCell *cell) const {
  static SquareScratch scratch;
  const int nb = cell->functionSpace->size();
  scratch.ensure(nb);
  double **K = scratch.a;
  double **Kinv = scratch.b;
  stifnessMatrix(cell->functionSpace, cell->mapping, cell->entity, K, 1.0);
  // The constant function has a zero row and column; fix its entry so that K
  // can be inverted.
  K[0][0] = 1.0;
  invmat(K, Kinv, nb);
  DG_Dofs *d = cell->dofs;
  if (target < 0 || target >= d->nLevels) throw std::string("gradient correction: no such coefficient level");
  double *out = d->level(target);
  const int m = std::min<int>(n, d->nbFields);
  for (int i = 0; i < m; ++i) {
    const double *r = cell->rhs.data() + i * nb;
    for (int j = 0; j < nb; ++j) {
      double s = 0.0;
      for (int l = 0; l < nb; ++l) s += Kinv[j][l] * r[l];
      out[i * d->nbFunctions + j] = s;
    }
  }
}

void ZeroRHS::operator()(DGCell *cell) const {
  if (!cellOfLevel(cell, level)) return;
  cell->jumpSum = cell->jumpWeight = cell->limiterMeasure = 0.0;
  const std::size_t count =
      std::min(cell->rhs.size(), static_cast<std::size_t>(std::max(n, 0)) * cell->nbFcts);
  std::fill(cell->rhs.begin(), cell->rhs.begin() + count, 0.0);
}

// ---------------------------------------------------------------------------
// Volume integrals

namespace {
// Physical basis gradients of the volume point at hand (at least n entries).
std::vector<mVector> &volumeGradientScratch(int n) {
  thread_local std::vector<mVector> buffer;
  if (static_cast<int>(buffer.size()) < n) buffer.resize(n);
  return buffer;
}

// The viscous volume pass of a cell: at each point the inviscid and viscous
// fluxes and the source, which take the field gradients.
void viscousVolumePass(DGCell *cell, int n, const ConservationLaw *law, mVector *flux, mVector *grads,
                       mVector *viscousFlux) {
  const int nb = cell->nbFcts;
  const DG_Dofs *d = cell->dofs;
  const int nf = d->nbFields;
  const int m = std::min(n, nf);
  const double *c0 = d->levels[0];
  const RulePoint *rule = cell->rule;
  const KORA::Mapping *map = cell->mapping;
  double *rhs = cell->rhs.data();
  double U[dgpass::kMaxFields];
  double S[dgpass::kMaxFields];
  const int K = cell->nbPtGauss();
  std::vector<mVector> &gradPhi = volumeGradientScratch(nb);
  mVector *dphi = gradPhi.data();
  for (int k = 0; k < K; ++k) {
    const vptGaussInfo &gp = cell->gaussPoints[k];
    const RulePoint &rp = rule[k];
    const double *phi = gp.phi.data();
    cell->physicalGradients(k, dphi);
    pointValues<0>(c0, nf, nb, phi, U);
    double x, y, z;
    map->eval(rp.u, rp.v, rp.w, x, y, z);
    const mPoint X(x, y, z);
    law->Fi(X, U, flux);
    cell->dinterpolate(grads, {dphi, static_cast<std::size_t>(nb)}, DGCell::LEVEL0);
    law->RHS(U, grads, X, S);
    law->Fv(X, U, grads, viscousFlux);
    const double fac = gp.jacDet * rp.weight;
    for (int f = 0; f < m; ++f) {
      const double sf = S[f] * fac;
      const double fx = (flux[f][0] + viscousFlux[f][0]) * fac, fy = (flux[f][1] + viscousFlux[f][1]) * fac,
                   fz = (flux[f][2] + viscousFlux[f][2]) * fac;
      double *r = rhs + f * nb;
      for (int j = 0; j < nb; ++j) r[j] += sf * phi[j] + fx * dphi[j][0] + fy * dphi[j][1] + fz * dphi[j][2];
    }
  }
}
}  // namespace

namespace {

// Point data of one cell's inviscid volume pass, grown on demand and reused.
struct InviscidScratch {
  std::vector<double> U;          // K x nbFields states, point by point
  std::vector<mPoint> X;          // K points
  std::vector<mVector> F;         // K x nbFields flux vectors
  std::vector<double> A;          // 4 x K x nbFields: weighted contravariant fluxes and sources
  std::vector<double> S;          // K x nbFields sources
  std::vector<double> acc;        // one field's sums, when the basis size is known at run time only
  void ensure(int K, int nf) {
    const std::size_t m = static_cast<std::size_t>(K) * nf;
    if (U.size() < m) U.resize(m);
    if (F.size() < m) F.resize(m);
    if (A.size() < 4 * m) A.resize(4 * m);
    if (S.size() < m) S.resize(m);
    if (X.size() < static_cast<std::size_t>(K)) X.resize(K);
  }
};

// The law's fluxes (s.F) and, with source, its sources (s.S) at the K
// points of the cell's rule from the states in s.U, the points' positions
// (s.X) made first when the law needs them.
void pointFluxesAndSources(const DGCell *cell, int K, const ConservationLaw *law, bool needPoints, bool source,
                           InviscidScratch &s) {
  const int nf = cell->nbFieldCount;
  const RulePoint *rule = cell->rule;
  mPoint *X = s.X.data();
  if (needPoints)
    for (int k = 0; k < K; ++k) {
      double x, y, z;
      cell->mapping->eval(rule[k].u, rule[k].v, rule[k].w, x, y, z);
      X[k] = mPoint(x, y, z);
    }
  law->fluxesAt(K, needPoints ? X : nullptr, s.U.data(), nf, s.F.data());
  if (source) law->sourcesAt(K, needPoints ? X : nullptr, s.U.data(), nf, s.S.data());
}

// The middle of the inviscid volume pass, once the states of all K points
// are in s.U: the fluxes of all points in one call of the law, then each
// point's fluxes weighted and met with the inverse Jacobian (their
// contravariant components A0, A1, A2, so that the physical basis gradients
// are never formed) and its weighted sources SF, K x nf each in s.A.
template <bool kPlanar>
void contravariantFluxes(const DGCell *cell, int m, const ConservationLaw *law, bool needPoints, bool source,
                         InviscidScratch &s) {
  const int nf = cell->nbFieldCount;
  const int K = cell->nbPtGauss();
  const RulePoint *rule = cell->rule;
  const mVector *F = s.F.data();
  pointFluxesAndSources(cell, K, law, needPoints, source, s);
  double *S = s.S.data();
  const std::size_t total = static_cast<std::size_t>(K) * nf;
  double *A0 = s.A.data(), *A1 = A0 + total, *A2 = A1 + total, *SF = A2 + total;
  // An affine cell's determinant is that of its first point: the others are
  // not read.
  const double detJ = cell->affine ? cell->gaussPoints[0].jacDet : 0.0;
  for (int k = 0; k < K; ++k) {
    const double fac = (cell->affine ? detJ : cell->gaussPoints[k].jacDet) * rule[k].weight;
    const double *t = cell->jacInverseAt(k);
    const mVector *Fk = F + k * nf;
    const double *Sk = S + k * nf;
    for (int f = 0; f < m; ++f) {
      const double fx = Fk[f][0] * fac, fy = Fk[f][1] * fac;
      const std::size_t i = static_cast<std::size_t>(k) * nf + f;
      if constexpr (kPlanar) {
        A0[i] = fx * t[0] + fy * t[3];
        A1[i] = fx * t[1] + fy * t[4];
      } else {
        const double fz = Fk[f][2] * fac;
        A0[i] = fx * t[0] + fy * t[3] + fz * t[6];
        A1[i] = fx * t[1] + fy * t[4] + fz * t[7];
        A2[i] = fx * t[2] + fy * t[5] + fz * t[8];
      }
      if (source) SF[i] = Sk[f] * fac;
    }
  }
}

// The inviscid volume pass of a cell: the states point by point, the
// contravariant fluxes, then each field's residual takes the sum over all
// points in one pass against the reference gradients.
template <int NB, bool kPlanar>
void inviscidVolumePass(DGCell *cell, int n, const ConservationLaw *law, bool needPoints, bool source,
                        InviscidScratch &s) {
  const int nb = NB ? NB : cell->nbFcts;
  const int nf = cell->nbFieldCount;
  const int m = std::min(n, nf);
  const int K = cell->nbPtGauss();
  s.ensure(K, nf);
  const double *c0 = cell->coef0;
  double *U = s.U.data();
  for (int k = 0; k < K; ++k) pointValues<NB>(c0, nf, nb, cell->gaussPoints[k].phi.data(), U + k * nf);
  contravariantFluxes<kPlanar>(cell, m, law, needPoints, source, s);
  double *rhs = cell->rhs.data();
  const std::size_t total = static_cast<std::size_t>(K) * nf;
  const double *A0 = s.A.data(), *A1 = A0 + total, *A2 = A1 + total, *SF = A2 + total;
  // A basis size known at compile time keeps the sums in registers.
  double fixed[NB > 0 ? NB : 1];
  if (NB == 0 && s.acc.size() < static_cast<std::size_t>(nb)) s.acc.resize(nb);
  double *acc = NB > 0 ? fixed : s.acc.data();
  for (int f = 0; f < m; ++f) {
    for (int j = 0; j < nb; ++j) acc[j] = 0.0;
    for (int k = 0; k < K; ++k) {
      const vptGaussInfo &gp = cell->gaussPoints[k];
      const mVector *g = gp.refGrads;
      const std::size_t i = static_cast<std::size_t>(k) * nf + f;
      const double a0 = A0[i], a1 = A1[i];
      if constexpr (kPlanar) {
        for (int j = 0; j < nb; ++j) acc[j] += a0 * g[j][0] + a1 * g[j][1];
      } else {
        const double a2 = A2[i];
        for (int j = 0; j < nb; ++j) acc[j] += a0 * g[j][0] + a1 * g[j][1] + a2 * g[j][2];
      }
      if (source) {
        const double sf = SF[i];
        const double *phi = gp.phi.data();
        for (int j = 0; j < nb; ++j) acc[j] += sf * phi[j];
      }
    }
    double *r = rhs + f * nb;
    for (int j = 0; j < nb; ++j) r[j] += acc[j];
  }
}

// ---- Products over all points of a cell
//
// Triangles, tetrahedra and the other cells without a product basis: the
// basis values and reference gradients of the rule's points laid out
// contiguously, so that the states of all points and each field's sums are
// small dense products whose inner loops run over contiguous pairs of
// entries. The arithmetic is that of the pass above, term for term (pairs
// are computed side by side, each entry as alone); rows are padded with
// zeros to an even length.

constexpr int evenUp(int n) { return (n + 1) & ~1; }

struct DenseTables {
  int nbp = 0, kp = 0;        // nb and K rounded up to even
  std::vector<double> phiT;   // nb x kp: function j at point k at j kp + k
  std::vector<double> phi;    // K x nbp: the same at k nbp + j
  std::vector<double> grads;  // K x 3 x nbp: reference derivative d of function j at point k at (3 k + d) nbp + j
};

// The tables of the cell's rule and basis size, made once.
const DenseTables &denseTablesOf(const DGCell *cell) {
  return tablePerRule<DenseTables>(cell->rule, cell->nbFcts, [cell] {
    const int nb = cell->nbFcts, K = cell->nbPtGauss();
    DenseTables T;
    T.nbp = evenUp(nb);
    T.kp = evenUp(K);
    T.phiT.assign(static_cast<std::size_t>(nb) * T.kp, 0.0);
    T.phi.assign(static_cast<std::size_t>(T.nbp) * K, 0.0);
    T.grads.assign(3 * static_cast<std::size_t>(T.nbp) * K, 0.0);
    for (int k = 0; k < K; ++k) {
      const vptGaussInfo &g = cell->gaussPoints[k];
      for (int j = 0; j < nb; ++j) {
        T.phiT[j * T.kp + k] = g.phi[j];
        T.phi[k * T.nbp + j] = g.phi[j];
        for (int d = 0; d < 3; ++d) T.grads[(3 * k + d) * T.nbp + j] = g.refGrads[j][d];
      }
    }
    return T;
  });
}

// The rest of the dense pass on an affine planar cell, once the states are
// in s.U: the inverse Jacobian and determinant are the same at every point,
// so each point's contravariant pair (A0, A1) = fx (t0, t1) + fy (t3, t4)
// comes from one pair of products per field (the arithmetic of
// contravariantFluxes), kept side by side for the sums.
template <int NB, int K>
void affinePlanarPass(DGCell *cell, int m, const ConservationLaw *law, bool needPoints, bool source,
                      InviscidScratch &s, const DenseTables &T) {
  constexpr int kNP = evenUp(NB) / 2;
  const int nf = cell->nbFieldCount;
  const RulePoint *rule = cell->rule;
  const mVector *F = s.F.data();
  pointFluxesAndSources(cell, K, law, needPoints, source, s);
  double *S = s.S.data();
  const double detJ = cell->gaussPoints[0].jacDet;
  const double *t = cell->jacInverseAt(0);
  const Pair t01 = Pair{t[0], t[1]}, t34 = Pair{t[3], t[4]};
  // (A0, A1) of point k and field f at 2 (k nf + f), the weighted source at
  // 2 K nf + k nf + f.
  double *A = s.A.data();
  double *SF = A + 2 * K * nf;
  for (int k = 0; k < K; ++k) {
    const double fac = detJ * rule[k].weight;
    const Pair ff = Pair{fac, fac};
    for (int f = 0; f < m; ++f) {
      const std::size_t i = static_cast<std::size_t>(k) * nf + f;
      const Pair fxy = Pair{F[i][0], F[i][1]} * ff;
      storePair(Pair{fxy[0], fxy[0]} * t01 + Pair{fxy[1], fxy[1]} * t34, A + 2 * i);
      if (source) SF[i] = S[i] * fac;
    }
  }
  double *rhs = cell->rhs.data();
  const double *G = T.grads.data(), *P = T.phi.data();
  for (int f = 0; f < m; ++f) {
    Pair acc[kNP];
    for (int j = 0; j < kNP; ++j) acc[j] = Pair{0.0, 0.0};
    for (int k = 0; k < K; ++k) {
      const std::size_t i = static_cast<std::size_t>(k) * nf + f;
      const double *g0 = G + 3 * k * 2 * kNP, *g1 = g0 + 2 * kNP;
      const Pair a0 = Pair{A[2 * i], A[2 * i]}, a1 = Pair{A[2 * i + 1], A[2 * i + 1]};
      for (int j = 0; j < kNP; ++j) acc[j] += a0 * loadPair(g0 + 2 * j) + a1 * loadPair(g1 + 2 * j);
      if (source) {
        const Pair sf = Pair{SF[i], SF[i]};
        const double *phi = P + k * 2 * kNP;
        for (int j = 0; j < kNP; ++j) acc[j] += sf * loadPair(phi + 2 * j);
      }
    }
    double *r = rhs + f * NB;
    for (int j = 0; j < NB; ++j) r[j] += acc[j / 2][j % 2];
  }
}

template <int NB, int K, bool kPlanar>
void denseVolumePass(DGCell *cell, int n, const ConservationLaw *law, bool needPoints, bool source,
                     InviscidScratch &s) {
  constexpr int kNP = evenUp(NB) / 2, kKP = evenUp(K) / 2;  // pairs per row
  const int nf = cell->nbFieldCount;
  const int m = std::min(n, nf);
  s.ensure(K, nf);
  const DenseTables &T = denseTablesOf(cell);
  const double *c0 = cell->coef0;
  double *U = s.U.data();
  // Each field's values at all points: u = sum_j c_j phi_j, in the order of
  // the basis.
  const double *phiT = T.phiT.data();
  for (int f = 0; f < nf; ++f) {
    const double *c = c0 + f * NB;
    Pair u[kKP];
    for (int k = 0; k < kKP; ++k) u[k] = Pair{0.0, 0.0};
    for (int j = 0; j < NB; ++j) {
      const Pair cj = Pair{c[j], c[j]};
      const double *p = phiT + j * 2 * kKP;
      for (int k = 0; k < kKP; ++k) u[k] += cj * loadPair(p + 2 * k);
    }
    for (int k = 0; k < K; ++k) U[k * nf + f] = u[k / 2][k % 2];
  }
  if constexpr (kPlanar) {
    if (cell->affine) {
      affinePlanarPass<NB, K>(cell, m, law, needPoints, source, s, T);
      return;
    }
  }
  contravariantFluxes<kPlanar>(cell, m, law, needPoints, source, s);
  double *rhs = cell->rhs.data();
  const std::size_t total = static_cast<std::size_t>(K) * nf;
  const double *A0 = s.A.data(), *A1 = A0 + total, *A2 = A1 + total, *SF = A2 + total;
  const double *G = T.grads.data(), *P = T.phi.data();
  for (int f = 0; f < m; ++f) {
    Pair acc[kNP];
    for (int j = 0; j < kNP; ++j) acc[j] = Pair{0.0, 0.0};
    for (int k = 0; k < K; ++k) {
      const std::size_t i = static_cast<std::size_t>(k) * nf + f;
      const double *g0 = G + 3 * k * 2 * kNP, *g1 = g0 + 2 * kNP, *g2 = g1 + 2 * kNP;
      const Pair a0 = Pair{A0[i], A0[i]}, a1 = Pair{A1[i], A1[i]};
      if constexpr (kPlanar) {
        for (int j = 0; j < kNP; ++j) acc[j] += a0 * loadPair(g0 + 2 * j) + a1 * loadPair(g1 + 2 * j);
      } else {
        const Pair a2 = Pair{A2[i], A2[i]};
        for (int j = 0; j < kNP; ++j)
          acc[j] += a0 * loadPair(g0 + 2 * j) + a1 * loadPair(g1 + 2 * j) + a2 * loadPair(g2 + 2 * j);
      }
      if (source) {
        const Pair sf = Pair{SF[i], SF[i]};
        const double *phi = P + k * 2 * kNP;
        for (int j = 0; j < kNP; ++j) acc[j] += sf * loadPair(phi + 2 * j);
      }
    }
    double *r = rhs + f * NB;
    for (int j = 0; j < NB; ++j) r[j] += acc[j / 2][j % 2];
  }
}

// Runs the dense pass when the basis size and number of points are those of
// triangles (orders 1 to 4) or tetrahedra (orders 1 to 3) with their usual
// rules, or of first-order hexahedra.
bool denseVolume(DGCell *cell, int n, const ConservationLaw *law, bool needPoints, bool source,
                 InviscidScratch &s) {
  const int key = cell->nbFcts * 1000 + cell->nbPtGauss();
  if (cell->planar) {
    switch (key) {
    case 3003: denseVolumePass<3, 3, true>(cell, n, law, needPoints, source, s); return true;
    case 6006: denseVolumePass<6, 6, true>(cell, n, law, needPoints, source, s); return true;
    case 10012: denseVolumePass<10, 12, true>(cell, n, law, needPoints, source, s); return true;
    case 15025: denseVolumePass<15, 25, true>(cell, n, law, needPoints, source, s); return true;
    default: return false;
    }
  }
  switch (key) {
  case 4004: denseVolumePass<4, 4, false>(cell, n, law, needPoints, source, s); return true;
  case 10016: denseVolumePass<10, 16, false>(cell, n, law, needPoints, source, s); return true;
  case 20029: denseVolumePass<20, 29, false>(cell, n, law, needPoints, source, s); return true;
  case 8008: denseVolumePass<8, 8, false>(cell, n, law, needPoints, source, s); return true;
  default: return false;
  }
}

// ---- Sum factorisation on quadrilaterals
//
// The quadrilateral basis functions are products P_i(u) P_j(v) of Legendre
// polynomials and the volume rule is a grid of points (u_a, v_b): sums over
// the basis and over the points then go one direction at a time, with
// one-dimensional tables, in about half the operations at order 3.

struct TensorTables {
  int n1 = 0, ku = 0, kv = 0;
  std::vector<int> basis;       // n1 x n1: basis index of P_i(u) P_j(v) at i n1 + j
  std::vector<int> point;       // ku x kv: rule point (u_a, v_b) at a kv + b
  std::vector<double> Lu, dLu;  // ku x n1: P_i(u_a) and P_i'(u_a) at a n1 + i
  std::vector<double> Lv, dLv;  // kv x n1: P_j(v_b) and P_j'(v_b) at b n1 + j
};

// The tables of a planar quadrilateral cell: the Legendre values at the
// rule's coordinates, each basis function matched with the product that
// equals it at every point; null when the basis or the rule is not a product
// (the cell then takes the general pass).
std::unique_ptr<TensorTables> makeTensorTables(const DGCell *cell) {
  if (cell->entity->getType() != mEntity::QUAD) return nullptr;
  const int nb = cell->nbFcts, K = cell->nbPtGauss();
  int n1 = 1;
  while (n1 * n1 < nb) ++n1;
  if (n1 < 2 || n1 * n1 != nb || !cell->rule) return nullptr;
  auto T = std::make_unique<TensorTables>();
  T->n1 = n1;
  std::vector<double> us, vs;
  for (int k = 0; k < K; ++k) {
    if (std::find(us.begin(), us.end(), cell->rule[k].u) == us.end()) us.push_back(cell->rule[k].u);
    if (std::find(vs.begin(), vs.end(), cell->rule[k].v) == vs.end()) vs.push_back(cell->rule[k].v);
  }
  T->ku = static_cast<int>(us.size());
  T->kv = static_cast<int>(vs.size());
  if (T->ku * T->kv != K) return nullptr;
  T->point.assign(K, -1);
  for (int k = 0; k < K; ++k) {
    const int a = static_cast<int>(std::find(us.begin(), us.end(), cell->rule[k].u) - us.begin());
    const int b = static_cast<int>(std::find(vs.begin(), vs.end(), cell->rule[k].v) - vs.begin());
    if (T->point[a * T->kv + b] >= 0) return nullptr;
    T->point[a * T->kv + b] = k;
  }
  T->Lu.resize(T->ku * n1);
  T->dLu.resize(T->ku * n1);
  T->Lv.resize(T->kv * n1);
  T->dLv.resize(T->kv * n1);
  for (int i = 0; i < n1; ++i) {
    for (int a = 0; a < T->ku; ++a) {
      T->Lu[a * n1 + i] = LegendrePolynomial(i, us[a]);
      T->dLu[a * n1 + i] = dLegendrePolynomial(i, us[a]);
    }
    for (int b = 0; b < T->kv; ++b) {
      T->Lv[b * n1 + i] = LegendrePolynomial(i, vs[b]);
      T->dLv[b * n1 + i] = dLegendrePolynomial(i, vs[b]);
    }
  }
  const auto close = [](double x, double y) { return std::fabs(x - y) <= 1e-12 * (1.0 + std::fabs(x)); };
  // Basis function q is P_i(u) P_j(v) when the values and both reference
  // gradients agree at every point.
  auto matches = [&](int q, int i, int j) {
    for (int a = 0; a < T->ku; ++a)
      for (int b = 0; b < T->kv; ++b) {
        const vptGaussInfo &g = cell->gaussPoints[T->point[a * T->kv + b]];
        const double lu = T->Lu[a * n1 + i], lv = T->Lv[b * n1 + j];
        if (!close(g.phi[q], lu * lv) || !close(g.refGrads[q][0], T->dLu[a * n1 + i] * lv) ||
            !close(g.refGrads[q][1], lu * T->dLv[b * n1 + j]) || g.refGrads[q][2] != 0.0)
          return false;
      }
    return true;
  };
  T->basis.assign(nb, -1);
  for (int q = 0; q < nb; ++q) {
    int found = -1;
    for (int ij = 0; ij < nb && found < 0; ++ij)
      if (T->basis[ij] < 0 && matches(q, ij / n1, ij % n1)) found = ij;
    if (found < 0) return nullptr;
    T->basis[found] = q;
  }
  return T;
}

// The tables of the cell's rule and basis size, made once (null: none).
const TensorTables *tensorTablesOf(const DGCell *cell) {
  // The rule tells the element kind (it is shared per kind and order): the
  // element itself is looked at only when the tables are made.
  if (!cell->planar) return nullptr;
  return tablePerRule<std::unique_ptr<TensorTables>>(cell->rule, cell->nbFcts,
                                                     [cell] { return makeTensorTables(cell); })
      .get();
}

struct HexTables;
const HexTables *hexTablesOf(const DGCell *cell);
const FaceTensors *hexFaceTensorsOf(const DGBoundaryCell *face, const DGCell *L, const DGCell *R);

const FaceTensors *faceTensorsOf(const DGBoundaryCell *face, const DGCell *L, const DGCell *R) {
  if (!face->tensors) {
    if (!L->planar) return hexFaceTensorsOf(face, L, R);
    const TensorTables *TL = tensorTablesOf(L);
    const TensorTables *TR = R ? tensorTablesOf(R) : nullptr;
    face->tensors = findFaceTensors(face, TL ? TL->basis.data() : nullptr, TL ? TL->n1 : 0,
                                    TR ? TR->basis.data() : nullptr, TR ? TR->n1 : 0);
  }
  return face->tensors;
}

// The inviscid volume pass of a planar quadrilateral by sum factorisation
// (N1 functions and KU x KV points per direction; 0: known at run time).
template <int N1, int KU, int KV>
void tensorVolumePass(DGCell *cell, int n, const ConservationLaw *law, bool needPoints, bool source,
                      InviscidScratch &s, const TensorTables &T) {
  constexpr int kMax = 8;  // the largest order the sizes below allow is 7
  const int n1 = N1 ? N1 : T.n1, ku = KU ? KU : T.ku, kv = KV ? KV : T.kv;
  const int nb = n1 * n1;
  const int nf = cell->nbFieldCount;
  const int m = std::min(n, nf);
  const int K = ku * kv;
  s.ensure(K, nf);
  const int *basis = T.basis.data(), *point = T.point.data();
  const double *Lu = T.Lu.data(), *dLu = T.dLu.data(), *Lv = T.Lv.data(), *dLv = T.dLv.data();
  const double *c0 = cell->coef0;
  double *U = s.U.data();
  for (int f = 0; f < nf; ++f) {
    const double *c = c0 + f * nb;
    // W(i, b) = sum_j c(i, j) P_j(v_b), then U(a, b) = sum_i P_i(u_a) W(i, b).
    double W[kMax][kMax];
    for (int i = 0; i < n1; ++i)
      for (int b = 0; b < kv; ++b) {
        double w = 0.0;
        for (int j = 0; j < n1; ++j) w += c[basis[i * n1 + j]] * Lv[b * n1 + j];
        W[i][b] = w;
      }
    for (int a = 0; a < ku; ++a)
      for (int b = 0; b < kv; ++b) {
        double u = 0.0;
        for (int i = 0; i < n1; ++i) u += Lu[a * n1 + i] * W[i][b];
        U[point[a * kv + b] * nf + f] = u;
      }
  }
  contravariantFluxes<true>(cell, m, law, needPoints, source, s);
  double *rhs = cell->rhs.data();
  const std::size_t total = static_cast<std::size_t>(K) * nf;
  const double *A0 = s.A.data(), *A1 = A0 + total, *SF = A1 + 2 * total;
  for (int f = 0; f < m; ++f) {
    // B(a, j) = sum_b A0(a, b) P_j(v_b), C(a, j) = sum_b (A1(a, b) P_j'(v_b) +
    // SF(a, b) P_j(v_b)); then r(i, j) = sum_a P_i'(u_a) B(a, j) + P_i(u_a) C(a, j).
    double B[kMax][kMax], C[kMax][kMax];
    for (int a = 0; a < ku; ++a) {
      double bsum[kMax] = {}, csum[kMax] = {};
      for (int b = 0; b < kv; ++b) {
        const std::size_t i = static_cast<std::size_t>(point[a * kv + b]) * nf + f;
        const double a0 = A0[i], a1 = A1[i], sf = source ? SF[i] : 0.0;
        for (int j = 0; j < n1; ++j) {
          bsum[j] += a0 * Lv[b * n1 + j];
          csum[j] += a1 * dLv[b * n1 + j];
          if (source) csum[j] += sf * Lv[b * n1 + j];
        }
      }
      for (int j = 0; j < n1; ++j) {
        B[a][j] = bsum[j];
        C[a][j] = csum[j];
      }
    }
    double *r = rhs + f * nb;
    for (int i = 0; i < n1; ++i)
      for (int j = 0; j < n1; ++j) {
        double sum = 0.0;
        for (int a = 0; a < ku; ++a) sum += dLu[a * n1 + i] * B[a][j] + Lu[a * n1 + i] * C[a][j];
        r[basis[i * n1 + j]] += sum;
      }
  }
}

// Runs the tensor pass with the sizes known at compile time when they are
// those of orders 1 to 4 with their usual rules.
bool tensorVolume(DGCell *cell, int n, const ConservationLaw *law, bool needPoints, bool source,
                  InviscidScratch &s) {
  const TensorTables *T = tensorTablesOf(cell);
  if (!T || T->n1 > 8 || T->ku > 8 || T->kv > 8) return false;
  const int sizes = T->n1 * 100 + T->ku * 10 + T->kv;
  switch (sizes) {
  case 222: tensorVolumePass<2, 2, 2>(cell, n, law, needPoints, source, s, *T); break;
  case 233: tensorVolumePass<2, 3, 3>(cell, n, law, needPoints, source, s, *T); break;
  case 333: tensorVolumePass<3, 3, 3>(cell, n, law, needPoints, source, s, *T); break;
  case 344: tensorVolumePass<3, 4, 4>(cell, n, law, needPoints, source, s, *T); break;
  case 444: tensorVolumePass<4, 4, 4>(cell, n, law, needPoints, source, s, *T); break;
  case 455: tensorVolumePass<4, 5, 5>(cell, n, law, needPoints, source, s, *T); break;
  case 555: tensorVolumePass<5, 5, 5>(cell, n, law, needPoints, source, s, *T); break;
  default: tensorVolumePass<0, 0, 0>(cell, n, law, needPoints, source, s, *T); break;
  }
  return true;
}

// ---- Sum factorisation on hexahedra
//
// The same one direction at a time in three dimensions: the basis functions
// are products P_i(u) P_j(v) P_l(w) and the rule a grid (u_a, v_b, w_c).

struct HexTables {
  int n1 = 0, ku = 0, kv = 0, kw = 0;
  std::vector<int> basis;       // n1^3: basis index of P_i(u) P_j(v) P_l(w) at (i n1 + j) n1 + l
  std::vector<int> point;       // ku x kv x kw: rule point (u_a, v_b, w_c) at (a kv + b) kw + c
  std::vector<double> L[3];     // per direction, k x n1: P_i at the direction's coordinate a at a n1 + i
  std::vector<double> dL[3];    // the same of P_i'
};

// The tables of a hexahedral cell, null when its basis or rule is not a
// product (the cell then takes the general pass).
std::unique_ptr<HexTables> makeHexTables(const DGCell *cell) {
  if (cell->entity->getType() != mEntity::HEX || !cell->rule) return nullptr;
  const int nb = cell->nbFcts, K = cell->nbPtGauss();
  int n1 = 1;
  while (n1 * n1 * n1 < nb) ++n1;
  if (n1 < 2 || n1 * n1 * n1 != nb) return nullptr;
  auto T = std::make_unique<HexTables>();
  T->n1 = n1;
  std::vector<double> xs[3];
  auto coordinate = [&](int k, int d) { return d == 0 ? cell->rule[k].u : d == 1 ? cell->rule[k].v : cell->rule[k].w; };
  for (int d = 0; d < 3; ++d)
    for (int k = 0; k < K; ++k)
      if (std::find(xs[d].begin(), xs[d].end(), coordinate(k, d)) == xs[d].end()) xs[d].push_back(coordinate(k, d));
  T->ku = static_cast<int>(xs[0].size());
  T->kv = static_cast<int>(xs[1].size());
  T->kw = static_cast<int>(xs[2].size());
  if (T->ku * T->kv * T->kw != K) return nullptr;
  T->point.assign(K, -1);
  for (int k = 0; k < K; ++k) {
    int idx[3];
    for (int d = 0; d < 3; ++d)
      idx[d] = static_cast<int>(std::find(xs[d].begin(), xs[d].end(), coordinate(k, d)) - xs[d].begin());
    int &slot = T->point[(idx[0] * T->kv + idx[1]) * T->kw + idx[2]];
    if (slot >= 0) return nullptr;
    slot = k;
  }
  for (int d = 0; d < 3; ++d) {
    const int kd = static_cast<int>(xs[d].size());
    T->L[d].resize(kd * n1);
    T->dL[d].resize(kd * n1);
    for (int a = 0; a < kd; ++a)
      for (int i = 0; i < n1; ++i) {
        T->L[d][a * n1 + i] = LegendrePolynomial(i, xs[d][a]);
        T->dL[d][a * n1 + i] = dLegendrePolynomial(i, xs[d][a]);
      }
  }
  const auto close = [](double x, double y) { return std::fabs(x - y) <= 1e-12 * (1.0 + std::fabs(x)); };
  // Basis function q is P_i(u) P_j(v) P_l(w) when the values and the three
  // reference gradients agree at every point.
  auto matches = [&](int q, int i, int j, int l) {
    for (int a = 0; a < T->ku; ++a)
      for (int b = 0; b < T->kv; ++b)
        for (int c = 0; c < T->kw; ++c) {
          const vptGaussInfo &g = cell->gaussPoints[T->point[(a * T->kv + b) * T->kw + c]];
          const double lu = T->L[0][a * n1 + i], lv = T->L[1][b * n1 + j], lw = T->L[2][c * n1 + l];
          if (!close(g.phi[q], lu * lv * lw) || !close(g.refGrads[q][0], T->dL[0][a * n1 + i] * lv * lw) ||
              !close(g.refGrads[q][1], lu * T->dL[1][b * n1 + j] * lw) ||
              !close(g.refGrads[q][2], lu * lv * T->dL[2][c * n1 + l]))
            return false;
        }
    return true;
  };
  T->basis.assign(nb, -1);
  for (int q = 0; q < nb; ++q) {
    int found = -1;
    for (int ijl = 0; ijl < nb && found < 0; ++ijl)
      if (T->basis[ijl] < 0 && matches(q, ijl / (n1 * n1), (ijl / n1) % n1, ijl % n1)) found = ijl;
    if (found < 0) return nullptr;
    T->basis[found] = q;
  }
  return T;
}

// The tables of the cell's rule and basis size, made once (null: none); as
// for quadrilaterals the rule tells the element kind.
const HexTables *hexTablesOf(const DGCell *cell) {
  return tablePerRule<std::unique_ptr<HexTables>>(cell->rule, cell->nbFcts,
                                                  [cell] { return makeHexTables(cell); })
      .get();
}

// The products of a face's hexahedral sides (see faceTensorsOf).
const FaceTensors *hexFaceTensorsOf(const DGBoundaryCell *face, const DGCell *L, const DGCell *R) {
  const HexTables *TL = hexTablesOf(L);
  const HexTables *TR = R ? hexTablesOf(R) : nullptr;
  face->tensors = findFaceTensors(face, TL ? TL->basis.data() : nullptr, TL ? TL->n1 : 0,
                                  TR ? TR->basis.data() : nullptr, TR ? TR->n1 : 0, 3);
  return face->tensors;
}

// The inviscid volume pass of a hexahedron by sum factorisation (N1
// functions and KQ points per direction; 0: known at run time, up to 8).
template <int N1, int KQ>
void hexVolumePass(DGCell *cell, int n, const ConservationLaw *law, bool needPoints, bool source,
                   InviscidScratch &s, const HexTables &T) {
  constexpr int kMax = 8;
  const int n1 = N1 ? N1 : T.n1, ku = KQ ? KQ : T.ku, kv = KQ ? KQ : T.kv, kw = KQ ? KQ : T.kw;
  const int nb = n1 * n1 * n1;
  const int nf = cell->nbFieldCount;
  const int m = std::min(n, nf);
  const int K = ku * kv * kw;
  s.ensure(K, nf);
  const int *basis = T.basis.data(), *point = T.point.data();
  const double *Lu = T.L[0].data(), *Lv = T.L[1].data(), *Lw = T.L[2].data();
  const double *dLu = T.dL[0].data(), *dLv = T.dL[1].data(), *dLw = T.dL[2].data();
  const double *c0 = cell->coef0;
  double *U = s.U.data();
  for (int f = 0; f < nf; ++f) {
    const double *c = c0 + f * nb;
    // W1(i, j, c) = sum_l c(i, j, l) P_l(w_c); W2(i, b, c) = sum_j W1(i, j, c)
    // P_j(v_b); U(a, b, c) = sum_i P_i(u_a) W2(i, b, c).
    double W1[kMax][kMax][kMax], W2[kMax][kMax][kMax];
    for (int i = 0; i < n1; ++i)
      for (int j = 0; j < n1; ++j) {
        const int *q = basis + (i * n1 + j) * n1;
        for (int cc = 0; cc < kw; ++cc) {
          double w = 0.0;
          for (int l = 0; l < n1; ++l) w += c[q[l]] * Lw[cc * n1 + l];
          W1[i][j][cc] = w;
        }
      }
    for (int i = 0; i < n1; ++i)
      for (int b = 0; b < kv; ++b)
        for (int cc = 0; cc < kw; ++cc) {
          double w = 0.0;
          for (int j = 0; j < n1; ++j) w += W1[i][j][cc] * Lv[b * n1 + j];
          W2[i][b][cc] = w;
        }
    for (int a = 0; a < ku; ++a)
      for (int b = 0; b < kv; ++b)
        for (int cc = 0; cc < kw; ++cc) {
          double u = 0.0;
          for (int i = 0; i < n1; ++i) u += Lu[a * n1 + i] * W2[i][b][cc];
          U[point[(a * kv + b) * kw + cc] * nf + f] = u;
        }
  }
  contravariantFluxes<false>(cell, m, law, needPoints, source, s);
  double *rhs = cell->rhs.data();
  const std::size_t total = static_cast<std::size_t>(K) * nf;
  const double *A0 = s.A.data(), *A1 = A0 + total, *A2 = A1 + total, *SF = A2 + total;
  for (int f = 0; f < m; ++f) {
    // Along w: B0(a, b, l) = sum_c A0 P_l(w_c), B1 likewise with A1, B2 =
    // sum_c A2 P_l'(w_c) + SF P_l(w_c). Along v: C0(a, j, l) = sum_b B0
    // P_j(v_b), C1 = sum_b B1 P_j'(v_b) + B2 P_j(v_b). Along u: r(i, j, l) =
    // sum_a P_i'(u_a) C0 + P_i(u_a) C1.
    double B0[kMax][kMax][kMax], B1[kMax][kMax][kMax], B2[kMax][kMax][kMax];
    for (int a = 0; a < ku; ++a)
      for (int b = 0; b < kv; ++b) {
        double s0[kMax] = {}, s1[kMax] = {}, s2[kMax] = {};
        for (int cc = 0; cc < kw; ++cc) {
          const std::size_t i = static_cast<std::size_t>(point[(a * kv + b) * kw + cc]) * nf + f;
          const double a0 = A0[i], a1 = A1[i], a2 = A2[i], sf = source ? SF[i] : 0.0;
          for (int l = 0; l < n1; ++l) {
            const double lw = Lw[cc * n1 + l];
            s0[l] += a0 * lw;
            s1[l] += a1 * lw;
            s2[l] += a2 * dLw[cc * n1 + l];
            if (source) s2[l] += sf * lw;
          }
        }
        for (int l = 0; l < n1; ++l) {
          B0[a][b][l] = s0[l];
          B1[a][b][l] = s1[l];
          B2[a][b][l] = s2[l];
        }
      }
    double C0[kMax][kMax][kMax], C1[kMax][kMax][kMax];
    for (int a = 0; a < ku; ++a)
      for (int j = 0; j < n1; ++j) {
        double s0[kMax] = {}, s1[kMax] = {};
        for (int b = 0; b < kv; ++b) {
          const double lv = Lv[b * n1 + j], dlv = dLv[b * n1 + j];
          for (int l = 0; l < n1; ++l) {
            s0[l] += B0[a][b][l] * lv;
            s1[l] += B1[a][b][l] * dlv + B2[a][b][l] * lv;
          }
        }
        for (int l = 0; l < n1; ++l) {
          C0[a][j][l] = s0[l];
          C1[a][j][l] = s1[l];
        }
      }
    double *r = rhs + f * nb;
    for (int i = 0; i < n1; ++i)
      for (int j = 0; j < n1; ++j) {
        double sum[kMax] = {};
        for (int a = 0; a < ku; ++a) {
          const double dlu = dLu[a * n1 + i], lu = Lu[a * n1 + i];
          for (int l = 0; l < n1; ++l) sum[l] += dlu * C0[a][j][l] + lu * C1[a][j][l];
        }
        const int *q = basis + (i * n1 + j) * n1;
        for (int l = 0; l < n1; ++l) r[q[l]] += sum[l];
      }
  }
}

// Runs the hexahedron pass with the sizes known at compile time when they
// are those of orders 1 to 4 with the rules of affine and trilinear cells.
bool hexVolume(DGCell *cell, int n, const ConservationLaw *law, bool needPoints, bool source,
               InviscidScratch &s) {
  const HexTables *T = hexTablesOf(cell);
  if (!T || T->n1 > 8 || T->ku > 8 || T->kv > 8 || T->kw > 8) return false;
  const bool cubic = T->ku == T->kv && T->kv == T->kw;
  switch (cubic ? T->n1 * 10 + T->ku : 0) {
  case 22: hexVolumePass<2, 2>(cell, n, law, needPoints, source, s, *T); break;
  case 33: hexVolumePass<3, 3>(cell, n, law, needPoints, source, s, *T); break;
  case 34: hexVolumePass<3, 4>(cell, n, law, needPoints, source, s, *T); break;
  case 44: hexVolumePass<4, 4>(cell, n, law, needPoints, source, s, *T); break;
  case 45: hexVolumePass<4, 5>(cell, n, law, needPoints, source, s, *T); break;
  case 55: hexVolumePass<5, 5>(cell, n, law, needPoints, source, s, *T); break;
  case 56: hexVolumePass<5, 6>(cell, n, law, needPoints, source, s, *T); break;
  default: hexVolumePass<0, 0>(cell, n, law, needPoints, source, s, *T); break;
  }
  return true;
}

}  // namespace

void ComputeVolumeContributionInviscid::operator()(DGCell *cell) {
  if (beginStep) {
    BeginTimeStep{beginTime}(cell);
    cell->tag = 1;
    cell->adaptTimeStep(cfl, smallestStep);
  }
  if (!cellOfLevel(cell, level)) return;
  if (zeroFirst > 0) ZeroRHS{zeroFirst, level}(cell);
  thread_local InviscidScratch scratch;
  const bool needPoints = law->volumeTermsNeedPoints();
  const bool source = law->hasSource();
  if (cell->planar && cell->nbFcts >= 4 && tensorVolume(cell, n, law, needPoints, source, scratch)) return;
  if (!cell->planar && hexVolume(cell, n, law, needPoints, source, scratch)) return;
  if (denseVolume(cell, n, law, needPoints, source, scratch)) return;
  withBasisSize(cell->nbFcts, [&](auto NB) {
    if (cell->planar)
      inviscidVolumePass<decltype(NB)::value, true>(cell, n, law, needPoints, source, scratch);
    else
      inviscidVolumePass<decltype(NB)::value, false>(cell, n, law, needPoints, source, scratch);
  });
}

void ComputeVolumeContributionViscous::operator()(DGCell *cell) {
  if (cellOfLevel(cell, level)) viscousVolumePass(cell, n, law, flux, grads, viscousFlux);
}

// ---------------------------------------------------------------------------
// Face integrals

namespace {

// The sums over the K points of one side of a face, field by field:
// acc[j n + f] = sum over k of phi_k[j] (JacW_k F_k[f]), the points in turn,
// with the n = 2 NP fields in pairs so that each basis value serves two.
template <int NB, int NP>
void pairedSideSums(const ptGaussInfo *gps, int K, const double *F, bool left, double *acc) {
  constexpr int n = 2 * NP;
  Pair s[NB][NP];
  for (int j = 0; j < NB; ++j)
    for (int q = 0; q < NP; ++q) s[j][q] = Pair{0.0, 0.0};
  for (int k = 0; k < K; ++k) {
    const double w = gps[k].JacW;
    const double *phi = left ? gps[k].fctsL.data() : gps[k].fctsR.data();
    Pair a[NP];
    for (int q = 0; q < NP; ++q) a[q] = Pair{w, w} * loadPair(F + k * n + 2 * q);
    for (int j = 0; j < NB; ++j) {
      const Pair p = Pair{phi[j], phi[j]};
      for (int q = 0; q < NP; ++q) s[j][q] += p * a[q];
    }
  }
  for (int j = 0; j < NB; ++j)
    for (int q = 0; q < NP; ++q) storePair(s[j][q], acc + j * n + 2 * q);
}

// Each field's residual of both sides takes the sum over all points of the
// side's basis times the weighted numerical flux: left -=, right +=, in the
// order of the fields, the left side first (as the field by field loop).
template <int NB, int NP>
void pairedFaceIntegrals(const ptGaussInfo *gps, int K, const double *fluxes, bool toLeft, bool toRight,
                         double *rhsL, double *rhsR) {
  constexpr int n = 2 * NP;
  double accL[NB * n], accR[NB * n];
  if (toLeft) pairedSideSums<NB, NP>(gps, K, fluxes, true, accL);
  if (toRight) pairedSideSums<NB, NP>(gps, K, fluxes + K * n, false, accR);
  for (int f = 0; f < n; ++f) {
    if (toLeft) {
      double *r = rhsL + f * NB;
      for (int j = 0; j < NB; ++j) r[j] -= accL[j * n + f];
    }
    if (toRight) {
      double *r = rhsR + f * NB;
      for (int j = 0; j < NB; ++j) r[j] += accR[j * n + f];
    }
  }
}

// The paired face integrals for 2, 4, 6 or 8 fields (false: other counts).
template <int NB>
bool pairedFaceIntegrals(const ptGaussInfo *gps, int K, int n, const double *fluxes, bool toLeft, bool toRight,
                         double *rhsL, double *rhsR) {
  switch (n) {
  case 2: pairedFaceIntegrals<NB, 1>(gps, K, fluxes, toLeft, toRight, rhsL, rhsR); return true;
  case 4: pairedFaceIntegrals<NB, 2>(gps, K, fluxes, toLeft, toRight, rhsL, rhsR); return true;
  case 6: pairedFaceIntegrals<NB, 3>(gps, K, fluxes, toLeft, toRight, rhsL, rhsR); return true;
  case 8: pairedFaceIntegrals<NB, 4>(gps, K, fluxes, toLeft, toRight, rhsL, rhsR); return true;
  default: return false;
  }
}

// The points of a face for its numerical fluxes in one call.
ConservationLaw::FacePoints facePointsOf(const DGBoundaryCell *face) {
  const ptGaussInfo &g0 = face->gaussPoints.front();
  ConservationLaw::FacePoints pts;
  pts.count = face->nbPtGauss();
  pts.normal = &g0.n;
  pts.point = &g0.x;
  pts.stride = sizeof(ptGaussInfo);
  pts.UL = g0.UL;
  pts.UR = g0.UR;
  pts.stateStride = 2 * face->stateSize;  // the face's state block (ensureStates)
  return pts;
}

// A face's steps before its fluxes (its levels, its states): false for a
// face the pass skips.
bool beginFace(const ComputeBoundaryContributions &pass, DGBoundaryCell *face) {
  if (pass.setLevel > 0) face->leftTag = face->rightTag = pass.setLevel;
  if (!faceOfLevel(face, pass.level)) return false;
  if (pass.stateSize > 0 && !face->interProc) computeFaceStates(face, pass.level, pass.t, pass.stateSize);
  return true;
}

// A face's fluxes and integrals. The numerical fluxes of an interior face
// may be given (those of its points on the left, K n, then on the right),
// taken with other faces' in one call.
void finishFace(const ComputeBoundaryContributions &pass, DGBoundaryCell *face, const double *given) {
  const double t = pass.t;
  const short level = pass.level;
  const int n = pass.n;
  const ConservationLaw *law = pass.law;
  const bool pointFluxes = pass.pointFluxes;
  const auto sides = dgpass::faceSides(face, level);
  // Plain copies: clang 14 does not let the lambda below capture structured
  // bindings.
  DGCell *const L = sides.L, *const R = sides.R;
  const int nL = sides.nL, nR = sides.nR;
  const bool toLeft = sides.toLeft, toRight = sides.toRight;
  SimulationState &state = GlobalParamManager::Instance()->parameters->state;
  const int tag = face->modelTag;
  state.region = tag;
  double FL[dgpass::kMaxFields];
  double FR[dgpass::kMaxFields];
  double *rhsL = L->rhs.data();
  double *rhsR = R ? R->rhs.data() : nullptr;
  // An interior face of a law whose fluxes do not depend on the point takes
  // the numerical fluxes of all its points in one call; a boundary face does
  // where the law has such a call for its tag.
  const int K = face->nbPtGauss();
  bool batched = false;
  thread_local std::vector<double> buffer;
  const double *fluxes = given;
  if (given && R && K > 0) {
    batched = true;
  } else if (K > 0 && (R ? !pointFluxes : law->nbFields() == n)) {
    if (buffer.size() < static_cast<std::size_t>(2 * K * n)) buffer.resize(2 * K * n);
    fluxes = buffer.data();
    const ConservationLaw::FacePoints pts = facePointsOf(face);
    if (R) {
      law->riemannFluxes(pts, buffer.data(), buffer.data() + K * n);
      batched = true;
    } else if (law->boundaryFluxes(pts, tag, t, buffer.data())) {
      batched = true;
      // The run state's point is left at the face's last one, as the calls
      // point by point leave it.
      const mPoint &x = face->gaussPoints[K - 1].x;
      state.X = x.x();
      state.Y = x.y();
      state.Z = x.z();
    }
  }
  if (batched && face->tensors && face->tensors->L && face->tensors->L->dims == 3) {
    // Hexahedral sides: from their products.
    const FaceTensor *tL = face->tensors->L, *tR = R ? face->tensors->R : tL;
    if (tR && tR->dims == 3 && tL->K == K && tL->n1 * tL->n1 * tL->n1 == nL &&
        (!R || tR->n1 * tR->n1 * tR->n1 == nR)) {
      tensorFaceIntegrals(face, *tL, *tR, n, fluxes, toLeft, toRight, rhsL, rhsR);
      return;
    }
  }
  auto integrate = [&](auto NB) {
    constexpr int kNB = decltype(NB)::value;
    const int mL = kNB ? kNB : nL, mR = kNB ? kNB : nR;
    if constexpr (kNB > 0) {
      if (batched) {
        // Each field's residual takes the sum over all points at once:
        // one pass over the residual per face and side.
        const ptGaussInfo *gps = face->gaussPoints.data();
        const FaceTensor *tL = face->tensors ? face->tensors->L : nullptr;
        // A boundary face has no right side to take the sum to: its left
        // products stand for the right ones, unused.
        const FaceTensor *tR = R ? (face->tensors ? face->tensors->R : nullptr) : tL;
        if (tL && tR && tL->K == K && tR->K == K && tL->n1 * tL->n1 == kNB && tR->n1 == tL->n1) {
          // Quadrilateral sides: from their products.
          tensorFaceIntegrals(face, *tL, *tR, n, fluxes, toLeft, toRight, rhsL, rhsR);
          return;
        }
        if (pairedFaceIntegrals<kNB>(gps, K, n, fluxes, toLeft, toRight, rhsL, rhsR)) return;
        for (int f = 0; f < n; ++f) {
          if (toLeft) {
            double acc[kNB] = {};
            for (int k = 0; k < K; ++k) {
              const double a = gps[k].JacW * fluxes[k * n + f];
              const double *phi = gps[k].fctsL.data();
              for (int j = 0; j < kNB; ++j) acc[j] += phi[j] * a;
            }
            double *r = rhsL + f * kNB;
            for (int j = 0; j < kNB; ++j) r[j] -= acc[j];
          }
          if (toRight) {
            double acc[kNB] = {};
            for (int k = 0; k < K; ++k) {
              const double a = gps[k].JacW * fluxes[(K + k) * n + f];
              const double *phi = gps[k].fctsR.data();
              for (int j = 0; j < kNB; ++j) acc[j] += phi[j] * a;
            }
            double *r = rhsR + f * kNB;
            for (int j = 0; j < kNB; ++j) r[j] += acc[j];
          }
        }
        return;
      }
    }
    for (int k = 0; k < K; ++k) {
      ptGaussInfo &gp = face->gaussPoints[k];
      const double w = gp.JacW;
      const double *fl = FL, *fr = FR;
      if (batched) {
        fl = fluxes + k * n;
        fr = fluxes + (K + k) * n;
      } else {
        state.X = gp.x.x();
        state.Y = gp.x.y();
        state.Z = gp.x.z();
        if (gp.UR)
          law->riemannSolver(gp.n, gp.x, gp.UL, gp.UR, FL, FR);
        else
          law->boundaryFlux(gp.n, tag, gp.x, gp.UL, FL, t);
      }
      if (toLeft) {
        const double *phi = gp.fctsL.data();
        for (int f = 0; f < n; ++f) {
          const double a = w * fl[f];
          double *r = rhsL + f * mL;
          for (int j = 0; j < mL; ++j) r[j] -= phi[j] * a;
        }
      }
      if (toRight && gp.UR) {
        const double *phi = gp.fctsR.data();
        for (int f = 0; f < n; ++f) {
          const double a = w * fr[f];
          double *r = rhsR + f * mR;
          for (int j = 0; j < mR; ++j) r[j] += phi[j] * a;
        }
      }
    }
  };
  if (!R || nR == nL)
    withBasisSize(nL, integrate);
  else
    integrate(std::integral_constant<int, 0>{});
}

}  // namespace

void ComputeBoundaryContributions::operator()(DGBoundaryCell *face) const {
  if (beginFace(*this, face)) finishFace(*this, face, nullptr);
}

// ---------------------------------------------------------------------------
// The analysis's residual operations

namespace {

// Runs a face pass over the list, asking ahead for the memory of the coming
// faces: each face lies apart and leads to its points, its elements and their
// cells, so the chain is started a few faces early (a hint only: the results
// do not depend on it).
template <class Pass>
void sweepFaces(DGBoundaryCellList &faces, Pass &pass) {
  const std::size_t count = faces.size();
  // The sides asked for by the face before: a cell asked for once is not
  // asked for again by the next face (the faces of one left cell come
  // together).
  const DGCell *lastL = nullptr, *lastR = nullptr;
  for (std::size_t i = 0; i < count; ++i) {
    if (i + 8 < count) {
      // The face's members up to its sides' products (its first 128 bytes).
      const DGBoundaryCell *f = faces[i + 8];
      const char *p = reinterpret_cast<const char *>(f);
      __builtin_prefetch(p);
      __builtin_prefetch(p + 64);
      __builtin_prefetch(reinterpret_cast<const char *>(&f->tensors + 1) - 1);
    }
    if (i + 4 < count) {
      const DGBoundaryCell *f = faces[i + 4];
      const char *points = reinterpret_cast<const char *>(f->gaussPoints.data());
      const std::size_t pointBytes = sizeof(ptGaussInfo) * f->gaussPoints.size();
      for (std::size_t b = 0; b < pointBytes; b += 64) __builtin_prefetch(points + b);
      DGCell *L, *R;
      f->sideCells(L, R);
      // Of a side the sweep reads its residual, basis size and coefficients.
      for (const DGCell *c : {L, R}) {
        if (!c) continue;
        __builtin_prefetch(&c->rhs);
        __builtin_prefetch(&c->coef0);
      }
    }
    if (i + 2 < count) {
      const DGBoundaryCell *f = faces[i + 2];
      // The face's states lie in one block; the sides' coefficients and
      // residuals in the store's slices: every line of them is asked for.
      const char *states = reinterpret_cast<const char *>(f->stateBlock.get());
      const std::size_t stateBytes = 2 * sizeof(double) * f->stateSize * f->gaussPoints.size();
      for (std::size_t b = 0; states && b < stateBytes; b += 64) __builtin_prefetch(states + b);
      DGCell *L, *R;
      f->sideCells(L, R);
      // Only hints: a face that the pass skips may lack a side.
      for (const DGCell *c : {L, R}) {
        if (!c || c == lastL || c == lastR) continue;
        const std::size_t bytes = sizeof(double) * c->rhs.size();
        const char *c0 = reinterpret_cast<const char *>(c->coef0);
        const char *r = reinterpret_cast<const char *>(c->rhs.data());
        for (std::size_t b = 0; b < bytes; b += 64) {
          __builtin_prefetch(c0 + b);
          __builtin_prefetch(r + b);
        }
      }
      lastL = L;
      lastR = R;
    }
    pass(faces[i]);
  }
}

// The face pass for a law whose interior fluxes run in packs of points
// (eulerlanes): an interior face whose points would leave lanes idle waits
// for the next such faces, and their fluxes are taken together; the faces'
// integrals then follow in the list's order, so every residual takes its
// sums in the same order as face by face. Any other face first finishes
// those waiting. finish() ends the sweep.
class PackedFacePass {
public:
  explicit PackedFacePass(const ComputeBoundaryContributions &pass) : pass(pass) {}
  void operator()(DGBoundaryCell *face) {
    if (!beginFace(pass, face)) return;
    DGCell *L, *R;
    face->sideCells(L, R);
    const int K = face->nbPtGauss();
    if (!R || K % eulerlanes::kHalfPack == 0 || 2 * K * pass.n > kSlot) {
      finish();
      finishFace(pass, face, nullptr);
      return;
    }
    faces[count] = face;
    points[count] = facePointsOf(face);
    total += K;
    if (++count == kMaxFaces || total % eulerlanes::kHalfPack == 0) finish();
  }
  void finish() {
    if (count == 0) return;
    double *FL[kMaxFaces], *FR[kMaxFaces];
    for (int i = 0; i < count; ++i) {
      FL[i] = fluxes[i];
      FR[i] = FL[i] + points[i].count * pass.n;
    }
    eulerlanes::facesFluxes(*pass.law, points, count, FL, FR);
    for (int i = 0; i < count; ++i) finishFace(pass, faces[i], FL[i]);
    count = 0;
    total = 0;
  }

private:
  static constexpr int kMaxFaces = eulerlanes::kLanes;
  // Room for a face's fluxes (both sides): a face with more waits for none.
  static constexpr int kSlot = 2 * 32 * 8;
  const ComputeBoundaryContributions &pass;
  DGBoundaryCell *faces[kMaxFaces];
  ConservationLaw::FacePoints points[kMaxFaces];
  int count = 0, total = 0;
  double fluxes[kMaxFaces][kSlot];
};

}  // namespace

void DGAnalysis::computeSolutionsOnBothSides(double t, bool withGradients, int level,
                                             DGBoundaryCellList &faceList, bool partitionFacesOnly) {
  const ConservationLaw *law = GlobalParamManager::Instance()->law;
  if (!law) throw std::string("face states: no conservation law");
  const int n = law->nbFields();
  const int size = law->needTheHigherOrderGradients() ? 4 * n : n;
  const short l = static_cast<short>(level);
  // Without remote values anywhere there is no partition face: the sweeps
  // for them would find nothing.
  const bool partitioned = InterProcData::live() > 0;
  ComputeSolutionOnBothSides states{t, withGradients, l, n, size, partitionFacesOnly};
  if (!partitionFacesOnly || partitioned) applyToAll(faceList, states);
  if (withGradients)
    comm_GradsUl(t, l);
  else
    comm_Ul(t, l);
  ComputeSolutionOnRightSide_InParallel remote{t, withGradients, n, l, size};
  if (partitioned) applyToAll(faceList, remote);
  KORA::ParUtil::Instance()->Barrier(__LINE__, __FILE__);
}

void DGAnalysis::cSpatialOperator(double t, short level, DGCellList &cellList,
                                  DGBoundaryCellList &faceList) {
  const ConservationLaw *law = GlobalParamManager::Instance()->law;
  if (!law) throw std::string("residual: no conservation law");
  const int n = law->nbFields();
  const bool lifting = law->needTheHigherOrderGradients();
  // A level due on every face is set by the face sweep below, unless a pass
  // reads the faces' levels before it (lifting, partition faces) or the sweep
  // runs over other faces.
  short due = 0;
  std::swap(due, faceLevelDue);
  if (due > 0 && (lifting || InterProcData::live() > 0 || &faceList != &boundaryCells)) {
    setFaceLevels(due);
    due = 0;
  }
  // Without gradient lifting the face states are needed by the face integrals
  // alone: those of local faces are computed there, in the same sweep over
  // the faces. Partition faces take theirs (and the remote values) first.
  computeSolutionsOnBothSides(t, false, level, faceList, !lifting);
  ZeroRHS zero{lifting ? 2 * n : n, level};
  // Without lifting the inviscid volume pass clears each cell's residual
  // itself, just before it sums into it.
  const bool viscous = law->isViscous();
  if (lifting || viscous) applyToAll(cellList, zero);
  if (lifting) {
    ComputeHigherOrderGradients lift{t, level, n};
    applyToAll(faceList, lift);
    ComputeHigherOrderGradientsCorrection correct{n, 2};
    applyToAll(cellList, correct);
    applyToAll(cellList, zero);
  }
  if (viscous) {
    // The scratch arrays are large: keep the pass object off the stack.
    static ComputeVolumeContributionViscous volume;
    volume.n = n;
    volume.level = level;
    volume.law = law;
    applyToAll(cellList, volume);
  } else {
    static ComputeVolumeContributionInviscid volume;
    volume.n = n;
    volume.level = level;
    volume.law = law;
    volume.zeroFirst = lifting ? 0 : zero.n;
    // A step's beginning due here (see localTimeStepping), unless the passes
    // before read the cells' levels.
    volume.beginStep = beginDue.due && !lifting && &cellList == &cells;
    volume.beginTime = beginDue.t;
    volume.cfl = beginDue.cfl;
    volume.smallestStep = beginDue.smallest;
    dgpass::sweepCells<false>(cellList, volume);
    if (volume.beginStep) {
      beginDue.smallest = volume.smallestStep;
      beginDue.due = false;
    }
    volume.beginStep = false;
  }
  if (lifting) computeSolutionsOnBothSides(t, true, level, faceList);
  ComputeBoundaryContributions faces{t, level, n, law, lifting ? 0 : n, law->volumeTermsNeedPoints(), due};
  if (!faces.pointFluxes && eulerlanes::packedFluxes(*law)) {
    PackedFacePass packed(faces);
    sweepFaces(faceList, packed);
    packed.finish();
  } else {
    sweepFaces(faceList, faces);
  }
}
