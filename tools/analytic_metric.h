// Analytic metrics of the test tools: a size field given on the command line,
// shared by the adaptation driver and the mesh quality tool so that both see
// the same metric.
//   uniform H [HY HZ]
//   band iso|aniso X0 HMIN HMAX W
//   shell iso|aniso CX CY CZ R HMIN HMAX W
#ifndef DG_TOOLS_ANALYTIC_METRIC_H
#define DG_TOOLS_ANALYTIC_METRIC_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool toDouble(const char* s, double& v) {
  char* end = nullptr;
  v = std::strtod(s, &end);
  return end != s && !*end && std::isfinite(v);
}

struct Metric {
  enum Kind { Uniform, Band, Shell } kind = Uniform;
  bool aniso = false;
  double h[3] = {0, 0, 0};  // uniform sizes
  double centre[3] = {0, 0, 0};
  double x0 = 0, radius = 0, hmin = 0, hmax = 0, width = 0;

  double ramp(double d) const { return hmin + (hmax - hmin) * std::min(1.0, std::fabs(d) / width); }

  // Directions (rows) and sizes at p.
  void at(const double p[3], double dirs[3][3], double sizes[3]) const {
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) dirs[i][j] = i == j ? 1.0 : 0.0;
    if (kind == Uniform) {
      for (int i = 0; i < 3; ++i) sizes[i] = h[i];
      return;
    }
    double d = 0.0;
    if (kind == Band) {
      d = p[0] - x0;
    } else {
      const double r[3] = {p[0] - centre[0], p[1] - centre[1], p[2] - centre[2]};
      const double len = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
      d = len - radius;
      if (aniso && len > 1e-12) {
        // The radius and two directions across it.
        const double n[3] = {r[0] / len, r[1] / len, r[2] / len};
        const int k = std::fabs(n[0]) < 0.9 ? 0 : 1;
        double a[3] = {0, 0, 0};
        a[k] = 1.0;
        const double t1[3] = {a[1] * n[2] - a[2] * n[1], a[2] * n[0] - a[0] * n[2], a[0] * n[1] - a[1] * n[0]};
        for (int j = 0; j < 3; ++j) {
          dirs[0][j] = n[j];
          dirs[1][j] = t1[j];
        }
        dirs[2][0] = n[1] * t1[2] - n[2] * t1[1];
        dirs[2][1] = n[2] * t1[0] - n[0] * t1[2];
        dirs[2][2] = n[0] * t1[1] - n[1] * t1[0];
      }
    }
    const double across = ramp(d);
    sizes[0] = across;
    sizes[1] = sizes[2] = aniso ? hmax : across;
  }
};

bool parseMetric(int argc, char** argv, int first, Metric& m, int& next) {
  if (first >= argc) return false;
  const std::string kind = argv[first];
  std::vector<double> v;
  auto numbers = [&](int from, int count) {
    if (from + count > argc) return false;
    for (int i = 0; i < count; ++i) {
      double x;
      if (!toDouble(argv[from + i], x)) return false;
      v.push_back(x);
    }
    next = from + count;
    return true;
  };
  if (kind == "uniform") {
    int count = 1;
    if (first + 3 < argc && argv[first + 2][0] != '-') count = 3;
    if (!numbers(first + 1, count)) return false;
    for (int i = 0; i < 3; ++i) m.h[i] = v[count == 3 ? i : 0];
    return m.h[0] > 0 && m.h[1] > 0 && m.h[2] > 0;
  }
  if (kind != "band" && kind != "shell") return false;
  if (first + 1 >= argc) return false;
  const std::string iso = argv[first + 1];
  if (iso != "iso" && iso != "aniso") return false;
  m.aniso = iso == "aniso";
  if (kind == "band") {
    m.kind = Metric::Band;
    if (!numbers(first + 2, 4)) return false;
    m.x0 = v[0];
  } else {
    m.kind = Metric::Shell;
    if (!numbers(first + 2, 7)) return false;
    for (int i = 0; i < 3; ++i) m.centre[i] = v[i];
    m.radius = v[3];
    v.erase(v.begin(), v.begin() + 3);
  }
  m.hmin = v[1];
  m.hmax = v[2];
  m.width = v[3];
  return m.hmin > 0 && m.hmax > 0 && m.width > 0;
}

}  // namespace

#endif
