// Vector algebra on plain arrays of three doubles, floating-point
// comparisons, the global geometric tolerance, 3x3 determinants, dense
// matrices and geometry on raw point coordinates.
#ifndef DG_MESHTOOLS_MT_VECTOR_H
#define DG_MESHTOOLS_MT_VECTOR_H

#include "KORA.h"

void diffVt(const double a[3], const double b[3], double out[3]);
void addVt(const double a[3], const double b[3], double out[3]);
double dotProd(const double a[3], const double b[3]);
void crossProd(const double a[3], const double b[3], double out[3]);
void scaleVt(double v[3], double s);
void negVt(double v[3]);
double vecMag(const double v[3]);
// out = v / |v|; a zero vector is not guarded against.
int normVt(const double v[3], double out[3]);
// a . (b x c)
double det3Mat(const double a[3], const double b[3], const double c[3]);
// 1 when both are <= 0 or both >= 0.
int sameSign(double p, double q);

int C_equal(double a, double b);
int C_gequal(double a, double b);
int C_lequal(double a, double b);
int C_raneql(double a, double b, double t);
int C_requal(double a, double b, double r);
int C_rgequal(double a, double b, double r);
int C_rlequal(double a, double b, double r);
int C_rnleql(double a, double b, double t);

// The global geometric tolerance, 1e-14 unless set. It is relative: the
// geometric checks compare a length with it times the size of the element at
// hand (XYZ_size2), an area with its square times the squared size, and so on,
// so that a mesh and its metric scaled by any factor are judged alike.
double M_getTolerance();
void M_setTolerance(KORA::pMesh mesh);

double det(int n, double** m);
// Zero-filled rows x columns block with row pointers; ends the process when
// memory runs out.
double** dMatAlloc(int rows, int columns);
void dMatFree(double** m);

// Signed volume, positive for ((x1-x0) x (x2-x0)) . (x3-x0) > 0.
double XYZ_volume(const double xyz[][3]);
// Squared distance.
double XYZ_distance2(const double a[3], const double b[3]);
// Squared distance from p to the line ab, negative when dir . ((b-a) x (p-a)) <= 0.
double P_distToLine(const double p[3], const double a[3], const double b[3], const double* dir);
// (p - a) . n with n = (b-a) x (c-a); *nn receives n . n.
double P_distToPlane(const double p[3], const double a[3], const double b[3], const double c[3],
                     double* nn);
void P_projOnTriPlane(const double xyz[][3], const double p[3], double proj[3], double normal[3],
                      double* dist);
// Squared length of the longest segment joining two of the n points: the size
// of an element, against which its geometric tolerances are taken.
double XYZ_size2(const double xyz[][3], int n);
// 1 when the tetrahedron is flat (a height below t times its longest edge) or
// inverted.
int XYZ_checkFlatTet(const double xyz[][3], double t);
int XYZ_checkFlat(const double xyz[][3]);
// 1 when the triangle is flat (a height below the tolerance times its longest
// edge) or turns the wrong way about normal.
int XYZ_checkFlatTri(const double xyz[][3], const double normal[3]);
// Signed squared cosines of the six interior dihedral angles.
void XYZ_dhdAngs(const double xyz[][3], double out[6]);
// V^4 / S^3 and 1; the negative 6V and 0 when inverted.
int XYZ_shape(const double xyz[][3], double* shape);

#endif
