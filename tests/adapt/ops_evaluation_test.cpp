// Choice of the best candidate modification: the 1.5 factor and its ties.
#include <gtest/gtest.h>

#include "AdaptUtil.h"
#include "EdgeCollapsMod.h"
#include "EdgeSwapMod.h"
#include "SplitCollapsMod.h"
#include "ops_fixtures.h"

using namespace opstest;

namespace {

// Every new edge measures `now`, every existing one `before` (squared).
class FixedLength : public sizeMeasure {
 public:
  double now, before;
  FixedLength(double n, double b) : sizeMeasure(nullptr, 1.96, 0.36), now(n), before(b) {}
  int get(const double*, const double*, const metric*, const metric*, double* v) override { return *v = now, 1; }
  int get(const double*, const metric*, double* v) override { return *v = now, 1; }
  int get(pVertex, pVertex, double* v) override { return *v = now, 1; }
  int get(pEdge, double* v) override { return *v = before, 1; }
};

// The worst shape that the candidate's own checks find.
template <class Op>
double worstOf(Op& op) {
  EXPECT_EQ(op.topoCheck(), 1);
  EXPECT_EQ(op.geomCheck(), 1);
  return op.results->worstShape;
}

TEST(Evaluation, ACollapseWinsAtExactlyOneAndAHalfTimes) {
  SplitTet t;
  Measures ms(t.mh.m);
  EdgeCollapsMod op(t.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
  op.setCollaps(E_exists(t.m, t.v1), t.m, t.v1);
  const double w = worstOf(op);
  ASSERT_GT(w, 0.0);

  LocMeshMod* best = nullptr;
  double bestShape = std::nextafter(twoThirdsOf(w), 1.0);
  EXPECT_EQ(AdaptUtil::evalEclps(nullptr, &op, &best, &bestShape), 0);  // just below the factor
  EXPECT_EQ(best, nullptr);

  bestShape = twoThirdsOf(w);
  EXPECT_EQ(AdaptUtil::evalEclps(nullptr, &op, &best, &bestShape), 1);
  ASSERT_NE(best, nullptr);
  EXPECT_EQ(bestShape, w);
  EXPECT_EQ(best->type(), ECOLLAPSE);
  EXPECT_EQ(static_cast<EdgeCollapsMod*>(best)->vertD(), t.m);
  EXPECT_NE(best, &op);
  // The best one is a copy: it is applied while the candidate is re-aimed.
  op.setCollaps(E_exists(t.v0, t.v2), t.v0, t.v2);
  EXPECT_EQ(best->apply(), 1);
  EXPECT_EQ(M_numRegions(t.mh.m), 1);
  delete best;
}

TEST(Evaluation, ASwapOrSplitCollapseLosesAtExactlyOneAndAHalfTimes) {
  Ring4 ring(0.1);
  Measures ms(ring.mh.m);
  EdgeSwapMod swap(ring.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
  SplitCollapsMod sc(ring.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
  const Snapshot before(ring.mh.m);

  LocMeshMod* best = nullptr;
  swap.setSwapEdge(ring.axis());
  const double ws = worstOf(swap);
  double bestShape = twoThirdsOf(ws);
  EXPECT_EQ(AdaptUtil::evalEswp(&swap, &best, &bestShape), 0);
  EXPECT_EQ(best, nullptr);
  EXPECT_EQ(bestShape, twoThirdsOf(ws));
  bestShape = std::nextafter(twoThirdsOf(ws), 0.0);
  EXPECT_EQ(AdaptUtil::evalEswp(&swap, &best, &bestShape), 1);
  ASSERT_NE(best, nullptr);
  EXPECT_EQ(best->type(), EDGESWAP);
  EXPECT_EQ(bestShape, ws);

  sc.reset(ring.axis(), ring.face());
  const double wc = worstOf(sc);
  bestShape = twoThirdsOf(wc);
  EXPECT_EQ(AdaptUtil::evalSpltClps(&sc, &best, &bestShape), 0);
  EXPECT_EQ(best->type(), EDGESWAP);  // the slot keeps the swap
  bestShape = std::nextafter(twoThirdsOf(wc), 0.0);
  EXPECT_EQ(AdaptUtil::evalSpltClps(&sc, &best, &bestShape), 1);
  EXPECT_EQ(best->type(), SPLITCOLLAPSE);  // the swap's copy was replaced
  EXPECT_EQ(static_cast<SplitCollapsMod*>(best)->getVertex(), ring.c);
  EXPECT_EQ(bestShape, wc);
  before.expectSame(ring.mh.m);  // evaluating changes nothing
  delete best;
}

TEST(Evaluation, ACollapseIsRefusedForALongAndStretchedNewEdge) {
  SplitTet t;
  Measures ms(t.mh.m);
  struct Case {
    double now, before;
    int wins;
  } cases[] = {
      {2.88, 2.0, 1},   // ratio exactly 1.44
      {1.96, 1.0, 1},   // length exactly 1.96
      {2.0, 1.0, 0},    // both above
      {1.5, 0.5, 1},    // short, however stretched
  };
  for (const Case& c : cases) {
    FixedLength length(c.now, c.before);
    EdgeCollapsMod op(t.mh.m, &ms.field, &ms.shape, &length, &ms.results);
    op.setCollaps(E_exists(t.m, t.v1), t.m, t.v1);
    LocMeshMod* best = nullptr;
    double bestShape = 0.0;
    EXPECT_EQ(AdaptUtil::evalEclps(&ms.field, &op, &best, &bestShape), c.wins) << c.now << " " << c.before;
    // Without a field the lengths are not looked at.
    double again = 0.0;
    EXPECT_EQ(AdaptUtil::evalEclps(nullptr, &op, &best, &again), 1);
    delete best;
  }
}

}  // namespace
