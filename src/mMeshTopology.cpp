// Model topology derived from the classification of a mesh: two model
// entities are adjacent when a mesh entity on one has a sub-entity on the other.
#include <fstream>
#include <ostream>

#include "KORA_Util.h"
#include "gEntity.h"
#include "mMesh.h"

namespace KORA {

void connectForDimK(mMesh* m, int k) {
  for (mEntityHashTableIterator it = m->beginall(k), last = m->endall(k); it != last; ++it) {
    mEntity* e = *it;
    if (!e->isAdjacencyCreated(k - 1)) continue;
    gEntity* g = e->getClassification();
    const int n = e->size(k - 1);
    for (int i = 0; i < n; ++i) {
      gEntity* h = e->get(k - 1, i)->getClassification();
      if (!g || !h) continue;  // unclassified entities carry no model information
      g->add(h);
      h->add(g);
    }
  }
}

void buildForDimK(mMesh* m, int k) {
  createDownwardFunctor f(k - 1, 0, m, false, false);
  for (mEntityHashTableIterator it = m->beginall(k), last = m->endall(k); it != last; ++it) f(*it);
}

void PrintTopology(mMesh* m, std::ostream& out) {
  for (mMesh::giter it = m->begin(); it != m->end(); ++it) {
    gEntity* g = *it;
    out << "Ge(" << g->getLevel() << "," << g->getId() << "," << g->getTag() << ") <=> ";
    for (gEntity::iter a = g->begin(); a != g->end(); ++a)
      out << "Ge(" << (*a)->getLevel() << "," << (*a)->getId() << "," << (*a)->getTag() << ") ";
    out << "\n";
  }
}

void KORA_Util::BuildGTopology(mMesh* m) {
  const int d = m->getDim();
  for (int k = 2; k <= d; ++k) buildForDimK(m, k);
  for (int i = 0; i < d; ++i) m->modifyState(i, i + 1, true, 0);
  for (int k = 1; k <= d; ++k) connectForDimK(m, k);
  for (int i = 0; i < d; ++i) m->modifyState(i, i + 1, false, 0);
  for (int k = 2; k <= d; ++k) m->modifyState(k, k - 1, false, 0);
  m->reduceToMinumumRepresentation();
}

void KORA_Util::print_topology(const char* fileName, mMesh* m) {
  std::ofstream out(fileName);
  if (!out) return;
  PrintTopology(m, out);
}

}  // namespace KORA
