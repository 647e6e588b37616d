// Vertices (points, ids, pseudo-random keys) and edges (ids, equality,
// shared vertices, output).
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "entity_helpers.h"
#include "mEdge.h"
#include "mIdGenerator.h"
#include "mVertex.h"

using namespace KORA;
using entity_test::Pool;

namespace {
// The key of an id as the runtime generator defines it.
int runtimeKey(int id) {
  std::srand((unsigned)id);
  return std::abs(std::rand()) % 100000000;
}
}  // namespace

TEST(EntityVertex, KeysComeFromTheSeededGenerator) {
  Pool p;
  for (int id : {1, 2, 7, 1000, 123456789}) {
    mVertex* v = p.vertex(id, 0, 0, 0);
    const int expected = runtimeKey(id);
    const int k = v->getRAND();
    EXPECT_EQ(k, expected);
    EXPECT_GE(k, 0);
    EXPECT_LE(k, 99999999);
  }
  // The key is kept: a second call does not seed the generator again.
  mVertex* v = p.vertex(42, 0, 0, 0);
  const int k = v->getRAND();
  std::srand(999);
  const int first = std::rand();
  std::srand(999);
  std::rand();
  EXPECT_EQ(v->getRAND(), k);
  const int second = std::rand();
  std::srand(999);
  std::rand();
  EXPECT_EQ(second, std::rand());
  (void)first;

  // Same id, same key; setId gives the key of the new id at once.
  mVertex* w = p.vertex(42, 5, 5, 5);
  EXPECT_EQ(w->getRAND(), k);
  w->setId(7);
  EXPECT_EQ(w->getId(), 7);
  EXPECT_EQ(w->getRAND(), p.vertex(7, 0, 0, 0)->getRAND());
}

TEST(EntityVertex, QuietKeysMatchTheSeededGeneratorAndLeaveItsSequenceAlone) {
  // Ids at the edges of the seeding arithmetic: 0 (seeded as 1), the modulus
  // 2^31 - 1 and beyond, and negative ids, whose seeds are 2^31 and up.
  const int ids[] = {0,         1,       2,        7,       127773,  127774,     99999999,
                     123456789, INT_MAX - 1, INT_MAX, -1,      -5,      -127773, INT_MIN};
  for (int id : ids) EXPECT_EQ(mVertex::quietKeyOf(id), runtimeKey(id)) << id;
  for (int id = 1; id < 200000; id += 997) EXPECT_EQ(mVertex::quietKeyOf(id), runtimeKey(id)) << id;

  // A running sequence goes on as if no key had been computed.
  std::srand(2024);
  const int a = std::rand();
  const int b = std::rand();
  std::srand(2024);
  EXPECT_EQ(std::rand(), a);
  for (int id : ids) (void)mVertex::quietKeyOf(id);
  EXPECT_EQ(std::rand(), b);

  // seedGeneratorAsKeyOf leaves the generator as a key computation does.
  mVertex::seedGeneratorAsKeyOf(31);
  const int afterQuiet = std::rand();
  (void)runtimeKey(31);
  EXPECT_EQ(std::rand(), afterQuiet);

  // computeKeyQuietly stores the key getRAND would give.
  Pool p;
  mVertex* v = p.vertex(5150, 0, 0, 0);
  v->computeKeyQuietly();
  EXPECT_TRUE(v->keyComputed());
  EXPECT_EQ(v->getRAND(), runtimeKey(5150));
}

TEST(EntityVertex, PositionMovesWithoutChangingIdentity) {
  Pool p;
  mVertex* v = p.vertex(9, 1, 2, 3);
  const int k = v->getRAND();
  v->move(mPoint(-1, 0.5, 8));
  EXPECT_EQ(v->point()(0), -1);
  EXPECT_EQ(v->point()(2), 8);
  EXPECT_EQ(v->getId(), 9);
  EXPECT_EQ(v->getRAND(), k);
  (*v->ppoint())(1) = 4;
  EXPECT_EQ(v->point()(1), 4);
  EXPECT_EQ(v->getLevel(), 0);
  EXPECT_EQ(v->getType(), mEntity::VERTEX);
  EXPECT_EQ(entity_test::captured([&] { v->print(); }), "vertex 9 = (-1.000000,4.000000,8.000000)\n");

  mIdGenerator gen;
  gen.setMaxValue(20);
  mVertex fromGen(gen, mPoint(), nullptr);
  EXPECT_EQ(fromGen.getId(), 21);
  fromGen.deleteId(gen);
  EXPECT_EQ(fromGen.getId(), 0);
  EXPECT_EQ(gen.generateId(), 22);
}

TEST(EntityVertex, LexicographicOrderWithTolerance) {
  Pool p;
  VertexLexicographicLessThan less(0.1);
  struct Case {
    double a[3], b[3];
    bool ab, ba;
  } cases[] = {
      {{0, 0, 0}, {0.05, 1, 0}, true, false},      // x equal within t, y decides
      {{0, 0, 0}, {0.05, 0.05, 0.05}, false, false},  // not ordered either way
      {{0, 5, 5}, {1, 0, 0}, true, false},         // x decides
      {{0, 0, 0}, {0, 0.05, 0.5}, true, false},    // z decides
  };
  for (const Case& c : cases) {
    mVertex* a = p.vertex(1, c.a[0], c.a[1], c.a[2]);
    mVertex* b = p.vertex(2, c.b[0], c.b[1], c.b[2]);
    EXPECT_EQ(less(a, b), c.ab);
    EXPECT_EQ(less(b, a), c.ba);
  }
}

TEST(EntityEdge, IdsEqualityAndSharedVertices) {
  Pool p;
  mVertex* a = p.vertex(1, 0, 0, 0);
  mVertex* b = p.vertex(2, 1, 0, 0);
  mVertex* c = p.vertex(3, 0, 1, 0);
  mVertex* d = p.vertex(4, 1, 1, 0);
  mEdge ab(a, b, nullptr), ba(b, a, nullptr), ac(a, c, nullptr), cd(c, d, nullptr), ca(c, a, nullptr);
  EXPECT_EQ(ab.getId(), a->getRAND() + b->getRAND());
  EXPECT_EQ(ab.getId(), ba.getId());
  EXPECT_TRUE(ab.equal(&ba));
  EXPECT_FALSE(ab.equal(&ac));
  EXPECT_EQ(ab.vertex(0), a);
  EXPECT_EQ(ab.vertex(1), b);
  EXPECT_EQ(ab.getNbTemplates(0), 2);
  EXPECT_EQ(ab.getNbTemplates(1), 0);
  EXPECT_EQ(ab.getType(), mEntity::EDGE);
  EXPECT_EQ(ab.getLevel(), 1);

  struct Case {
    mEdge *x, *y;
    mVertex* common;
  } cases[] = {
      {&ab, &ac, a}, {&ab, &ca, a}, {&ac, &cd, c}, {&ab, &cd, nullptr}, {&ab, &ab, a}, {&ab, &ba, a},
  };
  for (const Case& k : cases) EXPECT_EQ(k.x->commonVertex(k.y), k.common);

  mEdge probe(nullptr, nullptr, nullptr);
  EXPECT_EQ(probe.getId(), 0);
  probe.setVertices(c, d);
  EXPECT_EQ(probe.getId(), c->getRAND() + d->getRAND());
  EXPECT_TRUE(probe.equal(&cd));
  EXPECT_EQ(probe.size(0), 2);
}

TEST(EntityEdge, PrintTellsWhetherTheEdgeIsSplit) {
  Pool p;
  mVertex* a = p.vertex(5, 0, 0, 0);
  mVertex* b = p.vertex(6, 1, 0, 0);
  mVertex* m = p.vertex(7, 0.5, 0, 0);
  mEdge e(a, b, nullptr);
  char expected[128];
  std::snprintf(expected, sizeof(expected), "edge %p with vertices 5 6 (0)\n", (void*)&e);
  EXPECT_EQ(entity_test::captured([&] { e.print(); }), expected);
  mEdge half(a, m, nullptr);
  e.add(&half);
  std::snprintf(expected, sizeof(expected), "edge %p with vertices 5 6 (1)\n", (void*)&e);
  EXPECT_EQ(entity_test::captured([&] { e.print(); }), expected);
}
