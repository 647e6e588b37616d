// Choice of the best candidate among local modifications.
#include "AdaptUtil.h"
#include "EdgeCollapsMod.h"
#include "EdgeSwapMod.h"
#include "SplitCollapsMod.h"

namespace {

template <class Op>
int win(Op* op, LocMeshMod** best, double* bestShape) {
  *bestShape = op->results->worstShape;
  delete *best;
  *best = new Op(*op);
  return 1;
}

// Topology and shape, then a strict win over 1.5 times the best.
template <class Op>
int evalStrict(Op* op, LocMeshMod** best, double* bestShape) {
  if (!op->topoCheck() || !op->geomCheck()) return 0;
  if (!(op->results->worstShape > 1.5 * *bestShape)) return 0;
  return win(op, best, bestShape);
}

}  // namespace

int AdaptUtil::evalEclps(metricField* field, EdgeCollapsMod* op, LocMeshMod** best, double* bestShape) {
  if (!op->topoCheck()) return 0;
  if (field) {
    if (!op->sizeCheck()) return 0;
    if (op->results->longest > 1.96 && op->results->longestRatio > 1.44) return 0;
  }
  if (!op->geomCheck()) return 0;
  if (!(op->results->worstShape >= 1.5 * *bestShape)) return 0;
  return win(op, best, bestShape);
}

int AdaptUtil::evalEswp(EdgeSwapMod* op, LocMeshMod** best, double* bestShape) {
  return evalStrict(op, best, bestShape);
}

int AdaptUtil::evalSpltClps(SplitCollapsMod* op, LocMeshMod** best, double* bestShape) {
  return evalStrict(op, best, bestShape);
}
