// The interface that steers hierarchical refinement: asked per entity whether
// to split (1), unsplit (-1) or keep it (anything else), and told of every
// split (after it) and every unsplit (before it, children still present).
#ifndef KORA_MSPLITCALLBACKS_H
#define KORA_MSPLITCALLBACKS_H

#include <list>

namespace KORA {

class mEntity;

class mSplitCallbacks {
 public:
  virtual int operator()(mEntity* e) = 0;
  virtual void splitCallback(mEntity* e) = 0;
  virtual void unsplitCallback(mEntity* e) = 0;
  // New vertices are numbered in the walk order of the leaves; a caller that
  // must get the same ids from the same mesh whatever the history of its
  // tables (a run restarted from a file) numbers them by their parents'
  // vertex ids instead.
  virtual bool numbersByVertexIds() const { return false; }

  // List forms: the per-entity operation for every entity, front to back.
  void splitCallback(std::list<mEntity*>& l) {
    for (mEntity* e : l) splitCallback(e);
  }
  void unsplitCallback(std::list<mEntity*>& l) {
    for (mEntity* e : l) unsplitCallback(e);
  }

 protected:
  ~mSplitCallbacks() = default;
};

}  // namespace KORA

#endif
