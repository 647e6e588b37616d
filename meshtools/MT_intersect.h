// Point location against faces and regions, rays and lines against planes
// and segment lines, and intersections of triangles and edges with each
// other under closure flags (1 takes an operand closed, 0 open). All tests
// use the mesh tolerance tol (M_getTolerance) or its square.
#ifndef DG_MESHTOOLS_MT_INTERSECT_H
#define DG_MESHTOOLS_MT_INTERSECT_H

#include "KORA.h"

struct IntersectionPoint {
  double xyz[3];
  KORA::pEntity ent1;  // entity of the first operand's closure holding the point
  KORA::pEntity ent2;  // the same for the second operand
  IntersectionPoint* next;
  IntersectionPoint* prev;
};

struct IntersectionData {
  int dimension;  // 0 a point, 1 a segment, 2 a polygon
  int numPoints;
  IntersectionPoint* points;  // in the order they were added
  KORA::pPList entities;      // further entities covered or crossed (owned list)
};

// ------------------------------------------------------------- the record
IntersectionData M_intersectionData_new();
void M_intersectionData_delete(IntersectionData d);
// Appends a point unless tol2 > 0 and a point lies within squared distance tol2.
void M_updateIntersectionData(IntersectionData* d, KORA::pEntity ent1, KORA::pEntity ent2,
                              const double xyz[3], double tol2);
int xyz_inIntersectionData(const IntersectionData* d, const double xyz[3], double tol2);
// Exchanges ent1 and ent2 of the points from index 'from' on.
void swapIntersectedEnt(IntersectionData* d, int from);

// ------------------------------------------------------- closure look-ups
KORA::pEdge M_boundedEdgeOnFace(KORA::pFace f, KORA::pVertex a, KORA::pVertex b);
KORA::pEdge M_boundedEdgeOnRegion(KORA::pRegion r, KORA::pVertex a, KORA::pVertex b);
// An edge and a vertex opposite it, or two edges (either order); else null.
KORA::pFace M_boundedFaceOnRegion(KORA::pRegion r, KORA::pEntity a, KORA::pEntity b);

// ------------------------------------------------ point location and rays
// The vertex, edge or face of the closure of a face or region holding xyz,
// the entity itself for an interior point, null outside.
KORA::pEntity XYZ_onBoundary(const double xyz[3], KORA::pEntity ent, double tol);
int IntXYZ_insideFace(const double xyz[3], KORA::pFace f, double tol);
// 1 when the ray (line) meets the triangle's plane, out the point, or lies in
// it (*coplanar = 1); the triangle's inside is not tested.
int M_intersectRay3XYZ(const double origin[3], const double dir[3], const double tri[3][3], double out[3],
                       int* coplanar);
int M_intersectLine3XYZ(const double origin[3], const double dir[3], const double tri[3][3], double out[3],
                        int* coplanar);
// 1 when the ray meets the segment's line ahead (or the segment lies on the
// ray's line: *flag = 1), 0 when not, -1 when nearly parallel.
int M_intersectRay2XYZ(const double origin[3], const double dir[3], const double seg[2][3], double out[3],
                       int* flag);

// ----------------------------------------- intersections of mesh entities
// 1 when the operands intersect under their closure flags; the points (ent1
// on the first operand) and the entities involved are added to d.
int M_intersectFaces(KORA::pFace f1, int closed1, KORA::pFace f2, int closed2, IntersectionData* d);
int F_intersectEdge(KORA::pFace f, int closedF, KORA::pEdge e, int closedE, IntersectionData* d);
int M_intersectEdges(KORA::pEdge e1, int closed1, KORA::pEdge e2, int closed2, IntersectionData* d);

#endif
