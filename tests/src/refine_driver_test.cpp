// The refine-then-coarsen driver, its serials, its notifications, the data
// exchangers of a single process and the periodic links.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <list>
#include <set>
#include <string>
#include <vector>

#include "KORA_DataExchanger.h"
#include "KORA_OwnerManager.h"
#include "files_helpers.h"
#include "mEdge.h"
#include "mFace.h"
#include "mHex.h"
#include "mRefinement.h"
#include "mTet.h"

namespace {

using namespace KORA;
using namespace filestest;

// Small meshes of each element kind, with all adjacencies the solver builds.
struct Shape {
  const char* name;
  std::function<void(mMesh&)> build;
  int childrenPerSplit;
};

void twoTriangles(mMesh& m) {
  gEntity* g = m.getGEntity(1, 2);
  gEntity* b = m.getGEntity(2, 1);
  const double p[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int i = 0; i < 4; ++i) m.createVertex(i + 1, p[i][0], p[i][1], 0, b);
  m.createFaceWithVertices(1, 2, 3, g);
  m.createFaceWithVertices(1, 3, 4, g);
  m.modifyState(2, 1, true, 0);
  m.modifyState(1, 2, true, 0);
  m.modifyState(0, 1, true, 0);
}

void twoQuads(mMesh& m) {
  gEntity* g = m.getGEntity(1, 2);
  const double p[6][2] = {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {1, 1}, {0, 1}};
  for (int i = 0; i < 6; ++i) m.createVertex(i + 1, p[i][0], p[i][1], 0, g);
  m.createFaceWithVertices(1, 2, 5, 6, g);
  m.createFaceWithVertices(2, 3, 4, 5, g);
  m.modifyState(2, 1, true, 0);
  m.modifyState(1, 2, true, 0);
}

void twoTets(mMesh& m) {
  gEntity* g = m.getGEntity(1, 3);
  const double p[5][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}};
  for (int i = 0; i < 5; ++i) m.createVertex(i + 1, p[i][0], p[i][1], p[i][2], g);
  m.createTetWithVertices(1, 2, 3, 4, g);
  m.createTetWithVertices(2, 3, 4, 5, g);
  m.modifyState(3, 2, true, 0);
  m.modifyState(2, 1, true, 0);
  m.modifyState(2, 3, true, 0);
  m.modifyState(1, 2, true, 0);
}

void oneHex(mMesh& m) {
  gEntity* g = m.getGEntity(1, 3);
  for (int i = 0; i < 8; ++i)
    m.createVertex(i + 1, (i == 1 || i == 2 || i == 5 || i == 6), (i % 4 >= 2), i >= 4, g);
  m.createHexWithVertices(1, 2, 3, 4, 5, 6, 7, 8, g);
  m.modifyState(3, 2, true, 0);
  m.modifyState(2, 1, true, 0);
}

const std::vector<Shape>& shapes() {
  static const std::vector<Shape> s = {{"triangles", twoTriangles, 4},
                                       {"quadrilaterals", twoQuads, 4},
                                       {"tetrahedra", twoTets, 8},
                                       {"hexahedron", oneHex, 8}};
  return s;
}

double measure(mEntity* e) {
  auto p = [&](int i) { return static_cast<mVertex*>(e->get(0, i))->point(); };
  switch (e->getType()) {
    case mEntity::TRI: {
      const mPoint a = p(0), b = p(1), c = p(2);
      return 0.5 * std::abs((b(0) - a(0)) * (c(1) - a(1)) - (b(1) - a(1)) * (c(0) - a(0)));
    }
    case mEntity::QUAD: {
      double s = 0;
      for (int i = 0; i < 4; ++i) s += p(i)(0) * p((i + 1) % 4)(1) - p((i + 1) % 4)(0) * p(i)(1);
      return 0.5 * std::abs(s);
    }
    case mEntity::TET: return std::abs(Volume(static_cast<mTet*>(e)));
    default: {
      // Axis-aligned boxes only.
      double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
      for (int i = 0; i < 8; ++i)
        for (int k = 0; k < 3; ++k) {
          lo[k] = std::min(lo[k], p(i)(k));
          hi[k] = std::max(hi[k], p(i)(k));
        }
      return (hi[0] - lo[0]) * (hi[1] - lo[1]) * (hi[2] - lo[2]);
    }
  }
}

double leafMeasure(mMesh& m) {
  const int d = m.getDim();
  double s = 0;
  for (auto it = m.begin(d), last = m.end(d); it != last; ++it) s += measure(*it);
  return s;
}

TEST(RefineDriver, RefineToALevelAndCoarsenBackToTheOriginalMesh) {
  for (const Shape& shape : shapes()) {
    mMesh m(1);
    shape.build(m);
    const int d = m.getDim();
    const std::multiset<std::string> original = describe(m);
    const int roots = m.size(d);
    const double total = leafMeasure(m);
    for (int levels : {1, 2}) {
      ScriptedCallback refine([&](mEntity* e) { return m.getRefinementLevel(e) < levels ? 1 : 0; });
      m.refunref(refine);
      int expectedLeaves = roots;
      for (int l = 0; l < levels; ++l) expectedLeaves *= shape.childrenPerSplit;
      EXPECT_EQ(countLeaves(m, d), expectedLeaves) << shape.name << " " << levels;
      EXPECT_NEAR(leafMeasure(m), total, 1e-13) << shape.name;
      for (auto it = m.begin(d), last = m.end(d); it != last; ++it)
        EXPECT_EQ(m.getRefinementLevel(*it), levels) << shape.name;
      EXPECT_FALSE(anyRefinementMark(m)) << shape.name;
      // Everything split was announced once; only elements are asked.
      std::set<mEntity*> announced(refine.split.begin(), refine.split.end());
      EXPECT_EQ(announced.size(), refine.split.size()) << shape.name;

      ScriptedCallback coarsen([](mEntity*) { return -1; });
      m.refunref(coarsen);
      EXPECT_EQ(describe(m), original) << shape.name << " " << levels;
      EXPECT_FALSE(anyRefinementMark(m)) << shape.name;
      EXPECT_GT(coarsen.unsplitCount, 0) << shape.name;
    }
  }
}

TEST(RefineDriver, RefiningOneElementOnlyAlsoCoarsensBack) {
  for (const Shape& shape : shapes()) {
    mMesh m(1);
    shape.build(m);
    const int d = m.getDim();
    const std::multiset<std::string> original = describe(m);
    mEntity* chosen = *m.beginall(d);
    const double total = leafMeasure(m);
    // Two levels below one root; its neighbours keep split edges and faces.
    ScriptedCallback refine([&](mEntity* e) {
      return e->root() == chosen && m.getRefinementLevel(e) < 2 ? 1 : 0;
    });
    m.refunref(refine);
    const int others = m.size(d) - 1 - shape.childrenPerSplit * (1 + shape.childrenPerSplit);
    EXPECT_EQ(countLeaves(m, d), others + shape.childrenPerSplit * shape.childrenPerSplit)
        << shape.name;
    EXPECT_NEAR(leafMeasure(m), total, 1e-13) << shape.name;
    ScriptedCallback coarsen([](mEntity*) { return -1; });
    m.refunref(coarsen);
    EXPECT_EQ(describe(m), original) << shape.name;
    EXPECT_FALSE(anyRefinementMark(m)) << shape.name;
  }
}

TEST(RefineDriver, SweepsAddOneLevelEachAndCoarseningRemovesTheFinestFirst) {
  mMesh m(1);
  twoTriangles(m);
  int sweeps = 0;
  ScriptedCallback refine([&](mEntity* e) { return m.getRefinementLevel(e) < 3 ? 1 : 0; });
  // Count the sweeps that split something through the split notifications.
  m.refunref(refine);
  std::set<int> levelsSplit;
  for (mEntity* e : refine.split) levelsSplit.insert(m.getRefinementLevel(e));
  sweeps = static_cast<int>(levelsSplit.size());
  EXPECT_EQ(sweeps, 3);
  EXPECT_EQ(countLeaves(m, 2), 2 * 64);
  // Depth and level of the tree.
  mEntity* root = nullptr;
  for (auto it = m.beginall(2), last = m.endall(2); it != last; ++it)
    if (!(*it)->parent()) root = *it;
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(m.getRefinementDepth(root), 3);
  mEntity* leaf = root;
  while (leaf->getAdjacencyList(2)) leaf = leaf->get(2, 0);
  EXPECT_EQ(m.getRefinementDepth(leaf), 0);
  EXPECT_EQ(m.getRefinementDepth(leaf->parent()), 1);
  EXPECT_EQ(m.getRefinementLevel(leaf), 3);

  // Coarsen only what is finer than level 1: two sweeps.
  ScriptedCallback coarsen([&](mEntity* e) { return m.getRefinementLevel(e) >= 1 ? -1 : 0; });
  m.refunref(coarsen);
  EXPECT_EQ(countLeaves(m, 2), 2 * 4);
  EXPECT_EQ(m.getRefinementDepth(root), 1);
  // Halves left without a user are gone: the mesh equals a fresh one-level mesh.
  mMesh fresh(1);
  twoTriangles(fresh);
  ScriptedCallback once([&](mEntity* e) { return fresh.getRefinementLevel(e) < 1 ? 1 : 0; });
  fresh.refunref(once);
  EXPECT_EQ(m.size(0), fresh.size(0));
  EXPECT_EQ(m.size(1), fresh.size(1));
  EXPECT_EQ(m.size(2), fresh.size(2));
}

TEST(RefineDriver, KeepEverywhereChangesNothing) {
  mMesh m(1);
  twoTets(m);
  const std::multiset<std::string> before = describe(m);
  ScriptedCallback keep([](mEntity*) { return 0; });
  m.refunref(keep);
  EXPECT_EQ(describe(m), before);
  EXPECT_TRUE(keep.split.empty());
  EXPECT_EQ(keep.unsplitCount, 0);
  EXPECT_EQ(keep.asked, 2);  // the two leaves; no entity has depth 1
  std::list<mEntity*> none;
  EXPECT_EQ(m.split(none, keep), 0);
  // A leaf answering -1 is not asked while coarsening, so nothing is merged.
  ScriptedCallback merge([](mEntity*) { return -1; });
  m.refunref(merge);
  EXPECT_EQ(describe(m), before);
}

TEST(RefineDriver, PrismsAreAnnouncedButNeverSplit) {
  mMesh m(1);
  gEntity* g = m.getGEntity(1, 3);
  const double p[6][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {0, 1, 1}};
  for (int i = 0; i < 6; ++i) m.createVertex(i + 1, p[i][0], p[i][1], p[i][2], g);
  m.createPrismWithVertices(1, 2, 3, 4, 5, 6, g);
  m.modifyState(3, 2, true, 0);
  const std::multiset<std::string> before = describe(m);
  // Always asking for a split must not make the sweeps run forever.
  ScriptedCallback always([](mEntity*) { return 1; });
  m.refunref(always);
  EXPECT_EQ(describe(m), before);
  EXPECT_EQ(always.split.size(), 1u);
}

TEST(RefineDriver, CleanupWithoutCallbackDeletesWhatNoElementUses) {
  mMesh m(1);
  twoTriangles(m);
  gEntity* g = m.getGEntity(1, 2);
  m.createVertex(50, 5, 5, 0, g);
  m.createVertex(51, 6, 5, 0, g);
  m.createEdge(50, 51, g);
  m.cleanup(2);
  EXPECT_EQ(m.getVertex(50), nullptr);
  EXPECT_EQ(m.getVertex(51), nullptr);
  EXPECT_EQ(m.size(1), 5);
  EXPECT_EQ(m.size(0), 4);
  EXPECT_FALSE(anyRefinementMark(m));
}

TEST(RefineDriver, SerialsStartAboveTheLargestVertexId) {
  mMesh m(1);
  gEntity* g = m.getGEntity(1, 2);
  m.createVertex(98, 0, 0, 0, g);
  m.createVertex(99, 1, 0, 0, g);
  m.createVertex(100, 0, 1, 0, g);
  mEntity* t = m.createFaceWithVertices(98, 99, 100, g);
  m.modifyState(2, 1, true, 0);
  ScriptedCallback cb([](mEntity*) { return 0; });
  std::list<mEntity*> l{t};
  EXPECT_EQ(m.split(l, cb), 1);
  // Edges are renumbered first (101..103), the triangle after them.
  std::set<int> ids;
  for (auto it = m.beginall(0), last = m.endall(0); it != last; ++it) ids.insert((*it)->getId());
  EXPECT_EQ(ids, (std::set<int>{98, 99, 100, 101, 102, 103}));
  ASSERT_EQ(cb.split.size(), 1u);
  EXPECT_EQ(cb.split[0], t);
  EXPECT_FALSE(anyRefinementMark(m));
}

TEST(RefineDriver, CoarseningAnnouncesElementsThenUnusedEdges) {
  mMesh m(1);
  twoTriangles(m);
  ScriptedCallback refine([&](mEntity* e) { return m.getRefinementLevel(e) < 1 ? 1 : 0; });
  m.refunref(refine);
  ScriptedCallback coarsen([](mEntity*) { return -1; });
  m.refunref(coarsen);
  // Two triangles, then the five edges that only their children used.
  std::multiset<int> levels(coarsen.unsplitLevels.begin(), coarsen.unsplitLevels.end());
  EXPECT_EQ(levels.count(2), 2u);
  EXPECT_EQ(levels.count(1), 5u);
  EXPECT_EQ(coarsen.unsplitLevels.front(), 2);
}

// An exchanger that counts the calls it gets.
class CountingExchanger : public KORA_DataExchanger {
 public:
  int tag() const override {
    ++calls;
    return 1;
  }
  void* AP_alloc_and_fill_buffer(mEntity*, KORA_SharedInfo&, int) override {
    ++calls;
    return nullptr;
  }
  void receiveData(int, void*) override { ++calls; }
  mutable int calls = 0;
};

TEST(RefineDriver, ExchangesDoNothingInOneProcess) {
  mMesh m(1);
  twoTriangles(m);
  const std::multiset<std::string> before = describe(m);
  CountingExchanger ex;
  m.exchangeDataOnPartBdrys(ex, true);
  EXPECT_EQ(ex.calls, 0);
  EXPECT_EQ(describe(m), before);

  std::list<mEntity*> l;
  int counter = 0;
  Used_DataExchanger used(1);
  Refinement_DataExchanger serials(&l, false);
  Refinement_DataExchanger periodicSerials(&l, true);
  FlagPeriodicCounterparts_DataExchanger flags(&counter, &l);
  EXPECT_EQ(used.tag(), 184);
  EXPECT_EQ(serials.tag(), 112);
  EXPECT_EQ(flags.tag(), 114);

  // Packing and receiving as a multi-process exchange would use them.
  mEntity* e = *m.beginall(1);
  mEntity* other = *(++m.beginall(1));
  KORA_Util* u = KORA_Util::Instance();
  setMark(e, u->att2Id, 9);
  KORA_SharedInfo plain(0, other, false), periodic(0, other, true);
  EXPECT_EQ(periodicSerials.AP_alloc_and_fill_buffer(e, plain, 0), nullptr);
  void* msg = periodicSerials.AP_alloc_and_fill_buffer(e, periodic, 0);
  ASSERT_NE(msg, nullptr);
  EXPECT_EQ(static_cast<KORA_IntMessage*>(msg)->value, 9);
  EXPECT_EQ(static_cast<KORA_IntMessage*>(msg)->entity, other);
  std::free(msg);
  for (int received : {7, 12}) {
    KORA_IntMessage* in = static_cast<KORA_IntMessage*>(std::malloc(sizeof(KORA_IntMessage)));
    in->value = received;
    in->entity = e;
    periodicSerials.receiveData(0, in);
    std::free(in);
  }
  EXPECT_EQ(getMark(e, u->att2Id), 7);
  EXPECT_TRUE(l.empty());
  removeMark(e, u->att2Id);
  EXPECT_FALSE(anyRefinementMark(m));
}

// A strip periodic in x: the vertices of the left side mirror those of the right.
void periodicStrip(mMesh& m) {
  gEntity* g = m.getGEntity(1, 2);
  gEntity* left = m.getGEntity(2, 1);
  gEntity* right = m.getGEntity(3, 1);
  gEntity* bottom = m.getGEntity(4, 1);
  const double p[6][2] = {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {1, 1}, {0, 1}};
  for (int i = 0; i < 6; ++i) m.createVertex(i + 1, p[i][0], p[i][1], 0, g);
  m.createFaceWithVertices(1, 2, 5, g);
  m.createFaceWithVertices(1, 5, 6, g);
  m.createFaceWithVertices(2, 3, 4, g);
  m.createFaceWithVertices(2, 4, 5, g);
  m.modifyState(2, 1, true, 0);
  m.getEdge(m.getVertex(1), m.getVertex(6))->classify(left);
  m.getEdge(m.getVertex(3), m.getVertex(4))->classify(right);
  m.getEdge(m.getVertex(1), m.getVertex(2))->classify(bottom);
  linkMirrorVertices(&m, m.getVertex(1), m.getVertex(3));
  linkMirrorVertices(&m, m.getVertex(6), m.getVertex(4));
}

std::multiset<std::string> copyTable(mMesh& m) {
  std::multiset<std::string> s;
  KORA_OwnerManager* om = m.getOwnerManager();
  for (auto it = om->begin(); it != om->end(); ++it)
    s.insert(vertexKeyOf(it->first) + "->" + vertexKeyOf(it->second.remoteCopy) +
             (it->second.isPeriodic ? " p" : ""));
  return s;
}

TEST(RefineDriver, PeriodicLinksOfVerticesAndEdges) {
  mMesh m(1);
  periodicStrip(m);
  m.bdryLinkSetup();
  EXPECT_EQ(copyTable(m), (std::multiset<std::string>{"1->3 p", "3->1 p", "6->4 p", "4->6 p",
                                                       "1,6,->3,4, p", "3,4,->1,6, p"}));
  EXPECT_TRUE(m.getOwnerManager()->isPeriodic(m.getEdge(m.getVertex(1), m.getVertex(6))));
  EXPECT_FALSE(m.getOwnerManager()->isPeriodic(m.getEdge(m.getVertex(1), m.getVertex(2))));
  m.bdryLinkSetup();
  EXPECT_EQ(copyTable(m).size(), 6u);

  mMesh plain(1);
  twoTriangles(plain);
  plain.bdryLinkSetup();
  EXPECT_TRUE(copyTable(plain).empty());
}

TEST(RefineDriver, PeriodicEdgesSplitIntoMirroredHalves) {
  mMesh m(1);
  periodicStrip(m);
  m.bdryLinkSetup();
  ScriptedCallback refine([&](mEntity* e) { return m.getRefinementLevel(e) < 1 ? 1 : 0; });
  m.refunref(refine);
  EXPECT_FALSE(anyRefinementMark(m));
  // The midpoints of the two periodic sides mirror each other, and so do the
  // halves of those sides.
  mVertex* left = nullptr;
  mVertex* right = nullptr;
  for (auto it = m.beginall(0), last = m.endall(0); it != last; ++it) {
    const mPoint p = static_cast<mVertex*>(*it)->point();
    if (p(0) == 0 && p(1) == 0.5) left = static_cast<mVertex*>(*it);
    if (p(0) == 2 && p(1) == 0.5) right = static_cast<mVertex*>(*it);
  }
  ASSERT_NE(left, nullptr);
  ASSERT_NE(right, nullptr);
  std::list<mEntity*> copies;
  ASSERT_TRUE(m.lookupForMirrorEntities(left, copies));
  EXPECT_EQ(copies, (std::list<mEntity*>{right}));
  EXPECT_EQ(copyTable(m).size(), 6u + 4u);  // 3 vertex pairs, 2 half-edge pairs, both ways
  // Coarsening removes the midpoints and their links, leaving the first table.
  ScriptedCallback coarsen([](mEntity*) { return -1; });
  m.refunref(coarsen);
  EXPECT_EQ(m.size(0), 6);
  EXPECT_EQ(copyTable(m).size(), 6u);
}

TEST(RefineDriver, FacesWhoseVerticesAllHaveMirrorsDoNotStopTheSetUp) {
  // One cell periodic in x and y: every vertex mirrors another.
  mMesh m(1);
  gEntity* g = m.getGEntity(1, 2);
  const double p[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int i = 0; i < 4; ++i) m.createVertex(i + 1, p[i][0], p[i][1], 0, g);
  mEntity* a = m.createFaceWithVertices(1, 2, 3, g);
  mEntity* b = m.createFaceWithVertices(1, 3, 4, g);
  for (int i = 2; i <= 4; ++i) linkMirrorVertices(&m, m.getVertex(1), m.getVertex(i));
  m.bdryLinkSetup();
  // Each triangle has the other for copy: its vertices are copies of its own.
  KORA_OwnerManager* om = m.getOwnerManager();
  ASSERT_EQ(om->count(a), 1);
  EXPECT_EQ(om->begin(a)->second.remoteCopy, b);
  EXPECT_EQ(om->begin(b)->second.remoteCopy, a);
  ScriptedCallback refine([&](mEntity* e) { return m.getRefinementLevel(e) < 1 ? 1 : 0; });
  m.refunref(refine);
  EXPECT_EQ(countLeaves(m, 2), 8);
}

}  // namespace
