// Gauss quadrature rules on the reference elements.
//
// Reference elements: edge [-1, 1]; triangle u, v >= 0, u + v <= 1; tetrahedron
// u, v, w >= 0, u + v + w <= 1; quadrilateral [-1, 1]^2; hexahedron [-1, 1]^3.
//
// Triangle and tetrahedron rules store weights that sum to 1 (the caller scales
// them by the reference measure); quadrilateral and hexahedron weights sum to 4
// and 8. Low orders are fixed symmetric tables; higher orders are products of
// one-dimensional Gauss-Legendre rules (collapsed onto the simplices), built on
// first request and cached until the process ends.
#ifndef DG_GEOMETRY_GAUSS_QUADRATURE_H
#define DG_GEOMETRY_GAUSS_QUADRATURE_H

namespace KORA {

// One point of a two-dimensional rule (triangle or quadrilateral).
struct IntPt2d {
  double u, v;
  double weight;
};

// One point of a three-dimensional rule (tetrahedron or hexahedron).
struct IntPt3d {
  double u, v, w;
  double weight;
};

// Largest number of Gauss-Legendre nodes per direction the one-dimensional
// table provides; every product and collapsed rule cache covers it.
constexpr int GaussLegendreMaxPoints = 49;

// Points *nodes and *weights at the n-point Gauss-Legendre rule on [-1, 1]
// (nodes ascending, weights summing to 2). Returns 1. For n outside
// 1..GaussLegendreMaxPoints prints a message and throws the integer 1.
int GaussLegendre1D(int n, double **nodes, double **weights);

// Collapsed product rules on the unit triangle and tetrahedron, with n1, n2
// (and n3) Gauss-Legendre nodes along the collapsed coordinates. The caller's
// storage must hold n1*n2 (n1*n2*n3) records; returns the number written.
// Weights sum to 1.
int GaussLegendreTri(int n1, int n2, IntPt2d *pts);
int GaussLegendreTet(int n1, int n2, int n3, IntPt3d *pts);

// Collapsed maps from the square [-1,1]^2 to the unit triangle and from the
// cube [-1,1]^3 to the unit tetrahedron, with the Jacobian of the map.
void quadToTri(double x, double y, double &u, double &v, double &jac);
double quadToTriJac(double x, double y);
void brickToTet(double x, double y, double z, double &u, double &v, double &w,
                double &jac);

// Rules by polynomial order: the rule itself (owned by the library, valid for
// the rest of the run) and its number of points. Negative orders are taken
// as order 0.
IntPt2d *getGQTPts(int order);
int getNGQTPts(int order);
IntPt3d *getGQTetPts(int order);
int getNGQTetPts(int order);
IntPt2d *getGQQPts(int order);
int getNGQQPts(int order);
IntPt3d *getGQHPts(int order);
int getNGQHPts(int order);

}  // namespace KORA

#endif
