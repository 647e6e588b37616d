#ifndef KORA_MENTITY_H
#define KORA_MENTITY_H

#include <cstddef>
#include <cstdint>
#include <list>
#include <new>
#include <set>

#include "mAdjacencyContainer.h"
#include "mAttachableDataContainer.h"

namespace KORA {

class gEntity;
class mEntity;

// The walks behind mEntity::getLeaves and mEntity::getAllSubTree (depth first,
// without recursion); d is the dimension of the entity's children (its own level).
void recur_get_leaves(mEntity* e, std::list<mEntity*>& leaves, int d);
void recur_get_all(mEntity* e, std::list<mEntity*>& all, int d);

// Abstract base of every mesh entity: id (a vertex's number, else the sum of
// its vertices' keys, which is also its hash key), one optional adjacency list
// per dimension 0..3 (the list of its own dimension holds its refinement
// children), classification, attached data and one fast-data slot.
class mEntity : public mAttachableDataContainer {
public:
  // Element type codes; the same codes are written into recovery files.
  enum mType { VERTEX = 0, EDGE = 1, TRI = 2, QUAD = 3, HEX = 4, PRISM = 5, PYRAMID = 6, TET = 7 };
  typedef mAdjacencyContainer::iter iter;

protected:
  // Laid out to keep an entity small (72 bytes on 64-bit targets).
  int iD;
  std::int8_t elementDim;    // cache: -1 until set
  std::uint8_t adjCreated;   // bit d set: the list of dimension d exists
  std::uint8_t elementType;  // cache (an mType): VERTEX until set
  mAdjacencyContainer theAdjacencies[4];
  gEntity* theClassification;
  mAttachableData* fastData;

  // Creates (empty, with room for `room` entries) or empties the list of
  // dimension d and returns it.
  mAdjacencyContainer& createAdjacency(int d, int room);
  // Last steps of the construction from a list of sub-entities, done by the
  // kind once its level is known: registers this entity in the upward lists
  // of dimension upDim of the sub-entities that have one, then computes the id.
  void completeFromSubEntities(int upDim);
  // True when t, returned by getTemplate, was made anew (the caller owns it).
  bool isNewTemplate(mEntity* t) const;

public:
  mEntity();
  // Entity built from a non-empty list of its sub-entities of one dimension
  // (that of the first entry): copies the list and sets the classification.
  // The kind's constructor finishes with completeFromSubEntities.
  mEntity(mAdjacencyContainer* subs, gEntity* g);
  mEntity(const mEntity&) = delete;
  mEntity& operator=(const mEntity&) = delete;

  virtual ~mEntity();

  // Entities of every kind come from the shared block pools (one per size;
  // the sized delete of the virtual destructor gives the kind's size back).
  static void* operator new(std::size_t n) { return poolAllocate(n); }
  static void operator delete(void* p, std::size_t n) noexcept { poolRelease(p, n); }
  static void* operator new(std::size_t n, std::align_val_t a) { return ::operator new(n, a); }
  static void operator delete(void* p, std::size_t n, std::align_val_t a) noexcept { ::operator delete(p, n, a); }
  static void* operator new(std::size_t, void* where) noexcept { return where; }
  static void operator delete(void*, void*) noexcept {}

  virtual int getNbTemplates(int dim) const;
  virtual mEntity* getTemplate(int i, int dim, int with) const;
  virtual int getLevel() const = 0;
  virtual mType getType() const = 0;
  virtual void print() const;

  // Identity and comparison.
  int getId() const { return iD; }
  void computeId();
  bool equal(mEntity* other) const;
  bool lessthan(mEntity* other) const;

  // Adjacency.
  bool isAdjacencyCreated(int d) const { return (adjCreated >> d) & 1u; }
  // The stored list of dimension d, or null when it does not exist.
  mAdjacencyContainer* getAdjacencyList(int d) { return isAdjacencyCreated(d) ? &theAdjacencies[d] : nullptr; }
  const mAdjacencyContainer* getAdjacencyList(int d) const {
    return isAdjacencyCreated(d) ? &theAdjacencies[d] : nullptr;
  }
  // Stored lists answer at once; otherwise the kind's templates do.
  int size(int d) const {
    if (isAdjacencyCreated(d)) return theAdjacencies[d].size();
    return d < getLevel() ? getNbTemplates(d) : 0;
  }
  mEntity* get(int d, int i) const {
    if (isAdjacencyCreated(d)) return theAdjacencies[d][i];
    return getTemplate(i, d, 0);
  }
  iter begin(int d);
  iter end(int d);
  void add(mEntity* e);
  void appendUnique(mEntity* e);
  mEntity* find(mEntity* e) const;
  void del(mEntity* e);
  void deleteAdjacencies(int d);
  void getHigherOrderUpward(int d, mAdjacencyContainer& out) const;
  int getUse(mEntity* sub) const;

  // Classification.
  void classify(gEntity* g);
  gEntity* getClassification() const { return theClassification; }

  // Refinement tree.
  void setParent(mEntity* p);
  mEntity* parent();
  mEntity* root();
  void deleteParent();
  void getLeaves(std::list<mEntity*>& leaves);
  void getAllSubTree(std::list<mEntity*>& all);
  void getAllEntitiesOfAllDimensions(std::set<mEntity*>& s) { collectAllDimensions(s); }
  template <class Cmp>
  void getAllEntitiesOfAllDimensions(std::set<mEntity*, Cmp>& s) {
    collectAllDimensions(s);
  }

  // Fast data.
  void attachFastData(mAttachableData* d);
  mAttachableData* getFastData() const { return fastData; }
  void deleteFastData();
  // Takes the fast data off the entity without deleting it.
  mAttachableData* releaseFastData() {
    mAttachableData* d = fastData;
    fastData = nullptr;
    return d;
  }

  // Caches.
  mType getElementType() const { return static_cast<mType>(elementType); }
  void setElementType(mType t) { elementType = static_cast<std::uint8_t>(t); }
  int getElementDim() const { return elementDim; }
  void setElementDim(int d) { elementDim = static_cast<std::int8_t>(d); }

private:
  template <class Set>
  void collectAllDimensions(Set& s);
};

typedef mEntity::mType mType;

template <class Set>
void mEntity::collectAllDimensions(Set& s) {
  const int D = getLevel();
  s.insert(this);
  std::list<mEntity*> tree;
  getAllSubTree(tree);
  for (mEntity* e : tree) {
    s.insert(e);
    for (int k = 1; k < D; ++k) {
      if (!e->isAdjacencyCreated(k)) continue;
      const mAdjacencyContainer& lk = e->theAdjacencies[k];
      for (int j = 0; j < lk.size(); ++j) {
        mEntity* x = lk[j];
        if (s.find(x) != s.end()) continue;
        std::list<mEntity*> sub;
        x->getAllSubTree(sub);
        x->collectAllDimensions(s);
        for (mEntity* y : sub) {
          s.insert(y);
          const int nv = y->size(0);
          for (int i = 0; i < nv; ++i) s.insert(y->get(0, i));
        }
      }
    }
  }
}

}  // namespace KORA

#endif
