#include "LocMeshMod.h"

#include <algorithm>

using namespace KORA;

namespace {
const double unrated = 99999999;
}

int LocMeshMod::getShape(const double xyz[4][3], metric* metrics[4], double* out) {
  double worst = unrated;
  for (int i = 0; i < 4; ++i) {
    if (!metrics[i]) continue;
    double r = 0.0;
    // The rating is read after the measure has written it.
    const int measured = shpMeasure->get(xyz, metrics[i], &r);
    const int ok = valid(measured, r);
    if (!ok) {
      *out = r;
      return 0;
    }
    worst = std::min(worst, r);
  }
  if (worst == unrated) return getShape(xyz, metrics[0], out);
  *out = worst;
  return 1;
}

int LocMeshMod::getShape2D(const double xyz[3][3], const double* normal, metric* metrics[3],
                           double* out) {
  double worst = unrated;
  for (int i = 0; i < 3; ++i) {
    if (!metrics[i]) continue;
    double r = 0.0;
    const int measured = shpMeasure->get2D(xyz, normal, metrics[i], &r);
    const int ok = valid(measured, r);
    if (!ok) {
      *out = r;
      return 0;
    }
    worst = std::min(worst, r);
  }
  if (worst == unrated) return getShape2D(xyz, normal, metrics[0], out);
  *out = worst;
  return 1;
}

int LocMeshMod::getShape(const double xyz[4][3], metric* m, double* out) {
  const int measured = shpMeasure->get(xyz, m, out);
  return valid(measured, *out);
}

int LocMeshMod::getShape2D(const double xyz[3][3], const double* normal, metric* m, double* out) {
  const int measured = shpMeasure->get2D(xyz, normal, m, out);
  return valid(measured, *out);
}

int LocMeshMod::getShape(pRegion r, double* out) {
  const int measured = shpMeasure->get(r, out);
  return valid(measured, *out);
}
