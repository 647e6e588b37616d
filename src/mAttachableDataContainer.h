#ifndef KORA_MATTACHABLEDATACONTAINER_H
#define KORA_MATTACHABLEDATACONTAINER_H

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "mBlockPool.h"

#include "mPoint.h"
#include "mTensor2.h"
#include "mVector.h"

namespace KORA {

class mEntity;
class mVertex;
class mMirrorVertex;

// A value attached to an entity, a model entity or a mesh. The holder owns it.
// Attached objects are many and small (a cell per element, a record per
// face, a metric per vertex): they come from the shared block pools, their
// size rounded up to 16 bytes so that they are aligned as from the global
// operator new. The virtual destructor hands the most derived size back.
class mAttachableData {
public:
  virtual ~mAttachableData() {}
  static void* operator new(std::size_t n) { return poolAllocate(pooledBytes(n)); }
  static void operator delete(void* p, std::size_t n) noexcept { poolRelease(p, pooledBytes(n)); }
  static void* operator new(std::size_t n, std::align_val_t a) { return ::operator new(n, a); }
  static void operator delete(void* p, std::size_t n, std::align_val_t a) noexcept { ::operator delete(p, n, a); }
  static void* operator new(std::size_t, void* where) noexcept { return where; }
  static void operator delete(void*, void*) noexcept {}

private:
  static constexpr std::size_t pooledBytes(std::size_t n) { return (n + 15) / 16 * 16; }
};

class mAttachableInt : public mAttachableData {
public:
  int i = 0;
  ~mAttachableInt() override {}
};

class mAttachableDouble : public mAttachableData {
public:
  double d = 0.0;
  ~mAttachableDouble() override {}
};

// Refers to an entity it does not own.
class mAttachableEntity : public mAttachableData {
public:
  mEntity* e = nullptr;
  ~mAttachableEntity() override {}
};

class mAttachable_mVector : public mAttachableData {
public:
  mVector v;
  ~mAttachable_mVector() override {}
};

class mAttachable_mTensor2 : public mAttachableData {
public:
  mTensor2 t{0.0};
  ~mAttachable_mTensor2() override {}
};

class mAttachablePointVector : public mAttachableData {
public:
  std::vector<mPoint> v;
  ~mAttachablePointVector() override {}
};

// Refers to a mirror record it does not own.
class mAttachableMirrorVertex : public mAttachableData {
public:
  mMirrorVertex* e = nullptr;  // the shared record
  mMirrorVertex* getMirror() const { return e; }
  ~mAttachableMirrorVertex() override {}
};

// Untyped pointer, not owned.
class mAttachableVoid : public mAttachableData {
public:
  void* p = nullptr;
  ~mAttachableVoid() override {}
};

// Record of the periodic copies of one vertex, shared by all of them through
// a "_mirror" attachment on each copy. Nothing owns it.
class mMirrorVertex {
  std::vector<mVertex*> copies;

public:
  mMirrorVertex() {}
  virtual ~mMirrorVertex() {}
  // Registers v as a copy (once) and attaches this record to v under "_mirror".
  void addCopy(mVertex* v);
  mVertex* getCopy(int i) const { return copies[i]; }
  int nbCopies() const { return (int)copies.size(); }
  virtual void print() const;
};

// Holder of (tag, object) pairs: new pairs go to the end, look-ups use the
// first pair with the tag. Kept in one block behind one pointer so that an
// entity without data costs one word.
class mAttachableDataContainer {
public:
  struct info {
    unsigned int tag;
    mAttachableData* data;
  };
  // Matches pairs with one tag.
  struct equalInfoPred {
    unsigned int tag;
    explicit equalInfoPred(unsigned int t) : tag(t) {}
    bool operator()(const info& i) const { return i.tag == tag; }
  };

  mAttachableDataContainer() {}
  ~mAttachableDataContainer();
  mAttachableDataContainer(const mAttachableDataContainer&) = delete;
  mAttachableDataContainer& operator=(const mAttachableDataContainer&) = delete;

  mAttachableData* getData(unsigned int tag) const;
  void attachData(unsigned int tag, mAttachableData* d);
  // Deletes every object attached under the tag and removes the pairs.
  void deleteData(unsigned int tag);

  void attachInt(unsigned int tag, int i);
  int getAttachedInt(unsigned int tag) const;
  void attachDouble(unsigned int tag, double d);
  double getAttachedDouble(unsigned int tag) const;
  void attachEntity(unsigned int tag, mEntity* e);
  mEntity* getAttachedEntity(unsigned int tag) const;
  void attachVector(unsigned int tag, const mVector& v);
  mVector getAttachedVector(unsigned int tag) const;
  void attachTensor(unsigned int tag, const mTensor2& t);
  mTensor2 getAttachedTensor(unsigned int tag) const;

  // Number of pairs and pair access (in list order).
  int nbAttachedData() const { return block ? (int)block->n : 0; }
  const info& attachedInfo(int k) const { return pairs()[k]; }

private:
  // The pairs follow their count and room in one block; no block, no pairs.
  struct Block {
    std::uint32_t n;
    std::uint32_t cap;
  };
  info* pairs() const { return reinterpret_cast<info*>(block + 1); }
  Block* block = nullptr;
};

}  // namespace KORA

#endif
