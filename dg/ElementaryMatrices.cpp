#include "ElementaryMatrices.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "FieldEvaluator.h"
#include "FunctionSpace.h"
#include "GaussIntegrator.h"
#include "Mapping.h"
#include "mEntity.h"

using KORA::GaussIntegrator;
using KORA::Mapping;
using KORA::mEntity;
using KORA::mPoint;
using KORA::mVector;

namespace {

void zero(double **M, int rows, int cols) {
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) M[i][j] = 0.0;
}

// Adds c * a_i * b_j to M[i][j].
void addOuter(double **M, const std::vector<double> &a, int na, const std::vector<double> &b, int nb, double c) {
  for (int i = 0; i < na; ++i) {
    const double ci = c * a[i];
    double *row = M[i];
    for (int j = 0; j < nb; ++j) row[j] += ci * b[j];
  }
}

// Calls f(u, v, w, weight) at every point of the order-q Gauss rule of e.
template <class F>
void forEachGaussPoint(mEntity *e, int q, F &&f) {
  GaussIntegrator gauss(e);
  const int K = gauss.nbIntegrationPoints(q);
  for (int k = 0; k < K; ++k) {
    double u, v, w, weight;
    gauss.iPoint(k, q, u, v, w, weight);
    f(u, v, w, weight);
  }
}

// Whether the Jacobian of a quadrilateral's or hexahedron's map is the same
// at every corner of the reference square or cube: its entries are then
// constant, each being multilinear in the other coordinates.
bool constantJacobian(const Mapping *mapping, int dim) {
  const int corners = 1 << dim;
  double first[9] = {}, scale = 0.0;
  bool same = true;
  for (int c = 0; c < corners && same; ++c) {
    const double u = (c & 1) ? 1.0 : -1.0, v = (c & 2) ? 1.0 : -1.0, w = dim == 3 ? ((c & 4) ? 1.0 : -1.0) : 0.0;
    double d[9];
    mapping->deval(u, v, w, d[0], d[1], d[2], d[3], d[4], d[5], d[6], d[7], d[8]);
    if (c == 0) {
      std::copy(d, d + 9, first);
      for (double x : d) scale = std::max(scale, std::fabs(x));
      continue;
    }
    for (int i = 0; i < 9; ++i) same = same && std::fabs(d[i] - first[i]) <= 1e-12 * scale;
  }
  return same;
}

}  // namespace

int jacobianDegree(const Mapping *mapping) {
  const int g = mapping->geomOrder();
  // The cylindrical mapping weighs the determinant by the radius, a
  // coordinate of degree g.
  const int radius = (mapping->order() - 1) * g;
  const mEntity *e = mapping->getEntity();
  if (!e) return radius;
  switch (e->getType()) {
    case mEntity::QUAD:
      return radius + (g == 1 && constantJacobian(mapping, 2) ? 0 : 2 * g - 1);
    case mEntity::HEX:
      return radius + (g == 1 && constantJacobian(mapping, 3) ? 0 : 3 * g - 1);
    case mEntity::TRI:
      return radius + 2 * (g - 1);
    case mEntity::TET:
      return radius + 3 * (g - 1);
    default:
      return radius;
  }
}

int projectionRuleOrder(int p, int fieldDegree, const Mapping *mapping) {
  const int q = std::max(p, 0) + std::max(fieldDegree, 0) + jacobianDegree(mapping);
  // The order-3 rules of the triangle and the tetrahedron weigh their centre
  // negatively and have fewer points than a quadratic basis has functions:
  // projecting a jump with them gives values beyond the field's range (a
  // negative density). The order-4 rules have positive weights.
  const mEntity *e = mapping->getEntity();
  if (q == 3 && e && (e->getType() == mEntity::TRI || e->getType() == mEntity::TET)) return 4;
  return q;
}

int fieldProjectionRuleOrder(int p, int fieldOrder, const Mapping *mapping) {
  // A field is projected with at least the mass matrix's rule: a rule with
  // fewer points than the basis has functions gives no projection at all of
  // a field that is not the low-order polynomial its order() claims (a jump,
  // a cosine mode).
  return projectionRuleOrder(p, std::max(fieldOrder * mapping->geomOrder(), p), mapping);
}

void massMatrix(const FunctionSpace *space, const Mapping *mapping, mEntity *entity, double **M,
                const double &factor) {
  const int n = space->size();
  const int q = projectionRuleOrder(space->order(), space->order(), mapping);
  zero(M, n, n);
  std::vector<double> phi(n);
  forEachGaussPoint(entity, q, [&](double u, double v, double w, double weight) {
    const double c = mapping->detJac(u, v, w) * factor;
    space->fcts(u, v, w, phi);
    addOuter(M, phi, n, phi, n, c * weight);
  });
}

void stifnessMatrix(const FunctionSpace *space, const Mapping *mapping, mEntity *entity, double **K,
                    const double &factor) {
  const int n = space->size();
  const int q = 2 * space->order();
  zero(K, n, n);
  std::vector<mVector> g(n);
  forEachGaussPoint(entity, q, [&](double u, double v, double w, double weight) {
    const double c = space->grads(u, v, w, mapping, g) * factor * weight;
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) K[i][j] += (g[j] * g[i]) * c;
  });
}

void restrictedMassMatrix(const FunctionSpace *space, mEntity *, const Mapping *cellMapping, mEntity *sub,
                          const Mapping *subMapping, double **M, const double &factor) {
  const int n = space->size();
  const int q = 2 * space->order();
  zero(M, n, n);
  std::vector<double> phi(n);
  forEachGaussPoint(sub, q, [&](double u, double v, double w, double weight) {
    const double c = subMapping->detJac(u, v, w) * factor;
    double x, y, z;
    subMapping->eval(u, v, w, x, y, z);
    double uc, vc, wc;
    cellMapping->invert(x, y, z, uc, vc, wc);
    space->fcts(uc, vc, wc, phi);
    addOuter(M, phi, n, phi, n, c * weight);
  });
}

namespace {

// Shared walk of the two-space face integrals; `neumann` selects the normal
// derivative of space 2's functions in place of their values.
void twoSpaceFaceIntegral(const FunctionSpace *space1, const Mapping *mapping1, const FunctionSpace *space2,
                          const Mapping *mapping2, mEntity *sub, const Mapping *subMapping, double **M,
                          double factor, bool reset, bool neumann) {
  const int n1 = space1->size(), n2 = space2->size();
  const int q = space1->order() + space2->order();
  if (reset) zero(M, n1, n2);
  std::vector<double> phi1(n1), phi2(n2);
  std::vector<mVector> g2(neumann ? n2 : 0);
  forEachGaussPoint(sub, q, [&](double u, double v, double w, double weight) {
    const double c = subMapping->detJac(u, v, w) * factor;
    double x, y, z;
    subMapping->eval(u, v, w, x, y, z);
    double u1, v1, w1, u2, v2, w2;
    mapping1->invert(x, y, z, u1, v1, w1);
    mapping2->invert(x, y, z, u2, v2, w2);
    space1->fcts(u1, v1, w1, phi1);
    if (neumann) {
      space2->grads(u2, v2, w2, mapping2, g2);
      mVector nrm;
      mapping1->normalVector(sub, u1, v1, w1, nrm);
      for (int j = 0; j < n2; ++j) phi2[j] = g2[j] * nrm;
    } else {
      space2->fcts(u2, v2, w2, phi2);
    }
    addOuter(M, phi1, n1, phi2, n2, c * weight);
  });
}

}  // namespace

void restrictedMassMatrix(const FunctionSpace *space1, mEntity *, const Mapping *mapping1,
                          const FunctionSpace *space2, mEntity *, const Mapping *mapping2, mEntity *sub,
                          const Mapping *subMapping, double **M, const double &factor, bool reset, bool print) {
  twoSpaceFaceIntegral(space1, mapping1, space2, mapping2, sub, subMapping, M, factor, reset, false);
  if (print) printMatrix(M, space1->size(), space2->size(), 'M');
}

void restrictedNeumann(const FunctionSpace *space1, mEntity *, const Mapping *mapping1, const FunctionSpace *space2,
                       mEntity *, const Mapping *mapping2, mEntity *sub, const Mapping *subMapping, double **M,
                       const double &factor, bool reset, bool print) {
  twoSpaceFaceIntegral(space1, mapping1, space2, mapping2, sub, subMapping, M, factor, reset, true);
  if (print) printMatrix(M, space1->size(), space2->size(), 'N');
}

void sourceTerm(const FunctionSpace *space, const Mapping *mapping, mEntity *entity, double *b,
                const FieldEvaluator *field) {
  const int n = space->size();
  const int q = fieldProjectionRuleOrder(space->order(), field->order(), mapping);
  for (int i = 0; i < n; ++i) b[i] = 0.0;
  std::vector<double> phi(n);
  // Room for every component a law can have, though only the first is used.
  double values[256];
  forEachGaussPoint(entity, q, [&](double u, double v, double w, double weight) {
    const double d = mapping->detJac(u, v, w);
    space->fcts(u, v, w, phi);
    double x, y, z;
    mapping->eval(u, v, w, x, y, z);
    field->eval(mPoint(x, y, z), 0.0, values);
    const double c = d * values[0] * weight;
    for (int i = 0; i < n; ++i) b[i] += c * phi[i];
  });
}

void printMatrix(double **M, int rows, int columns, char letter) {
  for (int i = 0; i < rows; ++i) {
    if (i == rows / 2 - 1)
      std::printf("%c = | ", letter);
    else
      std::printf("    | ");
    for (int j = 0; j < columns; ++j) std::printf("%12.5E ", M[i][j]);
    std::printf(" |\n");
  }
  std::printf("\n");
}
