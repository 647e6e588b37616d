// Checks made before an edge collapse, and the collapse of an edge of a
// triangulated model face.
#include <utility>
#include <vector>

#include "MT_mark.h"
#include "MT_modify.h"
#include "MT_topology.h"
#include "MT_vector.h"

using namespace KORA;

int E_chkClpTopo(pVertex vdel, pEdge edge) {
  if (!EN_okTo(1, edge)) return 0;
  for (int i = 0; i < 2; ++i) {
    pVertex d = E_vertex(edge, i), k = E_vertex(edge, 1 - i);
    if (vdel && vdel != d) continue;
    if (!E_chkColaps(&d, &k, edge)) continue;
    if (vdel && vdel != d) continue;
    if (!EN_okTo(1, d)) continue;
    if (E_chkColapsFcs(d, k, edge)) return 1;
  }
  return 0;
}

int E_chkColaps(pVertex* vdel, pVertex* vkeep, pEdge edge) {
  pVertex a = *vdel, b = *vkeep;
  pGEntity ga = V_whatIn(a), gb = V_whatIn(b), ge = E_whatIn(edge);
  const int ta = V_whatInType(a), tb = V_whatInType(b), te = E_whatInType(edge);
  pVertex del = a, keep = b;
  if (ta == tb) {
    if (ga != gb) return 0;
    if (ta == 3) return 1;
    if (te != ta || ge != ga) return 0;
  } else if (ta == 3 || tb == 3) {
    if (tb == 3) {
      *vdel = b;
      *vkeep = a;
    }
    return 1;
  } else {
    if (tb > ta) {
      del = b;
      keep = a;
    }
    if (te != V_whatInType(del) || ge != V_whatIn(del)) return 0;
  }
  // Boundary edges of the deleted vertex merge with those of the kept one.
  for (int i = 0; i < V_numEdges(del); ++i) {
    pEdge e1 = V_edge(del, i);
    if (e1 == edge || E_whatInType(e1) == 3) continue;
    pVertex far = E_otherVertex(e1, del);
    pEdge e2 = nullptr;
    for (int j = 0; j < V_numEdges(keep) && !e2; ++j) {
      pEdge c = V_edge(keep, j);
      if (E_whatInType(c) == 3 || E_otherVertex(c, keep) == del) continue;
      if (E_otherVertex(c, keep) == far) e2 = c;
    }
    if (!e2) continue;
    const int t1 = E_whatInType(e1), t2 = E_whatInType(e2);
    pGEntity g1 = E_whatIn(e1), g2 = E_whatIn(e2);
    if (t1 == t2 && (g1 != g2 || t1 == 1)) return 0;
    pGEntity g = t2 > t1 ? g2 : g1;
    pFace f = F_exists(1, edge, e1, e2, nullptr);
    if (!f || F_whatIn(f) != g) return 0;
  }
  *vdel = del;
  *vkeep = keep;
  return 1;
}

int E_chkColapsFcs(pVertex vdel, pVertex vkeep, pEdge edge) {
  pPList fd = V_faces(vdel);
  pPList fk = V_faces(vkeep);
  int ok = 1;
  for (int i = 0; i < PList_size(fd) && ok; ++i) {
    pFace a = static_cast<pFace>(PList_item(fd, i));
    if (F_inClosure(a, edge)) continue;
    pEdge e1 = F_vtOpEd(a, vdel);
    for (int j = 0; j < PList_size(fk); ++j) {
      pFace b = static_cast<pFace>(PList_item(fk, j));
      if (F_inClosure(b, edge) || F_vtOpEd(b, vkeep) != e1) continue;
      if (F_whatInType(a) == 2 && F_whatInType(b) == 2) ok = 0;
      pRegion r0 = F_region(a, 0), r1 = F_region(a, 1);
      if (r0 && r1 && !R_inClosure(r0, b) && !R_inClosure(r1, b)) ok = 0;
      break;
    }
  }
  PList_delete(fd);
  PList_delete(fk);
  return ok;
}

int E_evalColaps(pMesh, pEdge edge, pVertex vdel, pVertex vkeep) {
  pPList rs = V_regions(vdel);
  double keep[3];
  V_coord(vkeep, keep);
  int ok = 1;
  for (int i = 0; i < PList_size(rs) && ok; ++i) {
    pRegion r = static_cast<pRegion>(PList_item(rs, i));
    if (R_inClosure(r, edge)) continue;
    pPList vs = R_vertices(r);
    double x[4][3];
    for (int k = 0; k < 4; ++k) {
      pVertex v = static_cast<pVertex>(PList_item(vs, k));
      if (v == vdel) {
        for (int c = 0; c < 3; ++c) x[k][c] = keep[c];
      } else {
        V_coord(v, x[k]);
      }
    }
    PList_delete(vs);
    if (XYZ_checkFlat(x)) ok = 0;
  }
  PList_delete(rs);
  return ok;
}

namespace {
// The side edges that the collapse of the edge merges, as (gone, kept) pairs
// in the order of the faces; 0 when a side edge that must go may not.
int sideEdgePairs(pEdge edge, pVertex vdel, pPList faces, std::vector<std::pair<pEdge, pEdge>>& pairs) {
  auto allowed = [](pEdge e) { return EN_okTo(4, e) && EN_okTo(1, e); };
  for (int i = 0; i < PList_size(faces); ++i) {
    pFace f = static_cast<pFace>(PList_item(faces, i));
    pEdge eDel = nullptr, eKeep = nullptr;
    for (int k = 0; k < F_numEdges(f); ++k) {
      pEdge e = F_edge(f, k);
      if (e == edge) continue;
      (E_vertex(e, 0) == vdel || E_vertex(e, 1) == vdel ? eDel : eKeep) = e;
    }
    if (!eDel || !eKeep) return 0;
    const int td = E_whatInType(eDel), tk = E_whatInType(eKeep);
    if (tk < td) {
      if (!allowed(eDel)) return 0;
      pairs.push_back({eDel, eKeep});
    } else if (td < tk) {
      if (!allowed(eKeep)) return 0;
      pairs.push_back({eKeep, eDel});
    } else if (allowed(eDel)) {
      pairs.push_back({eDel, eKeep});
    } else if (allowed(eKeep)) {
      pairs.push_back({eKeep, eDel});
    } else {
      return 0;
    }
  }
  // Without merges the mesh would be left half changed: refuse now.
  return M_mergeSupported();
}
}  // namespace

int E_chkColapsOnGFace(pEdge edge, pVertex vdel, pPList faces) {
  std::vector<std::pair<pEdge, pEdge>> pairs;
  return sideEdgePairs(edge, vdel, faces, pairs);
}

int E_colapsOnGFace(pMesh mesh, pEdge edge, pVertex vdel, pVertex vkeep, pPList faces, pPList* bdryFaces) {
  *bdryFaces = nullptr;
  std::vector<std::pair<pEdge, pEdge>> pairs;  // (gone, kept)
  if (!sideEdgePairs(edge, vdel, faces, pairs)) return 0;
  for (int i = 0; i < PList_size(faces); ++i) M_removeFace(mesh, static_cast<pFace>(PList_item(faces, i)));
  M_removeEdge(mesh, edge);
  *bdryFaces = V_bdryFaces(vdel);
  V_merge(vkeep, vdel);
  M_removePoint(mesh, V_point(vdel));
  M_removeVertex(mesh, vdel);
  for (auto& p : pairs) E_merge(p.second, p.first);
  for (auto& p : pairs) M_removeEdge(mesh, p.first);
  return 1;
}
