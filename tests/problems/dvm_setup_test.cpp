// The discrete-velocity set-up reads "param.in" of the working directory,
// echoes it, and only then sets the law up.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "ConservationLaw.h"
#include "Quarnel.h"

namespace fs = std::filesystem;

namespace {

// Runs a test in a fresh directory holding the given file as "param.in".
class ParamDirectory : public testing::Test {
protected:
  void SetUp() override {
    home = fs::current_path();
    dir = fs::temp_directory_path() / ("dg_problems_dvm_" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::copy_file(fs::path(DG_TEST_DATA) / "dvm" / "two_species_2d.in", dir / "param.in",
                  fs::copy_options::overwrite_existing);
    fs::current_path(dir);
  }
  void TearDown() override {
    fs::current_path(home);
    fs::remove_all(dir);
  }
  fs::path home, dir;
};

TEST_F(ParamDirectory, EchoComesBeforeTheSetUpAndTheLawIsReady) {
  testing::internal::CaptureStdout();
  std::unique_ptr<ConservationLaw> law(createLinearHyperbolicLaw(2));
  const std::string out = testing::internal::GetCapturedStdout();
  ASSERT_NE(law, nullptr);
  EXPECT_GT(law->nbFields(), 0);
  ASSERT_NE(law->getFarField(), nullptr);
  const auto read = out.find("Done reading input file param.in");
  const auto echo = out.find("ver = ");
  ASSERT_NE(read, std::string::npos);
  ASSERT_NE(echo, std::string::npos);
  EXPECT_LT(read, echo);
  testing::internal::CaptureStdout();
  law.reset();
  testing::internal::GetCapturedStdout();
}

TEST_F(ParamDirectory, DimensionThatDisagreesEndsTheRunAfterTheEcho) {
  EXPECT_EXIT(
      {
        dup2(2, 1);
        createLinearHyperbolicLaw(3);
        std::_Exit(0);
      },
      testing::ExitedWithCode(1), "ver = .*dimension information should agree");
}

}  // namespace
