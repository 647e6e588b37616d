// Small geometric helpers on raw coordinates for the sliver and boundary
// tests of the adaptation.
#ifndef DG_ADAPT_FROMMESHTOOLS_H
#define DG_ADAPT_FROMMESHTOOLS_H

#include "KORA.h"

class fromMeshTools {
 public:
  // Cosines of the interior angles of a triangle at its three corners.
  static void XYZ_FAngles(const double xyz[3][3], double out[3]);
  // Intersection of line A with line B, written as a point of line A;
  // *found = 0 (out untouched) for parallel lines.
  static void MT_intLineLine2(const double A[2][3], const double B[2][3], int* found, double out[3]);
  // 1 when swapping an edge of a triangle mesh on the model face is
  // acceptable: two non-flat triangles facing the model's way, neither of
  // them an existing face of the list, within the periodic span.
  static int E_evalSwpOnGFace(KORA::mEntity* edge, KORA::gEntity* g, KORA::fakeList*& faces, double* maxCos,
                              double* minOri);
};

#endif
