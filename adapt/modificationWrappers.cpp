#include "modificationWrappers.h"

#include "MT_modify.h"

using namespace KORA;

int modificationWrappers::Edge_colaps(pMesh mesh, pEdge edge, pVertex vdel, pVertex vkeep, CBFunction cb,
                                      void* data, pPList* newRegions) {
  pPList newEdges = PList_new();
  pPList newFaces = PList_new();
  *newRegions = PList_new();
  const int r = E_colaps(mesh, edge, vdel, vkeep, cb, data, newEdges, newFaces, *newRegions);
  PList_delete(newEdges);
  PList_delete(newFaces);
  return r;
}

pVertex modificationWrappers::Edge_split(pMesh mesh, pEdge edge, double xyz[3], double* param, CBFunction cb,
                                         void* data, pPList* newEntities) {
  return E_split(mesh, edge, xyz, param, cb, data, newEntities);
}

int modificationWrappers::Edge_swap(pMesh mesh, pEdge edge, int config, CBFunction cb, void* data,
                                    pPList* newRegions) {
  return E_swap(mesh, edge, config, cb, data, newRegions);
}

pEdge modificationWrappers::Edge_swapOnGFace(pMesh mesh, pEdge edge, pGEntity gface, CBFunction cb, void* data,
                                             pPList* newEntities) {
  return E_swapOnGFace(mesh, edge, gface, cb, data, newEntities);
}

int modificationWrappers::Face_swap(pMesh mesh, pFace face, double tol, CBFunction cb, void* data,
                                    pPList* newRegions) {
  pPList regions = F_regions(face);
  pPList olds = regions;
  const int r = F_swap(mesh, face, tol, cb, data, &olds, newRegions);
  if (olds != regions) PList_delete(olds);
  PList_delete(regions);
  return r;
}
