#include "Octree.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "LagrangeMapping.h"
#include "mEntity.h"

namespace KORA {

namespace {

bool pointInBox(const double *p, const double *lo, const double *hi) {
  for (int i = 0; i < 3; ++i)
    if (p[i] < lo[i] || p[i] > hi[i]) return false;
  return true;
}

// Makes the eight children of b: child i + 2j + 4k takes the lower (0) or
// upper (1) half along x (i), y (j) and z (k). The upper halves end exactly
// at the parent's corner, so the children cover the parent without gaps.
bool subdivideOctantBucket(bucket *b) {
  bucket *c = new (std::nothrow) bucket[8];
  if (!c) {
    std::fprintf(stderr,
                 "Error, subdivideOctantBucket could not allocate enough "
                 "space\n");
    return false;
  }
  double mid[3];
  for (int a = 0; a < 3; ++a)
    mid[a] = b->minPt[a] + (b->maxPt[a] - b->minPt[a]) * 0.5;
  for (int n = 0; n < 8; ++n) {
    const int bit[3] = {n & 1, (n >> 1) & 1, (n >> 2) & 1};
    for (int a = 0; a < 3; ++a) {
      c[n].minPt[a] = bit[a] ? mid[a] : b->minPt[a];
      c[n].maxPt[a] = bit[a] ? b->maxPt[a] : mid[a];
    }
    c[n].depth = b->depth + 1;
  }
  b->children = c;
  return true;
}

// Leaf that holds the point, searching from b: at each level the first child
// (index order) whose closed box holds the point. Null when b has no
// children or no child of some level holds the point.
bucket *findElementBucket(const double *p, bucket *b) {
  if (!b || !b->children) return nullptr;
  while (b->children) {
    bucket *next = nullptr;
    for (int n = 0; n < 8; ++n)
      if (pointInBox(p, b->children[n].minPt, b->children[n].maxPt)) {
        next = &b->children[n];
        break;
      }
    if (!next) return nullptr;
    b = next;
  }
  return b;
}

bool checkElementInBucket(const bucket *b, const void *element) {
  for (const elementRecord *r = b->elementChain; r; r = r->next)
    if (r->element == element) return true;
  return false;
}

// Child of a just-split bucket closest to the point (for a record that
// rounding left outside every child).
bucket *nearestChild(const double *p, bucket *b) {
  double q[3];
  for (int a = 0; a < 3; ++a)
    q[a] = std::min(std::max(p[a], b->minPt[a]), b->maxPt[a]);
  bucket *c = findElementBucket(q, b);
  return c ? c : &b->children[0];
}

void addElement2Bucket(void *element, const double *centroid, bucket *leaf,
                       global *info) {
  if (checkElementInBucket(leaf, element)) return;
  elementRecord *r = new elementRecord;
  r->element = element;
  std::copy(centroid, centroid + 3, r->centroid);
  r->next = leaf->elementChain;
  leaf->elementChain = r;
  ++leaf->numElements;
  info->pendingElements.push_back(element);

  bucket *cur = leaf;
  while (cur && cur->numElements > info->maxElements &&
         cur->depth < OctreeMaxDepth) {
    if (!subdivideOctantBucket(cur)) return;
    elementRecord *rec = cur->elementChain;
    cur->elementChain = nullptr;
    cur->numElements = 0;
    while (rec) {
      elementRecord *next = rec->next;
      bucket *child = findElementBucket(rec->centroid, cur);
      if (!child) {
        std::printf("Wrong , ptrBucket = NULL. A bug here!\n");
        child = nearestChild(rec->centroid, cur);
      }
      rec->next = child->elementChain;
      child->elementChain = rec;
      ++child->numElements;
      rec = next;
    }
    bucket *over = nullptr;
    for (int n = 0; n < 8; ++n)
      if (cur->children[n].numElements > info->maxElements)
        over = &cur->children[n];
    cur = over;
  }
}

void insertOneBB(void *element, const double *min, const double *max,
                 bucket *b) {
  for (int a = 0; a < 3; ++a)
    if (max[a] < b->minPt[a] || min[a] > b->maxPt[a]) return;
  if (b->children) {
    for (int n = 0; n < 8; ++n) insertOneBB(element, min, max, &b->children[n]);
    return;
  }
  if (!checkElementInBucket(b, element)) b->overlapList.push_back(element);
}

bool xyzInElementBB(const double *xyz, void *element, BBFunction bb) {
  double lo[3], hi[3];
  bb(element, lo, hi);
  return pointInBox(xyz, lo, hi);
}

bool qualifies(double *xyz, void *element, const Octree *o) {
  return xyzInElementBB(xyz, element, o->boundingBoxFn) &&
         o->insideFn(element, xyz) == 1;
}

void *searchElement(double *xyz, bucket *leaf, Octree *o) {
  for (elementRecord *r = leaf->elementChain; r; r = r->next)
    if (qualifies(xyz, r->element, o)) return r->element;
  for (void *e : leaf->overlapList)
    if (qualifies(xyz, e, o)) return e;
  return nullptr;
}

int searchAllElements(double *xyz, bucket *leaf, Octree *o,
                      std::vector<void *> *result) {
  int found = 0;
  for (elementRecord *r = leaf->elementChain; r; r = r->next)
    if (qualifies(xyz, r->element, o)) {
      result->push_back(r->element);
      ++found;
    }
  for (void *e : leaf->overlapList)
    if (qualifies(xyz, e, o)) {
      result->push_back(e);
      ++found;
    }
  return found;
}

// Releases the records, lists and children below b (not b itself).
void free_buckets(bucket *b) {
  if (b->children) {
    for (int n = 0; n < 8; ++n) free_buckets(&b->children[n]);
    delete[] b->children;
    b->children = nullptr;
  }
  elementRecord *r = b->elementChain;
  while (r) {
    elementRecord *next = r->next;
    delete r;
    r = next;
  }
  b->elementChain = nullptr;
  b->numElements = 0;
  b->overlapList.clear();
}

}  // namespace

Octree *Octree_Create(int maxElements, double *origin, double *size,
                      BBFunction bb, CentroidFunction centroid,
                      InEleFunction inside) {
  Octree *o = new Octree;
  o->info = new global;
  o->info->maxElements = maxElements;
  o->info->lastFound = nullptr;
  o->boundingBoxFn = bb;
  o->centroidFn = centroid;
  o->insideFn = inside;
  o->root = new (std::nothrow) bucket;
  if (!o->root) {
    std::printf("Error, initializeOctantBuckets could not allocate enough space\n");
    return o;
  }
  for (int a = 0; a < 3; ++a) {
    const double ext = 0.01 * size[a];
    o->root->minPt[a] = origin[a] - ext;
    o->root->maxPt[a] = origin[a] + size[a] + ext;
  }
  if (!subdivideOctantBucket(o->root))
    std::printf("Error, initializeOctantBuckets could not allocate enough space\n");
  return o;
}

int Octree_Insert(void *element, Octree *octree) {
  if (!octree->root) return 0;
  double lo[3], hi[3], c[3];
  octree->boundingBoxFn(element, lo, hi);
  octree->centroidFn(element, c);
  bucket *leaf = findElementBucket(c, octree->root);
  if (!leaf) {
    std::printf("Octree_Insert: element centroid (%g %g %g) outside the octree, not inserted\n",
                c[0], c[1], c[2]);
    return 0;
  }
  addElement2Bucket(element, c, leaf, octree->info);
  return 1;
}

void Octree_Arrange(Octree *octree) {
  if (octree->root) {
    for (void *e : octree->info->pendingElements) {
      double lo[3], hi[3];
      octree->boundingBoxFn(e, lo, hi);
      insertOneBB(e, lo, hi, octree->root);
    }
  }
  octree->info->pendingElements.clear();
}

void *Octree_Search(double *xyz, Octree *octree) {
  global *info = octree->info;
  if (info->lastFound && qualifies(xyz, info->lastFound, octree))
    return info->lastFound;
  bucket *leaf = findElementBucket(xyz, octree->root);
  if (!leaf) return nullptr;
  void *e = searchElement(xyz, leaf, octree);
  if (e) info->lastFound = e;
  return e;
}

std::vector<void *> *Octree_SearchAll(double *xyz, Octree *octree,
                                      std::vector<void *> *result) {
  bucket *leaf = findElementBucket(xyz, octree->root);
  if (!leaf) {
    std::printf("Error! the point is not in the domain.\n");
    return nullptr;
  }
  if (searchAllElements(xyz, leaf, octree, result) == 0) {
    std::printf("This point is not found in all elements! It is not in the domain \n");
    return nullptr;
  }
  return result;
}

void Octree_Delete(Octree *octree) {
  if (!octree) return;
  delete octree->info;
  if (octree->root) {
    free_buckets(octree->root);
    delete octree->root;
  }
  delete octree;
}

// ---------------------------------------------------------------------------
// Callbacks on mesh entities.

void mEntityBB(void *element, double *min, double *max) {
  LagrangeMapping m(static_cast<mEntity *>(element));
  mPoint lo, hi;
  m.boundingBox(lo, hi);
  for (int a = 0; a < 3; ++a) {
    min[a] = lo(a);
    max[a] = hi(a);
  }
}

void mEntityCentroid(void *element, double *xyz) {
  LagrangeMapping m(static_cast<mEntity *>(element));
  double u = 0.0, v = 0.0, w = 0.0;
  m.COG(u, v, w);
  m.eval(u, v, w, xyz[0], xyz[1], xyz[2]);
}

int mEntityInEle(void *element, double *xyz) {
  LagrangeMapping m(static_cast<mEntity *>(element));
  double u, v, w;
  return m.interiorCheck(static_cast<mEntity *>(element),
                         mPoint(xyz[0], xyz[1], xyz[2]), u, v, w)
             ? 1
             : 0;
}

}  // namespace KORA
