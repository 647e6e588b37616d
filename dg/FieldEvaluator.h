#ifndef DG_FIELDEVALUATOR_H
#define DG_FIELDEVALUATOR_H

// A vector field given at a point and a time: initial conditions, exact
// solutions, boundary states and source data all implement it, and a DG cell
// projects any of them onto its basis.

#include "mPoint.h"
#include "mVector.h"

class FieldEvaluator {
public:
  // Writes the field's components at (p, t) into values; the caller provides
  // room for all of them.
  virtual void eval(const KORA::mPoint &p, double t, double *values) const = 0;
  // Writes the gradient of every component. Only fields that know their
  // gradients provide it; the others throw the integer 1.
  virtual void evalGrad(const KORA::mPoint &p, double t, KORA::mVector *gradients) const {
    (void)p;
    (void)t;
    (void)gradients;
    throw 1;
  }
  // Polynomial degree the field is treated as having when it is integrated.
  virtual int order() const = 0;
  virtual ~FieldEvaluator() = default;
};

#endif
