// Binding of a parameter file in the input language to the run parameters.

#include <cmath>
#include <cstdio>
#include <string>

#include "DGParameters.h"
#include "GlobalParamManager.h"
#include "Lexer.h"
#include "Parser.h"
#include "Value.h"

namespace {

template <class Field>
struct NamedField {
  const char *name;
  Field *field;
};

// A number that would bring a NaN or an infinity into the run is refused:
// reported, the field keeps its value, and the run does not start.
bool finiteOrReported(const char *name, double v, int &refused) {
  if (std::isfinite(v)) return true;
  std::printf("Parameter %s is not a finite number !\n", name);
  refused++;
  return false;
}

void bindFloats(DGParameters &p, int &refused) {
  const NamedField<double> rows[] = {{"Tend", &p.time.tend},
                                     {"TimeStep", &p.time.dt},
                                     {"GoalTimeStep", &p.time.dtRef},
                                     {"Gamma", &p.general.gamma},
                                     {"CFL_Limit", &p.time.cflMax},
                                     {"Detector", &p.general.detector},
                                     {"Error", &p.general.error},
                                     {"H_Min_CellSize", &p.href.minCellSize},
                                     {"H_Max_CellSize", &p.href.maxCellSize},
                                     {"H_Max_AspectRatio", &p.href.maxAspectRatio},
                                     {"H_SamplePeriod", &p.href.samplePeriod},
                                     {"GmshSampleRate", &p.general.outputDt}};
  for (const auto &row : rows) {
    Constant c{};
    if (!Get_Constant(row.name, &c)) continue;
    if (c.Type == CONSTANT_NUMBER) {
      if (finiteOrReported(row.name, c.Value.Number, refused)) *row.field = c.Value.Number;
    } else
      std::printf("Parameter %s is supposed to be a float !\n", row.name);
  }
}

void bindInts(DGParameters &p, int &refused) {
  const NamedField<int> rows[] = {{"H_Conforming", &p.href.conforming},
                                  {"H_Aniso", &p.href.aniso},
                                  {"H_MaxLevelOfRefinement", &p.href.maxLevelOfRefinement},
                                  {"SamplePeriodExportMesh", &p.href.samplePeriodExportMesh},
                                  {"H_Refinement", &p.href.doWe},
                                  {"RecoverSamplingPeriod", &p.time.recoverSamplingPeriod},
                                  {"LocalTimeStepping", &p.time.mode},
                                  {"Limiter", &p.general.limiter},
                                  {"Gravity", &p.general.gravity},
                                  {"Axisymmetric", &p.general.axi},
                                  {"NbSub", &p.time.nbSub}};
  for (const auto &row : rows) {
    Constant c{};
    if (!Get_Constant(row.name, &c)) continue;
    if (c.Type == CONSTANT_NUMBER) {
      if (!finiteOrReported(row.name, c.Value.Number, refused)) continue;
      // Truncated toward zero; numbers beyond the int range are clamped.
      *row.field = Value_TruncToInt(c.Value.Number);
      std::printf("%s = %d\n", row.name, *row.field);
    } else {
      std::printf("Parameter %s is supposed to be a int !\n", row.name);
    }
  }
}

void bindTexts(DGParameters &p) {
  const NamedField<std::string> rows[] = {{"Mesh", &p.general.meshFileName},
                                          {"MeshModel", &p.general.modelFileName},
                                          {"ChunkSpace", &p.general.chunkSpace}};
  for (const auto &row : rows) {
    Constant c{};
    if (!Get_Constant(row.name, &c)) continue;
    if (c.Type == CONSTANT_TEXT)
      *row.field = c.Value.Text ? c.Value.Text : "";
    else
      std::printf("Parameter %s is supposed to be a string !\n", row.name);
  }
}

}  // namespace

void GlobalParamManager::parseInputFile(const char *fileName) {
  PrintStream = stdout;
  std::string name = fileName ? fileName : "";
  yyname = name;
  FILE *file = std::fopen(name.c_str(), "r");
  if (!file) {
    // Reported and refused: standard input is never read in its place.
    std::string message = "cannot open input file " + name;
    std::printf("%s\n", message.c_str());
    std::fflush(stdout);
    throw message;
  }
  yyin = file;
  Lexer_Restart();
  const int result = yyparse();
  std::fclose(file);
  yyin = nullptr;
  Lexer_Restart();
  if (result != 0) {
    // The parser's report has no line end of its own. A run never goes on
    // with the part of a file that came before a syntax error.
    std::printf("\n");
    std::fflush(stdout);
    throw std::string("syntax error in the input file " + name);
  }
  if (const int failed = Parser_SensorFailures()) {
    std::fflush(stdout);
    throw std::to_string(failed) + " sensor(s) of the input file " + name + " could not be created";
  }

  DGParameters &p = *parameters;
  int refused = 0;
  bindFloats(p, refused);
  bindInts(p, refused);
  bindTexts(p);
  if (refused) {
    std::fflush(stdout);
    throw std::string("parameters that are not finite numbers in the input file " + name);
  }

  GeneralParameters &g = p.general;
  if (g.meshFileName == "__none") {
    std::printf("mesh name is missing in the input file %s \n", name.c_str());
    std::fflush(stdout);
    throw std::string("mesh name is missing in the input file " + name);
  }
  if (g.modelFileName == "__none")
    std::printf("there is no model\n");
  else
    g.modelGiven = 1;
  g.setMeshFile(g.meshFileName);
  std::fflush(stdout);
}
