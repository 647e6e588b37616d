#include "mIterator.h"

#include <cstdio>

#include "gEntity.h"
#include "mEntity.h"
#include "mException.h"
#include "mMeshEntityContainer.h"

namespace KORA {

bool isLeaf(const mEntity* e) { return !e->isAdjacencyCreated(e->getLevel()); }

bool mClassIterator::accept(mEntity* e) const {
  if (!isLeaf(e)) return false;
  const gEntity* g = e->getClassification();
  return g && g->getId() == id_ && g->getLevel() == level_;
}

mClassClosureIterator::mClassClosureIterator(const mEntityHashTableIterator& b,
                                             const mEntityHashTableIterator& e, int id, int level)
    : mIterator(b, e), id_(id), level_(level) {
  throw 1;
}

void mClassClosureIterator::next() { throw 1; }

mClassClosureIterator& mClassClosureIterator::operator++() { throw 1; }

// ------------------------------------------------------------------ snapshot

mIteratorNew::mIteratorNew(mMeshEntityContainer* container, int dim, int what)
    : what_(what), dim_(dim), model_(nullptr), container_(container) {
  if (what != -2 && what != -1 && what != 0) {
    char text[128];
    std::snprintf(text, sizeof text, "unknown selection %d for a mesh iterator", what);
    throw new mException(__LINE__, "src/mIterator", text);
  }
  for (mEntityHashTableIterator it = container->begin(dim), last = container->end(dim);
       it != last; ++it) {
    mEntity* e = *it;
    if (what == -2 || (what == -1 && isLeaf(e)) || (what == 0 && e->parent() == nullptr))
      snapshot_.push_back(e);
  }
  current_ = snapshot_.begin();
}

mIteratorNew::mIteratorNew(mMeshEntityContainer* container, int dim, gEntity* g)
    : what_(0), dim_(dim), model_(g), container_(container) {
  for (mEntityHashTableIterator it = container->begin(dim), last = container->end(dim);
       it != last; ++it) {
    mEntity* e = *it;
    if (e->getClassification() == g) snapshot_.push_back(e);
  }
  current_ = snapshot_.begin();
}

void mIteratorNew::append(mEntity* e) {
  if (what_ != -2 || e->getLevel() != dim_) return;
  // Appending to an exhausted walk makes the new entity the next one.
  const bool atEnd = current_ == snapshot_.end();
  snapshot_.push_back(e);
  if (atEnd) current_ = std::prev(snapshot_.end());
}

bool mIteratorNew::refuses(mEntity* e) const {
  if (what_ != -2 || e->getLevel() != dim_) return false;
  if (current_ != snapshot_.end() && *current_ == e) return false;
  return current_ == snapshot_.begin() || *std::prev(current_) != e;
}

void mIteratorNew::erase(mEntity* e) {
  if (what_ != -2 || e->getLevel() != dim_) return;
  if (current_ != snapshot_.end() && *current_ == e) {
    current_ = snapshot_.erase(current_);
    return;
  }
  if (current_ != snapshot_.begin()) {
    auto before = std::prev(current_);
    if (*before == e) {
      snapshot_.erase(before);
      return;
    }
  }
  e->print();
  std::printf(
      "there is an iterator of dimension %d where you delete a mesh entity which is not the "
      "current one\n",
      dim_);
  throw 1;
}

mEntity* mIteratorNew::next() {
  if (current_ == snapshot_.end()) return nullptr;
  mEntity* e = *current_;
  ++current_;
  return e;
}

}  // namespace KORA
