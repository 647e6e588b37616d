#include "MT_error.h"
#include "MT_mark.h"
#include "MT_topology.h"

using namespace KORA;

pFace R_vtOpFc(pRegion r, pVertex v) {
  const int n = R_numFaces(r);
  if (n > 4) return nullptr;
  for (int i = 0; i < n; ++i) {
    pFace f = R_face(r, i);
    pPList vs = F_vertices(f, 1);
    const bool holds = PList_inList(vs, v);
    PList_delete(vs);
    if (!holds) return f;
  }
  return nullptr;
}

pEdge F_vtOpEd(pFace f, pVertex v) {
  if (F_numEdges(f) != 3) return nullptr;
  for (int i = 0; i < 3; ++i) {
    pEdge e = F_edge(f, i);
    if (E_vertex(e, 0) != v && E_vertex(e, 1) != v) return e;
  }
  return nullptr;
}

pVertex F_edOpVt(pFace f, pEdge e) {
  const int n = F_numEdges(f);
  for (int i = 0; i < n; ++i) {
    pEdge o = F_edge(f, i);
    if (o == e) continue;
    pVertex v0 = E_vertex(o, 0);
    if (v0 != E_vertex(e, 0) && v0 != E_vertex(e, 1)) return v0;
    return E_vertex(o, 1);
  }
  return nullptr;
}

pVertex R_fcOpVt(pRegion r, pFace f) {
  pPList fv = F_vertices(f, 1);
  pPList rv = R_vertices(r);
  pVertex out = nullptr;
  for (int i = 0; i < PList_size(rv) && !out; ++i)
    if (!PList_inList(fv, PList_item(rv, i))) out = static_cast<pVertex>(PList_item(rv, i));
  PList_delete(fv);
  PList_delete(rv);
  return out;
}

pEdge R_gtOppEdg(pRegion r, pEdge e) {
  pPList rv = R_vertices(r);
  if (PList_size(rv) != 4) {
    PList_delete(rv);
    ErrorHandler("Wrong number of vertices", "getOppEdg", MT_WARNING);
    return nullptr;
  }
  pVertex w[2] = {nullptr, nullptr};
  int k = 0;
  for (int i = 0; i < 4; ++i) {
    pVertex v = static_cast<pVertex>(PList_item(rv, i));
    if (v != E_vertex(e, 0) && v != E_vertex(e, 1) && k < 2) w[k++] = v;
  }
  PList_delete(rv);
  pEdge out = (k == 2) ? E_exists(w[0], w[1]) : nullptr;
  if (!out) ErrorHandler("Edge not found", "R_gtOppEdg", MT_WARNING);
  return out;
}

pEdge E_exists(pVertex a, pVertex b) {
  if (a == b) return nullptr;
  const int n = V_numEdges(a);
  for (int i = 0; i < n; ++i) {
    pEdge e = V_edge(a, i);
    if (E_vertex(e, 0) == b || E_vertex(e, 1) == b) return e;
  }
  return nullptr;
}

pFace F_exists(int kind, pEntity e1, pEntity e2, pEntity e3, pEntity e4) {
  if (kind != 0 && kind != 1) return nullptr;
  pEntity want[3] = {e2, e3, e4};
  const int n = e4 ? 3 : 2;
  pPList cands = kind == 0 ? V_faces(e1) : E_faces(e1);
  pFace found = nullptr;
  for (int i = 0; i < PList_size(cands) && !found; ++i) {
    pFace f = static_cast<pFace>(PList_item(cands, i));
    pPList subs = kind == 0 ? F_vertices(f, 1) : F_edges(f, 1, nullptr);
    bool all = true;
    for (int k = 0; k < n && all; ++k) all = PList_inList(subs, want[k]);
    PList_delete(subs);
    if (all) found = f;
  }
  PList_delete(cands);
  return found;
}

pPList E_faces(pEdge e) {
  pPList l = PList_new();
  const int n = E_numFaces(e);
  for (int i = 0; i < n; ++i) PList_append(l, E_face(e, i));
  return l;
}

pPList V_bdryFaces(pVertex v) {
  const int mark = MT_getMarkID();
  pPList out = nullptr;
  const int ne = V_numEdges(v);
  for (int i = 0; i < ne; ++i) {
    pEdge e = V_edge(v, i);
    if (E_whatInType(e) == 3) continue;
    const int nf = E_numFaces(e);
    for (int j = 0; j < nf; ++j) {
      pFace f = E_face(e, j);
      if (F_whatInType(f) != 2 || MT_isMarked(f, mark)) continue;
      if (!out) out = PList_new();
      PList_append(out, f);
      MT_setMark(f, mark);
    }
  }
  if (out) MT_unMarkList(out, mark);
  MT_freeMarkID(mark);
  return out;
}

void PList_app2Lst(pPList* target, pPList source, int unique) {
  bool fresh = false;
  if (!*target) {
    *target = PList_new();
    fresh = true;
  }
  void* it = nullptr;
  while (void* x = PList_next(source, &it)) {
    if (unique && !fresh)
      PList_appUnique(*target, x);
    else
      PList_append(*target, x);
  }
}
