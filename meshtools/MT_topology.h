// Look-ups over the adjacency: opposite entities, existing edges and faces,
// neighbourhoods. None of them changes the mesh.
#ifndef DG_MESHTOOLS_MT_TOPOLOGY_H
#define DG_MESHTOOLS_MT_TOPOLOGY_H

#include "KORA.h"

KORA::pFace R_vtOpFc(KORA::pRegion r, KORA::pVertex v);
KORA::pEdge F_vtOpEd(KORA::pFace f, KORA::pVertex v);
KORA::pVertex F_edOpVt(KORA::pFace f, KORA::pEdge e);
KORA::pVertex R_fcOpVt(KORA::pRegion r, KORA::pFace f);
KORA::pEdge R_gtOppEdg(KORA::pRegion r, KORA::pEdge e);
KORA::pEdge E_exists(KORA::pVertex a, KORA::pVertex b);
// kind 0: bounded by the vertices e1..e4, kind 1: by the edges; e4 null for three.
KORA::pFace F_exists(int kind, KORA::pEntity e1, KORA::pEntity e2, KORA::pEntity e3,
                     KORA::pEntity e4);
KORA::pPList E_faces(KORA::pEdge e);
KORA::pPList V_bdryFaces(KORA::pVertex v);
void PList_app2Lst(KORA::pPList* target, KORA::pPList source, int unique);

#endif
