// Command-line options applied over the run-parameter record.

#include "DGParameters.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char *const kProg = "./dgrun";
const std::string kTry = "Try ./dgrun -help for options list\n";

struct Outcome {
  std::optional<int> thrown;  // empty when parsing returned
  std::string out, err;
};

// Runs the parser over {kProg, args...} on the given record.
Outcome parse(DGParameters &p, std::vector<std::string> args) {
  args.insert(args.begin(), kProg);
  std::vector<const char *> argv;
  for (const std::string &a : args) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  Outcome o;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  try {
    p.readCommandLine(static_cast<int>(args.size()), argv.data());
  } catch (int code) {
    o.thrown = code;
  }
  o.err = testing::internal::GetCapturedStderr();
  o.out = testing::internal::GetCapturedStdout();
  return o;
}

std::string dump(const DGParameters &p) {
  std::ostringstream os;
  p.write(os);
  return os.str();
}

}  // namespace

TEST(ParamsCommandLine, EveryOptionSetsItsField) {
  struct Case {
    std::vector<std::string> args;
    std::function<bool(const DGParameters &)> holds;
  };
  const std::vector<Case> cases = {
      {{"-tend", "2.5"}, [](auto &p) { return p.time.tend == 2.5; }},
      {{"-order", "3"}, [](auto &p) { return p.general.order == 3; }},
      {{"-cfl", "0.125"}, [](auto &p) { return p.time.cflMax == 0.125; }},
      {{"-href", "3"}, [](auto &p) { return p.href.maxLevelOfRefinement == 3 && p.href.doWe == 1; }},
      {{"-hrefdt", "0.5"},
       [](auto &p) { return p.href.samplePeriod == 0.5 && p.href.doWe == 1 && p.href.maxLevelOfRefinement == 2; }},
      {{"-goaldt", "0.01"}, [](auto &p) { return p.time.dtRef == 0.01 && p.time.mode == 2; }},
      {{"-nbsub", "3"}, [](auto &p) { return p.time.nbSub == 3 && p.time.mode == 1; }},
      {{"-restart", "40"}, [](auto &p) { return p.general.restart == 40; }},
      {{"-axi"}, [](auto &p) { return p.general.axi == 1; }},
      {{"-alpha", "0.75"}, [](auto &p) { return p.general.alpha == 0.75; }},
      {{"-chunkspace", "/tmp/out dir"}, [](auto &p) { return p.general.chunkSpace == "/tmp/out dir"; }},
      {{"-gmsh", "0.25"}, [](auto &p) { return p.general.outputDt == 0.25; }},
      {{"-outputdt", "-1"}, [](auto &p) { return p.general.outputDt == -1.0; }},
      {{"-errorrate", "4"}, [](auto &p) { return p.href.divFactor == 4.0; }},
      {{"-mach", "2"}, [](auto &p) { return p.general.mach == 2.0; }},
      {{"-reynolds", "1e3"}, [](auto &p) { return p.general.reynolds == 1000.0; }},
      {{"-atwood", "0.5"}, [](auto &p) { return p.general.atwood == 0.5; }},
      {{"-quorl", "7"}, [](auto &p) { return p.general.quorl == 7.0; }},
      {{"-prandlt", "0.72"}, [](auto &p) { return p.general.prandtl == 0.72; }},
      {{"-nummodes", "4"}, [](auto &p) { return p.general.numModes == 4; }},
      {{"-angle", "30"}, [](auto &p) { return p.general.angle == 30.0; }},
      {{"-problem", "9"}, [](auto &p) { return p.general.problem == 9 && p.general.limiter == 0; }},
      {{"-subproblem", "2"}, [](auto &p) { return p.general.subProblem == 2; }},
      {{"-limiter", "4"}, [](auto &p) { return p.general.limiter == 4; }},
      {{"-detector", "0.5"}, [](auto &p) { return p.general.detector == 0.5; }},
      {{"-errest", "3"}, [](auto &p) { return p.general.errest == 3; }},
      // A value is one whole number; blanks around it do not matter.
      {{"-tend", "  -3.5e1 "}, [](auto &p) { return p.time.tend == -35.0; }},
      {{"-order", "+2"}, [](auto &p) { return p.general.order == 2; }},
      {{"-restart", "2147483647"}, [](auto &p) { return p.general.restart == 2147483647; }},
      {{"-cfl", "0x1p-3"}, [](auto &p) { return p.time.cflMax == 0.125; }},
      // Rayleigh-Taylor brings its limiter and estimator, checked after -problem and -subproblem.
      {{"-problem", "5"}, [](auto &p) { return p.general.limiter == 3 && p.general.errest == 2; }},
      {{"-problem", "5", "-limiter", "1"}, [](auto &p) { return p.general.limiter == 1 && p.general.errest == 2; }},
      {{"-problem", "5", "-limiter", "1", "-subproblem", "2"},
       [](auto &p) { return p.general.limiter == 3 && p.general.errest == 2 && p.general.subProblem == 2; }},
      {{"-subproblem", "2", "-problem", "4"}, [](auto &p) { return p.general.limiter == 0 && p.general.errest == 1; }},
      // The last time-stepping option decides the mode.
      {{"-goaldt", "0.01", "-nbsub", "3"}, [](auto &p) { return p.time.mode == 1; }},
      {{"-nbsub", "3", "-goaldt", "0.01"}, [](auto &p) { return p.time.mode == 2; }},
      {{"-tend", "1", "-tend", "2"}, [](auto &p) { return p.time.tend == 2.0; }},
  };
  for (const Case &c : cases) {
    DGParameters p;
    p.general.partition = false;
    std::vector<std::string> args = c.args;
    args.push_back("m.msh");
    const Outcome o = parse(p, args);
    std::string shown;
    for (const std::string &a : args) shown += a + " ";
    EXPECT_FALSE(o.thrown.has_value()) << shown;
    EXPECT_EQ(o.err, "") << shown;
    EXPECT_TRUE(c.holds(p)) << shown;
    EXPECT_EQ(p.general.meshGiven, 1) << shown;
  }

  DGParameters p;
  p.general.partition = false;
  parse(p, {"-partition", "m.msh"});
  EXPECT_TRUE(p.general.partition);

  // The value is the next argument, whatever it looks like: a text option
  // takes an option's name.
  DGParameters q;
  const Outcome o = parse(q, {"-chunkspace", "-cfl", "m.msh"});
  EXPECT_FALSE(o.thrown.has_value());
  EXPECT_EQ(q.general.chunkSpace, "-cfl");
  EXPECT_EQ(q.time.cflMax, 0.5);
}

TEST(ParamsCommandLine, ProblemNames) {
  struct Case {
    const char *name;
    int problem;
  };
  for (const Case &c : {Case{"rt", 5}, Case{"RayleighTaylor", 5}, Case{"RT", 5}, Case{"shocktube", 3},
                        Case{"st", 3}, Case{"ST", 3}, Case{"rayleighTaylor", 7}, Case{"sod", 7}}) {
    DGParameters p;
    p.general.problem = 7;
    const Outcome o = parse(p, {"-problemname", c.name, "m.msh"});
    EXPECT_FALSE(o.thrown.has_value()) << c.name;
    EXPECT_EQ(p.general.problem, c.problem) << c.name;
    // A name does not bring the Rayleigh-Taylor limiter and estimator.
    EXPECT_EQ(p.general.limiter, 0) << c.name;
    EXPECT_EQ(p.general.errest, 1) << c.name;
  }
}

TEST(ParamsCommandLine, MeshArgument) {
  struct Case {
    std::vector<std::string> args;
    std::string file, base;
  };
  const std::string longName = std::string(400, 'd') + "/mesh.msh";
  const std::vector<Case> cases = {
      {{"m.msh"}, "m.msh", "m"},
      {{"a.msh", "b.msh"}, "b.msh", "b"},
      {{"dir/cyl.sms", "-order", "2"}, "dir/cyl.sms", "dir/cyl"},
      {{"mesh"}, "mesh", ""},
      {{"abc"}, "abc", ""},
      {{longName}, longName, std::string(400, 'd') + "/mesh"},
  };
  for (const Case &c : cases) {
    DGParameters p;
    const Outcome o = parse(p, c.args);
    EXPECT_FALSE(o.thrown.has_value()) << c.file;
    EXPECT_EQ(p.general.meshFileName, c.file);
    EXPECT_EQ(p.general.meshBaseName, c.base);
    EXPECT_EQ(p.general.meshGiven, 1);
  }
}

TEST(ParamsCommandLine, ErrorsPrintTheirMessageAndThrowMinusOne) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"m.msh", "-tend"}, "Missing Final Time \n"},
      {{"m.msh", "-order"}, "Missing Order\n"},
      {{"m.msh", "-cfl"}, "Missing CFL\n"},
      {{"m.msh", "-href"}, "Missing Max Leveles of Refinement\n"},
      {{"m.msh", "-hrefdt"}, "Missing HREF dt\n"},
      {{"m.msh", "-goaldt"}, "Missing Goal Time Step\n"},
      {{"m.msh", "-nbsub"}, "Missing NbSub \n"},
      {{"m.msh", "-restart"}, "Missing Restart Iteration\n"},
      {{"m.msh", "-alpha"}, "Missing Alpha Parameter\n"},
      {{"m.msh", "-chunkspace"}, "Missing chunkspace Parameter\n"},
      {{"m.msh", "-gmsh"}, "Missing Gmsh sample rate Parameter\n"},
      {{"m.msh", "-outputdt"}, "Missing Gmsh sample rate Parameter\n"},
      {{"m.msh", "-errorrate"}, "Missing Error Rate Parameter\n"},
      {{"m.msh", "-mach"}, "Missing Mach Number\n"},
      {{"m.msh", "-reynolds"}, "Missing Reynolds Number\n"},
      {{"m.msh", "-atwood"}, "Missing Atwood Number\n"},
      {{"m.msh", "-quorl"}, "Missing Quorl Number\n"},
      {{"m.msh", "-prandlt"}, "Missing Prandlt Number\n"},
      {{"m.msh", "-nummodes"}, "Missing Number of Modes\n"},
      {{"m.msh", "-angle"}, "Missing Angle Value\n"},
      {{"m.msh", "-problem"}, "Missing Problem Number\n"},
      {{"m.msh", "-subproblem"}, "Missing Sub Problem Number\n"},
      {{"m.msh", "-limiter"}, "Missing Limiter Number\n"},
      {{"m.msh", "-detector"}, "Missing Detector Value\n"},
      {{"m.msh", "-errest"}, "Missing Error Estimator Number\n"},
      {{"m.msh", "-problemname"}, "Missing Problem Name\n"},
      {{"-foo", "m.msh"}, "Unknown option foo\n"},
      {{"m.msh", "-"}, "Unknown option \n"},
      {{"m.msh", "-Order", "2"}, "Unknown option Order\n"},
      {{"-tend", "5"}, "Missing Mesh Name\n"},
      {{"-axi", "-partition"}, "Missing Mesh Name\n"},
  };
  for (const Case &c : cases) {
    DGParameters p;
    const Outcome o = parse(p, c.args);
    EXPECT_EQ(o.thrown, std::optional<int>(-1)) << c.message;
    EXPECT_EQ(o.err, c.message + kTry);
    EXPECT_EQ(o.out, "") << c.message;
  }

  // Options applied before the error keep their values.
  DGParameters p;
  parse(p, {"-order", "3", "-foo", "m.msh"});
  EXPECT_EQ(p.general.order, 3);
  EXPECT_EQ(p.general.meshGiven, 0);
}

TEST(ParamsCommandLine, CheckDumpsTheRecordAndThrowsZero) {
  for (const std::vector<std::string> &args :
       {std::vector<std::string>{"m.msh", "-order", "4", "-check", "-order", "7"},
        std::vector<std::string>{"-order", "4", "-check"}, std::vector<std::string>{"-check", "-foo"}}) {
    DGParameters p;
    const Outcome o = parse(p, args);
    EXPECT_EQ(o.thrown, std::optional<int>(0));
    EXPECT_EQ(o.err, "");
    // The dump shows the record as it stands, in the default format.
    EXPECT_EQ(o.out, dump(p));
    EXPECT_NE(o.out.find("\ngeneral.order " + std::to_string(p.general.order) + "\n"), std::string::npos);
    EXPECT_EQ(p.general.order, args[0] == "-check" ? 1 : 4);
  }
}

TEST(ParamsCommandLine, UsageText) {
  const std::string expected =
      "Usage: ./dgrun [options] file\n"
      "Discontinuous Galerkin options:\n"
      "  -check                 write actual parameters\n"
      "  -limiter 1=barth|2=moment|4=moment+monotonicity|3=physical|default=none select the limiter "
      "(default: none)\n"
      "  -errest 1=grad|2=jump|3=hessian|4=vorticity|default=grad select the error estimator (default: grad)\n"
      "  -goaldt   double       select a goal time step (local time stepping is turned on)\n"
      "  -nbsub    int          select 2^(nbsub-1) sub time steps (local time stepping is turned on)\n"
      "  -order    int          select polynomial order (default: 1)\n"
      "  -tend     double       select final time\n"
      "  -cfl      double       select cfl security coefficient K i.e. DT < K*DX/A (default K=0.5)\n"
      "  -href     int          assign max levels of refinement (default 2)\n"
      "  -hrefdt    double      select dt between refinements (default .1)\n"
      "  -errorrate double      OBSCURE PARAMETETER related to error indication, use with care (default 10)\n"
      "  -mach     double       select mach number for external flow (only if relevant, default: 3)\n"
      "  -angle    double       select angle of external flow with x axis (only if relevant, default: 0)\n"
      "  -reynolds double       select reynolds number for viscous flow (only if relevant, default: 100)\n"
      "  -atwood   double       select atwood number for RT flow (only if relevant, default: 1/3)\n"
      "  -prandlt  double       select prandlt number for viscous flow (only if relevant, default: 1)\n"
      "  -nummodes int          select number of modes for unstabilities(only if relevant, default: 1)\n"
      "  -quorl   double       select quorl number for convective flow (only if relevant, default: 100)\n"
      "  -restart  int          restart at iteration iter\n"
      "  -partition             partition the mesh on processor 0\n"
      "  -outputdt double       output sampling rate (no output if <= 0, default = 0.1)\n"
      "  -axi                   axisymmetric coordinates\n"
      "  -chunkspace string     big outputs redirected in chuckh space (default .)\n"
      "  -subproblem int       select sub problem  : \n"
      "  -problem int          select problem  : \n"
      "           5  : Rayleigh Taylor Instability (atwood)\n"
      "           3  : Richtmyer Meshkov Instability\n"
      "           1  : Sod Problem\n"
      "           13  : Muzzle Break\n"
      "           6  : Double Mach Reflection\n"
      "           9  : Navier Stokes (reynolds/prandlt mach/angle)\n"
      "           11  : System of Linear Hyperbolic Equations\n"
      "           10  : Natural Convection (quorl/prandlt)\n"
      "           12  : Semi Convection (quorl/prandlt)\n"
      "           15  : Four Discontinuities Problem \n"
      "                 -subproblem 1 Four Shock Problem \n"
      "                 -subproblem 2 Four Contact Problem \n"
      "           18  : StreamCollision Problem \n"
      "                 -subproblem 1 Unperturbed \n"
      "                 -subproblem 2 Perturbed   \n"
      "           17  : Isentropic Vertex Problem \n"
      "           16  : Shock Tubes (subproblem = 1...9, 8 for Woodward and colela, 9 for shu and osher)\n"
      "           14  : Burgers\n"
      "           8  : Scalar Advection\n\n"
      "Boundary Conditions Tags (Navier Stokes)\n"
      "           400  : Non Slip - Adiabatic \n"
      "           500  : Non Slip - Isothermal\n"
      "           600  : Non Slip - Heat Flux\n"
      "           200  : Symmetry - Adiabatic\n"
      "\n";

  for (const char *opt : {"-help", "-h"}) {
    DGParameters p;
    const Outcome o = parse(p, {opt, "x"});
    EXPECT_EQ(o.thrown, std::optional<int>(-1)) << opt;
    EXPECT_EQ(o.err, expected) << opt;
    EXPECT_EQ(o.out, "") << opt;
    EXPECT_EQ(p.general.meshGiven, 0) << opt;
  }

  testing::internal::CaptureStderr();
  Print_Usage("prog");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Try prog -help for options list\n");
}

TEST(ParamsCommandLine, ValuesThatAreNotWhollyFiniteNumbersAreRefused) {
  struct Case {
    const char *option, *value, *why;
  };
  const Case cases[] = {
      {"-tend", "abc", "not a number"},
      {"-order", "two", "not an integer"},
      {"-tend", "0.05x", "not a number"},
      {"-tend", "", "not a number"},
      {"-tend", "1 2", "not a number"},
      {"-tend", "nan", "not a finite number"},
      {"-cfl", "-inf", "not a finite number"},
      {"-tend", "infinity", "not a finite number"},
      {"-tend", "1e400", "not a finite number"},
      {"-order", "2.5", "not an integer"},
      {"-order", "1e3", "not an integer"},
      {"-order", "-cfl", "not an integer"},
      {"-restart", "99999999999", "outside the integer range"},
      {"-limiter", "-2147483649", "outside the integer range"},
      {"-goaldt", "0,01", "not a number"},
  };
  for (const Case &c : cases) {
    const std::string shown = std::string(c.option) + " '" + c.value + "'";
    DGParameters p;
    const std::string before = dump(p);
    const Outcome o = parse(p, {"m.msh", "-order", "3", c.option, c.value, "-cfl", "0.25"});
    EXPECT_EQ(o.thrown, std::optional<int>(-1)) << shown;
    EXPECT_EQ(o.err, std::string("Bad value '") + c.value + "' for option " + c.option + ": " + c.why +
                         "\n" + kTry)
        << shown;
    EXPECT_EQ(o.out, "") << shown;
    // Earlier options stay applied; the refused one and the later ones are not.
    EXPECT_EQ(p.general.order, 3) << shown;
    EXPECT_EQ(p.time.cflMax, 0.5) << shown;
    EXPECT_EQ(p.time.tend, 100000.0) << shown;
    EXPECT_EQ(p.time.mode, 1) << shown;  // -goaldt brings no mode when refused
  }
}
