// Fuzzing harness of the recovery-file reader: every input is handed to
// DGAnalysis::read as a whole recovery file, under the Burgers problem
// (problem 14) at order 1, the set-up a restart of that problem has. A
// reader that throws a text (or the mesh library's exception) has refused
// the input: that is the expected outcome for a malformed file. A crash, a
// sanitizer report, an abort or a leak is a finding.
//
// Not built by CI. Build with clang's libFuzzer against libraries built
// with coverage and the sanitizers, e.g.
//   cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=clang++ \
//     -DDG_SANITIZE=ON -DDG_BUILD_TESTS=OFF -DDG_BUILD_BENCH=OFF \
//     -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link -fsized-deallocation"
//   cmake --build build-fuzz -j 3
//   tests/fuzz/build_recovery_fuzz.sh build-fuzz
// and seed the corpus with recovery files of small runs of problem 14
// (".dgrc": "time.recoverSamplingPeriod 1").

#include <cstddef>
#include <cstdint>
#include <exception>
#include <sstream>
#include <string>

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "DGErrorEstimator.h"
#include "DGLimiter.h"
#include "DGParameters.h"
#include "DGSensor.h"
#include "Examples.h"
#include "GlobalParamManager.h"
#include "ParUtil.h"
#include "RunHooks.h"
#include "mException.h"

namespace {

void tearDown(GlobalParamManager *ctx) {
  DGParameters *p = ctx->parameters;
  if (DGAnalysis *a = ctx->analysis) {
    for (DGSensor *s : a->sensors) delete s;
    a->sensors.clear();
    delete a;
    ctx->analysis = nullptr;
  }
  delete ctx;
  delete p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  KORA::ParUtil::Instance()->setVerbosity(-1);
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  DGParameters &p = *ctx->parameters;
  p.general.problem = 14;
  p.general.order = 1;
  p.general.restart = 1;
  p.general.chunkSpace = "/tmp";
  std::istringstream in(std::string(reinterpret_cast<const char *>(data), size));
  try {
    RunHooks hooks;
    hooks.buildProblem = [ctx](int dim) {
      ctx->law = BuildConservationLaw(dim, *ctx->parameters);
      ctx->estimator = BuildErrorEstimator(*ctx->parameters);
      ctx->limiter = BuildLimiter(*ctx->parameters);
    };
    ctx->analysis->read(in, hooks);
    AddSensors(ctx->analysis, p);
    for (DGSensor *s : ctx->analysis->sensors) s->restart(p.state.t);
    ctx->analysis->gatherCells();
    (void)ctx->analysis->nbrDofs();
  } catch (const std::string &) {
  } catch (const char *) {
  } catch (int) {
  } catch (KORA::mException *e) {
    delete e;
  } catch (const KORA::mException &) {
  } catch (const std::exception &) {
  }
  // Whatever a sensor could not write is of no interest here.
  try {
    reportOutputFailures();
  } catch (const std::string &) {
  }
  tearDown(ctx);
  return 0;
}
