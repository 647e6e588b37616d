// Octree point location over untyped elements. The caller supplies three
// callbacks (bounding box, centroid, exact inside test), inserts every element
// once, arranges the tree once, then searches as often as it likes.
//
// Each element is kept in the leaf that holds its centroid; after the
// arrangement every leaf also lists the other elements whose bounding box
// overlaps it, so the leaf of a point knows every candidate element.
#ifndef DG_GEOMETRY_OCTREE_H
#define DG_GEOMETRY_OCTREE_H

#include <vector>

namespace KORA {

class mEntity;

typedef void (*BBFunction)(void *element, double *min, double *max);
typedef int (*InEleFunction)(void *element, double *xyz);
typedef void (*CentroidFunction)(void *element, double *xyz);

struct elementRecord {
  void *element;
  double centroid[3];
  elementRecord *next;
};

struct bucket {
  double minPt[3];
  double maxPt[3];
  int numElements = 0;
  elementRecord *elementChain = nullptr;
  std::vector<void *> overlapList;
  bucket *children = nullptr;  // array of 8, or null for a leaf
  int depth = 0;               // 0 for the root
};

struct global {
  int maxElements;
  void *lastFound;
  std::vector<void *> pendingElements;
};

struct Octree {
  global *info;
  bucket *root;
  BBFunction boundingBoxFn;
  InEleFunction insideFn;
  CentroidFunction centroidFn;
};

// Deepest level a bucket may be split to. A leaf at this depth keeps every
// record it receives, so many coincident centroids cannot split forever.
constexpr int OctreeMaxDepth = 24;

// A new octree whose domain box starts at origin and spans size per axis,
// widened by 1 % of the extent on every side.
Octree *Octree_Create(int maxElements, double *origin, double *size,
                      BBFunction bb, CentroidFunction centroid,
                      InEleFunction inside);
// Adds the element to the leaf that holds its centroid. Returns 1 when the
// element is in the tree afterwards; an element whose centroid lies outside
// the domain box is refused with a message and 0 is returned.
int Octree_Insert(void *element, Octree *octree);
// Enters every element added since the last arrangement into the overlap
// lists of the leaves its bounding box overlaps.
void Octree_Arrange(Octree *octree);
// The first element found that contains the point, or null (no message).
void *Octree_Search(double *xyz, Octree *octree);
// Appends to result every element of the point's leaf that contains the
// point; returns result, or null (with a message) when there is none.
std::vector<void *> *Octree_SearchAll(double *xyz, Octree *octree,
                                      std::vector<void *> *result);
// Releases the octree and everything it owns; the elements are not touched.
void Octree_Delete(Octree *octree);

// Callbacks on mesh entities, through each entity's Lagrange mapping.
void mEntityBB(void *element, double *min, double *max);
void mEntityCentroid(void *element, double *xyz);
int mEntityInEle(void *element, double *xyz);

// Octree over the mesh entities of an iterator range (whose elements convert
// to mEntity*), with the mesh-entity callbacks: the domain is the union of the
// entities' boxes; every entity is inserted in iteration order, then the tree
// is arranged.
template <class Iterator>
Octree *Octree_KORA_Create(Iterator begin, Iterator end, int maxElements) {
  double min[3] = {1e24, 1e24, 1e24};
  double max[3] = {-1e24, -1e24, -1e24};
  for (Iterator it = begin; it != end; ++it) {
    mEntity *e = *it;
    double lo[3], hi[3];
    mEntityBB(e, lo, hi);
    for (int i = 0; i < 3; ++i) {
      if (lo[i] < min[i]) min[i] = lo[i];
      if (hi[i] > max[i]) max[i] = hi[i];
    }
  }
  double size[3] = {max[0] - min[0], max[1] - min[1], max[2] - min[2]};
  Octree *o = Octree_Create(maxElements, min, size, mEntityBB,
                            mEntityCentroid, mEntityInEle);
  for (Iterator it = begin; it != end; ++it) {
    mEntity *e = *it;
    Octree_Insert(e, o);
  }
  Octree_Arrange(o);
  return o;
}

}  // namespace KORA

#endif
