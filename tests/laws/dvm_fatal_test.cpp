// Fatal paths of the discrete-velocity law's reading and set-up: each ends
// the process with status 1 after a message naming the cause (the file, the
// bad line or the inconsistent parameters).

#include "dvm_fixture.h"

#include <map>
#include <ostream>
#include <string>
#include <unistd.h>

namespace {

struct FatalCase {
  const char* name;
  std::map<int, std::string> replace;  // lines of two_species_2d.in replaced
  int keep;                            // keep only the first lines (0: all)
  bool noFile;                         // no "param.in" at all
  int dim;                             // mesh dimension given to the set-up
  const char* message;                 // regular expression of the message
};

void PrintTo(const FatalCase& c, std::ostream* os) { *os << c.name; }

class DvmFatalDeathTest : public DvmTest, public ::testing::WithParamInterface<FatalCase> {};

TEST_P(DvmFatalDeathTest, EndsWithStatusOneAndItsMessage)
{
  const FatalCase& c = GetParam();
  if (!c.noFile) install("two_species_2d.in", c.replace, c.keep);
  EXPECT_EXIT(
      {
        dup2(2, 1);
        ScalarLawALE law;
        law.readScalarLawALE();
        law.writeScalarLawALE();
        law.setupScalarLawALE(c.dim);
        std::printf("set-up completed\n");
        std::fflush(stdout);
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(1), c.message);
}

const FatalCase kFatalCases[] = {
    {"Version", {{1, "2.00001"}}, 0, false, 2,
     "ScalarLawALE: Fatal error:\n  version numbers of code and input file param.in disagree!\n"
     "  ver .param.in. = 2.000010, vercode = 2.000000\n"},
    {"VersionNotANumber", {{1, "two"}}, 0, false, 2, "version numbers of code and input file"},
    {"MissingFile", {}, 0, true, 2, "ScalarLawALE: Fatal error:\n  cannot open input file param.in"},
    {"MalformedLine", {{3, "4 x 1"}}, 0, false, 2,
     "ScalarLawALE: Fatal error:\n  bad line 3 of param.in: \"4 x 1\""},
    {"ShortLine", {{12, "0.5"}}, 0, false, 2, "bad line 12 of param.in"},
    {"TruncatedFile", {}, 12, false, 2, "ScalarLawALE: Fatal error:\n  param.in ends before line 13"},
    {"NoSpecies", {{2, "0 11 2 2"}}, 0, false, 2, "bad line 2 of param.in"},
    {"ZeroNodes", {{3, "4 0 1"}}, 0, false, 2, "bad line 3 of param.in"},
    {"TooManyVelocities", {{3, "16 16 1"}}, 0, false, 2, "too many velocities: K = 512, at most 256"},
    {"MeshDimension", {}, 0, false, 3,
     "Fatal error: dimension information should agree:\n  dim = 3, ndimpos = 2\n"},
    {"OddNodeCount", {{3, "3 4 1"}}, 0, false, 2,
     "Fatal error in gauher: n must be an even, positve integer!\n"
     "Problem with gauher, status = -1\n"
     "ScalarLawALE: Fatal error:\nProblem with gauherqm, status = -1\n"},
    {"VelocityKind", {{4, "2 2 2"}}, 0, false, 2, "Fatal error: undefined iveltype = 2\n"},
    {"VelocityDimension", {{4, "2 4 1"}}, 0, false, 2,
     "Fatal error: ndimvel must be 2 or 3, ndimvel = 4\n"},
    {"ThirdDirectionIn2D", {{3, "4 4 2"}}, 0, false, 2,
     "Fatal error: K3 must be 1 for 2-D case:\n  ndimvel = 2, K3 = 2\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, DvmFatalDeathTest, ::testing::ValuesIn(kFatalCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The control case of the table: the unmodified file sets up and the process
// goes on (status 0 from the statement's own exit).
TEST_F(DvmTest, UnmodifiedFileSetsUp)
{
  install("two_species_2d.in");
  EXPECT_EXIT(
      {
        dup2(2, 1);
        ScalarLawALE law;
        law.readScalarLawALE();
        law.setupScalarLawALE(2);
        std::printf("set-up completed\n");
        std::fflush(stdout);
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0), "set-up completed");
}

}  // namespace
