// Local upkeep of upward adjacency lists across a refinement pass.
//
// A whole-mesh rebuild of the upward lists of a pair (from, to) leaves every
// leaf of dimension `from` with the leaves of dimension `to` that use it (or
// use one of its ancestors), in the order of the walk over the `to` table,
// and every other entity of dimension `from` without a list. A refinement
// pass changes that only around the entities it splits or merges; this log,
// attached to the mesh during the pass, records those entities and the
// entities made and deleted, and afterwards rewrites the lists of the
// affected `from` entities alone, to the same contents and order.
#ifndef KORA_MUPWARDUPDATE_H
#define KORA_MUPWARDUPDATE_H

#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace KORA {

class mEntity;
class mMesh;

class mUpwardUpdate {
 public:
  // Upward pairs (from, to), from < to, whose lists are exact when the log
  // starts (as a rebuild left them). The upward lists are not to be touched
  // during the pass: they are read as they were before it.
  mUpwardUpdate(mMesh* mesh, std::vector<std::pair<int, int>> pairs);

  // e is about to be split or merged.
  void changing(mEntity* e);
  // e was registered with the mesh, or removed from it.
  void registered(mEntity* e) { alive_[e] = true; }
  void removed(mEntity* e) { alive_[e] = false; }

  // Rewrites the lists of the affected entities. False (nothing done) when
  // the walk order of a `to` table changed (a table grew its buckets): then
  // only a whole-mesh rebuild gives the order.
  bool finish();

 private:
  bool alive(mEntity* e) const;
  // Visits the closure of e (its refinement subtree, the sub-entities of
  // everything visited and their subtrees) not yet in `seen`.
  template <class F>
  void walkClosure(mEntity* e, std::unordered_set<mEntity*>& seen, F&& f);

  mMesh* mesh_;
  std::vector<std::pair<int, int>> pairs_;
  int bucketCounts_[4];
  // Entities split or merged during the pass.
  std::vector<mEntity*> changed_;
  // Entities whose lists have been read before a change.
  std::unordered_set<mEntity*> read_;
  // Members of the upward lists read before the changes, per dimension.
  std::unordered_set<mEntity*> formerUsers_[4];
  // Last registration event of an address: true made, false removed.
  std::unordered_map<mEntity*, bool> alive_;
};

}  // namespace KORA

#endif
