// Shared pieces of the probe, norm, EnSight, Tecplot, integration and tracker
// tests: a law whose conserved fields and fields of interest are set per test,
// meshes built in code, a scene that installs them in the global context with
// a projected solution, and a temporary working directory.
#ifndef TESTS_OUTPUT_PROBE_FIXTURE_H
#define TESTS_OUTPUT_PROBE_FIXTURE_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "DGCell.h"
#include "DGParameters.h"
#include "FieldEvaluator.h"
#include "GlobalParamManager.h"
#include "gEntity.h"
#include "mEntity.h"
#include "mMesh.h"
#include "mVertex.h"

#include "../common/context_scope.h"
#include "../common/temp_dir.h"

namespace probetest {

using KORA::mEntity;
using KORA::mMesh;
using KORA::mPoint;
using KORA::mVector;

// Field of interest: name, size and its components from the point, the
// conserved values and their gradients.
struct Output {
  std::string name;
  int size;
  std::function<void(const mPoint &, const double *, const mVector *, double *)> value;
};

// Output of size 1 that passes conserved field f through.
inline Output passThrough(const std::string &name, int f = 0) {
  return {name, 1, [f](const mPoint &, const double *U, const mVector *, double *out) { out[0] = U[f]; }};
}

// Output of size 3: U[0], 2 U[0], 3 U[0].
inline Output tripled(const std::string &name) {
  return {name, 3, [](const mPoint &, const double *U, const mVector *, double *out) {
            out[0] = U[0];
            out[1] = 2 * U[0];
            out[2] = 3 * U[0];
          }};
}

class ProbeLaw : public ConservationLaw {
public:
  int fields = 1;
  std::vector<Output> outputs{passThrough("u")};
  mVector force{0.0, 0.0, 0.0};

  void setExact(FieldEvaluator *f) { exactField = f; }

  int nbFields() const override { return fields; }
  void Fi(int, const mPoint &, const double *, mVector &flux) const override { flux = mVector(); }
  void Fi(const mPoint &, const double *, mVector *flux) const override {
    for (int i = 0; i < fields; ++i) flux[i] = mVector();
  }
  void RHS(const double *, const mVector *, const mPoint &, double *S) const override {
    for (int i = 0; i < fields; ++i) S[i] = 0.0;
  }
  void riemannSolver(const mVector &, const mPoint &, const double *, const double *, double *FL,
                     double *FR) const override {
    for (int i = 0; i < fields; ++i) FL[i] = FR[i] = 0.0;
  }
  double maximumEigenValue(const double *, const mPoint &) const override { return 1.0; }
  int getNbFieldsOfInterest() const override { return static_cast<int>(outputs.size()); }
  void getNameAndSize(int i, int &size, std::string &name) const override {
    if (i < 0 || i >= static_cast<int>(outputs.size())) return;
    name = outputs[i].name;
    size = outputs[i].size;
  }
  void getIthFieldOfInterest(int i, const mPoint &p, const double *U, const mVector *G, double *out,
                             double) const override {
    outputs[i].value(p, U, G, out);
  }
  bool isPhysical(const double *) const override { return true; }
  double jumpQuantity(const double *U, const mVector *) const override { return U[0]; }
  void characteristicVectorField(const mPoint &, double, const double *, const mVector *,
                                 mVector &out) const override {
    out = mVector(1, 0, 0);
  }
  void ForceField2d(const mPoint &, double, const double *, const mVector *, mVector &F) override {
    F = force;
  }
  void ForceField3d(const mPoint &, double, const double *, const mVector *, mVector &F) override {
    F = force;
  }
};

// A field given by a function of the point.
class Field : public FieldEvaluator {
public:
  explicit Field(std::function<void(const mPoint &, double *)> f, int order = 2)
      : f(std::move(f)), ord(order) {}
  void eval(const mPoint &p, double, double *values) const override { f(p, values); }
  int order() const override { return ord; }

private:
  std::function<void(const mPoint &, double *)> f;
  int ord;
};

// u = 1 + x + 2y.
inline Field linearField() {
  return Field([](const mPoint &p, double *v) { v[0] = 1.0 + p.x() + 2.0 * p.y(); }, 1);
}

// Faces given by vertex coordinates and vertex index lists (3 or 4 entries).
inline mMesh *faces(const std::vector<std::pair<double, double>> &pts,
                    const std::vector<std::vector<int>> &elements) {
  mMesh *m = new mMesh(0);
  KORA::gEntity *region = m->getGEntity(1, 2);
  for (std::size_t i = 0; i < pts.size(); ++i)
    m->createVertex(static_cast<int>(i) + 1, pts[i].first, pts[i].second, 0.0, region);
  for (const auto &e : elements) {
    if (e.size() == 3)
      m->createFaceWithVertices(e[0] + 1, e[1] + 1, e[2] + 1, region);
    else
      m->createFaceWithVertices(e[0] + 1, e[1] + 1, e[2] + 1, e[3] + 1, region);
  }
  m->modifyState(2, 1);
  m->modifyState(1, 2);
  m->modifyState(0, 1);
  return m;
}

// The square [x0, x0 + a] x [y0, y0 + a] as two counter-clockwise triangles.
inline mMesh *square(double x0 = 0.0, double y0 = 0.0, double a = 1.0) {
  return faces({{x0, y0}, {x0 + a, y0}, {x0 + a, y0 + a}, {x0, y0 + a}}, {{0, 1, 2}, {0, 2, 3}});
}

// The unit square as an n x n grid of triangles (quads = false) or quadrilaterals.
inline mMesh *grid(int n, bool quads) {
  std::vector<std::pair<double, double>> pts;
  std::vector<std::vector<int>> el;
  for (int j = 0; j <= n; ++j)
    for (int i = 0; i <= n; ++i) pts.push_back({double(i) / n, double(j) / n});
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const int a = j * (n + 1) + i, b = a + 1, c = b + n + 1, d = a + n + 1;
      if (quads) {
        el.push_back({a, b, c, d});
      } else {
        el.push_back({a, b, c});
        el.push_back({a, c, d});
      }
    }
  return faces(pts, el);
}

// Installs the law and the mesh in the global context, builds the cells of
// the order in its own analysis and projects the field; undoes it afterwards.
class Scene {
public:
  ProbeLaw *law;
  DGAnalysis analysis;

  Scene(mMesh *mesh, int order, const Field &field, ProbeLaw *l = new ProbeLaw) : law(l) {
    GlobalParamManager *ctx = GlobalParamManager::Instance();
    *ctx->parameters = DGParameters();
    ctx->law = law;
    ctx->setMes(mesh);
    analysis.init(order, 0);
    for (DGCell *c : analysis.cells) c->L2ProjInitial(&field);
  }
  ~Scene() { dgtest::clearContext(); }
  Scene(const Scene &) = delete;
  Scene &operator=(const Scene &) = delete;

  static DGParameters &param() { return *GlobalParamManager::Instance()->parameters; }
  static mMesh *mesh() { return GlobalParamManager::Instance()->mesh; }
};

// Runs the test body in a fresh temporary directory and comes back after.
struct TempDir : dgtest::TempDir {
  TempDir() : dgtest::TempDir("dg-probes") {}
};
using dgtest::exists;
using dgtest::readFile;

// printf into a std::string.
template <class... A>
std::string fmt(const char *format, A... args) {
  char buf[512];
  std::snprintf(buf, sizeof buf, format, args...);
  return buf;
}

// Whitespace-separated numbers of a text.
inline std::vector<double> numbers(const std::string &text) {
  std::istringstream in(text);
  std::vector<double> out;
  double v;
  while (in >> v) out.push_back(v);
  return out;
}

}  // namespace probetest

#endif
