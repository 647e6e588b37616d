// A parameter file read through the global context: the named constants set
// the run parameters, with the specified echo lines and reports.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "lang_helpers.h"

namespace {

using langtest::params;

class LangInputFile : public testing::Test {
protected:
  void SetUp() override {
    saved = params();
    Parser_Reset();
  }
  void TearDown() override { params() = saved; }

  // Reads a file of the test data; returns what it printed.
  static std::string read(const std::string &file) {
    std::string path = std::string(DG_TEST_DATA) + "/" + file;
    return langtest::captured([&] { GlobalParamManager::Instance()->parseInputFile(path.c_str()); });
  }

  DGParameters saved;
};

TEST_F(LangInputFile, EveryBindableParameterIsSet) {
  std::string out = read("lang_full.par");
  EXPECT_EQ(out,
            "H_Conforming = 1\n"
            "H_Aniso = 1\n"
            "H_MaxLevelOfRefinement = 3\n"
            "SamplePeriodExportMesh = 2\n"
            "H_Refinement = 1\n"
            "RecoverSamplingPeriod = 1000\n"
            "LocalTimeStepping = 2\n"
            "Limiter = -1\n"
            "Gravity = 1\n"
            "Axisymmetric = 0\n"
            "NbSub = 2\n"
            // The case-only near miss binds nothing, and says so.
            "Warning: constant 'tend' sets nothing: the run setting is 'Tend' (names are "
            "case-sensitive)\n");
  DGParameters &p = params();
  EXPECT_EQ(p.time.tend, 1.0);
  EXPECT_EQ(p.time.dt, 1e-3);
  EXPECT_EQ(p.time.dtRef, 4e-3);
  EXPECT_EQ(p.general.gamma, 1.4);
  EXPECT_EQ(p.time.cflMax, 0.25);
  EXPECT_EQ(p.general.detector, 1.0);
  EXPECT_EQ(p.general.error, 0.125);
  EXPECT_EQ(p.href.minCellSize, 0.01);
  EXPECT_EQ(p.href.maxCellSize, 0.5);
  EXPECT_EQ(p.href.maxAspectRatio, 2.0);
  EXPECT_DOUBLE_EQ(p.href.samplePeriod, M_PI / 10);
  EXPECT_EQ(p.general.outputDt, 0.25);
  EXPECT_EQ(p.href.conforming, 1);
  EXPECT_EQ(p.href.aniso, 1);
  EXPECT_EQ(p.href.maxLevelOfRefinement, 3);
  EXPECT_EQ(p.href.samplePeriodExportMesh, 2);
  EXPECT_EQ(p.href.doWe, 1);
  EXPECT_EQ(p.time.recoverSamplingPeriod, 1000);
  EXPECT_EQ(p.time.mode, 2);
  EXPECT_EQ(p.general.limiter, -1);
  EXPECT_EQ(p.general.gravity, 1);
  EXPECT_EQ(p.general.axi, 0);
  EXPECT_EQ(p.time.nbSub, 2);
  EXPECT_EQ(p.general.meshFileName, "square.msh");
  EXPECT_EQ(p.general.meshBaseName, "square");
  EXPECT_EQ(p.general.meshGiven, 1);
  EXPECT_EQ(p.general.modelFileName, "square-model.msh");
  EXPECT_EQ(p.general.modelGiven, 1);
  EXPECT_EQ(p.general.chunkSpace, "out");
  // Fields without a name in the language keep their defaults.
  EXPECT_EQ(p.general.order, saved.general.order);
  EXPECT_EQ(p.general.problem, saved.general.problem);
  EXPECT_EQ(p.general.restart, saved.general.restart);

  // The file's functions evaluate at a given state.
  p.state.X = 2;
  p.state.Y = 3;
  p.state.t = 0.5;
  EXPECT_EQ(langtest::evaluate("u0").Val[0], 6.5);
  p.state.region = 4;
  EXPECT_EQ(langtest::evaluate("bc").Val[0], 3);
  p.state.region = 2;
  EXPECT_EQ(langtest::evaluate("bc").Val[0], 1);
}

TEST_F(LangInputFile, AMeshAloneLeavesTheDefaults) {
  std::string out = read("lang_mesh_only.par");
  EXPECT_EQ(out, "there is no model\n");
  DGParameters &p = params();
  EXPECT_EQ(p.general.meshBaseName, "cyl");
  EXPECT_EQ(p.general.meshGiven, 1);
  EXPECT_EQ(p.general.modelGiven, 0);
  EXPECT_EQ(p.time.tend, saved.time.tend);
  EXPECT_EQ(p.time.nbSub, saved.time.nbSub);
  EXPECT_EQ(p.general.chunkSpace, saved.general.chunkSpace);
}

TEST_F(LangInputFile, WrongKindsAreReportedInTableOrderAndAMissingMeshStops) {
  std::string out;
  testing::internal::CaptureStdout();
  std::string path = std::string(DG_TEST_DATA) + "/lang_wrong_kinds.par";
  EXPECT_THROW(GlobalParamManager::Instance()->parseInputFile(path.c_str()), std::string);
  out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out,
            "Parameter Tend is supposed to be a float !\n"
            "Parameter GoalTimeStep is supposed to be a float !\n"
            "Parameter Gravity is supposed to be a int !\n"
            "Parameter NbSub is supposed to be a int !\n"
            "Parameter Mesh is supposed to be a string !\n"
            "Parameter ChunkSpace is supposed to be a string !\n"
            "mesh name is missing in the input file " + path + " \n");
  EXPECT_EQ(params().time.tend, saved.time.tend);
  EXPECT_EQ(params().general.meshGiven, saved.general.meshGiven);
}

TEST_F(LangInputFile, ASyntaxErrorStopsTheRunWithItsLineFromZero) {
  std::string path = std::string(DG_TEST_DATA) + "/lang_syntax_error.par";
  testing::internal::CaptureStdout();
  EXPECT_THROW(GlobalParamManager::Instance()->parseInputFile(path.c_str()), std::string);
  const std::string out = testing::internal::GetCapturedStdout();
  // The report, ended by a line end; nothing is bound, not even what came
  // before the error.
  EXPECT_EQ(out, "Error ('" + path + "' line 3): parse error on '3'\n");
  EXPECT_EQ(params().time.tend, saved.time.tend);
  EXPECT_EQ(params().general.meshGiven, saved.general.meshGiven);
}

TEST_F(LangInputFile, AFileThatCannotBeOpenedIsRefused) {
  testing::internal::CaptureStdout();
  EXPECT_THROW(GlobalParamManager::Instance()->parseInputFile("/nonexistent/dir/run.par"),
               std::string);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "cannot open input file /nonexistent/dir/run.par\n");
  EXPECT_EQ(params().general.meshGiven, saved.general.meshGiven);
}

// Writes `text` as a parameter file and reads it; returns what the reading
// threw (empty when nothing) and leaves its output and the file's path.
std::string readWritten(const std::string &text, std::string &out, std::string &path) {
  // One file per test and process: the tests run in parallel.
  path = testing::TempDir() + "lang_bad_input_" +
         testing::UnitTest::GetInstance()->current_test_info()->name() + "_" + std::to_string(getpid()) + ".par";
  {
    std::ofstream f(path);
    f << text;
  }
  std::string thrown;
  testing::internal::CaptureStdout();
  try {
    GlobalParamManager::Instance()->parseInputFile(path.c_str());
  } catch (const std::string &what) {
    thrown = what;
  }
  out = testing::internal::GetCapturedStdout();
  std::remove(path.c_str());
  return thrown;
}

TEST_F(LangInputFile, SyntaxErrorsStopTheRunBeforeAnythingIsBound) {
  struct Case {
    const char *what, *text;
    long line;
    const char *token;
  };
  const Case cases[] = {
      {"an unclosed block", "Mesh = \"m.msh\";\nSensor { Type = \"Gmsh\";\n", 2, ""},
      {"an extra closing brace", "Mesh = \"m.msh\";\nFunction { f[] = 1; }}\n", 1, "}"},
      {"garbage after a block", "Mesh = \"m.msh\";\nGroup { g = Region[1]; } @@\nTend = 2;\n", 1, "@"},
      {"a missing semicolon", "Mesh = \"m.msh\" Tend = 2;\n", 0, "Tend"},
      {"an unbalanced parenthesis", "Mesh = \"m.msh\";\nTend = (1 + 2;\n", 1, ";"},
      {"a stray semicolon", "Mesh = \"m.msh\";;\n", 0, ";"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    std::string out, path;
    const std::string thrown = readWritten(c.text, out, path);
    EXPECT_EQ(thrown, "syntax error in the input file " + path);
    EXPECT_EQ(out, "Error ('" + path + "' line " + std::to_string(c.line) + "): parse error on '" +
                       c.token + "'\n");
    EXPECT_EQ(params().general.meshGiven, saved.general.meshGiven);
    EXPECT_EQ(params().time.tend, saved.time.tend);
  }
}

TEST_F(LangInputFile, NumbersThatAreNotFiniteAreRefused) {
  std::string out, path;
  const std::string thrown = readWritten(
      "Mesh = \"m.msh\";\nTend = 1e400;\nCFL_Limit = 0/0;\nNbSub = -1/0;\nH_Aniso = 1;\n", out, path);
  EXPECT_EQ(thrown, "parameters that are not finite numbers in the input file " + path);
  EXPECT_EQ(out,
            "Parameter Tend is not a finite number !\n"
            "Parameter CFL_Limit is not a finite number !\n"
            "H_Aniso = 1\n"
            "Parameter NbSub is not a finite number !\n");
  EXPECT_EQ(params().time.tend, saved.time.tend);
  EXPECT_EQ(params().time.cflMax, saved.time.cflMax);
  EXPECT_EQ(params().time.nbSub, saved.time.nbSub);
}

bool refuseSensor(const SensorRequest &) { return false; }

TEST_F(LangInputFile, SensorBlocksThatMakeNoSensorStopTheRun) {
  std::string out, path;
  std::string thrown = readWritten(
      "Mesh = \"m.msh\";\n"
      "Sensor { Type = \"Gmsh\"; Name = \"v\"; Quantity = \"q\"; }\n"
      "Sensor { Type = \"Plot\"; Name = \"w\"; }\n"
      "Sensor { Type = \"Gmsh\"; Name = \"n\"; Quantity = \"q\"; SampleRate = 0/0; }\n",
      out, path);
  EXPECT_EQ(thrown, "3 sensor(s) of the input file " + path + " could not be created");
  EXPECT_EQ(out, "Error ('" + path + "' line 1): Missing Gmsh Sensor Sample Rate\n\n" +
                     "Error ('" + path + "' line 2): Not a Valid Name for a sensor Type : Plot\n\n" +
                     "Error ('" + path + "' line 3): Sensor n: the sample rate is not a finite number\n\n");
  EXPECT_EQ(params().general.meshGiven, saved.general.meshGiven);

  // A checked block whose sensor the sensor library cannot make.
  auto *const creator = Input_CreateSensor;
  Input_CreateSensor = refuseSensor;
  Parser_Reset();
  thrown = readWritten(
      "Mesh = \"m.msh\";\nSensor { Type = \"Gmsh\"; Name = \"v\"; Quantity = \"q\"; SampleRate = 1; }\n",
      out, path);
  Input_CreateSensor = creator;
  EXPECT_EQ(thrown, "1 sensor(s) of the input file " + path + " could not be created");
  EXPECT_EQ(out, "Error ('" + path + "' line 1): Sensor v of type Gmsh could not be created\n\n");
}

TEST(LangInputFileDeathTest, AnUnterminatedCommentEndsTheRunWithStatusOne) {
  std::string path = std::string(DG_TEST_DATA) + "/lang_unterminated.par";
  EXPECT_EXIT(GlobalParamManager::Instance()->parseInputFile(path.c_str()),
              testing::ExitedWithCode(1), "Error: End of file in commented region");
}

}  // namespace
