#ifndef DG_DGCELLFIELDEVALUATOR_H
#define DG_DGCELLFIELDEVALUATOR_H

// The current DG solution of a group of cells seen as a field, so that new
// cells can be projected from old ones. The cells are not owned and must
// outlive every use of the evaluator.

#include <list>

#include "FieldEvaluator.h"

class DGCell;

class DGCellFieldEvaluator : public FieldEvaluator {
public:
  DGCellFieldEvaluator() = default;
  ~DGCellFieldEvaluator() override = default;

  void addCell(DGCell *cell) { cells.push_back(cell); }

  // Values of the first listed cell that contains the point (t is ignored).
  // A point outside every cell prints "error in DGCellfieldEvaluator" and
  // takes the values of the nearest cell at its closest reference point
  // (clamped into the element); without cells values stay as they were.
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  // Largest order of the cells' spaces; 0 without cells.
  int order() const override;

private:
  std::list<DGCell *> cells;
};

#endif
