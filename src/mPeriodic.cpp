// Periodic links: mirror records of vertices, owned by their mesh, and the
// owner manager's copy table rebuilt from them.
#include <algorithm>
#include <list>
#include <memory>
#include <vector>

#include "KORA_OwnerManager.h"
#include "KORA_Util.h"
#include "ParUtil.h"
#include "mFace.h"
#include "mMesh.h"
#include "mRefinement.h"
#include "mVertex.h"

namespace KORA {

namespace {

// Keeps the mirror records of a mesh alive as long as the mesh.
class mMirrorRecords : public mAttachableData {
 public:
  std::vector<std::unique_ptr<mMirrorVertex>> records;
  ~mMirrorRecords() override {}
};

mMirrorVertex* mirrorOf(mEntity* v, unsigned int tag) {
  mAttachableData* d = v->getData(tag);
  return d ? static_cast<mAttachableMirrorVertex*>(d)->getMirror() : nullptr;
}

}  // namespace

mMirrorVertex* newMirrorRecord(mMesh* m) {
  const unsigned int tag = KORA_Util::Instance()->getMeshDataId("_mirror_records");
  mMirrorRecords* store = static_cast<mMirrorRecords*>(m->getData(tag));
  if (!store) {
    store = new mMirrorRecords;
    m->attachData(tag, store);
  }
  store->records.push_back(std::make_unique<mMirrorVertex>());
  return store->records.back().get();
}

void linkMirrorVertices(mMesh* m, mVertex* a, mVertex* b) {
  if (!a || !b || a == b) return;
  const unsigned int tag = m->getMirrorTag();
  mMirrorVertex* ra = mirrorOf(a, tag);
  mMirrorVertex* rb = mirrorOf(b, tag);
  if (ra && ra == rb) return;
  // One record for the union of both groups; the old ones are left unused.
  std::vector<mVertex*> group;
  for (mMirrorVertex* r : {ra, rb}) {
    if (!r) continue;
    for (int i = 0; i < r->nbCopies(); ++i) group.push_back(r->getCopy(i));
  }
  group.push_back(a);
  group.push_back(b);
  mMirrorVertex* joint = newMirrorRecord(m);
  for (mVertex* v : group) {
    if (mirrorOf(v, tag) != joint) v->deleteData(tag);
    joint->addCopy(v);
  }
}

void dropMirrorVertex(mMesh* m, mVertex* v) {
  const unsigned int tag = m->getMirrorTag();
  mMirrorVertex* r = mirrorOf(v, tag);
  if (!r) return;
  std::vector<mVertex*> rest;
  for (int i = 0; i < r->nbCopies(); ++i)
    if (r->getCopy(i) != v) rest.push_back(r->getCopy(i));
  v->deleteData(tag);
  for (mVertex* c : rest) c->deleteData(tag);
  if (rest.size() < 2) return;  // a lone vertex is no longer periodic
  mMirrorVertex* joint = newMirrorRecord(m);
  for (mVertex* c : rest) joint->addCopy(c);
}

bool lookupForMirrorFaces(mMesh* m, mEntity* f, std::list<mEntity*>& mirrors) {
  const unsigned int tag = m->getMirrorTag();
  const int n = f->size(0);
  std::vector<mMirrorVertex*> rec(n);
  for (int i = 0; i < n; ++i) {
    rec[i] = mirrorOf(f->get(0, i), tag);
    if (!rec[i]) return false;
  }
  // Every choice of one copy per vertex, the face itself excluded.
  std::vector<int> pick(n, 0);
  for (;;) {
    mVertex* v[4] = {};
    for (int i = 0; i < n && i < 4; ++i) v[i] = rec[i]->getCopy(pick[i]);
    mEntity* g = nullptr;
    if (n == 3) g = m->getTri(v[0], v[1], v[2]);
    else if (n == 4) g = m->getQuad(v[0], v[1], v[2], v[3]);
    if (g && g != f && std::find(mirrors.begin(), mirrors.end(), g) == mirrors.end())
      mirrors.push_back(g);
    int i = 0;
    while (i < n && ++pick[i] == rec[i]->nbCopies()) pick[i++] = 0;
    if (i == n) break;
  }
  return true;
}

void mMesh::bdryLinkSetup() {
  KORA_OwnerManager* om = getOwnerManager();
  om->clearRemoteCopies();
  const int L = size(2) ? 2 : 1;
  reclassify(L);
  const int pid = ParUtil::Instance()->rank();
  for (int d = 0; d <= L; ++d) {
    for (mLeavesIterator it = begin(d), last = end(d); it != last; ++it) {
      mEntity* e = *it;
      std::list<mEntity*> copies;
      // Faces are matched here, vertex by vertex: the generic look-up knows
      // vertices and edges only.
      const bool periodic =
          d == 2 ? lookupForMirrorFaces(this, e, copies) : lookupForMirrorEntities(e, copies);
      if (!periodic) continue;
      for (mEntity* c : copies) om->addRemoteCopy(e, pid, c, true);
    }
  }
}

}  // namespace KORA
