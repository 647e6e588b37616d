// Binding of a parameter file in the input language to the run parameters.

#include "InputFile.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

// The binding tables: names of the language to fields of the run parameters.
std::vector<NamedField<double>> floatRows(DGParameters &p) {
  return {{"Tend", &p.time.tend},
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
}

std::vector<NamedField<int>> intRows(DGParameters &p) {
  return {{"H_Conforming", &p.href.conforming},
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
}

std::vector<NamedField<std::string>> textRows(DGParameters &p) {
  return {{"Mesh", &p.general.meshFileName},
          {"MeshModel", &p.general.modelFileName},
          {"ChunkSpace", &p.general.chunkSpace}};
}

// A number that would bring a NaN or an infinity into the run is refused:
// reported, the field keeps its value, and the run does not start.
bool finiteOrReported(const char *name, double v, int &refused) {
  if (std::isfinite(v)) return true;
  std::printf("Parameter %s is not a finite number !\n", name);
  refused++;
  return false;
}

// Each binder counts the constants of the wrong kind in `wrong`: reported,
// the field keeps its value, and the run does not start.
void bindFloats(DGParameters &p, int &refused, int &wrong) {
  for (const auto &row : floatRows(p)) {
    Constant c{};
    if (!Get_Constant(row.name, &c)) continue;
    if (c.Type == CONSTANT_NUMBER) {
      if (finiteOrReported(row.name, c.Value.Number, refused)) *row.field = c.Value.Number;
    } else {
      std::printf("Parameter %s is supposed to be a float !\n", row.name);
      wrong++;
    }
  }
}

void bindInts(DGParameters &p, int &refused, int &wrong) {
  for (const auto &row : intRows(p)) {
    Constant c{};
    if (!Get_Constant(row.name, &c)) continue;
    if (c.Type == CONSTANT_NUMBER) {
      if (!finiteOrReported(row.name, c.Value.Number, refused)) continue;
      // Truncated toward zero; numbers beyond the int range are clamped.
      *row.field = Value_TruncToInt(c.Value.Number);
      std::printf("%s = %d\n", row.name, *row.field);
    } else {
      std::printf("Parameter %s is supposed to be a int !\n", row.name);
      wrong++;
    }
  }
}

void bindTexts(DGParameters &p, int &wrong) {
  for (const auto &row : textRows(p)) {
    Constant c{};
    if (!Get_Constant(row.name, &c)) continue;
    if (c.Type == CONSTANT_TEXT) {
      *row.field = c.Value.Text ? c.Value.Text : "";
    } else {
      std::printf("Parameter %s is supposed to be a string !\n", row.name);
      wrong++;
    }
  }
}

std::string lowered(const std::string &s) {
  std::string out = s;
  for (char &ch : out) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return out;
}

// Edits (insertions, removals, replacements, swaps of neighbours) between a
// and b; stops counting past `limit` (returns limit + 1).
int editDistance(const std::string &a, const std::string &b, int limit) {
  const int n = static_cast<int>(a.size()), m = static_cast<int>(b.size());
  if (std::abs(n - m) > limit) return limit + 1;
  std::vector<std::vector<int>> d(n + 1, std::vector<int>(m + 1));
  for (int i = 0; i <= n; ++i) d[i][0] = i;
  for (int j = 0; j <= m; ++j) d[0][j] = j;
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= m; ++j) {
      const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return std::min(d[n][m], limit + 1);
}

// Warns about each constant of the file that sets nothing but resembles a run
// setting: a misspelt setting silently keeps its default.
void warnAboutNearMisses() {
  for (int i = 0; i < List_Nbr(ConstantTable_L); i++) {
    Constant c{};
    List_Read(ConstantTable_L, i, &c);
    if (!c.Name) continue;
    const std::string name = c.Name;
    const std::string setting = resembledSetting(name);
    if (setting.empty()) continue;
    if (lowered(setting) == lowered(name))
      std::printf("Warning: constant '%s' sets nothing: the run setting is '%s' (names are case-sensitive)\n",
                  name.c_str(), setting.c_str());
    else
      std::printf("Warning: constant '%s' sets nothing: not a run setting; did you mean '%s' ?\n",
                  name.c_str(), setting.c_str());
  }
}

}  // namespace

std::vector<std::string> inputSettingNames() {
  DGParameters &p = *GlobalParamManager::Instance()->parameters;
  std::vector<std::string> names;
  for (const auto &row : floatRows(p)) names.push_back(row.name);
  for (const auto &row : intRows(p)) names.push_back(row.name);
  for (const auto &row : textRows(p)) names.push_back(row.name);
  return names;
}

std::string resembledSetting(const std::string &name) {
  const std::vector<std::string> settings = inputSettingNames();
  for (const std::string &s : settings)
    if (s == name) return "";
  // A setting's name with digits after it names a variant of the user's own.
  std::size_t stem = name.size();
  while (stem > 0 && std::isdigit(static_cast<unsigned char>(name[stem - 1]))) stem--;
  if (stem < name.size())
    for (const std::string &s : settings)
      if (name.compare(0, stem, s) == 0 && s.size() == stem) return "";
  const std::string low = lowered(name);
  std::string best;
  int bestDistance = 3;
  for (const std::string &s : settings) {
    const int allowed = s.size() >= 8 ? 2 : 1;
    const int d = editDistance(low, lowered(s), allowed);
    if (d <= allowed && d < bestDistance) {
      best = s;
      bestDistance = d;
    }
  }
  // Short names resemble too much by chance: only case counts for them.
  if (name.size() < 4 && bestDistance > 0) return "";
  return best;
}

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
  const int parseErrors = Parser_ErrorCount();

  DGParameters &p = *parameters;
  int refused = 0, wrong = 0;
  bindFloats(p, refused, wrong);
  bindInts(p, refused, wrong);
  bindTexts(p, wrong);
  warnAboutNearMisses();
  if (refused) {
    std::fflush(stdout);
    throw std::string("parameters that are not finite numbers in the input file " + name);
  }

  GeneralParameters &g = p.general;
  const bool meshMissing = g.meshFileName == "__none";
  if (meshMissing) std::printf("mesh name is missing in the input file %s \n", name.c_str());
  // Every error of the file has been reported by now; a run never starts
  // from a file that had one (the values then used are not what was meant).
  if (const int errors = parseErrors + wrong) {
    std::fflush(stdout);
    throw std::to_string(errors) + " error(s) in the input file " + name + ": the run does not start";
  }
  if (meshMissing) {
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
