// The entity store of a mesh: the four hash tables and the snapshot iterators
// that must hear of every entity added or removed while they are registered.
#ifndef KORA_MMESHENTITYCONTAINER_H
#define KORA_MMESHENTITYCONTAINER_H

#include <list>
#include <memory>

#include "mHashTable.h"

namespace KORA {

class mEntity;
class gEntity;
class mIteratorNew;

class mMeshEntityContainer {
 public:
  explicit mMeshEntityContainer(int sizeHint);
  // Releases the tables; registered snapshots are not deleted.
  virtual ~mMeshEntityContainer();
  mMeshEntityContainer(const mMeshEntityContainer&) = delete;
  mMeshEntityContainer& operator=(const mMeshEntityContainer&) = delete;

  void add(mEntity* e);
  void del(mEntity* e);
  // Throws as del would (message, integer 1) when a registered iterator does
  // not allow the deletion of e, before anything has changed.
  void checkDeletion(mEntity* e);
  mEntity* find(mEntity* e) const { return hashTable_->find(e); }
  int size(int dim) const { return hashTable_->size(dim); }
  mEntityHashTableIterator begin(int dim) const { return hashTable_->begin(dim); }
  mEntityHashTableIterator end(int dim) const { return hashTable_->end(dim); }
  void resize(int dim, int n) { hashTable_->resize(dim, n); }
  const mEntityHashTable& table() const { return *hashTable_; }

  mIteratorNew* NewIterator(int dim, int what);
  mIteratorNew* NewIterator(int dim, gEntity* g);
  void DeleteIterator(mIteratorNew* it);
  int nbIterators() const { return static_cast<int>(iterators_.size()); }

  void print() const { hashTable_->psi(); }

 private:
  std::list<mIteratorNew*> iterators_;
  std::unique_ptr<mEntityHashTable> hashTable_;
};

}  // namespace KORA

#endif
