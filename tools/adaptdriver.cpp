// Test driver of the conformal adaptation library: reads a mesh, attaches an
// analytic metric to every vertex, adapts the mesh as the solver does (set the
// metric on every vertex, smooth with the factors (2, 2, 2), five passes at
// most, write "mField.pos"), writes the adapted mesh in the ".msh" layout and
// reports the changes by kind.
//
// usage: adaptdriver input.msh output.msh METRIC [-snap]
//   METRIC: uniform H [HY HZ]      sizes along x, y and z (one size: isotropic)
//           band iso|aniso X0 HMIN HMAX W
//                                  the size across the plane x = X0 grows
//                                  linearly from HMIN to HMAX at distance W;
//                                  aniso: only along x, HMAX along y and z
//           shell iso|aniso CX CY CZ R HMIN HMAX W
//                                  the same across the sphere of centre C and
//                                  radius R; aniso: only along the radius
//   -snap: ask the driver to snap new boundary vertices to the model
//
// Standard output: the driver's own lines, then "changes of kind K: N" for
// every kind K from 0 to 8, "changes that alter the volume: N" (a change whose
// new elements do not fill the same volume, or area, as the old ones) and
// "elements: N", "vertices: N". Exit status 0 on success, 1 on any failure.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "AdaptUtil.h"
#include "ConformalAdapter.h"
#include "DGAnalysis.h"
#include "KORA.h"
#include "KORA_Util.h"
#include "MT_geometry.h"
#include "mException.h"
#include "mMesh.h"
#include "metricField.h"

using namespace KORA;

namespace {

int usage() {
  std::cerr << "usage: adaptdriver input.msh output.msh METRIC [-snap]\n"
               "  METRIC: uniform H [HY HZ]\n"
               "          band iso|aniso X0 HMIN HMAX W\n"
               "          shell iso|aniso CX CY CZ R HMIN HMAX W\n";
  return 1;
}

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

double faceArea(pFace f) {
  double n[3];
  F_normalVector(f, 1, n);
  return 0.5 * std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
}

// What the change callback saw.
struct Changes {
  long byKind[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
  long unknownKind = 0;
  long volumeChanged = 0;

  // Volume of the regions, or area of the faces, in the list: only entities
  // of the dimension of its first one count.
  static double measure(pPList l, int& dim) {
    double sum = 0.0;
    dim = -1;
    void* it = nullptr;
    while (void* x = PList_next(l, &it)) {
      pEntity e = static_cast<pEntity>(x);
      const int t = EN_type(e);
      if (dim < 0) dim = t;
      if (t != dim) continue;
      if (t == 3)
        sum += R_volume(static_cast<pRegion>(e));
      else if (t == 2)
        sum += faceArea(static_cast<pFace>(e));
    }
    return sum;
  }

  static void record(pPList olds, pPList news, void* data, modType kind, pEntity) {
    auto* c = static_cast<Changes*>(data);
    if (kind < 0 || kind > 8) {
      ++c->unknownKind;
      return;
    }
    ++c->byKind[kind];
    int dOld = -1, dNew = -1;
    const double before = measure(olds, dOld), after = measure(news, dNew);
    if (dOld != dNew || std::fabs(before - after) > 1e-10 * std::max(1.0, std::fabs(before)))
      ++c->volumeChanged;
  }
};

int run(int argc, char** argv) {
  if (argc < 4) return usage();
  const char* input = argv[1];
  const char* output = argv[2];
  Metric metricSpec;
  int next = 0;
  if (!parseMetric(argc, argv, 3, metricSpec, next)) return usage();
  int snap = 0;
  for (int i = next; i < argc; ++i) {
    if (std::string(argv[i]) == "-snap")
      snap = 1;
    else
      return usage();
  }

  mMesh* mesh = MS_newMesh(nullptr);
  KORA_Util::Instance()->import(input, mesh);
  const int dim = M_numRegions(mesh) > 0 ? 3 : 2;
  if (M_numFaces(mesh) == 0) {
    std::cerr << "adaptdriver: " << input << " holds no triangles or tetrahedra\n";
    M_delete(mesh);
    return 1;
  }
  createDGAdjacencies(mesh, dim);

  Changes changes;
  bool viewWritten = false;
  {
    // The solver's order of calls.
    metricField field(mesh);
    VIter vi = M_vertexIter(mesh);
    while (pVertex v = VIter_next(vi)) {
      double p[3], dirs[3][3], sizes[3];
      V_coord(v, p);
      metricSpec.at(p, dirs, sizes);
      field.setMetric(v, dirs, sizes);
    }
    VIter_delete(vi);
    ConformalAdapter adapter(mesh, &field, snap, 0);
    adapter.setCallback(&Changes::record, &changes);
    const double beta[3] = {2.0, 2.0, 2.0};
    field.smooth_aniso(beta);
    adapter.run_2(5, 0, nullptr);
    viewWritten = AdaptUtil::viewMetricField(mesh, &field) != 0;
  }
  if (!viewWritten) {
    M_delete(mesh);
    return 1;
  }

  KORA_Util::Instance()->ex_port(output, mesh, true);
  for (int k = 0; k <= 8; ++k) std::cout << "changes of kind " << k << ": " << changes.byKind[k] << '\n';
  if (changes.unknownKind) std::cout << "changes of unknown kind: " << changes.unknownKind << '\n';
  std::cout << "changes that alter the volume: " << changes.volumeChanged << '\n';
  std::cout << "elements: " << (dim == 3 ? M_numRegions(mesh) : M_numFaces(mesh)) << '\n';
  std::cout << "vertices: " << M_numVertices(mesh) << std::endl;
  M_delete(mesh);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (mException* e) {
    std::cerr << "adaptdriver: mesh library error (" << e->getFile() << ":" << e->getLine() << ")\n";
    delete e;
  } catch (const mException& e) {
    std::cerr << "adaptdriver: mesh library error (" << e.getFile() << ":" << e.getLine() << ")\n";
  } catch (int code) {
    std::cerr << "adaptdriver: unsupported mesh operation (" << code << ")\n";
  } catch (const std::string& s) {
    std::cerr << "adaptdriver: " << s << '\n';
  } catch (const std::exception& e) {
    std::cerr << "adaptdriver: " << e.what() << '\n';
  }
  return 1;
}
