#include "mUpwardUpdate.h"

#include <algorithm>
#include <cstdint>
#include <list>

#include "mEntity.h"
#include "mMesh.h"

namespace KORA {

mUpwardUpdate::mUpwardUpdate(mMesh* mesh, std::vector<std::pair<int, int>> pairs)
    : mesh_(mesh), pairs_(std::move(pairs)) {
  for (int d = 0; d < 4; ++d) bucketCounts_[d] = mesh_->getEntities().table().bucketCount(d);
}

bool mUpwardUpdate::alive(mEntity* e) const {
  auto it = alive_.find(e);
  return it == alive_.end() || it->second;
}

template <class F>
void mUpwardUpdate::walkClosure(mEntity* start, std::unordered_set<mEntity*>& seen, F&& f) {
  std::vector<mEntity*> stack;
  auto push = [&](mEntity* x) {
    if (x && seen.insert(x).second) stack.push_back(x);
  };
  push(start);
  while (!stack.empty()) {
    mEntity* e = stack.back();
    stack.pop_back();
    f(e);
    const int level = e->getLevel();
    if (const mAdjacencyContainer* c = e->getAdjacencyList(level))
      for (mEntity* x : *c) push(x);
    for (int k = 0; k < level; ++k) {
      if (const mAdjacencyContainer* l = e->getAdjacencyList(k)) {
        for (mEntity* x : *l) push(x);
        continue;
      }
      // No stored list: the registered entities on the kind's templates.
      try {
        const int n = e->getNbTemplates(k);
        for (int i = 0; i < n; ++i) {
          mEntity* t = e->getTemplate(i, k, 0);
          if (!t) continue;
          if (k == 0) {
            push(t);  // vertex templates are the vertices themselves
            continue;
          }
          mEntity* q = mesh_->find(t);
          if (q != t) delete t;
          push(q);
        }
      } catch (...) {
        // A kind without templates of this dimension has no such sub-entities.
      }
    }
  }
}

void mUpwardUpdate::changing(mEntity* e) {
  changed_.push_back(e);
  // The upward lists around e as they were: their members are the users that
  // may lose or keep e's pieces, and those that new pieces inherit.
  walkClosure(e, read_, [&](mEntity* x) {
    for (int d = x->getLevel() + 1; d < 4; ++d)
      if (const mAdjacencyContainer* l = x->getAdjacencyList(d))
        for (mEntity* u : *l) formerUsers_[d].insert(u);
  });
}

bool mUpwardUpdate::finish() {
  const mEntityHashTable& table = mesh_->getEntities().table();
  for (const auto& p : pairs_)
    if (table.bucketCount(p.second) != bucketCounts_[p.second]) return false;

  // Everything in the closure of what was split or merged, as it is now.
  std::unordered_set<mEntity*> seen;
  std::vector<mEntity*> region[4];
  for (mEntity* e : changed_)
    if (alive(e)) walkClosure(e, seen, [&](mEntity* x) { region[x->getLevel()].push_back(x); });

  std::unordered_map<mEntity*, long long> rank;
  auto rankOf = [&](mEntity* u) {
    auto it = rank.find(u);
    if (it != rank.end()) return it->second;
    const long long r = table.walkRank(u);
    rank.emplace(u, r);
    return r;
  };
  std::list<mEntity*> leaves;
  for (const auto& p : pairs_) {
    const int from = p.first, to = p.second;
    std::unordered_map<mEntity*, std::vector<mEntity*>> lists;
    for (mEntity* x : region[from]) lists.emplace(x, std::vector<mEntity*>());
    if (lists.empty()) continue;
    std::unordered_set<mEntity*> users(region[to].begin(), region[to].end());
    for (mEntity* u : formerUsers_[to])
      if (alive(u)) users.insert(u);
    for (mEntity* u : users) {
      // Leaves of dimension `to` with a list of dimension `from`, as the
      // rebuild walks them.
      if (u->getLevel() != to || u->isAdjacencyCreated(to)) continue;
      const mAdjacencyContainer* subs = u->getAdjacencyList(from);
      if (!subs) continue;
      for (mEntity* s : *subs) {
        if (!s->isAdjacencyCreated(s->getLevel())) {
          auto it = lists.find(s);
          if (it != lists.end()) it->second.push_back(u);
          continue;
        }
        leaves.clear();
        s->getLeaves(leaves);
        for (mEntity* leaf : leaves) {
          auto it = lists.find(leaf);
          if (it != lists.end()) it->second.push_back(u);
        }
      }
    }
    for (auto& [x, v] : lists) {
      x->deleteAdjacencies(to);
      if (v.empty()) continue;
      std::sort(v.begin(), v.end(), [&](mEntity* a, mEntity* b) { return rankOf(a) < rankOf(b); });
      v.erase(std::unique(v.begin(), v.end()), v.end());
      for (mEntity* u : v) x->add(u);
    }
  }
  return true;
}

}  // namespace KORA
