// Edge split at a given point: every face and tetrahedron around the edge
// becomes two.
#include <vector>

#include "MT_modify.h"
#include "MT_topology.h"
#include "meshBuild.h"

using namespace KORA;
using namespace meshtools_detail;

pVertex E_split(pMesh mesh, pEdge edge, const double xyz[3], double* param, CBFunction cb, void* data,
                pPList* newEntities) {
  pVertex A = E_vertex(edge, 0), B = E_vertex(edge, 1);
  pGEntity g = E_whatIn(edge);
  pPList oldRegions = E_regions(edge);
  pPList oldFaces = E_faces(edge);
  pVertex V = M_createVP(mesh, xyz[0], xyz[1], xyz[2], param, 0, g);
  M_createE(mesh, A, V, g);
  M_createE(mesh, V, B, g);
  pPList newFaces = PList_new();
  for (int i = 0; i < PList_size(oldFaces); ++i) {
    pFace f = static_cast<pFace>(PList_item(oldFaces, i));
    pGEntity gf = F_whatIn(f);
    pVertex o = F_edOpVt(f, edge);
    M_createE(mesh, V, o, gf);
    // The halves keep the sense in which f runs around the old face.
    pVertex fv[3];
    pPList l = F_vertices(f, 1);
    for (int k = 0; k < 3; ++k) fv[k] = static_cast<pVertex>(PList_item(l, k));
    PList_delete(l);
    pVertex halfA[3], halfB[3];
    for (int k = 0; k < 3; ++k) {
      halfA[k] = fv[k] == B ? V : fv[k];
      halfB[k] = fv[k] == A ? V : fv[k];
    }
    PList_append(newFaces, triOf(mesh, halfA[0], halfA[1], halfA[2], gf));
    PList_append(newFaces, triOf(mesh, halfB[0], halfB[1], halfB[2], gf));
  }
  pPList newRegions = PList_new();
  for (int i = 0; i < PList_size(oldRegions); ++i) {
    pRegion r = static_cast<pRegion>(PList_item(oldRegions, i));
    pGEntity gR = R_whatIn(r);
    pPList l = R_vertices(r);
    pVertex rv[4], ra[4], rb[4];
    for (int k = 0; k < 4; ++k) rv[k] = static_cast<pVertex>(PList_item(l, k));
    PList_delete(l);
    for (int k = 0; k < 4; ++k) {
      ra[k] = rv[k] == B ? V : rv[k];
      rb[k] = rv[k] == A ? V : rv[k];
    }
    PList_append(newRegions, tetOf(mesh, ra[0], ra[1], ra[2], ra[3], gR));
    PList_append(newRegions, tetOf(mesh, rb[0], rb[1], rb[2], rb[3], gR));
  }
  const bool volume = PList_size(oldRegions) > 0;
  if (cb) {
    if (volume)
      cb(oldRegions, newRegions, data, EDGESPLIT, edge);
    else
      cb(oldFaces, newFaces, data, EDGESPLIT, edge);
  }
  for (int i = 0; i < PList_size(oldRegions); ++i) M_removeRegion(mesh, static_cast<pRegion>(PList_item(oldRegions, i)));
  for (int i = 0; i < PList_size(oldFaces); ++i) M_removeFace(mesh, static_cast<pFace>(PList_item(oldFaces, i)));
  M_removeEdge(mesh, edge);
  PList_delete(oldRegions);
  PList_delete(oldFaces);
  if (volume) {
    *newEntities = newRegions;
    PList_delete(newFaces);
  } else {
    *newEntities = newFaces;
    PList_delete(newRegions);
  }
  return V;
}
