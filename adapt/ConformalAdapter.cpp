#include "ConformalAdapter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "AdaptUtil.h"
#include "LocMeshMod.h"
#include "MT_mark.h"
#include "meshTemplate.h"
#include "snapVertices.h"

using namespace KORA;

ConformalAdapter::ConformalAdapter(pMesh m, metricField* f, int snap, int templDriven)
    : mesh(m), field(f), templateDriven(templDriven), snapping(snap) {
  MS_init();
  if (snapping) {
    toSnap = new SSList<mEntity*>;
    refiner = new meshTemplate(mesh, field, snapping, 2, toSnap);
    snapper = new snapVertices(mesh, field, toSnap);
  } else {
    refiner = new meshTemplate(mesh, field, 0, 2, nullptr);
  }
}

ConformalAdapter::~ConformalAdapter() {
  delete refiner;
  if (snapping) delete snapper;  // it owns the list of vertices to snap
  MS_exit();
}

void ConformalAdapter::setCallback(CBFunction cb, void* data) {
  callback = cb;
  userData = data;
  refiner->setCallback(cb, data);
  if (snapping && snapper) snapper->setCallback(cb, data);
}

void ConformalAdapter::configure(LocMeshMod& op, shapeMeasure* shp, int relaxed) const {
  op.shpMeasure = shp;
  op.noSnap = snapping ? 0 : 1;
  op.relaxedShape = relaxed;
  if (checkVolume) {
    op.checkVolume = 1;
    op.volumeLimit = volumeLimit;
    op.areaLimit = areaLimit;
  }
  op.keepDomain = keepDomain;
  op.callback = callback;
  op.userData = userData;
}

void ConformalAdapter::makeMeasures() {
  shpMeasure = new meanRatio(field, 0.05);
  sizMeasure = new lengthSquare(field, 1.4, 0.6);
  results = new EvalResults;
}

void ConformalAdapter::deleteMeasures() {
  delete shpMeasure;
  delete sizMeasure;
  delete results;
  shpMeasure = nullptr;
  sizMeasure = nullptr;
  results = nullptr;
}

void ConformalAdapter::snap(const char* failure, bool reportLeft) {
  if (!snapping) return;
  const int left = snapper->run();
  if (left == -1) {
    if (failure) std::printf("%s", failure);
    std::fflush(stdout);
    std::exit(1);
  }
  if (reportLeft && left != 0) std::cout << "INFO: " << left << " vertices are not snapped" << std::endl;
}

int ConformalAdapter::tagEdgesByField(double t) {
  lengthSquare measure(field, 1.4, 0.6);
  int count = 0;
  EIter it = M_edgeIter(mesh);
  while (pEdge e = EIter_next(it)) {
    double l2 = 0.0;
    measure.get(e, &l2);
    if (l2 > 1.96 && l2 > t) {
      if (refiner->setRefineLevel(e, 1)) ++count;
    } else {
      refiner->setRefineLevel(e, 0);
    }
  }
  EIter_delete(it);
  std::cout << count << " edges are tagged to be refined" << std::endl;
  return count;
}

void ConformalAdapter::run_2(int maxPasses, int useSizeFunction, int (*sizeFunction)(pMesh, metricField*)) {
  if (templateDriven) {
    refiner->run();
    snap(nullptr, false);
    return;
  }
  makeMeasures();
  double t = 1e14;
  int pass = 0;
  if (useSizeFunction) sizeFunction(mesh, field);
  double lmax, lmin;
  AdaptUtil::M_checkSize(mesh, field, lmax, lmin);
  double a = std::sqrt(lmax), b = std::sqrt(lmin);
  do {
    ++pass;
    std::printf("\n\nstart iteration %d:\n", pass);
    std::printf("\nedge length range with respect to metric field: (%f ~ %f)\n", a, b);
    std::fflush(stdout);
    t = std::min(0.9 * t, 0.9 * a);
    if (tagEdgesByField(t) > 0) {
      refiner->run();
      if (useSizeFunction) sizeFunction(mesh, field);
      if (snapping) {
        snap(nullptr, false);
        if (useSizeFunction) sizeFunction(mesh, field);
      }
    }
    coarsen_2();
    optimize();
    removeSliverFaces();
    removeSliverRegions();
    AdaptUtil::M_checkSize(mesh, field, lmax, lmin);
    a = std::sqrt(lmax);
    b = std::sqrt(lmin);
  } while (a > 1.4 && pass < maxPasses);
  deleteMeasures();
}

void ConformalAdapter::run() {
  static const char* failure = "Error: cavity construction and retriangulation routine failed";
  if (templateDriven) {
    refiner->run();
    snap(failure, false);
    return;
  }
  makeMeasures();
  int pass = 0;
  while (tagEdgesByField(0.0) > 0) {
    ++pass;
    std::printf("start iteration %d:\n", pass);
    std::fflush(stdout);
    refiner->run();
    snap(failure, true);
    coarsen();
  }
  if (pass == 0) coarsen();
  deleteMeasures();
}

void ConformalAdapter::setAdaptLevel(pEdge edge, int level) {
  if (templateDriven) {
    refiner->setRefineLevel(edge, level);
    return;
  }
  std::cerr << "you are not allowed to tag mesh edges for size-based adaptation" << std::endl;
}

void ConformalAdapter::setConstraint(pEntity e) {
  EN_constrainAll(e);
  switch (EN_type(e)) {
    case 1:
      EN_constrainAll(E_vertex(static_cast<pEdge>(e), 0));
      EN_constrainAll(E_vertex(static_cast<pEdge>(e), 1));
      break;
    case 2:
      for (int i = 0; i < 3; ++i) setConstraint(F_edge(static_cast<pFace>(e), i));
      break;
    case 3:
      for (int i = 0; i < 4; ++i) setConstraint(R_face(static_cast<pRegion>(e), i));
      break;
    default:
      break;
  }
}

void ConformalAdapter::setConstraint(pGEntity g) {
  const int t = GEN_type(g);
  GEN_constrainAll(g);
  pPList l = nullptr;
  switch (t) {
    case 1: l = GE_vertices(static_cast<pGEdge>(g)); break;
    case 2: l = GF_edges(static_cast<pGFace>(g)); break;
    case 3: l = GR_faces(static_cast<pGRegion>(g)); break;
    default: return;
  }
  void* it = nullptr;
  while (void* x = PList_next(l, &it)) GEN_constrainAll(static_cast<pGEntity>(x));
  PList_delete(l);
}
