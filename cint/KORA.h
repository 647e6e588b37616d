// Procedural, handle-based interface to the mesh database. Handles are the
// database's own objects: a mesh is an mMesh*, an entity an mEntity*, a point
// an mPoint*.
#ifndef KORA_CINT_KORA_H
#define KORA_CINT_KORA_H

#include <vector>

#include "mEntity.h"
#include "mPoint.h"

namespace KORA {

class mMesh;

typedef mMesh* pMesh;
typedef mEntity* pEntity;
typedef mEntity* pVertex;
typedef mEntity* pEdge;
typedef mEntity* pFace;
typedef mEntity* pRegion;
typedef mPoint* pPoint;

// Dimension of an entity: 0 vertex, 1 edge, 2 face, 3 region.
int EN_type(pEntity e);

// The point held inside a vertex (writing through it moves the vertex).
pPoint V_point(pVertex v);
double P_x(pPoint p);
double P_y(pPoint p);
double P_z(pPoint p);

// Element type code of an entity.
mEntity::mType M_GetElementType(pEntity e);
// Appends the vertices of e (e itself for a vertex) to out, in the vertex
// order of e's kind.
void M_GetVertices(pEntity e, std::vector<pEntity>& out);

// Point at which an edge is split: its midpoint, or, for an edge on a model
// edge of a mesh that keeps a model mesh, the midpoint of the model-mesh edge
// most nearly equidistant from the edge's two vertices.
void MeshModel_middlePoint(pEntity edge, double* out);

}  // namespace KORA

#endif
