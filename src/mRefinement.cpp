// Hierarchical refinement: a callback chooses the leaves to split and the
// parents to merge back; the entities to split get refinement serials that
// become the ids of their new vertices; coarsening is followed by a cleanup of
// the lower-dimensional children no element uses any more.
#include <algorithm>
#include <list>
#include <set>
#include <utility>
#include <vector>

#include "KORA_DataExchanger.h"
#include "KORA_OwnerManager.h"
#include "KORA_Util.h"
#include "ParUtil.h"
#include "mEdge.h"
#include "mFace.h"
#include "mHex.h"
#include "mMesh.h"
#include "mRefinement.h"
#include "mSplitCallbacks.h"
#include "mTet.h"
#include "mTreeWalk.h"
#include "mUpwardUpdate.h"
#include "mVertex.h"

namespace KORA {

// ------------------------------------------------------------------- marks

bool hasMark(const mEntity* e, unsigned int tag) { return e->getData(tag) != nullptr; }

int getMark(const mEntity* e, unsigned int tag) { return e->getAttachedInt(tag); }

void setMark(mEntity* e, unsigned int tag, int value) { e->attachInt(tag, value); }

void removeMark(mEntity* e, unsigned int tag) { e->deleteData(tag); }

void setFlags(mEntity* e, int& counter, bool set, KORA_OwnerManager*, bool periodic) {
  KORA_Util* u = KORA_Util::Instance();
  if (set) {
    setMark(e, u->att1Id, ++counter);
    if (periodic) setMark(e, u->att2Id, ++counter);
  } else {
    removeMark(e, u->att1Id);
    if (periodic) removeMark(e, u->att2Id);
  }
}

namespace {
bool hasChildren(mEntity* e) {
  const mAdjacencyContainer* c = e->getAdjacencyList(e->getLevel());
  return c && c->size() > 0;
}

// Sub-entity i of dimension k: the registered one, or the stored one when no
// mesh is known (nothing is made then).
mEntity* subEntity(mMesh* m, mEntity* e, int k, int i) {
  if (m) return k == 1 ? static_cast<mEntity*>(registeredEdge(m, e, i)) : registeredFace(m, e, i);
  const mAdjacencyContainer* l = e->getAdjacencyList(k);
  return l && i < l->size() ? (*l)[i] : nullptr;
}
}  // namespace

void flagEntity(mEntity* e, int& counter, bool set, KORA_OwnerManager* om, mMesh* m) {
  if (set && hasChildren(e)) return;
  const bool periodic = om->isPeriodic(e);
  switch (e->getType()) {
    case mEntity::EDGE:
      setFlags(e, counter, set, om, periodic);
      break;
    case mEntity::TRI:
    case mEntity::QUAD: {
      setFlags(e, counter, set, om, periodic);
      const int n = e->getNbTemplates(1);
      for (int i = 0; i < n; ++i) {
        mEntity* edge = subEntity(m, e, 1, i);
        if (edge) flagEntity(edge, counter, set, om, m);
      }
      break;
    }
    case mEntity::HEX:
    case mEntity::TET: {
      if (e->getType() == mEntity::HEX) setFlags(e, counter, set, om, periodic);
      const int n = e->getNbTemplates(2);
      for (int i = 0; i < n; ++i) {
        mEntity* face = subEntity(m, e, 2, i);
        if (face) flagEntity(face, counter, set, om, m);
      }
      break;
    }
    default:
      break;
  }
}

void markUsedEntities(mMesh* m, int dim, bool mark, bool closure) {
  const unsigned int tag = KORA_Util::Instance()->att3Id;
  auto apply = [&](mEntity* x) {
    if (mark) {
      if (!hasMark(x, tag)) setMark(x, tag, 1);
    } else if (hasMark(x, tag)) {
      removeMark(x, tag);
    }
  };
  for (mEntityHashTableIterator it = m->beginall(dim), last = m->endall(dim); it != last; ++it) {
    mEntity* e = *it;
    if (!closure) {
      for (int k = 0; k < dim; ++k) {
        const mAdjacencyContainer* l = e->getAdjacencyList(k);
        for (int i = 0; l && i < l->size(); ++i) apply((*l)[i]);
      }
      continue;
    }
    std::set<mEntity*> s;
    e->getAllEntitiesOfAllDimensions(s);
    // The vertices of everything collected belong to the closure too.
    std::vector<mEntity*> vertices;
    for (mEntity* x : s) {
      if (x->getLevel() == 0) continue;
      const int nv = x->size(0);
      for (int i = 0; i < nv; ++i)
        if (mEntity* v = x->get(0, i)) vertices.push_back(v);
    }
    s.insert(vertices.begin(), vertices.end());
    for (mEntity* x : s) apply(x);
  }
}

// ---------------------------------------------------------------- driver

int mMesh::getRefinementLevel(mEntity* e) {
  int level = 0;
  for (mEntity* p = e->parent(); p; p = p->parent()) ++level;
  return level;
}

int mMesh::getRefinementDepth(mEntity* e) {
  // The largest number of steps from e down to an entity of its subtree.
  if (!hasChildren(e)) return 0;
  int deepest = 0;
  walkRefinementTree(e, [&](mEntity*, int depth) {
    if (depth > deepest) deepest = depth;
    return true;
  });
  return deepest;
}

void mMesh::refunref(mSplitCallbacks& cb) {
  const int d = getDim();
  for (;;) {
    std::list<mEntity*> toSplit;
    for (mLeavesIterator it = begin(d); it != end(d); ++it)
      if (cb(*it) == 1) toSplit.push_back(*it);
    ParUtil::Instance()->Msg(ParUtil::DETAIL, "size(%d) = %d nb splits = %d\n", d, size(d),
                             static_cast<int>(toSplit.size()));
    bool splittable = false;
    for (mEntity* e : toSplit) {
      const mEntity::mType t = e->getType();
      splittable = splittable || t == mEntity::EDGE || t == mEntity::TRI || t == mEntity::QUAD ||
                   t == mEntity::TET || t == mEntity::HEX;
    }
    if (!split(toSplit, cb)) break;
    // Kinds that are never split stay leaves; asking again would never end.
    if (!splittable) break;
  }
  for (;;) {
    std::list<mEntity*> toUnsplit;
    for (mEntityHashTableIterator it = beginall(d), last = endall(d); it != last; ++it)
      if (getRefinementDepth(*it) == 1 && cb(*it) == -1) toUnsplit.push_back(*it);
    if (toUnsplit.empty()) break;
    const int before = size(d);
    unsplit(toUnsplit, cb);
    // Children that could not be merged (a kind that is never split, a
    // broken tree) would be offered again and again.
    const bool merged = size(d) < before;
    cleanup(d, cb);
    if (d == 3) cleanup(2, cb);
    if (!merged) break;
  }
}

int mMesh::split(std::list<mEntity*>& toSplit, mSplitCallbacks& cb) {
  KORA_Util* u = KORA_Util::Instance();
  KORA_OwnerManager* om = getOwnerManager();
  int renumber = getIdGenerator().getMaxValue();
  int counter = 0;
  for (mEntity* e : toSplit) flagEntity(e, counter, true, om, this);
  {
    FlagPeriodicCounterparts_DataExchanger ex(&counter, &toSplit);
    exchangeDataOnPartBdrys(ex, true);
  }
  ParUtil::Instance()->Barrier(1245, "src/mAMR");
  if (toSplit.empty()) return 0;
  // Serials above every vertex id: they become the new ids, in the walk order
  // of the leaves or, when the callback asks, in the order of the entities'
  // vertex ids.
  for (int dim = 1; dim <= 3; ++dim) {
    std::vector<std::pair<std::vector<int>, mEntity*>> flagged;
    for (mLeavesIterator it = begin(dim), last = end(dim); it != last; ++it) {
      if (!hasMark(*it, u->att1Id)) continue;
      std::vector<int> key;
      if (cb.numbersByVertexIds()) {
        for (int i = 0; i < (*it)->size(0); ++i) key.push_back((*it)->get(0, i)->getId());
        std::sort(key.begin(), key.end());
      }
      flagged.emplace_back(std::move(key), *it);
    }
    if (cb.numbersByVertexIds())
      std::stable_sort(flagged.begin(), flagged.end(),
                       [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& f : flagged) setFlags(f.second, renumber, true, om, om->isPeriodic(f.second));
  }
  {
    Refinement_DataExchanger serials(&toSplit, false);
    exchangeDataOnPartBdrys(serials, true);
    Refinement_DataExchanger periodicSerials(&toSplit, true);
    exchangeDataOnPartBdrys(periodicSerials, true);
  }
  splitgen(toSplit, cb);
  for (int dim = 1; dim <= 3; ++dim)
    for (mEntityHashTableIterator it = beginall(dim), last = endall(dim); it != last; ++it)
      if (hasMark(*it, u->att1Id) || hasMark(*it, u->att2Id))
        setFlags(*it, renumber, false, om, true);
  bdryLinkSetup();
  return 1;
}

void mMesh::splitgen(std::list<mEntity*>& toSplit, mSplitCallbacks& cb) {
  if (upwardLog_)
    for (mEntity* e : toSplit) upwardLog_->changing(e);
  for (mEntity* e : toSplit) {
    switch (e->getType()) {
      case mEntity::EDGE: splitEdge(this, static_cast<mEdge*>(e), e); break;
      case mEntity::TRI: splitTriangle(static_cast<mFace*>(e), e); break;
      case mEntity::QUAD: splitQuad(static_cast<mFace*>(e), e); break;
      case mEntity::HEX: splitHex(static_cast<mHex*>(e)); break;
      case mEntity::TET: splitTet(static_cast<mTet*>(e)); break;
      default: break;  // vertices, prisms and pyramids are not split
    }
  }
  for (mEntity* e : toSplit) cb.splitCallback(e);
}

void mMesh::unsplit(std::list<mEntity*>& toUnsplit, mSplitCallbacks& cb) {
  if (upwardLog_)
    for (mEntity* e : toUnsplit) upwardLog_->changing(e);
  cb.unsplitCallback(toUnsplit);
  for (mEntity* e : toUnsplit) {
    switch (e->getType()) {
      case mEntity::EDGE: unsplitEdge(this, static_cast<mEdge*>(e)); break;
      case mEntity::TRI: unsplitTriangle(static_cast<mFace*>(e)); break;
      case mEntity::QUAD: unsplitQuad(static_cast<mFace*>(e)); break;
      case mEntity::HEX: unsplitHex(static_cast<mHex*>(e)); break;
      case mEntity::TET: unsplitTet(static_cast<mTet*>(e)); break;
      default: break;
    }
  }
}

namespace {
// Removes every used mark left on entities of dimensions 0 to dim.
void clearUsedMarks(mMesh* m, int dim) {
  const unsigned int tag = KORA_Util::Instance()->att3Id;
  for (int k = 0; k <= dim; ++k)
    for (mEntityHashTableIterator it = m->beginall(k), last = m->endall(k); it != last; ++it)
      if (hasMark(*it, tag)) removeMark(*it, tag);
}
}  // namespace

void mMesh::cleanup(int dim, mSplitCallbacks& cb) {
  const unsigned int tag = KORA_Util::Instance()->att3Id;
  markUsedEntities(this, dim, true, false);
  for (;;) {
    {
      Used_DataExchanger used(dim - 1);
      exchangeDataOnPartBdrys(used, true);
    }
    std::list<mEntity*> unused;
    for (mEntityHashTableIterator it = beginall(dim - 1), last = endall(dim - 1); it != last;
         ++it) {
      mEntity* e = *it;
      if (getRefinementDepth(e) != 1) continue;
      const mAdjacencyContainer* c = e->getAdjacencyList(e->getLevel());
      bool used = false;
      for (int i = 0; i < c->size() && !used; ++i) used = hasMark((*c)[i], tag);
      if (!used) unused.push_back(e);
    }
    if (unused.empty()) {
      markUsedEntities(this, dim, false, true);
      clearUsedMarks(this, dim);
      return;
    }
    const int before = size(dim - 1);
    unsplit(unused, cb);
    bdryLinkSetup();
    if (size(dim - 1) >= before) {  // nothing could be merged
      markUsedEntities(this, dim, false, true);
      clearUsedMarks(this, dim);
      return;
    }
  }
}

void mMesh::cleanup(int dim) {
  const unsigned int tag = KORA_Util::Instance()->att3Id;
  markUsedEntities(this, dim, true, true);
  std::list<mEntity*> unused;
  for (int k = 0; k < dim; ++k)
    for (mEntityHashTableIterator it = beginall(k), last = endall(k); it != last; ++it)
      if (!hasMark(*it, tag)) unused.push_back(*it);
  markUsedEntities(this, dim, false, true);
  clearUsedMarks(this, dim);
  for (mEntity* e : unused) {
    if (e->getLevel() == 0) dropMirrorVertex(this, static_cast<mVertex*>(e));
    DEL(e);
  }
}

}  // namespace KORA
