#include "mEdge.h"

#include <cstdio>

#include "mVertex.h"

namespace KORA {

mEdge::mEdge(mVertex* v1, mVertex* v2, gEntity* g) : mEntity() {
  mAdjacencyContainer& l = createAdjacency(0, 2);
  l.add(v1);
  l.add(v2);
  theClassification = g;
  if (v1 && v2) iD = v1->getRAND() + v2->getRAND();
}

mEdge::~mEdge() {}

void mEdge::setVertices(mVertex* v1, mVertex* v2) {
  mAdjacencyContainer& l = theAdjacencies[0];
  l.clear();
  l.add(v1);
  l.add(v2);
  iD = v1->getRAND() + v2->getRAND();
}

mVertex* mEdge::vertex(int i) const { return static_cast<mVertex*>(theAdjacencies[0][i]); }

mVertex* mEdge::commonVertex(mEdge* other) const {
  mVertex* a0 = vertex(0);
  mVertex* a1 = vertex(1);
  mVertex* b0 = other->vertex(0);
  mVertex* b1 = other->vertex(1);
  if (a0 == b0 || a0 == b1) return a0;
  if (a1 == b0 || a1 == b1) return a1;
  return nullptr;
}

int mEdge::getNbTemplates(int dim) const { return dim == 0 ? 2 : 0; }

void mEdge::print() const {
  const mVertex* a = vertex(0);
  const mVertex* b = vertex(1);
  std::printf("edge %p with vertices %d %d (%d)\n", (const void*)this, a ? a->getId() : 0,
              b ? b->getId() : 0, isAdjacencyCreated(1) ? 1 : 0);
}

}  // namespace KORA
