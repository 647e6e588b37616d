#include "Examples.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

#include "DGAnalysis.h"
#include "DGErrorEstimators.h"
#include "DGGmshSensor.h"
#include "DGLimiters.h"
#include "DGParameters.h"
#include "FourDiscontinuities.h"
#include "GeneralLaw.h"
#include "IsentropicVortex.h"
#include "Muzzle.h"
#include "NavierStokesProblems.h"
#include "Quarnel.h"
#include "RayleighTaylor.h"
#include "ScalarProblems.h"
#include "SensorKinds.h"
#include "ShockProblems.h"
#include "ShockTube.h"
#include "StreamCollision.h"

using KORA::mPoint;

namespace {
// Boundary tag under which the set-ups enter their wall condition.
constexpr int kWallTag = 200;

[[noreturn]] void refuseProblem(int problem, const char *why) {
  std::cerr << "problem " << problem << ": " << why << "\n";
  throw 1;
}

// Some problems read a file of their own beside the mesh, in the working
// directory: a missing or unreadable one ends the run with a message that
// names it, before anything is built from it.
void requireFile(int problem, const char *name, const char *what) {
  std::error_code ec;
  std::FILE *f = std::filesystem::is_regular_file(name, ec) ? std::fopen(name, "r") : nullptr;
  if (f) {
    std::fclose(f);
    return;
  }
  throw std::string("problem ") + std::to_string(problem) + " needs the file \"" + name +
      "\" in the working directory (" + what + "); it is missing or cannot be read";
}

void addGmsh(DGAnalysis *analysis, const char *name, double period, bool all,
             std::initializer_list<int> fields = {}) {
  auto *gmsh = new DGGmshSensor(name, period, all);
  for (int f : fields) gmsh->enable_field_of_interest(f, true);
  analysis->addSensor(gmsh);
}

void addIfAny(DGAnalysis *analysis, DGSensor *sensor) {
  if (sensor) analysis->addSensor(sensor);
}
}  // namespace

DGErrorEstimator *BuildErrorEstimator(DGParameters &params) {
  switch (params.general.errest) {
    case 1: return new DGErrorEstimatorGrad();
    case 2: return new DGErrorEstimatorJump();
    case 3: return new DGErrorEstimatorHD();
    case 4: return new DGErrorEstimatorVort2d();
    case 1000: return new DGErrorEstimatorHigherOrderGrads();
    default: return nullptr;
  }
}

DGLimiter *BuildLimiter(DGParameters &params) {
  switch (params.general.limiter) {
    case 1:
      std::printf("barth limiter\n");
      return new DGBarthLimiter();
    case 2: return new DGMomentLimiterRegularCube(false);
    case 3: return new DGPhysicalLimiter(0.3, 3.0);
    case 4: return new DGMomentLimiterRegularCube(true);
    case 5: return new DGTovuLimiter();
    default: return nullptr;
  }
}

ConservationLaw *BuildConservationLaw(int dim, DGParameters &params) {
  const GeneralParameters &g = params.general;
  switch (g.problem) {
    case 0: return createGeneralLaw();
    case 3: return createRichtmayerMeshkovLaw(dim, g.mach, 1.4);
    case 5: return createRayleighTaylor(dim, kWallTag, g.numModes, 0);
    case 6: return createOutflowLaw(dim, g.mach, g.angle, kWallTag, 1);
    case 8: return createScalarLaw(g.alpha, g.numModes);
    case 9: return createNavierStokesLaw(dim, g.mach, g.angle, g.prandtl, g.reynolds);
    case 10: return createNaturalConvectionLaw(dim, g.quorl, g.prandtl, false);
    case 11:
      requireFile(11, "param.in", "the parameters of the discrete-velocity model");
      return createLinearHyperbolicLaw(dim);
    case 12: return createNaturalConvectionLaw(dim, g.quorl, g.prandtl, true);
    case 13: return createMuzzleLaw(dim, params);
    case 14: return createBurgersLaw(dim);
    case 15: return createFourDiscontinuitiesLaw(g.subProblem);
    case 16: return createShockTube(dim, kWallTag, g.subProblem);
    case 17: return createIsentropicVortex();
    case 18: return createStreamCollisionLaw(g.subProblem);
    case 2:
    case 1111: refuseProblem(g.problem, "this problem number builds no conservation law");
    default:
      refuseProblem(g.problem,
                    "unknown problem number (known: 0, 3, 5, 6, 8 to 18; see -help)");
  }
}

void AddSensors(DGAnalysis *analysis, DGParameters &params) {
  const GeneralParameters &g = params.general;
  const double period = g.outputDt;
  switch (g.problem) {
    case 0: return;
    case 3: addGmsh(analysis, "rm", 0.01, true); return;
    case 5: CreateSensorRayleighTaylor(analysis, params); return;
    case 6:
      if (period > 0.0) addGmsh(analysis, "dmr", period, false, {0, 3});
      return;
    case 8:
      addIfAny(analysis, makeLineSensor("scalar.dat", mPoint(0, 0.05, 0), mPoint(1, 0.05, 0), 500,
                                        0.499));
      addGmsh(analysis, "scalar", period, true);
      return;
    case 9:
      addIfAny(analysis, makeLineSensor("ns.dat", mPoint(2.0124, 0, 0), mPoint(2.0123, 1, 0), 500,
                                        0.5));
      if (period >= 0.0) addGmsh(analysis, "ns", period, true);
      return;
    case 10:
    case 12:
      if (period >= 0.0) addGmsh(analysis, "convection", period, true);
      return;
    case 11:
      if (period >= 0.0) addGmsh(analysis, "fsm", period, true);
      return;
    case 13:
      if (period > 0.0) addGmsh(analysis, "muzzle", period, false, {0, 4, 5, 7});
      return;
    case 14:
      addIfAny(analysis, makeLineSensor("t1.dat", mPoint(0, 0.1, 0), mPoint(0.3, 0, 0), 100, 2.0));
      addIfAny(analysis, makeLineSensor("t2.dat", mPoint(0, 0, 0), mPoint(0.3, 0, 0), 100, 2.0));
      addGmsh(analysis, "burgers", period, true);
      return;
    case 15:
    case 1111: CreateSensorFourDiscontinuities(analysis, params); return;
    case 16:
      requireFile(16, "t.msh", "the mesh over which its integration sensor integrates");
      addIfAny(analysis, makeIntegrationSensor("integ_level.dat", 0.1, "t.msh"));
      return;
    case 17: CreateSensorIsentropicVortex(analysis, params); return;
    case 18: CreateSensorStreamCollision(analysis, params); return;
    default: refuseProblem(g.problem, "no sensors are defined for this problem number");
  }
}

void AddTrackers(DGAnalysis *, DGParameters &) {}
