// Which run setting a constant's name resembles: the names that set nothing
// but look like a setting (so that a misspelt setting does not silently keep
// its default), and ordinary names of a user's own that must stay silent.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "InputFile.h"
#include "lang_helpers.h"

namespace {

TEST(SettingNames, TheNamesAFileMaySet) {
  const std::vector<std::string> names = inputSettingNames();
  EXPECT_EQ(names.size(), 26u);  // 12 numbers, 11 integers, 3 texts
  for (const char *n : {"Tend", "CFL_Limit", "Limiter", "H_MaxLevelOfRefinement", "NbSub", "Mesh", "ChunkSpace"})
    EXPECT_NE(std::find(names.begin(), names.end(), n), names.end()) << n;
}

TEST(SettingNames, NearMissesNameTheSettingTheyResemble) {
  struct Case {
    const char *name, *setting;
  };
  const Case cases[] = {
      // Case alone.
      {"tend", "Tend"},
      {"cfl_limit", "CFL_Limit"},
      {"MESH", "Mesh"},
      {"nbsub", "NbSub"},
      // One edit: a letter added, dropped, replaced, two letters swapped.
      {"Limitter", "Limiter"},
      {"Gama", "Gamma"},
      {"Eror", "Error"},
      {"Tned", "Tend"},
      {"NbSubs", "NbSub"},
      {"CFLLimit", "CFL_Limit"},
      // Two edits in a long name.
      {"MaxLevelOfRefinement", "H_MaxLevelOfRefinement"},
      {"TimeStps", "TimeStep"},
      {"Detecter", "Detector"},
  };
  for (const Case &c : cases) EXPECT_EQ(resembledSetting(c.name), c.setting) << c.name;
}

TEST(SettingNames, SettingsAndNamesFarFromEverySettingStaySilent) {
  for (const char *name : {// the settings themselves
                           "Tend", "Limiter", "H_MaxLevelOfRefinement", "Mesh",
                           // a user's own constants
                           "Mach", "Time", "rho", "Mass", "Gam", "xc", "Pressure", "Density", "Tinit", "Re",
                           "Pr", "u0", "half", "Meshes", "Length", "Velocity", "TimeFinal", "angle",
                           // a setting's name with digits: a variant of the user's
                           "Tend2", "Mesh1", "Gamma0",
                           // two edits in a short name
                           "Mesa1x", "Gammas2", "Tenda1"})
    EXPECT_EQ(resembledSetting(name), "") << name;
}

}  // namespace
