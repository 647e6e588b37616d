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
#include "analytic_metric.h"
#include "mException.h"
#include "tool_main.h"
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
    adapter.keepDomain = 1;  // as the solver does
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

int main(int argc, char** argv) { return guardedMain("adaptdriver", run, argc, argv); }
