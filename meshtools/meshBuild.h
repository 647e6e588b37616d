// Find-or-create helpers and removal cascades shared by the swaps and the split.
#ifndef DG_MESHTOOLS_MESHBUILD_H
#define DG_MESHTOOLS_MESHBUILD_H

#include "KORA.h"

namespace meshtools_detail {
// The edge joining a and b, created on g when missing.
KORA::pEdge edgeOf(KORA::pMesh m, KORA::pVertex a, KORA::pVertex b, KORA::pGEntity g);
// The triangle on the three edges, created on g when missing.
KORA::pFace faceOf(KORA::pMesh m, KORA::pEdge e0, KORA::pEdge e1, KORA::pEdge e2, KORA::pGEntity g);
// The triangle on the three vertices, its edges and itself created on g when missing.
KORA::pFace triOf(KORA::pMesh m, KORA::pVertex a, KORA::pVertex b, KORA::pVertex c, KORA::pGEntity g);
// The tetrahedron on four vertices, missing edges and faces created on g.
KORA::pRegion tetOf(KORA::pMesh m, KORA::pVertex a, KORA::pVertex b, KORA::pVertex c, KORA::pVertex d,
                    KORA::pGEntity g);
// Removes the regions and every face, edge and vertex they leave without a
// higher entity.
void removeCavity(KORA::pMesh m, KORA::pPList regions);
// Removes the faces and every edge and vertex they leave without a higher entity.
void removeFaces(KORA::pMesh m, KORA::pPList faces);
}  // namespace meshtools_detail

#endif
