#ifndef DG_FUNCTIONSPACE_H
#define DG_FUNCTIONSPACE_H

// Polynomial bases of the DG elements, one family per element kind:
//
//   triangle       OrthogonalTriangleFunctionSpace  (p+1)(p+2)/2 functions, p <= 12
//   quadrilateral  QuadFunctionSpace                (p+1)^2 functions, p <= 12
//   tetrahedron    OrthogonalTetFunctionSpace       (p+1)(p+2)(p+3)/6, p <= 8
//   hexahedron     HexFunctionSpace                 (p+1)^3 functions, p <= 12
//
// Simplex bases are orthonormal on their reference element except the
// constant (squared norm = reference measure); quadrilateral and hexahedron
// bases are Legendre tensor products, orthogonal but not normalised. The
// first function of every space is the constant 1.
//
// Results are written by index into caller-owned vectors holding at least
// size() entries; nothing is allocated. Orders beyond a family's basis data
// are refused with a text exception (std::string) when the space is made or
// its order changed, so no table is ever read out of bounds.

#include <vector>

#include "mVector.h"

namespace KORA {
class Mapping;
}

class FunctionSpace {
public:
  virtual ~FunctionSpace() = default;
  // Number of functions of the current order.
  virtual int size() const = 0;
  // Number of functions the family has for order p (any p >= 0).
  virtual int size(int p) const = 0;
  virtual int order() const = 0;
  virtual void setOrder(int p) = 0;
  // Basis values at reference coordinates.
  virtual void fcts(double u, double v, double w, std::vector<double> &values) const = 0;
  // Basis gradients with respect to the reference coordinates (third
  // component 0 in two dimensions).
  virtual void grads(double u, double v, double w, std::vector<KORA::mVector> &gradients) const = 0;
  // Physical gradients through the mapping; returns the mapping's Jacobian
  // determinant at (u, v, w).
  double grads(double u, double v, double w, const KORA::Mapping *mapping,
               std::vector<KORA::mVector> &gradients) const;
};

// A space that stores its order.
class PolynomialFunctionSpace : public FunctionSpace {
public:
  explicit PolynomialFunctionSpace(int p) : order_(p) {}
  int size() const override { return size(order_); }
  using FunctionSpace::size;
  int order() const override { return order_; }
  void setOrder(int p) override;

protected:
  // Highest order the family supports; negative means no limit.
  virtual int maxOrder() const = 0;
  virtual const char *familyName() const = 0;
  // Throws a text when p is negative or beyond maxOrder().
  void checkOrder(int p) const;

  int order_;
};

class OrthogonalTriangleFunctionSpace : public PolynomialFunctionSpace {
public:
  explicit OrthogonalTriangleFunctionSpace(int p);
  int size(int p) const override { return (p + 1) * (p + 2) / 2; }
  using PolynomialFunctionSpace::size;
  void fcts(double u, double v, double w, std::vector<double> &values) const override;
  void grads(double u, double v, double w, std::vector<KORA::mVector> &gradients) const override;
  using FunctionSpace::grads;

protected:
  int maxOrder() const override;
  const char *familyName() const override { return "triangle"; }
};

class QuadFunctionSpace : public PolynomialFunctionSpace {
public:
  explicit QuadFunctionSpace(int p);
  int size(int p) const override { return (p + 1) * (p + 1); }
  using PolynomialFunctionSpace::size;
  void fcts(double u, double v, double w, std::vector<double> &values) const override;
  void grads(double u, double v, double w, std::vector<KORA::mVector> &gradients) const override;
  using FunctionSpace::grads;

protected:
  int maxOrder() const override;
  const char *familyName() const override { return "quadrilateral"; }
};

class OrthogonalTetFunctionSpace : public PolynomialFunctionSpace {
public:
  explicit OrthogonalTetFunctionSpace(int p);
  int size(int p) const override { return (p + 1) * (p + 2) * (p + 3) / 6; }
  using PolynomialFunctionSpace::size;
  void fcts(double u, double v, double w, std::vector<double> &values) const override;
  void grads(double u, double v, double w, std::vector<KORA::mVector> &gradients) const override;
  using FunctionSpace::grads;

protected:
  int maxOrder() const override;
  const char *familyName() const override { return "tetrahedron"; }
};

class HexFunctionSpace : public PolynomialFunctionSpace {
public:
  explicit HexFunctionSpace(int p);
  int size(int p) const override { return (p + 1) * (p + 1) * (p + 1); }
  using PolynomialFunctionSpace::size;
  void fcts(double u, double v, double w, std::vector<double> &values) const override;
  void grads(double u, double v, double w, std::vector<KORA::mVector> &gradients) const override;
  using FunctionSpace::grads;

protected:
  int maxOrder() const override;
  const char *familyName() const override { return "hexahedron"; }
};

#endif
