// Program entry of the solver: reads the run parameters, reads the mesh and
// builds the problem (or restores a recovery file), runs the time loop and
// tears the run down.
//
// Exit status: 0 after a normal end (and after "-check"), 1 after a reported
// error.

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "ConservationLaw.h"
#include "DGAdaptation.h"
#include "DGAnalysis.h"
#include "DGErrorEstimator.h"
#include "DGLimiter.h"
#include "DGParameters.h"
#include "DGSensor.h"
#include "Examples.h"
#include "GlobalParamManager.h"
#include "InputSensors.h"
#include "KORA_Util.h"
#include "ParUtil.h"
#include "RunHooks.h"
#include "mException.h"
#include "mMesh.h"

using KORA::mMesh;
using KORA::ParUtil;

namespace {

// The run parameters and the model mesh outlive the global context (its
// teardown may still read them); the entry owns them and deletes them last.
std::unique_ptr<DGParameters> runParameters;
std::unique_ptr<mMesh> modelMesh;

// The sensors were created for this run (by the set-up or the parameter
// file); the analysis lists them without owning them.
void deleteSensors(DGAnalysis *analysis) {
  if (!analysis) return;
  for (DGSensor *s : analysis->sensors) delete s;
  analysis->sensors.clear();
}

void teardown(GlobalParamManager *ctx) {
  if (ctx->analysis) {
    deleteSensors(ctx->analysis);
    delete ctx->analysis;
    ctx->analysis = nullptr;
  }
  delete ctx;
  ParUtil::Instance()->Finalize();
  modelMesh.reset();
  runParameters.reset();
}

// Reads the parameters: a single argument names a parameter file, anything
// else is ".dgrc" and the command line. A single argument that starts with a
// dash is an option ("dg -help"), not a file name. Returns -1 to go on, else
// the exit status of a run that ends here (after "-help", "-check" or a bad
// option).
int readParameters(GlobalParamManager *ctx, int argc, char **argv) {
  DGParameters *p = ctx->parameters;
  if (argc == 2 && argv[1][0] != '-') {
    installInputSensors();
    ctx->parseInputFile(argv[1]);
    return -1;
  }
  {
    std::ifstream defaults(".dgrc");
    if (defaults) p->read_partial(defaults);
  }
  try {
    p->readCommandLine(argc, argv);
  } catch (int code) {
    // The option reader has printed its message or its dump.
    return code == 0 ? 0 : 1;
  }
  return -1;
}

// Reads a mesh file; the mesh library's error, printed when it was made, is
// told once more as the file that could not be read.
void importMesh(const std::string &name, mMesh *mesh) {
  try {
    KORA::KORA_Util::Instance()->import(name.c_str(), mesh);
  } catch (KORA::mException *e) {
    delete e;
    throw std::string("cannot read the mesh file ") + name;
  } catch (const KORA::mException &) {
    throw std::string("cannot read the mesh file ") + name;
  }
}

// What the analysis leaves to the program: the problem set-ups of a restart
// and the sensors of the time loop.
RunHooks programHooks(GlobalParamManager *ctx, DGAnalysis *analysis) {
  RunHooks hooks;
  hooks.buildProblem = [ctx](int dim) {
    DGParameters &P = *ctx->parameters;
    ConservationLaw *law = BuildConservationLaw(dim, P);
    if (!law)
      throw std::string("restart: problem ") + std::to_string(P.general.problem) +
          " builds no conservation law";
    delete ctx->law;
    ctx->law = law;
    DGErrorEstimator *estimator = BuildErrorEstimator(P);
    delete ctx->estimator;
    ctx->estimator = estimator;
    DGLimiter *limiter = BuildLimiter(P);
    delete ctx->limiter;
    ctx->limiter = limiter;
  };
  hooks.offerSolution = [analysis](int iteration) { analysis->evalSensors(iteration); };
  hooks.endOfRun = [] { reportOutputFailures(); };
  return hooks;
}

// A restart: the run's state from the recovery file of the iteration given,
// then the problem's sensors, each restarted at the stored time.
void restore(GlobalParamManager *ctx, DGAnalysis *analysis, const RunHooks &hooks) {
  DGParameters *p = ctx->parameters;
  const std::string name = recoveryFileName(p->general.chunkSpace, p->general.restart);
  ParUtil::Instance()->Msg(ParUtil::INFO, "recovering %s ...\n", name.c_str());
  std::ifstream in(name, std::ios::binary);
  if (!in) throw std::string("cannot open the recovery file ") + name;
  analysis->read(in, hooks);
  AddSensors(analysis, *p);
  for (DGSensor *s : analysis->sensors) s->restart(p->state.t);
  std::printf("recover done at time %lf ...\n", p->state.t);
}

int runAll(GlobalParamManager *ctx, int argc, char **argv) {
  const int early = readParameters(ctx, argc, argv);
  if (early >= 0) return early;
  DGParameters *p = ctx->parameters;
  GeneralParameters &g = p->general;
  ParUtil *par = ParUtil::Instance();
  std::printf("Reading the mesh %s ...\n", g.meshBaseName.c_str());
  DGAnalysis *analysis = ctx->analysis;
  const RunHooks hooks = programHooks(ctx, analysis);

  if (g.modelGiven) {
    modelMesh = std::make_unique<mMesh>(1);
    importMesh(g.modelFileName, modelMesh.get());
    ctx->setMeshModel(modelMesh.get());
  }

  mMesh *mesh = nullptr;
  if (g.restart == 0) {
    mesh = new mMesh(1);
    ctx->setMes(mesh);  // owned by the context from here on
    importMesh(g.meshFileName, mesh);
    if (mesh->getDim() < 1 || mesh->size(mesh->getDim()) == 0)
      throw std::string("the mesh file ") + g.meshFileName + " holds no elements";
    std::printf("Setting up the mesh ...\n");
    ctx->setMes(mesh);
    createDGAdjacencies(mesh, mesh->getDim());
    ctx->estimator = BuildErrorEstimator(*p);
    ctx->limiter = BuildLimiter(*p);
    ctx->law = BuildConservationLaw(ctx->dim, *p);
    if (!ctx->law)
      throw std::string("problem ") + std::to_string(g.problem) + " builds no conservation law";
    AddSensors(analysis, *p);
    AddTrackers(analysis, *p);
  } else {
    restore(ctx, analysis, hooks);
    mesh = ctx->mesh;
  }

  // Adaptation settings this build cannot run stop the run before it begins.
  checkAdaptationSettings(*p, ctx->estimator, mesh);
  par->Msg(ParUtil::INFO, "Setting up communications ...\n");
  mesh->bdryLinkSetup();
  par->Msg(ParUtil::INFO, "DG begins ...\n");
  par->setVerbosity(p->debug);
  analysis->run(hooks);
  par->Msg(ParUtil::INFO, "DG finishes\n");
  return 0;
}

// One line through the message function; on standard error when the
// verbosity silences the messages, so that an error is never lost.
void reportError(const char *program, const std::string &what) {
  ParUtil *par = ParUtil::Instance();
  if (par->getVerbosity() >= 0) {
    par->Msg(ParUtil::INFO, "%s Finished with an error : %s\n", program, what.c_str());
  } else {
    std::fflush(stdout);
    std::fprintf(stderr, "%s Finished with an error : %s\n", program, what.c_str());
  }
}

}  // namespace

int main(int argc, char **argv) {
  const char *program = argc > 0 && argv[0] ? argv[0] : "dg";
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  runParameters.reset(ctx->parameters);
  int status = 1;
  try {
    status = runAll(ctx, argc, argv);
  } catch (const std::string &text) {
    reportError(program, text);
  } catch (const char *text) {
    reportError(program, text ? text : "");
  } catch (int code) {
    reportError(program, "error code " + std::to_string(code));
  } catch (KORA::mException *e) {
    // The mesh library's error has printed itself when it was made.
    reportError(program, "mesh library error (" + e->getFile() + ", line " +
                             std::to_string(e->getLine()) + ")");
    delete e;
  } catch (const KORA::mException &e) {
    reportError(program,
                "mesh library error (" + e.getFile() + ", line " + std::to_string(e.getLine()) + ")");
  } catch (const std::exception &e) {
    reportError(program, e.what());
  }
  std::fflush(stdout);
  teardown(ctx);
  return status;
}
