#ifndef DG_DGCELLSCRATCH_H
#define DG_DGCELLSCRATCH_H

// Per-thread scratch buffers of the DG cells, grown on demand and reused, so
// that evaluations and updates allocate nothing in the steady state. A buffer
// is valid until the next call for the same buffer; callers that may re-enter
// (a projection evaluating a field made of other cells) use their own.

#include <vector>

#include "mVector.h"

namespace dgdetail {

// Number of fields of the run's law, refused with a text exception (naming
// `who`) when there is no law or the count is outside 1 to 256.
int lawFieldCount(const char *who);

// Basis values of an evaluation (at least n entries).
std::vector<double> &phiScratch(int n);
// Basis values of a projection (at least n entries).
std::vector<double> &projectionPhiScratch(int n);
// Basis gradients of an evaluation (at least n entries).
std::vector<KORA::mVector> &gradScratch(int n);
// Coefficient increments of an update (at least n entries).
double *valueScratch(int n);

// A dense matrix (allocateMatrix) released when it goes out of scope.
struct OwnedMatrix {
  double **m;
  OwnedMatrix(int rows, int cols);
  ~OwnedMatrix();
  OwnedMatrix(const OwnedMatrix &) = delete;
  OwnedMatrix &operator=(const OwnedMatrix &) = delete;
};

}  // namespace dgdetail

#endif
