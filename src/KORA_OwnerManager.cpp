#include "KORA_OwnerManager.h"

#include <algorithm>
#include <cstdio>

#include "ParUtil.h"
#include "mEntity.h"

namespace KORA {

KORA_OwnerManager::KORA_OwnerManager()
    : copies_(std::make_unique<copyMap>()), topology_(std::make_unique<topoMap>()) {}

KORA_OwnerManager::~KORA_OwnerManager() {
  copies_.reset();
  topology_.reset();
}

void KORA_OwnerManager::addRemoteCopy(mEntity* e, int pid, mEntity* remote, bool periodic) {
  copies_->insert({e, KORA_SharedInfo(pid, remote, periodic)});
}

bool KORA_OwnerManager::isPeriodic(mEntity* e) const {
  for (iter it = begin(e), last = end(e); it != last; ++it)
    if (it->second.isPeriodic) return true;
  return false;
}

bool KORA_OwnerManager::amITheOwnerOf(mEntity* e) const {
  const int me = ParUtil::Instance()->rank();
  for (iter it = begin(e), last = end(e); it != last; ++it)
    if (it->second.processorId < me) return false;
  return true;
}

void KORA_OwnerManager::getPartitionIds(std::vector<int>& ids) const {
  // The map is ordered by id: each distinct id once, 0 included.
  bool first = true;
  int previous = 0;
  for (const auto& pr : *topology_) {
    if (first || pr.first != previous) ids.push_back(pr.first);
    first = false;
    previous = pr.first;
  }
}

int KORA_OwnerManager::find(int n, int* pids) const {
  std::sort(pids, pids + n);
  std::vector<int> ids;
  getPartitionIds(ids);
  for (int id : ids) {
    if (count(id) != n - 1) continue;
    bool all = true;
    for (iter_top it = begin_top(id), last = end_top(id); it != last && all; ++it)
      all = std::binary_search(pids, pids + n, it->second);
    if (all) return id;
  }
  return 1;
}

int KORA_OwnerManager::create(int n, const int* pids) {
  int smallest = 0;
  if (!topology_->empty()) smallest = std::min(0, topology_->begin()->first);
  const int id = smallest - 1;
  const int me = ParUtil::Instance()->rank();
  for (int k = 0; k < n; ++k)
    if (pids[k] != me) topology_->insert({id, pids[k]});
  return id;
}

void KORA_OwnerManager::print() const {
  const int me = ParUtil::Instance()->rank();
  std::vector<int> ids;
  getPartitionIds(ids);
  for (int id : ids) {
    std::printf("Processor %d boundary %d comm (", me, id);
    for (iter_top it = begin_top(id), last = end_top(id); it != last; ++it)
      std::printf("%d ", it->second);
    std::printf(")\n");
  }
  for (const auto& pr : *copies_) {
    std::printf("connection through proc %d (%p) of mesh entity ", pr.second.processorId,
                static_cast<void*>(pr.second.remoteCopy));
    pr.first->print();
  }
}

}  // namespace KORA
