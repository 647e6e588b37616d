// One calling form for the mesh modifications that report to the change
// callback: edge collapse, edge split, edge swaps and face swap. The template
// utilities take these as their own static functions (they derive from this
// class).
#ifndef DG_ADAPT_MODIFICATIONWRAPPERS_H
#define DG_ADAPT_MODIFICATIONWRAPPERS_H

#include "KORA.h"

class modificationWrappers {
 public:
  // *newRegions receives a new list (whatever it held is neither read nor
  // freed); the caller deletes it.
  static int Edge_colaps(KORA::pMesh mesh, KORA::pEdge edge, KORA::pVertex vdel, KORA::pVertex vkeep,
                         KORA::CBFunction cb, void* data, KORA::pPList* newRegions);
  static KORA::pVertex Edge_split(KORA::pMesh mesh, KORA::pEdge edge, double xyz[3], double* param,
                                  KORA::CBFunction cb, void* data, KORA::pPList* newEntities);
  static int Edge_swap(KORA::pMesh mesh, KORA::pEdge edge, int config, KORA::CBFunction cb, void* data,
                       KORA::pPList* newRegions);
  static KORA::pEdge Edge_swapOnGFace(KORA::pMesh mesh, KORA::pEdge edge, KORA::pGEntity gface,
                                      KORA::CBFunction cb, void* data, KORA::pPList* newEntities);
  static int Face_swap(KORA::pMesh mesh, KORA::pFace face, double tol, KORA::CBFunction cb, void* data,
                       KORA::pPList* newRegions);
};

#endif
