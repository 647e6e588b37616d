// Wrong input stops the program before the run begins, after every fault of
// it has been reported, and ends with status 1: errors in the statements of
// a parameter file, a boundary function given for boundary tags the mesh does
// not have, and a refinement depth no mesh could hold. A constant that only
// resembles a run setting is warned about, and the run goes on.

#include <string>

#include "e2e_support.h"

namespace {

using namespace e2e;

// A complete file that runs no step (Tend = 0), the statements under test
// inserted before the Function block; `bnd` is the PressureBnd line.
std::string parameterFile(const std::string &statements,
                          const std::string &bnd = "PressureBnd[] = 1.0;") {
  return "Mesh = \"square.msh\";\n"
         "Tend = 0;\n" +
         statements +
         "Function {\n"
         "  PressureInit[] = 1.0;\n"
         "  DensityInit[] = 1.0;\n"
         "  VelocityInit[] = Vector[1, 0, 0];\n"
         "  " + bnd + "\n"
         "  DensityBnd[] = 1.0;\n"
         "  VelocityBnd[] = Vector[1, 0, 0];\n"
         "}\n";
}

// The program stopped with status 1 before the run, with `shows` reported.
void expectStoppedBeforeTheRun(const Result &r, const std::string &shows) {
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_NE(find(r.out + r.err, shows), std::string::npos) << r.out << r.err;
  EXPECT_NE(find(r.out + r.err, "Finished with an error"), std::string::npos) << r.out << r.err;
  EXPECT_EQ(find(r.out, "DG begins"), std::string::npos) << r.out;
}

TEST(InputErrors, EachErrorOfAStatementStopsTheRun) {
  struct Case {
    const char *what, *statement, *shows;
  };
  // Line 2 of the file: the statement under test.
  const Case cases[] = {
      {"an unknown constant", "a = b + 1;\n", "Error ('run.par' line 2): Unknown Constant: b\n"},
      {"a remainder by zero", "c = 5 % 0;\n", "Error ('run.par' line 2): Modulo by zero: 5 % 0\n"},
      {"a step below the precision of the bounds", "d = 1e17:1e17+10;\n",
       "Error ('run.par' line 2): Wrong increment in '1e+17 : 1e+17'\n"},
      {"a range too long to make", "e = 0:1e300;\n", "Error ('run.par' line 2): Wrong increment in '0 : 1e+300'\n"},
      {"a wrong number of arguments", "Function { f[] = Vector[1, 2]; }\n",
       "Error ('run.par' line 2): Wrong number of arguments for Function 'Vector' (2 instead of 3)\n"},
      {"a setting of the wrong kind", "CFL_Limit = \"0.5\";\n", "Parameter CFL_Limit is supposed to be a float !\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    makeMesh(dir / "square.msh", "tri", 2, 2, 0, 1, 0, 1);
    writeFile(dir / "run.par", parameterFile(c.statement));
    const Result r = runProgram(dir.path(), "run.par");
    expectStoppedBeforeTheRun(r, c.shows);
    EXPECT_NE(find(r.out, "1 error(s) in the input file run.par"), std::string::npos) << r.out;
    EXPECT_EQ(find(r.out, "Reading the mesh"), std::string::npos) << r.out;
  }
}

TEST(InputErrors, EveryErrorOfTheFileIsReportedBeforeItStops) {
  ScratchDir dir;
  makeMesh(dir / "square.msh", "tri", 2, 2, 0, 1, 0, 1);
  writeFile(dir / "run.par", parameterFile("a = b + 1;\nc = 5 % 0;\nd = 0:1e300;\n"
                                           "Function { f[] = Vector[1, 2]; }\nGamma = {1, 2};\n"));
  const Result r = runProgram(dir.path(), "run.par");
  // In the order of the file, then the binding's report, then the count.
  std::size_t at = 0;
  for (const char *shows : {"line 2): Unknown Constant: b", "line 3): Modulo by zero", "line 4): Wrong increment",
                            "line 5): Wrong number of arguments", "Parameter Gamma is supposed to be a float !",
                            "5 error(s) in the input file run.par"}) {
    at = find(r.out, shows, at);
    EXPECT_NE(at, std::string::npos) << shows << "\n" << r.out;
  }
  expectStoppedBeforeTheRun(r, "the run does not start");
  EXPECT_FALSE(exists(dir / "DG.log"));
}

TEST(InputErrors, ConstantsThatResembleARunSettingAreWarnedAbout) {
  ScratchDir dir;
  makeMesh(dir / "square.msh", "tri", 2, 2, 0, 1, 0, 1);
  // The near misses of a case difference, a doubled letter and a lower-case
  // name; beside them ordinary constants far from every setting, and a
  // setting's name with a number after it, taken as meant.
  writeFile(dir / "run.par",
            parameterFile("tend = 1;\nLimitter = 1;\ncfl_limit = 0.2;\n"
                          "Mach = 2; Time = 3; rho = 1.4; Mass = 2; Gam = 1.4; xc = 0.5;\n"
                          "Pressure = 1; Tinit = 0; Tend2 = 3; Meshes = 1; Re = 100;\n"));
  const Result r = runProgram(dir.path(), "run.par");
  EXPECT_EQ(r.status, 0) << r.out << r.err;  // a warning does not stop the run
  EXPECT_NE(find(r.out, "DG finishes"), std::string::npos) << r.out;
  const char *const warnings[] = {
      "Warning: constant 'Limitter' sets nothing: not a run setting; did you mean 'Limiter' ?\n",
      "Warning: constant 'cfl_limit' sets nothing: the run setting is 'CFL_Limit' (names are case-sensitive)\n",
      "Warning: constant 'tend' sets nothing: the run setting is 'Tend' (names are case-sensitive)\n"};
  for (const char *w : warnings) EXPECT_NE(find(r.out, w), std::string::npos) << w << r.out;
  std::size_t count = 0;
  for (std::size_t at = find(r.out, "Warning"); at != std::string::npos; at = find(r.out, "Warning", at + 1)) count++;
  EXPECT_EQ(count, 3u) << r.out;
  // Before the mesh is read, where the file's report is.
  EXPECT_LT(find(r.out, "Warning"), find(r.out, "Reading the mesh"));
}

TEST(InputErrors, BoundaryFunctionsForTagsTheMeshLacksStopTheRun) {
  struct Case {
    const char *what, *bnd, *shows;
  };
  const Case cases[] = {
      {"two tags of another mesh", "PressureBnd[Region[{12, 14}]] = 1.0;",
       "the boundary function \"PressureBnd\" is given for the tag(s) 12, 14, which no boundary face of the "
       "mesh carries; the mesh's boundary tags are: 1, 2, 3, 4"},
      {"one tag of the mesh, one not", "PressureBnd[Region[{1, 7}]] = 1.0;",
       "\"PressureBnd\" is given for the tag(s) 7, which no boundary face"},
      // The surface's own tag is carried by no boundary face.
      {"the tag of the surface", "PressureBnd[Region[10]] = 1.0;", "given for the tag(s) 10, which"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    makeMesh(dir / "square.msh", "tri", 2, 2, 0, 1, 0, 1, {1, 2, 3, 4, 10});
    writeFile(dir / "run.par", parameterFile("", c.bnd));
    expectStoppedBeforeTheRun(runProgram(dir.path(), "run.par"), c.shows);
  }
  // Tags the mesh has: the run goes on to its end.
  ScratchDir dir;
  makeMesh(dir / "square.msh", "tri", 2, 2, 0, 1, 0, 1, {1, 2, 3, 4, 10});
  writeFile(dir / "run.par", parameterFile("", "PressureBnd[Region[{1, 3}]] = 1.0;"));
  const Result r = runProgram(dir.path(), "run.par");
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(find(r.out, "external field defined on 2 model entities [1 3 ]"), std::string::npos) << r.out;
  EXPECT_NE(find(r.out, "DG finishes"), std::string::npos) << r.out;

  // No tag at all: every side is a wall (a closed box), and the boundary
  // functions, which have no piece, are never asked for a far-field state.
  ScratchDir box;
  makeMesh(box / "square.msh", "tri", 4, 4, 0, 1, 0, 1, {1, 2, 3, 4, 10});
  std::string text = parameterFile("", "PressureBnd[Region[{}]] = 1.0;");
  text.replace(text.find("Tend = 0;"), 9, "Tend = 0.02;");
  for (const char *f : {"DensityBnd[] = 1.0;", "VelocityBnd[] = Vector[1, 0, 0];"}) {
    const std::string piecewise = std::string(f).replace(std::string(f).find("[]"), 2, "[Region[{}]]");
    text.replace(text.find(f), std::string(f).size(), piecewise);
  }
  writeFile(box / "run.par", text);
  const Result walls = runProgram(box.path(), "run.par");
  EXPECT_EQ(walls.status, 0) << walls.out << walls.err;
  EXPECT_NE(find(walls.out, "external field defined on 0 model entities []"), std::string::npos) << walls.out;
  EXPECT_FALSE(progressLines(walls.out).empty()) << walls.out;
  EXPECT_NE(find(walls.out, "DG finishes"), std::string::npos) << walls.out;
}

// A mesh of 8 triangles: a front through it crosses about sqrt(8) of them,
// each cut into 2^L leaves along the front at level L; sqrt(8) 2^L stays
// below 2^31 - 1 up to L = 29 (2^29.5 < 2^31 - 1 < 2^30.5).
TEST(InputErrors, RefinementLevelsNoMeshCouldHoldStopTheRun) {
  struct Case {
    const char *args, *file, *shows;
  };
  const Case cases[] = {
      {"square.msh -problem 14 -tend 0 -href 1000000", nullptr, "is 1000000, more than the 29 levels a run can hold"},
      {"square.msh -problem 14 -tend 0 -href 30", nullptr, "is 30, more than the 29 levels a run can hold"},
      {"square.msh -problem 14 -tend 0 -href -1", nullptr, "is -1; it must be 0 or more"},
      {"run.par", "H_Refinement = 1;\nH_MaxLevelOfRefinement = 1000000;\n",
       "the deepest refinement level (H_MaxLevelOfRefinement, option -href) is 1000000"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args);
    ScratchDir dir;
    makeMesh(dir / "square.msh", "tri", 2, 2, 0, 1, 0, 1);
    if (c.file) writeFile(dir / "run.par", parameterFile(c.file));
    const Result r = runProgram(dir.path(), c.args);
    expectStoppedBeforeTheRun(r, c.shows);
    EXPECT_FALSE(exists(dir / "refined-0.msh"));
  }
  // Without adaptation the level is not used, and not checked.
  ScratchDir dir;
  makeMesh(dir / "square.msh", "tri", 2, 2, 0, 1, 0, 1);
  writeFile(dir / "run.par", parameterFile("H_MaxLevelOfRefinement = 1000000;\n"));
  const Result r = runProgram(dir.path(), "run.par");
  EXPECT_EQ(r.status, 0) << r.out << r.err;
}

}  // namespace

namespace {

// A parameter file is text: a binary byte ends the parse with an error (the
// statements after it would otherwise be lost without a word), and a device
// that never ends is not read to its end.
TEST(InputErrors, BinaryDataIsNotAParameterFile) {
  ScratchDir dir;
  makeMesh(dir / "square.msh", "tri", 2, 2, 0, 1, 0, 1);
  // "Tend" after the byte would set the final time: nothing after it counts.
  std::string text = parameterFile("");
  text.insert(text.find("Tend"), std::string("\0\1", 2));
  writeFile(dir / "run.par", text);
  expectStoppedBeforeTheRun(runProgram(dir.path(), "run.par"),
                            "Error ('run.par' line 1): binary data in the input file (a byte 0x00)");
  expectStoppedBeforeTheRun(runProgram(dir.path(), "/dev/zero"),
                            "Error ('/dev/zero' line 0): binary data in the input file (a byte 0x00)");
}

}  // namespace
