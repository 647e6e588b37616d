// Shared pieces of the sensor and view tests: a small law whose fields of
// interest cover every shape the views write, tiny meshes built in code, a
// scope that installs them in the global context, a temporary working
// directory and a reader of view files.
#ifndef TESTS_OUTPUT_VIEWS_FIXTURE_H
#define TESTS_OUTPUT_VIEWS_FIXTURE_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "DGCell.h"
#include "DGErrorEstimator.h"
#include "DGParameters.h"
#include "FieldEvaluator.h"
#include "GlobalParamManager.h"
#include "gEntity.h"
#include "mEntity.h"
#include "mMesh.h"
#include "mFace.h"
#include "mVertex.h"

#include "../common/context_scope.h"
#include "../common/temp_dir.h"

namespace viewtest {

using KORA::mEntity;
using KORA::mMesh;
using KORA::mPoint;
using KORA::mVector;

// The linear field every test projects: u = 1 + x + 2y + 3z. Its value is
// never 0 on the meshes used, so the written text has no round-off noise.
inline double linear(double x, double y, double z) { return 1.0 + x + 2.0 * y + 3.0 * z; }

// One conserved field u. Fields of interest, by index:
//   0 "u"      size 1: u
//   1 "pair"   size 2: u, 10 u
//   2 "vec"    size 3: u, 2 u, 3 u
//   3 "four"   size 4: u (never written by the views)
//   4 "errest" size 1: 7 (the views replace it by the error indicator)
//   5 "tag"    size 1: 9 (the views replace it by the local time level)
//   6 "blank"  size 1: writes nothing at all
//   7 "boom"   size 1: throws the text "boom"
//   8..        "f8", "f9", ... size 1: u + index
// The number of fields of interest is settable (default 8).
class ViewLaw : public ConservationLaw {
public:
  int nbOfInterest = 8;
  std::string name0 = "u";  // name of field 0
  mutable int evaluations = 0;

  int nbFields() const override { return 1; }
  void Fi(int, const mPoint &, const double *U, mVector &flux) const override {
    flux = mVector(U[0], 0.0, 0.0);
  }
  void Fi(const mPoint &p, const double *U, mVector *flux) const override { Fi(0, p, U, flux[0]); }
  void RHS(const double *, const mVector *, const mPoint &, double *S) const override { S[0] = 0.0; }
  void riemannSolver(const mVector &, const mPoint &, const double *UL, const double *,
                     double *FL, double *FR) const override {
    FL[0] = FR[0] = UL[0];
  }
  double maximumEigenValue(const double *, const mPoint &) const override { return 1.0; }
  int getNbFieldsOfInterest() const override { return nbOfInterest; }
  void getNameAndSize(int i, int &size, std::string &name) const override {
    static const char *names[8] = {"u", "pair", "vec", "four", "errest", "tag", "blank", "boom"};
    static const int sizes[8] = {1, 2, 3, 4, 1, 1, 1, 1};
    if (i < 0 || i >= nbOfInterest) return;
    if (i == 0) {
      name = name0;
      size = 1;
    } else if (i < 8) {
      name = names[i];
      size = sizes[i];
    } else {
      name = "f" + std::to_string(i);
      size = 1;
    }
  }
  void getIthFieldOfInterest(int i, const mPoint &, const double *U, const mVector *, double *out,
                             double) const override {
    ++evaluations;
    const double u = U[0];
    switch (i) {
      case 0: out[0] = u; break;
      case 1: out[0] = u; out[1] = 10 * u; break;
      case 2: out[0] = u; out[1] = 2 * u; out[2] = 3 * u; break;
      case 3: out[0] = out[1] = out[2] = out[3] = u; break;
      case 4: out[0] = 7; break;
      case 5: out[0] = 9; break;
      case 6: break;
      case 7: throw std::string("boom");
      default: out[0] = u + i; break;
    }
  }
  bool isPhysical(const double *) const override { return true; }
  double jumpQuantity(const double *U, const mVector *) const override { return U[0]; }
  void characteristicVectorField(const mPoint &, double, const double *, const mVector *,
                                 mVector &out) const override {
    out = mVector(1, 0, 0);
  }
};

// Face form of an estimator that gives every face the weight 1 and the error
// 5, so that every cell's indicator is exactly 5; counts its calls.
class FiveEstimator : public DGErrorEstimator {
public:
  using DGErrorEstimator::computeError;
  mutable int calls = 0;
  void computeError(DGCell *, DGCell *, DGBoundaryCell *, double &a, double &b) const override {
    ++calls;
    a = 1.0;
    b = 5.0;
  }
};

class LinearField : public FieldEvaluator {
public:
  void eval(const mPoint &p, double, double *values) const override {
    values[0] = linear(p.x(), p.y(), p.z());
  }
  int order() const override { return 1; }
};

// ---- meshes (the context takes ownership when installed)

// Triangles given by vertex coordinates (x, y) and vertex index triples.
inline mMesh *triangles(const std::vector<std::pair<double, double>> &pts,
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

// Adjacencies of a three-dimensional run; the faces made here stay classified
// as the mesh makes them.
inline void finish3d(mMesh *m) {
  m->modifyState(3, 2);
  m->modifyState(2, 1);
  m->modifyState(2, 3);
  m->modifyState(1, 2);
  m->modifyState(0, 1);
}

// Tetrahedra given by vertex coordinates and vertex index quadruples.
inline mMesh *tetrahedra(const std::vector<mPoint> &pts, const std::vector<std::vector<int>> &elements) {
  mMesh *m = new mMesh(0);
  KORA::gEntity *region = m->getGEntity(1, 3);
  for (std::size_t i = 0; i < pts.size(); ++i)
    m->createVertex(static_cast<int>(i) + 1, pts[i].x(), pts[i].y(), pts[i].z(), region);
  for (const auto &e : elements)
    m->createTetWithVertices(e[0] + 1, e[1] + 1, e[2] + 1, e[3] + 1, region);
  finish3d(m);
  return m;
}

// The unit cube [0,1]^3 as one hexahedron, vertices in the usual order
// (bottom face counter-clockwise, then the top face).
inline mMesh *unitHex() {
  mMesh *m = new mMesh(0);
  KORA::gEntity *region = m->getGEntity(1, 3);
  const double c[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                          {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  for (int i = 0; i < 8; ++i) m->createVertex(i + 1, c[i][0], c[i][1], c[i][2], region);
  m->createHexWithVertices(1, 2, 3, 4, 5, 6, 7, 8, region);
  finish3d(m);
  return m;
}

// Installs a ViewLaw and the mesh in the global context, builds the cells of
// the order in its own analysis and projects the linear field; removes all
// of it afterwards. The run parameters are reset on both ends.
class Scene {
public:
  ViewLaw *law;
  DGAnalysis analysis;

  Scene(mMesh *mesh, int order, int nbOfInterest = 8) : law(new ViewLaw) {
    GlobalParamManager *ctx = GlobalParamManager::Instance();
    *ctx->parameters = DGParameters();
    law->nbOfInterest = nbOfInterest;
    ctx->law = law;
    ctx->setMes(mesh);
    analysis.init(order, 0);
    LinearField field;
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
  TempDir() : dgtest::TempDir("dg-views") {}
};
using dgtest::exists;
using dgtest::readFile;

// One element line of a view file, parsed back.
struct Element {
  std::string kind;  // "ST", "VT", "SS", ...
  std::vector<double> coords;
  std::vector<double> values;
};

struct View {
  std::string name;
  std::vector<Element> elements;
};

// Parses the view files the writer produces (one element per line).
inline std::vector<View> parseViews(const std::string &text) {
  std::vector<View> views;
  std::istringstream in(text);
  std::string line;
  auto numbers = [](const std::string &s) {
    std::vector<double> out;
    std::stringstream ss(s);
    std::string item;
    while (std::getline(ss, item, ',')) out.push_back(std::strtod(item.c_str(), nullptr));
    return out;
  };
  while (std::getline(in, line)) {
    if (line.rfind("View \"", 0) == 0) {
      View v;
      v.name = line.substr(6, line.size() - 6 - 3);
      views.push_back(v);
    } else if (line == "};") {
      continue;
    } else if (!line.empty() && !views.empty()) {
      Element e;
      e.kind = line.substr(0, 2);
      const std::size_t open = line.find('('), close = line.find("){"), end = line.find("};");
      e.coords = numbers(line.substr(open + 1, close - open - 1));
      e.values = numbers(line.substr(close + 2, end - close - 2));
      views.back().elements.push_back(e);
    }
  }
  return views;
}

// Area of a triangle given by nine coordinates.
inline double triangleArea(const std::vector<double> &c, int offset = 0) {
  const double ax = c[offset + 3] - c[offset], ay = c[offset + 4] - c[offset + 1],
               az = c[offset + 5] - c[offset + 2];
  const double bx = c[offset + 6] - c[offset], by = c[offset + 7] - c[offset + 1],
               bz = c[offset + 8] - c[offset + 2];
  const double cx = ay * bz - az * by, cy = az * bx - ax * bz, cz = ax * by - ay * bx;
  return 0.5 * std::sqrt(cx * cx + cy * cy + cz * cz);
}

}  // namespace viewtest

#endif
