#include "CellOrder.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "DGBoundaryCell.h"
#include "mVertex.h"

using KORA::mEntity;

namespace {

// The Hilbert index of the integer point X (n axes of b bits) in transposed
// form (Skilling's algorithm), its bits then interleaved from the top.
std::uint64_t hilbertIndex(std::uint32_t *X, int n, int b) {
  if (n == 1) return X[0];
  const std::uint32_t M = 1u << (b - 1);
  for (std::uint32_t Q = M; Q > 1; Q >>= 1) {
    const std::uint32_t P = Q - 1;
    for (int i = 0; i < n; ++i) {
      if (X[i] & Q) {
        X[0] ^= P;
      } else {
        const std::uint32_t t = (X[0] ^ X[i]) & P;
        X[0] ^= t;
        X[i] ^= t;
      }
    }
  }
  for (int i = 1; i < n; ++i) X[i] ^= X[i - 1];
  std::uint32_t t = 0;
  for (std::uint32_t Q = M; Q > 1; Q >>= 1)
    if (X[n - 1] & Q) t ^= Q - 1;
  for (int i = 0; i < n; ++i) X[i] ^= t;
  std::uint64_t key = 0;
  for (int bit = b - 1; bit >= 0; --bit)
    for (int i = 0; i < n; ++i) key = (key << 1) | ((X[i] >> bit) & 1u);
  return key;
}

}  // namespace

std::vector<std::uint64_t> hilbertKeys(const std::vector<double> &xyz) {
  const std::size_t count = xyz.size() / 3;
  std::vector<std::uint64_t> keys(count, 0);
  if (count == 0) return keys;
  double lo[3], hi[3];
  for (int a = 0; a < 3; ++a) lo[a] = hi[a] = xyz[a];
  for (std::size_t p = 0; p < count; ++p)
    for (int a = 0; a < 3; ++a) {
      lo[a] = std::min(lo[a], xyz[3 * p + a]);
      hi[a] = std::max(hi[a], xyz[3 * p + a]);
    }
  // The axes along which the points spread (a spread that is not finite
  // counts as none: the order then falls to the ties).
  int axes[3], n = 0;
  for (int a = 0; a < 3; ++a)
    if (std::isfinite(hi[a] - lo[a]) && hi[a] > lo[a]) axes[n++] = a;
  if (n == 0) return keys;
  const int b = n == 3 ? 21 : 31;
  const double top = static_cast<double>((1u << b) - 1);
  for (std::size_t p = 0; p < count; ++p) {
    std::uint32_t X[3];
    for (int i = 0; i < n; ++i) {
      const int a = axes[i];
      const double s = (xyz[3 * p + a] - lo[a]) / (hi[a] - lo[a]) * top;
      X[i] = s >= 0.0 ? static_cast<std::uint32_t>(std::min(s, top)) : 0u;  // NaN gives 0
    }
    keys[p] = hilbertIndex(X, n, b);
  }
  return keys;
}

void sortAlongCurve(std::vector<mEntity *> &elements) {
  std::vector<double> xyz(3 * elements.size(), 0.0);
  for (std::size_t i = 0; i < elements.size(); ++i) {
    mEntity *e = elements[i];
    const int nv = e->size(0);
    for (int v = 0; v < nv; ++v) {
      const KORA::mPoint p = static_cast<KORA::mVertex *>(e->get(0, v))->point();
      xyz[3 * i] += p.x();
      xyz[3 * i + 1] += p.y();
      xyz[3 * i + 2] += p.z();
    }
    if (nv > 0)
      for (int a = 0; a < 3; ++a) xyz[3 * i + a] /= nv;
  }
  const std::vector<std::uint64_t> keys = hilbertKeys(xyz);
  std::vector<std::size_t> order(elements.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    if (keys[a] != keys[b]) return keys[a] < keys[b];
    return entityPrecedes(elements[a], elements[b]);
  });
  std::vector<mEntity *> sorted(elements.size());
  for (std::size_t i = 0; i < order.size(); ++i) sorted[i] = elements[order[i]];
  elements.swap(sorted);
}
