// Local modifications of a tetrahedral (or triangle) mesh: collapse checks,
// edge swap configurations, edge and face swaps, edge split. Each reports
// its change to the change callback after the new entities exist and before
// the old ones are removed. The swap evaluations keep one process-wide
// record that the following swap reads: nothing may change the mesh between
// evaluating a swap and applying it.
#ifndef DG_MESHTOOLS_MT_MODIFY_H
#define DG_MESHTOOLS_MT_MODIFY_H

#include "KORA.h"

// ------------------------------------------------------- collapse checks
int E_chkClpTopo(KORA::pVertex vdel, KORA::pEdge edge);
int E_chkColaps(KORA::pVertex* vdel, KORA::pVertex* vkeep, KORA::pEdge edge);
int E_chkColapsFcs(KORA::pVertex vdel, KORA::pVertex vkeep, KORA::pEdge edge);
int E_evalColaps(KORA::pMesh mesh, KORA::pEdge edge, KORA::pVertex vdel, KORA::pVertex vkeep);
// 1 when E_colapsOnGFace of the same edge, vdel and faces would collapse
// rather than refuse; it refuses, before any change, when a side edge may
// not go or when the mesh interface cannot merge entities.
int E_chkColapsOnGFace(KORA::pEdge edge, KORA::pVertex vdel, KORA::pPList faces);
int E_colapsOnGFace(KORA::pMesh mesh, KORA::pEdge edge, KORA::pVertex vdel, KORA::pVertex vkeep,
                    KORA::pPList faces, KORA::pPList* bdryFaces);

// ------------------------------------------------- edge swap configurations
// Number of admissible configurations; 0 when the edge cannot be swapped,
// -2 for an edge of a surface mesh. Rebuilds the swap cache for the edge.
int E_numSwpCfg(KORA::pEdge edge);
// 1 when the i-th admissible configuration gives only non-flat tetrahedra.
int E_evalSwpCfg(KORA::pEdge edge, int i);
// Vertices of the tetrahedra of the i-th admissible configuration (new list).
KORA::pPList E_swpCfgVerts(KORA::pEdge edge, int i);
int E_defaultRegionSwpCfg(KORA::pEdge edge);

// --------------------------------------------------------------- edge swap
int E_swap(KORA::pMesh mesh, KORA::pEdge edge, int i, KORA::CBFunction cb, void* data,
           KORA::pPList* newRegions);
KORA::pEdge E_swapOnGFace(KORA::pMesh mesh, KORA::pEdge edge, KORA::pGEntity gface,
                          KORA::CBFunction cb, void* data, KORA::pPList* newFaces);
// Removal helpers: the sub-entities left without a higher entity (new list).
KORA::pPList delete_R(KORA::pMesh mesh, KORA::pRegion r);
KORA::pPList delete_F(KORA::pMesh mesh, KORA::pFace f);
KORA::pPList delete_E(KORA::pMesh mesh, KORA::pEdge e);
void delete_V(KORA::pMesh mesh, KORA::pVertex v);

// --------------------------------------------------------------- face swap
int F_evalSwap(KORA::pFace face, double tol);
int F_swap(KORA::pMesh mesh, KORA::pFace face, double tol, KORA::CBFunction cb, void* data,
           KORA::pPList* oldRegions, KORA::pPList* newRegions);
// What the last F_evalSwap found: its face (null once swapped), the case (1
// through an edge swap, 2 three-to-two, 3 two-to-three, 0 undecided), the
// face's two regions with their vertices opposite the face, and the third
// region of the three-to-two case.
struct faceSwapInfo {
  KORA::pFace face;
  int kase;
  KORA::pRegion region[2];
  KORA::pVertex opposite[2];
  KORA::pRegion third;
};
faceSwapInfo F_swapInfo();

// -------------------------------------------------------------- edge split
KORA::pVertex E_split(KORA::pMesh mesh, KORA::pEdge edge, const double xyz[3], double* param,
                      KORA::CBFunction cb, void* data, KORA::pPList* newEntities);

#endif
