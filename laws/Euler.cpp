// Euler laws: data, inviscid fluxes, sources, wave speeds, admissibility and
// boundary conditions.

#include "Euler.h"

#include <cmath>
#include <cstdio>
#include <typeinfo>

#include "DGParameters.h"
#include "EulerLanes.h"
#include "GlobalParamManager.h"

using KORA::mPoint;
using KORA::mVector;

double computeP2d(const double *U, double gamma) {
  return (gamma - 1.0) * (U[3] - (U[1] * U[1] + U[2] * U[2]) / (2.0 * U[0]));
}

double computeP3d(const double *U, double gamma) {
  return (gamma - 1.0) * (U[3] - (U[1] * U[1] + U[2] * U[2] + U[4] * U[4]) / (2.0 * U[0]));
}

namespace {

SimulationState &runState() { return GlobalParamManager::Instance()->parameters->state; }

// Exterior state of the far-field condition: the state followed by zero
// gradients (four doubles per field for laws of up to 16 fields).
constexpr int kExteriorSize = 64;

// The batched boundary fluxes of the 2-D and 3-D laws, NF fields: the law's
// own flux through a face of type 2, the far-field Riemann problem in packs
// through type 4 (farField fills the exterior states and runs the lanes
// kernel), and the wall's pressure flux elsewhere.
template <int NF, class Interior, class FarField, class Wall>
void batchedBoundaryFluxes(const ConservationLaw::FacePoints &pts, int type, Interior interior, FarField farField, Wall wall,
                           double *F) {
  const int K = pts.count;
  if (type == 2) {
    for (int k = 0; k < K; ++k) {
      const mVector &n = pts.n(k);
      mVector f[NF];
      interior(pts.x(k), pts.UL + k * pts.stateStride, f);
      for (int j = 0; j < NF; ++j) F[NF * k + j] = f[j].x() * n.x() + f[j].y() * n.y() + f[j].z() * n.z();
    }
  } else if (type == 4) {
    eulerlanes::FaceLanes lanes;
    double ext[eulerlanes::kLanes][kExteriorSize];
    double lf[NF][eulerlanes::kLanes];
    for (int first = 0; first < K; first += eulerlanes::kLanes) {
      eulerlanes::gather(pts, first, lanes, ext);
      farField(first, lanes, ext, lf);
      eulerlanes::scatter<NF>(lf, lanes.count, F + NF * first, nullptr);
    }
  } else {
    for (int k = 0; k < K; ++k) wall(pts.n(k), pts.UL + k * pts.stateStride, F + NF * k);
  }
}

}  // namespace

// ---------------------------------------------------------------- Euler

Euler::Euler(bool gradients_, const std::map<int, bc> &bcs_, FieldEvaluator *farField_,
             bool gravity_, double gamma_, double gasConstant_, FieldEvaluator *exactField_,
             Fonctionoftime *timeFunction_)
    : bcs(bcs_),
      timeFunction(timeFunction_),
      gravity(gravity_),
      gamma(gamma_),
      gasConstant(gasConstant_),
      gradients(gradients_) {
  farField = farField_;
  exactField = exactField_;
}

Euler::~Euler() = default;

int Euler::boundaryType(int tag) const {
  auto it = bcs.find(tag);
  if (it != bcs.end()) return it->second.type;
  return bcs.empty() ? 4 : 1;
}

void Euler::farFieldFlux(const mVector &n, const mPoint &p, const double *U, double *F, double t,
                         double rho, double pressure, double vx, double vy, double vz) const {
  if (!farField) throw std::string("far-field boundary condition: the Euler law has no far field");
  double exterior[kExteriorSize] = {};
  double discarded[kMaxFields];
  SimulationState &s = runState();
  s.Density = rho;
  s.Pressure = pressure;
  s.VX = vx;
  s.VY = vy;
  s.VZ = vz;
  farField->eval(p, t, exterior);
  riemannSolver(n, p, U, exterior, F, discarded);
}

void Euler::farFieldStates(const FacePoints &pts, int first, int count, double t, int dim,
                           double (*ext)[kExteriorSize]) const {
  if (!farField) throw std::string("far-field boundary condition: the Euler law has no far field");
  SimulationState &s = runState();
  for (int i = 0; i < count; ++i) {
    const int k = first + i;
    const mPoint &x = pts.x(k);
    const double *U = pts.UL + k * pts.stateStride;
    // As the face pass and farFieldFlux publish them for one point.
    s.X = x.x();
    s.Y = x.y();
    s.Z = x.z();
    s.Density = U[0];
    if (dim == 2) {
      s.Pressure = computeP2d(U, gamma);
      s.VX = U[1] / U[0];
      s.VY = U[2] / U[0];
      s.VZ = 0.0;
    } else {
      s.Pressure = computeP3d(U, gamma);
      s.VX = U[1] / U[0];
      s.VY = U[2] / U[0];
      s.VZ = U[4] / U[0];
    }
    for (int j = 0; j < kExteriorSize; ++j) ext[i][j] = 0.0;
    farField->eval(x, t, ext[i]);
  }
}

// ---------------------------------------------------------------- Euler2d

Euler2d::Euler2d(bool gradients_, const std::map<int, bc> &bcs_, FieldEvaluator *farField_,
                 bool gravity_, bool axisymmetric_, double gamma_, double gasConstant_, int unused,
                 FieldEvaluator *exactField_, Fonctionoftime *timeFunction_)
    : Euler(gradients_, bcs_, farField_, gravity_, gamma_, gasConstant_, exactField_,
            timeFunction_),
      axisymmetric(axisymmetric_),
      unusedFlag(unused) {
  if (!timeFunction) {
    for (const auto &[tag, cond] : bcs) {
      if (cond.type == 3) {
        char msg[160];
        std::snprintf(msg, sizeof msg,
                      "boundary tag %d has a time-dependent condition (type 3) but the Euler law "
                      "has no time function",
                      tag);
        throw std::string(msg);
      }
    }
  }
}

void Euler2d::setSpecifics(const double *U, const mVector *) {
  SimulationState &s = runState();
  s.Density = U[0];
  s.Pressure = computeP2d(U, gamma);
  s.VX = U[1] / U[0];
  s.VY = U[2] / U[0];
  s.VZ = 0.0;
}

void Euler2d::Fi(int, const mPoint &, const double *, mVector &) const { throw 1; }

void Euler2d::Fi(const mPoint &, const double *U, mVector *F) const {
  const double r = U[0], ru = U[1], rv = U[2], E = U[3];
  const double p = (gamma - 1.0) * (E - (ru * ru + rv * rv) / (2.0 * r));
  const double u = ru / r, v = rv / r;
  F[0].set(ru, rv, 0.0);
  F[1].set(ru * u + p, ru * v, 0.0);
  F[2].set(ru * v, rv * v + p, 0.0);
  F[3].set(u * (E + p), v * (E + p), 0.0);
}

bool Euler2d::ownOperations() const {
  const std::type_info &type = typeid(*this);
  return type == typeid(Euler2d) || type == typeid(Euler2dExactRiemann);
}

void Euler2d::fluxesAt(int K, const mPoint *X, const double *U, int stride, mVector *F) const {
  if (!ownOperations()) {
    ConservationLaw::fluxesAt(K, X, U, stride, F);
    return;
  }
  const mPoint origin;
  for (int k = 0; k < K; ++k) Euler2d::Fi(origin, U + k * stride, F + 4 * k);
}

bool Euler2d::volumeTermsNeedPoints() const { return !ownOperations() || axisymmetric; }

bool Euler2d::hasSource() const { return !ownOperations() || axisymmetric || gravity; }

void Euler2d::sourcesAt(int K, const mPoint *X, const double *U, int stride, double *S) const {
  if (!ownOperations()) {
    ConservationLaw::sourcesAt(K, X, U, stride, S);
    return;
  }
  const mPoint origin;
  for (int k = 0; k < K; ++k) Euler2d::RHS(U + k * stride, nullptr, X ? X[k] : origin, S + 4 * k);
}

void Euler2d::RHS(const double *U, const mVector *, const mPoint &p, double *S) const {
  S[0] = 0.0;
  S[1] = axisymmetric ? computeP2d(U, gamma) / p.x() : 0.0;
  if (gravity) {
    S[2] = -U[0];
    S[3] = 0.0;  // no work of gravity in the 2-D energy equation
  } else {
    S[2] = 0.0;
    S[3] = 0.0;
  }
}

double Euler2d::maximumEigenValue(const double *U, const mPoint &) const {
  const double r = U[0];
  const double m2 = U[1] * U[1] + U[2] * U[2];
  const double p = (gamma - 1.0) * (U[3] - m2 / (2.0 * r));
  const double speed = std::sqrt(m2 / (r * r));
  if (p / r < 0) {
    std::printf("unphysical pressure\n");
    return speed;
  }
  return speed + std::sqrt(gamma * p / r);
}

bool Euler2d::isPhysical(const double *U) const {
  const double r = U[0];
  if (r < 0) return false;
  const double p = computeP2d(U, gamma);
  if (p < 0) return false;
  const double u = U[1] / r, v = U[2] / r;
  if ((U[3] + p) / r - 0.5 * (u * u + v * v) < 0) return false;
  return true;
}

void Euler2d::restorePhysical(double *U) const {
  if (U[0] < 0) U[0] = 0.01;
  const double pOld = computeP2d(U, gamma);
  if (U[3] < 0) {
    std::printf("Euler2d::restorePhysical : Q[3] = %lf\n", U[3]);
    U[3] = 0.001;
  }
  if (pOld < 0) {
    const double kinetic = (U[1] * U[1] + U[2] * U[2]) / U[0];
    // A state at rest cannot be repaired by scaling its momentum; the
    // energy floor alone then makes its pressure positive.
    if (kinetic > 0) {
      const double k = std::sqrt(1.999 * U[3] / kinetic);
      U[1] *= k;
      U[2] *= k;
    }
    std::printf("Euler2d::restorePhysical : pressure %12.5E -> %12.5E\n", pOld,
                computeP2d(U, gamma));
  }
}

double Euler2d::jumpQuantity(const double *U, const mVector *) const { return U[0]; }

void Euler2d::characteristicVectorField(const mPoint &, double, const double *U, const mVector *,
                                        mVector &out) const {
  out.set(U[1], U[2], 0.0);
}

void Euler2d::boundaryFlux(const mVector &n, int tag, const mPoint &x, double *U, double *F,
                           double t) const {
  const int type = boundaryType(tag);
  const double p = computeP2d(U, gamma);
  const double nx = n.x(), ny = n.y(), nz = n.z();
  switch (type) {
    case 2: {
      mVector f[4];
      Euler2d::Fi(x, U, f);
      for (int j = 0; j < 4; ++j) F[j] = f[j].x() * nx + f[j].y() * ny + f[j].z() * nz;
      return;
    }
    case 3: {
      // The time function's state, with the pressure of the interior state;
      // the caller's state is left as it is.
      double W[4];
      timeFunction->eval(t, W);
      const double u = W[1] / W[0], v = W[2] / W[0];
      F[0] = W[1] * nx + W[2] * ny;
      F[1] = (W[1] * u + p) * nx + W[1] * v * ny;
      F[2] = W[1] * v * nx + (W[2] * v + p) * ny;
      F[3] = (u * nx + v * ny) * (W[3] + p);
      return;
    }
    case 4:
      farFieldFlux(n, x, U, F, t, U[0], p, U[1] / U[0], U[2] / U[0], 0.0);
      return;
    default:
      F[0] = 0.0;
      F[1] = p * nx;
      F[2] = p * ny;
      F[3] = 0.0;
      return;
  }
}

bool Euler2d::boundaryFluxes(const FacePoints &pts, int tag, double t, double *F) const {
  if (!ownOperations()) return false;
  const int type = boundaryType(tag);
  if (type == 3) return false;
  const bool exact = typeid(*this) == typeid(Euler2dExactRiemann);
  batchedBoundaryFluxes<4>(
      pts, type, [this](const mPoint &x, const double *U, mVector *f) { Euler2d::Fi(x, U, f); },
      [&](int first, eulerlanes::FaceLanes &lanes, double (*ext)[kExteriorSize], double (*lf)[eulerlanes::kLanes]) {
        farFieldStates(pts, first, lanes.count, t, 2, ext);
        if (exact)
          eulerlanes::exactFluxes2d(gamma, lanes, lf);
        else
          eulerlanes::roeFluxes2d(gamma, lanes, lf);
      },
      [this](const mVector &n, const double *U, double *f) {
        const double p = computeP2d(U, gamma);
        f[0] = 0.0;
        f[1] = p * n.x();
        f[2] = p * n.y();
        f[3] = 0.0;
      },
      F);
  return true;
}

// ---------------------------------------------------------------- Euler3d

bool Euler3d::ownOperations() const {
  const std::type_info &type = typeid(*this);
  return type == typeid(Euler3d) || type == typeid(Euler3dRoe);
}

void Euler3d::fluxesAt(int K, const mPoint *X, const double *U, int stride, mVector *F) const {
  if (!ownOperations()) {
    ConservationLaw::fluxesAt(K, X, U, stride, F);
    return;
  }
  const mPoint origin;
  for (int k = 0; k < K; ++k) Euler3d::Fi(origin, U + k * stride, F + 5 * k);
}

bool Euler3d::volumeTermsNeedPoints() const { return !ownOperations(); }

bool Euler3d::hasSource() const { return !ownOperations() || gravity; }

bool Euler3d::boundaryFluxes(const FacePoints &pts, int tag, double t, double *F) const {
  if (!ownOperations()) return false;
  const bool roe = typeid(*this) == typeid(Euler3dRoe);
  // Walls, type 3 included, take the pressure flux.
  batchedBoundaryFluxes<5>(
      pts, boundaryType(tag), [this](const mPoint &x, const double *U, mVector *f) { Euler3d::Fi(x, U, f); },
      [&](int first, eulerlanes::FaceLanes &lanes, double (*ext)[kExteriorSize], double (*lf)[eulerlanes::kLanes]) {
        farFieldStates(pts, first, lanes.count, t, 3, ext);
        if (roe)
          eulerlanes::roeFluxes3d(gamma, lanes, lf);
        else
          eulerlanes::exactFluxes3d(gamma, lanes, lf);
      },
      [this](const mVector &n, const double *U, double *f) {
        const double p = computeP3d(U, gamma);
        f[0] = 0.0;
        f[1] = p * n.x();
        f[2] = p * n.y();
        f[3] = 0.0;
        f[4] = p * n.z();
      },
      F);
  return true;
}

void Euler3d::setSpecifics(const double *U, const mVector *) {
  SimulationState &s = runState();
  s.Density = U[0];
  s.Pressure = computeP3d(U, gamma);
  s.VX = U[1] / U[0];
  s.VY = U[2] / U[0];
  s.VZ = U[4] / U[0];
}

void Euler3d::Fi(int, const mPoint &, const double *, mVector &) const { throw 1; }

void Euler3d::Fi(const mPoint &, const double *U, mVector *F) const {
  const double r = U[0], ru = U[1], rv = U[2], E = U[3], rw = U[4];
  const double p = (gamma - 1.0) * (E - (ru * ru + rv * rv + rw * rw) / (2.0 * r));
  const double u = ru / r, v = rv / r, w = rw / r;
  F[0].set(ru, rv, rw);
  F[1].set(ru * u + p, ru * v, ru * w);
  F[2].set(ru * v, rv * v + p, rv * w);
  F[3].set(u * (E + p), v * (E + p), w * (E + p));
  F[4].set(ru * w, rv * w, rw * w + p);
}

void Euler3d::sourcesAt(int K, const mPoint *X, const double *U, int stride, double *S) const {
  if (!ownOperations()) {
    ConservationLaw::sourcesAt(K, X, U, stride, S);
    return;
  }
  const mPoint origin;
  for (int k = 0; k < K; ++k) Euler3d::RHS(U + k * stride, nullptr, X ? X[k] : origin, S + 5 * k);
}

void Euler3d::RHS(const double *U, const mVector *, const mPoint &, double *S) const {
  S[0] = 0.0;
  S[1] = 0.0;
  S[4] = 0.0;
  if (gravity) {
    S[2] = -U[0];
    S[3] = -U[2];
  } else {
    S[2] = 0.0;
    S[3] = 0.0;
  }
}

double Euler3d::maximumEigenValue(const double *U, const mPoint &) const {
  const double r = U[0];
  const double m2 = U[1] * U[1] + U[2] * U[2] + U[4] * U[4];
  const double p = (gamma - 1.0) * (U[3] - m2 / (2.0 * r));
  const double speed = std::sqrt(m2 / (r * r));
  if (p < 0) {
    std::printf(
        "non physical pressure rho =(%lf) rhou = (%lf) rhov=(%lf) rhow=(%lf) rhoe = (%lf) "
        "p=%lf\n",
        U[0], U[1], U[2], U[4], U[3], p);
    return speed;
  }
  return speed + std::sqrt(gamma * p / r);
}

bool Euler3d::isPhysical(const double *U) const {
  const double r = U[0];
  if (r < 0) return false;
  const double p = computeP3d(U, gamma);
  if (p < 0) return false;
  const double u = U[1] / r, v = U[2] / r, w = U[4] / r;
  if ((U[3] + p) / r - 0.5 * (u * u + v * v + w * w) < 0) return false;
  return true;
}

void Euler3d::restorePhysical(double *U) const {
  if (U[0] < 0) U[0] = 0.001;
  if (U[3] < 0) {
    std::printf("Euler3d::restorePhysical : Q[3] = %lf\n", U[3]);
    U[3] = 0.001;
  }
  const double pOld = computeP3d(U, gamma);
  if (pOld < 0) {
    const double kinetic = (U[1] * U[1] + U[2] * U[2] + U[4] * U[4]) / U[0];
    if (kinetic > 0) {
      const double k = std::sqrt(1.999 * U[3] / kinetic);
      U[1] *= k;
      U[2] *= k;
      U[4] *= k;
    }
    std::printf("Euler3d::restorePhysical :: pressure %12.5E -> %12.5E\n", pOld,
                computeP3d(U, gamma));
  }
}

double Euler3d::jumpQuantity(const double *U, const mVector *) const { return U[0]; }

void Euler3d::characteristicVectorField(const mPoint &, double, const double *U, const mVector *,
                                        mVector &out) const {
  out.set(U[1], U[2], U[4]);
}

void Euler3d::boundaryFlux(const mVector &n, int tag, const mPoint &x, double *U, double *F,
                           double t) const {
  const int type = boundaryType(tag);
  const double p = computeP3d(U, gamma);
  const double nx = n.x(), ny = n.y(), nz = n.z();
  switch (type) {
    case 2: {
      mVector f[5];
      Euler3d::Fi(x, U, f);
      for (int j = 0; j < 5; ++j) F[j] = f[j].x() * nx + f[j].y() * ny + f[j].z() * nz;
      return;
    }
    case 4:
      farFieldFlux(n, x, U, F, t, U[0], p, U[1] / U[0], U[2] / U[0], U[4] / U[0]);
      return;
    default:  // walls, type 3 included
      F[0] = 0.0;
      F[1] = p * nx;
      F[2] = p * ny;
      F[3] = 0.0;
      F[4] = p * nz;
      return;
  }
}
