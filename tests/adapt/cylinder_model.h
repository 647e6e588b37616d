// An analytic model with periodic parameters for the adaptation tests: the
// closed cylinder x^2 + y^2 <= R^2, 0 <= z <= H, installed as the interface's
// geometry services for the lifetime of the object, and a conforming
// tetrahedral mesh of it classified on the model, its points carrying their
// parameters.
//
// Model entities and their parameters:
// - lateral face (u, v) -> (R cos u, R sin u, v), u in [0, 2 pi) periodic,
//   v in [0, H]; its seam is the model edge at u = 0;
// - seam edge t -> (R, 0, t), t in [0, H], from the bottom model vertex
//   (R, 0, 0) to the top one (R, 0, H); a seam of the lateral face;
// - bottom and top circles t -> (R cos t, R sin t, z), t in [0, 2 pi)
//   periodic, each closed on its model vertex (t = 0);
// - bottom and top discs in polar parameters (u, v) -> (v cos u, v sin u, z),
//   u in [0, 2 pi) periodic, v in [0, R]; the line v = 0 is degenerate (every
//   u gives the centre). The map turns the disc's normal to -z, so the bottom
//   disc runs with its outward normal (direction 1) and the top one against
//   it (direction -1).
//
// The seam is met from both sides, but a point keeps one parameter: a vertex
// on the seam or on its model vertices reparametrises onto the lateral face
// with u = 0 (the services give u = 2 pi only for the seam's other use,
// direction 0 of the edge reparametrisation, which the adaptation never
// asks for). The side u = 2 pi is reached by the adaptation itself: the
// periodic repair of a triangle's parameters adds the period to the low end
// of a pair more than half a period apart, and the middle point adds half a
// period to the mean of two ends more than half a period apart.
//
// The mesh: N points per ring (ring point i at angle 2 pi i / N, ring point
// 0 on the seam), L + 1 rings at heights H k / L and a point on the axis at
// each height; every wedge (axis, ring i, ring i + 1) between two heights is
// cut into three tetrahedra by the global vertex order, so neighbouring
// wedges agree on their shared quadrilaterals. Boundary faces run around the
// outward normal.
#ifndef TESTS_ADAPT_CYLINDER_MODEL_H
#define TESTS_ADAPT_CYLINDER_MODEL_H

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "KORA.h"
#include "model_param_services.h"
#include "MT_topology.h"
#include "MT_vector.h"
#include "mMesh.h"

namespace cyltest {

using namespace KORA;

constexpr double twoPi = 2.0 * M_PI;

struct CylinderModel {
  // The model entities by index; kLevel gives their dimensions.
  enum { kRegion, kLateral, kBottom, kTop, kCircleB, kCircleT, kSeam, kVertexB, kVertexT, kCount };
  static constexpr int kLevel[kCount] = {3, 2, 2, 2, 1, 1, 1, 0, 0};

  pMesh m = MS_newMesh(nullptr);
  double R, H;
  int N, L;
  pGEntity g[kCount];
  std::map<pPoint, std::array<double, 2>> params;
  std::vector<pVertex> verts;  // in creation order: per height the axis point, then the ring
  GeometryServices services{};
  static CylinderModel* current;

  CylinderModel(int ringPoints, int layers, double radius = 1.0, double height = 2.0)
      : R(radius), H(height), N(ringPoints), L(layers) {
    current = this;
    for (int i = 0; i < kCount; ++i) g[i] = m->getGEntity(500 + i, kLevel[i]);
    // Model adjacency, both ways: closures and seam counts walk it.
    auto link = [&](int a, int b) {
      g[a]->add(g[b]);
      g[b]->add(g[a]);
    };
    for (int f : {kLateral, kBottom, kTop}) link(kRegion, f);
    for (int e : {kCircleB, kCircleT, kSeam}) link(kLateral, e);
    link(kBottom, kCircleB);
    link(kTop, kCircleT);
    for (int e : {kCircleB, kSeam}) link(e, kVertexB);
    for (int e : {kCircleT, kSeam}) link(e, kVertexT);
    // Each entity knows every model face and the region around it.
    for (int e : {kCircleB, kCircleT, kSeam, kVertexB, kVertexT}) link(kRegion, e);
    for (int v : {kVertexB, kVertexT}) link(kLateral, v);
    link(kBottom, kVertexB);
    link(kTop, kVertexT);
    installServices();
    GM_setGeometryServices(&services);
    build();
  }
  ~CylinderModel() {
    GM_setGeometryServices(nullptr);
    M_delete(m);
    current = nullptr;
  }
  CylinderModel(const CylinderModel&) = delete;
  CylinderModel& operator=(const CylinderModel&) = delete;

  int index(pGEntity e) const { return int(std::find(g, g + kCount, e) - g); }
  bool isDisc(pGEntity e) const { return e == g[kBottom] || e == g[kTop]; }
  double heightOf(pGEntity e) const {
    const int i = index(e);
    return i == kTop || i == kCircleT || i == kVertexT ? H : 0.0;
  }

  // The point of the model entity at its parameters.
  void at(pGEntity e, const double* par, double* xyz) const {
    switch (index(e)) {
      case kLateral:
        xyz[0] = R * std::cos(par[0]), xyz[1] = R * std::sin(par[0]), xyz[2] = par[1];
        return;
      case kBottom:
      case kTop:
        xyz[0] = par[1] * std::cos(par[0]), xyz[1] = par[1] * std::sin(par[0]), xyz[2] = heightOf(e);
        return;
      case kCircleB:
      case kCircleT:
        xyz[0] = R * std::cos(par[0]), xyz[1] = R * std::sin(par[0]), xyz[2] = heightOf(e);
        return;
      case kSeam:
        xyz[0] = R, xyz[1] = 0.0, xyz[2] = par[0];
        return;
      default:  // a model vertex
        xyz[0] = R, xyz[1] = 0.0, xyz[2] = heightOf(e);
    }
  }
  // The parameters of the point of the model entity closest to xyz.
  void project(pGEntity e, const double* xyz, double* par) const {
    double angle = std::atan2(xyz[1], xyz[0]);
    if (angle < 0) angle += twoPi;
    par[0] = par[1] = par[2] = 0.0;
    switch (index(e)) {
      case kLateral:
        par[0] = angle, par[1] = std::clamp(xyz[2], 0.0, H);
        break;
      case kBottom:
      case kTop:
        par[0] = angle, par[1] = std::min(std::hypot(xyz[0], xyz[1]), R);
        break;
      case kCircleB:
      case kCircleT:
        par[0] = angle;
        break;
      case kSeam:
        par[0] = std::clamp(xyz[2], 0.0, H);
        break;
      default:
        break;
    }
  }

  void installServices() {
    snaptest::installParamServices<CylinderModel>(services);
    services.closestPoint = [](pGEntity e, const double* xyz, double* out, double* par) {
      current->project(e, xyz, par);
      current->at(e, par, out);
      return 1;
    };
    services.faceNormal = [](pGFace f, double* par, double* nrm) {
      // The outward unit normal.
      const int i = current->index(f);
      nrm[0] = i == kLateral ? std::cos(par[0]) : 0.0;
      nrm[1] = i == kLateral ? std::sin(par[0]) : 0.0;
      nrm[2] = i == kTop ? 1.0 : i == kBottom ? -1.0 : 0.0;
    };
    services.faceDirection = [](pGFace f) { return f == current->g[kTop] ? -1 : 1; };
    services.facePeriodic = [](pGFace, int dir) { return dir == 0 ? 1 : 0; };
    services.edgePeriodic = [](pGEdge e) { return e == current->g[kSeam] ? 0 : 1; };
    services.faceParRange = [](pGFace f, int dir, double* lo, double* hi) {
      *lo = 0.0;
      *hi = dir == 0 ? twoPi : current->isDisc(f) ? current->R : current->H;
    };
    services.edgeParRange = [](pGEdge e, double* lo, double* hi) {
      *lo = 0.0;
      *hi = e == current->g[kSeam] ? current->H : twoPi;
    };
    services.faceParamDegeneracies = [](pGFace f, int dir, double* values) {
      if (dir != 1 || !current->isDisc(f)) return 0;
      values[0] = 0.0;
      return 1;
    };
    services.edgeIsSeam = [](pGEdge e, pGFace f) {
      return e == current->g[kSeam] && f == current->g[kLateral] ? 1 : 0;
    };
    services.faceEdgeReparam = [](pGFace f, pGEdge e, double t, int dir, double* par) {
      const CylinderModel& c = *current;
      if (e == c.g[kSeam]) {
        par[0] = dir ? 0.0 : twoPi;  // the seam's two uses
        par[1] = t;
      } else {
        par[0] = t;  // a circle on the lateral face or on its disc
        par[1] = c.isDisc(f) ? c.R : c.heightOf(e);
      }
    };
    services.faceVertexReparam = [](pGFace f, pGVertex v, double* par) {
      par[0] = 0.0;
      par[1] = current->isDisc(f) ? current->R : current->heightOf(v);
    };
    services.edgeVertexReparam = [](pGEdge e, pGVertex v) {
      return e == current->g[kSeam] ? current->heightOf(v) : 0.0;
    };
    services.vertexPoint = [](pGVertex v, double* xyz) {
      const double none[2] = {0.0, 0.0};
      current->at(v, none, xyz);
    };
  }

  // A new vertex at the point of the model entity with these parameters
  // (unused for a model vertex), carrying them.
  pVertex addVertex(int entity, double u, double v = 0.0) {
    const double par[2] = {u, v};
    double x[3];
    at(g[entity], par, x);
    pVertex w = M_createVP(m, x[0], x[1], x[2], nullptr, 0, g[entity]);
    if (kLevel[entity] == 1 || kLevel[entity] == 2) params[V_point(w)] = {u, v};
    return w;
  }
  pEdge edge(pVertex a, pVertex b, pGEntity e) {
    if (pEdge old = E_exists(a, b)) return old;
    return M_createE(m, a, b, e);
  }
  // A triangle a, b, c in this order, its edges made where missing.
  pFace face(pVertex a, pVertex b, pVertex c, pGEntity e) {
    pEdge es[3] = {edge(a, b, e), edge(b, c, e), edge(c, a, e)};
    int d[3] = {1, 1, 1};
    return M_createF(m, 3, es, d, e);
  }

  pVertex axisVertex(int k) const { return verts[k * (N + 1)]; }
  pVertex ringVertex(int k, int i) const { return verts[k * (N + 1) + 1 + ((i % N) + N) % N]; }

  // The model entities that hold a point of the given entity, as a bit set.
  static int holders(int entity) {
    switch (entity) {
      case kRegion:
        return 1 << kRegion;
      case kLateral:
      case kBottom:
      case kTop:
        return 1 << entity | 1 << kRegion;
      case kCircleB:
        return 1 << kCircleB | holders(kLateral) | holders(kBottom);
      case kCircleT:
        return 1 << kCircleT | holders(kLateral) | holders(kTop);
      case kSeam:
        return 1 << kSeam | holders(kLateral);
      case kVertexB:
        return 1 << kVertexB | holders(kCircleB) | holders(kSeam);
      default:
        return 1 << kVertexT | holders(kCircleT) | holders(kSeam);
    }
  }
  // The lowest model entity among the holders (one per level at most here).
  static int lowest(int bits) {
    int best = kRegion;
    for (int i = 0; i < kCount; ++i)
      if ((bits >> i & 1) && kLevel[i] < kLevel[best]) best = i;
    return best;
  }

  void build() {
    std::vector<int> entityOf;
    for (int k = 0; k <= L; ++k) {
      const double z = H * k / L;
      const int axisEntity = k == 0 ? kBottom : k == L ? kTop : kRegion;
      verts.push_back(axisEntity == kRegion ? M_createVP(m, 0.0, 0.0, z, nullptr, 0, g[kRegion])
                                            : addVertex(axisEntity, 0.0, 0.0));
      entityOf.push_back(axisEntity);
      for (int i = 0; i < N; ++i) {
        const double u = twoPi * i / N;
        int e;
        if (k == 0 || k == L) {
          e = i == 0 ? (k == 0 ? kVertexB : kVertexT) : (k == 0 ? kCircleB : kCircleT);
          verts.push_back(addVertex(e, u));
        } else {
          e = i == 0 ? kSeam : kLateral;
          verts.push_back(i == 0 ? addVertex(e, z) : addVertex(e, u, z));
        }
        entityOf.push_back(e);
      }
    }
    std::map<pVertex, int> order;
    for (size_t i = 0; i < verts.size(); ++i) order[verts[i]] = int(i);
    auto holdersOf = [&](pVertex v) { return holders(entityOf[order.at(v)]); };
    std::map<std::array<pVertex, 3>, pFace> faces;
    auto boundaryFace = [&](pVertex a, pVertex b, pVertex c) {
      std::array<pVertex, 3> key = {a, b, c};
      std::sort(key.begin(), key.end());
      auto it = faces.find(key);
      if (it != faces.end()) return it->second;
      const int bits = holdersOf(a) & holdersOf(b) & holdersOf(c);
      const int on = lowest(bits);
      if (on != kRegion) {
        double x[3][3], n[3], mid[3];
        V_coord(a, x[0]);
        V_coord(b, x[1]);
        V_coord(c, x[2]);
        for (int q = 0; q < 3; ++q) mid[q] = (x[0][q] + x[1][q] + x[2][q]) / 3.0;
        double p[3], r[3];
        diffVt(x[1], x[0], p);
        diffVt(x[2], x[0], r);
        crossProd(p, r, n);
        const double out[3] = {on == kLateral ? mid[0] : 0.0, on == kLateral ? mid[1] : 0.0,
                               on == kTop ? 1.0 : on == kBottom ? -1.0 : 0.0};
        if (dotProd(n, out) < 0) std::swap(b, c);
      }
      auto edgeOn = [&](pVertex s, pVertex t) { return edge(s, t, g[lowest(holdersOf(s) & holdersOf(t))]); };
      pEdge es[3] = {edgeOn(a, b), edgeOn(b, c), edgeOn(c, a)};
      int d[3] = {1, 1, 1};
      pFace f = M_createF(m, 3, es, d, g[on]);
      faces[key] = f;
      return f;
    };
    // Reorderings that bring each prism corner to the first place.
    const int rotations[6][6] = {{0, 1, 2, 3, 4, 5}, {1, 2, 0, 4, 5, 3}, {2, 0, 1, 5, 3, 4},
                                 {3, 5, 4, 0, 2, 1}, {4, 3, 5, 1, 0, 2}, {5, 4, 3, 2, 1, 0}};
    for (int k = 0; k < L; ++k)
      for (int i = 0; i < N; ++i) {
        const pVertex p[6] = {axisVertex(k),     ringVertex(k, i),     ringVertex(k, i + 1),
                              axisVertex(k + 1), ringVertex(k + 1, i), ringVertex(k + 1, i + 1)};
        int first = 0;
        for (int s = 1; s < 6; ++s)
          if (order[p[s]] < order[p[first]]) first = s;
        pVertex q[6];
        for (int s = 0; s < 6; ++s) q[s] = p[rotations[first][s]];
        const int a = std::min(order[q[1]], order[q[5]]), b = std::min(order[q[2]], order[q[4]]);
        const int tets[2][3][4] = {{{0, 1, 2, 5}, {0, 1, 5, 4}, {0, 4, 5, 3}},
                                   {{0, 1, 2, 4}, {0, 4, 2, 5}, {0, 4, 5, 3}}};
        for (const auto& tet : tets[a < b ? 0 : 1]) {
          pVertex t[4] = {q[tet[0]], q[tet[1]], q[tet[2]], q[tet[3]]};
          double x[4][3];
          for (int s = 0; s < 4; ++s) V_coord(t[s], x[s]);
          if (XYZ_volume(x) < 0) std::swap(t[1], t[2]);
          pFace f[4] = {boundaryFace(t[0], t[1], t[2]), boundaryFace(t[0], t[1], t[3]),
                        boundaryFace(t[1], t[2], t[3]), boundaryFace(t[2], t[0], t[3])};
          int d[4] = {1, 1, 1, 1};
          M_createR(m, 4, f, d, g[kRegion]);
        }
      }
  }
};

inline CylinderModel* CylinderModel::current = nullptr;

}  // namespace cyltest

#endif
