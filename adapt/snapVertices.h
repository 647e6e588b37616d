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

  // Snapping by a new boundary vertex at the target and a new surface patch
  // around it; the regions between the old and the new surface are removed
  // and the cavity handed to the filler. 1 when handed over, 0 on failure
  // (the mesh keeps the changes made so far).
  int cavity_retriangulation(KORA::pVertex v, double target[3], KORA::pPList& newVertices);
  // 1 when the faces around v cannot simply follow it to the target.
  int isTriangulationValid(KORA::pPList faces, KORA::pVertex v, double target[3]);
  // The new patch: a copy of the faces around v on the new vertex, or the
  // patch grown where needed and fanned from the new vertex. 0 only when v
  // has no new vertex or (growth) the model parameters cannot be found.
  int copyLocalSurfMesh(KORA::pMesh m, KORA::pPList faces, KORA::pVertex v, KORA::pPList newFaces,
                        KORA::pPList polygon);
  int newsurfTrigulation(KORA::pMesh m, KORA::pPList faces, KORA::pVertex v, double target[3],
                         KORA::pPList newFaces, KORA::pPList polygon);
  void improveNewSurfMesh(KORA::pGFace g, KORA::pPList& newFaces, KORA::pVertex w);
  int ensureSimilarity(KORA::pPList& newFaces, KORA::pPList& polygon, KORA::pVertex w);
  // The cavity filler: fills nothing and lists no vertex (0).
  int triangulatecavity(KORA::pMesh m, KORA::pPList cavity, int* flag, int, int, KORA::pPList newVertices);

  // Clearing of one model region's cavity K between the old surface (whose
  // boundary polygon is A) and the new patch B.
  void traceReplacedBdry(KORA::SSList<KORA::mEntity*>& K, KORA::pPList& A);
  int removeIntersections(KORA::pPList& A, KORA::pPList& B, KORA::SSList<KORA::mEntity*>& K, KORA::pGEntity R);
  int processIntersection_1(KORA::pGEntity R, KORA::pPList A, KORA::pPList B, KORA::SSList<KORA::mEntity*>& K);
  int processIntersection_2(KORA::pGEntity R, KORA::pPList B, KORA::SSList<KORA::mEntity*>& K);
  int expandCavityAtBdry(KORA::pFace f, KORA::pFace g, KORA::SSList<KORA::mEntity*>& K, KORA::pPList list,
                         int mode);
  // Removes the region; its faces join or leave K. Mode 2 collects the faces
  // to take out of K in the list, 0 the vertices deleted, 1 the edges
  // deleted, -1 nothing (null list).
  void expandCavity(KORA::pRegion r, KORA::SSList<KORA::mEntity*>& K, KORA::pPList list, int mode);
  // Deletes a face without regions, and its edges and vertices left unused.
  void deleteFace(KORA::pFace f, KORA::pPList list, int mode);
  void removeDiscEntities(KORA::pGEntity R, KORA::pPList& A, KORA::SSList<KORA::mEntity*>& K);
  void removeCloseEntities(KORA::pPList& A, KORA::pPList& B, KORA::SSList<KORA::mEntity*>& K);
  void reclassifyReplacedBdry(KORA::pGEntity R, KORA::SSList<KORA::mEntity*>& K);

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
