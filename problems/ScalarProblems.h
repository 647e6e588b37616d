#ifndef DG_SCALARPROBLEMS_H
#define DG_SCALARPROBLEMS_H

// Set-ups of the scalar test problems: linear advection and
// advection-diffusion (problem 8) and the steady Burgers problem (problem 14),
// with their analytic fields. Fields are plain immutable objects; the set-ups
// create them with new and hand them to the law, which does not own them.

#include <iosfwd>

#include "FieldEvaluator.h"
#include "mPoint.h"
#include "mVector.h"

class ConservationLaw;

// values[0] = value.
class ConstantScalar : public FieldEvaluator {
public:
  explicit ConstantScalar(double v) : value(v) {}
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 0; }

private:
  double value;
};

// values[0..2] = the vector's components.
class ConstantVector : public FieldEvaluator {
public:
  explicit ConstantVector(const KORA::mVector &v) : value(v) {}
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 1; }

private:
  KORA::mVector value;
};

// 1 where x >= x0, else 0.
class HeavisideX : public FieldEvaluator {
public:
  explicit HeavisideX(double threshold) : x0(threshold) {}
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 2; }

private:
  double x0;
};

// 1 where y >= y0, else 0.
class HeavisideY : public FieldEvaluator {
public:
  explicit HeavisideY(double threshold) : y0(threshold) {}
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 2; }

private:
  double y0;
};

// The velocity (a, sum_{i=1..n} b cos(2 pi i x), 0).
class Velocity_Field : public FieldEvaluator {
public:
  Velocity_Field(double a_, double b_, int n_) : a(a_), b(b_), n(n_) {}
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 2; }

private:
  double a, b;
  int n;
};

// The source sum_{i=1..n} b sin(2 pi i x); a is kept but not read.
class Comp2_Field : public FieldEvaluator {
public:
  Comp2_Field(double a_, double b_, int n_) : a(a_), b(b_), n(n_) {}
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 2; }

private:
  double a, b;
  int n;
};

// Steady profile of unit-speed advection with diffusion 1/a on [0, 1]:
// x for a = 0, else (1 - e^(a x)) / (1 - e^a); 0 at x = 0 and 1 at x = 1.
class Exact1 : public FieldEvaluator {
public:
  explicit Exact1(double a_) : a(a_) {}
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  void evalGrad(const KORA::mPoint &p, double t, KORA::mVector *gradients) const override;
  int order() const override { return 6; }

private:
  double a;
};

// Zero source.
class Source1 : public FieldEvaluator {
public:
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 0; }
};

// Inflow switched on after t = 0: 1 for x < 0.01 and y > 0.5, -1 for x < 0.01
// and y < 0.5, 0 elsewhere (and everywhere for t <= 0).
class CaseOne : public FieldEvaluator {
public:
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 0; }
};

// 1 for t > 0, else 0, whatever the point.
class CaseTwo : public FieldEvaluator {
public:
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 0; }
};

// y.
class ExactOne : public FieldEvaluator {
public:
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 3; }
};

// (x^2 - 1) / 2 with x read as the radius; gradient (x, 0, 0).
class ExactAxi : public FieldEvaluator {
public:
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  void evalGrad(const KORA::mPoint &p, double t, KORA::mVector *gradients) const override;
  int order() const override { return 2; }
};

// The radial velocity (1/x, 0, 0); infinite on the axis x = 0.
class OneOverR : public FieldEvaluator {
public:
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 3; }
};

// Steady solution of (u^2/2)_x + u_y = 0 (y plays the part of time) from
// u(x, 0) = 0.5 + 0.5 sin(pi x), by bisection along the characteristics.
// The time is not read.
class ExactBurgers : public FieldEvaluator {
public:
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 4; }
};

// 0 before t = 0.01; afterwards 1 where x >= 0 and y < 0.1, -1 elsewhere.
class InitBurgers : public FieldEvaluator {
public:
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 1; }
};

// The question of the scalar set-up, written before the answer is read.
extern const char *const kScalarLawQuestion;

// Problem 8: asks the question on standard output, reads one integer from
// standard input and builds the law of that answer (see createScalarLaw
// below). A missing or non-integer answer throws a text.
ConservationLaw *createScalarLaw(double alpha, int nummodes);
// The same with the question and the answer on the given streams.
// Answers: 3 axisymmetric advection, 1 and -1 advection with a switched
// inflow, 2 and 4 advection-diffusion test cases, any other integer the
// default advection-diffusion case.
ConservationLaw *createScalarLaw(double alpha, int nummodes, std::istream &in, std::ostream &out);

// Problem 14: the Burgers law starting from, and fed at its inflow by, its
// exact steady solution. The dimension is not read.
ConservationLaw *createBurgersLaw(int dim);

#endif
