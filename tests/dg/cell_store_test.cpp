// The analysis's contiguous store of coefficients and residuals: cells in
// list order, values kept through every move in and out.

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "CellStore.h"
#include "ParUtil.h"
#include "analysis_fixture.h"
#include "analysis_testlaw.h"

using namespace antest;

namespace {

LambdaField &linearField() {
  static LambdaField f([](const mPoint &p, double, double *u) {
    for (int i = 0; i < 4; ++i) u[i] = 1.0 + i + 2.0 * p(0) - p(1);
  }, 1);
  return f;
}

// Every value of levels 0 and 1 and of the residual, cell by cell.
std::vector<double> snapshot(const DGAnalysis &a) {
  std::vector<double> v;
  for (const DGCell *c : a.cells) {
    const int m = c->dofs->nbValues();
    for (int k = 0; k < 2; ++k) v.insert(v.end(), c->dofs->levels[k], c->dofs->levels[k] + m);
    v.insert(v.end(), c->rhs.begin(), c->rhs.end());
  }
  return v;
}

// Distinct values everywhere, so that a slice mixed up shows.
void fillDistinct(DGAnalysis &a) {
  double x = 1.0;
  for (DGCell *c : a.cells) {
    const int m = c->dofs->nbValues();
    for (int k = 0; k < 2; ++k)
      for (int i = 0; i < m; ++i) c->dofs->levels[k][i] = (x += 1.0);
    for (double &r : c->rhs) r = (x += 1.0);
  }
}

TEST(CellStore, CellsLieInListOrderAndKeepTheirValues) {
  ContextScope scope(new SpeedLaw(4, &linearField()), grid2d(3, 3, false));
  KORA::ParUtil::Instance()->setVerbosity(-1);
  DGAnalysis a;
  a.init(2, 1);
  ASSERT_EQ(a.cells.size(), 18u);
  fillDistinct(a);
  const std::vector<double> before = snapshot(a);
  // Each kind of array is one run over the cells, in list order.
  for (std::size_t i = 0; i + 1 < a.cells.size(); ++i) {
    const DGCell *c = a.cells[i], *d = a.cells[i + 1];
    const int m = c->dofs->nbValues();
    EXPECT_EQ(c->store, a.store.get());
    EXPECT_EQ(c->dofs->levels[0] + m, d->dofs->levels[0]);
    EXPECT_EQ(c->dofs->levels[1] + m, d->dofs->levels[1]);
    EXPECT_EQ(c->rhs.data() + m, d->rhs.data());
    EXPECT_EQ(c->coef0, c->dofs->levels[0]);
  }
  // Repacking (in another order) keeps every value with its cell.
  std::vector<DGCell *> reversed(a.cells.rbegin(), a.cells.rend());
  a.store->pack(reversed);
  EXPECT_EQ(reversed[1]->dofs->levels[0], reversed[0]->dofs->levels[0] + reversed[0]->dofs->nbValues());
  EXPECT_EQ(snapshot(a), before);
  a.gatherCells();
  EXPECT_EQ(snapshot(a), before);
  // A step runs on the store as on the cells' own arrays: the update writes
  // level 1 from level 0 where the cell reads it.
  DGCell *c = a.cells[4];
  const double old0 = c->dofs->levels[0][0];
  std::vector<double> dU(c->dofs->nbValues(), 0.5);
  c->dofs->update(dU.data(), 0.1);
  EXPECT_EQ(c->dofs->levels[1][0], old0);
  EXPECT_EQ(c->dofs->levels[0][0], old0 + 0.5);
}

TEST(CellStore, CellsLeavingTheStoreKeepTheirValues) {
  ContextScope scope(new SpeedLaw(4, &linearField()), grid2d(2, 2, false));
  KORA::ParUtil::Instance()->setVerbosity(-1);
  DGAnalysis a;
  a.init(1, 1);
  fillDistinct(a);
  const std::vector<double> before = snapshot(a);
  // Packed without some cells: those get their own copies.
  std::vector<DGCell *> some(a.cells.begin(), a.cells.begin() + 3);
  a.store->pack(some);
  for (std::size_t i = 3; i < a.cells.size(); ++i) {
    EXPECT_EQ(a.cells[i]->store, nullptr);
    EXPECT_FALSE(a.cells[i]->dofs->external());
  }
  EXPECT_EQ(snapshot(a), before);
  // A recovery block read into a cell replaces its levels: it leaves.
  DGCell *c = a.cells[1];
  std::stringstream block;
  c->write(block);
  c->read(block);
  EXPECT_EQ(c->store, nullptr);
  EXPECT_EQ(c->coef0, c->dofs->levels[0]);
  const int m = c->dofs->nbValues();  // cell 1: its level 0 follows cell 0's three arrays
  for (int i = 0; i < m; ++i) EXPECT_EQ(c->dofs->levels[0][i], before[3 * m + i]) << i;
  // The store goes before the cells: they keep their values.
  a.gatherCells();
  const std::vector<double> kept = snapshot(a);
  a.store.reset();
  for (const DGCell *d : a.cells) EXPECT_EQ(d->store, nullptr);
  EXPECT_EQ(snapshot(a), kept);
}

TEST(CellStore, AnAnalysisGoingBeforeItsCellsLeavesTheirValuesInPlace) {
  ContextScope scope(new SpeedLaw(4, &linearField()), grid2d(2, 2, false));
  KORA::ParUtil::Instance()->setVerbosity(-1);
  std::vector<DGCell *> cells;
  std::vector<double> before;
  std::vector<const double *> where;
  {
    DGAnalysis a;
    a.init(1, 1);
    fillDistinct(a);
    before = snapshot(a);
    cells = a.cells;
    for (const DGCell *c : cells) where.push_back(c->coef0);
  }
  // No copy was made: every cell still reads its values where they were.
  std::vector<double> after;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const DGCell *c = cells[i];
    EXPECT_EQ(c->coef0, where[i]);
    const int m = c->dofs->nbValues();
    for (int k = 0; k < 2; ++k) after.insert(after.end(), c->dofs->levels[k], c->dofs->levels[k] + m);
    after.insert(after.end(), c->rhs.begin(), c->rhs.end());
  }
  EXPECT_EQ(after, before);
  // The mesh (and with it the cells, then the store) goes with the scope;
  // the sanitizer build checks that nothing is left behind.
}

TEST(CellStore, AppendedCellsFollowTheArraysWhenTheyGrow) {
  // 200 cells of 24 values pass the first capacity: the arrays grow (and
  // may move) while cells are appended.
  ContextScope scope(new SpeedLaw(4, &linearField()), grid2d(10, 10, false));
  KORA::ParUtil::Instance()->setVerbosity(-1);
  DGAnalysis a;
  a.init(2, 0);
  ASSERT_EQ(a.cells.size(), 200u);
  fillDistinct(a);
  const std::vector<double> before = snapshot(a);
  {
    CellStore other;
    for (DGCell *c : a.cells) other.append(c);
    for (std::size_t i = 0; i + 1 < a.cells.size(); ++i) {
      EXPECT_EQ(a.cells[i]->store, &other);
      EXPECT_EQ(a.cells[i]->rhs.data() + 24, a.cells[i + 1]->rhs.data());
      EXPECT_EQ(a.cells[i]->coef0 + 24, a.cells[i + 1]->coef0);
    }
    EXPECT_EQ(snapshot(a), before);
    // The analysis's own store gave them up; repacking there takes them back.
    a.gatherCells();
    EXPECT_EQ(a.cells.front()->store, a.store.get());
  }
  EXPECT_EQ(snapshot(a), before);
}

}  // namespace
