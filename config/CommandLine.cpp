// Command-line options of a run: applied over the record after ".dgrc".

#include "DGParameters.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "ParameterValues.h"

namespace {

enum class Kind { Double, Int, Text, Flag, Help, Check, ProblemName };

// What an option does once its value is stored.
enum class Effect { None, HrefOn, ModeGoal, ModeLevels, ProblemCheck };

struct Option {
  const char *name;
  Kind kind;
  const char *missing;  // message when no value follows
  Effect effect;
};

void tryHelp(const char *prog) {
  std::fprintf(stderr, "Try %s -help for options list\n", prog);
}

void applyEffect(DGParameters &p, Effect e) {
  switch (e) {
    case Effect::None:
      break;
    case Effect::HrefOn:
      p.href.doWe = 1;
      break;
    case Effect::ModeGoal:
      p.time.mode = 2;
      break;
    case Effect::ModeLevels:
      p.time.mode = 1;
      break;
    case Effect::ProblemCheck:
      // The Rayleigh-Taylor problem goes with its own limiter and estimator.
      if (p.general.problem == 5) {
        p.general.limiter = 3;
        p.general.errest = 2;
      }
      break;
  }
}

// Field of the record that an option with a value writes.
double *doubleField(DGParameters &p, const char *name) {
  if (!std::strcmp(name, "tend")) return &p.time.tend;
  if (!std::strcmp(name, "cfl")) return &p.time.cflMax;
  if (!std::strcmp(name, "hrefdt")) return &p.href.samplePeriod;
  if (!std::strcmp(name, "goaldt")) return &p.time.dtRef;
  if (!std::strcmp(name, "alpha")) return &p.general.alpha;
  if (!std::strcmp(name, "gmsh") || !std::strcmp(name, "outputdt")) return &p.general.outputDt;
  if (!std::strcmp(name, "errorrate")) return &p.href.divFactor;
  if (!std::strcmp(name, "mach")) return &p.general.mach;
  if (!std::strcmp(name, "reynolds")) return &p.general.reynolds;
  if (!std::strcmp(name, "atwood")) return &p.general.atwood;
  if (!std::strcmp(name, "quorl")) return &p.general.quorl;
  if (!std::strcmp(name, "prandlt")) return &p.general.prandtl;
  if (!std::strcmp(name, "angle")) return &p.general.angle;
  if (!std::strcmp(name, "detector")) return &p.general.detector;
  return nullptr;
}

int *intField(DGParameters &p, const char *name) {
  if (!std::strcmp(name, "order")) return &p.general.order;
  if (!std::strcmp(name, "href")) return &p.href.maxLevelOfRefinement;
  if (!std::strcmp(name, "nbsub")) return &p.time.nbSub;
  if (!std::strcmp(name, "restart")) return &p.general.restart;
  if (!std::strcmp(name, "nummodes")) return &p.general.numModes;
  if (!std::strcmp(name, "problem")) return &p.general.problem;
  if (!std::strcmp(name, "subproblem")) return &p.general.subProblem;
  if (!std::strcmp(name, "limiter")) return &p.general.limiter;
  if (!std::strcmp(name, "errest")) return &p.general.errest;
  return nullptr;
}

const Option kOptions[] = {
    {"tend", Kind::Double, "Missing Final Time \n", Effect::None},
    {"order", Kind::Int, "Missing Order\n", Effect::None},
    {"cfl", Kind::Double, "Missing CFL\n", Effect::None},
    {"href", Kind::Int, "Missing Max Leveles of Refinement\n", Effect::HrefOn},
    {"hrefdt", Kind::Double, "Missing HREF dt\n", Effect::HrefOn},
    {"goaldt", Kind::Double, "Missing Goal Time Step\n", Effect::ModeGoal},
    {"nbsub", Kind::Int, "Missing NbSub \n", Effect::ModeLevels},
    {"partition", Kind::Flag, nullptr, Effect::None},
    {"restart", Kind::Int, "Missing Restart Iteration\n", Effect::None},
    {"axi", Kind::Flag, nullptr, Effect::None},
    {"alpha", Kind::Double, "Missing Alpha Parameter\n", Effect::None},
    {"chunkspace", Kind::Text, "Missing chunkspace Parameter\n", Effect::None},
    {"gmsh", Kind::Double, "Missing Gmsh sample rate Parameter\n", Effect::None},
    {"outputdt", Kind::Double, "Missing Gmsh sample rate Parameter\n", Effect::None},
    {"errorrate", Kind::Double, "Missing Error Rate Parameter\n", Effect::None},
    {"mach", Kind::Double, "Missing Mach Number\n", Effect::None},
    {"reynolds", Kind::Double, "Missing Reynolds Number\n", Effect::None},
    {"atwood", Kind::Double, "Missing Atwood Number\n", Effect::None},
    {"quorl", Kind::Double, "Missing Quorl Number\n", Effect::None},
    {"prandlt", Kind::Double, "Missing Prandlt Number\n", Effect::None},
    {"nummodes", Kind::Int, "Missing Number of Modes\n", Effect::None},
    {"angle", Kind::Double, "Missing Angle Value\n", Effect::None},
    {"problem", Kind::Int, "Missing Problem Number\n", Effect::ProblemCheck},
    {"subproblem", Kind::Int, "Missing Sub Problem Number\n", Effect::ProblemCheck},
    {"limiter", Kind::Int, "Missing Limiter Number\n", Effect::None},
    {"detector", Kind::Double, "Missing Detector Value\n", Effect::None},
    {"errest", Kind::Int, "Missing Error Estimator Number\n", Effect::None},
    {"help", Kind::Help, nullptr, Effect::None},
    {"h", Kind::Help, nullptr, Effect::None},
    {"check", Kind::Check, nullptr, Effect::None},
    {"problemname", Kind::ProblemName, "Missing Problem Name\n", Effect::None},
};

const Option *findOption(const char *name) {
  for (const Option &o : kOptions)
    if (!std::strcmp(o.name, name)) return &o;
  return nullptr;
}

// Problem number of a problem name; 0 for a name that is not known.
int problemOfName(const char *name) {
  static const char *const rt[] = {"rt", "RayleighTaylor", "RT"};
  static const char *const st[] = {"shocktube", "st", "ST"};
  for (const char *n : rt)
    if (!std::strcmp(n, name)) return 5;
  for (const char *n : st)
    if (!std::strcmp(n, name)) return 3;
  return 0;
}

}  // namespace

void Print_Usage(const char *programName) {
  tryHelp(programName ? programName : "");
}

void Print_Usage2(const char *name) {
  if (!name) name = "";
  std::FILE *e = stderr;
  std::fprintf(e, "Usage: %s [options] file\n", name);
  std::fprintf(e, "Discontinuous Galerkin options:\n");
  std::fprintf(e, "  -check                 write actual parameters\n");
  std::fprintf(e,
               "  -limiter %d=barth|%d=moment|%d=moment+monotonicity|%d=physical|default=none "
               "select the limiter (default: none)\n",
               1, 2, 4, 3);
  std::fprintf(e,
               "  -errest %d=grad|%d=jump|%d=hessian|%d=vorticity|default=grad select the error "
               "estimator (default: grad)\n",
               1, 2, 3, 4);
  std::fprintf(e, "  -goaldt   double       select a goal time step (local time stepping is turned on)\n");
  std::fprintf(e, "  -nbsub    int          select 2^(nbsub-1) sub time steps (local time stepping is turned on)\n");
  std::fprintf(e, "  -order    int          select polynomial order (default: 1)\n");
  std::fprintf(e, "  -tend     double       select final time\n");
  std::fprintf(e, "  -cfl      double       select cfl security coefficient K i.e. DT < K*DX/A (default K=0.5)\n");
  std::fprintf(e, "  -href     int          assign max levels of refinement (default 2)\n");
  std::fprintf(e, "  -hrefdt    double      select dt between refinements (default .1)\n");
  std::fprintf(e, "  -errorrate double      OBSCURE PARAMETETER related to error indication, use with care (default 10)\n");
  std::fprintf(e, "  -mach     double       select mach number for external flow (only if relevant, default: 3)\n");
  std::fprintf(e, "  -angle    double       select angle of external flow with x axis (only if relevant, default: 0)\n");
  std::fprintf(e, "  -reynolds double       select reynolds number for viscous flow (only if relevant, default: 100)\n");
  std::fprintf(e, "  -atwood   double       select atwood number for RT flow (only if relevant, default: 1/3)\n");
  std::fprintf(e, "  -prandlt  double       select prandlt number for viscous flow (only if relevant, default: 1)\n");
  std::fprintf(e, "  -nummodes int          select number of modes for unstabilities(only if relevant, default: 1)\n");
  std::fprintf(e, "  -quorl   double       select quorl number for convective flow (only if relevant, default: 100)\n");
  std::fprintf(e, "  -restart  int          restart at iteration iter\n");
  std::fprintf(e, "  -partition             partition the mesh on processor 0\n");
  std::fprintf(e, "  -outputdt double       output sampling rate (no output if <= 0, default = 0.1)\n");
  std::fprintf(e, "  -axi                   axisymmetric coordinates\n");
  std::fprintf(e, "  -chunkspace string     big outputs redirected in chuckh space (default .)\n");
  std::fprintf(e, "  -subproblem int       select sub problem  : \n");
  std::fprintf(e, "  -problem int          select problem  : \n");
  std::fprintf(e, "           %d  : Rayleigh Taylor Instability (atwood)\n", 5);
  std::fprintf(e, "           %d  : Richtmyer Meshkov Instability\n", 3);
  std::fprintf(e, "           %d  : Sod Problem\n", 1);
  std::fprintf(e, "           %d  : Muzzle Break\n", 13);
  std::fprintf(e, "           %d  : Double Mach Reflection\n", 6);
  std::fprintf(e, "           %d  : Navier Stokes (reynolds/prandlt mach/angle)\n", 9);
  std::fprintf(e, "           %d  : System of Linear Hyperbolic Equations\n", 11);
  std::fprintf(e, "           %d  : Natural Convection (quorl/prandlt)\n", 10);
  std::fprintf(e, "           %d  : Semi Convection (quorl/prandlt)\n", 12);
  std::fprintf(e, "           %d  : Four Discontinuities Problem \n", 15);
  std::fprintf(e, "                 -subproblem %d Four Shock Problem \n", 1);
  std::fprintf(e, "                 -subproblem %d Four Contact Problem \n", 2);
  std::fprintf(e, "           %d  : StreamCollision Problem \n", 18);
  std::fprintf(e, "                 -subproblem %d Unperturbed \n", 1);
  std::fprintf(e, "                 -subproblem %d Perturbed   \n", 2);
  std::fprintf(e, "           %d  : Isentropic Vertex Problem \n", 17);
  std::fprintf(e,
               "           %d  : Shock Tubes (subproblem = 1...9, 8 for Woodward and colela, 9 for shu "
               "and osher)\n",
               16);
  std::fprintf(e, "           %d  : Burgers\n", 14);
  std::fprintf(e, "           %d  : Scalar Advection\n\n", 8);
  std::fprintf(e, "Boundary Conditions Tags (Navier Stokes)\n");
  std::fprintf(e, "           %d  : Non Slip - Adiabatic \n", 400);
  std::fprintf(e, "           %d  : Non Slip - Isothermal\n", 500);
  std::fprintf(e, "           %d  : Non Slip - Heat Flux\n", 600);
  std::fprintf(e, "           %d  : Symmetry - Adiabatic\n", 200);
  std::fprintf(e, "\n");
}

void DGParameters::readCommandLine(int argc, const char *const *argv) {
  const char *prog = (argc > 0 && argv && argv[0]) ? argv[0] : "";

  int i = 1;
  while (argv && i < argc && argv[i]) {
    const char *arg = argv[i];
    if (arg[0] != '-') {
      general.setMeshFile(arg);
      ++i;
      continue;
    }

    const char *name = arg + 1;
    const Option *opt = findOption(name);
    if (!opt) {
      std::fprintf(stderr, "Unknown option %s\n", name);
      tryHelp(prog);
      throw -1;
    }

    switch (opt->kind) {
      case Kind::Flag:
        if (!std::strcmp(name, "partition"))
          general.partition = true;
        else
          general.axi = 1;
        ++i;
        continue;
      case Kind::Help:
        Print_Usage2(prog);
        throw -1;
      case Kind::Check:
        std::fflush(stdout);
        write(std::cout);
        std::cout.flush();
        throw 0;
      default:
        break;
    }

    // Every other option takes the next argument as its value, whatever it
    // looks like.
    if (i + 1 >= argc || !argv[i + 1]) {
      std::fputs(opt->missing, stderr);
      tryHelp(prog);
      throw -1;
    }
    const char *value = argv[i + 1];
    // A number must be the whole value and finite; the field keeps its value
    // when it is refused.
    std::string refused;
    switch (opt->kind) {
      case Kind::Double:
        refused = readDoubleValue(value, *doubleField(*this, name));
        break;
      case Kind::Int:
        refused = readIntValue(value, *intField(*this, name));
        break;
      case Kind::Text:
        general.chunkSpace = value;
        break;
      case Kind::ProblemName:
        if (int pb = problemOfName(value)) general.problem = pb;
        break;
      default:
        break;
    }
    if (!refused.empty()) {
      std::fprintf(stderr, "Bad value '%s' for option -%s: %s\n", value, name, refused.c_str());
      tryHelp(prog);
      throw -1;
    }
    applyEffect(*this, opt->effect);
    i += 2;
  }

  if (!general.meshGiven) {
    std::fprintf(stderr, "Missing Mesh Name\n");
    tryHelp(prog);
    throw -1;
  }
}
