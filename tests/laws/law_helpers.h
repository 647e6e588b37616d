#ifndef DG_TESTS_LAW_HELPERS_H
#define DG_TESTS_LAW_HELPERS_H

// Shared fixtures of the conservation-law tests: fields given by lambdas,
// a far field that remembers how it was asked, and small vector helpers.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "ConservationLaw.h"
#include "mPoint.h"
#include "mVector.h"

namespace lawtest {

using KORA::mPoint;
using KORA::mVector;

// A field given by a function of (point, time); counts its evaluations and
// remembers the last point and time it was asked at.
class LambdaField : public FieldEvaluator {
public:
  using Fn = std::function<void(const mPoint &, double, double *)>;
  using GradFn = std::function<void(const mPoint &, double, mVector *)>;
  explicit LambdaField(Fn f, GradFn g = nullptr) : fn(std::move(f)), grad(std::move(g)) {}
  void eval(const mPoint &p, double t, double *v) const override {
    ++calls;
    lastPoint = p;
    lastTime = t;
    fn(p, t, v);
  }
  void evalGrad(const mPoint &p, double t, mVector *g) const override {
    if (!grad) throw 1;
    grad(p, t, g);
  }
  int order() const override { return 1; }
  mutable int calls = 0;
  mutable mPoint lastPoint;
  mutable double lastTime = -1;

private:
  Fn fn;
  GradFn grad;
};

// A field with the same values everywhere.
inline LambdaField constantField(std::vector<double> values) {
  return LambdaField([values](const mPoint &, double, double *v) {
    for (std::size_t i = 0; i < values.size(); ++i) v[i] = values[i];
  });
}

inline double dot(const mVector &a, const mVector &n) { return a.x() * n.x() + a.y() * n.y() + a.z() * n.z(); }

// Physical normal flux of a state through the law's own inviscid flux.
inline std::vector<double> normalFlux(const ConservationLaw &law, const double *U, const mVector &n,
                                      const mPoint &p = mPoint()) {
  mVector f[ConservationLaw::kMaxFields];
  law.Fi(p, U, f);
  std::vector<double> out(law.nbFields());
  for (int j = 0; j < law.nbFields(); ++j) out[j] = dot(f[j], n);
  return out;
}

// Runs f with standard output captured; returns what it printed.
template <class F>
std::string captured(F f) {
  testing::internal::CaptureStdout();
  f();
  std::fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

// Checks two arrays entry by entry, with a tolerance relative to the scale.
inline void expectNear(const std::vector<double> &a, const std::vector<double> &b, double tol,
                       const std::string &what = "") {
  ASSERT_EQ(a.size(), b.size()) << what;
  for (std::size_t i = 0; i < a.size(); ++i)
    EXPECT_NEAR(a[i], b[i], tol * (1.0 + std::fabs(b[i]))) << what << " entry " << i;
}

// Unit vector along (x, y, z).
inline mVector unit(double x, double y, double z) {
  mVector v(x, y, z);
  v.normalize();
  return v;
}

}  // namespace lawtest

#endif
