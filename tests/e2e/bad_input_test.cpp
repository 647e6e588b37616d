// Bad run parameters stop the program before the run with a message and
// status 1: a parameter file with a syntax error or a sensor that cannot be
// made, option and ".dgrc" values that are not wholly finite numbers, and an
// input-language range that would never end or fill the memory.

#include <string>

#include "e2e_support.h"

namespace {

using namespace e2e;

const char *const kGoodFile =
    "Mesh = \"square.msh\";\n"
    "Tend = 0.01;\n"
    "Function {\n"
    "  PressureInit[] = 1.0;\n"
    "  DensityInit[] = 1.0;\n"
    "  VelocityInit[] = Vector[1, 0, 0];\n"
    "  PressureBnd[] = 1.0;\n"
    "  DensityBnd[] = 1.0;\n"
    "  VelocityBnd[] = Vector[1, 0, 0];\n"
    "}\n";

TEST(BadInput, ParameterFilesThatMustNotRun) {
  struct Case {
    const char *what;
    std::string text;
    const char *shows;
  };
  const Case cases[] = {
      {"unbalanced braces", std::string(kGoodFile) + "Sensor { Type = \"Gmsh\";\n",
       "line 11): parse error on ''\n"},
      {"garbage after a block", std::string(kGoodFile) + "} Tend = 1;\n", "line 10): parse error on '}'\n"},
      {"a sensor without its sample rate",
       std::string(kGoodFile) + "Sensor { Type = \"Gmsh\"; Name = \"d\"; Quantity = \"DensityInit\"; }\n",
       "Missing Gmsh Sensor Sample Rate"},
      {"a final time that is not finite", std::string(kGoodFile) + "Tend = 0/0;\n",
       "Parameter Tend is not a finite number !\n"},
      {"a CFL number that is not finite", std::string(kGoodFile) + "CFL_Limit = 1e400;\n",
       "Parameter CFL_Limit is not a finite number !\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    makeMesh(dir / "square.msh", "tri", 2, 2, 0, 1, 0, 1);
    writeFile(dir / "run.par", c.text);
    const Result r = runProgram(dir.path(), "run.par");
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(find(r.out + r.err, c.shows), std::string::npos) << r.out << r.err;
    EXPECT_NE(find(r.out + r.err, "Finished with an error"), std::string::npos) << r.out << r.err;
    EXPECT_EQ(find(r.out, "Reading the mesh"), std::string::npos) << r.out;
    EXPECT_FALSE(exists(dir / "DG.log"));
  }
}

// A range whose step cannot move, or that is far too long, is reported and
// the file is read to its end in bounded time and memory; the run then stops.
TEST(BadInput, HugeRangesInAParameterFileAreBounded) {
  ScratchDir dir;
  makeMesh(dir / "square.msh", "tri", 2, 2, 0, 1, 0, 1);
  writeFile(dir / "run.par", std::string(kGoodFile) +
                                 "a = 1e17:1e17+10;\nb = 1:1e15;\nGroup { g = Region[1:2000000000]; }\n"
                                 "Tend = 0;\n");
  const Result r = runProgram(dir.path(), "run.par");
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_NE(find(r.out, "Wrong increment in '1e+17 : 1e+17'"), std::string::npos) << r.out;
  EXPECT_NE(find(r.out, "Lists and texts too long"), std::string::npos) << r.out;
  EXPECT_NE(find(r.out, "Finished with an error"), std::string::npos) << r.out;
  EXPECT_EQ(find(r.out, "DG begins"), std::string::npos) << r.out;
}

TEST(BadInput, OptionAndDefaultsValuesThatAreNotFiniteNumbers) {
  struct Case {
    const char *args, *dgrc, *shows;
  };
  const Case cases[] = {
      {"m.msh -problem 14 -tend abc", "", "Bad value 'abc' for option -tend: not a number\n"},
      {"m.msh -problem 14 -order two", "", "Bad value 'two' for option -order: not an integer\n"},
      {"m.msh -problem 14 -tend 0.05x", "", "Bad value '0.05x' for option -tend: not a number\n"},
      {"m.msh -problem 14 -tend nan", "", "Bad value 'nan' for option -tend: not a finite number\n"},
      {"m.msh -problem 14 -cfl 1e400", "", "Bad value '1e400' for option -cfl: not a finite number\n"},
      {"m.msh -problem 14 -tend 0.05", "time.cflMax nan\n",
       ".dgrc: bad value 'nan' for time.cflMax: not a finite number"},
      {"m.msh -problem 14 -tend 0.05", "general.order 1x\n",
       ".dgrc: bad value '1x' for general.order: not an integer"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args);
    SCOPED_TRACE(c.dgrc);
    ScratchDir dir;
    makeMesh(dir / "m.msh", "tri", 2, 2, 0, 1, 0, 1);
    if (*c.dgrc) writeFile(dir / ".dgrc", c.dgrc);
    const Result r = runProgram(dir.path(), c.args);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(find(r.out + r.err, c.shows), std::string::npos) << r.out << r.err;
    EXPECT_EQ(find(r.out, "Reading the mesh"), std::string::npos) << r.out;
  }
}

}  // namespace
