// Roe's approximate Riemann fluxes of the Euler laws (square-root-of-density
// averages, no entropy fix) and the 2-D eigenvector routines.

#include <cmath>
#include <cstdio>
#include <typeinfo>

#include "Euler.h"
#include "EulerLanes.h"

using KORA::mPoint;
using KORA::mVector;

namespace {

// Roe's flux of the 2-D gas across the unit normal (nx, ny): each side's
// primitive values are formed once (one division per side) and its normal
// flux is taken from them directly.
inline void roe2d(double gamma, double nx, double ny, const mPoint &x, const double *UL, const double *UR,
                  double *FL, double *FR) {
  const double rL = UL[0], rR = UR[0];
  const double iL = 1.0 / rL, iR = 1.0 / rR;
  const double uL = UL[1] * iL, vL = UL[2] * iL;
  const double uR = UR[1] * iR, vR = UR[2] * iR;
  const double pL = (gamma - 1.0) * (UL[3] - 0.5 * (UL[1] * uL + UL[2] * vL));
  const double pR = (gamma - 1.0) * (UR[3] - 0.5 * (UR[1] * uR + UR[2] * vR));
  const double HL = (UL[3] + pL) * iL, HR = (UR[3] + pR) * iR;

  const double sL = std::sqrt(rL), sR = std::sqrt(rR);
  const double inv = 1.0 / (sL + sR);
  const double rh = sL * sR;
  const double uh = (sL * uL + sR * uR) * inv;
  const double vh = (sL * vL + sR * vR) * inv;
  const double Hh = (sL * HL + sR * HR) * inv;
  const double qh = 0.5 * (uh * uh + vh * vh);
  const double unh = uh * nx + vh * ny;

  double D[4] = {0.0, 0.0, 0.0, 0.0};
  if (Hh - qh < 0) {
    std::printf("unphysical data's found on %f %f %f\n", x.x(), x.y(), x.z());
  } else {
    const double c2 = (gamma - 1.0) * (Hh - qh);
    const double c = std::sqrt(c2);
    const double ic = 1.0 / c;
    const double dr = rR - rL, du = uR - uL, dv = vR - vL, dp = pR - pL;
    const double dun = nx * du + ny * dv;

    const double l0 = std::fabs(unh);
    const double lp = std::fabs(unh + c);
    const double lm = std::fabs(unh - c);

    const double a0 = dr - dp * ic * ic;
    const double a1 = ny * du - nx * dv;
    const double dpc = dp * ic / rh;
    const double a2 = dun + dpc;
    const double a3 = -dun + dpc;
    const double k = 0.5 * rh * ic;

    // wave 0: (1, u, v, q)
    const double w0 = l0 * a0;
    D[0] += w0;
    D[1] += w0 * uh;
    D[2] += w0 * vh;
    D[3] += w0 * qh;
    // wave 1: rho (0, ny, -nx, u ny - v nx)
    const double w1 = l0 * a1 * rh;
    D[1] += w1 * ny;
    D[2] -= w1 * nx;
    D[3] += w1 * (uh * ny - vh * nx);
    // wave 2: k (1, u + c nx, v + c ny, H + c un)
    const double w2 = lp * a2 * k;
    D[0] += w2;
    D[1] += w2 * (uh + c * nx);
    D[2] += w2 * (vh + c * ny);
    D[3] += w2 * (Hh + c * unh);
    // wave 3: k (1, u - c nx, v - c ny, H - c un)
    const double w3 = lm * a3 * k;
    D[0] += w3;
    D[1] += w3 * (uh - c * nx);
    D[2] += w3 * (vh - c * ny);
    D[3] += w3 * (Hh - c * unh);
  }

  // Normal fluxes of both sides: (rho un, rho u un + p nx, rho v un + p ny, (E + p) un).
  const double unL = uL * nx + vL * ny, unR = uR * nx + vR * ny;
  const double fn[4] = {UL[0] * unL + UR[0] * unR, UL[1] * unL + pL * nx + UR[1] * unR + pR * nx,
                        UL[2] * unL + pL * ny + UR[2] * unR + pR * ny, (UL[3] + pL) * unL + (UR[3] + pR) * unR};
  for (int j = 0; j < 4; ++j) {
    const double F = 0.5 * (fn[j] - D[j]);
    FL[j] = F;
    FR[j] = F;
  }
}

}  // namespace

void Euler2d::riemannFluxes(const FacePoints &pts, double *FL, double *FR) const {
  if (typeid(*this) != typeid(Euler2d)) {
    ConservationLaw::riemannFluxes(pts, FL, FR);
    return;
  }
  eulerlanes::faceFluxes<4>(pts, gamma, eulerlanes::roeFluxes2d, FL, FR);
}

void Euler2d::riemannSolver(const mVector &n, const mPoint &x, const double *UL, const double *UR, double *FL,
                            double *FR) const {
  roe2d(gamma, n.x(), n.y(), x, UL, UR, FL, FR);
}

void Euler3dRoe::riemannSolver(const mVector &n, const mPoint &, const double *UL,
                               const double *UR, double *FL, double *FR) const {
  const double nx = n.x(), ny = n.y(), nz = n.z();
  const double g1 = gamma - 1.0;

  const double rL = UL[0], rR = UR[0];
  const double uL = UL[1] / rL, vL = UL[2] / rL, wL = UL[4] / rL;
  const double uR = UR[1] / rR, vR = UR[2] / rR, wR = UR[4] / rR;
  const double pL = computeP3d(UL, gamma), pR = computeP3d(UR, gamma);
  const double q2L = uL * uL + vL * vL + wL * wL, q2R = uR * uR + vR * vR + wR * wR;
  const double HL = 0.5 * q2L + gamma * pL / (g1 * rL);
  const double HR = 0.5 * q2R + gamma * pR / (g1 * rR);
  const double unL = uL * nx + vL * ny + wL * nz;
  const double unR = uR * nx + vR * ny + wR * nz;

  // Fields in the order (rho, rho u, rho v, rho w, E) until the end.
  double F[5];
  F[0] = 0.5 * (rL * unL + rR * unR);
  F[1] = 0.5 * (rL * unL * uL + rR * unR * uR) + 0.5 * (pL + pR) * nx;
  F[2] = 0.5 * (rL * unL * vL + rR * unR * vR) + 0.5 * (pL + pR) * ny;
  F[3] = 0.5 * (rL * unL * wL + rR * unR * wR) + 0.5 * (pL + pR) * nz;
  F[4] = 0.5 * (rL * unL * HL + rR * unR * HR);

  const double sL = std::sqrt(rL), sR = std::sqrt(rR);
  const double inv = 1.0 / (sL + sR);
  const double rh = std::sqrt(rL * rR);
  const double uh = (sL * uL + sR * uR) * inv;
  const double vh = (sL * vL + sR * vR) * inv;
  const double wh = (sL * wL + sR * wR) * inv;
  const double Hh = (sL * HL + sR * HR) * inv;
  const double qh = 0.5 * (uh * uh + vh * vh + wh * wh);
  const double c2 = g1 * (Hh - qh);

  if (c2 >= 0) {  // false for a negative or undefined sound speed
    const double c = std::sqrt(c2);
    const double unh = uh * nx + vh * ny + wh * nz;
    const double dr = rR - rL, du = uR - uL, dv = vR - vL, dw = wR - wL, dp = pR - pL;
    const double dun = nx * du + ny * dv + nz * dw;
    const double d = dr - dp / c2;

    const double l0 = std::fabs(unh), lp = std::fabs(unh + c), lm = std::fabs(unh - c);
    const double a0 = nx * d + nz * dv - ny * dw;
    const double a1 = ny * d - nz * du + nx * dw;
    const double a2 = nz * d + ny * du - nx * dv;
    const double a3 = dun + dp / (rh * c);
    const double a4 = -dun + dp / (rh * c);
    const double k = rh / (2.0 * c);

    const double r0[5] = {nx, uh * nx, vh * nx + rh * nz, wh * nx - rh * ny,
                          qh * nx + rh * (vh * nz - wh * ny)};
    const double r1[5] = {ny, uh * ny - rh * nz, vh * ny, wh * ny + rh * nx,
                          qh * ny + rh * (wh * nx - uh * nz)};
    const double r2[5] = {nz, uh * nz + rh * ny, vh * nz - rh * nx, wh * nz,
                          qh * nz + rh * (uh * ny - vh * nx)};
    const double r3[5] = {1.0, uh + c * nx, vh + c * ny, wh + c * nz, Hh + c * unh};
    const double r4[5] = {1.0, uh - c * nx, vh - c * ny, wh - c * nz, Hh - c * unh};

    const double s0 = l0 * a0, s1 = l0 * a1, s2 = l0 * a2;
    const double s3 = lp * a3 * k, s4 = lm * a4 * k;
    for (int j = 0; j < 5; ++j)
      F[j] -= 0.5 * (s0 * r0[j] + s1 * r1[j] + s2 * r2[j] + s3 * r3[j] + s4 * r4[j]);
  }

  // Back to the law's order (rho, rho u, rho v, E, rho w).
  const double out[5] = {F[0], F[1], F[2], F[4], F[3]};
  for (int j = 0; j < 5; ++j) {
    FL[j] = out[j];
    FR[j] = out[j];
  }
}

void Euler3dRoe::riemannFluxes(const FacePoints &pts, double *FL, double *FR) const {
  if (typeid(*this) != typeid(Euler3dRoe)) {
    ConservationLaw::riemannFluxes(pts, FL, FR);
    return;
  }
  eulerlanes::faceFluxes<5>(pts, gamma, eulerlanes::roeFluxes3d, FL, FR);
}

void Euler::eigenvectors2d(double u, double v, double c2, double nx, double ny, double L[4][4],
                           double R[4][4]) const {
  const double c = std::sqrt(c2);
  const double g1 = gamma - 1.0;
  const double un = u * nx + v * ny;
  const double K = 0.5 * (u * u + v * v);
  const double H = c2 / g1 + K;

  const double cols[4][4] = {{1.0, u - c * nx, v - c * ny, H - c * un},
                             {1.0, u, v, K},
                             {1.0, u + c * nx, v + c * ny, H + c * un},
                             {0.0, ny, -nx, u * ny - v * nx}};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) R[i][j] = cols[j][i];

  const double h = 1.0 / (2.0 * c2);
  L[0][0] = (g1 * K + c * un) * h;
  L[0][1] = (-g1 * u - c * nx) * h;
  L[0][2] = (-g1 * v - c * ny) * h;
  L[0][3] = g1 * h;
  L[1][0] = (c2 - g1 * K) / c2;
  L[1][1] = g1 * u / c2;
  L[1][2] = g1 * v / c2;
  L[1][3] = -g1 / c2;
  L[2][0] = (g1 * K - c * un) * h;
  L[2][1] = (-g1 * u + c * nx) * h;
  L[2][2] = (-g1 * v + c * ny) * h;
  L[2][3] = g1 * h;
  L[3][0] = v * nx - u * ny;
  L[3][1] = ny;
  L[3][2] = -nx;
  L[3][3] = 0.0;
}

void Euler::compute_eigenvecs2d(const double *U, const mVector &n, double L[4][4],
                                double R[4][4]) const {
  const double u = U[1] / U[0], v = U[2] / U[0];
  const double c2 = gamma * (gamma - 1.0) * (U[3] / U[0] - 0.5 * (u * u + v * v));
  eigenvectors2d(u, v, c2, n.x(), n.y(), L, R);
}
