#include "metric.h"

#include <cmath>

#include "MT_vector.h"

metric::metric(const double dirs[3][3], const double sizes[3]) {
  // Smallest size first; among equal sizes the lower index wins.
  int k = sizes[1] < sizes[0] ? 1 : 0;
  if (sizes[2] < sizes[k]) k = 2;
  const int a = (k + 1) % 3, b = (k + 2) % 3;
  const int m = sizes[a] < sizes[b] ? a : b;
  const int l = m == a ? b : a;
  h[0] = sizes[k];
  h[1] = sizes[m];
  h[2] = sizes[l];
  double d0[3] = {dirs[k][0], dirs[k][1], dirs[k][2]};
  normVt(d0, e[0]);
  // One Gram-Schmidt step for the middle direction.
  const double p = dotProd(e[0], dirs[m]);
  double d1[3];
  for (int i = 0; i < 3; ++i) d1[i] = dirs[m][i] - p * e[0][i];
  normVt(d1, e[1]);
  double d2[3];
  crossProd(e[0], e[1], d2);
  normVt(d2, e[2]);
}

metric::metric(double hh) : h{hh, hh, hh}, e{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}} {}

metric::metric(const metric* other) {
  for (int i = 0; i < 3; ++i) {
    h[i] = other->h[i];
    for (int j = 0; j < 3; ++j) e[i][j] = other->e[i][j];
  }
}

void metric::scale(double f) {
  for (double& x : h) x *= f;
}

void metric::scale(int i, double f) { h[i] *= f; }

void metric::transform(const double v[3], double out[3]) const {
  for (int i = 0; i < 3; ++i) out[i] = (v[0] * e[i][0] + v[1] * e[i][1] + v[2] * e[i][2]) / h[i];
}

double metric::directionalSize(const double v[3]) const {
  double t[3];
  transform(v, t);
  return dotProd(v, v) / dotProd(t, t);
}

double metric::aspectRatio(int dim) const { return dim == 3 ? h[2] / h[0] : h[1] / h[0]; }

bool metric::finite() const {
  for (int i = 0; i < 3; ++i) {
    if (!std::isfinite(h[i]) || !(h[i] > 0.0)) return false;
    for (int j = 0; j < 3; ++j)
      if (!std::isfinite(e[i][j])) return false;
  }
  return true;
}
