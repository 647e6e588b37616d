// In-place iterators (full, leaves, classified) and snapshot iterators.
#include <gtest/gtest.h>

#include <set>

#include "mEdge.h"
#include "mFace.h"
#include "mesh_fixtures.h"

using namespace KORA;

namespace {

// A strip of n edges on vertices 1..n+1, edge i classified on model edge (i % 3) + 1.
struct EdgeStrip {
  mMesh m{1};
  std::vector<mEdge*> edges;
  explicit EdgeStrip(int n) {
    for (int i = 1; i <= n + 1; ++i) m.createVertex(i, i, 0, 0, nullptr);
    for (int i = 1; i <= n; ++i)
      edges.push_back(m.createEdge(i, i + 1, m.getGEntity(i % 3 + 1, 1)));
  }
};

template <class It>
std::vector<mEntity*> collect(It it, It last) {
  std::vector<mEntity*> out;
  for (; it != last; ++it) out.push_back(*it);
  return out;
}

std::vector<mEntity*> drain(mIteratorNew* s) {
  std::vector<mEntity*> out;
  while (mEntity* e = s->next()) out.push_back(e);
  return out;
}

}  // namespace

TEST(MeshIterator, EmptyDimensionStartsAtTheEnd) {
  mMesh m(1);
  mFullIterator full(m.beginall(2), m.endall(2));
  EXPECT_TRUE(full.end());
  EXPECT_TRUE(m.begin(2).end());
  EXPECT_TRUE(m.begin(2, 1, 2).end());
  EXPECT_TRUE(m.begin(2) == m.end(2));
  mIteratorNew* s = m.getEntities().NewIterator(2, -2);
  EXPECT_EQ(s->next(), nullptr);
  EXPECT_EQ(s->next(), nullptr);
  m.getEntities().DeleteIterator(s);
}

TEST(MeshIterator, LeavesSkipEntitiesWithAChildrenListEvenAnEmptyOne) {
  EdgeStrip s(6);
  // Edge 0 gets a child list that is emptied again; edge 1 keeps a child.
  mEdge* child = new mEdge(s.m.getVertex(1), s.m.getVertex(3), nullptr);
  s.edges[0]->add(child);
  s.edges[0]->del(child);
  s.edges[1]->add(child);
  s.m.add(child);
  const std::vector<mEntity*> all = collect(s.m.beginall(1), s.m.endall(1));
  EXPECT_EQ(all.size(), 7u);
  const std::vector<mEntity*> leaves = collect(s.m.begin(1), s.m.end(1));
  EXPECT_EQ(leaves.size(), 5u);
  const std::set<mEntity*> leafSet(leaves.begin(), leaves.end());
  EXPECT_EQ(leafSet.count(s.edges[0]), 0u);
  EXPECT_EQ(leafSet.count(s.edges[1]), 0u);
  EXPECT_EQ(leafSet.count(child), 1u);
  // Leaves keep the order of the full walk.
  std::vector<mEntity*> filtered;
  for (mEntity* e : all)
    if (leafSet.count(e)) filtered.push_back(e);
  EXPECT_EQ(filtered, leaves);
}

TEST(MeshIterator, ClassifiedIteratorMatchesIdAndLevel) {
  EdgeStrip s(9);
  // A leaf on a model entity with the right id but another level is skipped.
  mEdge* offLevel = s.m.createEdge(1, 10, s.m.getGEntity(2, 2));
  mEdge* unclassified = s.m.createEdge(2, 10, nullptr);
  for (int id = 1; id <= 3; ++id) {
    std::set<mEntity*> got;
    for (mEntity* e : collect(s.m.begin(1, id, 1), s.m.end(1, id, 1))) got.insert(e);
    std::set<mEntity*> expected;
    for (int i = 1; i <= 9; ++i)
      if (i % 3 + 1 == id) expected.insert(s.edges[i - 1]);
    EXPECT_EQ(got, expected) << id;
    EXPECT_EQ(got.count(offLevel), 0u);
    EXPECT_EQ(got.count(unclassified), 0u);
  }
  EXPECT_TRUE(s.m.begin(1, 4, 1).end());
  const auto onFace = collect(s.m.begin(1, 2, 2), s.m.end(1, 2, 2));
  EXPECT_EQ(onFace, std::vector<mEntity*>{offLevel});
}

TEST(MeshIterator, PositionsCompareAcrossKindsAndResetFindsTheFirstLeaf) {
  EdgeStrip s(5);
  mFullIterator full(s.m.beginall(1), s.m.endall(1));
  mEntity* first = *full;
  // Make the first entity of the walk a parent.
  mEdge* child = new mEdge(s.m.getVertex(1), s.m.getVertex(6), nullptr);
  first->add(child);
  mLeavesIterator leaves = s.m.begin(1);
  EXPECT_NE(*leaves, first);
  ++full;
  EXPECT_TRUE(full == leaves);  // same position, different kinds
  mLeavesIterator copy = leaves++;
  EXPECT_NE(*copy, *leaves);
  leaves.reset();
  EXPECT_TRUE(leaves == copy);
  full.reset();
  EXPECT_EQ(*full, first);
  first->del(child);
  delete child;
}

TEST(MeshIterator, ClosureIteratorIsNotSupported) {
  EdgeStrip s(2);
  EXPECT_THROW(mClassClosureIterator(s.m.beginall(1), s.m.endall(1), 1, 1), int);
}

TEST(MeshIterator, SnapshotSurvivesDeletingEachEntityTaken) {
  EdgeStrip s(20);
  mIteratorNew* it = s.m.getEntities().NewIterator(1, -2);
  int n = 0;
  while (mEntity* e = it->next()) {
    s.m.DEL(e);
    ++n;
  }
  EXPECT_EQ(n, 20);
  EXPECT_EQ(s.m.size(1), 0);
  s.m.getEntities().DeleteIterator(it);
}

TEST(MeshIterator, SnapshotSkipsTheNextEntityWhenItIsDeleted) {
  EdgeStrip s(6);
  const std::vector<mEntity*> order = collect(s.m.beginall(1), s.m.endall(1));
  mIteratorNew* it = s.m.getEntities().NewIterator(1, -2);
  EXPECT_EQ(it->next(), order[0]);
  s.m.DEL(order[1]);  // the entity the walk would take next
  EXPECT_EQ(it->next(), order[2]);
  s.m.DEL(order[2]);  // the entity just taken
  const std::vector<mEntity*> rest = drain(it);
  EXPECT_EQ(rest, std::vector<mEntity*>(order.begin() + 3, order.end()));
  it->reset();
  EXPECT_EQ(it->next(), order[0]);
  s.m.getEntities().DeleteIterator(it);
}

TEST(MeshIterator, SnapshotReachesEntitiesAddedDuringTheWalk) {
  EdgeStrip s(4);
  mIteratorNew* it = s.m.getEntities().NewIterator(1, -2);
  mIteratorNew* leaves = s.m.getEntities().NewIterator(1, -1);
  mIteratorNew* roots = s.m.getEntities().NewIterator(1, 0);
  mIteratorNew* onModel = s.m.getEntities().NewIterator(1, s.m.getGEntity(2, 1));
  it->next();
  mEntity* added = s.m.createEdge(1, 5, nullptr);
  mEntity* face = s.m.createFaceWithVertices(1, 2, 5, nullptr);  // another dimension: ignored
  std::vector<mEntity*> rest = drain(it);
  ASSERT_EQ(rest.size(), 4u);
  EXPECT_EQ(rest.back(), added);
  // Made after the walk ended: still reached.
  mEntity* late = s.m.createEdge(2, 5, nullptr);
  EXPECT_EQ(it->next(), late);
  EXPECT_EQ(it->next(), nullptr);
  s.m.DEL(face);  // deleting another dimension leaves the walk alone
  EXPECT_EQ(it->snapshotSize(), 6);
  s.m.getEntities().DeleteIterator(it);
  // Other selections neither grew nor fail on deletion.
  s.m.DEL(s.edges[2]);
  EXPECT_EQ(leaves->snapshotSize(), 4);
  EXPECT_EQ(roots->snapshotSize(), 4);
  EXPECT_EQ(onModel->snapshotSize(), 2);  // edges 1 and 4
  for (mIteratorNew* x : {leaves, roots, onModel}) s.m.getEntities().DeleteIterator(x);
}

TEST(MeshIterator, SnapshotRefusesDeletingAnyOtherEntity) {
  // Two places behind the position, and one place after the next entity.
  for (int victim : {0, 3}) {
    EdgeStrip s(6);
    const std::vector<mEntity*> order = collect(s.m.beginall(1), s.m.endall(1));
    mIteratorNew* it = s.m.getEntities().NewIterator(1, -2);
    it->next();
    it->next();  // position on order[2]; order[1] was taken last
    testing::internal::CaptureStdout();
    int thrown = 0;
    try {
      s.m.DEL(order[victim]);
    } catch (int i) {
      thrown = i;
    }
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(thrown, 1) << victim;
    EXPECT_NE(out.find("there is an iterator of dimension 1 where you delete a mesh entity which "
                       "is not the current one\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("edge "), std::string::npos) << "the entity prints itself first: " << out;
    EXPECT_EQ(it->snapshotSize(), 6);
    EXPECT_EQ(it->next(), order[2]);
    s.m.getEntities().DeleteIterator(it);
    // The table had already let the entity go; the refused DEL did not delete it.
    EXPECT_EQ(s.m.size(1), 5);
    delete order[victim];
  }
}

TEST(MeshIterator, SnapshotSelections) {
  EdgeStrip s(4);
  mEntity* child = new mEdge(s.m.getVertex(1), s.m.getVertex(5), nullptr);
  s.edges[0]->add(child);
  child->setParent(s.edges[0]);
  s.m.add(child);
  mMeshEntityContainer& c = s.m.getEntities();
  const std::vector<mEntity*> all = collect(s.m.beginall(1), s.m.endall(1));
  // -2 everything, -1 leaves (not the parent), 0 roots (not the child); in walk order.
  for (int what : {-2, -1, 0}) {
    std::vector<mEntity*> expected;
    for (mEntity* e : all) {
      const bool keep = what == -2 || (what == -1 && e != s.edges[0]) || (what == 0 && e != child);
      if (keep) expected.push_back(e);
    }
    mIteratorNew* it = c.NewIterator(1, what);
    EXPECT_EQ(drain(it), expected) << what;
    c.DeleteIterator(it);
  }
  bool thrown = false;
  meshtest::expectMeshException([&] { c.NewIterator(1, 3); }, &thrown);
  EXPECT_TRUE(thrown);
  EXPECT_EQ(c.nbIterators(), 0);
}
