#include "snapVertices.h"

#include <iostream>
#include <memory>

#include "AdaptUtil.h"
#include "EdgeCollapsMod.h"
#include "EdgeSplitMod.h"
#include "MT_vector.h"
#include "ParamsOnGFace.h"
#include "RegionCollapsMod_2.h"
#include "SplitCollapsMod.h"
#include "mException.h"

using namespace KORA;

snapVertices::snapVertices(pMesh m, metricField* f, SSList<mEntity*>* vertices)
    : mesh(m), field(f), toSnap(vertices ? vertices : new SSList<mEntity*>) {
  paramsId = MD_newMeshDataId("pVertex_GFparams");
  geoCheckedId = MD_newMeshDataId("pFace_geoChecked");
  targetId = MD_newMeshDataId("pVertex_target");
  countId = MD_newMeshDataId("integer_in_snap");
  remeshId = MD_newMeshDataId("pointer_in_remesh");
  shpMeasure = new meanRatio(field, 1e-5);
  sizMeasure = new lengthSquare(field, 1.4, 0.0);
  results = new EvalResults;
  tolerance = M_getTolerance();
  removedVerts = new SSList<mEntity*>;
  pbRegions = new SSList<mEntity*>;
  fppEdges = PList_new();
  dissimFaces = PList_new();
}

snapVertices::snapVertices(pMesh m, metricField* f) : snapVertices(m, f, nullptr) {}

snapVertices::~snapVertices() {
  // Targets of vertices still listed would outlive their data id.
  SSListIter<mEntity*> it(*toSnap);
  mEntity* v;
  while (it.next(v))
    if (!removedVerts->inList(v)) freeTarget(v);
  // So would parameter records left by a pass that stopped early or by an
  // operation called on its own (the cavity operations).
  VIter vit = M_vertexIter(mesh);
  while (pVertex v = VIter_next(vit)) freeReparam(v);
  VIter_delete(vit);
  MD_deleteMeshDataId(paramsId);
  MD_deleteMeshDataId(geoCheckedId);
  MD_deleteMeshDataId(targetId);
  MD_deleteMeshDataId(countId);
  MD_deleteMeshDataId(remeshId);
  delete shpMeasure;
  delete sizMeasure;
  delete results;
  delete toSnap;
  delete removedVerts;
  delete pbRegions;
  PList_delete(fppEdges);
  PList_delete(dissimFaces);
}

void snapVertices::append(pVertex v, double* xyz) {
  EN_attachDataPtr(v, targetId, xyz);
  toSnap->append(v);
}

void snapVertices::setCallback(CBFunction cb, void* data) {
  callback = cb;
  userData = data;
}

double* snapVertices::target(pVertex v) const {
  void* p = nullptr;
  return EN_getDataPtr(v, targetId, &p) ? static_cast<double*>(p) : nullptr;
}

void snapVertices::freeTarget(pVertex v) {
  if (double* t = target(v)) {
    delete[] t;
    EN_deleteData(v, targetId);
  }
}

void snapVertices::freeReparam(pVertex v) {
  void* p = nullptr;
  if (EN_getDataPtr(v, paramsId, &p)) {
    delete static_cast<ParamsOnGFace*>(p);
    EN_deleteData(v, paramsId);
  }
}

void snapVertices::computeTargets() {
  SSListIter<mEntity*> it(*toSnap);
  mEntity* v;
  while (it.next(v)) {
    if (target(v)) continue;
    pGEntity g = V_whatIn(v);
    // The model queries may throw: the target is owned until attached.
    std::unique_ptr<double[]> owned(new double[3]);
    double* xyz = owned.get();
    switch (V_whatInType(v)) {
      case 1:
        GE_point(g, P_param1(V_point(v)), xyz);
        break;
      case 2: {
        double par[2];
        int patch;
        P_param2(V_point(v), &par[0], &par[1], &patch);
        GF_point(g, par, xyz);
        break;
      }
      default:
        // Nothing to aim at: the vertex stays where it is.
        std::cerr << "Error: (snapVertices::run)" << std::endl;
        V_coord(v, xyz);
    }
    EN_attachDataPtr(v, targetId, owned.release());
  }
}

int snapVertices::run() {
  // The model services throw where the model has no geometry; the error
  // object has printed its message when it was made. The stage then fails
  // as a whole rather than taking the process down with the exception.
  try {
    return runPasses();
  } catch (mException* e) {
    delete e;
  } catch (int) {
  }
  std::cerr << "Error: snapping to the geometric model is not available" << std::endl;
  return -1;
}

int snapVertices::runPasses() {
  computeTargets();
  if (toSnap->size() > 0) {
    pPList unused = nullptr;
    int before;
    do {
      before = toSnap->size();
      if (!run_2(unused)) return -1;
    } while (toSnap->size() < before && toSnap->size() != 0);
  }
  // Boundary faces are compared with their model faces (the last check of
  // a face, when a repair made one, is taken instead) and the dissimilar ones
  // repaired; a face that no repair helps is dropped.
  pPList dissimilar = PList_new();
  {
    // The model queries may throw: the list and the walk go on every path.
    std::unique_ptr<fakeList, void (*)(pPList)> owned(dissimilar, PList_delete);
    std::unique_ptr<mIteratorNew, void (*)(FIter)> fit(M_faceIter(mesh), FIter_delete);
    while (pFace f = FIter_next(fit.get())) {
      if (F_whatInType(f) == 3) continue;
      int value = 0;
      if (EN_getDataInt(f, geoCheckedId, &value)) EN_deleteData(f, geoCheckedId);
      else value = AdaptUtil::F_checkGeoSim(f, paramsId);
      if (value != 1) PList_append(dissimilar, f);
    }
    owned.release();
  }
  while (PList_size(dissimilar) > 0) {
    pPList walk = PList_newCopy(dissimilar);
    for (int i = 0; i < PList_size(walk); ++i) {
      pFace f = static_cast<pFace>(PList_item(walk, i));
      // Faces a repair took out of the list (and maybe deleted) are passed.
      if (PList_inList(dissimilar, f) && !fixGeoSim(f, &dissimilar, 0, nullptr)) PList_remItem(dissimilar, f);
    }
    PList_delete(walk);
  }
  PList_delete(dissimilar);
  VIter vit = M_vertexIter(mesh);
  while (pVertex v = VIter_next(vit))
    if (V_whatInType(v) != 3) freeReparam(v);
  VIter_delete(vit);
  return toSnap->size();
}

int snapVertices::run_2(pPList&) {
  if (toSnap->size() == 0) return 1;
  for (;;) {
    int progress = 0;
    SSListIter<mEntity*> it(*toSnap);
    mEntity* v;
    while (it.next(v)) {
      curVertex = v;
      if (removedVerts->inList(v)) {
        it.remove();
        removedVerts->remove(v);
        continue;
      }
      if (checkSnapTarget(v)) {
        it.remove();
        freeTarget(v);
        continue;
      }
      targetValid = 1;
      pPList R = V_regions(v);
      if (PList_size(R) == 0) {
        PList_delete(R);
        if (V_checkGeoSim() != 1) {
          std::cout << "...Info: NOT IMPLEMENTED (main_snap)" << std::endl;
          return 0;
        }
        AdaptUtil::move_vertex(v, curTarget);
        it.remove();
        freeTarget(v);
        progress = 1;
        continue;
      }
      double x0[3];
      V_coord(v, x0);
      AdaptUtil::move_vertex(v, curTarget);
      pbRegions->clear();
      for (int i = 0; i < PList_size(R); ++i) {
        pRegion r = static_cast<pRegion>(PList_item(R, i));
        double s = 0.0;
        if (!shpMeasure->get(r, &s)) pbRegions->append(r);
        if (s < tolerance) targetValid = 0;
      }
      PList_delete(R);
      if (pbRegions->size() == 0) {
        progress = 1;
        it.remove();
        freeTarget(v);
        continue;
      }
      AdaptUtil::move_vertex(v, x0);
      FirstPbPlane(x0);
      LocMeshMod* m = nullptr;
      clpsToFPP(&m);
      if (!m && getLocMod(&it, &m)) {
        progress = 1;
      } else if (m) {
        apply(&it, m);
        delete m;
        progress = 1;
      } else if (targetValid) {
        AdaptUtil::move_vertex(v, curTarget);
      }
    }
    if (toSnap->size() == 0 || !progress) return 1;
  }
}

int snapVertices::getLocMod(SSListIter<mEntity*>* it, LocMeshMod** m) {
  *m = nullptr;
  if (clpsTetEdges(m)) return 0;
  if (clpsBdryPbTet(it)) return 1;
  if (swapOrsplitPbTet(m)) return 0;
  if (LocMeshMod* motions = VertexMotion()) {
    delete motions;
    return 1;
  }
  *m = nullptr;
  return 0;
}

int snapVertices::apply(SSListIter<mEntity*>* it, LocMeshMod* m) {
  // A new boundary vertex gets its target and is tried next in the pass.
  auto listNew = [&](pVertex nv) {
    ProcessNewBdryVertex(nv);
    it->insert(nv);
  };
  switch (m->type()) {
    case ECOLLAPSE: {
      pVertex vd = static_cast<EdgeCollapsMod*>(m)->vertD();
      if (vd == curVertex) it->remove();
      else if (target(vd)) removedVerts->append(vd);
      freeTarget(vd);
      freeReparam(vd);
      return m->apply();
    }
    case FACESWAP:
    case EDGESWAP:
      return m->apply();
    case EDGESPLIT: {
      auto* split = static_cast<EdgeSplitMod*>(m);
      const int done = split->apply();
      pVertex nv = split->getNewVertex();
      if (done && nv && V_whatInType(nv) != 3 && split->getParam(0) == 0.0) listNew(nv);
      return done;
    }
    case RCOLLAPSE2: {
      auto* rc = static_cast<RegionCollapsMod_2*>(m);
      const int done = rc->apply();
      pVertex nv = rc->getNewVertex();
      if (nv && V_whatInType(nv) != 3) listNew(nv);
      return done;
    }
    case SPLITCOLLAPSE: {
      auto* sc = static_cast<SplitCollapsMod*>(m);
      pVertex va = sc->getVertex();
      freeReparam(va);
      double* aside = target(va);
      if (aside) EN_deleteData(va, targetId);
      const int done = sc->apply();
      pVertex vb = sc->getVertex();
      if (vb == va) {
        if (aside) EN_attachDataPtr(va, targetId, aside);
      } else {
        if (aside) {
          delete[] aside;
          if (va == curVertex) it->remove();
          else removedVerts->append(va);
        }
        if (vb && V_whatInType(vb) != 3) listNew(vb);
      }
      return done;
    }
    default:
      return 0;
  }
}

int snapVertices::checkSnapTarget(pVertex v) {
  const double tol = GEN_tolerance(V_whatIn(v));
  curTarget = target(v);
  if (!curTarget) {
    // Nothing to snap to: the vertex leaves the snap work.
    std::cerr << "Error: a vertex without attached target location" << std::endl;
    return 1;
  }
  double x[3];
  V_coord(v, x);
  double d2 = 0.0;
  for (int k = 0; k < 3; ++k) d2 += (curTarget[k] - x[k]) * (curTarget[k] - x[k]);
  return d2 <= tol * tol;
}

void snapVertices::delete_vertex(pVertex v) {
  if (V_numEdges(v) != 0) return;
  if (target(v)) {
    freeTarget(v);
    removedVerts->append(v);
  }
  if (field) field->deleteMetric(v);
  freeReparam(v);
  M_removeVertex(mesh, v);
}

void snapVertices::ProcessNewBdryVertex(pVertex v) {
  pGEntity g = V_whatIn(v);
  double x[3], par[3] = {0.0, 0.0, 0.0};
  V_coord(v, x);
  double* xyz = new double[3];
  if (!C_closestPoint(GEN_type(g), g, x, nullptr, nullptr, nullptr, xyz, par)) {
    std::cerr << "...Cavity_retriangulation - Error: C_closestPoint returns 0" << std::endl;
    delete[] xyz;
    return;
  }
  // The vertex keeps its place; its point takes the parameters of the target.
  if (GEN_type(g) == 1) P_setParam1(V_point(v), par[0]);
  else P_setParam2(V_point(v), par[0], par[1], 0);
  freeTarget(v);
  EN_attachDataPtr(v, targetId, xyz);
}
