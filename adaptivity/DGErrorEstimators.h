#ifndef DG_DGERRORESTIMATORS_H
#define DG_DGERRORESTIMATORS_H

// The error estimators. A cell's error is the sum of the error contributions
// that reached it divided by the sum of the weight contributions. Four
// estimators report per face (the accumulation adds a face's weight and error
// to both its cells); one sets each cell's accumulators itself. None keeps
// state or changes the solution; the law comes from the global context.
//
// "Centre" below is the physical point of the cell's reference centre, and a
// value "at the centre" is taken from the current coefficients there.

#include "DGErrorEstimator.h"

// Relative difference quotient of field 0: weight 1 and
//   interior: ((vL - vR) / (0.5 (vL + vR)) / d)^2, d the distance of the centres;
//   boundary: |grad vL|^2 / vL^2.
// A zero denominator gives error 0.
class DGErrorEstimatorGrad : public DGErrorEstimator {
public:
  using DGErrorEstimator::computeError;
  void computeError(DGCell *left, DGCell *right, DGBoundaryCell *face, double &weight,
                    double &error) const override;
};

// Jump of the law's jumpQuantity at the face points, weight w = point weight
// times face Jacobian: error = sum |qL - qR|^2 w, weight = sum (|qL| + |qR|)^2 w;
// a point without right state adds no error and (2|qL|)^2 w of weight.
// Points whose left state was never computed are skipped.
class DGErrorEstimatorJump : public DGErrorEstimator {
public:
  using DGErrorEstimator::computeError;
  void computeError(DGCell *left, DGCell *right, DGBoundaryCell *face, double &weight,
                    double &error) const override;
};

// Difference of the gradients of field 0 at the two centres along the line
// joining them: error (d . gL - d . gR)^2, d = centre R - centre L; boundary
// faces add weight 1 and no error.
class DGErrorEstimatorHD : public DGErrorEstimator {
public:
  using DGErrorEstimator::computeError;
  void computeError(DGCell *left, DGCell *right, DGBoundaryCell *face, double &weight,
                    double &error) const override;
};

// Vorticity of a 2-D flow whose fields 0, 1, 2 are density and momentum:
// error sqrt(wL^2 + wR^2) with w at each centre (wR = wL on the boundary),
// weight 1. A zero density gives a vorticity of 0.
class DGErrorEstimatorVort2d : public DGErrorEstimator {
public:
  using DGErrorEstimator::computeError;
  void computeError(DGCell *left, DGCell *right, DGBoundaryCell *face, double &weight,
                    double &error) const override;
};

// Cell form: g the gradient of field 0 at the centre from coefficient level 2
// (the corrected gradients of laws with higher-order gradients), c0 the mean
// of field 0, J the Jacobian determinant at the reference centre;
// D = |g|^2 + 1e-5 c0^2 / |J| (the second term dropped when J is 0), D = 1
// when it is 0; the cell's weight becomes 1 and its error sqrt(|g|^2 / D),
// which lies in [0, 1].
class DGErrorEstimatorHigherOrderGrads : public DGErrorEstimator {
public:
  using DGErrorEstimator::computeError;
  void computeError(DGCell *cell) const override;
};

#endif
