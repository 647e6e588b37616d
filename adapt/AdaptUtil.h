// Static functions of the adaptation library: metric measures, distances,
// centroids, vertex motion, small look-ups and the metric field view.
#ifndef DG_ADAPT_ADAPTUTIL_H
#define DG_ADAPT_ADAPTUTIL_H

#include "KORA.h"
#include "metricField.h"

class shapeMeasure;
class sizeMeasure;

class AdaptUtil {
 public:
  // ---- metric measures
  static metric* getMetric(const metricField* field, KORA::pVertex v);
  // SQUARED area of a triangle in m (Euclidean when m is null).
  static double F_areaM(const metric* m, const double xyz[3][3]);
  // Mean of the squared areas in the metrics of the face's vertices.
  static double F_areaM(const metricField* field, KORA::pFace face);
  // Largest and smallest UNSQUARED metric edge length of the mesh.
  static void M_checkSize(KORA::pMesh mesh, const metricField* field, double& maxLen, double& minLen);
  static double V_worstShp(shapeMeasure* shp, KORA::pVertex v);
  static double E_worstShp(shapeMeasure* shp, KORA::pPList regions, KORA::pEdge e);
  static int F_longestEdge(const metricField* field, KORA::pFace face, KORA::pEdge* out, double* ratio);
  static double V_shortestLength(KORA::pVertex v);
  static void maxminEdgeLength(KORA::pVertex v, double* max, double* min);
  static int indexOfMin(double a, double b, double c);
  // Where the vertex opposite face f0 of a tetrahedron falls against f0
  // (case 1..7, 0 when degenerate), with the entities a repair attacks.
  static int getTetInfo(KORA::pRegion r, KORA::pFace f0, KORA::pVertex v, int project, KORA::pEntity keys[4],
                        double areas[4], double point[3]);
  // Side of face f on which p lies: 0 in its plane, 2 without a reference
  // vertex, 1 on the reference vertex's side, -1 on the other.
  static int V_wrtFace(const double p[3], KORA::pVertex ref, KORA::pFace f);
  static void F_shapeInfo(KORA::pFace f);

  // ---- distances and projections on raw points (all SQUARED)
  static double P_sqrDistToSegment(const double a[3], const double b[3], const double p[3]);
  static double P_sqrDistToTri(const double p[3], const double B[3], const double E0[3],
                               const double E1[3]);
  static double XYZ_sqrDistSegments(const double P0[3], const double D0[3], const double P1[3],
                                    const double D1[3]);
  static double V_sqrDistToFace(KORA::pVertex v, KORA::pFace f);
  static double V_sqrDistToFace_2(KORA::pVertex v, KORA::pFace f);
  static double M_sqrDistEdges(KORA::pEdge e1, KORA::pEdge e2);
  static void P_projOnTriPlane(const double xyz[3][3], const double p[3], double out[3]);
  static double ParOnLinearEdge(const double xyz[2][3], const double p[3]);
  static int XYZ_InClosureOfLine(const double p[3], const double xyz[2][3]);
  static int RelativeDirection(const double a[3], const double b[3]);
  static int RelativeDirection(const double a[3], const double b[3], double angle);

  // ---- centroids and vertex motion
  static void centroidOfMRegion(KORA::pRegion r, double out[3]);
  static void centroidOfMFace(KORA::pFace f, double out[3]);
  static void centroidOfMEdge(KORA::pEdge e, double out[3]);
  static void centroidOfMVertex(KORA::pVertex v, double out[3]);
  static void centroidOfCavity(KORA::pVertex v, double out[3]);
  static void move_vertex(KORA::pVertex v, const double target[3]);
  static void move_vertex(KORA::pVertex v, const double target[3], double f);

  // ---- topology look-ups and list conversions
  static KORA::pRegion F_otherRgn(KORA::pFace f, KORA::pRegion r);
  static KORA::pPList R_adjRegions(KORA::pRegion r);
  static KORA::pEdge CommonEdge(KORA::pFace f, KORA::pEntity g);
  static KORA::pFace E_otherBdryFace(KORA::pEdge e, KORA::pFace f);
  static int V_numGFaces(KORA::pVertex v);
  static KORA::pFace F_getFmFaces(KORA::pPList& list, KORA::pEntity e);
  static KORA::pFace F_getFmFaces(KORA::SSList<KORA::mEntity*>& list, KORA::pEntity e);
  template <class T>
  static void PList_appSSList(KORA::pPList* target, KORA::SSList<T>& source, int unique);
  template <class T>
  static void SSList_appPList(KORA::SSList<T>& target, KORA::pPList* source, int unique);

  // ---- metric field view: writes "mField.pos"; 1 when written.
  static int viewMetricField(KORA::pMesh mesh, const metricField* field);

  // ---- operator evaluation. A candidate that passes its checks and beats the
  // best worst shape so far (*bestShape) by the factor 1.5 becomes the best:
  // *best (owned by the caller, may be null) is deleted and replaced by a copy
  // of the candidate. 1 when the candidate won. The operator classes are
  // named here only (elaborated type specifiers keep this block self-contained).
  // A collapse wins at exactly 1.5 times; with a field it is first refused
  // when its longest new edge is above 1.96 with a ratio above 1.44.
  static int evalEclps(metricField* field, class EdgeCollapsMod* op, class LocMeshMod** best,
                       double* bestShape);
  // A swap or split-collapse wins only strictly above 1.5 times.
  static int evalEswp(class EdgeSwapMod* op, class LocMeshMod** best, double* bestShape);
  static int evalSpltClps(class SplitCollapsMod* op, class LocMeshMod** best, double* bestShape);

  // ---- model parameters and geometric similarity. Parameters on a model
  // face are (u, v, 0). The model queries they use are services of the mesh
  // interface; what those throw passes through.
  // The vertex's parameters on the model face; a vertex inside the domain
  // ends the process after a message.
  static int V_reparamOnGFace(KORA::pVertex v, KORA::pGFace g, double par[3]);
  // The vertex's parameter on the model edge; 0 for a vertex on a model face
  // or region.
  static int V_reparamOnGEdge(KORA::pVertex v, KORA::pGEdge g, double* t);
  static bool V_getNormal(KORA::pGFace g, KORA::pVertex v, double n[3]);
  // 0 when swapping the edge would span a periodic model face badly.
  static int E_swpCheckPer(KORA::pEdge e);
  // Signed squared cosine between a triangle's normal and the model face's.
  static double F_angleToGNormal(KORA::pVertex v0, KORA::pVertex v1, KORA::pVertex v2, KORA::pGFace g);
  static double F_angleToGNormal(KORA::pFace f);
  static void E_swpGetOriAngles(KORA::pEdge e, double* maxCos, double* minOri);
  static int ifDegenerated(KORA::pGFace g, const double par[3], double tol);
  static int F_fixPeriodicParams(KORA::pGFace g, double tol, double par[3][3]);
  // 1 similar, -1 flipped, 0 degenerate in the parameter plane.
  static int Par_checkGeoSim(KORA::pGFace g, double tol, double par[3][3]);
  // The same for a boundary face, vertex parameters cached under the tag
  // (ParamsOnGFace records); -2 when parameters cannot be found.
  static int F_checkGeoSim(KORA::pFace f, unsigned int tag);
  // The same for the triangle of three listed vertices on a model face.
  static int F_checkGeoSim(KORA::pPList* verts, KORA::pGFace g);
  static void M_checkGeoSim(KORA::pMesh mesh);
  // 1 when g is one of the model face's model vertices or model edges.
  static int GF_inClosure(KORA::pGFace f, KORA::pGEntity g);
  static void V_bdryfacesOngface(KORA::pVertex v, KORA::pGFace g, KORA::pPList* list);
  static double GF_Tolerances(KORA::pGFace g);
  static double GE_Tolerances(KORA::pGEdge g);
  // 1 when the face is a front face of the model region (*region: in, or
  // out when null). The model argument must be null.
  static int isfacefront(KORA::pFace f, KORA::pGModel model, KORA::pGEntity* region);

  // ---- vertex removal and visible regions
  // Collapses v into a neighbour, shortest metric edge first; 1 when done.
  // With removeFlag 1 the faces of the collapsed edge leave 'faces'.
  static int RemoveAVertex(KORA::pMesh mesh, metricField* field, KORA::pVertex v, int unused, int removeFlag,
                           KORA::pPList faces, KORA::CBFunction cb, void* data);
  // Candidate points (new double[3], owned by the list) bounding the region
  // from which every element around v stays positive; 1 when they span a
  // volume, else 0 with the list emptied.
  static int VisibleRegion(KORA::pVertex v, KORA::SSList<double*>& points);
  static void DeleteVisibleRegion(KORA::SSList<double*>& points);
  // 1 when no region of v is flat (with w placed at x).
  static int ValidCheck(KORA::pVertex v);
  static int ValidCheck(KORA::pVertex v, KORA::pVertex w, const double x[3]);
  static int ifNeedExpand(KORA::pFace face, KORA::pEdge edge, const double x[3]);
  // Points of the list within squared distance tol of p (strictly), at most 2.
  static int isDuplicated(const double p[3], KORA::SSList<double*>& points, double tol);

  // ---- mesh quality reports (1 when the report was written)
  static int writeSizeField(KORA::pMesh mesh, const metricField* field, const char* name);
  static int loadSizeField(KORA::pMesh mesh, metricField* field, const char* name);
  static int M_checkShape(KORA::pMesh mesh, metricField* field);
  static int M_checkShape2D(KORA::pMesh mesh, metricField* field);
  static int writeAFace(KORA::pFace face);
  static int writeFaces(KORA::pPList faces);
  static void M_checkVolume(KORA::pMesh mesh, double, double);
  static int V_checkPar(KORA::pVertex v);
  static void M_checkPar(KORA::pMesh mesh, int fix);
  static void G_info(KORA::pGModel model);
  static void GF_info(KORA::pGFace face);
  static void R_info(KORA::pRegion r, shapeMeasure* shape, sizeMeasure* size);
};

template <class T>
void AdaptUtil::PList_appSSList(KORA::pPList* target, KORA::SSList<T>& source, int unique) {
  if (!*target) {
    *target = KORA::PList_new();
    unique = 0;
  }
  KORA::SSListIter<T> it(source);
  T x;
  while (it.next(x)) {
    if (unique)
      KORA::PList_appUnique(*target, x);
    else
      KORA::PList_append(*target, x);
  }
}

template <class T>
void AdaptUtil::SSList_appPList(KORA::SSList<T>& target, KORA::pPList* source, int unique) {
  void* iter = nullptr;
  while (void* x = KORA::PList_next(*source, &iter)) {
    if (unique)
      target.appendUnique(static_cast<T>(x));
    else
      target.append(static_cast<T>(x));
  }
}

#endif
