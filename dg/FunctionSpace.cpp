#include "FunctionSpace.h"

#include <string>

#include "Mapping.h"
#include "SHF.h"

using KORA::mVector;

double FunctionSpace::grads(double u, double v, double w, const KORA::Mapping *mapping,
                            std::vector<mVector> &gradients) const {
  grads(u, v, w, gradients);
  const int n = size();
  return mapping->PushBack(u, v, w, n, gradients.data());
}

void PolynomialFunctionSpace::checkOrder(int p) const {
  const int pmax = maxOrder();
  if (p < 0 || (pmax >= 0 && p > pmax)) {
    std::string msg = std::string("polynomial order ") + std::to_string(p) + " is not available for the " +
                      familyName() + " basis";
    msg += pmax >= 0 ? " (orders 0 to " + std::to_string(pmax) + ")" : " (orders from 0)";
    throw msg;
  }
}

void PolynomialFunctionSpace::setOrder(int p) {
  checkOrder(p);
  order_ = p;
}

// ---------------------------------------------------------------------------
// Triangle: orthonormal combinations of the Pascal monomials.

OrthogonalTriangleFunctionSpace::OrthogonalTriangleFunctionSpace(int p) : PolynomialFunctionSpace(p) {
  checkOrder(p);
}

int OrthogonalTriangleFunctionSpace::maxOrder() const { return SHF::maxTriangleOrder; }

void OrthogonalTriangleFunctionSpace::fcts(double u, double v, double, std::vector<double> &values) const {
  switch (order_) {
  case 0:
    values[0] = 1.0;
    return;
  case 1:
    values[0] = 1.0;
    values[1] = 6.0 * u - 2.0;
    values[2] = 3.46410161513775 * u - 3.464101615137754 + 6.928203230275512 * v;
    return;
  default:
    SHF::PascalgetAllOrthogonal(size(), u, v, values.data(), nullptr, nullptr);
  }
}

void OrthogonalTriangleFunctionSpace::grads(double u, double v, double, std::vector<mVector> &gradients) const {
  const int n = size();
  if (order_ <= 1) {
    for (int i = 0; i < n; ++i)
      gradients[i].set(SHF::PascalgetdFctduOrthogonal(i, u, v), SHF::PascalgetdFctdvOrthogonal(i, u, v), 0.0);
    return;
  }
  double du[SHF::nbTriangleFunctions], dv[SHF::nbTriangleFunctions];
  SHF::PascalgetAllOrthogonal(n, u, v, nullptr, du, dv);
  for (int i = 0; i < n; ++i) gradients[i].set(du[i], dv[i], 0.0);
}

// ---------------------------------------------------------------------------
// Quadrilateral: Legendre products in shell order.

QuadFunctionSpace::QuadFunctionSpace(int p) : PolynomialFunctionSpace(p) { checkOrder(p); }

int QuadFunctionSpace::maxOrder() const { return SHF::maxQuadOrder; }

void QuadFunctionSpace::fcts(double u, double v, double, std::vector<double> &values) const {
  switch (order_) {
  case 0:
    values[0] = 1.0;
    return;
  case 1:
    values[0] = 1.0;
    values[1] = u;
    values[2] = v;
    values[3] = u * v;
    return;
  default: {
    const int n = size();
    for (int i = 0; i < n; ++i) values[i] = SHF::getQFct(i, u, v, nullptr);
  }
  }
}

void QuadFunctionSpace::grads(double u, double v, double, std::vector<mVector> &gradients) const {
  switch (order_) {
  case 0:
    gradients[0].set(0.0, 0.0, 0.0);
    return;
  case 1:
    gradients[0].set(0.0, 0.0, 0.0);
    gradients[1].set(1.0, 0.0, 0.0);
    gradients[2].set(0.0, 1.0, 0.0);
    gradients[3].set(v, u, 0.0);
    return;
  default: {
    const int n = size();
    for (int i = 0; i < n; ++i)
      gradients[i].set(SHF::getQdFctdu(i, u, v, nullptr), SHF::getQdFctdv(i, u, v, nullptr), 0.0);
  }
  }
}

// ---------------------------------------------------------------------------
// Tetrahedron: orthonormal combinations of the tetrahedron monomials.

OrthogonalTetFunctionSpace::OrthogonalTetFunctionSpace(int p) : PolynomialFunctionSpace(p) { checkOrder(p); }

int OrthogonalTetFunctionSpace::maxOrder() const { return SHF::maxTetOrder; }

void OrthogonalTetFunctionSpace::fcts(double u, double v, double w, std::vector<double> &values) const {
  switch (order_) {
  case 0:
    values[0] = 1.0;
    return;
  case 1:
    // Functions 1 to 3 combine the monomials 1, u, v, w.
    values[0] = 1.0;
    for (int k = 1; k <= 3; ++k) {
      const double *r = myTetOrtho[k];
      values[k] = r[0] + r[1] * u + r[2] * v + r[3] * w;
    }
    return;
  default:
    SHF::getTetAllOrthogonal(size(), u, v, w, values.data(), nullptr, nullptr, nullptr);
  }
}

void OrthogonalTetFunctionSpace::grads(double u, double v, double w, std::vector<mVector> &gradients) const {
  switch (order_) {
  case 0:
    gradients[0].set(0.0, 0.0, 0.0);
    return;
  case 1:
    gradients[0].set(0.0, 0.0, 0.0);
    for (int k = 1; k <= 3; ++k) gradients[k].set(myTetOrtho[k][1], myTetOrtho[k][2], myTetOrtho[k][3]);
    return;
  default: {
    const int n = size();
    double du[SHF::nbTetFunctions], dv[SHF::nbTetFunctions], dw[SHF::nbTetFunctions];
    SHF::getTetAllOrthogonal(n, u, v, w, nullptr, du, dv, dw);
    for (int i = 0; i < n; ++i) gradients[i].set(du[i], dv[i], dw[i]);
  }
  }
}

// ---------------------------------------------------------------------------
// Hexahedron: Legendre products in shells of the largest degree.

HexFunctionSpace::HexFunctionSpace(int p) : PolynomialFunctionSpace(p) { checkOrder(p); }

int HexFunctionSpace::maxOrder() const { return SHF::maxHexOrder; }

namespace {

// P_i and P_i' at x for i = 0..p.
void legendreRow(int p, double x, double *L, double *dL) {
  for (int i = 0; i <= p; ++i) {
    L[i] = LegendrePolynomial(i, x);
    if (dL) dL[i] = _dLegendrePolynomial(i, x);
  }
}

}  // namespace

void HexFunctionSpace::fcts(double u, double v, double w, std::vector<double> &values) const {
  const int n = size();
  if (order_ <= 1) {
    for (int i = 0; i < n; ++i) values[i] = SHF::getHexFct(i, u, v, w);
    return;
  }
  // One row of Legendre values per direction, then the products.
  double Lu[SHF::maxHexOrder + 1], Lv[SHF::maxHexOrder + 1], Lw[SHF::maxHexOrder + 1];
  legendreRow(order_, u, Lu, nullptr);
  legendreRow(order_, v, Lv, nullptr);
  legendreRow(order_, w, Lw, nullptr);
  for (int k = 0; k < n; ++k) {
    int i, j, l;
    getHexOrders(k, i, j, l);
    values[k] = Lu[i] * Lv[j] * Lw[l];
  }
}

void HexFunctionSpace::grads(double u, double v, double w, std::vector<mVector> &gradients) const {
  const int n = size();
  if (order_ <= 1) {
    for (int i = 0; i < n; ++i)
      gradients[i].set(SHF::getHexdFctdu(i, u, v, w), SHF::getHexdFctdv(i, u, v, w),
                       SHF::getHexdFctdw(i, u, v, w));
    return;
  }
  double Lu[SHF::maxHexOrder + 1], Lv[SHF::maxHexOrder + 1], Lw[SHF::maxHexOrder + 1];
  double dLu[SHF::maxHexOrder + 1], dLv[SHF::maxHexOrder + 1], dLw[SHF::maxHexOrder + 1];
  legendreRow(order_, u, Lu, dLu);
  legendreRow(order_, v, Lv, dLv);
  legendreRow(order_, w, Lw, dLw);
  for (int k = 0; k < n; ++k) {
    int i, j, l;
    getHexOrders(k, i, j, l);
    gradients[k].set(dLu[i] * Lv[j] * Lw[l], Lu[i] * dLv[j] * Lw[l], Lu[i] * Lv[j] * dLw[l]);
  }
}
