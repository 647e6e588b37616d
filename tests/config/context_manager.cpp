// The global context: creation on first use, the mesh dimension it records,
// and what its destruction deletes.

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "DGErrorEstimator.h"
#include "DGLimiter.h"
#include "DGParameters.h"
#include "GlobalParamManager.h"
#include "KORA_Util.h"
#include "mMesh.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// Taken during static initialisation, before main runs.
GlobalParamManager *const gEarlyContext = GlobalParamManager::Instance();
double *const gEarlyTend = &GlobalParamManager::Instance()->parameters->time.tend;

using Log = std::vector<std::string>;

struct SpyLaw : ConservationLaw {
  Log *log;
  explicit SpyLaw(Log *l) : log(l) {}
  ~SpyLaw() override { log->push_back("law"); }
  // The law's own operations are not exercised here.
  int nbFields() const override { return 1; }
  void Fi(int, const KORA::mPoint &, const double *, KORA::mVector &) const override {}
  void Fi(const KORA::mPoint &, const double *, KORA::mVector *) const override {}
  void RHS(const double *, const KORA::mVector *, const KORA::mPoint &, double *) const override {}
  void riemannSolver(const KORA::mVector &, const KORA::mPoint &, const double *, const double *,
                     double *, double *) const override {}
  double maximumEigenValue(const double *, const KORA::mPoint &) const override { return 0.0; }
  int getNbFieldsOfInterest() const override { return 0; }
  void getNameAndSize(int, int &, std::string &) const override {}
  void getIthFieldOfInterest(int, const KORA::mPoint &, const double *, const KORA::mVector *,
                             double *, double) const override {}
  bool isPhysical(const double *) const override { return true; }
  double jumpQuantity(const double *, const KORA::mVector *) const override { return 0.0; }
  void characteristicVectorField(const KORA::mPoint &, double, const double *,
                                 const KORA::mVector *, KORA::mVector &) const override {}
};

struct SpyLimiter : DGLimiter {
  Log *log;
  explicit SpyLimiter(Log *l) : log(l) {}
  ~SpyLimiter() override { log->push_back("limiter"); }
};

struct SpyEstimator : DGErrorEstimator {
  Log *log;
  explicit SpyEstimator(Log *l) : log(l) {}
  ~SpyEstimator() override { log->push_back("estimator"); }
};

struct SpyMesh : KORA::mMesh {
  Log *log;
  std::string name;
  SpyMesh(Log *l, std::string n) : KORA::mMesh(0), log(l), name(std::move(n)) {}
  ~SpyMesh() override { log->push_back(name); }
};

std::string dump(const DGParameters &p) {
  std::ostringstream os;
  p.write(os);
  return os.str();
}

// Releases what a context creates but does not own.
void releaseUnowned(GlobalParamManager *ctx) {
  delete ctx->analysis;
  delete ctx->parameters;
}

}  // namespace

TEST(ContextManager, OneInstanceReachableBeforeMain) {
  GlobalParamManager *a = GlobalParamManager::Instance();
  GlobalParamManager *b = GlobalParamManager::Instance();
  EXPECT_EQ(a, b);
  EXPECT_EQ(a, gEarlyContext);
  ASSERT_NE(a->parameters, nullptr);
  EXPECT_EQ(gEarlyTend, &a->parameters->time.tend);
  ASSERT_NE(a->analysis, nullptr);
  EXPECT_EQ(a->analysis->optimumLevelTag, KORA::KORA_Util::Instance()->nameToId.at("_optimum_level"));
}

TEST(ContextManager, FreshContextHoldsDefaultsAndAnEmptyAnalysis) {
  GlobalParamManager ctx;
  EXPECT_EQ(ctx.law, nullptr);
  EXPECT_EQ(ctx.estimator, nullptr);
  EXPECT_EQ(ctx.limiter, nullptr);
  EXPECT_EQ(ctx.mesh, nullptr);
  EXPECT_EQ(ctx.meshModel, nullptr);
  EXPECT_EQ(ctx.dim, 0);
  ASSERT_NE(ctx.parameters, nullptr);
  EXPECT_EQ(dump(*ctx.parameters), dump(DGParameters()));
  ASSERT_NE(ctx.analysis, nullptr);
  EXPECT_TRUE(ctx.analysis->sensors.empty());
  // A second analysis finds "_optimum_level" registered and shares its tag.
  EXPECT_EQ(ctx.analysis->optimumLevelTag, GlobalParamManager::Instance()->analysis->optimumLevelTag);
  // Its own record, not the singleton's.
  EXPECT_NE(ctx.parameters, GlobalParamManager::Instance()->parameters);
  releaseUnowned(&ctx);
}

TEST(ContextManager, SetMesRecordsTheDimensionAtTheCall) {
  Log log;
  auto *ctx = new GlobalParamManager();
  auto *m = new SpyMesh(&log, "mesh");
  KORA::gEntity *g = m->getGEntity(1, 3);
  ctx->setMes(m);
  EXPECT_EQ(ctx->mesh, m);
  EXPECT_EQ(ctx->dim, 0);

  m->createVertex(1, 0, 0, 0, g);
  m->createVertex(2, 1, 0, 0, g);
  m->createVertex(3, 0, 1, 0, g);
  m->createVertex(4, 0, 0, 1, g);
  // Filling the mesh does not change what was recorded.
  m->createEdge(1, 2, g);
  EXPECT_EQ(ctx->dim, 0);
  ctx->setMes(m);
  EXPECT_EQ(ctx->dim, 1);
  m->createFaceWithVertices(1, 2, 3, g);
  ctx->setMes(m);
  EXPECT_EQ(ctx->dim, 2);
  m->createTetWithVertices(1, 2, 3, 4, g);
  ctx->setMes(m);
  EXPECT_EQ(ctx->dim, 3);
  // Handing over the same mesh again never deletes it.
  EXPECT_TRUE(log.empty());

  // A different mesh replaces the held one, which the context owns.
  auto *other = new SpyMesh(&log, "other");
  ctx->setMes(other);
  EXPECT_EQ(log, Log{"mesh"});
  EXPECT_EQ(ctx->dim, 0);

  releaseUnowned(ctx);
  delete ctx;
  EXPECT_EQ(log, (Log{"mesh", "other"}));
}

TEST(ContextManager, DestructionDeletesWhatItOwnsInOrderOnce) {
  struct Case {
    bool law, mesh, limiter, estimator;
    Log expected;
  };
  const std::vector<Case> cases = {
      {true, true, true, true, {"law", "mesh", "limiter", "estimator"}},
      {false, false, true, true, {"limiter", "estimator"}},
      {true, true, false, true, {"law", "mesh", "estimator"}},
      {true, false, true, false, {"law", "limiter"}},
      {false, false, false, false, {}},
  };
  for (const Case &c : cases) {
    Log log;
    auto *ctx = new GlobalParamManager();
    if (c.law) ctx->law = new SpyLaw(&log);
    if (c.mesh) ctx->setMes(new SpyMesh(&log, "mesh"));
    if (c.limiter) ctx->limiter = new SpyLimiter(&log);
    if (c.estimator) ctx->estimator = new SpyEstimator(&log);
    auto *model = new SpyMesh(&log, "model");
    ctx->setMeshModel(model);
    EXPECT_EQ(ctx->meshModel, model);

    DGParameters *params = ctx->parameters;
    DGAnalysis *analysis = ctx->analysis;
    params->general.order = 6;
    delete ctx;

    EXPECT_EQ(log, c.expected);
    // The run parameters, the analysis and the model mesh outlive the context.
    EXPECT_EQ(params->general.order, 6);
    EXPECT_TRUE(analysis->sensors.empty());
    delete model;
    delete analysis;
    delete params;
    EXPECT_EQ(log.back(), "model");
  }
}

TEST(ContextManager, DestroyedSingletonIsNotHandedOutAgain) {
  GlobalParamManager *const saved = GlobalParamManager::instance;
  auto *ctx = new GlobalParamManager();
  GlobalParamManager::instance = ctx;
  EXPECT_EQ(GlobalParamManager::Instance(), ctx);
  DGParameters *params = ctx->parameters;
  DGAnalysis *analysis = ctx->analysis;
  delete ctx;
  EXPECT_EQ(GlobalParamManager::instance, nullptr);
  GlobalParamManager::instance = saved;
  delete analysis;
  delete params;
  EXPECT_EQ(GlobalParamManager::Instance(), gEarlyContext);
}
