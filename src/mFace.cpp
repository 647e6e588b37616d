#include "mFace.h"

#include <cstdio>
#include <string>

#include "mEdge.h"
#include "mException.h"
#include "mVertex.h"

namespace KORA {

namespace {
inline int vid(const mEdge* e, int i) {
  const mVertex* v = e ? e->vertex(i) : nullptr;
  return v ? v->getId() : 0;
}

// The vertex shared by edges a and b, comparing b's vertices with a's first,
// then with a's second; null when they share none.
mVertex* sharedVertex(const mEntity* a, const mEntity* b) {
  if (!a || !b) return nullptr;
  const mEdge* ea = static_cast<const mEdge*>(a);
  const mEdge* eb = static_cast<const mEdge*>(b);
  if (eb->vertex(0) == ea->vertex(0)) return ea->vertex(0);
  if (eb->vertex(1) == ea->vertex(0)) return ea->vertex(0);
  if (eb->vertex(0) == ea->vertex(1)) return ea->vertex(1);
  if (eb->vertex(1) == ea->vertex(1)) return ea->vertex(1);
  return nullptr;
}
}  // namespace

mFace::mFace(mVertex* v1, mVertex* v2, mVertex* v3, gEntity* g) : mEntity(), type(TRI) {
  mAdjacencyContainer& l = createAdjacency(0, 3);
  l.add(v1);
  l.add(v2);
  l.add(v3);
  theClassification = g;
  iD = v1->getRAND() + v2->getRAND() + v3->getRAND();
}

mFace::mFace(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4, gEntity* g) : mEntity(), type(QUAD) {
  mAdjacencyContainer& l = createAdjacency(0, 4);
  l.add(v1);
  l.add(v2);
  l.add(v3);
  l.add(v4);
  theClassification = g;
  iD = v1->getRAND() + v2->getRAND() + v3->getRAND() + v4->getRAND();
}

mFace::mFace(mEdge* e1, mEdge* e2, mEdge* e3, gEntity* g) : mEntity(), type(TRI) {
  mAdjacencyContainer& l = createAdjacency(1, 3);
  l.add(e1);
  l.add(e2);
  l.add(e3);
  theClassification = g;
  mVertex* w[3];
  for (int k = 0; k < 3; ++k) w[k] = static_cast<mVertex*>(getTemplate(k, 0, 0));
  if (!w[0] || !w[1] || !w[2]) {
    char text[512];
    std::snprintf(text, sizeof(text),
                  "error in the creation of a triangle with its edges\n edges (%d %d), (%d %d) and (%d %d) "
                  "cannot be nested",
                  vid(e1, 0), vid(e1, 1), vid(e2, 0), vid(e2, 1), vid(e3, 0), vid(e3, 1));
    throw new mException(__LINE__, "src/mFace", text);
  }
  iD = w[0]->getRAND() + w[1]->getRAND() + w[2]->getRAND();
  mAdjacencyContainer& vl = createAdjacency(0, 3);
  for (int k = 0; k < 3; ++k) vl.add(w[k]);
}

mFace::mFace(mEdge* e1, mEdge* e2, mEdge* e3, mEdge* e4, gEntity* g) : mEntity(), type(QUAD) {
  mAdjacencyContainer& l = createAdjacency(1, 4);
  l.add(e1);
  l.add(e2);
  l.add(e3);
  l.add(e4);
  theClassification = g;
  // Every corner of a closed chain lies on two edges.
  iD = (e1->getId() + e2->getId() + e3->getId() + e4->getId()) / 2;
  for (int k = 0; k < 4; ++k) {
    if (!getTemplate(k, 0, 0)) {
      char text[512];
      std::snprintf(text, sizeof(text),
                    "\terror in the creation of a quad with its edges\n\tedges (%d %d), (%d %d), (%d %d) and "
                    "(%d %d) cannot be nested",
                    vid(e1, 0), vid(e1, 1), vid(e2, 0), vid(e2, 1), vid(e3, 0), vid(e3, 1), vid(e4, 0),
                    vid(e4, 1));
      throw new mException(__LINE__, "src/mFace", text);
    }
  }
  // The derived vertices are not stored.
}

mFace::mFace(mAdjacencyContainer* subs, gEntity* g) : mEntity(subs, g), type(TRI) { completeFromSubEntities(2); }

mFace::mFace() : mEntity(), type(TRI) {}

mFace::~mFace() {}

int mFace::getNbTemplates(int) const { return type == QUAD ? 4 : 3; }

mEntity* mFace::getTemplate(int i, int dim, int) const {
  const int n = type == QUAD ? 4 : 3;
  if (dim == 0) {
    if (isAdjacencyCreated(0)) return theAdjacencies[0][i];
    if (isAdjacencyCreated(1)) {
      const mAdjacencyContainer& e = theAdjacencies[1];
      return sharedVertex(e[(i + n - 1) % n], e[i]);
    }
    return nullptr;
  }
  if (dim == 1) {
    return new mEdge(static_cast<mVertex*>(get(0, i)), static_cast<mVertex*>(get(0, (i + 1) % n)),
                     theClassification);
  }
  std::printf("mFace::getTemplate error : level %d is incorrect\n", dim);
  throw 1;
}

mVertex* mFace::commonVertex(mFace* a, mFace* b) const {
  const int n = getNbTemplates(0), na = a->getNbTemplates(0), nb = b->getNbTemplates(0);
  mEntity* va[4];
  mEntity* vb[4];
  for (int k = 0; k < na && k < 4; ++k) va[k] = a->get(0, k);
  for (int k = 0; k < nb && k < 4; ++k) vb[k] = b->get(0, k);
  for (int k = 0; k < n; ++k) {
    mEntity* v = get(0, k);
    if (!v) continue;
    bool inA = false, inB = false;
    for (int j = 0; j < na && j < 4; ++j) inA = inA || va[j] == v;
    for (int j = 0; j < nb && j < 4; ++j) inB = inB || vb[j] == v;
    if (inA && inB) return static_cast<mVertex*>(v);
  }
  return nullptr;
}

mEdge* mFace::commonEdge(mFace* f) const {
  if (!isAdjacencyCreated(1) || !f->isAdjacencyCreated(1)) return nullptr;
  const mAdjacencyContainer& mine = theAdjacencies[1];
  const mAdjacencyContainer& theirs = *f->getAdjacencyList(1);
  for (int i = 0; i < mine.size(); ++i)
    for (int j = 0; j < theirs.size(); ++j)
      if (mine[i] == theirs[j]) return static_cast<mEdge*>(mine[i]);
  return nullptr;
}

void mFace::print() const {
  const int m = size(0);
  auto id = [this](int k) {
    const mEntity* v = get(0, k);
    return v ? v->getId() : 0;
  };
  if (m == 4)
    std::printf("face %p with vertices %d %d %d %d\n", (const void*)this, id(0), id(1), id(2), id(3));
  else
    std::printf("face %p with vertices %d %d %d\n", (const void*)this, id(0), id(1), id(2));
}

}  // namespace KORA
