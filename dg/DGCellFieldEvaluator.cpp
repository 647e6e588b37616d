#include "DGCellFieldEvaluator.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "DGCell.h"
#include "FunctionSpace.h"
#include "Mapping.h"
#include "mEntity.h"

namespace {

// Moves reference coordinates into the reference element of the kind.
void clampToReference(int type, double &u, double &v, double &w) {
  auto clamp = [](double x, double lo, double hi) { return std::min(std::max(x, lo), hi); };
  switch (type) {
    case KORA::mEntity::QUAD:
    case KORA::mEntity::HEX:
      u = clamp(u, -1.0, 1.0);
      v = clamp(v, -1.0, 1.0);
      w = type == KORA::mEntity::HEX ? clamp(w, -1.0, 1.0) : 0.0;
      break;
    case KORA::mEntity::TRI:
    case KORA::mEntity::TET: {
      u = std::max(u, 0.0);
      v = std::max(v, 0.0);
      w = type == KORA::mEntity::TET ? std::max(w, 0.0) : 0.0;
      const double s = u + v + w;
      if (s > 1.0) {
        u /= s;
        v /= s;
        w /= s;
      }
      break;
    }
    default:
      break;
  }
}

}  // namespace

void DGCellFieldEvaluator::eval(const KORA::mPoint &p, double, double *values) const {
  for (DGCell *cell : cells) {
    double u, v, w;
    if (cell->inCell(p, values, u, v, w, nullptr)) return;
  }
  std::printf("error in DGCellfieldEvaluator\n");
  // No listed cell holds the point (it lies a rounding error outside, or the
  // cells do not cover the new element): the nearest cell is evaluated at
  // the reference point clamped into its element, so that a projection
  // never integrates undefined values.
  DGCell *nearest = nullptr;
  double best = std::numeric_limits<double>::infinity();
  double bu = 0.0, bv = 0.0, bw = 0.0;
  for (DGCell *cell : cells) {
    const KORA::Mapping *m = cell->getMapping();
    double u = 0.0, v = 0.0, w = 0.0;
    if (!m->invert(p.x(), p.y(), p.z(), u, v, w)) m->COG(u, v, w);
    clampToReference(cell->getEntity()->getType(), u, v, w);
    double x, y, z;
    m->eval(u, v, w, x, y, z);
    const double d2 = (x - p.x()) * (x - p.x()) + (y - p.y()) * (y - p.y()) + (z - p.z()) * (z - p.z());
    if (!nearest || d2 < best) {
      nearest = cell;
      best = d2;
      bu = u;
      bv = v;
      bw = w;
    }
  }
  if (nearest) nearest->interpolate(bu, bv, bw, values);
}

int DGCellFieldEvaluator::order() const {
  int p = 0;
  for (const DGCell *cell : cells) p = std::max(p, cell->getFunctionSpace()->order());
  return p;
}
