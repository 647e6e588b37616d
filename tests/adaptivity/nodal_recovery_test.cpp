// Nodal recovery for metric-driven adaptation: gradients and Hessians of the
// DG solution at the vertices, the size metrics built from them, and the
// Gmsh view of nodal tensors and vectors.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "DGAdaptation.h"
#include "DGNodalRecovery.h"
#include "KORA_Util.h"
#include "NodalTensorView.h"
#include "limit_fixture.h"
#include "mVertex.h"

using namespace lt;
using KORA::mTensor2;

namespace {

constexpr unsigned int kTag = 777001;
constexpr unsigned int kOther = 777002;

bool isBoundary(const mPoint &p, int d) {
  const double eps = 1e-9;
  for (int i = 0; i < d; ++i)
    if (p(i) < eps || p(i) > 1 - eps) return true;
  return false;
}

struct Quadratic {
  // u = 3x^2 + 2xy - y^2 + x + 0.5 z^2 - yz: Hessian ((6, 2, 0), (2, -2, -1), (0, -1, 1)).
  Field field{[](const mPoint &p, double *U) {
                const double x = p.x(), y = p.y(), z = p.z();
                U[0] = 3 * x * x + 2 * x * y - y * y + x + 0.5 * z * z - y * z;
              },
              2};
};

// Eigenvalues of the 2-D block ((6, 2), (2, -2)): 2 +- sqrt(20).
TEST(NodalHessian, QuadraticFieldIsExactAtInteriorVertices2d) {
  Quadratic q;
  Scope scope(new TestLaw(1, &q.field), grid(4, 4, 0.25, 0.25, false));
  DGAnalysis a;
  a.init(2, 1);
  BuildNodalHessians(0, kTag);
  KORA::mMesh *mesh = GlobalParamManager::Instance()->mesh;
  int interior = 0;
  const double big = 2 + std::sqrt(20.0), small = 2 - std::sqrt(20.0);
  for (auto it = mesh->begin(0); it != mesh->end(0); ++it) {
    const mPoint p = static_cast<KORA::mVertex *>(*it)->point();
    KORA::mAdjacencyContainer around;
    (*it)->getHigherOrderUpward(2, around);
    const auto *R = dynamic_cast<const KORA::mAttachable_mTensor2 *>((*it)->getData(kTag));
    // Two triangles around a corner: no tensor; three or more: one.
    EXPECT_EQ(R != nullptr, around.size() > 2) << p.x() << " " << p.y();
    if (!R || isBoundary(p, 2)) continue;
    ++interior;
    double l[3];
    mVector e[3];
    eigenRows(R->t, l, e);
    EXPECT_NEAR(l[0], big, 1e-9);
    EXPECT_NEAR(l[1], -small, 1e-9);
    EXPECT_NEAR(R->t(2, 2), 1.0, 1e-12);
    // e0 is the eigenvector of 2 + sqrt 20: (6 - l) e_x + 2 e_y = 0.
    EXPECT_NEAR((6 - big) * e[0](0) + 2 * e[0](1), 0.0, 1e-9);
    EXPECT_NEAR(e[0] * e[1], 0.0, 1e-12);
  }
  EXPECT_EQ(interior, 9);
  // Twice with the same tag: one entry per vertex.
  BuildNodalHessians(0, kTag);
  mEntity *v = *mesh->begin(0);
  int entries = 0;
  for (int k = 0; k < v->nbAttachedData(); ++k) entries += v->attachedInfo(k).tag == kTag;
  EXPECT_LE(entries, 1);
}

TEST(NodalHessian, QuadraticFieldIsExactAtInteriorVertices3d) {
  Quadratic q;
  auto *mesh = new KORA::mMesh(1);
  Scope scope(new TestLaw(1, &q.field), mesh);
  KORA::KORA_Util::Instance()->import(DG_TEST_DATA "/cube_tets.msh", mesh);
  GlobalParamManager::Instance()->setMes(mesh);
  createDGAdjacencies(mesh, 3);
  DGAnalysis a;
  a.init(2, 1);
  BuildNodalHessians(0, kTag);
  int interior = 0;
  for (auto it = mesh->begin(0); it != mesh->end(0); ++it) {
    const mPoint p = static_cast<KORA::mVertex *>(*it)->point();
    const auto *R = dynamic_cast<const KORA::mAttachable_mTensor2 *>((*it)->getData(kTag));
    if (!R || isBoundary(p, 3)) continue;
    ++interior;
    // Rebuild H from the rows: the sign of each eigenvalue is lost in the
    // lengths, so compare H^2 = sum l^2 e e^T with the exact square.
    double l[3];
    mVector e[3];
    eigenRows(R->t, l, e);
    const double H[3][3] = {{6, 2, 0}, {2, -2, -1}, {0, -1, 1}};
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) {
        double exact = 0.0, got = 0.0;
        for (int k = 0; k < 3; ++k) {
          exact += H[i][k] * H[k][j];
          got += l[k] * l[k] * e[k](i) * e[k](j);
        }
        EXPECT_NEAR(got, exact, 1e-8) << i << j;
      }
  }
  EXPECT_GT(interior, 0);
}

TEST(NodalHessian, FromNodalGradientsOfALinearGradient) {
  // Gradients g = M x + g0 with M symmetric attached to the vertices: every
  // vertex with enough edges recovers M.
  Quadratic q;
  Scope scope(new TestLaw(1, &q.field), grid(4, 4, 0.25, 0.25, false));
  DGAnalysis a;
  a.init(1, 1);
  KORA::mMesh *mesh = GlobalParamManager::Instance()->mesh;
  for (auto it = mesh->begin(0); it != mesh->end(0); ++it) {
    const mPoint p = static_cast<KORA::mVertex *>(*it)->point();
    (*it)->attachVector(kOther, mVector(6 * p.x() + 2 * p.y() + 1, 2 * p.x() - 2 * p.y(), 0));
  }
  BuildNodalHessiansWithNodalGradients(0, kOther, kTag);
  const double big = 2 + std::sqrt(20.0), small = 2 - std::sqrt(20.0);
  int checked = 0;
  for (auto it = mesh->begin(0); it != mesh->end(0); ++it) {
    const mPoint p = static_cast<KORA::mVertex *>(*it)->point();
    const auto *R = dynamic_cast<const KORA::mAttachable_mTensor2 *>((*it)->getData(kTag));
    if (!R || isBoundary(p, 2)) continue;
    double l[3];
    mVector e[3];
    eigenRows(R->t, l, e);
    EXPECT_NEAR(l[0], big, 1e-9);
    EXPECT_NEAR(l[1], -small, 1e-9);
    ++checked;
  }
  EXPECT_EQ(checked, 9);
}

TEST(NodalGradient, LinearMeansGiveTheGradient) {
  Field linear([](const mPoint &p, double *U) { U[0] = 2.0 + 3.0 * p.x() - 1.5 * p.y(); }, 1);
  Scope scope(new TestLaw(1, &linear), grid(12, 12, 1.0 / 12, 1.0 / 12, false));
  DGAnalysis a;
  a.init(0, 1);
  KORA::mMesh *mesh = GlobalParamManager::Instance()->mesh;
  // Data of another kind under the tag is replaced, not read as a vector.
  for (auto it = mesh->begin(0); it != mesh->end(0); ++it) (*it)->attachInt(kTag, 5);
  BuildNodalGradients(0, kTag);
  int exact = 0;
  for (auto it = mesh->begin(0); it != mesh->end(0); ++it) {
    const mPoint p = static_cast<KORA::mVertex *>(*it)->point();
    KORA::mAdjacencyContainer faces;
    (*it)->getHigherOrderUpward(2, faces);
    const auto *g = dynamic_cast<const KORA::mAttachable_mVector *>((*it)->getData(kTag));
    if (faces.size() == 1) {
      // A corner in one triangle: two edges, no fit, no average: the old
      // (int) data stays, untouched.
      EXPECT_EQ(g, nullptr);
      continue;
    }
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->v(2), 0.0);
    // Vertices far from the corners (whose zero gradients shorten their
    // neighbours') average exact gradients.
    if (p.x() > 0.4 && p.x() < 0.6 && p.y() > 0.4 && p.y() < 0.6) {
      EXPECT_NEAR(g->v(0), 3.0, 1e-10);
      EXPECT_NEAR(g->v(1), -1.5, 1e-10);
      ++exact;
    }
  }
  EXPECT_EQ(exact, 9);
  unBuildNodalData(kTag);
  for (auto it = mesh->begin(0); it != mesh->end(0); ++it) EXPECT_EQ((*it)->getData(kTag), nullptr);
}

TEST(NodalMetric, RowsReadAsSizesAndDirections) {
  double l[3];
  mVector e[3];
  eigenRows(mTensor2(mVector(0, 2, 0), mVector(0.5, 0, 0), mVector(0, 0, 3)), l, e);
  EXPECT_DOUBLE_EQ(l[0], 2.0);
  EXPECT_DOUBLE_EQ(l[1], 0.5);
  EXPECT_DOUBLE_EQ(l[2], 3.0);
  EXPECT_EQ(e[0](1), 1.0);
  EXPECT_EQ(e[1](0), 1.0);
  EXPECT_EQ(e[2](2), 1.0);
  // An isotropic or nearly isotropic 2-D block still gives unit directions.
  for (const double off : {0.0, 1e-17, -1e-300}) {
    mTensor2 H(0.0);
    H(0, 0) = H(1, 1) = 1.0 + 1e-16;
    H(0, 1) = H(1, 0) = off;
    double v[3];
    mVector u[3];
    symmetricEigen2d(H, v, u);
    EXPECT_NEAR(v[0], 1.0, 1e-12);
    EXPECT_NEAR(v[1], 1.0, 1e-12);
    EXPECT_NEAR(u[0].length(), 1.0, 1e-12);
    EXPECT_NEAR(u[1].length(), 1.0, 1e-12);
  }
}

// A grid whose cells hold the constant 1 (or -1), with every vertex given the
// Hessian rows (4, 0, 0), (0, 1, 0), (0, 0, 1) and every element the target.
struct MetricGrid {
  double value;
  Field constant{[this](const mPoint &, double *U) { U[0] = value; }, 0};
  Scope scope;
  DGAnalysis a;
  KORA::mMesh *mesh;
  MetricGrid(int target, double v = 1.0)
      : value(v), scope(new TestLaw(1, &constant), grid(3, 3, 1.0 / 3, 1.0 / 3, false)) {
    GlobalParamManager::Instance()->analysis = &a;
    a.init(1, 1);
    mesh = GlobalParamManager::Instance()->mesh;
    for (auto it = mesh->begin(0); it != mesh->end(0); ++it)
      (*it)->attachTensor(kTag, mTensor2(mVector(4, 0, 0), mVector(0, 1, 0), mVector(0, 0, 1)));
    for (auto it = mesh->begin(2); it != mesh->end(2); ++it) setTargetLevel(*it, a.optimumLevelTag, target);
    DGParameters &p = Scope::param();
    p.href.minCellSize = 0.01;
    p.href.maxCellSize = 2.0;
    p.href.maxLevelOfRefinement = 2;
  }
  ~MetricGrid() { GlobalParamManager::Instance()->analysis = saved; }
  DGAnalysis *saved = GlobalParamManager::Instance()->analysis;
  mTensor2 metric() {
    testing::internal::CaptureStdout();
    BuildNodalMetrics(kTag, kOther, kTag + 10, 0.04);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "eps =  4.00000E-02\n");
    mEntity *v = *mesh->begin(0);
    return v->getAttachedTensor(kTag + 10);
  }
};

TEST(NodalMetric, SizesFromTheErrorRuleAndTheLevels) {
  {
    // Not deep (levels 1 < 2), lambda0 = 4, mean 1, eps 0.04: h0 = 0.1;
    // isotropic: h1 = h0; the third row stays 1.0 in two dimensions.
    MetricGrid g(1);
    const mTensor2 M = g.metric();
    EXPECT_NEAR(M(0, 0), 0.1, 1e-15);
    EXPECT_NEAR(M(1, 1), 0.1, 1e-15);
    EXPECT_NEAR(M(2, 2), 1.0, 1e-15);
  }
  {
    // A negative mean uses |eps mean|: the same sizes, never a NaN.
    MetricGrid g(1, -1.0);
    const mTensor2 M = g.metric();
    EXPECT_NEAR(M(0, 0), 0.1, 1e-15);
  }
  {
    // All targets 0: the axes and hmax.
    MetricGrid g(0);
    const mTensor2 M = g.metric();
    EXPECT_EQ(M(0, 0), 2.0);
    EXPECT_EQ(M(1, 1), 2.0);
  }
  {
    // Deep (target 2 = Lmax) with gradient (3, 4, 0): aligned with it, h0 = hmin.
    MetricGrid g(2);
    for (auto it = g.mesh->begin(0); it != g.mesh->end(0); ++it) (*it)->attachVector(kOther, mVector(3, 4, 0));
    Scope::param().href.aniso = 1;
    const mTensor2 M = g.metric();
    EXPECT_NEAR(M(0, 0), 0.01 * 0.6, 1e-15);
    EXPECT_NEAR(M(0, 1), 0.01 * 0.8, 1e-15);
    // e1 = e0 x z = (0.8, -0.6, 0) times h1, capped by the aspect ratio 10 h0.
    EXPECT_NEAR(M(1, 0), 0.1 * 0.8, 1e-15);
    EXPECT_NEAR(M(1, 1), -0.1 * 0.6, 1e-15);
    EXPECT_NEAR(M(2, 2), -0.1, 1e-15);
  }
}

// ---------------------------------------------------------------------------
// Nodal view

std::string readAll(const std::string &path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(NodalView, ModesOnOneVertex) {
  auto *mesh = new KORA::mMesh(1);
  KORA::gEntity *g = mesh->getGEntity(1, 2);
  Scope scope(nullptr, mesh);
  GlobalParamManager::Instance()->setMes(mesh);
  mEntity *a = mesh->createVertex(1, 0.5, 0, 1, g);
  a->attachTensor(kTag, mTensor2(mVector(2, 0, 0), mVector(0, 0.5, 0), mVector(0, 0, 4)));
  a->attachVector(kOther, mVector(1, -2, 5));
  const std::string path = "nodal_view_test.pos";
  struct Case {
    unsigned int tag, mode;
    int dim;
    const char *body;
  };
  const Case cases[] = {
      {kTag, 1, 2, "SP(0.5,0,1){ 2.00000E+00};\n"},
      {kTag, 2, 2,
       "VP(0.5,0,1){ 2.00000E+00, 0.00000E+00, 0.00000E+00};\n"
       "VP(0.5,0,1){ 0.00000E+00, 5.00000E-01, 0.00000E+00};\n"
       "VP(0.5,0,1){ 0.00000E+00, 0.00000E+00, 4.00000E+00};\n"},
      {kTag, 3, 2, ""},
      {kTag, 4, 2, "SP(0.5,0,1){ 4.00000E+00};\n"},
      {kTag, 4, 3, "SP(0.5,0,1){ 5.00000E-01};\n"},
      {kOther, 5, 3, "VP(0.5,0,1){ 1.00000E+00,-2.00000E+00, 5.00000E+00};\n"},
      // Nothing under the tag: zero, 1.0 for the ratio, the zero vector.
      {kTag + 5, 1, 2, "SP(0.5,0,1){ 0.00000E+00};\n"},
      {kTag + 5, 4, 2, "SP(0.5,0,1){ 1.00000E+00};\n"},
      {kTag + 5, 5, 2, "VP(0.5,0,1){ 0.00000E+00, 0.00000E+00, 0.00000E+00};\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::to_string(c.mode) + " " + std::to_string(c.dim));
    GlobalParamManager::Instance()->dim = c.dim;
    WriteNodalTensorFieldInGmshFormat(c.tag, path.c_str(), "metric", c.mode);
    EXPECT_EQ(readAll(path), std::string("View \"metric\" {\n") + c.body + "};\n");
  }
  EXPECT_THROW(WriteNodalTensorFieldInGmshFormat(kTag, path.c_str(), "v", 6), std::string);
  EXPECT_THROW(WriteNodalTensorFieldInGmshFormat(kTag, "/nonexistent-dir/x.pos", "v", 1), std::string);
  std::remove(path.c_str());
}

TEST(NodalView, GmshLoadsTheViews) {
  if (std::system("gmsh --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "gmsh is not installed";
  Field linear([](const mPoint &p, double *U) { U[0] = p.x() * p.x() + 2 * p.y(); }, 2);
  Scope scope(new TestLaw(1, &linear), grid(3, 3, 1.0 / 3, 1.0 / 3, false));
  DGAnalysis a;
  a.init(2, 1);
  BuildNodalHessians(0, kTag);
  BuildNodalGradients(0, kOther);
  for (const auto &[tag, mode] : {std::pair{kTag, 1u}, std::pair{kTag, 2u}, std::pair{kTag, 4u},
                                  std::pair{kOther, 5u}}) {
    SCOPED_TRACE(mode);
    const std::string path = "nodal_view_gmsh_" + std::to_string(mode) + ".pos";
    WriteNodalTensorFieldInGmshFormat(tag, path.c_str(), "recovered", mode);
    // Gmsh merges the view and saves it again: same name, same kind and
    // number of entries (16 vertices, three rows each in mode 2).
    const std::string out = path + ".saved.pos", script = path + ".geo";
    std::ofstream(script) << "Merge \"" << path << "\";\nSave View[0] \"" << out << "\";\n";
    const std::string cmd = "gmsh -0 " + script + " > " + path + ".log 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    const std::string log = readAll(path + ".log");
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
    const std::string saved = readAll(out);
    EXPECT_EQ(saved.rfind("View \"recovered\" {", 0), 0u) << saved;
    const std::string kind = mode == 1 || mode == 4 ? "SP(" : "VP(";
    std::size_t count = 0;
    for (std::size_t at = saved.find(kind); at != std::string::npos; at = saved.find(kind, at + 1)) ++count;
    EXPECT_EQ(count, mode == 2 ? 48u : 16u);
    for (const std::string &f : {path, out, script, script + "_unrolled", path + ".log"})
      std::remove(f.c_str());
  }
}

}  // namespace
