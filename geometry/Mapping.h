// Map of one mesh entity between reference coordinates (u, v, w) and physical
// coordinates (x, y, z). Concrete mappings supply eval and deval; everything
// else (Jacobian inverse, Newton inversion, inside tests, normals, push-back
// of gradients, subdivision into simplices) is built on those two.
#ifndef DG_GEOMETRY_MAPPING_H
#define DG_GEOMETRY_MAPPING_H

#include <vector>

#include "mPoint.h"
#include "mTensor2.h"
#include "mVector.h"

namespace KORA {

class mEntity;

class Mapping {
 public:
  explicit Mapping(mEntity *e) : ent(e) {}
  virtual ~Mapping() = default;
  Mapping(const Mapping &) = delete;
  Mapping &operator=(const Mapping &) = delete;

  // Reference coordinates of a physical point by Newton iteration from the
  // reference centre; false (with a message) when it did not converge.
  virtual bool invert(double x, double y, double z, double &u, double &v,
                      double &w) const;
  // Fills `inverse` with the inverse of the Jacobian at (u, v, w), entry (i, j)
  // being du_j/dx_i, and returns the determinant: signed volume scale of a
  // region, area scale of a face, length scale of an edge.
  virtual double jacInverse(double u, double v, double w,
                            mTensor2 &inverse) const;
  // The same with the entity's dimension taken from its cached element
  // dimension (set by the level-set constructor of LagrangeMapping).
  virtual double jacInverse_way2(double u, double v, double w,
                                 mTensor2 &inverse) const;
  virtual double detJac_way2(double u, double v, double w) const;
  virtual double detJac(double u, double v, double w) const;
  // Inside the reference element of the entity's kind, with tolerance 1e-5.
  virtual bool inReferenceElement(double u, double v, double w) const;
  // Physical point p inside the entity (bounding box with tolerance 1e-4,
  // then inversion and the reference inside test); (u, v, w) receive the
  // inverted coordinates when the inversion is tried. The entity argument is
  // not used: the mapping's own entity is tested.
  virtual bool interiorCheck(mEntity *, const mPoint &p, double &u, double &v,
                             double &w) const;
  // Reference centre of the entity's kind; unchanged for a vertex or pyramid.
  virtual void COG(double &u, double &v, double &w) const;
  // Replaces each of the n reference gradients by the physical one (the
  // inverse Jacobian times the gradient); returns the determinant.
  virtual double PushBack(double u, double v, double w, int n,
                          mVector *gradients) const;

  virtual void eval(double u, double v, double w, double &x, double &y,
                    double &z) const = 0;
  virtual void deval(double u, double v, double w, double &dxdu, double &dydu,
                     double &dzdu, double &dxdv, double &dydv, double &dzdv,
                     double &dxdw, double &dydw, double &dzdw) const = 0;
  // Outward unit normal of the element on one of its boundary entities.
  virtual void normalVector(mEntity *border, double u, double v, double w,
                            mVector &n) const = 0;
  // Unit normal of a curve (tangent turned clockwise in the x-y plane) or of a
  // surface; throws the integer 1 for a vertex or a region.
  virtual void normalVector(double u, double v, double w, mVector &n) const;
  virtual void boundingBox(mPoint &min, mPoint &max) const = 0;
  virtual int order() const = 0;
  virtual int geomOrder() const = 0;

  mEntity *getEntity() const { return ent; }
  // Fixed subdivision of the reference element into simplices: points in
  // reference coordinates (arrays of at least 15) and simplices as point
  // indices (room for 24); returns the number of simplices. Throws the
  // integer 1 for kinds other than triangle, quadrilateral, tetrahedron and
  // hexahedron.
  int simplexation(int &nbNodesPerSimplex, int &nbPoints, double u[],
                   double v[], double w[], int simplices[][4]) const;
  // Push-back of the first n gradients of the vector (at most its size).
  double PushBack(double u, double v, double w, int n,
                  std::vector<mVector> &gradients) const;

 protected:
  // Inverse and determinant of the Jacobian completed for an entity of
  // dimension dim (see jacInverse).
  double jacInverseOfDim(double u, double v, double w, int dim,
                         mTensor2 &inverse) const;

  mEntity *ent;
};

}  // namespace KORA

#endif
