// Static functions shared by the refinement templates, the measures and the
// adaptation utilities: metric lengths, the tetrahedron numbering of the
// templates, the inner diagonal choice and new vertex locations on the model.
// The modification wrappers are part of the class through its base.
#ifndef DG_ADAPT_TEMPLATESUTIL_H
#define DG_ADAPT_TEMPLATESUTIL_H

#include "KORA.h"
#include "metricField.h"
#include "modificationWrappers.h"

class templatesUtil : public modificationWrappers {
 public:
  // Metric lengths, NOT squared; Euclidean when the (first) metric is missing.
  static double XYZ_distanceM(const double p1[3], const double p2[3], const metric* m1, const metric* m2);
  static double V_distanceM(const metricField* field, KORA::pVertex a, KORA::pVertex b);
  static double E_distanceM(const metricField* field, KORA::pEdge e);

  // Index 0, 1 or 2 of the shortest inner diagonal allowed by the mask
  // (bits 1, 2, 4); -1 when the mask allows none.
  static int shortestDiagonal(KORA::pPList verts, int mask, const metricField* field);
  static int shortestDiagonal(KORA::pPList verts, int mask);

  static void mapping_template(KORA::pRegion r, KORA::pPList edges, KORA::pPList verts, int row,
                               const int edgeTable[][6], const int faceTable[][4],
                               const int vertexTable[][4], KORA::pFace faces[4], KORA::pEdge outEdges[6],
                               int dirs[4], KORA::pVertex outVerts[4]);
  // The four faces in template order (new list).
  static KORA::pPList R_faces_garanteed(KORA::pRegion r, KORA::pPList edges);
  static void map_vertices(KORA::pFace f, KORA::pVertex verts[3], int out[3]);

  // Location of a new vertex on the model at the middle of a boundary edge.
  static int middlePoint(KORA::pEdge e, double xyz[3], double par[3]);
  static int bisectParam1(double t[2], double xyz[2][3], KORA::pGEdge g, double range[2],
                          double out[3], double* outPar, double tol);
  static int bisectParam2(double uv[2][3], double xyz[2][3], KORA::pGFace g, int seam[2], int code[2],
                          double range[2][2], int degen, double out[3], double outPar[3], double tol);
  static int ifAddPeriod(KORA::pGFace g, int seam[2], int code[2], int k, double uv[2][3],
                         double range[2][2]);
  static int ifDegenerated(KORA::pGFace g, const double par[2], double tol);
  static int GV_isonSeam(KORA::pGVertex v, KORA::pGFace f);
  static int GE_isClosed(KORA::pGEdge e);

  static double R_volumeM(const metricField* field, KORA::pRegion r);
  static double V_getSize(KORA::pVertex v);
  static double V_rmsEdgeLength(KORA::pVertex v);
  static int solve33(const double A[3][3], double x[3]);
  static double det33(const double A[3][3]);
};

#endif
