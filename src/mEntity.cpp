#include "mEntity.h"

#include <algorithm>

#include "KORA_Util.h"
#include "mException.h"
#include "mTreeWalk.h"
#include "mVertex.h"

namespace KORA {

mEntity::mEntity()
    : iD(0), elementDim(-1), adjCreated(0), elementType(VERTEX), theClassification(nullptr), fastData(nullptr) {}

mEntity::mEntity(mAdjacencyContainer* subs, gEntity* g) : mEntity() {
  if (subs && subs->size() > 0 && (*subs)[0]) {
    const int d = (*subs)[0]->getLevel();
    theAdjacencies[d] = *subs;
    adjCreated |= (std::uint8_t)(1u << d);
  }
  theClassification = g;
}

void mEntity::completeFromSubEntities(int upDim) {
  for (int d = 0; d < 4; ++d) {
    if (!isAdjacencyCreated(d)) continue;
    const mAdjacencyContainer& l = theAdjacencies[d];
    for (int i = 0; i < l.size(); ++i)
      if (l[i] && l[i]->isAdjacencyCreated(upDim)) l[i]->add(this);
    break;
  }
  computeId();
}

mEntity::~mEntity() {
  // The adjacency lists go with the members, the attached data with the base.
  delete fastData;
}

mAdjacencyContainer& mEntity::createAdjacency(int d, int room) {
  theAdjacencies[d] = mAdjacencyContainer(room);
  adjCreated |= (std::uint8_t)(1u << d);
  return theAdjacencies[d];
}

int mEntity::getNbTemplates(int) const {
  throw new mException(__LINE__, "src/mEntity", "no template in mEntity base class");
}

mEntity* mEntity::getTemplate(int, int, int) const {
  throw new mException(__LINE__, "src/mEntity", "no template in mEntity base class");
}

void mEntity::print() const {}

void mEntity::computeId() {
  if (getLevel() == 0) return;
  iD = 0;
  const int n = getNbTemplates(0);
  for (int i = 0; i < n; ++i) {
    mEntity* v = get(0, i);
    if (v) iD += static_cast<mVertex*>(v)->getRAND();
  }
}

namespace {
const int kMaxCompared = 100;

inline int vertexId(const mEntity* v) { return v ? v->getId() : 0; }
}  // namespace

bool mEntity::equal(mEntity* other) const {
  if (other == this) return true;
  if (iD != other->iD) return false;
  const int level = getLevel();
  if (level != other->getLevel()) return false;
  if (level == 0) return true;
  if (level == 1) {
    const int a0 = vertexId(get(0, 0)), a1 = vertexId(get(0, 1));
    const int b0 = vertexId(other->get(0, 0)), b1 = vertexId(other->get(0, 1));
    return (a0 == b0 && a1 == b1) || (a0 == b1 && a1 == b0);
  }
  const int n = size(0);
  if (n != other->size(0)) return false;
  const int m = std::min(n, kMaxCompared);
  int a[kMaxCompared], b[kMaxCompared];
  for (int i = 0; i < m; ++i) {
    a[i] = vertexId(get(0, i));
    b[i] = vertexId(other->get(0, i));
  }
  std::sort(a, a + m);
  std::sort(b, b + m);
  for (int i = 0; i < m; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

bool mEntity::lessthan(mEntity* other) const {
  const int l1 = getLevel(), l2 = other->getLevel();
  if (l1 != l2) return l1 < l2;
  if (iD != other->iD) return iD < other->iD;
  if (l1 == 0) return false;
  const int n1 = getNbTemplates(0), n2 = other->getNbTemplates(0);
  if (n1 != n2) return n1 < n2;
  const int m = std::min(n1, kMaxCompared);
  mEntity* a[kMaxCompared];
  mEntity* b[kMaxCompared];
  for (int i = 0; i < m; ++i) {
    a[i] = get(0, i);
    b[i] = other->get(0, i);
  }
  // Sorted by where the vertices live, then compared by id.
  std::sort(a, a + m, std::less<mEntity*>());
  std::sort(b, b + m, std::less<mEntity*>());
  for (int i = 0; i < m; ++i) {
    const int ia = vertexId(a[i]), ib = vertexId(b[i]);
    if (ia != ib) return ia < ib;
  }
  return false;
}

mEntity::iter mEntity::begin(int d) {
  if (!isAdjacencyCreated(d)) throw new mException(__LINE__, "src/mEntity", "Adjacencies Not Created");
  return theAdjacencies[d].begin();
}

mEntity::iter mEntity::end(int d) {
  if (!isAdjacencyCreated(d)) throw new mException(__LINE__, "src/mEntity", "Adjacencies Not Created");
  return theAdjacencies[d].end();
}

void mEntity::add(mEntity* e) {
  const int d = e->getLevel();
  if (!isAdjacencyCreated(d)) createAdjacency(d, 1);
  theAdjacencies[d].add(e);
}

void mEntity::appendUnique(mEntity* e) {
  const int d = e->getLevel();
  if (!isAdjacencyCreated(d)) createAdjacency(d, 1);
  theAdjacencies[d].appendUnique(e);
}

mEntity* mEntity::find(mEntity* e) const {
  const int d = e->getLevel();
  if (!isAdjacencyCreated(d)) return nullptr;
  return theAdjacencies[d].find(e);
}

void mEntity::del(mEntity* e) {
  const int d = e->getLevel();
  if (isAdjacencyCreated(d)) theAdjacencies[d].del(e);
}

void mEntity::deleteAdjacencies(int d) {
  if (!isAdjacencyCreated(d)) return;
  theAdjacencies[d] = mAdjacencyContainer();
  adjCreated &= (std::uint8_t)~(1u << d);
}

void mEntity::getHigherOrderUpward(int d, mAdjacencyContainer& out) const {
  if (isAdjacencyCreated(d)) {
    const mAdjacencyContainer& l = theAdjacencies[d];
    for (int i = 0; i < l.size(); ++i) out.appendUnique(l[i]);
    return;
  }
  for (int k = getLevel() + 1; k <= 3; ++k) {
    if (!isAdjacencyCreated(k)) continue;
    const mAdjacencyContainer& l = theAdjacencies[k];
    for (int i = 0; i < l.size(); ++i) l[i]->getHigherOrderUpward(d, out);
    return;
  }
}

// A template made by getTemplate is new unless it is a vertex or an edge that
// one of this entity's stored faces already lists.
bool mEntity::isNewTemplate(mEntity* t) const {
  if (!t || t->getLevel() == 0) return false;
  if (t->getLevel() == 1 && isAdjacencyCreated(2)) {
    const mAdjacencyContainer& faces = theAdjacencies[2];
    for (int i = 0; i < faces.size(); ++i)
      if (faces[i] && faces[i]->find(t)) return false;
  }
  return true;
}

int mEntity::getUse(mEntity* sub) const {
  const int level = getLevel();
  const int ds = sub->getLevel();
  if (level == 2 && ds == 1) {
    mEntity* a = sub->get(0, 0);
    mEntity* b = sub->get(0, 1);
    const int n = size(0);
    for (int i = 0; i < n; ++i) {
      mEntity* u = get(0, i);
      mEntity* w = get(0, (i + 1) % n);
      if (u == a && w == b) return 1;
      if (u == b && w == a) return 0;
    }
    throw 1;
  }

  static const int use[4] = {1, 0, 0, 1};
  mEntity* p = sub->get(0, 0);
  mEntity* q = sub->get(0, 1);
  // Without a stored list of sub's dimension no template can be sub itself.
  if (!isAdjacencyCreated(ds)) throw 1;
  const int nt = getNbTemplates(ds);
  for (int i = 0; i < nt; ++i) {
    if (get(ds, i) != sub) continue;
    mEntity* t = getTemplate(i, ds, 0);
    const int nv = t ? t->size(0) : 0;
    int j = -1;
    for (int k = 0; k < nv; ++k)
      if (t->get(0, k) == p) {
        j = k;
        break;
      }
    bool same = false;
    if (j >= 0) same = (t->get(0, (j + 1) % nv) == q);
    if (t != sub && isNewTemplate(t)) delete t;
    if (j < 0) continue;
    if (ds == 2) {
      // The orientation table covers the four tetrahedron faces only.
      if (i >= 4) throw 1;
      return same ? 1 - use[i] : use[i];
    }
    return same ? 1 : 0;
  }
  throw 1;
}

void mEntity::classify(gEntity* g) {
  for (mEntity* e = this; e; e = e->parent()) e->theClassification = g;
}

void mEntity::setParent(mEntity* p) {
  const unsigned int tag = KORA_Util::Instance()->parentId;
  mAttachableEntity* a = static_cast<mAttachableEntity*>(getData(tag));
  if (!a) {
    a = new mAttachableEntity;
    attachData(tag, a);
  }
  a->e = p;
}

mEntity* mEntity::parent() {
  const mAttachableData* a = getData(KORA_Util::Instance()->parentId);
  return a ? static_cast<const mAttachableEntity*>(a)->e : nullptr;
}

mEntity* mEntity::root() {
  mEntity* r = this;
  for (mEntity* p = r->parent(); p; p = p->parent()) r = p;
  return r;
}

void mEntity::deleteParent() {
  const unsigned int tag = KORA_Util::Instance()->parentId;
  if (getData(tag)) deleteData(tag);
}

void recur_get_leaves(mEntity* e, std::list<mEntity*>& leaves, int d) {
  walkRefinementTree(e, d, [&](mEntity* x, int) {
    const mAdjacencyContainer* children = x->getAdjacencyList(d);
    if (!children || children->empty()) leaves.push_back(x);
    return true;
  });
}

void recur_get_all(mEntity* e, std::list<mEntity*>& all, int d) {
  walkRefinementTree(e, d, [&](mEntity* x, int) {
    all.push_back(x);
    return true;
  });
}

void mEntity::getLeaves(std::list<mEntity*>& leaves) { recur_get_leaves(this, leaves, getLevel()); }

void mEntity::getAllSubTree(std::list<mEntity*>& all) { recur_get_all(this, all, getLevel()); }

void mEntity::attachFastData(mAttachableData* d) {
  if (d == fastData) return;
  delete fastData;
  fastData = d;
}

void mEntity::deleteFastData() {
  delete fastData;
  fastData = nullptr;
}

}  // namespace KORA
