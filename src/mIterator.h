// Iterators over the entities of one dimension of a mesh.
//
// In-place iterators walk the hash table directly and are valid only while no
// entity of their dimension is added or removed. The snapshot iterator
// mIteratorNew copies its entities when made; one over every entity of a
// dimension (selection -2) is told of every addition and removal by its
// container, so that a walker may create entities or delete the one it has
// just taken.
#ifndef KORA_MITERATOR_H
#define KORA_MITERATOR_H

#include <list>

#include "mHashTable.h"

namespace KORA {

class mEntity;
class gEntity;
class mMeshEntityContainer;

// True when e has no refinement children (no list of its own dimension).
bool isLeaf(const mEntity* e);

class mIterator {
 public:
  mIterator(const mEntityHashTableIterator& b, const mEntityHashTableIterator& e)
      : begin_(b), end_(e), current_(b) {}
  virtual ~mIterator() = default;
  virtual void next() = 0;

  mEntity* operator*() const { return *current_; }
  bool operator==(const mIterator& o) const { return current_ == o.current_; }
  bool operator!=(const mIterator& o) const { return current_ != o.current_; }
  bool end() const { return current_ == end_; }
  void reset() {
    current_ = begin_;
    settle();
  }

 protected:
  // Moves forward, from the current position, to the first accepted entity.
  void settle() {
    while (current_ != end_ && !accept(*current_)) ++current_;
  }
  void advance() {
    if (current_ == end_) return;
    ++current_;
    settle();
  }
  virtual bool accept(mEntity*) const { return true; }

  mEntityHashTableIterator begin_;
  mEntityHashTableIterator end_;
  mEntityHashTableIterator current_;
};

// Every entity of the dimension.
class mFullIterator : public mIterator {
 public:
  mFullIterator(const mEntityHashTableIterator& b, const mEntityHashTableIterator& e)
      : mIterator(b, e) {}
  void next() override { advance(); }
  mFullIterator& operator++() {
    advance();
    return *this;
  }
  mFullIterator operator++(int) {
    mFullIterator c(*this);
    advance();
    return c;
  }
};

// The leaves of the refinement tree.
class mLeavesIterator : public mIterator {
 public:
  mLeavesIterator(const mEntityHashTableIterator& b, const mEntityHashTableIterator& e)
      : mIterator(b, e) {
    settle();
  }
  void next() override { advance(); }
  mLeavesIterator& operator++() {
    advance();
    return *this;
  }
  mLeavesIterator operator++(int) {
    mLeavesIterator c(*this);
    advance();
    return c;
  }

 protected:
  bool accept(mEntity* e) const override { return isLeaf(e); }
};

// Leaves classified on the model entity with a given id and level. Unclassified
// leaves are skipped.
class mClassIterator : public mIterator {
 public:
  mClassIterator(const mEntityHashTableIterator& b, const mEntityHashTableIterator& e, int id,
                 int level)
      : mIterator(b, e), id_(id), level_(level) {
    settle();
  }
  mClassIterator(const mClassIterator&) = default;
  void next() override { advance(); }
  mClassIterator& operator++() {
    advance();
    return *this;
  }
  mClassIterator operator++(int) {
    mClassIterator c(*this);
    advance();
    return c;
  }

 protected:
  bool accept(mEntity* e) const override;

 private:
  int id_;
  int level_;
};

// Walk over the closure of a model entity: not supported, every use throws the integer 1.
class mClassClosureIterator : public mIterator {
 public:
  mClassClosureIterator(const mEntityHashTableIterator& b, const mEntityHashTableIterator& e,
                        int id, int level);
  void next() override;
  mClassClosureIterator& operator++();

 private:
  int id_;
  int level_;
};

// Snapshot iterator, made and deleted only through mMeshEntityContainer.
class mIteratorNew {
 public:
  // Selection: -2 every entity of the dimension, -1 the leaves, 0 the roots
  // (entities without refinement parent).
  mIteratorNew(mMeshEntityContainer* container, int dim, int what);
  // Entities of the dimension classified on g itself, leaves or not.
  mIteratorNew(mMeshEntityContainer* container, int dim, gEntity* g);
  ~mIteratorNew() = default;
  mIteratorNew(const mIteratorNew&) = delete;
  mIteratorNew& operator=(const mIteratorNew&) = delete;

  // Notifications from the container, after its hash table has changed.
  void append(mEntity* e);
  void erase(mEntity* e);
  // True when erase(e) would refuse: an entity of the walked dimension that
  // is neither the current one nor the one just returned.
  bool refuses(mEntity* e) const;

  // Returns the entity at the position and moves on; null at the end.
  mEntity* next();
  // Back to the first entity of the snapshot.
  void reset() { current_ = snapshot_.begin(); }

  int getDim() const { return dim_; }
  int getSelection() const { return what_; }
  gEntity* getModelEntity() const { return model_; }
  mMeshEntityContainer* getContainer() const { return container_; }
  int snapshotSize() const { return static_cast<int>(snapshot_.size()); }

 private:
  int what_;
  int dim_;
  gEntity* model_;
  mMeshEntityContainer* container_;
  std::list<mEntity*> snapshot_;
  std::list<mEntity*>::iterator current_;
};

}  // namespace KORA

#endif
