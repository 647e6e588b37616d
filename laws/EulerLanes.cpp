// Lane-wise Euler fluxes (see EulerLanes.h). Every formula below is the
// per-point solver's (EulerRiemann.cpp, EulerRoe.cpp, Euler.cpp), written
// with the same operations in the same order: keep them in step.

#include "EulerLanes.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace eulerlanes {

namespace {

static_assert(kLanes == 4, "a pack holds four lanes");

// A pack of lanes as H vectors of two doubles (the width every x86-64 has;
// other machines get the same operations from the compiler, lane by lane):
// four lanes in two vectors, or two in one for a face's last points when
// no more are left. Each operator is the scalar one in every lane, so the
// results are. (Four doubles in one AVX2 vector, in a copy of the kernels
// chosen at load time, made them no faster: a pass waits on its divisions
// and square roots, and the two vectors of a pack hide each other's waits.)
typedef double D2 __attribute__((vector_size(16)));
typedef std::int64_t M2 __attribute__((vector_size(16)));

#define DG_LANES_INLINE [[gnu::always_inline]] inline
#define DG_LANES_FRIEND [[gnu::always_inline]] friend

template <int H>
struct Pair;
template <>
struct Pair<1> {
  D2 a;
};
template <>
struct Pair<2> {
  D2 a, b;
};
template <int H>
struct MaskPair;
template <>
struct MaskPair<1> {
  M2 a;
};
template <>
struct MaskPair<2> {
  M2 a, b;
};

// Vector k of a pack or mask.
template <int k, class T>
DG_LANES_INLINE const auto &part(const T &x) {
  if constexpr (k == 0)
    return x.a;
  else
    return x.b;
}

// A pack or mask whose vector h is expr, for h = 0 to H - 1.
#define DG_LANES_MAP(R, expr)          \
  R r;                                  \
  {                                     \
    auto &out = r.a;                    \
    constexpr int h = 0;                \
    out = expr;                         \
  }                                     \
  if constexpr (H == 2) {               \
    auto &out = r.b;                    \
    constexpr int h = 1;                \
    out = expr;                         \
  }                                     \
  return r

template <int H>
struct Mk : MaskPair<H> {
  DG_LANES_FRIEND Mk operator&(const Mk &x, const Mk &y) { DG_LANES_MAP(Mk, part<h>(x) & part<h>(y)); }
  DG_LANES_FRIEND Mk operator|(const Mk &x, const Mk &y) { DG_LANES_MAP(Mk, part<h>(x) | part<h>(y)); }
  DG_LANES_FRIEND Mk operator~(const Mk &x) { DG_LANES_MAP(Mk, ~part<h>(x)); }
};

template <int H>
struct P : Pair<H> {
  P() = default;
  P(double s) {  // NOLINT: a scalar stands for itself in every lane
    this->a = D2{s, s};
    if constexpr (H == 2) this->b = D2{s, s};
  }
  DG_LANES_FRIEND P operator+(const P &x, const P &y) { DG_LANES_MAP(P, part<h>(x) + part<h>(y)); }
  DG_LANES_FRIEND P operator-(const P &x, const P &y) { DG_LANES_MAP(P, part<h>(x) - part<h>(y)); }
  DG_LANES_FRIEND P operator*(const P &x, const P &y) { DG_LANES_MAP(P, part<h>(x) * part<h>(y)); }
  DG_LANES_FRIEND P operator/(const P &x, const P &y) { DG_LANES_MAP(P, part<h>(x) / part<h>(y)); }
  DG_LANES_FRIEND P operator-(const P &x) { DG_LANES_MAP(P, -part<h>(x)); }
  DG_LANES_FRIEND Mk<H> operator<(const P &x, const P &y) { DG_LANES_MAP(Mk<H>, part<h>(x) < part<h>(y)); }
  DG_LANES_FRIEND Mk<H> operator>(const P &x, const P &y) { DG_LANES_MAP(Mk<H>, part<h>(x) > part<h>(y)); }
  DG_LANES_FRIEND Mk<H> operator>=(const P &x, const P &y) { DG_LANES_MAP(Mk<H>, part<h>(x) >= part<h>(y)); }
  DG_LANES_FRIEND Mk<H> operator!=(const P &x, const P &y) { DG_LANES_MAP(Mk<H>, part<h>(x) != part<h>(y)); }
  DG_LANES_FRIEND Mk<H> operator==(const P &x, const P &y) { DG_LANES_MAP(Mk<H>, part<h>(x) == part<h>(y)); }
  DG_LANES_FRIEND P fabs(const P &x) {
    const M2 magnitude = {INT64_MAX, INT64_MAX};
    DG_LANES_MAP(P, (D2)((M2)part<h>(x) & magnitude));
  }
  // std::sqrt keeps a call per value for errno's sake, which the vector
  // instruction (rounding the same) does without.
  DG_LANES_FRIEND P sqrt(const P &x) {
#if defined(__SSE2__)
    DG_LANES_MAP(P, (D2)_mm_sqrt_pd((__m128d)part<h>(x)));
#else
    DG_LANES_MAP(P, (D2{std::sqrt(part<h>(x)[0]), std::sqrt(part<h>(x)[1])}));
#endif
  }
};

// (Scalars stand for themselves in every lane here too.)
template <int H>
using Lanes = std::type_identity_t<P<H>>;

// m ? x : y, lane by lane.
template <int H>
DG_LANES_INLINE P<H> select(const Mk<H> &m, const Lanes<H> &x, const Lanes<H> &y) {
  DG_LANES_MAP(P<H>, (D2)(((M2)part<h>(x) & part<h>(m)) | ((M2)part<h>(y) & ~part<h>(m))));
}
// std::max(x, y) and the first of the largest of std::max({x, y, z}).
template <int H>
DG_LANES_INLINE P<H> max(const P<H> &x, const Lanes<H> &y) {
  return select(x < y, y, x);
}
template <int H>
DG_LANES_INLINE P<H> max(const Lanes<H> &x, const P<H> &y, const P<H> &z) {
  return max(max(x, y), z);
}

template <int H>
DG_LANES_INLINE P<H> load(const double *v) {
  P<H> r;
  std::memcpy(&r.a, v, sizeof r.a);
  if constexpr (H == 2) std::memcpy(&r.b, v + 2, sizeof r.b);
  return r;
}
template <int H>
DG_LANES_INLINE void store(const P<H> &x, double *v) {
  std::memcpy(v, &x.a, sizeof x.a);
  if constexpr (H == 2) std::memcpy(v + 2, &x.b, sizeof x.b);
}
// Field j of the lanes' arrays v[0..], gathered straight into the vectors.
template <int H>
DG_LANES_INLINE P<H> gather(const double *const *v, int j) {
  P<H> r;
  r.a = D2{v[0][j], v[1][j]};
  if constexpr (H == 2) r.b = D2{v[2][j], v[3][j]};
  return r;
}
template <int H>
DG_LANES_INLINE bool any(const Mk<H> &m) {
  M2 o = m.a;
  if constexpr (H == 2) o = o | m.b;
  return (o[0] | o[1]) != 0;
}
template <int H>
DG_LANES_INLINE bool lane(const Mk<H> &m, int i) {
  if constexpr (H == 2)
    if (i >= 2) return m.b[i - 2] != 0;
  return m.a[i] != 0;
}

constexpr double kPressureFloor = 1e-14;
constexpr int kMaxIterations = 12;
constexpr double kTolerance = 1e-12;

[[gnu::noinline, gnu::cold]] void reportNoConvergence(double err) {
  std::cout << "Riemann solver failed to converge in " << kMaxIterations << "iterations\n";
  std::cout << "Relative error is " << err << "\n";
}

// Lanes in use: the first count.
template <int H>
DG_LANES_INLINE Mk<H> used(int count) {
  const double index[kLanes] = {0, 1, 2, 3};
  return load<H>(index) < P<H>(static_cast<double>(count));
}

// Euler::riemann in every lane (Newton passes for the lanes in use only),
// with its algebra: see there.
template <int H>
struct RiemannIn {
  using P = eulerlanes::P<H>;
  using Mk = eulerlanes::Mk<H>;
  P rhoL, tauL, uL, pL, rhoR, tauR, uR, pR;  // tau = 1 / rho, as 1.0 / rho gives it
  Mk used;
};
template <int H>
struct RiemannOut {
  using P = eulerlanes::P<H>;
  using Mk = eulerlanes::Mk<H>;
  Mk fail;
  Mk left;  // the upwind side, for the tangential velocities
  P rho, un, p, iterations, change, previous;  // relative error: change / previous
};

template <int H>
DG_LANES_INLINE RiemannOut<H> riemannCore(const double g, const RiemannIn<H> &in, int count) {
  using P = eulerlanes::P<H>;
  using Mk = eulerlanes::Mk<H>;
  const P pL = in.pL, pR = in.pR, uL = in.uL, uR = in.uR;
  const P rhoL = in.rhoL, rhoR = in.rhoR, tauL = in.tauL, tauR = in.tauR;
  Mk fail = (pL * rhoL < 0.0) | (pR * rhoR < 0.0);
  const P ZL = sqrt(g * pL * rhoL);
  const P ZR = sqrt(g * pR * rhoR);

  P ps = pL + ((pR - pL) - ZR * (uR - uL)) * ZL / (ZL + ZR);
  ps = select(ps < kPressureFloor, kPressureFloor, ps);

  const double shock = (g + 1.0) / (2.0 * g);
  const P kL = shock / pL, kR = shock / pR;
  P WL = ZL, WR = ZR, iWL = 0.0, iWR = 0.0, change = 0.0, previous = 1.0, it = 0.0;
  Mk active = ~fail & in.used;
  for (int pass = 1; pass <= kMaxIterations && any(active); ++pass) {
    const P dpL = ps - pL, dpR = ps - pR;
    const P aL = 1.0 + dpL * kL;
    const P aR = 1.0 + dpR * kR;
    const Mk bad = (aL < 0.0) | (aR < 0.0);
    const P wl = ZL * sqrt(aL);
    const P wr = ZR * sqrt(aR);
    const P iwl = 1.0 / wl, iwr = 1.0 / wr;
    const P qL = 4.0 * tauL * wl * wl, qR = 4.0 * tauR * wr * wr;
    const P AL = qL * wl, BL = qL - (g + 1.0) * dpL;
    const P AR = qR * wr, BR = qR - (g + 1.0) * dpR;
    const P usL = uL - dpL * iwl;
    const P usR = uR + dpR * iwr;
    P pn = ps + (usR - usL) * (-(AL * AR)) / (AR * BL + AL * BR);
    pn = select(pn < kPressureFloor, kPressureFloor, pn);
    const P c = fabs(pn - ps);
    const Mk converged = c < kTolerance * ps;
    // A lane that met a negative shock factor fails; one that has
    // converged or failed keeps its values.
    const Mk update = active & ~bad;
    fail = fail | (active & bad);
    WL = select(update, wl, WL);
    WR = select(update, wr, WR);
    iWL = select(update, iwl, iWL);
    iWR = select(update, iwr, iWR);
    change = select(update, c, change);
    previous = select(update, ps, previous);
    ps = select(update, pn, ps);
    it = select(update, P(pass), it);
    active = update & ~converged;
  }
  {
    const Mk unconverged = ~fail & ~(change < kTolerance * previous);
    if (any(unconverged)) {
      double c[kLanes], q[kLanes];
      store(change, c);
      store(previous, q);
      for (int i = 0; i < count; ++i)
        if (lane(unconverged, i)) reportNoConvergence(c[i] / q[i]);
    }
  }

  RiemannOut<H> out;
  const P us = 0.5 * ((uR + (ps - pR) * iWR) + (uL - (ps - pL) * iWL));
  // Upwind side: left when the interface moves right (or stands still).
  const Mk left = us >= 0.0;
  const P s = select(left, 1.0, -1.0);
  const P p0 = select(left, pL, pR);
  const P u0 = select(left, uL, uR);
  const P rho0 = select(left, rhoL, rhoR);
  const P tau0 = select(left, tauL, tauR);
  const P W0 = select(left, WL, WR);
  const P iW0 = select(left, iWL, iWR);
  const P Z0 = select(left, ZL, ZR);
  out.left = left;

  fail = fail | (p0 * tau0 < 0.0);
  const P c0 = Z0 * fabs(tau0);  // sqrt(g p0 tau0)
  const P taus = max((g - 1.0) / (g + 1.0) * tau0, tau0 - (ps - p0) * iW0 * iW0);
  fail = fail | (ps * taus < 0.0);
  const P cs = sqrt(g * ps * taus);
  const P rhos = 1.0 / taus;

  const Mk shockSide = ps >= p0;
  const P sOut = select(shockSide, W0 * tau0 - s * u0, c0 - s * u0);
  const P sIn = select(shockSide, sOut, cs - s * us);

  // Inside the fan the blend (taken only where some lane needs it), then the
  // star state where the inner wave moves right, the upwind state where the
  // outer one moves left (the last test wins).
  const Mk outside = sOut < 0.0;
  const Mk star = sIn >= 0.0;
  P rho = rhos, un = us, p = ps;
  const Mk fan = ~outside & ~star;
  if (any(fan)) {
    const P denom = max(kPressureFloor, sOut + sIn, sOut - sIn);
    const P frac = 0.5 * (1.0 + (sOut + sIn) / denom);
    rho = select(fan, frac * rhos + (1.0 - frac) * rho0, rho);
    un = select(fan, frac * us + (1.0 - frac) * u0, un);
    p = select(fan, frac * ps + (1.0 - frac) * p0, p);
  }
  out.rho = select(outside, rho0, rho);
  out.un = select(outside, u0, un);
  out.p = select(outside, p0, p);
  out.fail = fail;
  out.iterations = it;
  out.change = change;
  out.previous = previous;
  return out;
}

// Component c of the lanes' normals.
template <int H>
DG_LANES_INLINE P<H> normals(const FaceLanes &f, int c) {
  P<H> r;
  r.a = D2{(*f.n[0])(c), (*f.n[1])(c)};
  if constexpr (H == 2) r.b = D2{(*f.n[2])(c), (*f.n[3])(c)};
  return r;
}

template <int H>
void solveRiemannIn(double gamma, RiemannLanes &r) {
  RiemannIn<H> in;
  double v[6][kLanes];
  for (int i = 0; i < kLanes; ++i) {
    const int k = i < r.count ? i : 0;
    v[0][i] = r.rhoL[k], v[1][i] = r.uL[k], v[2][i] = r.pL[k];
    v[3][i] = r.rhoR[k], v[4][i] = r.uR[k], v[5][i] = r.pR[k];
  }
  in.rhoL = load<H>(v[0]), in.uL = load<H>(v[1]), in.pL = load<H>(v[2]);
  in.rhoR = load<H>(v[3]), in.uR = load<H>(v[4]), in.pR = load<H>(v[5]);
  in.tauL = 1.0 / in.rhoL, in.tauR = 1.0 / in.rhoR;
  in.used = used<H>(r.count);
  const RiemannOut<H> out = riemannCore(gamma, in, r.count);
  double it[kLanes] = {};
  store(out.rho, r.rho);
  store(out.un, r.un);
  store(out.p, r.p);
  store(out.change / out.previous, r.error);
  store(out.iterations, it);
  for (int i = 0; i < r.count; ++i) {
    r.ok[i] = !lane(out.fail, i);
    r.iterations[i] = static_cast<int>(it[i]);
    r.ut1[i] = lane(out.left, i) ? r.ut1L[i] : r.ut1R[i];
    r.ut2[i] = lane(out.left, i) ? r.ut2L[i] : r.ut2R[i];
  }
}

template <int H>
void exact2d(double g, const FaceLanes &f, double F[4][kLanes]) {
  using P = eulerlanes::P<H>;
  using Mk = eulerlanes::Mk<H>;
  const P nx = normals<H>(f, 0), ny = normals<H>(f, 1);
  const P L0 = gather<H>(f.UL, 0), L1 = gather<H>(f.UL, 1), L2 = gather<H>(f.UL, 2), L3 = gather<H>(f.UL, 3);
  const P R0 = gather<H>(f.UR, 0), R1 = gather<H>(f.UR, 1), R2 = gather<H>(f.UR, 2), R3 = gather<H>(f.UR, 3);

  // Euler2dExactRiemann::riemannSolver: the states in the face's frame
  // (normal, tangent (ny, -nx)).
  RiemannIn<H> in;
  in.tauL = 1.0 / L0, in.tauR = 1.0 / R0;
  const P uL = L1 * in.tauL, vL = L2 * in.tauL;
  const P uR = R1 * in.tauR, vR = R2 * in.tauR;
  in.pL = (g - 1.0) * (L3 - 0.5 * (L1 * uL + L2 * vL));
  in.pR = (g - 1.0) * (R3 - 0.5 * (R1 * uR + R2 * vR));
  in.rhoL = L0;
  in.uL = uL * nx + vL * ny;
  const P utL = uL * ny - vL * nx;
  in.rhoR = R0;
  in.uR = uR * nx + vR * ny;
  const P utR = uR * ny - vR * nx;
  in.used = used<H>(f.count);
  const RiemannOut<H> r = riemannCore(g, in, f.count);

  const P ut = select(r.left, utL, utR);
  const P rho = r.rho, un = r.un, p = r.p;
  // The physical normal flux of the face state (velocity (u, w), pressure
  // p, energy E), as Euler2d::Fi of it dotted with the normal.
  const P u = un * nx + ut * ny, w = un * ny - ut * nx;
  const P ru = rho * u, rv = rho * w;
  const P E = p * (1.0 / (g - 1.0)) + 0.5 * rho * (un * un + ut * ut);
  const P f0 = ru * nx + rv * ny;
  const P f1 = (ru * u + p) * nx + ru * w * ny;
  const P f2 = ru * w * nx + (rv * w + p) * ny;
  const P f3 = u * (E + p) * nx + w * (E + p) * ny;
  // A failed solve: the pressure of a side on a wall.
  const P pw = select(in.pL > 0.0, in.pL, select(in.pR > 0.0, in.pR, 0.0));
  const Mk ok = ~r.fail;
  store(select(ok, f0, 0.0), F[0]);
  store(select(ok, f1, pw * nx), F[1]);
  store(select(ok, f2, pw * ny), F[2]);
  store(select(ok, f3, 0.0), F[3]);
}

}  // namespace

void solveRiemann(double gamma, RiemannLanes &r) {
  if (r.count <= 2)
    solveRiemannIn<1>(gamma, r);
  else
    solveRiemannIn<2>(gamma, r);
}

void exactFluxes2d(double g, const FaceLanes &f, double F[4][kLanes]) {
  if (f.count <= 2)
    exact2d<1>(g, f, F);
  else
    exact2d<2>(g, f, F);
}

namespace {

template <int H>
void roe2d(double gamma, const FaceLanes &f, double F[4][kLanes]) {
  using P = eulerlanes::P<H>;
  using Mk = eulerlanes::Mk<H>;
  const P nx = normals<H>(f, 0), ny = normals<H>(f, 1);
  const P L0 = gather<H>(f.UL, 0), L1 = gather<H>(f.UL, 1), L2 = gather<H>(f.UL, 2), L3 = gather<H>(f.UL, 3);
  const P R0 = gather<H>(f.UR, 0), R1 = gather<H>(f.UR, 1), R2 = gather<H>(f.UR, 2), R3 = gather<H>(f.UR, 3);

  const P rL = L0, rR = R0;
  const P iL = 1.0 / rL, iR = 1.0 / rR;
  const P uL = L1 * iL, vL = L2 * iL;
  const P uR = R1 * iR, vR = R2 * iR;
  const P pL = (gamma - 1.0) * (L3 - 0.5 * (L1 * uL + L2 * vL));
  const P pR = (gamma - 1.0) * (R3 - 0.5 * (R1 * uR + R2 * vR));
  const P HL = (L3 + pL) * iL, HR = (R3 + pR) * iR;

  const P sL = sqrt(rL), sR = sqrt(rR);
  const P inv = 1.0 / (sL + sR);
  const P rh = sL * sR;
  const P uh = (sL * uL + sR * uR) * inv;
  const P vh = (sL * vL + sR * vR) * inv;
  const P Hh = (sL * HL + sR * HR) * inv;
  const P qh = 0.5 * (uh * uh + vh * vh);
  const P unh = uh * nx + vh * ny;

  // The waves, taken in every lane; a lane whose Roe sound speed is
  // imaginary keeps no dissipation.
  const Mk bad = Hh - qh < 0.0;
  const P c2 = (gamma - 1.0) * (Hh - qh);
  const P c = sqrt(c2);
  const P ic = 1.0 / c;
  const P dr = rR - rL, du = uR - uL, dv = vR - vL, dp = pR - pL;
  const P dun = nx * du + ny * dv;
  const P l0 = fabs(unh);
  const P lp = fabs(unh + c);
  const P lm = fabs(unh - c);
  const P a0 = dr - dp * ic * ic;
  const P a1 = ny * du - nx * dv;
  const P dpc = dp * ic / rh;
  const P a2 = dun + dpc;
  const P a3 = -dun + dpc;
  const P k = 0.5 * rh * ic;
  P D0 = 0.0, D1 = 0.0, D2v = 0.0, D3 = 0.0;
  const P w0 = l0 * a0;
  D0 = D0 + w0;
  D1 = D1 + w0 * uh;
  D2v = D2v + w0 * vh;
  D3 = D3 + w0 * qh;
  const P w1 = l0 * a1 * rh;
  D1 = D1 + w1 * ny;
  D2v = D2v - w1 * nx;
  D3 = D3 + w1 * (uh * ny - vh * nx);
  const P w2 = lp * a2 * k;
  D0 = D0 + w2;
  D1 = D1 + w2 * (uh + c * nx);
  D2v = D2v + w2 * (vh + c * ny);
  D3 = D3 + w2 * (Hh + c * unh);
  const P w3 = lm * a3 * k;
  D0 = D0 + w3;
  D1 = D1 + w3 * (uh - c * nx);
  D2v = D2v + w3 * (vh - c * ny);
  D3 = D3 + w3 * (Hh - c * unh);
  D0 = select(bad, 0.0, D0);
  D1 = select(bad, 0.0, D1);
  D2v = select(bad, 0.0, D2v);
  D3 = select(bad, 0.0, D3);

  // Normal fluxes of both sides: (rho un, rho u un + p nx, rho v un + p ny, (E + p) un).
  const P unL = uL * nx + vL * ny, unR = uR * nx + vR * ny;
  const P fn0 = L0 * unL + R0 * unR;
  const P fn1 = L1 * unL + pL * nx + R1 * unR + pR * nx;
  const P fn2 = L2 * unL + pL * ny + R2 * unR + pR * ny;
  const P fn3 = (L3 + pL) * unL + (R3 + pR) * unR;
  store(0.5 * (fn0 - D0), F[0]);
  store(0.5 * (fn1 - D1), F[1]);
  store(0.5 * (fn2 - D2v), F[2]);
  store(0.5 * (fn3 - D3), F[3]);
  if (any(bad))
    for (int i = 0; i < f.count; ++i)
      if (lane(bad, i)) std::printf("unphysical data's found on %f %f %f\n", f.x[i]->x(), f.x[i]->y(), f.x[i]->z());
}

// Gathers the 3-D states (five fields) and normals of the lanes.
template <int H>
struct Gather3d {
  P<H> L[5], R[5], nx, ny, nz;
  explicit Gather3d(const FaceLanes &f) {
    for (int j = 0; j < 5; ++j) {
      L[j] = gather<H>(f.UL, j);
      R[j] = gather<H>(f.UR, j);
    }
    nx = normals<H>(f, 0);
    ny = normals<H>(f, 1);
    nz = normals<H>(f, 2);
  }
};

// Divides by the length unless it is 0 (mVector::normalize).
template <int H>
DG_LANES_INLINE void normalize(P<H> &x, P<H> &y, P<H> &z) {
  const P<H> l = sqrt(x * x + y * y + z * z);
  const Mk<H> nonzero = l != 0.0;
  x = select(nonzero, x / l, x);
  y = select(nonzero, y / l, y);
  z = select(nonzero, z / l, z);
}

template <int H>
void exact3d(double g, const FaceLanes &f, double F[5][kLanes]) {
  using P = eulerlanes::P<H>;
  using Mk = eulerlanes::Mk<H>;
  const Gather3d<H> s(f);
  const P nx = s.nx, ny = s.ny, nz = s.nz;
  // Euler3d::riemannSolver's frame: a = x, y or z as the normal's x or y
  // component is 0; t1 = a x n, t2 = n x t1, each normalised.
  const Mk xZero = nx == 0.0, yZero = ny == 0.0;
  const P ax = select(xZero, 1.0, 0.0);
  const P ay = select(xZero, 0.0, select(yZero, 1.0, 0.0));
  const P az = select(xZero, 0.0, select(yZero, 0.0, 1.0));
  P t1x = ay * nz - az * ny, t1y = az * nx - ax * nz, t1z = ax * ny - ay * nx;
  normalize(t1x, t1y, t1z);
  P t2x = ny * t1z - nz * t1y, t2y = nz * t1x - nx * t1z, t2z = nx * t1y - ny * t1x;
  normalize(t2x, t2y, t2z);

  const P *UL = s.L, *UR = s.R;
  RiemannIn<H> in;
  in.tauL = 1.0 / UL[0], in.tauR = 1.0 / UR[0];
  const P vxL = UL[1] * in.tauL, vyL = UL[2] * in.tauL, vzL = UL[4] * in.tauL;
  const P vxR = UR[1] * in.tauR, vyR = UR[2] * in.tauR, vzR = UR[4] * in.tauR;
  in.pL = (g - 1.0) * (UL[3] - 0.5 * (UL[1] * vxL + UL[2] * vyL + UL[4] * vzL));
  in.pR = (g - 1.0) * (UR[3] - 0.5 * (UR[1] * vxR + UR[2] * vyR + UR[4] * vzR));
  in.rhoL = UL[0];
  in.uL = vxL * nx + vyL * ny + vzL * nz;
  const P ut1L = vxL * t1x + vyL * t1y + vzL * t1z;
  const P ut2L = vxL * t2x + vyL * t2y + vzL * t2z;
  in.rhoR = UR[0];
  in.uR = vxR * nx + vyR * ny + vzR * nz;
  const P ut1R = vxR * t1x + vyR * t1y + vzR * t1z;
  const P ut2R = vxR * t2x + vyR * t2y + vzR * t2z;
  in.used = used<H>(f.count);
  const RiemannOut<H> r = riemannCore(g, in, f.count);

  const P a = select(r.left, ut1L, ut1R), b = select(r.left, ut2L, ut2R);
  const P rho = r.rho, un = r.un, p = r.p;
  // The velocity V = n un + t1 ut1 + t2 ut2 of the face state and the
  // state's physical normal flux, as Euler3d::Fi of it dotted with the normal.
  const P u = nx * un + t1x * a + t2x * b;
  const P v = ny * un + t1y * a + t2y * b;
  const P w = nz * un + t1z * a + t2z * b;
  const P ru = rho * u, rv = rho * v, rw = rho * w;
  const P E = p * (1.0 / (g - 1.0)) + 0.5 * rho * (un * un + a * a + b * b);
  const Mk ok = ~r.fail;
  store(select(ok, ru * nx + rv * ny + rw * nz, 0.0), F[0]);
  store(select(ok, (ru * u + p) * nx + ru * v * ny + ru * w * nz, 0.0), F[1]);
  store(select(ok, ru * v * nx + (rv * v + p) * ny + rv * w * nz, 0.0), F[2]);
  store(select(ok, u * (E + p) * nx + v * (E + p) * ny + w * (E + p) * nz, 0.0), F[3]);
  store(select(ok, ru * w * nx + rv * w * ny + (rw * w + p) * nz, 0.0), F[4]);
}

template <int H>
void roe3d(double gamma, const FaceLanes &f, double F[5][kLanes]) {
  using P = eulerlanes::P<H>;
  using Mk = eulerlanes::Mk<H>;
  const Gather3d<H> s(f);
  const P nx = s.nx, ny = s.ny, nz = s.nz;
  const double g1 = gamma - 1.0;
  const P *UL = s.L, *UR = s.R;

  const P rL = UL[0], rR = UR[0];
  const P uL = UL[1] / rL, vL = UL[2] / rL, wL = UL[4] / rL;
  const P uR = UR[1] / rR, vR = UR[2] / rR, wR = UR[4] / rR;
  const P pL = (gamma - 1.0) * (UL[3] - (UL[1] * UL[1] + UL[2] * UL[2] + UL[4] * UL[4]) / (2.0 * UL[0]));
  const P pR = (gamma - 1.0) * (UR[3] - (UR[1] * UR[1] + UR[2] * UR[2] + UR[4] * UR[4]) / (2.0 * UR[0]));
  const P q2L = uL * uL + vL * vL + wL * wL, q2R = uR * uR + vR * vR + wR * wR;
  const P HL = 0.5 * q2L + gamma * pL / (g1 * rL);
  const P HR = 0.5 * q2R + gamma * pR / (g1 * rR);
  const P unL = uL * nx + vL * ny + wL * nz;
  const P unR = uR * nx + vR * ny + wR * nz;

  // Fields in the order (rho, rho u, rho v, rho w, E) until the end.
  P C[5];
  C[0] = 0.5 * (rL * unL + rR * unR);
  C[1] = 0.5 * (rL * unL * uL + rR * unR * uR) + 0.5 * (pL + pR) * nx;
  C[2] = 0.5 * (rL * unL * vL + rR * unR * vR) + 0.5 * (pL + pR) * ny;
  C[3] = 0.5 * (rL * unL * wL + rR * unR * wR) + 0.5 * (pL + pR) * nz;
  C[4] = 0.5 * (rL * unL * HL + rR * unR * HR);

  const P sL = sqrt(rL), sR = sqrt(rR);
  const P inv = 1.0 / (sL + sR);
  const P rh = sqrt(rL * rR);
  const P uh = (sL * uL + sR * uR) * inv;
  const P vh = (sL * vL + sR * vR) * inv;
  const P wh = (sL * wL + sR * wR) * inv;
  const P Hh = (sL * HL + sR * HR) * inv;
  const P qh = 0.5 * (uh * uh + vh * vh + wh * wh);
  const P c2 = g1 * (Hh - qh);

  // The waves in every lane; kept where the sound speed is real.
  const Mk waves = c2 >= 0.0;
  const P c = sqrt(c2);
  const P unh = uh * nx + vh * ny + wh * nz;
  const P dr = rR - rL, du = uR - uL, dv = vR - vL, dw = wR - wL, dp = pR - pL;
  const P dun = nx * du + ny * dv + nz * dw;
  const P d = dr - dp / c2;
  const P l0 = fabs(unh), lp = fabs(unh + c), lm = fabs(unh - c);
  const P a0 = nx * d + nz * dv - ny * dw;
  const P a1 = ny * d - nz * du + nx * dw;
  const P a2 = nz * d + ny * du - nx * dv;
  const P a3 = dun + dp / (rh * c);
  const P a4 = -dun + dp / (rh * c);
  const P k = rh / (2.0 * c);
  const P r0[5] = {nx, uh * nx, vh * nx + rh * nz, wh * nx - rh * ny, qh * nx + rh * (vh * nz - wh * ny)};
  const P r1[5] = {ny, uh * ny - rh * nz, vh * ny, wh * ny + rh * nx, qh * ny + rh * (wh * nx - uh * nz)};
  const P r2[5] = {nz, uh * nz + rh * ny, vh * nz - rh * nx, wh * nz, qh * nz + rh * (uh * ny - vh * nx)};
  const P r3[5] = {1.0, uh + c * nx, vh + c * ny, wh + c * nz, Hh + c * unh};
  const P r4[5] = {1.0, uh - c * nx, vh - c * ny, wh - c * nz, Hh - c * unh};
  const P s0 = l0 * a0, s1 = l0 * a1, s2 = l0 * a2;
  const P s3 = lp * a3 * k, s4 = lm * a4 * k;
  P out[5];
  for (int j = 0; j < 5; ++j)
    out[j] = select(waves, C[j] - 0.5 * (s0 * r0[j] + s1 * r1[j] + s2 * r2[j] + s3 * r3[j] + s4 * r4[j]), C[j]);
  // Back to the law's order (rho, rho u, rho v, E, rho w).
  store(out[0], F[0]);
  store(out[1], F[1]);
  store(out[2], F[2]);
  store(out[4], F[3]);
  store(out[3], F[4]);
}

}  // namespace

void roeFluxes2d(double gamma, const FaceLanes &f, double F[4][kLanes]) {
  if (f.count <= 2)
    roe2d<1>(gamma, f, F);
  else
    roe2d<2>(gamma, f, F);
}

void exactFluxes3d(double g, const FaceLanes &f, double F[5][kLanes]) {
  if (f.count <= 2)
    exact3d<1>(g, f, F);
  else
    exact3d<2>(g, f, F);
}

void roeFluxes3d(double gamma, const FaceLanes &f, double F[5][kLanes]) {
  if (f.count <= 2)
    roe3d<1>(gamma, f, F);
  else
    roe3d<2>(gamma, f, F);
}

}  // namespace eulerlanes
