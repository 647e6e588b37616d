// Physical limiter (limiter 3): removes the highest modes of a cell until its
// traces on all its faces are admissible states.

#include <algorithm>
#include <cstdio>
#include <string>

#include "ConservationLaw.h"
#include "DGBoundaryCell.h"
#include "DGCell.h"
#include "DGLimiters.h"
#include "FunctionSpace.h"
#include "GlobalParamManager.h"
#include "mEntity.h"

using KORA::mEntity;

void DGPhysicalLimiter::limit(DGCell *cell) {
  const ConservationLaw *law = GlobalParamManager::Instance()->law;
  if (!law) throw std::string("limiter: no conservation law");
  DG_Dofs *dofs = cell->getCoefficients();
  const int n = std::min({law->nbFields(), static_cast<int>(dofs->nbFields), ConservationLaw::kMaxFields});
  const int nb = dofs->nbFunctions;
  double *c = dofs->levels[0];
  const FunctionSpace *space = cell->getFunctionSpace();
  mEntity *element = cell->getEntity();

  double U[ConservationLaw::kMaxFields] = {};
  // The same faces in every pass: nothing changes them in between.
  const std::span<const LimiterFaceTable::Face> faces = faceTable.faces(cell);
  for (int q = space->order();; --q) {
    bool failed = false;
    for (const LimiterFaceTable::Face &face : faces) {
      const DGBoundaryCell *fc = face.cell;
      if (!fc) continue;
      // The cell's own side of the face; a face that does not touch the cell
      // has no trace of it to test.
      bool left;
      if (fc->left == element)
        left = true;
      else if (fc->right == element)
        left = false;
      else
        continue;
      for (const ptGaussInfo &g : fc->gaussPoints) {
        const std::vector<double> &phi = left ? g.fctsL : g.fctsR;
        const int m = std::min(nb, static_cast<int>(phi.size()));
        for (int f = 0; f < n; ++f) {
          double s = 0.0;
          for (int j = 0; j < m; ++j) s += phi[j] * c[f * nb + j];
          U[f] = s;
        }
        if (!law->isPhysical(U) || U[0] > upperBound || U[0] < lowerBound) {
          failed = true;
          std::fputs("non physical field found...\n", stdout);
          break;  // next face
        }
      }
    }
    if (!failed) return;
    if (q >= 1) {
      const int first = space->size(q - 1), last = std::min(space->size(q), nb);
      for (int f = 0; f < n; ++f)
        for (int j = first; j < last; ++j) c[f * nb + j] = 0.0;
    }
    if (q - 1 < 1) return;
  }
}
