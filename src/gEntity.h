// Model entities: the vertices, edges, faces and regions of the geometric model
// on which mesh entities are classified, and iterators over a mesh's set of them.
#ifndef KORA_GENTITY_H
#define KORA_GENTITY_H

#include <set>

#include "mAttachableDataContainer.h"
#include "mPoint.h"

namespace KORA {

class mEntity;
class mMesh;
class gEntity;

// Order of model entities: by level (dimension), then by id. The tag plays no part.
struct gEntityLessThanKey {
  bool operator()(const gEntity* a, const gEntity* b) const;
};

using gEntitySet = std::set<gEntity*, gEntityLessThanKey>;

class gEntity : public mAttachableDataContainer {
 public:
  using iter = gEntitySet::const_iterator;

  // A negative tag is replaced by the id.
  gEntity(mMesh* mesh, int id, int level, int tag);
  gEntity();
  virtual ~gEntity();

  // Centre of a mesh entity classified on this model entity.
  virtual mPoint COG(mEntity* e);
  // Size measure of a mesh element classified on this model entity.
  virtual double size(mEntity* e);

  int getId() const { return id_; }
  int getTag() const { return tag_; }
  int getLevel() const { return level_; }
  mMesh* getMesh() const { return mesh_; }

  // Adjacent model entities (any level), kept without repeats.
  void add(gEntity* g) { adjacent_.insert(g); }
  iter find(gEntity* g) const { return adjacent_.find(g); }
  iter begin() const { return adjacent_.begin(); }
  iter end() const { return adjacent_.end(); }

  // True when g lies in the closure of this model entity (following lower levels only).
  bool inClosure(gEntity* g) const;

 private:
  int id_;
  int tag_;
  int level_;
  gEntitySet adjacent_;
  mMesh* mesh_;
};

// Iterators over a set of model entities (a mesh's model-entity range).
class gIterator {
 public:
  using iter = gEntitySet::const_iterator;
  gIterator(iter begin, iter end) : current_(begin), begin_(begin), end_(end) {}
  virtual ~gIterator() = default;
  virtual gIterator& operator++() = 0;
  gEntity* operator*() const { return *current_; }
  bool operator==(const gIterator& o) const { return current_ == o.current_; }
  bool operator!=(const gIterator& o) const { return current_ != o.current_; }
  bool end() const { return current_ == end_; }
  virtual void reset() { current_ = begin_; }

 protected:
  iter current_;
  iter begin_;
  iter end_;
};

// Model entities of one level, in the set's order.
class gDimIterator : public gIterator {
 public:
  gDimIterator(iter begin, iter end, int level);
  gDimIterator& operator++() override;
  void reset() override;

 private:
  void skip();
  int level_;
};

// All model entities, in the set's order.
class gFullIterator : public gIterator {
 public:
  gFullIterator(iter begin, iter end) : gIterator(begin, end) {}
  gFullIterator& operator++() override {
    if (current_ != end_) ++current_;
    return *this;
  }
};

}  // namespace KORA

#endif
