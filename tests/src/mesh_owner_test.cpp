// Owner manager: copies of entities and the partition-boundary table.
#include <gtest/gtest.h>

#include "mesh_fixtures.h"

using namespace KORA;

TEST(MeshOwner, CopyTable) {
  mMesh m(1);
  mVertex* a = m.createVertex(1, 0, 0, 0, nullptr);
  mVertex* b = m.createVertex(2, 1, 0, 0, nullptr);
  KORA_OwnerManager* om = m.getOwnerManager();
  EXPECT_FALSE(om->isPeriodic(a));
  EXPECT_EQ(om->count(a), 0);
  EXPECT_TRUE(om->amITheOwnerOf(a));
  om->addRemoteCopy(a, 0, b, true);
  om->addRemoteCopy(a, 0, b, true);
  om->addRemoteCopy(b, 0, a, false);
  EXPECT_EQ(om->count(a), 2);
  EXPECT_TRUE(om->isPeriodic(a));
  EXPECT_FALSE(om->isPeriodic(b));
  EXPECT_TRUE(om->amITheOwnerOf(a));
  om->addRemoteCopy(b, -1, a, false);  // a copy on a process numbered below this one
  EXPECT_FALSE(om->amITheOwnerOf(b));
  int n = 0;
  for (auto it = om->begin(a); it != om->end(a); ++it, ++n) EXPECT_EQ(it->second.remoteCopy, b);
  EXPECT_EQ(n, 2);
  om->clearRemoteCopies();
  EXPECT_EQ(om->count(a), 0);
  EXPECT_TRUE(om->begin() == om->end());
}

TEST(MeshOwner, PartitionBoundaryTable) {
  mMesh m(1);
  KORA_OwnerManager* om = m.getOwnerManager();
  om->addNeighbor(5, 1);
  om->addNeighbor(5, 2);
  std::vector<int> ids;
  om->getPartitionIds(ids);
  EXPECT_EQ(ids, std::vector<int>{5});
  int pids[3] = {2, 0, 1};
  EXPECT_EQ(om->find(3, pids), 5);
  EXPECT_EQ(pids[0], 0);
  EXPECT_EQ(pids[1], 1);
  EXPECT_EQ(pids[2], 2);
  int two[2] = {1, 2};
  EXPECT_EQ(om->find(2, two), 1);  // no boundary shared by exactly these
  const int create[2] = {0, 3};
  EXPECT_EQ(om->create(2, create), -1);
  EXPECT_EQ(om->count(-1), 1);
  EXPECT_EQ(om->begin_top(-1)->second, 3);
  EXPECT_EQ(om->create(2, create), -2);
  const int mine[2] = {0, 0};
  EXPECT_EQ(om->create(2, mine), -3);
  EXPECT_EQ(om->create(2, mine), -3);  // nothing stored: the same id again
  testing::internal::CaptureStdout();
  om->print();
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("Processor 0 boundary 5 comm (1 2 )\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Processor 0 boundary -1 comm (3 )\n"), std::string::npos) << out;
}
