#ifndef DG_DGERRORESTIMATOR_H
#define DG_DGERRORESTIMATOR_H

class DGCell;
class DGBoundaryCell;

// Interface of the error estimators. The global context owns the run's
// estimator and deletes it through this interface, so the destructor is virtual.
class DGErrorEstimator {
public:
  // Face form of the estimator: the interface cell adds a to both
  // neighbours' first error accumulators and b to their second. right is null
  // on a boundary face. By default the face contributes 0 to both.
  virtual void computeError(DGCell *left, DGCell *right, DGBoundaryCell *face, double &a, double &b) const {
    (void)left;
    (void)right;
    (void)face;
    a = 0.0;
    b = 0.0;
  }
  // Cell form, run after every face form: may set the cell's error
  // accumulators itself. Does nothing by default.
  virtual void computeError(DGCell *cell) const { (void)cell; }
  virtual ~DGErrorEstimator() = default;
};

#endif
