#include "mRegion.h"

#include <set>
#include <vector>

#include "mEdge.h"
#include "mFace.h"
#include "mVertex.h"

namespace KORA {

mRegion::mRegion() : mEntity() {}

mRegion::~mRegion() {}

mEntity* mRegion::vertexTemplate(int i, int ea, int eb, int f0, int f1, int f2) const {
  if (isAdjacencyCreated(0)) return theAdjacencies[0][i];
  if (isAdjacencyCreated(1)) {
    const mAdjacencyContainer& e = theAdjacencies[1];
    const mEdge* a = static_cast<const mEdge*>(e[ea]);
    const mEdge* b = static_cast<const mEdge*>(e[eb]);
    if (!a || !b) return nullptr;
    if (b->vertex(0) == a->vertex(0)) return a->vertex(0);
    if (b->vertex(1) == a->vertex(0)) return a->vertex(0);
    if (b->vertex(0) == a->vertex(1)) return a->vertex(1);
    if (b->vertex(1) == a->vertex(1)) return a->vertex(1);
    return nullptr;
  }
  if (isAdjacencyCreated(2)) {
    const mAdjacencyContainer& f = theAdjacencies[2];
    return static_cast<mFace*>(f[f0])->commonVertex(static_cast<mFace*>(f[f1]), static_cast<mFace*>(f[f2]));
  }
  return nullptr;
}

mEntity* mRegion::edgeTemplate(int va, int vb, int fa, int fb) const {
  if (isAdjacencyCreated(2)) {
    const mAdjacencyContainer& f = theAdjacencies[2];
    mEdge* e = static_cast<mFace*>(f[fa])->commonEdge(static_cast<mFace*>(f[fb]));
    if (e) return e;
  }
  return new mEdge(static_cast<mVertex*>(getTemplate(va, 0, 0)), static_cast<mVertex*>(getTemplate(vb, 0, 0)),
                   theClassification);
}

mFace* mRegion::commonFace(mRegion* r) const {
  // Without stored face lists the faces would be new templates, never shared.
  if (!isAdjacencyCreated(2) || !r->isAdjacencyCreated(2)) return nullptr;
  const mAdjacencyContainer& mine = *getAdjacencyList(2);
  const mAdjacencyContainer& theirs = *r->getAdjacencyList(2);
  for (int i = 0; i < mine.size(); ++i)
    for (int j = 0; j < theirs.size(); ++j)
      if (theirs[j] == mine[i]) return static_cast<mFace*>(mine[i]);
  return nullptr;
}

namespace {
struct EdgeLess {
  bool operator()(mEntity* a, mEntity* b) const { return a->lessthan(b); }
};

// The edges of a region, with the ones made anew for the occasion recorded
// so that they can be released.
void gatherEdges(const mEntity* r, std::set<mEntity*, EdgeLess>& s, std::vector<mEntity*>& made) {
  const int n = r->size(1);
  for (int i = 0; i < n; ++i) {
    mEntity* e = r->get(1, i);
    if (!e) continue;
    bool stored = r->isAdjacencyCreated(1);
    if (!stored && r->isAdjacencyCreated(2)) {
      const mAdjacencyContainer& faces = *r->getAdjacencyList(2);
      for (int k = 0; k < faces.size() && !stored; ++k) stored = faces[k] && faces[k]->find(e);
    }
    if (!stored) made.push_back(e);
    s.insert(e);
  }
}
}  // namespace

mEdge* mRegion::commonEdge(mRegion* r1, mRegion* r2) const {
  std::set<mEntity*, EdgeLess> s0, s1, s2;
  std::vector<mEntity*> made;
  gatherEdges(this, s0, made);
  gatherEdges(r1, s1, made);
  gatherEdges(r2, s2, made);
  mEntity* found = nullptr;
  for (mEntity* e : s0)
    if (s1.find(e) != s1.end() && s2.find(e) != s2.end()) {
      found = e;
      break;
    }
  // Edges made anew are released, except the one returned (then the
  // caller's).
  for (mEntity* e : made)
    if (e != found) delete e;
  return static_cast<mEdge*>(found);
}

}  // namespace KORA
