#include "GlobalParamManager.h"

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "DGErrorEstimator.h"
#include "DGLimiter.h"
#include "DGParameters.h"
#include "mMesh.h"

#include <memory>

GlobalParamManager::GlobalParamManager()
    : law(nullptr), estimator(nullptr), limiter(nullptr), analysis(nullptr),
      mesh(nullptr), meshModel(nullptr), dim(0), parameters(nullptr) {
  std::unique_ptr<DGParameters> p(new DGParameters());
  // The parser's group and expression lists start out null (zero-initialised
  // globals), so the parser creates them at its first addition.
  analysis = new DGAnalysis();
  parameters = p.release();
}

GlobalParamManager::~GlobalParamManager() {
  delete law;
  law = nullptr;
  delete mesh;
  mesh = nullptr;
  delete limiter;
  limiter = nullptr;
  delete estimator;
  estimator = nullptr;
  // A later Instance() must not hand out the destroyed context.
  if (instance == this) instance = nullptr;
}

void GlobalParamManager::setMes(KORA::mMesh *m) {
  // The context owns the mesh it holds: one replaced by a different mesh
  // would otherwise be lost.
  if (mesh != m) delete mesh;
  mesh = m;
  dim = m ? m->getDim() : 0;
}

void GlobalParamManager::setMeshModel(KORA::mMesh *m) { meshModel = m; }
