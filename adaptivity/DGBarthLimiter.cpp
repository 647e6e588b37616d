// Barth-Jespersen limiting of DG cells of any order (limiters 1 and 5).

#include <algorithm>
#include <string>

#include "ConservationLaw.h"
#include "DGCell.h"
#include "DGLimiters.h"
#include "FunctionSpace.h"
#include "GlobalParamManager.h"

namespace {

void barthJespersen(const DGLimiter &limiter, DGCell *cell) {
  const ConservationLaw *law = GlobalParamManager::Instance()->law;
  if (!law) throw std::string("limiter: no conservation law");
  DG_Dofs *dofs = cell->getCoefficients();
  const int n = std::min({law->nbFields(), static_cast<int>(dofs->nbFields), ConservationLaw::kMaxFields});
  const int nb = dofs->nbFunctions;
  double *c = dofs->levels[0];
  const FunctionSpace *space = cell->getFunctionSpace();
  const int p = space->order();

  // Inadmissible means are repaired first.
  double mean[ConservationLaw::kMaxFields];
  for (int f = 0; f < n; ++f) mean[f] = c[f * nb];
  if (!law->isPhysical(mean)) {
    law->restorePhysical(mean);
    for (int f = 0; f < n; ++f) c[f * nb] = mean[f];
  }

  for (int q = p; q >= 1; --q) {
    if (q > 1) {
      const int first = space->size(q - 1), last = std::min(space->size(q), nb);
      for (int f = 0; f < n; ++f)
        for (int j = first; j < last; ++j) c[f * nb + j] = 0.0;
    } else {
      double ratio[ConservationLaw::kMaxFields];
      limiter.computeMinMax(cell, ratio);
      const int last = std::min(space->size(1), nb);
      for (int f = 0; f < n; ++f)
        for (int j = 1; j < last; ++j) c[f * nb + j] *= ratio[f];
    }
  }
}

}  // namespace

void DGBarthLimiter::limit(DGCell *cell) { barthJespersen(*this, cell); }

void DGTovuLimiter::limit(DGCell *cell) { barthJespersen(*this, cell); }
