#include "DGCellFieldEvaluator.h"

#include <algorithm>
#include <cstdio>

#include "DGCell.h"
#include "FunctionSpace.h"

void DGCellFieldEvaluator::eval(const KORA::mPoint &p, double, double *values) const {
  for (DGCell *cell : cells) {
    double u, v, w;
    if (cell->inCell(p, values, u, v, w, nullptr)) return;
  }
  std::printf("error in DGCellfieldEvaluator\n");
}

int DGCellFieldEvaluator::order() const {
  int p = 0;
  for (const DGCell *cell : cells) p = std::max(p, cell->getFunctionSpace()->order());
  return p;
}
