// Meshes read from text or from the data folder, the change recorder and the
// checks of an adapted mesh for the adaptation driver's tests.
#ifndef TESTS_ADAPT_DRIVER_FIXTURES_H
#define TESTS_ADAPT_DRIVER_FIXTURES_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "DGAnalysis.h"
#include "KORA.h"
#include "KORA_Util.h"
#include "MT_geometry.h"
#include "MT_topology.h"
#include "mMesh.h"
#include "metricField.h"

namespace drivertest {

using namespace KORA;

// A mesh read from ".msh" text (or a file of the data folder) with the
// adjacencies the solver creates.
struct LoadedMesh {
  pMesh m = MS_newMesh(nullptr);
  int dim = 2;
  LoadedMesh(const LoadedMesh&) = delete;
  LoadedMesh& operator=(const LoadedMesh&) = delete;
  explicit LoadedMesh(const std::string& text, bool isFile = false) {
    if (isFile) {
      KORA_Util::Instance()->importDGFile((std::string(DG_TEST_DATA) + "/" + text).c_str(), m);
    } else {
      std::istringstream in(text);
      KORA_Util::Instance()->importDGFile(in, m);
    }
    KORA_Util::Instance()->BuildGTopology(m);
    dim = M_numRegions(m) > 0 ? 3 : 2;
    createDGAdjacencies(m, dim);
  }
  ~LoadedMesh() { M_delete(m); }
};

// Every change reported to the callback, with the measure (volume, or area
// in a triangle mesh) of the old and of the new elements.
struct Changes {
  struct Change {
    int kind;
    double before, after;
  };
  std::vector<Change> list;

  static double area(pFace f) {
    double n[3];
    F_normalVector(f, 1, n);
    return 0.5 * std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  }
  // Elements of the dimension of the list's first entity.
  static double measure(pPList l) {
    double sum = 0.0;
    int dim = -1;
    void* it = nullptr;
    while (void* x = PList_next(l, &it)) {
      pEntity e = static_cast<pEntity>(x);
      if (dim < 0) dim = EN_type(e);
      if (EN_type(e) != dim) continue;
      sum += dim == 3 ? R_volume(static_cast<pRegion>(e)) : area(static_cast<pFace>(e));
    }
    return sum;
  }
  static void record(pPList olds, pPList news, void* data, modType kind, pEntity) {
    static_cast<Changes*>(data)->list.push_back({static_cast<int>(kind), measure(olds), measure(news)});
  }
  int count(int kind) const {
    return static_cast<int>(std::count_if(list.begin(), list.end(), [&](const Change& c) { return c.kind == kind; }));
  }
};

// Unsquared length of v in the metric m: sqrt(sum_i ((v . e_i) / h_i)^2).
inline double lengthIn(const metric* m, const double v[3]) {
  double s = 0.0;
  for (int i = 0; i < 3; ++i) {
    const double c = (v[0] * m->e[i][0] + v[1] * m->e[i][1] + v[2] * m->e[i][2]) / m->h[i];
    s += c * c;
  }
  return std::sqrt(s);
}

// The largest edge length in the metric: the mean of the lengths in the two
// end metrics.
inline double longestMetricEdge(pMesh m, const metricField& field) {
  double worst = 0.0;
  EIter it = M_edgeIter(m);
  while (pEdge e = EIter_next(it)) {
    double a[3], b[3], v[3];
    V_coord(E_vertex(e, 0), a);
    V_coord(E_vertex(e, 1), b);
    for (int k = 0; k < 3; ++k) v[k] = b[k] - a[k];
    const double l = 0.5 * (lengthIn(field.getMetric(E_vertex(e, 0)), v) + lengthIn(field.getMetric(E_vertex(e, 1)), v));
    worst = std::max(worst, l);
  }
  EIter_delete(it);
  return worst;
}

// Signed area of a triangle of the plane z = 0 (vertices in face order).
inline double signedArea(pFace f) {
  pPList vs = F_vertices(f, 1);
  double x[3][3];
  for (int i = 0; i < 3; ++i) V_coord(static_cast<pVertex>(PList_item(vs, i)), x[i]);
  PList_delete(vs);
  return 0.5 * ((x[1][0] - x[0][0]) * (x[2][1] - x[0][1]) - (x[1][1] - x[0][1]) * (x[2][0] - x[0][0]));
}

// For each model entity of level 1 or 2: the axes along which its vertices
// do not move (a model plane or line of a box), with their values.
struct ModelPlanes {
  std::map<pGEntity, std::vector<std::pair<int, double>>> fixed;
  explicit ModelPlanes(pMesh m) {
    std::map<pGEntity, std::pair<std::vector<double>, std::vector<double>>> box;  // min, max
    VIter it = M_vertexIter(m);
    while (pVertex v = VIter_next(it)) {
      const int t = V_whatInType(v);
      if (t != 1 && t != 2) continue;
      double x[3];
      V_coord(v, x);
      auto [pos, fresh] = box.try_emplace(V_whatIn(v), std::vector<double>(x, x + 3), std::vector<double>(x, x + 3));
      for (int k = 0; k < 3 && !fresh; ++k) {
        pos->second.first[k] = std::min(pos->second.first[k], x[k]);
        pos->second.second[k] = std::max(pos->second.second[k], x[k]);
      }
    }
    VIter_delete(it);
    for (const auto& [g, mm] : box)
      for (int k = 0; k < 3; ++k)
        if (mm.second[k] - mm.first[k] < 1e-12) fixed[g].push_back({k, mm.first[k]});
  }
};

// What the checks of an adapted box measured.
struct MeshReport {
  int inverted = 0;
  int badFaceUses = 0;  // faces (edges in 2-D) with a wrong number of elements or classification
  int euler = 0;        // V - E + F - R (V - E + F in 2-D)
  double volume = 0.0;  // area in 2-D
  double boundary = 0.0;
  int corners = 0;
  int offModel = 0;  // boundary vertices off their model plane or line
};

// Side of p against the line a b of the plane z = 0 (twice the signed area).
inline double sideOfLine(const double a[3], const double b[3], const double p[3]) {
  return (b[0] - a[0]) * (p[1] - a[1]) - (b[1] - a[1]) * (p[0] - a[0]);
}

// Side of p against the plane of the triangle (six times the signed volume).
inline double sideOfPlane(const double a[3], const double b[3], const double c[3], const double p[3]) {
  double u[3], v[3], w[3];
  for (int k = 0; k < 3; ++k) {
    u[k] = b[k] - a[k];
    v[k] = c[k] - a[k];
    w[k] = p[k] - a[k];
  }
  return (u[1] * v[2] - u[2] * v[1]) * w[0] + (u[2] * v[0] - u[0] * v[2]) * w[1] + (u[0] * v[1] - u[1] * v[0]) * w[2];
}

// An element is inverted (or folded over a neighbour) when the vertices
// opposite an interior face (edge in 2-D) do not lie strictly on the two
// sides of it; an element that is flat counts too. The volume (area) is the
// sum of absolute element measures: with the boundary kept and no fold, it
// is the volume of the box.
inline MeshReport inspect(pMesh m, int dim, const ModelPlanes& planes) {
  MeshReport r;
  r.euler = M_numVertices(m) - M_numEdges(m) + M_numFaces(m) - M_numRegions(m);
  if (dim == 3) {
    RIter ri = M_regionIter(m);
    while (pRegion reg = RIter_next(ri)) {
      const double v = std::fabs(R_volume(reg));
      if (v <= 0.0) ++r.inverted;
      r.volume += v;
    }
    RIter_delete(ri);
    FIter fi = M_faceIter(m);
    while (pFace f = FIter_next(fi)) {
      const int n = (F_region(f, 0) ? 1 : 0) + (F_region(f, 1) ? 1 : 0);
      const int t = F_whatInType(f);
      if (!((n == 1 && t == 2) || (n == 2 && t == 3))) ++r.badFaceUses;
      if (n == 1) r.boundary += Changes::area(f);
      if (n != 2) continue;
      double x[3][3], p[3], q[3];
      for (int i = 0; i < 3; ++i) V_coord(F_vertex(f, i), x[i]);
      V_coord(R_fcOpVt(F_region(f, 0), f), p);
      V_coord(R_fcOpVt(F_region(f, 1), f), q);
      if (!(sideOfPlane(x[0], x[1], x[2], p) * sideOfPlane(x[0], x[1], x[2], q) < 0.0)) ++r.inverted;
    }
    FIter_delete(fi);
  } else {
    FIter fi = M_faceIter(m);
    while (pFace f = FIter_next(fi)) {
      const double a = std::fabs(signedArea(f));
      if (a <= 0.0) ++r.inverted;
      r.volume += a;
    }
    FIter_delete(fi);
    EIter ei = M_edgeIter(m);
    while (pEdge e = EIter_next(ei)) {
      const int n = E_numFaces(e), t = E_whatInType(e);
      if (!((n == 1 && t == 1) || (n == 2 && t == 2))) ++r.badFaceUses;
      if (n == 1) r.boundary += std::sqrt(E_length(e));
      if (n != 2) continue;
      double a[3], b[3], p[3], q[3];
      V_coord(E_vertex(e, 0), a);
      V_coord(E_vertex(e, 1), b);
      V_coord(F_edOpVt(E_face(e, 0), e), p);
      V_coord(F_edOpVt(E_face(e, 1), e), q);
      if (!(sideOfLine(a, b, p) * sideOfLine(a, b, q) < 0.0)) ++r.inverted;
    }
    EIter_delete(ei);
  }
  VIter vi = M_vertexIter(m);
  while (pVertex v = VIter_next(vi)) {
    if (V_whatInType(v) == 0) ++r.corners;
    auto f = planes.fixed.find(V_whatIn(v));
    if (f == planes.fixed.end()) continue;
    double x[3];
    V_coord(v, x);
    for (const auto& [k, c] : f->second)
      if (std::fabs(x[k] - c) > 1e-12) {
        ++r.offModel;
        break;
      }
  }
  VIter_delete(vi);
  return r;
}

}  // namespace drivertest

#endif
