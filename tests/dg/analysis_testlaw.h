// A test-only law whose wave speed is the state itself, so that a test sets
// each cell's stable time step through its mean. It has no flux; its source is
// a constant (0 unless set), and its boundary flux records the current region
// of the run state that it sees.
#ifndef TESTS_DG_ANALYSIS_TESTLAW_H
#define TESTS_DG_ANALYSIS_TESTLAW_H

#include <string>
#include <vector>

#include "DGParameters.h"
#include "GlobalParamManager.h"

#include "ConservationLaw.h"

namespace antest {

class SpeedLaw : public ConservationLaw {
public:
  explicit SpeedLaw(int fields = 1, FieldEvaluator *far = nullptr) : n(fields) { farField = far; }
  int nbFields() const override { return n; }
  void Fi(int, const KORA::mPoint &, const double *, KORA::mVector &flux) const override {
    flux = KORA::mVector(0, 0, 0);
  }
  void Fi(const KORA::mPoint &, const double *, KORA::mVector *flux) const override {
    for (int i = 0; i < n; ++i) flux[i] = KORA::mVector(0, 0, 0);
  }
  void RHS(const double *, const KORA::mVector *, const KORA::mPoint &, double *S) const override {
    for (int i = 0; i < n; ++i) S[i] = source;
  }
  void riemannSolver(const KORA::mVector &, const KORA::mPoint &, const double *, const double *,
                     double *FL, double *FR) const override {
    for (int i = 0; i < n; ++i) FL[i] = FR[i] = 0.0;
  }
  void boundaryFlux(const KORA::mVector &, int tag, const KORA::mPoint &, double *, double *F,
                    double t) const override {
    const int region = GlobalParamManager::Instance()->parameters->state.region;
    seen.push_back({tag, region, t});
    for (int i = 0; i < n; ++i) F[i] = 0.0;
  }
  double maximumEigenValue(const double *U, const KORA::mPoint &) const override { return U[0]; }
  int getNbFieldsOfInterest() const override { return 0; }
  void getNameAndSize(int, int &, std::string &) const override {}
  void getIthFieldOfInterest(int, const KORA::mPoint &, const double *, const KORA::mVector *,
                             double *, double) const override {}
  bool isPhysical(const double *) const override { return true; }
  double jumpQuantity(const double *U, const KORA::mVector *) const override { return U[0]; }
  void characteristicVectorField(const KORA::mPoint &, double, const double *,
                                 const KORA::mVector *, KORA::mVector &out) const override {
    out = KORA::mVector(0, 0, 0);
  }

  struct BoundaryCall {
    int tag, region;
    double t;
  };
  double source = 0.0;
  mutable std::vector<BoundaryCall> seen;

private:
  int n;
};

}  // namespace antest

#endif
