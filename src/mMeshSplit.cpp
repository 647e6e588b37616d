// Splitting of single entities into their refinement children and the
// removal of those children: an edge into two halves, a triangle and a
// quadrilateral into four, a tetrahedron and a hexahedron into eight.
#include <cstdio>
#include <list>
#include <vector>

#include "KORA_Util.h"
#include "ParUtil.h"
#include "gEntity.h"
#include "mEdge.h"
#include "mFace.h"
#include "mHex.h"
#include "mMesh.h"
#include "mRefinement.h"
#include "mTet.h"
#include "mVertex.h"

namespace KORA {

namespace {

// The common vertex of two edges, comparing b's first with a's first, b's
// second with a's first, b's first with a's second, b's second with a's second.
mVertex* commonVertexOf(mEntity* a, mEntity* b) {
  if (!a || !b) return nullptr;
  mEntity* a0 = a->get(0, 0);
  mEntity* a1 = a->get(0, 1);
  mEntity* b0 = b->get(0, 0);
  mEntity* b1 = b->get(0, 1);
  if (b0 == a0 || b1 == a0) return static_cast<mVertex*>(a0);
  if (b0 == a1 || b1 == a1) return static_cast<mVertex*>(a1);
  return nullptr;
}

bool hasChildren(mEntity* e) {
  const mAdjacencyContainer* c = e->getAdjacencyList(e->getLevel());
  return c && c->size() > 0;
}

mEntity* child(mEntity* e, int i) { return e->getAdjacencyList(e->getLevel())->operator[](i); }

int nbChildren(mEntity* e) {
  const mAdjacencyContainer* c = e->getAdjacencyList(e->getLevel());
  return c ? c->size() : 0;
}

bool sharesVertex(mEntity* edge, mVertex* v) { return edge->get(0, 0) == v || edge->get(0, 1) == v; }

// Centre of an entity: its model entity's centre, or the mean of its vertices.
mPoint centreOf(mEntity* e) {
  if (gEntity* g = e->getClassification()) return g->COG(e);
  const int n = e->size(0);
  mPoint s(0, 0, 0);
  for (int i = 0; i < n; ++i) s += static_cast<mVertex*>(e->get(0, i))->point();
  return s * (1.0 / n);
}

// A new vertex at p: with the serial as id when the entity carries one.
mVertex* newVertex(mMesh* m, mEntity* e, const mPoint& p, bool& flagged) {
  const unsigned int att1 = KORA_Util::Instance()->att1Id;
  flagged = hasMark(e, att1);
  if (flagged) return m->createVertex(getMark(e, att1), p(0), p(1), p(2), e->getClassification());
  return m->createVertex(p(0), p(1), p(2), e->getClassification());
}

// The vertex a periodic split creates is the mirror of the one created by the
// split of each periodic counterpart that is split already.
void linkToCounterparts(mMesh* m, mEntity* e, mVertex* v) {
  if (!hasMark(e, KORA_Util::Instance()->att2Id)) return;
  std::list<mEntity*> mirrors;
  const bool periodic = e->getLevel() == 1 ? m->lookupForMirrorEntities(e, mirrors)
                                           : lookupForMirrorFaces(m, e, mirrors);
  if (!periodic) return;
  for (mEntity* c : mirrors) {
    if (!hasChildren(c)) continue;
    mVertex* w = nullptr;
    if (c->getLevel() == 1 && nbChildren(c) == 2) w = commonVertexOf(child(c, 0), child(c, 1));
    else if (c->getType() == mEntity::QUAD && nbChildren(c) == 4)
      w = static_cast<mFace*>(child(c, 0))
              ->commonVertex(static_cast<mFace*>(child(c, 1)), static_cast<mFace*>(child(c, 2)));
    if (w) linkMirrorVertices(m, v, w);
  }
}

void deleteVertex(mMesh* m, mVertex* v) {
  if (!v) return;
  dropMirrorVertex(m, v);
  m->DEL(v);
}

// The downward entities of a new child, shared with what the mesh has.
void completeChild(mMesh* m, mEntity* parent, mEntity* c) {
  if (parent->isAdjacencyCreated(1)) createDownward(m, c, 1, 0);
  createDownward(m, c, 2, 0);
  const mAdjacencyContainer* faces = c->getAdjacencyList(2);
  for (int j = 0; faces && j < faces->size(); ++j) createDownward(m, (*faces)[j], 1, 0);
  parent->add(c);
  c->setParent(parent);
  if (!parent->isAdjacencyCreated(0)) c->deleteAdjacencies(0);
}

}  // namespace

void myswap(mEdge*& a, mEdge*& b) {
  mEdge* t = a;
  a = b;
  b = t;
}

void createDownward(mMesh* m, mEntity* e, int k, int with) {
  if (e->isAdjacencyCreated(k)) return;
  const int n = e->getNbTemplates(k);
  for (int i = 0; i < n; ++i) {
    mEntity* t = e->getTemplate(i, k, with);
    if (!t) continue;
    mEntity* found = m->find(t);
    if (!found) {
      e->add(t);
      m->add(t);
      continue;
    }
    gEntity* ge = e->getClassification();
    gEntity* gf = found->getClassification();
    if (ge && (!gf || ge->getLevel() < gf->getLevel())) found->classify(ge);
    e->add(found);
    if (found != t) delete t;
  }
}

namespace {
template <class Kind>
Kind* registeredSub(mMesh* m, mEntity* e, int i, int dim) {
  if (e->isAdjacencyCreated(dim)) return static_cast<Kind*>(e->get(dim, i));
  mEntity* t = e->getTemplate(i, dim, 0);
  if (!t) return nullptr;
  mEntity* found = m->find(t);
  if (!found) {
    m->add(t);
    return static_cast<Kind*>(t);
  }
  if (found != t) delete t;
  return static_cast<Kind*>(found);
}
}  // namespace

mEdge* registeredEdge(mMesh* m, mEntity* e, int i) { return registeredSub<mEdge>(m, e, i, 1); }

mFace* registeredFace(mMesh* m, mEntity* e, int i) { return registeredSub<mFace>(m, e, i, 2); }

// ------------------------------------------------------------------- edges

mVertex* splitEdge(mMesh* m, mEdge* e, mEntity*) {
  if (nbChildren(e) >= 2) return commonVertexOf(child(e, 0), child(e, 1));
  const mPoint p = centreOf(e);
  const unsigned int att1 = KORA_Util::Instance()->att1Id;
  mVertex* v;
  if (hasMark(e, att1)) {
    v = m->createVertex(getMark(e, att1), p(0), p(1), p(2), e->getClassification());
  } else {
    e->print();
    ParUtil::Instance()->Msg(ParUtil::FATAL, "Unflagged edge to split ");
    v = m->createVertex(p(0), p(1), p(2), e->getClassification());
  }
  linkToCounterparts(m, e, v);
  mVertex* a = static_cast<mVertex*>(e->get(0, 0));
  mVertex* b = static_cast<mVertex*>(e->get(0, 1));
  mEdge* h1 = m->createEdge(a, v, e->getClassification());
  mEdge* h2 = m->createEdge(v, b, e->getClassification());
  h1->setParent(e);
  h2->setParent(e);
  e->add(h1);
  e->add(h2);
  return v;
}

void unsplitEdge(mMesh* m, mEdge* e) {
  if (nbChildren(e) < 2) return;
  mEntity* c1 = child(e, 0);
  mEntity* c2 = child(e, 1);
  c1->deleteParent();
  c2->deleteParent();
  mVertex* mid = commonVertexOf(c1, c2);
  m->DEL(c1);
  m->DEL(c2);
  deleteVertex(m, mid);
  e->deleteAdjacencies(1);
}

// --------------------------------------------------------------- triangles

void mMesh::splitTriangle(mFace* t, mEntity* parent) {
  if (hasChildren(t)) return;
  gEntity* g = t->getClassification();
  mEdge* e[3];
  for (int k = 0; k < 3; ++k) e[k] = registeredEdge(this, t, k);
  for (int k = 0; k < 3; ++k) splitEdge(this, e[k], parent);
  mVertex* corner[3];
  corner[1] = commonVertexOf(e[0], e[1]);
  corner[2] = commonVertexOf(e[1], e[2]);
  corner[0] = commonVertexOf(e[2], e[0]);
  // Halves of edge k: first the one at corner k.
  mEdge* h[3][2];
  for (int k = 0; k < 3; ++k) {
    h[k][0] = static_cast<mEdge*>(child(e[k], 0));
    h[k][1] = static_cast<mEdge*>(child(e[k], 1));
    if (!sharesVertex(h[k][0], corner[k])) myswap(h[k][0], h[k][1]);
  }
  mVertex* mid[3];
  for (int k = 0; k < 3; ++k) mid[k] = commonVertexOf(h[k][0], h[k][1]);
  auto edge = [&](mVertex* a, mVertex* b) {
    if (mEdge* x = getEdge(a, b)) return x;
    return createEdge(a, b, g);
  };
  mEdge* i01 = edge(mid[0], mid[1]);
  mEdge* i12 = edge(mid[1], mid[2]);
  mEdge* i20 = edge(mid[2], mid[0]);
  mFace* c[4];
  c[0] = createFaceWithVertices(corner[0], mid[0], mid[2], g);
  c[0]->add(h[0][0]);
  c[0]->add(i20);
  c[0]->add(h[2][1]);
  c[1] = createFaceWithVertices(mid[0], corner[1], mid[1], g);
  c[1]->add(h[0][1]);
  c[1]->add(h[1][0]);
  c[1]->add(i01);
  c[2] = createFaceWithVertices(mid[2], mid[1], corner[2], g);
  c[2]->add(i12);
  c[2]->add(h[1][1]);
  c[2]->add(h[2][0]);
  c[3] = createFaceWithVertices(mid[0], mid[1], mid[2], g);
  c[3]->add(i01);
  c[3]->add(i12);
  c[3]->add(i20);
  for (mFace* f : c) f->setParent(t);
  for (mFace* f : c) t->add(f);
}

void mMesh::unsplitTriangle(mFace* t) {
  if (nbChildren(t) != 4) return;
  mFace* c[4];
  for (int k = 0; k < 4; ++k) c[k] = static_cast<mFace*>(child(t, k));
  for (mFace* f : c) f->deleteParent();
  auto shares = [](mFace* a, mFace* b) { return a->commonEdge(b) != nullptr; };
  int inner = -1;
  if (!shares(c[0], c[2]) && !shares(c[0], c[1])) inner = 3;
  else if (!shares(c[0], c[1]) && !shares(c[0], c[3])) inner = 2;
  else if (!shares(c[0], c[3]) && !shares(c[0], c[2])) inner = 1;
  else if (!shares(c[1], c[2]) && !shares(c[1], c[3])) inner = 0;
  mEdge* ie[3] = {nullptr, nullptr, nullptr};
  if (inner >= 0) {
    int n = 0;
    for (int k = 0; k < 4; ++k)
      if (k != inner) ie[n++] = c[inner]->commonEdge(c[k]);
  }
  if (!ie[0] || !ie[1] || !ie[2]) {
    std::printf("error in unsplitTre, %p %p %p\n", (void*)ie[0], (void*)ie[1], (void*)ie[2]);
    const char* fmt[4] = {"f1 %p %p %p\n", "f2 %p %p %p\n", "f3 %p %p %p\n", "f4 %p %p %p\n"};
    for (int k = 0; k < 4; ++k) {
      const mAdjacencyContainer* l = c[k]->getAdjacencyList(1);
      void* x[3] = {};
      for (int j = 0; j < 3 && l && j < l->size(); ++j) x[j] = (*l)[j];
      std::printf(fmt[k], x[0], x[1], x[2]);
    }
    throw 1;
  }
  for (mEdge* x : ie) DEL(x);
  for (mFace* f : c) DEL(f);
  t->deleteAdjacencies(2);
}

// ---------------------------------------------------------- quadrilaterals

mVertex* mMesh::splitQuad(mFace* q, mEntity* parent) {
  if (nbChildren(q) >= 3)
    return static_cast<mFace*>(child(q, 0))
        ->commonVertex(static_cast<mFace*>(child(q, 1)), static_cast<mFace*>(child(q, 2)));
  gEntity* g = q->getClassification();
  mEdge* e[4];
  for (int k = 0; k < 4; ++k) e[k] = registeredEdge(this, q, k);
  for (int k = 0; k < 4; ++k) splitEdge(this, e[k], parent);
  mVertex* corner[4];
  mVertex* mid[4];
  for (int k = 0; k < 4; ++k) {
    corner[k] = commonVertexOf(e[(k + 3) % 4], e[k]);
    mid[k] = commonVertexOf(child(e[k], 0), child(e[k], 1));
  }
  const mPoint p = centreOf(q);
  const unsigned int att1 = KORA_Util::Instance()->att1Id;
  mVertex* x;
  if (hasMark(q, att1)) {
    x = createVertex(getMark(q, att1), p(0), p(1), p(2), g);
  } else {
    ParUtil::Instance()->Msg(ParUtil::WARNING, "Unflagged quad to split\n");
    x = createVertex(p(0), p(1), p(2), g);
  }
  linkToCounterparts(this, q, x);
  mFace* c[4];
  c[0] = createFaceWithVertices(corner[0], mid[0], x, mid[3], g);
  c[1] = createFaceWithVertices(corner[1], mid[1], x, mid[0], g);
  c[2] = createFaceWithVertices(corner[2], mid[2], x, mid[1], g);
  c[3] = createFaceWithVertices(corner[3], mid[3], x, mid[2], g);
  for (mFace* f : c) {
    f->setParent(q);
    createDownward(this, f, 1, 0);
    q->add(f);
  }
  for (mVertex* v : mid)
    if (!find(v)) add(v);
  return x;
}

void mMesh::unsplitQuad(mFace* q) {
  if (nbChildren(q) != 4) return;
  mFace* c[4];
  for (int k = 0; k < 4; ++k) c[k] = static_cast<mFace*>(child(q, k));
  for (mFace* f : c) f->deleteParent();
  // The child opposite the first one shares no edge with it.
  int opp = -1;
  for (int k : {2, 3, 1})
    if (!c[0]->commonEdge(c[k])) {
      opp = k;
      break;
    }
  mEdge* ie[4] = {nullptr, nullptr, nullptr, nullptr};
  if (opp >= 0) {
    int o[2], n = 0;
    for (int k = 1; k < 4; ++k)
      if (k != opp) o[n++] = k;
    ie[0] = c[0]->commonEdge(c[o[0]]);
    ie[1] = c[0]->commonEdge(c[o[1]]);
    ie[2] = c[opp]->commonEdge(c[o[0]]);
    ie[3] = c[opp]->commonEdge(c[o[1]]);
  }
  if (!ie[0] || !ie[1] || !ie[2] || !ie[3]) {
    std::printf("error in unsplitQuad, %p %p %p %p\n", (void*)ie[0], (void*)ie[1], (void*)ie[2],
                (void*)ie[3]);
    const char* fmt[4] = {"f1 %p %p %p %p\n", "f2 %p %p %p %p\n", "f3 %p %p %p %p\n",
                          "f4 %p %p %p %p\n"};
    for (int k = 0; k < 4; ++k) {
      const mAdjacencyContainer* l = c[k]->getAdjacencyList(1);
      void* x[4] = {};
      for (int j = 0; j < 4 && l && j < l->size(); ++j) x[j] = (*l)[j];
      std::printf(fmt[k], x[0], x[1], x[2], x[3]);
    }
    throw 1;
  }
  for (mEdge* x : ie) DEL(x);
  mVertex* centre = c[3]->commonVertex(c[0], c[1]);
  for (mFace* f : c) DEL(f);
  deleteVertex(this, centre);
  q->deleteAdjacencies(2);
}

// ------------------------------------------------------------- tetrahedra

void mMesh::splitTet(mTet* r) {
  if (hasChildren(r)) {
    std::printf("there is something wrong in split tet !!!!\n");
    return;
  }
  gEntity* g = r->getClassification();
  mVertex* v[4];
  for (int k = 0; k < 4; ++k) v[k] = static_cast<mVertex*>(r->get(0, k));
  // Edges 0, 2, 3, 1, 4, 5 give m01, m02, m03, m12, m13, m23.
  mVertex* m01 = splitEdge(this, registeredEdge(this, r, 0), r);
  mVertex* m02 = splitEdge(this, registeredEdge(this, r, 2), r);
  mVertex* m03 = splitEdge(this, registeredEdge(this, r, 3), r);
  mVertex* m12 = splitEdge(this, registeredEdge(this, r, 1), r);
  mVertex* m13 = splitEdge(this, registeredEdge(this, r, 4), r);
  mVertex* m23 = splitEdge(this, registeredEdge(this, r, 5), r);
  for (int k = 0; k < 4; ++k) splitTriangle(registeredFace(this, r, k), r);
  mVertex* cv[8][4] = {{v[0], m01, m03, m02}, {v[1], m01, m12, m13}, {v[2], m12, m02, m23},
                       {v[3], m03, m13, m23}, {m12, m23, m03, m13},  {m12, m03, m01, m13},
                       {m03, m23, m12, m02},  {m01, m03, m12, m02}};
  for (auto& c : cv) {
    mTet* t = createTetWithVertices(c[0], c[1], c[2], c[3], g);
    completeChild(this, r, t);
  }
}

void mMesh::unsplitTet(mTet* r) {
  if (nbChildren(r) != 8) return;
  mEntity* c[8];
  for (int k = 0; k < 8; ++k) c[k] = child(r, k);
  mEntity* rv[4];
  for (int k = 0; k < 4; ++k) rv[k] = r->get(0, k);
  std::vector<mRegion*> inner;
  for (mEntity* t : c) {
    bool touches = false;
    for (int i = 0; i < t->size(0) && !touches; ++i)
      for (mEntity* x : rv) touches = touches || t->get(0, i) == x;
    if (!touches) inner.push_back(static_cast<mRegion*>(t));
  }
  if (inner.size() != 4) {
    // The children do not form the eight-tetrahedron pattern: leave them.
    std::printf("another major error vellon\n");
    return;
  }
  std::vector<mFace*> faces;
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < i; ++j)
      if (mFace* f = static_cast<mRegion*>(c[i])->commonFace(static_cast<mRegion*>(c[j]))) {
        bool known = false;
        for (mFace* x : faces) known = known || x == f;
        if (!known) faces.push_back(f);
      }
  mEdge* diag = inner[0]->commonEdge(inner[1], inner[2]);
  mEntity* registered = diag ? find(diag) : nullptr;
  if (diag && registered != diag) delete diag;  // a template made for the question
  if (!registered) std::printf("Error major vellon\n");
  for (mEntity* t : c) DEL(t);
  for (mFace* f : faces) DEL(f);
  if (registered) DEL(registered);
  r->deleteAdjacencies(3);
}

// ------------------------------------------------------------- hexahedra

mVertex* mMesh::splitHex(mHex* h) {
  if (hasChildren(h)) {
    std::printf("there is something wrong in split hex !!!!\n");
    return nullptr;
  }
  gEntity* g = h->getClassification();
  const mPoint p = centreOf(h);
  bool flagged = false;
  mVertex* X = newVertex(this, h, p, flagged);
  mVertex* V[8];
  for (int k = 0; k < 8; ++k) V[k] = static_cast<mVertex*>(h->get(0, k));
  mVertex* m[12];
  for (int k = 0; k < 12; ++k) m[k] = splitEdge(this, registeredEdge(this, h, k), h);
  mVertex* c[6];
  for (int k = 0; k < 6; ++k) c[k] = splitQuad(registeredFace(this, h, k), h);
  mVertex* cv[8][8] = {{V[0], m[0], c[0], m[3], m[4], c[1], X, c[4]},
                       {m[0], V[1], m[1], c[0], c[1], m[5], c[2], X},
                       {m[4], c[1], X, c[4], V[4], m[8], c[5], m[11]},
                       {c[1], m[5], c[2], X, m[8], V[5], m[9], c[5]},
                       {m[3], c[0], m[2], V[3], c[4], X, c[3], m[7]},
                       {c[0], m[1], V[2], m[2], X, c[2], m[6], c[3]},
                       {c[4], X, c[3], m[7], m[11], c[5], m[10], V[7]},
                       {X, c[2], m[6], c[3], c[5], m[9], V[6], m[10]}};
  for (auto& x : cv) {
    mHex* t = createHexWithVertices(x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7], g);
    completeChild(this, h, t);
  }
  return X;
}

void mMesh::unsplitHex(mHex* h) {
  if (nbChildren(h) != 8) return;
  mRegion* c[8];
  for (int k = 0; k < 8; ++k) c[k] = static_cast<mRegion*>(child(h, k));
  std::vector<mFace*> faces;
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < i; ++j)
      if (mFace* f = c[i]->commonFace(c[j])) {
        bool known = false;
        for (mFace* x : faces) known = known || x == f;
        if (!known) faces.push_back(f);
      }
  std::vector<mEdge*> edges;
  for (std::size_t i = 0; i < faces.size(); ++i)
    for (std::size_t j = 0; j < i; ++j)
      if (mEdge* e = faces[i]->commonEdge(faces[j])) {
        bool known = false;
        for (mEdge* x : edges) known = known || x == e;
        if (!known) edges.push_back(e);
      }
  for (mRegion* t : c) DEL(t);
  for (mFace* f : faces) DEL(f);
  mVertex* centre = edges.size() >= 2 ? commonVertexOf(edges[0], edges[1]) : nullptr;
  for (mEdge* e : edges) DEL(e);
  deleteVertex(this, centre);
  h->deleteAdjacencies(3);
}

}  // namespace KORA
