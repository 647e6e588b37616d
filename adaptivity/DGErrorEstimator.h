#ifndef DG_DGERRORESTIMATOR_H
#define DG_DGERRORESTIMATOR_H

// Interface of the error estimators. The global context owns the run's
// estimator and deletes it through this interface, so the destructor is virtual.
class DGErrorEstimator {
public:
  virtual ~DGErrorEstimator() = default;
};

#endif
