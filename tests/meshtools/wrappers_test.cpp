// The modification wrappers pass their arguments through and hand back new lists.
#include <gtest/gtest.h>

#include "MT_modify.h"
#include "MT_topology.h"
#include "modificationWrappers.h"
#include "mt_fixtures.h"

using namespace mttest;

TEST(MeshToolsWrappers, CollapseSplitAndSwaps) {
  EdgeRing h(3);
  Changes changes;
  // Collapse: a new list even when the pointer held one before.
  pPList stale = PList_new();
  pPList news = stale;
  double mid[3] = {0, 0, 0};
  pVertex v = modificationWrappers::Edge_split(h.m, h.axis, mid, nullptr, Changes::record, &changes, &news);
  ASSERT_NE(v, nullptr);
  EXPECT_NE(news, stale);
  EXPECT_EQ(PList_size(news), 6);
  PList_delete(news);
  pEdge up = E_exists(v, h.top);
  news = stale;
  ASSERT_EQ(modificationWrappers::Edge_colaps(h.m, up, v, h.top, Changes::record, &changes, &news), 1);
  EXPECT_NE(news, stale);
  EXPECT_EQ(PList_size(news), 3);
  PList_delete(news);
  PList_delete(stale);
  EXPECT_EQ(M_numRegions(h.m), 3);
  EXPECT_NEAR(totalVolume(h.m), 0.5 * 3 * std::sin(2 * 3.14159265358979323846 / 3) * 2 / 3, 1e-14);
  pEdge axis = E_exists(h.bottom, h.top);
  ASSERT_EQ(E_numSwpCfg(axis), 1);
  ASSERT_EQ(modificationWrappers::Edge_swap(h.m, axis, 0, Changes::record, &changes, &news), 1);
  PList_delete(news);
  pFace f = F_exists(0, h.ring[0], h.ring[1], h.ring[2], nullptr);
  ASSERT_EQ(F_evalSwap(f, 1e-12), 1);
  ASSERT_EQ(modificationWrappers::Face_swap(h.m, f, 1e-12, Changes::record, &changes, &news), 1);
  EXPECT_EQ(PList_size(news), 3);
  PList_delete(news);
  ASSERT_EQ(changes.calls.size(), 4u);
  const int kinds[4] = {5, 0, 2, 1};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(changes.calls[i].kind, kinds[i]);
  EXPECT_TRUE(conforming(h.m));
  EXPECT_GT(minVolume(h.m), 0);
}
