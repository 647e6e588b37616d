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

// The Newton pass and the sampling are written with few divisions (they
// bound the solver's speed): the reciprocals of pL, pR and of the mass
// fluxes serve every quotient by them, the update (u*R - u*L) dL dR / (dR -
// dL) is one fraction, the upwind sound speed is its impedance times its
// specific volume, and the convergence test |p_new - p*| / p* < tol is
// taken as |p_new - p*| < tol p* (p* >= the floor > 0; a NaN fails both).
// The lane solver (EulerLanes.cpp) does the same operations in the same
// order: keep them in step.
bool Euler::riemann(double rhoL, double uL, double ut1L, double ut2L, double pL, double rhoR,
                    double uR, double ut1R, double ut2R, double pR, RiemannResult &out) const {
  const double g = gamma;
  const double tauL = 1.0 / rhoL;
  if (pL * rhoL < 0) return false;  // pL / tauL < 0
  const double ZL = std::sqrt(g * pL * rhoL);
  const double tauR = 1.0 / rhoR;
  if (pR * rhoR < 0) return false;
  const double ZR = std::sqrt(g * pR * rhoR);

  double ps = pL + ((pR - pL) - ZR * (uR - uL)) * ZL / (ZL + ZR);
  if (ps < kPressureFloor) ps = kPressureFloor;

  const double shock = (g + 1.0) / (2.0 * g);
  const double kL = shock / pL, kR = shock / pR;
  double WL = ZL, WR = ZR, iWL = 0.0, iWR = 0.0;
  double change = 0.0, previous = 1.0;  // |p_new - p*| and p* of the last pass
  int it = 0;
  while (it < kMaxIterations) {
    ++it;
    const double dpL = ps - pL, dpR = ps - pR;
    const double aL = 1.0 + dpL * kL;
    const double aR = 1.0 + dpR * kR;
    if (aL < 0 || aR < 0) return false;
    WL = ZL * std::sqrt(aL);
    WR = ZR * std::sqrt(aR);
    iWL = 1.0 / WL;
    iWR = 1.0 / WR;
    // dL = -AL / BL, dR = AR / BR; dL dR / (dR - dL) = -AL AR / (AR BL + AL BR).
    const double qL = 4.0 * tauL * WL * WL, qR = 4.0 * tauR * WR * WR;
    const double AL = qL * WL, BL = qL - (g + 1.0) * dpL;
    const double AR = qR * WR, BR = qR - (g + 1.0) * dpR;
    const double usL = uL - dpL * iWL;
    const double usR = uR + dpR * iWR;
    double pn = ps + (usR - usL) * (-(AL * AR)) / (AR * BL + AL * BR);
    if (pn < kPressureFloor) pn = kPressureFloor;
    change = std::fabs(pn - ps);
    previous = ps;
    ps = pn;
    if (change < kTolerance * previous) break;
  }
  const double err = change / previous;
  if (!(change < kTolerance * previous)) {
    std::cout << "Riemann solver failed to converge in " << kMaxIterations << "iterations\n";
    std::cout << "Relative error is " << err << "\n";
  }

  const double us = 0.5 * ((uR + (ps - pR) * iWR) + (uL - (ps - pL) * iWL));

  // Upwind side: left when the interface moves right (or stands still).
  const bool left = us >= 0;
  const double s = left ? 1.0 : -1.0;
  const double p0 = left ? pL : pR;
  const double u0 = left ? uL : uR;
  const double rho0 = left ? rhoL : rhoR;
  const double tau0 = left ? tauL : tauR;
  const double W0 = left ? WL : WR;
  const double iW0 = left ? iWL : iWR;
  const double Z0 = left ? ZL : ZR;
  const double t1 = left ? ut1L : ut1R;
  const double t2 = left ? ut2L : ut2R;

  if (p0 * tau0 < 0) return false;
  const double c0 = Z0 * std::fabs(tau0);  // sqrt(g p0 tau0): the impedance over the density
  const double taus = std::max((g - 1.0) / (g + 1.0) * tau0, tau0 - (ps - p0) * iW0 * iW0);
  if (ps * taus < 0) return false;
  const double cs = std::sqrt(g * ps * taus);
  const double rhos = 1.0 / taus;

  double sOut, sIn;
  if (ps >= p0) {  // shock
    sOut = W0 * tau0 - s * u0;
    sIn = sOut;
  } else {  // rarefaction
    sOut = c0 - s * u0;
    sIn = cs - s * us;
  }

  // The upwind state where the outer wave moves left, the star state where
  // the inner one moves right, a blend across the fan between them.
  double rho, un, p;
  if (sOut < 0) {
    rho = rho0;
    un = u0;
    p = p0;
  } else if (sIn >= 0) {
    rho = rhos;
    un = us;
    p = ps;
  } else {
    const double denom = std::max({kPressureFloor, sOut + sIn, sOut - sIn});
    const double frac = 0.5 * (1.0 + (sOut + sIn) / denom);
    rho = frac * rhos + (1.0 - frac) * rho0;
    un = frac * us + (1.0 - frac) * u0;
    p = frac * ps + (1.0 - frac) * p0;
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
  const double tauL = 1.0 / UL[0], tauR = 1.0 / UR[0];
  const double uL = UL[1] * tauL, vL = UL[2] * tauL;
  const double uR = UR[1] * tauR, vR = UR[2] * tauR;
  const double pL = (gamma - 1.0) * (UL[3] - 0.5 * (UL[1] * uL + UL[2] * vL));
  const double pR = (gamma - 1.0) * (UR[3] - 0.5 * (UR[1] * uR + UR[2] * vR));
  const double unL = uL * nx + vL * ny, utL = uL * ny - vL * nx;
  const double unR = uR * nx + vR * ny, utR = uR * ny - vR * nx;

  RiemannResult r;
  if (!riemann(UL[0], unL, utL, 0.0, pL, UR[0], unR, utR, 0.0, pR, r)) {
    const double pw = pL > 0 ? pL : (pR > 0 ? pR : 0.0);
    const double F[4] = {0.0, pw * nx, pw * ny, 0.0};
    for (int j = 0; j < 4; ++j) FL[j] = FR[j] = F[j];
    return;
  }
  if (typeid(*this) == typeid(Euler2dExactRiemann)) {
    // The law's own Fi dotted with n, from the face state's primitive
    // values (as the face-wide flux does).
    const double u = r.un * nx + r.ut1 * ny, v = r.un * ny - r.ut1 * nx;
    const double ru = r.rho * u, rv = r.rho * v;
    const double E = r.p * (1.0 / (gamma - 1.0)) + 0.5 * r.rho * (r.un * r.un + r.ut1 * r.ut1);
    const double F[4] = {ru * nx + rv * ny, (ru * u + r.p) * nx + ru * v * ny, ru * v * nx + (rv * v + r.p) * ny,
                         u * (E + r.p) * nx + v * (E + r.p) * ny};
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
  eulerlanes::faceFluxes<4>(pts, gamma, eulerlanes::exactFluxes2d, FL, FR);
}

void Euler3d::riemannFluxes(const FacePoints &pts, double *FL, double *FR) const {
  if (typeid(*this) != typeid(Euler3d)) {
    ConservationLaw::riemannFluxes(pts, FL, FR);
    return;
  }
  eulerlanes::faceFluxes<5>(pts, gamma, eulerlanes::exactFluxes3d, FL, FR);
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

  const double tauL = 1.0 / UL[0], tauR = 1.0 / UR[0];
  const mVector vL(UL[1] * tauL, UL[2] * tauL, UL[4] * tauL);
  const mVector vR(UR[1] * tauR, UR[2] * tauR, UR[4] * tauR);
  const double pL = (gamma - 1.0) * (UL[3] - 0.5 * (UL[1] * vL.x() + UL[2] * vL.y() + UL[4] * vL.z()));
  const double pR = (gamma - 1.0) * (UR[3] - 0.5 * (UR[1] * vR.x() + UR[2] * vR.y() + UR[4] * vR.z()));

  RiemannResult r;
  if (!riemann(UL[0], vL * n, vL * t1, vL * t2, pL, UR[0], vR * n, vR * t1, vR * t2, pR, r)) {
    for (int j = 0; j < 5; ++j) FL[j] = FR[j] = 0.0;
    return;
  }
  if (typeid(*this) == typeid(Euler3d)) {
    // The law's own Fi dotted with n, from the face state's primitive
    // values (as the face-wide flux does).
    const double u = n.x() * r.un + t1.x() * r.ut1 + t2.x() * r.ut2;
    const double v = n.y() * r.un + t1.y() * r.ut1 + t2.y() * r.ut2;
    const double w = n.z() * r.un + t1.z() * r.ut1 + t2.z() * r.ut2;
    const double ru = r.rho * u, rv = r.rho * v, rw = r.rho * w, p = r.p;
    const double E = p * (1.0 / (gamma - 1.0)) + 0.5 * r.rho * (r.un * r.un + r.ut1 * r.ut1 + r.ut2 * r.ut2);
    const double nx = n.x(), ny = n.y(), nz = n.z();
    const double F[5] = {ru * nx + rv * ny + rw * nz, (ru * u + p) * nx + ru * v * ny + ru * w * nz,
                         ru * v * nx + (rv * v + p) * ny + rv * w * nz,
                         u * (E + p) * nx + v * (E + p) * ny + w * (E + p) * nz,
                         ru * w * nx + rv * w * ny + (rw * w + p) * nz};
    for (int j = 0; j < 5; ++j) FL[j] = FR[j] = F[j];
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

namespace eulerlanes {

bool packedFluxes(const ConservationLaw &law) {
  const std::type_info &t = typeid(law);
  return t == typeid(Euler2dExactRiemann) || t == typeid(Euler2d) || t == typeid(Euler3d) || t == typeid(Euler3dRoe);
}

void facesFluxes(const ConservationLaw &law, const ConservationLaw::FacePoints *faces, int count, double *const *FL,
                 double *const *FR) {
  const std::type_info &t = typeid(law);
  const double gamma = static_cast<const Euler &>(law).getGamma();
  if (t == typeid(Euler2dExactRiemann))
    facesFluxes<4>(faces, count, gamma, exactFluxes2d, FL, FR);
  else if (t == typeid(Euler2d))
    facesFluxes<4>(faces, count, gamma, roeFluxes2d, FL, FR);
  else if (t == typeid(Euler3d))
    facesFluxes<5>(faces, count, gamma, exactFluxes3d, FL, FR);
  else if (t == typeid(Euler3dRoe))
    facesFluxes<5>(faces, count, gamma, roeFluxes3d, FL, FR);
  else
    for (int f = 0; f < count; ++f) law.riemannFluxes(faces[f], FL[f], FR[f]);
}

}  // namespace eulerlanes
