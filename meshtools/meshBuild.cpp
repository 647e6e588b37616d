#include "meshBuild.h"
#include "MT_modify.h"
#include "MT_topology.h"

using namespace KORA;

namespace meshtools_detail {

pEdge edgeOf(pMesh m, pVertex a, pVertex b, pGEntity g) {
  if (pEdge e = E_exists(a, b)) return e;
  return M_createE(m, a, b, g);
}

pFace faceOf(pMesh m, pEdge e0, pEdge e1, pEdge e2, pGEntity g) {
  if (pFace f = F_exists(1, e0, e1, e2, nullptr)) return f;
  pEdge loop[3] = {e0, e1, e2};
  int dirs[3] = {1, 1, 1};
  return M_createF(m, 3, loop, dirs, g);
}

pFace triOf(pMesh m, pVertex a, pVertex b, pVertex c, pGEntity g) {
  return faceOf(m, edgeOf(m, a, b, g), edgeOf(m, b, c, g), edgeOf(m, c, a, g), g);
}

pRegion tetOf(pMesh m, pVertex a, pVertex b, pVertex c, pVertex d, pGEntity g) {
  pFace f[4] = {triOf(m, a, b, c, g), triOf(m, a, b, d, g), triOf(m, b, c, d, g), triOf(m, c, a, d, g)};
  int dirs[4] = {1, 1, 1, 1};
  return M_createR(m, 4, f, dirs, g);
}

namespace {
void cascade(pMesh m, pPList faces) {
  for (int i = 0; i < PList_size(faces); ++i) {
    pPList edges = delete_F(m, static_cast<pFace>(PList_item(faces, i)));
    for (int j = 0; j < PList_size(edges); ++j) {
      pPList verts = delete_E(m, static_cast<pEdge>(PList_item(edges, j)));
      for (int k = 0; k < PList_size(verts); ++k) delete_V(m, static_cast<pVertex>(PList_item(verts, k)));
      PList_delete(verts);
    }
    PList_delete(edges);
  }
}
}  // namespace

void removeCavity(pMesh m, pPList regions) {
  for (int i = 0; i < PList_size(regions); ++i) {
    pPList faces = delete_R(m, static_cast<pRegion>(PList_item(regions, i)));
    cascade(m, faces);
    PList_delete(faces);
  }
}

void removeFaces(pMesh m, pPList faces) { cascade(m, faces); }

}  // namespace meshtools_detail

pPList delete_R(pMesh m, pRegion r) {
  pPList faces = R_faces(r);
  M_removeRegion(m, r);
  pPList out = PList_new();
  for (int i = 0; i < PList_size(faces); ++i) {
    pFace f = static_cast<pFace>(PList_item(faces, i));
    if (!F_region(f, 0)) PList_append(out, f);
  }
  PList_delete(faces);
  return out;
}

pPList delete_F(pMesh m, pFace f) {
  pPList edges = F_edges(f, 1, nullptr);
  M_removeFace(m, f);
  pPList out = PList_new();
  for (int i = 0; i < PList_size(edges); ++i) {
    pEdge e = static_cast<pEdge>(PList_item(edges, i));
    if (E_numFaces(e) == 0) PList_append(out, e);
  }
  PList_delete(edges);
  return out;
}

pPList delete_E(pMesh m, pEdge e) {
  pVertex v[2] = {E_vertex(e, 0), E_vertex(e, 1)};
  M_removeEdge(m, e);
  pPList out = PList_new();
  for (pVertex x : v)
    if (V_numEdges(x) == 0) PList_append(out, x);
  return out;
}

void delete_V(pMesh m, pVertex v) {
  M_removePoint(m, V_point(v));
  M_removeVertex(m, v);
}
