// Geometry and quality of mesh entities, read through the procedural
// interface. Several results are squared or signed: see each line.
#ifndef DG_MESHTOOLS_MT_GEOMETRY_H
#define DG_MESHTOOLS_MT_GEOMETRY_H

#include "KORA.h"

void R_coord(KORA::pRegion r, double xyz[][3]);
void F_coord(KORA::pFace f, double xyz[][3]);
// Signed volume.
double R_volume(KORA::pRegion r);
// 1 when flat or inverted.
int R_checkFlat(KORA::pRegion r);
int F_checkFlat(KORA::pFace f, const double normal[3]);
// (x1 - x0) x (x2 - x0) of the face's first three vertices, NOT normalised;
// dir is ignored.
void F_normalVector(KORA::pFace f, int dir, double out[3]);
// SQUARED length.
double E_length(KORA::pEdge e);
// Cosine of the dihedral angle along x0 x1 between the half-planes of x2 and x3.
double E_dihedral(const double xyz[][3]);
void R_dihedral(KORA::pRegion r, double* cosSmall, double* cosLarge);
double R_inscrRad(KORA::pRegion r);
double R_circumRad(KORA::pRegion r);
double R_rbyR(KORA::pRegion r);
double R_aspectRatio(KORA::pRegion r);
double R_edgLenRatio(KORA::pRegion r);
int R_shape(KORA::pRegion r, double* shape);

#endif
