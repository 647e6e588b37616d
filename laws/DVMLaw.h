#ifndef DG_DVM_LAW_H
#define DG_DVM_LAW_H

// The discrete-velocity law: K scalar fields, field k carried by the constant
// velocity a_k = (A1[k], A2[k], A3[k]), a constant K x K collision matrix as
// volume source, and a reactive wall (boundary tag 1001) whose surface
// coverage evolves in time and is written as time series.
//
// The velocities are the nodes of Gauss-Hermite rules in each velocity
// direction. Field k belongs to species s and nodes (i1, i2, i3):
//   k = s * (K / nspecies) + i1 + K1 * i2 + K1 * K2 * i3,
// and the density of species s is the sum over its block of qK MK U.
//
// Life cycle: construct, readScalarLawALE() (reads "param.in" of the working
// directory), writeScalarLawALE() (echo), setupScalarLawALE(meshDimension);
// only then is the law usable. Fatal errors of the reading and the set-up
// print "... Fatal error ..." on standard output and end the process with
// status 1. The destructor writes "waferedge-proc0.dat".
//
// Boundary tags: 1001 reactive wall, 1002 fixed inflow, 1003 specular wall
// normal to x, 1004 specular wall normal to y; the sides of the box
// [xmin, xmax] x [ymin, ymax] x [.., zmax] are also recognised by exact
// equality of the coordinates.

#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ConservationLaw.h"
#include "FieldEvaluator.h"
#include "mPoint.h"
#include "mVector.h"

// Initial (and far-field) state of the discrete-velocity law: every species
// at its initial concentration times its Maxwellian, the same scaling as the
// fixed inflow (ctopin times the Maxwellian):
//   U[k] = scale * cini[s] * feq[k],  k in the block of species s.
// A constant field: order 0.
class ScalarLawALEInitialField : public FieldEvaluator {
public:
  ScalarLawALEInitialField(int K, int nspecies, double scale, const double* cini,
                           const double* feq);
  void eval(const KORA::mPoint& p, double t, double* values) const override;
  int order() const override { return 0; }

private:
  int K, nspecies;
  double scale;
  std::vector<double> cini, feq;
};

class ScalarLawALE : public ConservationLaw {
public:
  // Largest number of fields (the residual passes keep per-point scratch of
  // this size).
  static constexpr int kMaxVelocities = ConservationLaw::kMaxFields;

  ScalarLawALE();
  ~ScalarLawALE() override;

  // Reads "param.in" of the working directory. A missing file, a missing or
  // malformed line, a version other than 2.0, non-positive counts or more
  // than kMaxVelocities fields end the process with status 1.
  void readScalarLawALE();
  // Echoes the parameters on standard output; returns the flush status.
  int writeScalarLawALE();
  // Builds the velocities, matrices, Maxwellian and far field and opens the
  // time-series files; returns 0. Inconsistent parameters (dimension,
  // velocity kind, velocity dimension, a rule that cannot be built) end the
  // process with status 1.
  int setupScalarLawALE(int dim);

  int nbFields() const override { return K; }
  void Fi(int k, const KORA::mPoint& p, const double* U, KORA::mVector& flux) const override;
  void Fi(const KORA::mPoint& p, const double* U, KORA::mVector* flux) const override;
  void RHS(const double* U, const KORA::mVector* G, const KORA::mPoint& p,
           double* S) const override;
  // Upwind flux, the same in FL and FR; a field with vn = 0 takes UR.
  void riemannSolver(const KORA::mVector& n, const KORA::mPoint& p, const double* UL,
                     const double* UR, double* FL, double* FR) const override;
  // Reactive wall, inflow and specular walls; advances the wall coverage and
  // writes the time series (see the file comment). Const for the interface,
  // but it changes the wall state, which is kept in mutable members.
  void boundaryFlux(const KORA::mVector& n, int tag, const KORA::mPoint& p, double* U, double* F,
                    double t) const override;
  double maximumEigenValue(const double* U, const KORA::mPoint& p) const override;
  // nspecies densities ("s1", "s2", ...), plus the K fields ("f1", ...) when
  // iqint is 2.
  int getNbFieldsOfInterest() const override;
  void getNameAndSize(int i, int& size, std::string& name) const override;
  void getIthFieldOfInterest(int i, const KORA::mPoint& p, const double* U,
                             const KORA::mVector* G, double* out, double t) const override;
  bool isPhysical(const double* U) const override;
  double jumpQuantity(const double* U, const KORA::mVector* G) const override;
  void characteristicVectorField(const KORA::mPoint& p, double t, const double* U,
                                 const KORA::mVector* G, KORA::mVector& out) const override;

  // Density of species s in the state U: sum over its block of qK MK U.
  double speciesDensity(int s, const double* U) const;

  // Parameters (from "param.in") and set-up data, readable by callers.
  double ver = 0.0;
  int nspecies = 0, iprob = 0, npoi = 0, iqint = 0;
  int K1 = 0, K2 = 0, K3 = 0, K = 0;
  int ndimpos = 0, ndimvel = 0, iveltype = 0;
  double xmin = 0, xmax = 0, ymin = 0, ymax = 0, zmin = 0, zmax = 0;
  std::vector<double> crefi, vrefi, cini, ctopin;
  double rreact = 0, gamma0 = 0, gam1f = 0, gam1b = 0, gam2f = 0, gam2b = 0;
  double theta0 = 0, prefac = 0;
  std::vector<KORA::mPoint> probes;
  double dtout = 0, dtmovie = 0;
  int jobsetmat = 0;
  double tau = 1.0;
  std::vector<double> v1, q1, M1, v2, q2, M2, v3, q3, M3;
  std::vector<double> A1, A2, A3, qK, MK, feq;
  double** Crhs = nullptr;

  // Wall state of the boundary flux. Points closer than 1e-6 in every
  // coordinate are one wall point (the ordering of mPoint).
  mutable std::map<KORA::mPoint, double> coverage;
  mutable std::set<KORA::mPoint> pending;
  mutable std::map<KORA::mPoint, std::vector<double>> wallOutflux;
  mutable int nPending = 0;
  mutable double tnow = -69.0, dt = -69.0, Tnext = -69.0;
  mutable std::vector<KORA::mPoint> probeWall;
  mutable std::vector<double> inflowNorm, outflux;

private:
  void writeTimeSeries(const KORA::mPoint& p, double t) const;
  [[noreturn]] void unidentifiedBoundary(int tag, const KORA::mPoint& p, const KORA::mVector& n,
                                         int k, double vn, double t) const;

  std::unique_ptr<ScalarLawALEInitialField> initialField;
  bool zeroCollisions = true;  // Crhs is all zero: the source is 0
  double maxSpeed = 0.0;
  std::FILE* coverFile = nullptr;
  std::FILE* fluxFile = nullptr;
};

#endif
