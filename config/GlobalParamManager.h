#ifndef DG_GLOBALPARAMMANAGER_H
#define DG_GLOBALPARAMMANAGER_H

// The single process-wide context of a run: the DG side reaches the law, the
// estimator, the limiter, the analysis, the mesh and the run parameters through
// it instead of receiving them as arguments.
//
// Created on first use by Instance(); safe to reach during static
// initialisation (the instance pointer is constant-initialised).
//
// Ownership: the context deletes the law, the mesh, the limiter and the
// estimator, in this order, when it is destroyed. The analysis is created here
// but deleted by the program entry; the run parameters and the model mesh
// belong to the program entry too, which deletes them after the context.

namespace KORA {
class mMesh;
}
class ConservationLaw;
class DGErrorEstimator;
class DGLimiter;
class DGAnalysis;
class DGParameters;

class GlobalParamManager {
public:
  ConservationLaw *law;
  DGErrorEstimator *estimator;
  DGLimiter *limiter;  // null: no limiting
  DGAnalysis *analysis;
  KORA::mMesh *mesh;
  KORA::mMesh *meshModel;
  int dim;  // dimension of mesh when setMes was last called
  DGParameters *parameters;

  // The context, created by the first call.
  static GlobalParamManager *Instance() {
    if (!instance) instance = new GlobalParamManager();
    return instance;
  }

  // Takes ownership of the mesh and records its current dimension. A caller
  // that fills the mesh afterwards calls it again with the same mesh.
  void setMes(KORA::mMesh *m);
  void setMeshModel(KORA::mMesh *m);

  // Reads a parameter file in the input language into parameters.
  void parseInputFile(const char *fileName);

  GlobalParamManager();
  ~GlobalParamManager();
  GlobalParamManager(const GlobalParamManager &) = delete;
  GlobalParamManager &operator=(const GlobalParamManager &) = delete;

  // The single context; null before first use and again once it is destroyed.
  static inline GlobalParamManager *instance = nullptr;
};

#endif
