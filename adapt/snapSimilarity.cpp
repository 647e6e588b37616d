// Boundary faces folded over in their model face's parameter plane: the
// check around the vertex being snapped and the repair of one face.
#include <iostream>
#include <vector>

#include "AdaptUtil.h"
#include "MT_modify.h"
#include "MT_topology.h"
#include "RegionCollapsMod.h"
#include "snapVertices.h"
#include "templatesUtil.h"

using namespace KORA;

int snapVertices::V_checkGeoSim() {
  PList_clear(dissimFaces);
  pPList faces = V_faces(curVertex);
  for (int i = 0; i < PList_size(faces); ++i) {
    pFace f = static_cast<pFace>(PList_item(faces, i));
    if (F_whatInType(f) == 3) continue;
    int stored = 0;
    if (EN_getDataInt(f, geoCheckedId, &stored)) {
      if (stored == -1) PList_append(dissimFaces, f);
      continue;
    }
    const int r = AdaptUtil::F_checkGeoSim(f, paramsId);
    EN_attachDataInt(f, geoCheckedId, r == 1 || r == -1 ? r : 0);
    if (r != 1) PList_append(dissimFaces, f);
  }
  PList_delete(faces);
  return PList_size(dissimFaces) == 0 ? 1 : -1;
}

int snapVertices::fixGeoSim(pFace F, pPList* L, int mode, SSList<mEntity*>* S) {
  auto boundaryFacesOf = [](pVertex v) {
    std::vector<pFace> out;
    pPList fs = V_faces(v);
    for (int i = 0; i < PList_size(fs); ++i) {
      pFace f = static_cast<pFace>(PList_item(fs, i));
      if (F_whatInType(f) != 3) out.push_back(f);
    }
    PList_delete(fs);
    return out;
  };

  // Collapse of an edge that F shares with another dissimilar face.
  pEdge e = nullptr;
  pFace G = nullptr;
  for (int i = 0; i < 3 && !e; ++i) {
    pEdge c = F_edge(F, i);
    pFace o = AdaptUtil::E_otherBdryFace(c, F);
    if (o && PList_inList(*L, o)) {
      e = c;
      G = o;
    }
  }
  if (e) {
    for (int end = 0; end < 2; ++end) {
      pVertex d = E_vertex(e, end), k = E_otherVertex(e, d);
      if (!E_chkClpTopo(d, e) || !E_evalColaps(mesh, e, d, k)) continue;
      pPList edgeFaces = nullptr;
      if (mode == 1) {
        edgeFaces = PList_new();
        for (int i = 0; i < E_numFaces(e); ++i) PList_append(edgeFaces, E_face(e, i));
        // A surface collapse that would be refused is not tried: d stays
        // with its target, parameters and metric.
        if (!E_chkColapsOnGFace(e, d, edgeFaces)) {
          PList_delete(edgeFaces);
          continue;
        }
      }
      for (pFace f : boundaryFacesOf(d)) PList_remItem(*L, f);
      // A vertex still waiting to be snapped leaves the list with its target.
      if (target(d)) toSnap->remove(d);
      freeReparam(d);
      freeTarget(d);
      if (field) field->deleteMetric(d);
      int done;
      if (mode == 1) {
        pPList bdry = nullptr;
        done = E_colapsOnGFace(mesh, e, d, k, edgeFaces, &bdry);
        PList_delete(edgeFaces);
        PList_delete(bdry);
        S->remove(F);
        S->remove(G);
      } else {
        pPList newRegions = nullptr;
        done = templatesUtil::Edge_colaps(mesh, e, d, k, callback, userData, &newRegions);
        PList_delete(newRegions);
      }
      if (!done) std::cout << " Edge collapse failed" << std::endl;
      for (pFace f : boundaryFacesOf(k)) {
        if (AdaptUtil::F_checkGeoSim(f, paramsId) == 1) PList_remItem(*L, f);
        else PList_appUnique(*L, f);
      }
      return 1;
    }
  }

  // Swap of an edge with a similar neighbour whose swapped triangles are
  // similar too.
  pGEntity g = F_whatIn(F);
  for (int i = 0; i < 3; ++i) {
    pEdge c = F_edge(F, i);
    if (E_whatInType(c) == 1) continue;
    pFace o = AdaptUtil::E_otherBdryFace(c, F);
    if (!o) continue;
    int stored = 0;
    if (EN_getDataInt(o, geoCheckedId, &stored) && stored != 1) continue;
    if (AdaptUtil::F_checkGeoSim(o, paramsId) != 1) continue;
    pVertex opp = F_edOpVt(o, c);
    pPList fv = F_vertices(F, 1);
    bool similar = true;
    for (int end = 0; end < 2 && similar; ++end) {
      pPList tri = PList_newCopy(fv);
      for (int j = 0; j < 3; ++j)
        if (PList_item(tri, j) == E_vertex(c, end)) tri->items[j] = opp;
      similar = AdaptUtil::F_checkGeoSim(&tri, g) == 1;
      PList_delete(tri);
    }
    PList_delete(fv);
    if (!similar) continue;
    bool done = false;
    if (mode == 1) {
      pPList made = nullptr;
      templatesUtil::Edge_swapOnGFace(mesh, c, g, nullptr, nullptr, &made);
      S->remove(F);
      S->remove(o);
      for (int j = 0; made && j < PList_size(made); ++j)
        if (EN_type(static_cast<pEntity>(PList_item(made, j))) == 2) S->append(static_cast<pEntity>(PList_item(made, j)));
      PList_delete(made);
      done = true;
    } else {
      const int n = E_numSwpCfg(c);
      for (int k = 0; k < n && !done; ++k) {
        if (!E_evalSwpCfg(c, k)) continue;
        pPList newRegions = nullptr;
        templatesUtil::Edge_swap(mesh, c, k, callback, userData, &newRegions);
        PList_delete(newRegions);
        done = true;
      }
    }
    PList_remItem(*L, o);
    PList_remItem(*L, F);
    if (done) return 1;
  }
  if (mode == 1) return 0;

  // Removal of F's region.
  pRegion R = F_region(F, 0);
  if (!R || F_region(F, 1)) return 0;
  RegionCollapsMod rc(mesh, field, R, 175.0);
  if (!rc.evaluate(geoCheckedId, paramsId) || rc.getCfg() == 1) return 0;
  std::vector<pFace> exposed;
  for (int j = 0; j < 4; ++j) {
    pFace f = R_face(R, j);
    if (PList_inList(*L, f)) PList_remItem(*L, f);
    else if (F_whatInType(f) == 3) exposed.push_back(f);
  }
  rc.apply(geoCheckedId);
  if (rc.getCfg() == 3 && rc.keptVertex()) delete_vertex(rc.keptVertex());
  for (pFace f : exposed)
    if (AdaptUtil::F_checkGeoSim(f, paramsId) != 1) PList_appUnique(*L, f);
  return 1;
}
