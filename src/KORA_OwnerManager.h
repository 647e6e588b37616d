// Copies of mesh entities held elsewhere (with one process: the periodic
// counterparts in the same mesh) and the table of partition-boundary neighbours.
#ifndef KORA_OWNERMANAGER_H
#define KORA_OWNERMANAGER_H

#include <map>
#include <memory>
#include <vector>

namespace KORA {

class mEntity;

// One copy of an entity.
class KORA_SharedInfo {
 public:
  KORA_SharedInfo(int pid, mEntity* remote, bool periodic)
      : processorId(pid), remoteCopy(remote), isPeriodic(periodic) {}
  int processorId;
  mEntity* remoteCopy;
  bool isPeriodic;
};

class KORA_OwnerManager {
 public:
  using copyMap = std::multimap<mEntity*, KORA_SharedInfo>;
  using iter = copyMap::const_iterator;
  using topoMap = std::multimap<int, int>;
  using iter_top = topoMap::const_iterator;

  KORA_OwnerManager();
  ~KORA_OwnerManager();
  KORA_OwnerManager(const KORA_OwnerManager&) = delete;
  KORA_OwnerManager& operator=(const KORA_OwnerManager&) = delete;

  // Copy table.
  void addRemoteCopy(mEntity* e, int pid, mEntity* remote, bool periodic = false);
  void clearRemoteCopies() { copies_->clear(); }
  int count(mEntity* e) const { return static_cast<int>(copies_->count(e)); }
  bool isPeriodic(mEntity* e) const;
  bool amITheOwnerOf(mEntity* e) const;
  iter begin(mEntity* e) const { return copies_->lower_bound(e); }
  iter end(mEntity* e) const { return copies_->upper_bound(e); }
  iter begin() const { return copies_->begin(); }
  iter end() const { return copies_->end(); }

  // Partition-boundary table.
  void addNeighbor(int boundaryId, int pid) { topology_->insert({boundaryId, pid}); }
  int count(int boundaryId) const { return static_cast<int>(topology_->count(boundaryId)); }
  iter_top begin_top() const { return topology_->begin(); }
  iter_top end_top() const { return topology_->end(); }
  iter_top begin_top(int boundaryId) const { return topology_->lower_bound(boundaryId); }
  iter_top end_top(int boundaryId) const { return topology_->upper_bound(boundaryId); }
  void getPartitionIds(std::vector<int>& ids) const;
  // Id of the boundary shared exactly by the n processes of pids (sorted in
  // place), or 1 when there is none.
  int find(int n, int* pids) const;
  // A new boundary id (below every negative one) for the n processes of pids.
  int create(int n, const int* pids);

  void print() const;

 private:
  std::unique_ptr<copyMap> copies_;
  std::unique_ptr<topoMap> topology_;
};

}  // namespace KORA

#endif
