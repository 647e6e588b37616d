// Quality of a simplicial mesh in an analytic metric, the same metric the
// adaptation driver takes: edge lengths and element shapes measured in the
// metric, and the element count against the metric's own estimate.
//
// usage: mesh_quality mesh.msh METRIC [-view out.pos]
//   METRIC as for the adaptation driver (see analytic_metric.h).
//   -view: also write the metric on the mesh's elements as a view, to drive
//          another mesher: tensors on triangles in two dimensions, the
//          smallest size as a scalar on tetrahedra in three.
//
// Measures (the metric is evaluated where it is used, never interpolated):
//   metric length of an edge     integral of sqrt(v^T M(x) v) along it
//                                 (5-point Gauss rule)
//   mean ratio of an element     4 sqrt(3) A_M / sum l_M^2 for a triangle,
//                                 12 (3 V_M)^(2/3) / sum l_M^2 for a
//                                 tetrahedron, with M at the centroid; 1 for
//                                 the regular element of the metric
//   expected element count       integral of sqrt(det M) over the mesh
//                                 divided by the metric volume of the regular
//                                 element of unit edges (sqrt(3)/4, or
//                                 1/(6 sqrt(2)))
//   invalid element               zero measure, or folded over a neighbour
//                                 (both on the same side of their shared
//                                 side); the total area or volume, printed
//                                 too, exceeds the domain's on a fold at the
//                                 boundary
// Exit status 0 on success, 1 on any failure.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "KORA.h"
#include "KORA_Util.h"
#include "analytic_metric.h"
#include "mException.h"
#include "tool_main.h"
#include "mMesh.h"
#include "metric.h"

using namespace KORA;

namespace {

int usage() {
  std::cerr << "usage: mesh_quality mesh.msh METRIC [-view out.pos]\n"
               "  METRIC: uniform H [HY HZ]\n"
               "          band iso|aniso X0 HMIN HMAX W\n"
               "          shell iso|aniso CX CY CZ R HMIN HMAX W\n";
  return 1;
}

using Point = std::array<double, 3>;

metric metricAt(const Metric& spec, const double p[3]) {
  double dirs[3][3], sizes[3];
  spec.at(p, dirs, sizes);
  return metric(dirs, sizes);
}

Point sub(const Point& a, const Point& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

Point cross(const double a[3], const double b[3]) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

double squaredLengthIn(const metric& m, const Point& v) {
  double t[3];
  m.transform(v.data(), t);
  return dot(t, t);
}

// Length in the metric of the segment a-b.
double edgeLength(const Metric& spec, const Point& a, const Point& b) {
  static const double xg[5] = {-0.9061798459386640, -0.5384693101056831, 0.0, 0.5384693101056831,
                               0.9061798459386640};
  static const double wg[5] = {0.2369268850561891, 0.4786286704993665, 0.5688888888888889,
                               0.4786286704993665, 0.2369268850561891};
  const Point v = sub(b, a);
  double sum = 0.0;
  for (int g = 0; g < 5; ++g) {
    const double t = 0.5 * (1.0 + xg[g]);
    const double p[3] = {a[0] + t * v[0], a[1] + t * v[1], a[2] + t * v[2]};
    sum += wg[g] * std::sqrt(squaredLengthIn(metricAt(spec, p), v));
  }
  return 0.5 * sum;
}

// Measure in m of the simplex x[0..dim] (area of a triangle, volume of a
// tetrahedron), unsigned.
double measureIn(const metric& m, const Point* x, int dim) {
  double t[3][3];
  for (int i = 0; i < dim; ++i) {
    const Point v = sub(x[i + 1], x[0]);
    m.transform(v.data(), t[i]);
  }
  const Point c = cross(t[0], t[1]);
  if (dim == 2) return 0.5 * std::sqrt(dot(c.data(), c.data()));
  return std::fabs(dot(c.data(), t[2])) / 6.0;
}

struct Quality {
  int dim = 0;
  long elements = 0, edges = 0, invalid = 0, below005 = 0;
  double within = 0.0;  // fraction of edges of metric length in [1/sqrt2, sqrt2]
  double quantile[5] = {0, 0, 0, 0, 0};
  double worstRatio = 1.0, meanRatio = 0.0;
  double expected = 0.0;
  double measure = 0.0;  // total area or volume
};

// The mesh's simplices: vertex coordinates, and dim + 1 vertex numbers per
// element.
struct Simplices {
  int dim = 0;
  std::vector<Point> coords;
  std::vector<int> vertices;
  long size() const { return dim ? static_cast<long>(vertices.size()) / (dim + 1) : 0; }
};

Simplices collect(mMesh* mesh) {
  Simplices s;
  s.dim = M_numRegions(mesh) > 0 ? 3 : 2;
  std::unordered_map<pVertex, int> number;
  auto add = [&](pVertex v) {
    const auto [it, inserted] = number.emplace(v, static_cast<int>(s.coords.size()));
    if (inserted) {
      Point p;
      V_coord(v, p.data());
      s.coords.push_back(p);
    }
    s.vertices.push_back(it->second);
  };
  if (s.dim == 3) {
    RIter it = M_regionIter(mesh);
    while (pRegion r = RIter_next(it))
      for (int i = 0; i < 4; ++i) add(R_vertex(r, i));
    RIter_delete(it);
  } else {
    FIter it = M_faceIter(mesh);
    while (pFace f = FIter_next(it))
      for (int i = 0; i < 3; ++i) add(F_vertex(f, i));
    FIter_delete(it);
  }
  return s;
}

double signedMeasure(const Point* x, int dim) {
  const Point a = sub(x[1], x[0]), b = sub(x[2], x[0]);
  const Point c = cross(a.data(), b.data());
  if (dim == 2) return 0.5 * c[2];
  const Point d = sub(x[3], x[0]);
  return dot(c.data(), d.data()) / 6.0;
}

// Sorted, unique vertex pairs of the elements (the reader builds only the
// boundary's edges).
std::vector<std::pair<int, int>> edgesOf(const Simplices& s) {
  const int n = s.dim + 1;
  std::vector<std::pair<int, int>> edges;
  for (long e = 0; e < s.size(); ++e) {
    const int* v = &s.vertices[e * n];
    for (int i = 0; i < n; ++i)
      for (int j = i + 1; j < n; ++j) edges.emplace_back(std::min(v[i], v[j]), std::max(v[i], v[j]));
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  return edges;
}

// Elements that are flat, or fold over a neighbour: the two elements sharing
// a side must lie on its two sides. The vertex order of an element is not
// trusted, so this holds for meshes of either or of mixed orientation.
std::vector<char> invalidElements(const Simplices& s) {
  const int n = s.dim + 1;
  std::vector<char> bad(s.size(), 0);
  struct Side {
    std::array<int, 3> key;
    long element;
    int opposite;
  };
  std::vector<Side> sides;
  sides.reserve(s.vertices.size());
  for (long e = 0; e < s.size(); ++e) {
    const int* v = &s.vertices[e * n];
    Point x[4];
    for (int k = 0; k < n; ++k) x[k] = s.coords[v[k]];
    if (signedMeasure(x, s.dim) == 0.0) bad[e] = 1;
    for (int k = 0; k < n; ++k) {
      Side side{{-1, -1, -1}, e, v[k]};
      int m = 0;
      for (int j = 0; j < n; ++j)
        if (j != k) side.key[m++] = v[j];
      // At most three numbers: sorted by exchanges.
      auto order = [&](int a, int b) {
        if (side.key[b] < side.key[a]) std::swap(side.key[a], side.key[b]);
      };
      order(0, 1);
      if (m == 3) {
        order(1, 2);
        order(0, 1);
      }
      sides.push_back(side);
    }
  }
  std::sort(sides.begin(), sides.end(), [](const Side& a, const Side& b) { return a.key < b.key; });
  for (std::size_t i = 0; i + 1 < sides.size(); ++i) {
    if (sides[i].key != sides[i + 1].key) continue;
    // Orientation of each opposite vertex against the shared side.
    double o[2];
    for (int t = 0; t < 2; ++t) {
      const Side& sd = sides[i + t];
      Point x[4];
      for (int k = 0; k < s.dim; ++k) x[k] = s.coords[sd.key[k]];
      x[s.dim] = s.coords[sd.opposite];
      o[t] = signedMeasure(x, s.dim);
    }
    if (o[0] * o[1] >= 0.0) bad[sides[i].element] = bad[sides[i + 1].element] = 1;
  }
  return bad;
}

Quality measure(const Simplices& s, const Metric& spec) {
  Quality q;
  q.dim = s.dim;
  const int n = s.dim + 1;
  q.elements = s.size();
  const auto edges = edgesOf(s);
  q.edges = static_cast<long>(edges.size());

  std::vector<double> lengths;
  lengths.reserve(edges.size());
  long within = 0;
  for (const auto& e : edges) {
    const double l = edgeLength(spec, s.coords[e.first], s.coords[e.second]);
    lengths.push_back(l);
    if (l >= std::sqrt(0.5) && l <= std::sqrt(2.0)) ++within;
  }
  std::sort(lengths.begin(), lengths.end());
  if (!lengths.empty()) {
    q.within = static_cast<double>(within) / static_cast<double>(lengths.size());
    const double at[5] = {0.0, 0.1, 0.5, 0.9, 1.0};
    for (int i = 0; i < 5; ++i) {
      const double r = at[i] * static_cast<double>(lengths.size() - 1);
      const std::size_t k = static_cast<std::size_t>(r);
      const double f = r - static_cast<double>(k);
      q.quantile[i] = k + 1 < lengths.size() ? (1 - f) * lengths[k] + f * lengths[k + 1] : lengths[k];
    }
  }

  const std::vector<char> bad = invalidElements(s);
  q.invalid = std::count(bad.begin(), bad.end(), 1);

  // Quadrature of sqrt(det M): edge midpoints for triangles, the degree-2
  // four-point rule for tetrahedra.
  const double a4 = 0.5854101966249685, b4 = 0.1381966011250105;
  const double ideal = s.dim == 2 ? std::sqrt(3.0) / 4.0 : 1.0 / (6.0 * std::sqrt(2.0));
  double sumRatio = 0.0;
  for (long i = 0; i < q.elements; ++i) {
    Point x[4];
    for (int k = 0; k < n; ++k) x[k] = s.coords[s.vertices[i * n + k]];
    q.measure += std::fabs(signedMeasure(x, s.dim));
    double c[3] = {0, 0, 0};
    for (int k = 0; k < n; ++k)
      for (int j = 0; j < 3; ++j) c[j] += x[k][j] / n;
    const metric mc = metricAt(spec, c);
    double sumSq = 0.0;
    for (int a = 0; a < n; ++a)
      for (int b = a + 1; b < n; ++b) sumSq += squaredLengthIn(mc, sub(x[b], x[a]));
    const double vol = measureIn(mc, x, s.dim);
    const double ratio = sumSq > 0.0 ? (s.dim == 2 ? 4.0 * std::sqrt(3.0) * vol / sumSq
                                                   : 12.0 * std::pow(3.0 * vol, 2.0 / 3.0) / sumSq)
                                     : 0.0;
    q.worstRatio = std::min(q.worstRatio, ratio);
    sumRatio += ratio;
    if (ratio < 0.05) ++q.below005;

    double integral = 0.0;
    for (int g = 0; g < n; ++g) {
      double p[3];
      for (int j = 0; j < 3; ++j) {
        if (s.dim == 2)
          p[j] = 0.5 * (x[g][j] + x[(g + 1) % 3][j]);
        else
          p[j] = b4 * (x[0][j] + x[1][j] + x[2][j] + x[3][j]) + (a4 - b4) * x[g][j];
      }
      integral += measureIn(metricAt(spec, p), x, s.dim) / n;
    }
    q.expected += integral / ideal;
  }
  if (q.elements) q.meanRatio = sumRatio / static_cast<double>(q.elements);
  return q;
}

// The metric on the mesh's elements as a view: the tensor at every vertex of
// every triangle, or the smallest size at every vertex of every tetrahedron.
bool writeView(const char* name, const Simplices& s, const Metric& spec) {
  std::ofstream out(name);
  if (!out) return false;
  out.precision(10);
  out << "View \"metric\" {\n";
  const int n = s.dim + 1;
  for (long i = 0; i < s.size(); ++i) {
    Point x[4];
    for (int k = 0; k < n; ++k) x[k] = s.coords[s.vertices[i * n + k]];
    out << (s.dim == 2 ? "TT(" : "SS(");
    for (int k = 0; k < n; ++k) out << (k ? "," : "") << x[k][0] << ',' << x[k][1] << ',' << x[k][2];
    out << "){";
    for (int k = 0; k < n; ++k) {
      const metric m = metricAt(spec, x[k].data());
      if (s.dim == 2) {
        for (int r = 0; r < 3; ++r)
          for (int c = 0; c < 3; ++c) {
            double t = 0.0;
            for (int d = 0; d < 3; ++d) t += m.e[d][r] * m.e[d][c] / (m.h[d] * m.h[d]);
            out << (k || r || c ? "," : "") << t + 0.0;  // no "-0"
          }
      } else {
        out << (k ? "," : "") << m.h[0];
      }
    }
    out << "};\n";
  }
  out << "};\n";
  return static_cast<bool>(out);
}

int run(int argc, char** argv) {
  if (argc < 3) return usage();
  const char* input = argv[1];
  Metric spec;
  int next = 0;
  if (!parseMetric(argc, argv, 2, spec, next)) return usage();
  const char* view = nullptr;
  for (int i = next; i < argc; ++i) {
    if (std::string(argv[i]) == "-view" && i + 1 < argc)
      view = argv[++i];
    else
      return usage();
  }

  mMesh* mesh = MS_newMesh(nullptr);
  KORA_Util::Instance()->importDGFile(input, mesh);
  if (M_numFaces(mesh) == 0 && M_numRegions(mesh) == 0) {
    std::cerr << "mesh_quality: " << input << " holds no triangles or tetrahedra\n";
    M_delete(mesh);
    return 1;
  }
  const Simplices s = collect(mesh);
  M_delete(mesh);

  if (view && !writeView(view, s, spec)) {
    std::cerr << "mesh_quality: cannot write " << view << '\n';
    return 1;
  }
  const Quality q = measure(s, spec);
  std::printf("dimension: %d\n", q.dim);
  std::printf("elements: %ld\n", q.elements);
  std::printf("edges: %ld\n", q.edges);
  std::printf("invalid elements: %ld\n", q.invalid);
  std::printf("%s: %.6f\n", q.dim == 2 ? "area" : "volume", q.measure);
  std::printf("edges of metric length in [1/sqrt2, sqrt2]: %.4f\n", q.within);
  std::printf("metric length min 10%% 50%% 90%% max: %.4f %.4f %.4f %.4f %.4f\n", q.quantile[0],
              q.quantile[1], q.quantile[2], q.quantile[3], q.quantile[4]);
  std::printf("mean ratio worst: %.4f\n", q.worstRatio);
  std::printf("mean ratio mean: %.4f\n", q.meanRatio);
  std::printf("elements of mean ratio below 0.05: %ld\n", q.below005);
  std::printf("elements expected by the metric: %.1f\n", q.expected);
  std::printf("elements over expected: %.4f\n", q.expected > 0 ? q.elements / q.expected : 0.0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return guardedMain("mesh_quality", run, argc, argv); }
