// Depth-first walk of a refinement tree without recursion, so that a tree of
// any depth (a damaged file may nest thousands of levels) costs heap memory
// and not stack.
#ifndef KORA_MTREEWALK_H
#define KORA_MTREEWALK_H

#include <vector>

#include "mAdjacencyContainer.h"
#include "mEntity.h"

namespace KORA {

// Visits root and its refinement subtree, each entity before its children
// and the children in the order of their list (the order of the recursive
// definition). visit(entity, depth below root) returns false to leave out
// the children of that entity. The children of an entity are its list of
// dimension d (its own level). The tree must not change during the walk.
template <class Visit>
void walkRefinementTree(mEntity* root, int d, Visit&& visit) {
  if (!visit(root, 0)) return;
  const mAdjacencyContainer* c = root->getAdjacencyList(d);
  if (!c || c->empty()) return;
  struct Open {
    const mAdjacencyContainer* children;
    int next;
  };
  std::vector<Open> open{{c, 0}};
  while (!open.empty()) {
    Open& o = open.back();
    if (o.next >= o.children->size()) {
      open.pop_back();
      continue;
    }
    mEntity* x = (*o.children)[o.next++];
    if (!visit(x, static_cast<int>(open.size()))) continue;
    const mAdjacencyContainer* xc = x->getAdjacencyList(d);
    if (xc && !xc->empty()) open.push_back({xc, 0});
  }
}

template <class Visit>
void walkRefinementTree(mEntity* root, Visit&& visit) {
  walkRefinementTree(root, root->getLevel(), visit);
}

}  // namespace KORA

#endif
