#include "mMeshEntityContainer.h"

#include <algorithm>

#include "mEntity.h"
#include "mIterator.h"

namespace KORA {

mMeshEntityContainer::mMeshEntityContainer(int sizeHint)
    : hashTable_(std::make_unique<mEntityHashTable>(sizeHint)) {}

mMeshEntityContainer::~mMeshEntityContainer() { iterators_.clear(); }

void mMeshEntityContainer::add(mEntity* e) {
  hashTable_->add(e);
  for (mIteratorNew* it : iterators_) it->append(e);
}

void mMeshEntityContainer::checkDeletion(mEntity* e) {
  for (mIteratorNew* it : iterators_)
    if (it->refuses(e)) it->erase(e);  // prints the message and throws
}

void mMeshEntityContainer::del(mEntity* e) {
  hashTable_->del(e);
  for (mIteratorNew* it : iterators_) it->erase(e);
}

mIteratorNew* mMeshEntityContainer::NewIterator(int dim, int what) {
  mIteratorNew* it = new mIteratorNew(this, dim, what);
  iterators_.push_back(it);
  return it;
}

mIteratorNew* mMeshEntityContainer::NewIterator(int dim, gEntity* g) {
  mIteratorNew* it = new mIteratorNew(this, dim, g);
  iterators_.push_back(it);
  return it;
}

void mMeshEntityContainer::DeleteIterator(mIteratorNew* it) {
  auto pos = std::find(iterators_.begin(), iterators_.end(), it);
  if (pos == iterators_.end()) return;
  iterators_.erase(pos);
  delete it;
}

}  // namespace KORA
