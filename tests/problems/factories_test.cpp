// The factories that pick the estimator, the limiter, the law and the
// sensors of a run by number.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "DGAnalysis.h"
#include "DGErrorEstimators.h"
#include "DGGmshSensor.h"
#include "DGLimiters.h"
#include "DGParameters.h"
#include "DGSensor.h"
#include "Euler.h"
#include "Examples.h"
#include "NavierStokes.h"
#include "BurgersLaw.h"
#include "ScalarLaw.h"

namespace {

DGParameters withNumbers(int problem, int sub = 1) {
  DGParameters p;
  p.general.problem = problem;
  p.general.subProblem = sub;
  return p;
}

TEST(Factories, ErrorEstimatorByNumber) {
  struct Case {
    int number;
    bool (*is)(DGErrorEstimator *);
  };
  const Case cases[] = {
      {1, [](DGErrorEstimator *e) { return dynamic_cast<DGErrorEstimatorGrad *>(e) != nullptr; }},
      {2, [](DGErrorEstimator *e) { return dynamic_cast<DGErrorEstimatorJump *>(e) != nullptr; }},
      {3, [](DGErrorEstimator *e) { return dynamic_cast<DGErrorEstimatorHD *>(e) != nullptr; }},
      {4, [](DGErrorEstimator *e) { return dynamic_cast<DGErrorEstimatorVort2d *>(e) != nullptr; }},
      {1000, [](DGErrorEstimator *e) {
         return dynamic_cast<DGErrorEstimatorHigherOrderGrads *>(e) != nullptr;
       }},
  };
  DGParameters p;
  EXPECT_EQ(p.general.errest, 1) << "the default is the gradient estimator";
  for (const Case &c : cases) {
    p.general.errest = c.number;
    std::unique_ptr<DGErrorEstimator> e(BuildErrorEstimator(p));
    ASSERT_NE(e, nullptr) << c.number;
    EXPECT_TRUE(c.is(e.get())) << c.number;
  }
  for (int none : {0, 5, -1, 999}) {
    p.general.errest = none;
    EXPECT_EQ(BuildErrorEstimator(p), nullptr) << none;
  }
}

TEST(Factories, LimiterByNumber) {
  DGParameters p;
  EXPECT_EQ(p.general.limiter, 0);
  EXPECT_EQ(BuildLimiter(p), nullptr);
  for (int none : {6, -1}) {
    p.general.limiter = none;
    EXPECT_EQ(BuildLimiter(p), nullptr) << none;
  }
  p.general.limiter = 1;
  testing::internal::CaptureStdout();
  std::unique_ptr<DGLimiter> barth(BuildLimiter(p));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "barth limiter\n");
  EXPECT_NE(dynamic_cast<DGBarthLimiter *>(barth.get()), nullptr);

  p.general.limiter = 3;
  std::unique_ptr<DGLimiter> physical(BuildLimiter(p));
  auto *ph = dynamic_cast<DGPhysicalLimiter *>(physical.get());
  ASSERT_NE(ph, nullptr);
  EXPECT_EQ(ph->lowerBound, 0.3);
  EXPECT_EQ(ph->upperBound, 3.0);
  EXPECT_FALSE(ph->needStencilAverages());

  for (int moment : {2, 4}) {
    p.general.limiter = moment;
    std::unique_ptr<DGLimiter> m(BuildLimiter(p));
    EXPECT_NE(dynamic_cast<DGMomentLimiterRegularCube *>(m.get()), nullptr) << moment;
  }
  p.general.limiter = 5;
  std::unique_ptr<DGLimiter> tovu(BuildLimiter(p));
  EXPECT_NE(dynamic_cast<DGTovuLimiter *>(tovu.get()), nullptr);
}

TEST(Factories, LawByProblemNumber) {
  struct Case {
    int problem, sub, dim;
    int fields;
    bool (*is)(ConservationLaw *);
  };
  auto euler2 = [](ConservationLaw *l) { return dynamic_cast<Euler2d *>(l) != nullptr; };
  auto exact2 = [](ConservationLaw *l) {
    return dynamic_cast<Euler2dExactRiemann *>(l) != nullptr;
  };
  auto euler3 = [](ConservationLaw *l) { return dynamic_cast<Euler3d *>(l) != nullptr; };
  auto ns2 = [](ConservationLaw *l) { return dynamic_cast<NavierStokes2d *>(l) != nullptr; };
  auto burgers = [](ConservationLaw *l) { return dynamic_cast<BurgersLaw *>(l) != nullptr; };
  const Case cases[] = {
      {3, 1, 2, 4, exact2},   {3, 1, 3, 5, euler3},  {5, 1, 2, 4, euler2},
      {5, 1, 3, 5, euler3},   {6, 1, 2, 4, exact2},  {6, 1, 3, 5, euler3},
      {9, 1, 2, 4, ns2},      {10, 1, 2, 4, ns2},    {12, 1, 2, 5, ns2},
      {13, 1, 2, 4, exact2},  {13, 1, 3, 5, euler3}, {14, 1, 2, 1, burgers},
      {15, 2, 3, 4, exact2},  {16, 0, 2, 4, exact2}, {16, 9, 3, 5, euler3},
      {17, 1, 3, 4, exact2},  {18, 2, 2, 4, exact2},
  };
  for (const Case &c : cases) {
    DGParameters p = withNumbers(c.problem, c.sub);
    testing::internal::CaptureStdout();
    std::unique_ptr<ConservationLaw> law(BuildConservationLaw(c.dim, p));
    testing::internal::GetCapturedStdout();
    ASSERT_NE(law, nullptr) << c.problem;
    EXPECT_TRUE(c.is(law.get())) << "problem " << c.problem << " dim " << c.dim;
    EXPECT_EQ(law->nbFields(), c.fields) << "problem " << c.problem << " dim " << c.dim;
    EXPECT_NE(law->getFarField(), nullptr);
  }
}

TEST(Factories, ScalarProblemAsksItsQuestionOnStandardInput) {
  DGParameters p = withNumbers(8);
  p.general.alpha = 4.0;
  std::istringstream answer("2\n");
  std::streambuf *saved = std::cin.rdbuf(answer.rdbuf());
  testing::internal::CaptureStdout();
  std::unique_ptr<ConservationLaw> law(BuildConservationLaw(2, p));
  const std::string out = testing::internal::GetCapturedStdout();
  std::cin.rdbuf(saved);
  // The question, then the advection-diffusion law's own line.
  EXPECT_EQ(out, "do you want scalar law (1) or a d (2)  axi(3) ? : alpha = 4.000000\n");
  auto *ad = dynamic_cast<advectionDiffusion *>(law.get());
  ASSERT_NE(ad, nullptr);
  EXPECT_EQ(ad->getAlpha(), 4.0);
}

TEST(Factories, ProblemNumbersWithoutALawStopWithAMessage) {
  for (int problem : {1, 2, 4, 7, 19, 1111, -3}) {
    DGParameters p = withNumbers(problem);
    testing::internal::CaptureStderr();
    EXPECT_THROW(BuildConservationLaw(2, p), int) << problem;
    const std::string msg = testing::internal::GetCapturedStderr();
    EXPECT_NE(msg.find("problem " + std::to_string(problem)), std::string::npos) << msg;
  }
  // Sub-problems outside a set-up's range are refused the same way.
  for (auto [problem, sub] : {std::pair{15, 3}, {16, 10}, {18, 0}}) {
    DGParameters p = withNumbers(problem, sub);
    testing::internal::CaptureStderr();
    EXPECT_THROW(BuildConservationLaw(2, p), int) << problem;
    testing::internal::GetCapturedStderr();
  }
}

// Names and periods of the sensors that AddSensors gives a problem; the
// sensors are deleted afterwards (the analysis does not own them).
struct Added {
  std::vector<std::string> names;
  std::vector<double> periods;
};

Added sensorsOf(DGParameters &p) {
  DGAnalysis analysis;
  AddSensors(&analysis, p);
  AddTrackers(&analysis, p);
  EXPECT_TRUE(analysis.trackers.empty());
  Added a;
  for (DGSensor *s : analysis.sensors) {
    a.names.push_back(s->getName());
    a.periods.push_back(s->getDt());
    delete s;
  }
  return a;
}

using Names = std::vector<std::string>;

TEST(Factories, SensorsByProblemAndOutputPeriod) {
  struct Case {
    int problem;
    double period;
    Names names;
  };
  const Case cases[] = {
      {0, 0.1, {}},
      {3, -1.0, {"rm"}},
      {5, 0.1, {"rt", "rt", "rt"}},
      {6, 0.0, {}},
      {6, 0.2, {"dmr"}},
      {8, -1.0, {"scalar.dat", "scalar"}},
      {9, 0.0, {"ns.dat", "ns"}},
      {9, -0.1, {"ns.dat"}},
      {10, 0.0, {"convection"}},
      {12, -0.5, {}},
      {11, 0.0, {"fsm"}},
      {13, 0.0, {}},
      {13, 0.3, {"muzzle"}},
      {14, -2.0, {"t1.dat", "t2.dat", "burgers"}},
      {15, 0.0, {}},
      {15, 0.1, {"fourdiscontinuities"}},
      {1111, 0.1, {"fourdiscontinuities"}},
      {17, 0.1,
       {"IsentropicVertex.plt", "CenterLine.plt", "Energie.plt", "Mass.plt", "Momentum.plt",
        "L1Norm.plt", "LinfNorm.plt", "vortex"}},
      {17, 0.0,
       {"IsentropicVertex.plt", "CenterLine.plt", "Energie.plt", "Mass.plt", "Momentum.plt",
        "L1Norm.plt", "LinfNorm.plt"}},
      {18, 0.1, {"StreamCollisiontec.dat"}},
  };
  for (const Case &c : cases) {
    DGParameters p = withNumbers(c.problem);
    p.general.outputDt = c.period;
    p.time.tend = 2.0;
    const Added a = sensorsOf(p);
    EXPECT_EQ(a.names, c.names) << "problem " << c.problem << " period " << c.period;
    if (c.problem == 3) {
      EXPECT_EQ(a.periods, std::vector<double>{0.01});
    } else if (c.problem == 9) {
      EXPECT_EQ(a.periods.front(), 0.5);
    } else if (c.problem == 17 && c.period > 0) {
      // The Gmsh views of density and density error come last, at the output period.
      EXPECT_EQ(a.periods, (std::vector<double>{0.1, 2.0, 0.2, 0.2, 0.2, 0.2, 0.2, c.period}));
    } else if (c.problem == 18) {
      EXPECT_EQ(a.periods, std::vector<double>{0.2});
    }
  }
}

TEST(Factories, ShockTubeIntegrationSensorReadsTheMeshOfTheWorkingDirectory) {
  std::filesystem::copy_file(std::string(DG_TEST_DATA) + "/gmsh1_square.msh", "t.msh",
                             std::filesystem::copy_options::overwrite_existing);
  DGParameters p = withNumbers(16);
  testing::internal::CaptureStdout();
  const Added a = sensorsOf(p);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(a.names, Names{"integ_level.dat"});
  EXPECT_EQ(a.periods, std::vector<double>{0.1});
  std::filesystem::remove("t.msh");
}

// Problems that read a file of their own beside the mesh stop, when it is
// missing (or is a directory), with a text naming the file, before anything
// is built: problem 11 its law's "param.in", problem 16 its sensor's "t.msh".
TEST(Factories, ProblemsThatNeedAFileNameItWhenItIsMissing) {
  namespace fs = std::filesystem;
  const fs::path here = fs::current_path();
  const fs::path scratch = fs::temp_directory_path() / "dg_factories_missing_file";
  fs::remove_all(scratch);
  fs::create_directories(scratch);
  fs::current_path(scratch);
  struct Case {
    int problem;
    const char *file;
    bool sensors;  // needed by the sensors (else by the law)
  };
  for (const Case c : {Case{11, "param.in", false}, Case{16, "t.msh", true}}) {
    for (bool asDirectory : {false, true}) {
      SCOPED_TRACE(std::to_string(c.problem) + (asDirectory ? " directory" : " missing"));
      if (asDirectory) fs::create_directory(c.file);
      DGParameters p = withNumbers(c.problem, 0);
      DGAnalysis analysis;
      std::string text;
      try {
        if (c.sensors)
          AddSensors(&analysis, p);
        else
          delete BuildConservationLaw(2, p);
      } catch (const std::string &t) {
        text = t;
      }
      EXPECT_NE(text.find("problem " + std::to_string(c.problem)), std::string::npos) << text;
      EXPECT_NE(text.find(std::string("\"") + c.file + "\""), std::string::npos) << text;
      EXPECT_TRUE(analysis.sensors.empty());
      fs::remove_all(c.file);
    }
  }
  fs::current_path(here);
  fs::remove_all(scratch);
}

TEST(Factories, ProblemsWithoutSensorsStopWithAMessage) {
  for (int problem : {2, 1, 19}) {
    DGParameters p = withNumbers(problem);
    DGAnalysis analysis;
    testing::internal::CaptureStderr();
    EXPECT_THROW(AddSensors(&analysis, p), int) << problem;
    EXPECT_NE(testing::internal::GetCapturedStderr().find("problem"), std::string::npos);
    EXPECT_TRUE(analysis.sensors.empty());
  }
}

TEST(Factories, GmshSensorsSwitchOnTheirFields) {
  DGParameters p = withNumbers(13);
  p.general.outputDt = 0.1;
  DGAnalysis analysis;
  AddSensors(&analysis, p);
  ASSERT_EQ(analysis.sensors.size(), 1u);
  auto *g = dynamic_cast<DGGmshSensor *>(analysis.sensors.front());
  ASSERT_NE(g, nullptr);
  for (int i = 0; i < DGGmshSensor::kNbFlags; ++i)
    EXPECT_EQ(g->isFieldEnabled(i), i == 0 || i == 4 || i == 5 || i == 7) << i;
  delete g;

  DGParameters rt = withNumbers(5);
  DGAnalysis a2;
  AddSensors(&a2, rt);
  const int fields[] = {0, 1, 9};
  int k = 0;
  for (DGSensor *s : a2.sensors) {
    auto *gs = dynamic_cast<DGGmshSensor *>(s);
    ASSERT_NE(gs, nullptr);
    for (int i = 0; i < DGGmshSensor::kNbFlags; ++i)
      EXPECT_EQ(gs->isFieldEnabled(i), i == fields[k]) << i;
    ++k;
    delete s;
  }
}

}  // namespace
