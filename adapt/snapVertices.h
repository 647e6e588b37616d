// Snapping of boundary vertices onto the geometric model. Each listed vertex
// is moved to its target point on its model entity when no tetrahedron around
// it becomes unacceptable; otherwise the mesh around it is repaired by one
// local modification and the vertex is tried again in a later pass.
// The targets rest on the model's parametric services (points with
// parameters, points of model edges and faces); where the model does not
// provide them, the stage stops at the first query and `run` fails.
#ifndef DG_ADAPT_SNAPVERTICES_H
#define DG_ADAPT_SNAPVERTICES_H

#include "KORA.h"
#include "LocMeshMod.h"
#include "measures.h"
#include "metricField.h"

class EdgeCollapsMod;

class snapVertices {
 public:
  // Takes over the list of vertices to snap.
  snapVertices(KORA::pMesh m, metricField* f, KORA::SSList<KORA::mEntity*>* vertices);
  snapVertices(KORA::pMesh m, metricField* f);
  ~snapVertices();
  snapVertices(const snapVertices&) = delete;
  snapVertices& operator=(const snapVertices&) = delete;

  // Lists the vertex with the given target (new double[3], taken over).
  void append(KORA::pVertex v, double* xyz);
  void setCallback(KORA::CBFunction cb, void* data);
  // The number of vertices left to snap, or -1 when a pass failed or the
  // model could not answer a query (after a message on standard error).
  int run();
  // One series of passes: 1, or 0 when a pass failed.
  int run_2(KORA::pPList& unused);

  int apply(KORA::SSListIter<KORA::mEntity*>* it, LocMeshMod* m);
  // The repair cascade: 1 when it changed the mesh itself, else 0 with the
  // modification to apply in *m (null when none).
  int getLocMod(KORA::SSListIter<KORA::mEntity*>* it, LocMeshMod** m);
  // 1 when the vertex lies within the model tolerance of its target.
  int checkSnapTarget(KORA::pVertex v);
  void freeTarget(KORA::pVertex v);
  void freeReparam(KORA::pVertex v);
  // Removes a vertex left without edges, with everything attached to it.
  void delete_vertex(KORA::pVertex v);
  // Gives a vertex just put on the model boundary its target.
  void ProcessNewBdryVertex(KORA::pVertex v);
  // 1 when every boundary face around the current vertex is similar to its
  // model face in the parameter plane, else -1 with the others in
  // dissimFaces; the results are cached on the faces.
  int V_checkGeoSim();
  // Repairs one dissimilar boundary face by an edge collapse, an edge swap
  // or (mode 0) the removal of its region; the list of dissimilar faces is
  // kept up to date, and in mode 1 the face list as well. 1 when the mesh
  // was changed.
  int fixGeoSim(KORA::pFace face, KORA::pPList* dissimilar, int mode, KORA::SSList<KORA::mEntity*>* faces);

  // Repairs of the tetrahedra that the current vertex's move would spoil.
  void FirstPbPlane(double* x0);
  void commonEdges(KORA::pPList ties);
  void clpsToFPP(LocMeshMod** out);
  int clpsTetEdges(LocMeshMod** out);
  void eliminateCommonEdge(KORA::pEdge common, EdgeCollapsMod* cand, LocMeshMod** out, double* best);
  int clpsBdryPbTet(KORA::SSListIter<KORA::mEntity*>* it);
  int swapOrsplitPbTet(LocMeshMod** out);
  LocMeshMod* VertexMotion();

  KORA::pMesh mesh;
  metricField* field;
  KORA::SSList<KORA::mEntity*>* toSnap;
  unsigned int targetId;
  unsigned int countId;
  unsigned int remeshId;
  unsigned int geoCheckedId;
  unsigned int paramsId;
  KORA::CBFunction callback = nullptr;
  void* userData = nullptr;
  double tolerance;
  KORA::SSList<KORA::mEntity*>* removedVerts;
  meanRatio* shpMeasure;
  lengthSquare* sizMeasure;
  EvalResults* results;
  KORA::pVertex curVertex = nullptr;
  double* curTarget = nullptr;
  int targetValid = 0;
  KORA::SSList<KORA::mEntity*>* pbRegions;
  KORA::pPList dissimFaces;
  double fppPoint[3] = {0.0, 0.0, 0.0};
  KORA::pPList fppEdges;
  KORA::pFace fppFace = nullptr;
  KORA::pRegion fppRegion = nullptr;
  KORA::pPList replacedVertices = nullptr;
  KORA::pPList replacedEdges = nullptr;

 private:
  int runPasses();
  double* target(KORA::pVertex v) const;
  void computeTargets();
  int splitPbEdge(KORA::pEdge e, LocMeshMod** out);
  void judgeCollapse(EdgeCollapsMod* cand, KORA::pEdge e, KORA::pVertex vd, KORA::pVertex vr, LocMeshMod** out,
                     double* best);
};

#endif
