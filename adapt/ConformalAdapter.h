// The conformal adaptation driver: in passes it refines edges that are long
// in the metric field by templates, collapses short edges, swaps edges to
// improve element shape and repairs flat elements, reporting every change to
// the caller's change callback.
#ifndef DG_ADAPT_CONFORMALADAPTER_H
#define DG_ADAPT_CONFORMALADAPTER_H

#include "KORA.h"
#include "measures.h"
#include "metricField.h"

class meshTemplate;
class snapVertices;
class LocMeshMod;

class ConformalAdapter {
 public:
  KORA::pMesh mesh;     // not owned
  metricField* field;   // not owned
  int templateDriven;   // the caller marks the edges; run/run_2 only refine them
  int snapping;         // new boundary vertices are snapped to the model
  int checkVolume = 0;  // volume control of the operators
  double volumeLimit = 0.0;
  double areaLimit = 0.0;
  int keepDomain = 0;  // passed to the operators: keep the domain's boundary
  KORA::SSList<KORA::mEntity*>* toSnap = nullptr;  // handed to the snapper
  meshTemplate* refiner = nullptr;                // owned
  snapVertices* snapper = nullptr;                // owned
  KORA::CBFunction callback = nullptr;
  void* userData = nullptr;
  // Made by run/run_2 for the length of the call and shared by its operators.
  shapeMeasure* shpMeasure = nullptr;
  sizeMeasure* sizMeasure = nullptr;
  EvalResults* results = nullptr;

  ConformalAdapter(KORA::pMesh m, metricField* f, int snap, int templDriven);
  ~ConformalAdapter();
  ConformalAdapter(const ConformalAdapter&) = delete;
  ConformalAdapter& operator=(const ConformalAdapter&) = delete;

  void setCallback(KORA::CBFunction cb, void* data);
  // At most maxPasses passes (at least one); the size function, when used, is
  // called after each refinement.
  void run_2(int maxPasses, int useSizeFunction, int (*sizeFunction)(KORA::pMesh, metricField*));
  // The older loop: refine every long edge until none is left, then coarsen.
  void run();
  // Marks the edges whose squared metric length exceeds 1.96 and t; returns
  // their number.
  int tagEdgesByField(double t);
  void setAdaptLevel(KORA::pEdge edge, int level);
  void setConstraint(KORA::pEntity e);
  void setConstraint(KORA::pGEntity g);

  // Coarsening: collapse edges shorter than 0.6 in the metric.
  void coarsen_2();
  void coarsen();
  // Shape: edge swaps that clearly improve the worst element (their count),
  // then repairs of flat faces and flat tetrahedra.
  int optimize();
  void removeSliverFaces();
  void removeSliverRegions();
  int handleSliverFace(KORA::pFace face, double shape, LocMeshMod** best, KORA::pPList* affected);
  int swapOrsplitPbTet(KORA::pRegion region, double shape, LocMeshMod** best);

 private:
  // The driver's settings on an operator it builds.
  void configure(LocMeshMod& op, shapeMeasure* shp, int relaxed) const;
  void makeMeasures();
  void deleteMeasures();
  // Snaps the new boundary vertices when snapping is on; a failed snapping
  // ends the process after the failure text (when given).
  void snap(const char* failure, bool reportLeft);
};

#endif
