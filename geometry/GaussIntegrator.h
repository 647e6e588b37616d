// Gauss points and weights on a mesh entity's reference element.
#ifndef DG_GEOMETRY_GAUSS_INTEGRATOR_H
#define DG_GEOMETRY_GAUSS_INTEGRATOR_H

namespace KORA {

class mEntity;

class Integrator {
 public:
  virtual ~Integrator() = default;
  virtual int nbIntegrationPoints(int order) const = 0;
  virtual int nbIntegrationPoints_way2(int order) const = 0;
  virtual void iPoint(int i, int order, double &u, double &v, double &w,
                      double &weight) const = 0;
  virtual void iPoint_way2(int i, int order, double &u, double &v, double &w,
                           double &weight) const = 0;
};

// Bound to one entity (not owned); made on the stack where an integral is
// needed. The plain forms take the kind from the entity's element type, the
// _way2 forms from its cached element type. Returned weights sum to the
// reference measure: 2 (edge), 1/2 (triangle), 4 (quadrilateral), 1/6
// (tetrahedron), 8 (hexahedron), 1 (vertex). Prisms, pyramids and other
// kinds throw the integer 1; so does a point index outside the rule, and an
// order whose rule would need more than 49 Gauss-Legendre nodes per direction
// (after a message).
class GaussIntegrator : public Integrator {
 public:
  explicit GaussIntegrator(mEntity *e) : ent(e) {}
  int nbIntegrationPoints(int order) const override;
  int nbIntegrationPoints_way2(int order) const override;
  void iPoint(int i, int order, double &u, double &v, double &w,
              double &weight) const override;
  void iPoint_way2(int i, int order, double &u, double &v, double &w,
                   double &weight) const override;

 private:
  mEntity *ent;
};

}  // namespace KORA

#endif
