// Snapping of one boundary vertex by a new vertex at its target: a new
// surface patch is built around the new vertex on each model face at the old
// vertex, the regions between the old and the new surface are cleared model
// region by model region, and the cavity left goes to the filler.
#include <algorithm>
#include <array>
#include <cstdio>
#include <iostream>
#include <memory>
#include <vector>

#include "AdaptUtil.h"
#include "MT_geometry.h"
#include "MT_topology.h"
#include "fromMeshTools.h"
#include "mException.h"
#include "snapVertices.h"
#include "templatesUtil.h"

using namespace KORA;

namespace {

// The working lists of one retriangulation, freed on every path.
struct CavityLists {
  std::vector<pPList> oldFaces, newFaces, polygons;
  pPList cavity = PList_new();
  CavityLists() = default;
  CavityLists(const CavityLists&) = delete;
  CavityLists& operator=(const CavityLists&) = delete;
  ~CavityLists() {
    for (auto* group : {&oldFaces, &newFaces, &polygons})
      for (pPList l : *group) PList_delete(l);
    PList_delete(cavity);
  }
};

pVertex newVertexOf(pVertex v, unsigned int remeshId) {
  void* p = nullptr;
  return EN_getDataPtr(v, remeshId, &p) ? static_cast<pVertex>(p) : nullptr;
}

void* pointerOf(pEntity e, unsigned int id) {
  void* p = nullptr;
  return EN_getDataPtr(e, id, &p) ? p : nullptr;
}

}  // namespace

int snapVertices::cavity_retriangulation(pVertex v, double target[3], pPList& newVertices) {
  // A model query that the model cannot answer throws (the error object has
  // printed its message): the operation fails with what it changed so far.
  std::vector<pEdge> edgesOnG;
  // The links from the old entities to the new ones live only while the
  // patches are built.
  auto forgetNewEntities = [&] {
    EN_deleteData(v, remeshId);
    for (pEdge e : edgesOnG) EN_deleteData(e, remeshId);
  };
  auto dropReplaced = [&] {
    PList_delete(replacedEdges);
    PList_delete(replacedVertices);
    replacedEdges = replacedVertices = nullptr;
  };
  try {
    std::vector<pGEntity> gfaces, gregions;
    pVertex w = nullptr;
    pGEntity g = V_whatIn(v);
    switch (V_whatInType(v)) {
      case 1: {
        pPList fs = GE_faces(g), rs = GE_regions(g);
        for (int i = 0; i < PList_size(fs); ++i) gfaces.push_back(static_cast<pGEntity>(PList_item(fs, i)));
        for (int i = 0; i < PList_size(rs); ++i) gregions.push_back(static_cast<pGEntity>(PList_item(rs, i)));
        PList_delete(fs);
        PList_delete(rs);
        double t = P_param1(V_point(v));
        w = M_createVP2(mesh, target, &t, 0, g);
        P_setParam1(V_point(w), t);
        EN_attachDataPtr(v, remeshId, w);
        for (int i = 0; i < V_numEdges(v); ++i) {
          pEdge e = V_edge(v, i);
          if (E_whatIn(e) != g) continue;
          edgesOnG.push_back(e);
          pEdge ne = E_vertex(e, 0) == v ? M_createE(mesh, w, E_vertex(e, 1), g)
                                         : M_createE(mesh, E_vertex(e, 0), w, g);
          EN_attachDataPtr(e, remeshId, ne);
        }
        break;
      }
      case 2: {
        gfaces.push_back(g);
        for (int side = 0; side < 2; ++side) {
          pGEntity r = GF_region(g, side);
          if (r && (gregions.empty() || gregions[0] != r)) gregions.push_back(r);
        }
        double par[2];
        int patch = 0;
        P_param2(V_point(v), &par[0], &par[1], &patch);
        w = M_createVP2(mesh, target, par, 0, g);
        P_setParam2(V_point(w), par[0], par[1], 0);
        EN_attachDataPtr(v, remeshId, w);
        break;
      }
      default:
        std::cout << "Error - Vertex not classified on model face/edge (cavity_retriangulation)" << std::endl;
        return 0;
    }
    if (field && field->getMetric(v)) field->attachMetric(w, new metric(field->getMetric(v)));

    // The new patch on each model face.
    CavityLists work;
    for (pGEntity gf : gfaces) {
      pPList old = PList_new();
      AdaptUtil::V_bdryfacesOngface(v, gf, &old);
      work.oldFaces.push_back(old);
      work.newFaces.push_back(PList_new());
      work.polygons.push_back(PList_new());
      pPList& made = work.newFaces.back();
      pPList& polygon = work.polygons.back();
      const int built = isTriangulationValid(old, v, target) == 0
                            ? copyLocalSurfMesh(mesh, old, v, made, polygon)
                            : newsurfTrigulation(mesh, old, v, target, made, polygon);
      if (built) improveNewSurfMesh(gf, made, w);
      if (!built || !ensureSimilarity(made, polygon, w)) {
        forgetNewEntities();
        return 0;
      }
    }
    forgetNewEntities();

    // The cavity of each model region.
    for (pGEntity R : gregions) {
      SSList<mEntity*> K;
      std::unique_ptr<fakeList, void (*)(pPList)> A(PList_new(), PList_delete), B(PList_new(), PList_delete);
      pPList a = A.get(), b = B.get();
      for (size_t i = 0; i < gfaces.size(); ++i) {
        if (!GR_inClosure(R, gfaces[i])) continue;
        PList_appPListUnique(b, work.newFaces[i]);
        PList_appPListUnique(a, work.polygons[i]);
        AdaptUtil::SSList_appPList(K, &work.oldFaces[i], 1);
      }
      traceReplacedBdry(K, a);
      if (!removeIntersections(a, b, K, R)) {
        // The marks of the replaced surface go with the failed pass.
        SSListIter<mEntity*> it(K);
        mEntity* f;
        while (it.next(f)) EN_deleteData(f, countId);
        dropReplaced();
        return 0;
      }
      removeDiscEntities(R, a, K);
      removeCloseEntities(a, b, K);
      reclassifyReplacedBdry(R, K);
      AdaptUtil::PList_appSSList(&work.cavity, K, 0);
    }
    for (pPList l : work.newFaces) PList_appPListUnique(work.cavity, l);

    int flag = 0;
    pPList added = PList_new();
    if (triangulatecavity(mesh, work.cavity, &flag, 0, 0, added)) {
      for (int i = 0; i < PList_size(added); ++i) {
        pVertex x = static_cast<pVertex>(PList_item(added, i));
        if (AdaptUtil::RemoveAVertex(mesh, field, x, 3, 0, nullptr, callback, userData)) continue;
        const int level = V_whatInType(x);
        if (level == 1 || level == 2) {
          ProcessNewBdryVertex(x);
          if (!newVertices) newVertices = PList_new();
          PList_append(newVertices, x);
        }
      }
    }
    PList_delete(added);
    return 1;
  } catch (mException* e) {
    delete e;
  } catch (int) {
  }
  forgetNewEntities();
  dropReplaced();
  return 0;
}

int snapVertices::isTriangulationValid(pPList faces, pVertex v, double target[3]) {
  const int n = PList_size(faces);
  // A face turned over or flattened at the target cannot follow v: its
  // orientation before the move is the reference.
  std::vector<std::array<double, 3>> normals(n);
  for (int i = 0; i < n; ++i) F_normalVector(static_cast<pFace>(PList_item(faces, i)), 1, normals[i].data());
  double x0[3];
  V_coord(v, x0);
  AdaptUtil::move_vertex(v, target);
  int flat = 0;
  for (int i = 0; i < n && !flat; ++i) flat = F_checkFlat(static_cast<pFace>(PList_item(faces, i)), normals[i].data());
  AdaptUtil::move_vertex(v, x0);
  if (flat) return 1;
  for (int i = 0; i < n; ++i) {
    pFace f = static_cast<pFace>(PList_item(faces, i));
    pEdge e = F_vtOpEd(f, v);
    if (AdaptUtil::ifNeedExpand(f, e, target)) return 1;
    if (E_whatInType(e) == 1) continue;
    pFace other = AdaptUtil::E_otherBdryFace(e, f);
    if (AdaptUtil::F_checkGeoSim(f, paramsId) != 1) return 1;
    if (!other || AdaptUtil::F_checkGeoSim(other, paramsId) != 1) return 1;
  }
  return 0;
}

int snapVertices::copyLocalSurfMesh(pMesh m, pPList faces, pVertex v, pPList newFaces, pPList polygon) {
  pVertex w = newVertexOf(v, remeshId);
  if (!w) {
    std::cout << "...Error - new vertex not yet created (copyLocalSurfMesh)" << std::endl;
    return 0;
  }
  std::vector<pEdge> copied;  // old edges carrying their copy
  for (int i = 0; i < PList_size(faces); ++i) {
    pFace f = static_cast<pFace>(PList_item(faces, i));
    PList_append(polygon, F_vtOpEd(f, v));
    pEdge edges[3];
    int dirs[3];
    for (int k = 0; k < 3; ++k) {
      pEdge e = F_edge(f, k);
      dirs[k] = F_edgeDir(f, k);
      if (void* p = pointerOf(e, remeshId)) {
        edges[k] = static_cast<pEdge>(p);
      } else if (void* q = pointerOf(e, countId)) {
        edges[k] = static_cast<pEdge>(q);
      } else if (E_vertex(e, 0) == v || E_vertex(e, 1) == v) {
        edges[k] = E_vertex(e, 0) == v ? M_createE(m, w, E_vertex(e, 1), E_whatIn(e))
                                       : M_createE(m, E_vertex(e, 0), w, E_whatIn(e));
        EN_attachDataPtr(e, countId, edges[k]);
        copied.push_back(e);
      } else {
        edges[k] = e;
      }
    }
    PList_append(newFaces, M_createF(m, 3, edges, dirs, F_whatIn(f)));
  }
  for (pEdge e : copied) EN_deleteData(e, countId);
  return 1;
}

int snapVertices::newsurfTrigulation(pMesh m, pPList faces, pVertex v, double target[3], pPList newFaces,
                                     pPList polygon) {
  // The patch's boundary: each edge carries the patch face inside it.
  SSList<mEntity*> P;
  for (int i = 0; i < PList_size(faces); ++i) {
    pFace f = static_cast<pFace>(PList_item(faces, i));
    pEdge e = F_vtOpEd(f, v);
    P.append(e);
    EN_attachDataPtr(e, countId, f);
  }
  auto clearP = [&] {
    SSListIter<mEntity*> it(P);
    mEntity* e;
    while (it.next(e)) EN_deleteData(e, countId);
  };

  // Growth across the boundary where the patch is not similar to the model
  // or the target lies beyond an edge. Each face joins at most once, so the
  // walk ends.
  try {
    SSListIter<mEntity*> it(P);
    mEntity* e;
    while (it.next(e)) {
      if (E_whatInType(e) == 1) continue;
      pFace f = static_cast<pFace>(pointerOf(e, countId));
      if (!f) continue;
      pFace g = AdaptUtil::E_otherBdryFace(e, f);
      if (!g) continue;
      int grow = 0;
      for (pFace h : {f, g}) {
        const int sim = AdaptUtil::F_checkGeoSim(h, paramsId);
        if (sim == -2) {
          // Without parameters the patch cannot be judged: the operation fails.
          std::cerr << "Error: can not get parameter (newsurfTrigulation)" << std::endl;
          clearP();
          return 0;
        }
        if (sim != 1) {
          grow = 1;
          break;
        }
      }
      if (!grow) grow = AdaptUtil::ifNeedExpand(f, e, target);
      if (!grow) continue;
      EN_deleteData(e, countId);
      it.remove();
      PList_append(faces, g);
      for (int k = 0; k < 3; ++k) {
        pEdge d = F_edge(g, k);
        if (d == e) continue;
        if (P.inList(d)) {
          EN_deleteData(d, countId);
        } else {
          EN_attachDataPtr(d, countId, g);
          it.insert(d);
        }
      }
    }
  } catch (...) {
    clearP();
    throw;
  }
  {
    SSListIter<mEntity*> it(P);
    mEntity* e;
    while (it.next(e))
      if (!pointerOf(e, countId)) it.remove();
  }

  pVertex w = newVertexOf(v, remeshId);
  if (!w) {
    std::cout << "Error: new vertex is not created (newsurfTrigulation)";
    clearP();
    return 0;
  }
  // A fan from the new vertex over the patch's boundary.
  SSListIter<mEntity*> it(P);
  mEntity* e;
  while (it.next(e)) {
    pFace f = static_cast<pFace>(pointerOf(e, countId));
    pVertex o = F_edOpVt(f, e);
    pEdge edges[3];
    int dirs[3];
    for (int k = 0; k < 3; ++k) {
      pEdge d = F_edge(f, k);
      dirs[k] = F_edgeDir(f, k);
      if (d == e) {
        edges[k] = e;
        continue;
      }
      pVertex x = E_otherVertex(d, o);
      if (pEdge ex = E_exists(w, x)) {
        const bool same = E_vertex(ex, 0) == E_vertex(d, 0) || E_vertex(ex, 1) == E_vertex(d, 1);
        edges[k] = ex;
        if (!same) dirs[k] = 1 - dirs[k];
      } else {
        edges[k] = E_vertex(d, 0) == o ? M_createE(m, w, x, F_whatIn(f)) : M_createE(m, x, w, F_whatIn(f));
      }
    }
    PList_append(newFaces, M_createF(m, 3, edges, dirs, F_whatIn(f)));
  }
  clearP();
  AdaptUtil::PList_appSSList(&polygon, P, 0);
  return 1;
}

void snapVertices::improveNewSurfMesh(pGFace g, pPList& newFaces, pVertex w) {
  // Each swap strictly lowers the largest angle cosine of its pair of faces;
  // the passes are bounded all the same.
  const int maxPasses = 100;
  std::vector<pEdge> remembered;
  for (int pass = 0; pass < maxPasses; ++pass) {
    std::vector<pEdge> edges;
    for (int i = 0; i < V_numEdges(w); ++i) edges.push_back(V_edge(w, i));
    for (pEdge e : remembered)
      if (std::find(edges.begin(), edges.end(), e) == edges.end()) edges.push_back(e);
    remembered.clear();
    bool swapped = false;
    for (pEdge e : edges) {
      double maxCos = 0.0, minOri = 0.0, maxCos0 = 0.0, minOri0 = 0.0;
      if (!fromMeshTools::E_evalSwpOnGFace(e, g, newFaces, &maxCos, &minOri)) continue;
      AdaptUtil::E_swpGetOriAngles(e, &maxCos0, &minOri0);
      if (!(maxCos < maxCos0 && (minOri >= minOri0 || minOri >= 0.25))) continue;
      pVertex o[2] = {F_edOpVt(E_face(e, 0), e), F_edOpVt(E_face(e, 1), e)};
      PList_remItem(newFaces, E_face(e, 0));
      PList_remItem(newFaces, E_face(e, 1));
      pPList made = nullptr;
      templatesUtil::Edge_swapOnGFace(mesh, e, g, nullptr, nullptr, &made);
      if (made) PList_appPListUnique(newFaces, made);
      PList_delete(made);
      if (pEdge ne = E_exists(o[0], o[1])) remembered.push_back(ne);
      swapped = true;
    }
    if (!swapped) return;
  }
}

int snapVertices::ensureSimilarity(pPList& newFaces, pPList& polygon, pVertex w) {
  for (int i = 0; i < PList_size(polygon); ++i) {
    pEdge e = static_cast<pEdge>(PList_item(polygon, i));
    if (E_whatInType(e) != 1) continue;
    pFace f = AdaptUtil::F_getFmFaces(newFaces, e);
    if (!f) {
      std::printf("Error: ensureSimilarity\n");
      return 0;
    }
    const int s = AdaptUtil::F_checkGeoSim(f, paramsId);
    if (s == -2) {
      std::printf("Error: can not get parameter of a vertex");
      continue;
    }
    if (s == 0 || s == -1) {
      if (!AdaptUtil::RemoveAVertex(mesh, field, w, 2, 1, newFaces, callback, userData)) {
        std::printf("Error: can not create a valid new triangulation\n");
        return 0;
      }
      // The new vertex is gone, and with it the patch built around it.
      return 0;
    }
  }
  return 1;
}

int snapVertices::triangulatecavity(pMesh, pPList, int*, int, int, pPList) { return 0; }
