// Small meshes built in code and a fixture that installs a law, a mesh and an
// analysis in the global context for the analysis tests.
#ifndef TESTS_DG_ANALYSIS_FIXTURE_H
#define TESTS_DG_ANALYSIS_FIXTURE_H

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "DGBoundaryCell.h"
#include "DGCell.h"
#include "DGLimiter.h"
#include "DGParameters.h"
#include "FieldEvaluator.h"
#include "FunctionSpace.h"
#include "GaussIntegrator.h"
#include "GlobalParamManager.h"
#include "Mapping.h"
#include "gEntity.h"
#include "mMesh.h"
#include "mVertex.h"

#include "../common/context_scope.h"

namespace antest {

using KORA::mEntity;
using KORA::mMesh;
using KORA::mPoint;
using KORA::mVector;

// Boundary model tags of the generated meshes: bottom, right, top, left
// (then front and back in 3-D); the domain itself is model entity 100.
constexpr int kRegionTag = 100;

// Maps grid coordinates in [0,1]^d to physical coordinates.
using PointMap = std::function<mPoint(double, double, double)>;

inline mPoint identity(double x, double y, double z) { return mPoint(x, y, z); }

// nx by ny grid of [0,1]^2 through `map`: two triangles per square (the
// diagonal alternating) or one quadrilateral. Boundary edges lie on model
// edges 1 (y = 0), 2 (x = 1), 3 (y = 1), 4 (x = 0). Adjacencies are those of a
// two-dimensional run.
inline mMesh *grid2d(int nx, int ny, bool quads, const PointMap &map = identity) {
  mMesh *m = new mMesh(0);
  KORA::gEntity *region = m->getGEntity(kRegionTag, 2);
  auto id = [&](int i, int j) { return 1 + i + (nx + 1) * j; };
  for (int j = 0; j <= ny; ++j)
    for (int i = 0; i <= nx; ++i) {
      const mPoint p = map(double(i) / nx, double(j) / ny, 0.0);
      m->createVertex(id(i, j), p.x(), p.y(), 0.0, region);
    }
  for (int i = 0; i < nx; ++i) {
    m->createEdge(id(i, 0), id(i + 1, 0), m->getGEntity(1, 1));
    m->createEdge(id(i, ny), id(i + 1, ny), m->getGEntity(3, 1));
  }
  for (int j = 0; j < ny; ++j) {
    m->createEdge(id(nx, j), id(nx, j + 1), m->getGEntity(2, 1));
    m->createEdge(id(0, j), id(0, j + 1), m->getGEntity(4, 1));
  }
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i) {
      const int a = id(i, j), b = id(i + 1, j), c = id(i + 1, j + 1), d = id(i, j + 1);
      if (quads) {
        m->createFaceWithVertices(a, b, c, d, region);
      } else if ((i + j) % 2 == 0) {
        m->createFaceWithVertices(a, b, c, region);
        m->createFaceWithVertices(a, c, d, region);
      } else {
        m->createFaceWithVertices(a, b, d, region);
        m->createFaceWithVertices(b, c, d, region);
      }
    }
  m->modifyState(2, 1);
  m->modifyState(1, 2);
  m->modifyState(0, 1);
  return m;
}

// Vertices of an n^3 grid of [0,1]^3 through `map`, vertex (i, j, k) with
// id 1 + i + (n + 1) (j + (n + 1) k).
inline void gridVertices3d(mMesh *m, int n, const PointMap &map, KORA::gEntity *region) {
  for (int k = 0; k <= n; ++k)
    for (int j = 0; j <= n; ++j)
      for (int i = 0; i <= n; ++i) {
        const mPoint p = map(double(i) / n, double(j) / n, double(k) / n);
        m->createVertex(1 + i + (n + 1) * (j + (n + 1) * k), p.x(), p.y(), p.z(), region);
      }
}

// n^3 grid of [0,1]^3 through `map`, six tetrahedra per cube. Boundary faces
// lie on model faces 1 (y = 0), 2 (x = 1), 3 (y = 1), 4 (x = 0), 5 (z = 0), 6 (z = 1).
inline mMesh *grid3d(int n, const PointMap &map = identity) {
  mMesh *m = new mMesh(0);
  KORA::gEntity *region = m->getGEntity(kRegionTag, 3);
  auto id = [&](int i, int j, int k) { return 1 + i + (n + 1) * (j + (n + 1) * k); };
  gridVertices3d(m, n, map, region);
  for (int k = 0; k < n; ++k)
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i) {
        // Cube corners, then the six tetrahedra around the diagonal 0-6.
        const int v[8] = {id(i, j, k),         id(i + 1, j, k),     id(i + 1, j + 1, k),
                          id(i, j + 1, k),     id(i, j, k + 1),     id(i + 1, j, k + 1),
                          id(i + 1, j + 1, k + 1), id(i, j + 1, k + 1)};
        static const int tets[6][4] = {{0, 1, 2, 6}, {0, 2, 3, 6}, {0, 3, 7, 6},
                                       {0, 7, 4, 6}, {0, 4, 5, 6}, {0, 5, 1, 6}};
        for (const auto &t : tets) m->createTetWithVertices(v[t[0]], v[t[1]], v[t[2]], v[t[3]], region);
      }
  m->modifyState(3, 2);
  // Boundary faces move onto their model faces.
  for (auto it = m->beginall(2); it != m->endall(2); ++it) {
    mEntity *f = *it;
    double c[3] = {0, 0, 0};
    bool on[6] = {true, true, true, true, true, true};
    for (int a = 0; a < 3; ++a) {
      const KORA::mVertex *vx = static_cast<const KORA::mVertex *>(f->get(0, a));
      const int vid = vx->getId() - 1;
      const int gi = vid % (n + 1), gj = (vid / (n + 1)) % (n + 1), gk = vid / ((n + 1) * (n + 1));
      on[0] = on[0] && gj == 0;
      on[1] = on[1] && gi == n;
      on[2] = on[2] && gj == n;
      on[3] = on[3] && gi == 0;
      on[4] = on[4] && gk == 0;
      on[5] = on[5] && gk == n;
      (void)c;
    }
    for (int s = 0; s < 6; ++s)
      if (on[s]) f->classify(m->getGEntity(s + 1, 2));
  }
  m->modifyState(2, 1);
  m->modifyState(2, 3);
  m->modifyState(1, 2);
  m->modifyState(0, 1);
  return m;
}

// A smooth distortion of the unit square or cube that keeps its boundary.
inline mPoint wavy(double x, double y, double z) {
  const double a = 0.04;
  return mPoint(x + a * std::sin(2 * M_PI * x) * std::sin(3 * M_PI * y),
                y + a * std::sin(3 * M_PI * x) * std::sin(2 * M_PI * y),
                z + a * std::sin(2 * M_PI * x) * std::sin(2 * M_PI * z));
}

// A field given by a function of the point and time.
class LambdaField : public FieldEvaluator {
public:
  using Fn = std::function<void(const mPoint &, double, double *)>;
  LambdaField(Fn f, int order) : fn(std::move(f)), ord(order) {}
  void eval(const mPoint &p, double t, double *values) const override { fn(p, t, values); }
  int order() const override { return ord; }

private:
  Fn fn;
  int ord;
};

// Installs a law and a mesh (and a limiter) for one test; see context_scope.h.
using ContextScope = dgtest::ContextScope;

// Integral over a cell of field f of its current solution, by the cell's own
// volume rule.
inline double cellIntegral(const DGCell *c, int f) {
  KORA::GaussIntegrator gauss(c->getEntity());
  const int q = c->computeOrder();
  const int nb = c->getFunctionSpace()->size();
  double sum = 0.0;
  for (int k = 0; k < c->nbPtGauss(); ++k) {
    double u, v, w, weight;
    gauss.iPoint(k, q, u, v, w, weight);
    const vptGaussInfo *gp = c->pt(k);
    double s = 0.0;
    for (int j = 0; j < nb; ++j) s += c->dofs->levels[0][f * nb + j] * gp->phi[j];
    sum += s * gp->jacDet * weight;
  }
  return sum;
}

inline double totalIntegral(const DGAnalysis &a, int f) {
  double s = 0.0;
  for (const DGCell *c : a.cells) s += cellIntegral(c, f);
  return s;
}

// Physical point of cached volume point k of a cell.
inline mPoint volumePoint(const DGCell *c, int k) {
  KORA::GaussIntegrator gauss(c->getEntity());
  double u, v, w, weight, x, y, z;
  gauss.iPoint(k, c->computeOrder(), u, v, w, weight);
  c->getMapping()->eval(u, v, w, x, y, z);
  return mPoint(x, y, z);
}

}  // namespace antest

#endif
