// Exact Riemann solver of gas dynamics (Newton iteration on the interface
// pressure with the Lagrangian shock relations on both sides, linear blend
// across rarefaction fans) and the numerical fluxes built on it.

#include <algorithm>
#include <cmath>
#include <iostream>
#include <typeinfo>

#include "Euler.h"
#include "EulerLanes.h"

using KORA::mPoint;
using KORA::mVector;

namespace {
constexpr double kPressureFloor = 1e-14;
constexpr int kMaxIterations = 12;
constexpr double kTolerance = 1e-12;
constexpr int kFluxScratch = 8;
}  // namespace

bool Euler::riemann(double rhoL, double uL, double ut1L, double ut2L, double pL, double rhoR,
                    double uR, double ut1R, double ut2R, double pR, RiemannResult &out) const {
  const double g = gamma;
  const double tauL = 1.0 / rhoL;
  if (pL / tauL < 0) return false;
  const double ZL = std::sqrt(g * pL / tauL);
  const double tauR = 1.0 / rhoR;
  if (pR / tauR < 0) return false;
  const double ZR = std::sqrt(g * pR / tauR);

  double ps = pL + ((pR - pL) - ZR * (uR - uL)) * ZL / (ZL + ZR);
  if (ps < kPressureFloor) ps = kPressureFloor;

  const double shock = (g + 1.0) / (2.0 * g);
  double WL = ZL, WR = ZR, err = 0.0;
  int it = 0;
  while (it < kMaxIterations) {
    ++it;
    const double aL = 1.0 + shock * (ps - pL) / pL;
    const double aR = 1.0 + shock * (ps - pR) / pR;
    if (aL < 0 || aR < 0) return false;
    WL = ZL * std::sqrt(aL);
    WR = ZR * std::sqrt(aR);
    const double dL = -4.0 * tauL * WL * WL * WL / (4.0 * tauL * WL * WL - (g + 1.0) * (ps - pL));
    const double dR = 4.0 * tauR * WR * WR * WR / (4.0 * tauR * WR * WR - (g + 1.0) * (ps - pR));
    const double usL = uL - (ps - pL) / WL;
    const double usR = uR + (ps - pR) / WR;
    double pn = ps + (usR - usL) * dL * dR / (dR - dL);
    if (pn < kPressureFloor) pn = kPressureFloor;
    err = std::fabs(pn - ps) / ps;
    ps = pn;
    if (err < kTolerance) break;
  }
  if (!(err < kTolerance)) {
    std::cout << "Riemann solver failed to converge in " << kMaxIterations << "iterations\n";
    std::cout << "Relative error is " << err << "\n";
  }

  const double us = 0.5 * ((uR + (ps - pR) / WR) + (uL - (ps - pL) / WL));

  // Upwind side: left when the interface moves right (or stands still).
  const bool left = us >= 0;
  const double s = left ? 1.0 : -1.0;
  const double p0 = left ? pL : pR;
  const double u0 = left ? uL : uR;
  const double tau0 = left ? tauL : tauR;
  const double W0 = left ? WL : WR;
  const double t1 = left ? ut1L : ut1R;
  const double t2 = left ? ut2L : ut2R;

  if (p0 * tau0 < 0) return false;
  const double c0 = std::sqrt(g * p0 * tau0);
  const double taus = std::max((g - 1.0) / (g + 1.0) * tau0, tau0 - (ps - p0) / (W0 * W0));
  if (ps * taus < 0) return false;
  const double cs = std::sqrt(g * ps * taus);

  double sOut, sIn;
  if (ps >= p0) {  // shock
    sOut = W0 * tau0 - s * u0;
    sIn = sOut;
  } else {  // rarefaction
    sOut = c0 - s * u0;
    sIn = cs - s * us;
  }

  const double denom = std::max({kPressureFloor, sOut + sIn, sOut - sIn});
  const double frac = 0.5 * (1.0 + (sOut + sIn) / denom);
  double rho = frac / taus + (1.0 - frac) / tau0;
  double un = frac * us + (1.0 - frac) * u0;
  double p = frac * ps + (1.0 - frac) * p0;
  if (sIn >= 0) {
    rho = 1.0 / taus;
    un = us;
    p = ps;
  }
  if (sOut < 0) {
    rho = 1.0 / tau0;
    un = u0;
    p = p0;
  }

  out.rho = rho;
  out.un = un;
  out.ut1 = t1;
  out.ut2 = t2;
  out.p = p;
  out.iterations = it;
  out.error = err;
  return true;
}

bool Euler::riemann(double rhoL, double uL, double ut1L, double ut2L, double pL, double rhoR,
                    double uR, double ut1R, double ut2R, double pR, double *rho, double *u,
                    double *ut1, double *ut2, double *p) const {
  RiemannResult r;
  if (!riemann(rhoL, uL, ut1L, ut2L, pL, rhoR, uR, ut1R, ut2R, pR, r)) return false;
  *rho = r.rho;
  *u = r.un;
  *ut1 = r.ut1;
  *ut2 = r.ut2;
  *p = r.p;
  return true;
}

void Euler2dExactRiemann::riemannSolver(const mVector &n, const mPoint &x, const double *UL,
                                        const double *UR, double *FL, double *FR) const {
  const double nx = n.x(), ny = n.y();
  const double pL = computeP2d(UL, gamma), pR = computeP2d(UR, gamma);
  const double uL = UL[1] / UL[0], vL = UL[2] / UL[0];
  const double uR = UR[1] / UR[0], vR = UR[2] / UR[0];
  const double unL = uL * nx + vL * ny, utL = uL * ny - vL * nx;
  const double unR = uR * nx + vR * ny, utR = uR * ny - vR * nx;

  RiemannResult r;
  if (!riemann(UL[0], unL, utL, 0.0, pL, UR[0], unR, utR, 0.0, pR, r)) {
    const double pw = pL > 0 ? pL : (pR > 0 ? pR : 0.0);
    const double F[4] = {0.0, pw * nx, pw * ny, 0.0};
    for (int j = 0; j < 4; ++j) FL[j] = FR[j] = F[j];
    return;
  }
  const double U[4] = {r.rho, r.rho * (r.un * nx + r.ut1 * ny), r.rho * (r.un * ny - r.ut1 * nx),
                       r.p / (gamma - 1.0) + 0.5 * r.rho * (r.un * r.un + r.ut1 * r.ut1)};
  mVector f[kFluxScratch];
  Fi(x, U, f);
  for (int j = 0; j < 4; ++j) FL[j] = FR[j] = f[j] * n;
}

void Euler2dExactRiemann::riemannFluxes(const FacePoints &pts, double *FL, double *FR) const {
  if (typeid(*this) != typeid(Euler2dExactRiemann)) {
    ConservationLaw::riemannFluxes(pts, FL, FR);
    return;
  }
  eulerlanes::FaceLanes lanes;
  double F[4][eulerlanes::kLanes];
  for (int first = 0; first < pts.count; first += eulerlanes::kLanes) {
    eulerlanes::gather(pts, first, lanes);
    eulerlanes::exactFluxes2d(gamma, lanes, F);
    eulerlanes::scatter<4>(F, lanes.count, FL + 4 * first, FR + 4 * first);
  }
}

void Euler3d::riemannFluxes(const FacePoints &pts, double *FL, double *FR) const {
  if (typeid(*this) != typeid(Euler3d)) {
    ConservationLaw::riemannFluxes(pts, FL, FR);
    return;
  }
  eulerlanes::FaceLanes lanes;
  double F[5][eulerlanes::kLanes];
  for (int first = 0; first < pts.count; first += eulerlanes::kLanes) {
    eulerlanes::gather(pts, first, lanes);
    eulerlanes::exactFluxes3d(gamma, lanes, F);
    eulerlanes::scatter<5>(F, lanes.count, FL + 5 * first, FR + 5 * first);
  }
}

void Euler3d::riemannSolver(const mVector &n, const mPoint &x, const double *UL, const double *UR,
                            double *FL, double *FR) const {
  mVector a;
  if (n.x() == 0)
    a.set(1, 0, 0);
  else if (n.y() == 0)
    a.set(0, 1, 0);
  else
    a.set(0, 0, 1);
  mVector t1 = a % n;
  t1.normalize();
  mVector t2 = n % t1;
  t2.normalize();

  const mVector vL(UL[1] / UL[0], UL[2] / UL[0], UL[4] / UL[0]);
  const mVector vR(UR[1] / UR[0], UR[2] / UR[0], UR[4] / UR[0]);
  const double pL = computeP3d(UL, gamma), pR = computeP3d(UR, gamma);

  RiemannResult r;
  if (!riemann(UL[0], vL * n, vL * t1, vL * t2, pL, UR[0], vR * n, vR * t1, vR * t2, pR, r)) {
    for (int j = 0; j < 5; ++j) FL[j] = FR[j] = 0.0;
    return;
  }
  const mVector V = n * r.un + t1 * r.ut1 + t2 * r.ut2;
  const double U[5] = {r.rho, r.rho * V.x(), r.rho * V.y(),
                       r.p / (gamma - 1.0) +
                           0.5 * r.rho * (r.un * r.un + r.ut1 * r.ut1 + r.ut2 * r.ut2),
                       r.rho * V.z()};
  mVector f[kFluxScratch];
  Fi(x, U, f);
  for (int j = 0; j < 5; ++j) FL[j] = FR[j] = f[j] * n;
}
