// The entity base: equality and order, adjacency lists and their template
// fall-backs, orientation of sub-entities, refinement tree, classification
// and the fast-data slot.
#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <set>

#include "entity_helpers.h"
#include "gEntity.h"
#include "mEdge.h"
#include "mFace.h"
#include "mHex.h"
#include "mTet.h"
#include "mVertex.h"

using namespace KORA;
using entity_test::Pool;

namespace {
// A face whose id can be forced, to compare entities with equal keys.
struct KeyedFace : mFace {
  using mFace::mFace;
  void forceId(int i) { iD = i; }
};
struct KeyedTet : mTet {
  using mTet::mTet;
  void forceId(int i) { iD = i; }
};

struct Counted : mAttachableData {
  static int alive;
  Counted() { ++alive; }
  ~Counted() override { --alive; }
};
int Counted::alive = 0;

struct Order {
  bool operator()(mEntity* a, mEntity* b) const { return a->lessthan(b); }
};
}  // namespace

TEST(EntityBase, EqualityAndOrderOfEntities) {
  Pool p;
  mVertex* a = p.vertex(1, 0, 0, 0);
  mVertex* b = p.vertex(2, 1, 0, 0);
  mVertex* c = p.vertex(3, 0, 1, 0);
  mVertex* d = p.vertex(4, 0, 0, 1);

  // Same vertices in another order: same key, equal, not ordered.
  mFace* f1 = p.keep(new mFace(a, b, c, nullptr));
  mFace* f2 = p.keep(new mFace(c, a, b, nullptr));
  EXPECT_EQ(f1->getId(), f2->getId());
  EXPECT_EQ(f1->getId(), a->getRAND() + b->getRAND() + c->getRAND());
  EXPECT_TRUE(f1->equal(f2));
  EXPECT_FALSE(f1->lessthan(f2));
  EXPECT_FALSE(f2->lessthan(f1));

  mEdge* e1 = p.keep(new mEdge(a, b, nullptr));
  mEdge* e2 = p.keep(new mEdge(b, a, nullptr));
  EXPECT_TRUE(e1->equal(e2));
  EXPECT_FALSE(e1->lessthan(e2) || e2->lessthan(e1));

  // Equal keys forced on different levels or different vertex sets.
  KeyedFace* kf = p.keep(new KeyedFace(a, b, d, nullptr));
  KeyedTet* kt = p.keep(new KeyedTet(a, b, c, d, nullptr));
  kf->forceId(12345);
  kt->forceId(12345);
  EXPECT_FALSE(kf->equal(kt));
  EXPECT_TRUE(kf->lessthan(kt));
  EXPECT_FALSE(kt->lessthan(kf));
  KeyedFace* kg = p.keep(new KeyedFace(a, c, d, nullptr));
  kg->forceId(12345);
  EXPECT_FALSE(kf->equal(kg));
  EXPECT_NE(kf->lessthan(kg), kg->lessthan(kf));  // exactly one way

  // Level first: every edge before every face before every region.
  std::vector<mEntity*> all = {kt, f1, e1, kf, a};
  for (mEntity* x : all)
    for (mEntity* y : all)
      if (x->getLevel() < y->getLevel()) {
        EXPECT_TRUE(x->lessthan(y));
        EXPECT_FALSE(y->lessthan(x));
      }
}

TEST(EntityBase, SizesGetAndTheirFallBacks) {
  Pool p;
  mVertex* a = p.vertex(1, 0, 0, 0);
  mVertex* b = p.vertex(2, 1, 0, 0);
  mVertex* c = p.vertex(3, 1, 1, 0);
  mVertex* d = p.vertex(4, 0, 1, 0);
  mEdge* ab = p.keep(new mEdge(a, b, nullptr));
  mEdge* bc = p.keep(new mEdge(b, c, nullptr));
  mEdge* cd = p.keep(new mEdge(c, d, nullptr));
  mEdge* da = p.keep(new mEdge(d, a, nullptr));
  mFace* q = p.keep(new mFace(ab, bc, cd, da, nullptr));

  EXPECT_EQ(a->size(0), 0);
  EXPECT_EQ(q->size(0), 4);  // template count, no stored list
  EXPECT_FALSE(q->isAdjacencyCreated(0));
  EXPECT_EQ(q->size(1), 4);
  EXPECT_EQ(q->size(3), 0);
  EXPECT_EQ(q->get(0, 2), c);
  EXPECT_EQ(ab->size(2), 0);

  std::string out = entity_test::expectMException([&] { a->get(0, 0); }, "src/mEntity");
  EXPECT_NE(out.find("TEXT : no template in mEntity base class\n"), std::string::npos);
  out = entity_test::expectMException([&] { ab->begin(2); }, "src/mEntity");
  EXPECT_NE(out.find("TEXT : Adjacencies Not Created\n"), std::string::npos);
  entity_test::expectMException([&] { ab->end(3); }, "src/mEntity");
  entity_test::expectMException([&] { a->getNbTemplates(0); }, "src/mEntity");
  entity_test::expectMException([&] { ab->getTemplate(0, 0, 0); }, "src/mEntity");

  // Walking a stored list.
  std::vector<mEntity*> walked(q->begin(1), q->end(1));
  EXPECT_EQ(walked, (std::vector<mEntity*>{ab, bc, cd, da}));
}

TEST(EntityBase, AddUniqueFindDelete) {
  Pool p;
  mVertex* a = p.vertex(1, 0, 0, 0);
  mVertex* b = p.vertex(2, 1, 0, 0);
  mVertex* c = p.vertex(3, 0, 1, 0);
  mEdge* e = p.keep(new mEdge(a, b, nullptr));
  mEdge* f = p.keep(new mEdge(a, c, nullptr));

  EXPECT_EQ(a->find(e), nullptr);  // no list yet
  a->del(e);                       // nothing to remove from
  EXPECT_FALSE(a->isAdjacencyCreated(1));
  a->add(e);
  a->add(e);
  a->add(f);
  EXPECT_EQ(a->size(1), 3);
  a->appendUnique(f);
  EXPECT_EQ(a->size(1), 3);
  b->appendUnique(e);
  b->appendUnique(e);
  EXPECT_EQ(b->size(1), 1);
  EXPECT_EQ(a->find(f), f);
  a->del(e);
  EXPECT_EQ(a->size(1), 1);
  EXPECT_EQ(a->get(1, 0), f);
  EXPECT_EQ(a->find(e), nullptr);
  a->del(f);
  EXPECT_TRUE(a->isAdjacencyCreated(1));  // an empty list is still a list
  EXPECT_EQ(a->size(1), 0);
  a->deleteAdjacencies(1);
  EXPECT_FALSE(a->isAdjacencyCreated(1));
  a->deleteAdjacencies(1);
  EXPECT_EQ(e->find(a), a);  // the edge's own vertex list

  // A list grows beyond its first room and keeps its order.
  std::vector<mEdge*> many;
  for (int k = 0; k < 40; ++k) {
    many.push_back(p.keep(new mEdge(a, p.vertex(100 + k, k, 1, 0), nullptr)));
    a->add(many.back());
  }
  ASSERT_EQ(a->size(1), 40);
  for (int k = 0; k < 40; ++k) EXPECT_EQ(a->get(1, k), many[k]);
  mAdjacencyContainer copy(*a->getAdjacencyList(1));
  EXPECT_EQ(copy.size(), 40);
  EXPECT_EQ(copy.capacity(), 40);
  EXPECT_EQ(copy[39], many[39]);
}

TEST(EntityBase, UseOfAnEdgeOnATriangle) {
  Pool p;
  mVertex* P = p.vertex(1, 0, 0, 0);
  mVertex* Q = p.vertex(2, 1, 0, 0);
  mVertex* R = p.vertex(3, 0, 1, 0);
  mVertex* S = p.vertex(4, 1, 1, 0);
  mFace* t = p.keep(new mFace(P, Q, R, nullptr));
  struct Case {
    mVertex *a, *b;
    int use;
  } cases[] = {{Q, R, 1}, {R, Q, 0}, {P, Q, 1}, {Q, P, 0}, {R, P, 1}, {P, R, 0}};
  for (const Case& c : cases) {
    mEdge e(c.a, c.b, nullptr);
    EXPECT_EQ(t->getUse(&e), c.use);
  }
  mEdge off(Q, S, nullptr);
  EXPECT_EQ(entity_test::thrownInt([&] { t->getUse(&off); }), 1);
}

TEST(EntityBase, UseOfATetFaceMeansOutwardNormal) {
  Pool p;
  mVertex* v[4] = {p.vertex(1, 0, 0, 0), p.vertex(2, 2, 0, 0), p.vertex(3, 0, 1.5, 0), p.vertex(4, 0.3, 0.2, 1)};
  mTet* t = p.keep(new mTet(v[0], v[1], v[2], v[3], nullptr));
  mPoint centre;
  for (int k = 0; k < 4; ++k) centre += static_cast<mVertex*>(t->get(0, k))->point() * 0.25;
  // Store the faces with assorted vertex orders.
  const int perm[6][3] = {{0, 1, 2}, {1, 2, 0}, {2, 1, 0}, {0, 2, 1}, {1, 0, 2}, {2, 0, 1}};
  for (int trial = 0; trial < 6; ++trial) {
    mTet* tt = p.keep(new mTet(v[0], v[1], v[2], v[3], nullptr));
    for (int i = 0; i < 4; ++i) {
      mVertex* fv[3];
      for (int k = 0; k < 3; ++k) fv[k] = static_cast<mVertex*>(tt->get(0, mTet::Tfv[i][perm[(trial + i) % 6][k]]));
      tt->add(p.keep(new mFace(fv[0], fv[1], fv[2], nullptr)));
    }
    for (int i = 0; i < 4; ++i) {
      mFace* f = static_cast<mFace*>(tt->get(2, i));
      const mPoint x0 = static_cast<mVertex*>(f->get(0, 0))->point();
      const mPoint x1 = static_cast<mVertex*>(f->get(0, 1))->point();
      const mPoint x2 = static_cast<mVertex*>(f->get(0, 2))->point();
      const mVector n = (x1 - x0) % (x2 - x0);
      const bool outward = n * (x0 - centre) > 0;
      EXPECT_EQ(tt->getUse(f), outward ? 1 : 0) << "trial " << trial << " face " << i;
    }
  }
  // A face the tet does not store is refused.
  mFace stray(v[0], v[1], v[2], nullptr);
  EXPECT_EQ(entity_test::thrownInt([&] { t->getUse(&stray); }), 1);
}

TEST(EntityBase, UseBeyondTheTetFaceTableIsRefused) {
  Pool p;
  mVertex* v[8];
  for (int k = 0; k < 8; ++k) v[k] = p.vertex(k + 1, k & 1 ? 1 : 0, k & 2 ? 1 : 0, k & 4 ? 1 : 0);
  mHex* h = p.keep(new mHex(v[0], v[1], v[3], v[2], v[4], v[5], v[7], v[6], nullptr));
  for (int i = 0; i < 6; ++i) h->add(p.keep(static_cast<mFace*>(h->getTemplate(i, 2, 0))));
  for (int i = 0; i < 4; ++i) {
    const int u = h->getUse(static_cast<mFace*>(h->get(2, i)));
    EXPECT_TRUE(u == 0 || u == 1);
  }
  for (int i = 4; i < 6; ++i)
    EXPECT_EQ(entity_test::thrownInt([&] { h->getUse(h->get(2, i)); }), 1) << "face " << i;
}

TEST(EntityBase, RefinementTreeParentsAndClassification) {
  Pool p;
  mVertex* a = p.vertex(1, 0, 0, 0);
  mVertex* b = p.vertex(2, 2, 0, 0);
  mVertex* c = p.vertex(3, 0, 2, 0);
  mVertex* ab = p.vertex(4, 1, 0, 0);
  mVertex* bc = p.vertex(5, 1, 1, 0);
  mVertex* ca = p.vertex(6, 0, 1, 0);
  mFace* top = p.keep(new mFace(a, b, c, nullptr));
  mFace* kids[4] = {p.keep(new mFace(a, ab, ca, nullptr)), p.keep(new mFace(ab, b, bc, nullptr)),
                    p.keep(new mFace(ca, bc, c, nullptr)), p.keep(new mFace(ab, bc, ca, nullptr))};

  std::list<mEntity*> leaves;
  top->getLeaves(leaves);
  EXPECT_EQ(leaves, std::list<mEntity*>{top});

  for (mFace* k : kids) {
    top->add(k);
    k->setParent(top);
  }
  leaves.clear();
  top->getLeaves(leaves);
  EXPECT_EQ(leaves, (std::list<mEntity*>{kids[0], kids[1], kids[2], kids[3]}));
  std::list<mEntity*> all;
  top->getAllSubTree(all);
  EXPECT_EQ(all, (std::list<mEntity*>{top, kids[0], kids[1], kids[2], kids[3]}));

  // One more level under the last child.
  mFace* grand = p.keep(new mFace(ab, bc, ca, nullptr));
  kids[3]->add(grand);
  grand->setParent(kids[3]);
  leaves.clear();
  top->getLeaves(leaves);
  EXPECT_EQ(leaves, (std::list<mEntity*>{kids[0], kids[1], kids[2], grand}));
  EXPECT_EQ(grand->root(), top);
  EXPECT_EQ(top->root(), top);
  EXPECT_EQ(top->parent(), nullptr);

  gEntity g;
  grand->classify(&g);
  EXPECT_EQ(grand->getClassification(), &g);
  EXPECT_EQ(kids[3]->getClassification(), &g);
  EXPECT_EQ(top->getClassification(), &g);
  EXPECT_EQ(kids[0]->getClassification(), nullptr);

  // setParent twice keeps one attachment with the last parent.
  const int before = grand->nbAttachedData();
  grand->setParent(kids[0]);
  EXPECT_EQ(grand->nbAttachedData(), before);
  EXPECT_EQ(grand->parent(), kids[0]);
  grand->deleteParent();
  EXPECT_EQ(grand->parent(), nullptr);
  EXPECT_EQ(grand->root(), grand);
  grand->deleteParent();
}

TEST(EntityBase, FastDataSlotOwnsItsObject) {
  Pool p;
  mVertex* a = p.vertex(1, 0, 0, 0);
  Counted::alive = 0;
  a->deleteFastData();  // empty: nothing happens
  Counted* c1 = new Counted;
  a->attachFastData(c1);
  a->attachFastData(c1);  // the same object again stays
  EXPECT_EQ(a->getFastData(), c1);
  EXPECT_EQ(Counted::alive, 1);
  Counted* c2 = new Counted;
  a->attachFastData(c2);
  EXPECT_EQ(Counted::alive, 1);
  EXPECT_EQ(a->getFastData(), c2);
  a->deleteFastData();
  EXPECT_EQ(Counted::alive, 0);
  EXPECT_EQ(a->getFastData(), nullptr);

  a->setElementType(mEntity::TET);
  a->setElementDim(3);
  EXPECT_EQ(a->getElementType(), mEntity::TET);
  EXPECT_EQ(a->getElementDim(), 3);
}

TEST(EntityBase, UpwardCollectionThroughIntermediateLists) {
  Pool p;
  mVertex* v[5] = {p.vertex(1, 0, 0, 0), p.vertex(2, 1, 0, 0), p.vertex(3, 0, 1, 0), p.vertex(4, 0, 0, 1),
                   p.vertex(5, 0, 0, -1)};
  mTet* t1 = p.keep(new mTet(v[0], v[1], v[2], v[3], nullptr));
  mTet* t2 = p.keep(new mTet(v[0], v[2], v[1], v[4], nullptr));
  mEdge* e01 = p.keep(new mEdge(v[0], v[1], nullptr));
  mEdge* e03 = p.keep(new mEdge(v[0], v[3], nullptr));
  // Edges keep their regions; the vertex keeps only its edges.
  e01->add(t1);
  e01->add(t2);
  e03->add(t1);
  v[0]->add(e01);
  v[0]->add(e03);
  mAdjacencyContainer out;
  v[0]->getHigherOrderUpward(3, out);
  ASSERT_EQ(out.size(), 2);
  EXPECT_EQ(out[0], t1);
  EXPECT_EQ(out[1], t2);

  // Edges with only face lists: the faces' regions are reached.
  mFace* f = p.keep(new mFace(v[0], v[1], v[2], nullptr));
  f->add(t1);
  f->add(t2);
  mEdge* e12 = p.keep(new mEdge(v[1], v[2], nullptr));
  e12->add(f);
  v[1]->add(e12);
  mAdjacencyContainer out2;
  v[1]->getHigherOrderUpward(3, out2);
  EXPECT_EQ(out2.size(), 2);

  mAdjacencyContainer none;
  v[4]->getHigherOrderUpward(3, none);
  EXPECT_EQ(none.size(), 0);
}

TEST(EntityBase, AllEntitiesOfAllDimensions) {
  Pool p;
  mVertex* v[4] = {p.vertex(1, 0, 0, 0), p.vertex(2, 1, 0, 0), p.vertex(3, 0, 1, 0), p.vertex(4, 0, 0, 1)};
  mTet* t = p.keep(new mTet(v[0], v[1], v[2], v[3], nullptr));
  for (int i = 0; i < 6; ++i) t->add(p.keep(t->getTemplate(i, 1, 0)));
  for (int i = 0; i < 4; ++i) t->add(p.keep(t->getTemplate(i, 2, 0)));
  std::set<mEntity*> s;
  t->getAllEntitiesOfAllDimensions(s);
  EXPECT_EQ(s.size(), 1u + 6u + 4u + 4u);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(s.count(v[k]), 1u);
  std::set<mEntity*, Order> ordered;
  t->getAllEntitiesOfAllDimensions(ordered);
  EXPECT_EQ(ordered.size(), 15u);
  EXPECT_EQ((*ordered.begin())->getLevel(), 0);
  EXPECT_EQ((*ordered.rbegin())->getLevel(), 3);

  // An edge asked directly gives itself, not its vertices.
  std::set<mEntity*> se;
  t->get(1, 0)->getAllEntitiesOfAllDimensions(se);
  EXPECT_EQ(se.size(), 1u);
}

TEST(EntityBase, FaceFromAReadyListJoinsTheUpwardLists) {
  Pool p;
  mVertex* a = p.vertex(1, 0, 0, 0);
  mVertex* b = p.vertex(2, 1, 0, 0);
  mVertex* c = p.vertex(3, 0, 1, 0);
  mFace* other = p.keep(new mFace(a, b, c, nullptr));
  a->add(other);  // a keeps a face list, b and c do not
  mAdjacencyContainer subs;
  subs.add(a);
  subs.add(b);
  subs.add(c);
  mFace* f = p.keep(new mFace(&subs, nullptr));
  EXPECT_EQ(f->getType(), mEntity::TRI);
  EXPECT_EQ(f->getId(), other->getId());
  EXPECT_EQ(f->size(0), 3);
  EXPECT_EQ(a->size(2), 2);
  EXPECT_EQ(a->get(2, 1), f);
  EXPECT_FALSE(b->isAdjacencyCreated(2));
}
