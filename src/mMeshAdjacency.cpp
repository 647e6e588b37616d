// Creation and removal of adjacency lists between two dimensions.
#include <list>

#include "gEntity.h"
#include "mMesh.h"

namespace KORA {

void createDownwardFunctor::operator()(mEntity* e) const {
  if (e->isAdjacencyCreated(dim)) return;
  const int n = e->getNbTemplates(dim);
  for (int i = 0; i < n; ++i) {
    mEntity* t = e->getTemplate(i, dim, with);
    if (!t) continue;  // a template the element cannot give
    mEntity* q = mesh->find(t);
    if (!q) {
      if (!create) {
        delete t;
        continue;
      }
      e->add(t);
      if (upward) t->appendUnique(e);
      mesh->add(t);
      continue;
    }
    gEntity* ge = e->getClassification();
    gEntity* gq = q->getClassification();
    if (ge && (!gq || ge->getLevel() < gq->getLevel())) q->classify(ge);
    e->add(q);
    if (upward) q->appendUnique(e);
    if (q != t) delete t;
  }
}

void createUpwardFunctor::operator()(mEntity* e) const {
  if (!e->isAdjacencyCreated(dim)) return;
  const int n = e->size(dim);
  std::list<mEntity*> leaves;
  for (int i = 0; i < n; ++i) {
    mEntity* d = e->get(dim, i);
    if (!d->isAdjacencyCreated(d->getLevel())) {
      d->appendUnique(e);  // d is its own only leaf
      continue;
    }
    leaves.clear();
    d->getLeaves(leaves);
    for (mEntity* leaf : leaves) leaf->appendUnique(e);
  }
}

void deleteAdjFunctor::operator()(mEntity* e) const { e->deleteAdjacencies(dim); }

void mMesh::modifyState(int from, int to, bool state, int with) {
  upwardExact_ = false;
  if (!state) {
    deleteAdjFunctor f(to);
    for (mEntityHashTableIterator it = beginall(from), last = endall(from); it != last; ++it) f(*it);
  } else if (from > to) {
    createDownwardFunctor f(to, with, this, true, false);
    for (mEntityHashTableIterator it = beginall(from), last = endall(from); it != last; ++it) f(*it);
  } else if (from < to) {
    createUpwardFunctor f(from);
    for (mLeavesIterator it = begin(to), last = end(to); it != last; ++it) f(*it);
  }
}

}  // namespace KORA
