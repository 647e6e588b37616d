// An analytic model for the snapping tests: the unit cube [0,1]^3 (planar
// faces with an affine parametrisation, straight model edges), installed as
// the interface's geometry services for the lifetime of the object, and a
// conforming tetrahedral mesh of it (n^3 cubes, six tetrahedra each)
// classified on it. Points carry the parameters of their place on the model.
#ifndef TESTS_ADAPT_SNAP_MODEL_H
#define TESTS_ADAPT_SNAP_MODEL_H

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <vector>

#include "KORA.h"
#include "model_param_services.h"
#include "MT_geometry.h"
#include "mMesh.h"

namespace snaptest {

using namespace KORA;

// A model face x[axis] = side, points O + u e1 + v e2; a model edge
// O + t e, e the axis of the one free coordinate.
struct Affine {
  double origin[3] = {0, 0, 0};
  double du[3] = {0, 0, 0};
  double dv[3] = {0, 0, 0};
};

struct CubeModel {
  pMesh m = MS_newMesh(nullptr);
  std::map<pGEntity, Affine> geometry;
  std::map<pPoint, std::array<double, 2>> params;
  std::vector<pVertex> verts;  // by grid index
  int n;
  GeometryServices services{};
  // The top face z = 1 may be curved: z = 1 + bump * sin(pi u) sin(pi v).
  double bump = 0.0;
  static CubeModel* current;

  explicit CubeModel(int cells) : n(cells) {
    current = this;
    installParamServices<CubeModel>(services);
    services.closestPoint = [](pGEntity g, const double* xyz, double* out, double* par) {
      if (!current->geometry.count(g)) return 0;
      current->project(g, xyz, par);
      current->at(g, par, out);
      return 1;
    };
    services.faceNormal = [](pGFace f, double*, double* nrm) {
      const Affine& a = current->geometry.at(f);
      nrm[0] = a.du[1] * a.dv[2] - a.du[2] * a.dv[1];
      nrm[1] = a.du[2] * a.dv[0] - a.du[0] * a.dv[2];
      nrm[2] = a.du[0] * a.dv[1] - a.du[1] * a.dv[0];
    };
    services.faceDirection = [](pGFace) { return 1; };
    services.facePeriodic = [](pGFace, int) { return 0; };
    services.edgePeriodic = [](pGEdge) { return 0; };
    services.faceParRange = [](pGFace, int, double* lo, double* hi) { *lo = 0.0, *hi = 1.0; };
    services.edgeParRange = [](pGEdge, double* lo, double* hi) { *lo = 0.0, *hi = 1.0; };
    services.faceParamDegeneracies = [](pGFace, int, double*) { return 0; };
    services.edgeIsSeam = [](pGEdge, pGFace) { return 0; };
    services.faceEdgeReparam = [](pGFace f, pGEdge e, double t, int, double* par) {
      double tt[2] = {t, 0.0}, x[3];
      current->at(e, tt, x);
      current->project(f, x, par);
    };
    services.faceVertexReparam = [](pGFace f, pGVertex v, double* par) {
      current->project(f, current->geometry.at(v).origin, par);
    };
    services.edgeVertexReparam = [](pGEdge e, pGVertex v) {
      double par[3];
      current->project(e, current->geometry.at(v).origin, par);
      return par[0];
    };
    services.vertexPoint = [](pGVertex v, double* xyz) {
      for (int k = 0; k < 3; ++k) xyz[k] = current->geometry.at(v).origin[k];
    };
    GM_setGeometryServices(&services);
    build();
  }
  ~CubeModel() {
    GM_setGeometryServices(nullptr);
    M_delete(m);
    current = nullptr;
  }
  CubeModel(const CubeModel&) = delete;
  CubeModel& operator=(const CubeModel&) = delete;

  void at(pGEntity g, const double* par, double* xyz) const {
    const Affine& a = geometry.at(g);
    for (int k = 0; k < 3; ++k) xyz[k] = a.origin[k] + par[0] * a.du[k] + par[1] * a.dv[k];
    if (g == top()) xyz[2] += bump * std::sin(M_PI * par[0]) * std::sin(M_PI * par[1]);
  }
  pGEntity top() const { return m->getGEntity(100 + 32, 2); }
  void project(pGEntity g, const double* xyz, double* par) const {
    const Affine& a = geometry.at(g);
    par[0] = par[1] = par[2] = 0.0;
    for (int k = 0; k < 3; ++k) {
      par[0] += (xyz[k] - a.origin[k]) * a.du[k];
      par[1] += (xyz[k] - a.origin[k]) * a.dv[k];
    }
  }

  // The planes x[axis] = side that hold a grid point, as bits 2 * axis + side.
  int planes(const int idx[3]) const {
    int bits = 0;
    for (int a = 0; a < 3; ++a) {
      if (idx[a] == 0) bits |= 1 << (2 * a);
      if (idx[a] == n) bits |= 1 << (2 * a + 1);
    }
    return bits;
  }
  // The model entity of the intersection of the planes (the region when none).
  pGEntity modelEntity(int bits) {
    const int count = __builtin_popcount(bits);
    pGEntity g = m->getGEntity(100 + bits, 3 - count);
    if (count >= 1) {
      Affine a;
      std::vector<int> free;
      for (int ax = 0; ax < 3; ++ax) {
        if (bits & (1 << (2 * ax + 1))) a.origin[ax] = 1.0;
        if (!(bits & (3 << (2 * ax)))) free.push_back(ax);
      }
      if (count < 3) a.du[free[0]] = 1.0;
      if (count == 1) a.dv[free[1]] = 1.0;
      // Faces x = 0, y = 1 and z = 0 are turned to run along the outward normal (du x dv).
      if (count == 1 && (bits == 1 || bits == 8 || bits == 16)) std::swap(a.du, a.dv);
      geometry[g] = a;
    }
    return g;
  }

  pVertex vertexAt(int i, int j, int k) const { return verts[(i * (n + 1) + j) * (n + 1) + k]; }

  void build() {
    std::vector<int> bitsOf;
    for (int i = 0; i <= n; ++i)
      for (int j = 0; j <= n; ++j)
        for (int k = 0; k <= n; ++k) {
          const int idx[3] = {i, j, k};
          const int b = planes(idx);
          pVertex v = M_createVP(m, double(i) / n, double(j) / n, double(k) / n, nullptr, 0, modelEntity(b));
          verts.push_back(v);
          bitsOf.push_back(b);
          if (__builtin_popcount(b) == 1 || __builtin_popcount(b) == 2) {
            double x[3], par[3];
            V_coord(v, x);
            project(V_whatIn(v), x, par);
            params[V_point(v)] = {par[0], par[1]};
          }
        }
    std::map<std::pair<pVertex, pVertex>, pEdge> edges;
    std::map<std::array<pVertex, 3>, pFace> faces;
    auto bitsOfVertex = [&](pVertex v) {
      return bitsOf[std::find(verts.begin(), verts.end(), v) - verts.begin()];
    };
    auto edge = [&](pVertex a, pVertex b) {
      auto key = std::minmax(a, b);
      auto it = edges.find(key);
      if (it != edges.end()) return it->second;
      pEdge e = M_createE(m, a, b, modelEntity(bitsOfVertex(a) & bitsOfVertex(b)));
      edges[key] = e;
      return e;
    };
    auto face = [&](pVertex a, pVertex b, pVertex c) {
      std::array<pVertex, 3> key = {a, b, c};
      std::sort(key.begin(), key.end());
      auto it = faces.find(key);
      if (it != faces.end()) return it->second;
      const int bits = bitsOfVertex(a) & bitsOfVertex(b) & bitsOfVertex(c);
      if (bits) {
        // A boundary face runs around the outward normal, as its model face.
        const int plane = __builtin_ctz(bits), axis = plane / 2;
        double xa[3], xb[3], xc[3];
        V_coord(a, xa);
        V_coord(b, xb);
        V_coord(c, xc);
        const int i1 = (axis + 1) % 3, i2 = (axis + 2) % 3;
        const double normal = (xb[i1] - xa[i1]) * (xc[i2] - xa[i2]) - (xb[i2] - xa[i2]) * (xc[i1] - xa[i1]);
        if ((normal > 0) != (plane % 2 == 1)) std::swap(b, c);
      }
      pEdge es[3] = {edge(a, b), edge(b, c), edge(c, a)};
      int d[3] = {1, 1, 1};
      pFace f = M_createF(m, 3, es, d, modelEntity(bits));
      faces[key] = f;
      return f;
    };
    const int perms[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j)
        for (int k = 0; k < n; ++k)
          for (const auto& p : perms) {
            int idx[3] = {i, j, k};
            pVertex t[4];
            t[0] = vertexAt(idx[0], idx[1], idx[2]);
            for (int s = 0; s < 3; ++s) {
              ++idx[p[s]];
              t[s + 1] = vertexAt(idx[0], idx[1], idx[2]);
            }
            double x[4][3];
            for (int s = 0; s < 4; ++s) V_coord(t[s], x[s]);
            double a[3], b[3], c[3];
            for (int q = 0; q < 3; ++q) {
              a[q] = x[1][q] - x[0][q];
              b[q] = x[2][q] - x[0][q];
              c[q] = x[3][q] - x[0][q];
            }
            const double vol = a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
                               a[2] * (b[0] * c[1] - b[1] * c[0]);
            if (vol < 0) std::swap(t[1], t[2]);
            pFace f[4] = {face(t[0], t[1], t[2]), face(t[0], t[1], t[3]), face(t[1], t[2], t[3]),
                          face(t[2], t[0], t[3])};
            int d[4] = {1, 1, 1, 1};
            M_createR(m, 4, f, d, modelEntity(0));
          }
  }
};

inline CubeModel* CubeModel::current = nullptr;

// The mesh is conforming (every face bounds one or two regions, one exactly
// when it lies on a model face, and every region is positive), and returns
// the total volume.
inline double expectConformingPositive(pMesh m) {
  double total = 0.0;
  RIter rit = M_regionIter(m);
  while (pRegion r = RIter_next(rit)) {
    const double v = R_volume(r);
    EXPECT_GT(v, 0.0);
    total += v;
  }
  RIter_delete(rit);
  FIter fit = M_faceIter(m);
  while (pFace f = FIter_next(fit)) {
    pPList rs = F_regions(f);
    const int nr = PList_size(rs);
    PList_delete(rs);
    EXPECT_EQ(nr, F_whatInType(f) == 2 ? 1 : 2);
  }
  FIter_delete(fit);
  return total;
}

}  // namespace snaptest

#endif
