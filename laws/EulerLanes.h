#ifndef DG_EULERLANES_H
#define DG_EULERLANES_H

// The Euler laws' numerical fluxes at a few points of one face at once. The
// points' values are gathered into short arrays, one entry (a lane) per
// point, and each step of a solver runs over all the lanes together, its
// branches taken as selections, so that the compiler can use vector
// instructions. Each lane does the per-point solver's arithmetic operation
// for operation, so the results are the per-point ones to the bit, and the
// exact solver makes in each lane as many Newton passes as it would alone:
// a lane that has converged keeps its values while the others go on.

#include "ConservationLaw.h"

namespace eulerlanes {

constexpr int kLanes = 4;

// One-dimensional Riemann problems between (rho, un, ut1, ut2, p) states, one
// per lane in use (count of them, 1 to kLanes); see Euler::riemann.
struct RiemannLanes {
  int count = 0;
  double rhoL[kLanes], uL[kLanes], ut1L[kLanes], ut2L[kLanes], pL[kLanes];
  double rhoR[kLanes], uR[kLanes], ut1R[kLanes], ut2R[kLanes], pR[kLanes];
  // Results: ok is false where the solver met an inadmissible quantity (the
  // lane's state is then undefined); the iterations and the last relative
  // change as Euler::riemann reports them.
  bool ok[kLanes];
  double rho[kLanes], un[kLanes], ut1[kLanes], ut2[kLanes], p[kLanes];
  int iterations[kLanes];
  double error[kLanes];
};

// Solves the lanes' problems; a lane that does not converge prints the
// solver's message, lane after lane.
void solveRiemann(double gamma, RiemannLanes &r);

// Points of a face, one per lane (count of them, 1 to kLanes): the unit
// normal out of the left side, the left and right states and the physical
// point (for messages). Lanes past the count repeat the first point.
struct FaceLanes {
  int count = 0;
  const KORA::mVector *n[kLanes];
  const double *UL[kLanes];
  const double *UR[kLanes];
  const KORA::mPoint *x[kLanes];
};

// Points first to first + kLanes - 1 of the face (those there are); the
// right states are the face's unless right is given, point first + i's then
// at right[i].
inline void gather(const ConservationLaw::FacePoints &pts, int first, FaceLanes &lanes,
                   const double (*right)[64] = nullptr) {
  const int count = pts.count - first < kLanes ? pts.count - first : kLanes;
  lanes.count = count;
  for (int i = 0; i < kLanes; ++i) {
    const int k = first + (i < count ? i : 0);
    lanes.n[i] = &pts.n(k);
    lanes.UL[i] = pts.UL + k * pts.stateStride;
    lanes.UR[i] = right ? right[i < count ? i : 0] : pts.UR + k * pts.stateStride;
    lanes.x[i] = &pts.x(k);
  }
}

// Copies the lanes' fluxes F[field][lane] of nf fields to point-major
// arrays (point i's at out + i nf), each given array (out2 may be null).
template <int nf>
inline void scatter(const double (*F)[kLanes], int count, double *out, double *out2) {
  for (int i = 0; i < count; ++i)
    for (int j = 0; j < nf; ++j) {
      out[i * nf + j] = F[j][i];
      if (out2) out2[i * nf + j] = F[j][i];
    }
}

// The fluxes of every point of a face, in packs: kernel(gamma, lanes, F) is
// one of the kernels below; both sides receive the same flux.
template <int nf, class Kernel>
inline void faceFluxes(const ConservationLaw::FacePoints &pts, double gamma, Kernel kernel, double *FL, double *FR) {
  FaceLanes lanes;
  double F[nf][kLanes];
  for (int first = 0; first < pts.count; first += kLanes) {
    gather(pts, first, lanes);
    kernel(gamma, lanes, F);
    scatter<nf>(F, lanes.count, FL + nf * first, FR + nf * first);
  }
}

// The fluxes of every point of several faces (count of them), the faces'
// points taken in a row: a pack may hold the last points of a face and the
// first of the next, so that few lanes stay idle. Face f's fluxes go to
// FL[f] and FR[f] as faceFluxes writes them; each point gets the same
// fluxes as there (a lane's arithmetic does not depend on the others').
template <int nf, class Kernel>
inline void facesFluxes(const ConservationLaw::FacePoints *faces, int count, double gamma, Kernel kernel,
                        double *const *FL, double *const *FR) {
  FaceLanes lanes;
  double F[nf][kLanes];
  double *outL[kLanes], *outR[kLanes];  // where each lane's fluxes go
  int used = 0;
  auto run = [&] {
    lanes.count = used;
    // Lanes past the count repeat the pack's first point, as gather's.
    for (int i = used; i < kLanes; ++i) {
      lanes.n[i] = lanes.n[0];
      lanes.UL[i] = lanes.UL[0];
      lanes.UR[i] = lanes.UR[0];
      lanes.x[i] = lanes.x[0];
    }
    kernel(gamma, lanes, F);
    for (int i = 0; i < used; ++i)
      for (int j = 0; j < nf; ++j) outL[i][j] = outR[i][j] = F[j][i];
    used = 0;
  };
  for (int f = 0; f < count; ++f) {
    const ConservationLaw::FacePoints &pts = faces[f];
    for (int k = 0; k < pts.count; ++k) {
      lanes.n[used] = &pts.n(k);
      lanes.UL[used] = pts.UL + k * pts.stateStride;
      lanes.UR[used] = pts.UR + k * pts.stateStride;
      lanes.x[used] = &pts.x(k);
      outL[used] = FL[f] + k * nf;
      outR[used] = FR[f] + k * nf;
      if (++used == kLanes) run();
    }
  }
  if (used > 0) run();
}

// A pack of up to kLanes / 2 points runs at half width: a row of points
// leaves lanes idle only when its count is not a multiple of this.
constexpr int kHalfPack = kLanes / 2;

// Whether the law's numerical flux at interior faces is one of the kernels
// below, run in packs by its riemannFluxes (the gas laws themselves; a
// derived law keeps its own flux). If it is, facesFluxes(law, ...) gives the
// fluxes of several faces' points at once, as riemannFluxes gives each face's.
bool packedFluxes(const ConservationLaw &law);
void facesFluxes(const ConservationLaw &law, const ConservationLaw::FacePoints *faces, int count, double *const *FL,
                 double *const *FR);

// Normal fluxes F[field][lane], the same on both sides of the face.
// 2-D (rho, rho u, rho v, E): the exact Riemann flux, a wall pressure flux
// where the solver fails.
void exactFluxes2d(double gamma, const FaceLanes &in, double F[4][kLanes]);
// 2-D Roe flux; where the Roe sound speed is imaginary the flux is the
// central one and the point is reported, as the per-point flux does.
void roeFluxes2d(double gamma, const FaceLanes &in, double F[4][kLanes]);
// 3-D (rho, rho u, rho v, E, rho w): the exact Riemann flux, zero where the
// solver fails; and the Roe flux, central where its sound speed is not real.
void exactFluxes3d(double gamma, const FaceLanes &in, double F[5][kLanes]);
void roeFluxes3d(double gamma, const FaceLanes &in, double F[5][kLanes]);

}  // namespace eulerlanes

#endif
