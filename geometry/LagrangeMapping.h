// Lagrange mappings: the physical position is the sum over the knots of a
// geometric shape function times the knot. With an element's own vertices as
// knots the map is linear (edge, triangle, tetrahedron), bilinear
// (quadrilateral), trilinear (hexahedron) or linear times linear (prism).
#ifndef DG_GEOMETRY_LAGRANGE_MAPPING_H
#define DG_GEOMETRY_LAGRANGE_MAPPING_H

#include <vector>

#include "Mapping.h"

namespace KORA {

// Geometric shape functions of each kind at (u, v, w) in knot order, and their
// gradients with respect to (u, v, w).
void GeomShapeFunctionLine(double u, double v, double w, double *f);
void GeomShapeFunctionTri(double u, double v, double w, double *f);
void GeomShapeFunctionQuad(double u, double v, double w, double *f);
void GeomShapeFunctionTet(double u, double v, double w, double *f);
void GeomShapeFunctionHex(double u, double v, double w, double *f);
void GeomShapeFunctionPrism(double u, double v, double w, double *f);
void GradGeomShapeFunctionLine(double u, double v, double w, mVector *g);
void GradGeomShapeFunctionTri(double u, double v, double w, mVector *g);
void GradGeomShapeFunctionQuad(double u, double v, double w, mVector *g);
void GradGeomShapeFunctionTet(double u, double v, double w, mVector *g);
void GradGeomShapeFunctionHex(double u, double v, double w, mVector *g);
void GradGeomShapeFunctionPrism(double u, double v, double w, mVector *g);

class LagrangeMapping : public Mapping {
 public:
  // Knots are the entity's vertices; the kind is the entity's element type.
  explicit LagrangeMapping(mEntity *e);
  // Knots are a copy of the points; the kind is (number of points - 1), i.e.
  // vertex, edge, triangle or quadrilateral for 1 to 4 points. The entity is
  // only remembered.
  LagrangeMapping(mEntity *e, std::vector<mPoint> *points);
  // The part of a triangle or quadrilateral where f >= 0 (cond > 0), f <= 0
  // (cond < 0) or f = 0 (cond = 0), cut along the linear interpolant of f.
  // Sets the kind by the number of knots (0 with cached dimension -1 when
  // nothing or too much is left) and the entity's cached element dimension.
  LagrangeMapping(mEntity *e, double (*f)(mPoint &), int cond);
  ~LagrangeMapping() override = default;

  void eval(double u, double v, double w, double &x, double &y,
            double &z) const override;
  void deval(double u, double v, double w, double &dxdu, double &dydu,
             double &dzdu, double &dxdv, double &dydv, double &dzdv,
             double &dxdw, double &dydw, double &dzdw) const override;
  using Mapping::normalVector;
  void normalVector(mEntity *border, double u, double v, double w,
                    mVector &n) const override;
  // Box of the entity's vertices (of the knots when no entity is given).
  void boundingBox(mPoint &min, mPoint &max) const override;
  int order() const override { return 1; }
  int geomOrder() const override { return 1; }

  std::vector<mPoint> &getKnots() { return knots; }
  const std::vector<mPoint> &getKnots() const { return knots; }
  int getType() const { return type; }

  // Shape-function values (gradients) at (u, v, w), one per knot; returns
  // how many were written. A kind without shape functions, or a knot list
  // whose length does not match the kind, writes nothing and returns 0 (the
  // values form also prints "GeomshapeFunction: Entity type not supported").
  int GeomShapeFunction(double u, double v, double w, double *values) const;
  int GradGeomShapeFunction(double u, double v, double w,
                            mVector *gradients) const;

  // Largest number of shape functions of any kind.
  static constexpr int MaxShapeFunctions = 8;

 protected:
  // Number of shape functions the kind has for the current knots, or 0.
  int nbShapeFunctions() const;

  std::vector<mPoint> knots;
  int type;
};

// Affine kinds (edge, triangle, tetrahedron): the inverse Jacobian and the
// absolute value of its determinant are computed once at (0, 0, 0).
class ConstantLagrangeMapping : public LagrangeMapping {
 public:
  explicit ConstantLagrangeMapping(mEntity *e);
  ~ConstantLagrangeMapping() override = default;
  double jacInverse(double u, double v, double w,
                    mTensor2 &inverse) const override;
  double detJac(double u, double v, double w) const override;

 private:
  double det;
  mTensor2 inv;
};

// Axisymmetric runs: the determinant is weighted by the radius x (with its
// sign).
class CylindricalCoordinatesLagrangeMapping : public LagrangeMapping {
 public:
  explicit CylindricalCoordinatesLagrangeMapping(mEntity *e);
  ~CylindricalCoordinatesLagrangeMapping() override = default;
  double jacInverse(double u, double v, double w,
                    mTensor2 &inverse) const override;
  double detJac(double u, double v, double w) const override;
  int order() const override { return 2; }
};

// An axis-aligned box (a quadrilateral in the x-y plane or a hexahedron)
// mapped in closed form.
class RegularCubeLagrangeMapping : public LagrangeMapping {
 public:
  explicit RegularCubeLagrangeMapping(mEntity *e);
  ~RegularCubeLagrangeMapping() override = default;
  bool invert(double x, double y, double z, double &u, double &v,
              double &w) const override;
  double jacInverse(double u, double v, double w,
                    mTensor2 &inverse) const override;
  double detJac(double u, double v, double w) const override;
  void eval(double u, double v, double w, double &x, double &y,
            double &z) const override;
  void deval(double u, double v, double w, double &dxdu, double &dydu,
             double &dzdu, double &dxdv, double &dydv, double &dzdv,
             double &dxdw, double &dydw, double &dzdw) const override;
  using LagrangeMapping::normalVector;
  void normalVector(mEntity *border, double u, double v, double w,
                    mVector &n) const override;
  using Mapping::PushBack;
  // Scales the components of the first n gradients (at most the vector's
  // size) by 2/dx, 2/dy and, for a hexahedron, 2/dz.
  virtual double PushBack(double u, double v, double w, int n,
                          std::vector<mVector> &gradients) const;

 private:
  bool isQuad() const;
  double x0, y0, z0, dx, dy, dz;
};

// Chooses the mapping of an entity; the caller owns the result.
class MappingBuilder {
 public:
  virtual ~MappingBuilder() = default;
  // flag != 0 (axisymmetric run): cylindrical mapping for every kind;
  // otherwise constant for edges, triangles and tetrahedra, plain Lagrange
  // for the other kinds.
  virtual Mapping *BuildMapping(mEntity *e, int flag);
  bool isCubeRegular(mEntity *) { return true; }
};

}  // namespace KORA

#endif
