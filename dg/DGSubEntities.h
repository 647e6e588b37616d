#ifndef DG_DGSUBENTITIES_H
#define DG_DGSUBENTITIES_H

// Walk of the sub-entities of one dimension that bound an element: the stored
// list when the element has one, otherwise entities built from the element's
// templates, which are released after the visit.

#include "mEntity.h"

namespace dgdetail {

// True when a template returned by e->getTemplate was made for the occasion
// (not an entity that the element or its stored faces already list).
inline bool isFreshTemplate(KORA::mEntity *e, KORA::mEntity *t) {
  if (!t || t->getLevel() == 0) return false;
  if (t->getLevel() == 1) {
    if (const KORA::mAdjacencyContainer *faces = e->getAdjacencyList(2)) {
      for (int i = 0; i < faces->size(); ++i)
        if ((*faces)[i] && (*faces)[i]->find(t)) return false;
    }
  }
  return true;
}

// Calls visit(sub) for every sub-entity of dimension d of e, in the element's
// order. Template entities exist only during their visit.
template <class Visit>
void forEachSubEntity(KORA::mEntity *e, int d, Visit visit) {
  if (d < 0 || d >= e->getLevel()) return;
  if (e->isAdjacencyCreated(d)) {
    for (KORA::mEntity **it = e->begin(d); it != e->end(d); ++it) visit(*it);
    return;
  }
  const int n = e->getNbTemplates(d);
  for (int i = 0; i < n; ++i) {
    KORA::mEntity *t = e->getTemplate(i, d, 0);
    if (!t) continue;
    const bool fresh = isFreshTemplate(e, t);
    try {
      visit(t);
    } catch (...) {
      if (fresh) delete t;
      throw;
    }
    if (fresh) delete t;
  }
}

}  // namespace dgdetail

#endif
