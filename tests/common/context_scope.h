// Installs a law, a mesh and optionally a limiter and an estimator (all owned)
// in the global context for one test and removes them all at the end; the run
// parameters are reset to their defaults on both sides.
#ifndef TESTS_COMMON_CONTEXT_SCOPE_H
#define TESTS_COMMON_CONTEXT_SCOPE_H

#include "ConservationLaw.h"
#include "DGErrorEstimator.h"
#include "DGLimiter.h"
#include "DGParameters.h"
#include "GlobalParamManager.h"
#include "mMesh.h"

namespace dgtest {

// Removes the mesh, then deletes the law, the limiter and the estimator of the
// global context and resets the run parameters to their defaults.
inline void clearContext() {
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  // Cells hang off the mesh and need the law while they go.
  ctx->setMes(nullptr);
  delete ctx->law;
  ctx->law = nullptr;
  delete ctx->limiter;
  ctx->limiter = nullptr;
  delete ctx->estimator;
  ctx->estimator = nullptr;
  *ctx->parameters = DGParameters();
}

class ContextScope {
public:
  ContextScope(ConservationLaw *law, KORA::mMesh *mesh, DGLimiter *limiter = nullptr,
               DGErrorEstimator *estimator = nullptr) {
    GlobalParamManager *ctx = GlobalParamManager::Instance();
    *ctx->parameters = DGParameters();
    ctx->law = law;
    ctx->limiter = limiter;
    ctx->estimator = estimator;
    ctx->setMes(mesh);
  }
  ~ContextScope() { clearContext(); }
  ContextScope(const ContextScope &) = delete;
  ContextScope &operator=(const ContextScope &) = delete;

  static DGParameters &param() { return *GlobalParamManager::Instance()->parameters; }
};

}  // namespace dgtest

#endif
