// Entity hash tables: bucket choice, front insertion, growth and walk order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "mEdge.h"
#include "mIterator.h"
#include "mesh_fixtures.h"

using namespace KORA;

namespace {

// Independent model of the vertex table: buckets chosen by key modulo the
// bucket count, new entries at the front, growth to 3 x count buckets when the
// count exceeds 3 x buckets, re-adding old buckets in order, each front first.
struct TableModel {
  std::vector<std::vector<int>> buckets = std::vector<std::vector<int>>(10);
  int count = 0;
  void add(int id) {
    const int n = static_cast<int>(buckets.size());
    auto& b = buckets[meshtest::vertexKey(id) % n];
    b.insert(b.begin(), id);
    ++count;
    if (3 * n < count) grow(3 * count);
  }
  void grow(int n) {
    auto old = buckets;
    buckets.assign(n, {});
    count = 0;
    for (const auto& b : old)
      for (int id : b) add(id);
  }
  std::vector<int> walk() const {
    std::vector<int> ids;
    for (const auto& b : buckets) ids.insert(ids.end(), b.begin(), b.end());
    return ids;
  }
};

std::vector<int> walkIds(const mMesh& m, int dim) {
  std::vector<int> ids;
  for (auto it = m.beginall(dim), last = m.endall(dim); it != last; ++it) ids.push_back((*it)->getId());
  return ids;
}

}  // namespace

TEST(MeshHash, FreshTableIsEmptyInEveryDimension) {
  mMesh m(1);
  const int start[4] = {10, 70, 120, 60};
  for (int d = 0; d < 4; ++d) {
    EXPECT_EQ(m.size(d), 0);
    EXPECT_TRUE(m.beginall(d) == m.endall(d));
    EXPECT_EQ(m.getEntities().table().bucketCount(d), start[d]);
  }
}

TEST(MeshHash, GrowthRuleAndWalkOrderFollowTheFrontInsertionModel) {
  mMesh m(1);
  TableModel model;
  const int expectedBuckets[] = {10, 93, 840};
  int stage = 0;
  for (int id = 1; id <= 300; ++id) {
    m.createVertex(id, id, 0, 0, nullptr);
    model.add(id);
    const int buckets = m.getEntities().table().bucketCount(0);
    if (id == 30 || id == 31 || id == 280) {
      EXPECT_EQ(buckets, expectedBuckets[stage]) << "after vertex " << id;
      ++stage;
    }
    ASSERT_EQ(buckets, static_cast<int>(model.buckets.size())) << "after vertex " << id;
    if (id == 30 || id == 31 || id == 279 || id == 280 || id == 300) {
      EXPECT_EQ(walkIds(m, 0), model.walk()) << "after vertex " << id;
    }
  }
  for (int id = 1; id <= 300; ++id) ASSERT_NE(m.getVertex(id), nullptr) << id;
  EXPECT_EQ(m.size(0), 300);
}

TEST(MeshHash, ExplicitResizeRebuildsAndKeepsEveryEntity) {
  mMesh m(1);
  for (int id = 1; id <= 50; ++id) m.createVertex(id, 0, id, 0, nullptr);
  m.resize(0, 0);  // no effect
  EXPECT_EQ(m.getEntities().table().bucketCount(0), 93);
  m.resize(0, 1000);
  EXPECT_EQ(m.getEntities().table().bucketCount(0), 1000);
  m.resize(0, 2);  // too few buckets: grows again while re-adding
  EXPECT_GE(3 * m.getEntities().table().bucketCount(0), 50);
  EXPECT_EQ(m.size(0), 50);
  std::vector<int> ids = walkIds(m, 0);
  std::sort(ids.begin(), ids.end());
  for (int id = 1; id <= 50; ++id) EXPECT_EQ(ids[id - 1], id);
}

TEST(MeshHash, DuplicatesCountTwiceAndOneDelRemovesOne) {
  mMesh m(1);
  mVertex* a = m.createVertex(1, 0, 0, 0, nullptr);
  mVertex* b = m.createVertex(2, 1, 0, 0, nullptr);
  mEdge* e = m.createEdge(a, b, nullptr);
  m.add(e);
  EXPECT_EQ(m.size(1), 2);
  EXPECT_EQ(walkIds(m, 1).size(), 2u);
  m.del(e);
  EXPECT_EQ(m.size(1), 1);
  EXPECT_EQ(m.getEdge(b, a), e);
}

TEST(MeshHash, NonVertexBucketIsTheSumOfVertexKeys) {
  mMesh m(1);
  mVertex* a = m.createVertex(11, 0, 0, 0, nullptr);
  mVertex* b = m.createVertex(12, 1, 0, 0, nullptr);
  mEdge* e = m.createEdge(a, b, nullptr);
  const int sum = meshtest::vertexKey(11) + meshtest::vertexKey(12);
  EXPECT_EQ(e->getId(), sum);
  EXPECT_EQ(m.getEntities().table().hash(e), sum % 70);
  EXPECT_EQ(m.getEntities().table().hash(a), meshtest::vertexKey(11) % 10);
}

TEST(MeshHash, PrintListsOccupiedBucketsPerLevel) {
  mMesh m(1);
  m.createVertex(5, 0, 0, 0, nullptr);
  testing::internal::CaptureStdout();
  m.getEntities().table().print();
  const std::string out = testing::internal::GetCapturedStdout();
  char expected[128];
  std::snprintf(expected, sizeof expected, "level 0\nn(%d) = 1\nlevel 1\nlevel 2\nlevel 3\n",
                meshtest::vertexKey(5) % 10);
  EXPECT_EQ(out, expected);
}

TEST(MeshHash, SnapshotsHearOfEveryAddAndDel) {
  mMesh m(1);
  mVertex* a = m.createVertex(1, 0, 0, 0, nullptr);
  mMeshEntityContainer& c = m.getEntities();
  mIteratorNew* s1 = c.NewIterator(0, -2);
  mIteratorNew* s2 = c.NewIterator(0, -2);
  mVertex* b = m.createVertex(2, 1, 0, 0, nullptr);
  EXPECT_EQ(s1->snapshotSize(), 2);
  EXPECT_EQ(s2->snapshotSize(), 2);
  EXPECT_EQ(s1->next(), a);
  EXPECT_EQ(s2->next(), a);
  m.DEL(a);  // the entity both walks returned last
  EXPECT_EQ(s1->snapshotSize(), 1);
  EXPECT_EQ(s2->snapshotSize(), 1);
  EXPECT_EQ(s1->next(), b);
  c.DeleteIterator(s1);
  c.DeleteIterator(s2);
  EXPECT_EQ(c.nbIterators(), 0);
}

TEST(MeshHash, StatisticsGiveTheMeanLengthOfOccupiedBuckets) {
  mMesh m(1);
  // Vertex ids whose keys fall in one bucket of ten, and one more elsewhere.
  std::vector<int> same, other;
  const int b0 = meshtest::vertexKey(1) % 10;
  for (int id = 1; same.size() < 3 || other.empty(); ++id)
    (meshtest::vertexKey(id) % 10 == b0 ? same : other).push_back(id);
  for (int id : {same[0], same[1], same[2], other[0]}) m.createVertex(id, 0, 0, 0, nullptr);
  testing::internal::CaptureStdout();
  m.print();
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out,
            "dim 0 k1 = 2 k2 = 4 psi =      2.00000\n"
            "dim 1 k1 = 0 k2 = 0 psi =          nan\n"
            "dim 2 k1 = 0 k2 = 0 psi =          nan\n"
            "dim 3 k1 = 0 k2 = 0 psi =          nan\n");
}
