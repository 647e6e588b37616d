// The run-parameter record: defaults, the key-value text form, the ".dgrc"
// reader and the state line.

#include "DGParameters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <iomanip>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The dump of a freshly built record in the default stream format.
const char *const kDefaultDump =
    "state.resid 0\n"
    "time.recoverSamplingPeriod 500\n"
    "time.cflMax 0.5\n"
    "time.dtRef 1000\n"
    "time.dt 1000\n"
    "time.tend 100000\n"
    "time.mode 1\n"
    "state.t 0\n"
    "state.iter 0\n"
    "time.nbSub 1\n"
    "state.cputime 0\n"
    "href.doWe 0\n"
    "href.lb 1\n"
    "pref.doWe 0\n"
    "href.maxLevelOfRefinement 2\n"
    "pref.maximumPolynomialOrder 2\n"
    "href.minCellSize 1\n"
    "href.maxCellSize 2\n"
    "href.divFactor 10\n"
    "href.samplePeriod 0.1\n"
    "href.samplePeriodExportMesh 1\n"
    "href.nbDone 0\n"
    "pref.doWe 0\n"
    "pref.maximumPolynomialOrder 2\n"
    "pref.divFactor -1\n"
    "pref.samplePeriod 10000\n"
    "pref.nbDone 0\n"
    "general.order 1\n"
    "debug 0\n";

std::string dump(const DGParameters &p) {
  std::ostringstream os;
  p.write(os);
  return os.str();
}

DGParameters readText(const std::string &text, std::string *out = nullptr) {
  DGParameters p;
  std::istringstream is(text);
  testing::internal::CaptureStdout();
  p.read_partial(is);
  std::string printed = testing::internal::GetCapturedStdout();
  if (out) *out = printed;
  return p;
}

}  // namespace

TEST(ParamsRecord, DefaultsOfEveryField) {
  const DGParameters p;
  EXPECT_EQ(dump(p), kDefaultDump);

  // Fields that the dump does not show.
  EXPECT_EQ(p.state.gain, 1.0);
  EXPECT_EQ(p.state.started, 0);
  EXPECT_EQ(p.general.meshFileName, "__none");
  EXPECT_EQ(p.general.modelFileName, "__none");
  EXPECT_EQ(p.general.chunkSpace, ".");
  EXPECT_TRUE(p.general.partition);
  EXPECT_EQ(p.general.mach, 3.0);
  EXPECT_EQ(p.general.angle, 0.0);
  EXPECT_EQ(p.general.prandtl, 1.0);
  EXPECT_EQ(p.general.alpha, 1.0);
  EXPECT_EQ(p.general.gamma, 1.4);
  EXPECT_EQ(p.general.outputDt, 0.1);
  EXPECT_EQ(p.general.reynolds, 100.0);
  EXPECT_DOUBLE_EQ(p.general.atwood, 1.0 / 3.0);
  EXPECT_EQ(p.general.quorl, 100.0);
  EXPECT_EQ(p.general.detector, 0.0);
  EXPECT_EQ(p.general.error, 0.025);
  EXPECT_EQ(p.general.gravity, 0);
  EXPECT_EQ(p.general.numModes, 1);
  EXPECT_EQ(p.general.problem, 0);
  EXPECT_EQ(p.general.subProblem, 1);
  EXPECT_EQ(p.general.limiter, 0);
  EXPECT_EQ(p.general.errest, 1);
  EXPECT_EQ(p.general.meshGiven, 0);
  EXPECT_EQ(p.general.modelGiven, 0);
  EXPECT_EQ(p.general.restart, 0);
  EXPECT_EQ(p.general.axi, 0);
  EXPECT_EQ(p.href.maxAspectRatio, 10.0);
  EXPECT_EQ(p.href.conforming, 0);
  EXPECT_EQ(p.href.aniso, 0);
}

TEST(ParamsRecord, InitResetsTheSettingGroupsWithTheGivenSizes) {
  DGParameters p;
  p.time.tend = 3;
  p.href.doWe = 1;
  p.pref.nbDone = 4;
  p.state.t = 9;
  p.state.iter = 12;
  p.general.order = 5;
  p.init(0.25, 8.0);
  EXPECT_EQ(p.href.minCellSize, 0.25);
  EXPECT_EQ(p.href.maxCellSize, 8.0);
  EXPECT_EQ(p.time.tend, 100000.0);
  EXPECT_EQ(p.href.doWe, 0);
  EXPECT_EQ(p.pref.nbDone, 0);
  EXPECT_EQ(p.state.t, 0.0);
  // init touches only the groups and the time.
  EXPECT_EQ(p.state.iter, 12);
  EXPECT_EQ(p.general.order, 5);
}

TEST(ParamsRecord, WrittenTextReadsBackExceptTheThreeUnreadKeys) {
  DGParameters src;
  src.state.resid = 2.5;
  src.state.t = 0.75;
  src.state.iter = 42;
  src.state.cputime = 13.5;
  src.time.recoverSamplingPeriod = 7;
  src.time.cflMax = 0.125;
  src.time.dtRef = 0.01;
  src.time.dt = 0.02;
  src.time.tend = 3.5;
  src.time.mode = 2;
  src.time.nbSub = 4;
  src.href.doWe = 1;
  src.href.lb = 0;
  src.href.maxLevelOfRefinement = 5;
  src.href.minCellSize = 0.0625;
  src.href.maxCellSize = 16;
  src.href.divFactor = 3;
  src.href.samplePeriod = 0.5;
  src.href.samplePeriodExportMesh = 3;
  src.href.nbDone = 6;
  src.pref.doWe = 1;
  src.pref.maximumPolynomialOrder = 4;
  src.pref.divFactor = 2;
  src.pref.samplePeriod = 1;
  src.pref.nbDone = 8;
  src.general.order = 3;
  src.debug = 2;

  std::string printed;
  const DGParameters dst = readText(dump(src), &printed);
  EXPECT_EQ(printed, "load balancing\n");

  EXPECT_EQ(dst.state.resid, 2.5);
  EXPECT_EQ(dst.state.t, 0.75);
  EXPECT_EQ(dst.state.iter, 42);
  EXPECT_EQ(dst.state.cputime, 13.5);
  EXPECT_EQ(dst.time.recoverSamplingPeriod, 7);
  EXPECT_EQ(dst.time.cflMax, 0.125);
  EXPECT_EQ(dst.time.dtRef, 0.01);
  EXPECT_EQ(dst.time.tend, 3.5);
  EXPECT_EQ(dst.time.mode, 2);
  EXPECT_EQ(dst.time.nbSub, 4);
  EXPECT_EQ(dst.href.doWe, 1);
  EXPECT_EQ(dst.href.lb, 0);
  EXPECT_EQ(dst.href.maxLevelOfRefinement, 5);
  EXPECT_EQ(dst.href.minCellSize, 0.0625);
  EXPECT_EQ(dst.href.maxCellSize, 16.0);
  EXPECT_EQ(dst.href.divFactor, 3.0);
  EXPECT_EQ(dst.href.samplePeriod, 0.5);
  EXPECT_EQ(dst.href.samplePeriodExportMesh, 3);
  EXPECT_EQ(dst.href.nbDone, 6);
  EXPECT_EQ(dst.pref.doWe, 1);
  EXPECT_EQ(dst.pref.maximumPolynomialOrder, 4);
  EXPECT_EQ(dst.pref.nbDone, 8);
  EXPECT_EQ(dst.general.order, 3);
  EXPECT_EQ(dst.debug, 2);
  // Written but not read back.
  EXPECT_EQ(dst.time.dt, 1000.0);
  EXPECT_EQ(dst.pref.divFactor, -1.0);
  EXPECT_EQ(dst.pref.samplePeriod, 10000.0);
}

TEST(ParamsRecord, DefaultsFileLineRules) {
  const std::string longLine(256, 'x');  // one character too many
  const std::string longestLine = "time.nbSub 3 " + std::string(242, 'y');  // exactly 255
  ASSERT_EQ(longestLine.size(), 255u);

  struct Case {
    const char *what;
    std::string text;
    std::function<bool(const DGParameters &)> holds;
  };
  const std::vector<Case> cases = {
      {"number after the key", "time.tend 5\n", [](auto &p) { return p.time.tend == 5.0; }},
      {"text after the number is ignored", "time.tend 5 7\n", [](auto &p) { return p.time.tend == 5.0; }},
      {"no value keeps the field", "time.tend\n", [](auto &p) { return p.time.tend == 100000.0; }},
      {"leading blanks before the key", "   \tgeneral.order 4\n", [](auto &p) { return p.general.order == 4; }},
      {"an int key reads a signed integer", "general.order +3\n", [](auto &p) { return p.general.order == 3; }},
      {"a double key reads exponents", "time.cflMax 2.5e-1\n", [](auto &p) { return p.time.cflMax == 0.25; }},
      {"last of two lines wins", "state.iter 3\nstate.iter 9\n", [](auto &p) { return p.state.iter == 9; }},
      {"comment directly before a key", "#time.tend 5\n", [](auto &p) { return p.time.tend == 100000.0; }},
      {"blank then hash is an unknown key", " #time.tend 5\n",
       [](auto &p) { return p.time.tend == 100000.0; }},
      {"unknown keys are skipped", "foo 1\ngeneral.problem 4\nstate.iter 2\n",
       [](auto &p) { return p.general.problem == 0 && p.state.iter == 2; }},
      {"keys are case-sensitive", "Time.tend 5\n", [](auto &p) { return p.time.tend == 100000.0; }},
      {"time.dt is not read", "time.dt 3\n", [](auto &p) { return p.time.dt == 1000.0; }},
      {"pref.divFactor and pref.samplePeriod are not read", "pref.divFactor 3\npref.samplePeriod 4\n",
       [](auto &p) { return p.pref.divFactor == -1.0 && p.pref.samplePeriod == 10000.0; }},
      {"general.restart is read", "general.restart 40\n", [](auto &p) { return p.general.restart == 40; }},
      {"empty and blank lines are skipped", "\n   \nstate.iter 5\n", [](auto &p) { return p.state.iter == 5; }},
      {"last line without newline", "state.iter 1\nstate.iter 6", [](auto &p) { return p.state.iter == 6; }},
      {"a 255-character line is read", longestLine + "\nstate.iter 4\n",
       [](auto &p) { return p.time.nbSub == 3 && p.state.iter == 4; }},
      {"a longer line ends the reading", "state.iter 4\n" + longLine + "\ntime.nbSub 3\n",
       [](auto &p) { return p.state.iter == 4 && p.time.nbSub == 1; }},
      {"a long valid line is not applied either", "time.nbSub 3 " + std::string(300, ' ') + "\n",
       [](auto &p) { return p.time.nbSub == 1; }},
      {"the largest int", "state.iter 2147483647\n",
       [](auto &p) { return p.state.iter == std::numeric_limits<int>::max(); }},
      {"empty file", "", [](auto &p) { return dump(p) == kDefaultDump; }},
  };
  for (const Case &c : cases) {
    const DGParameters p = readText(c.text);
    EXPECT_TRUE(c.holds(p)) << c.what;
  }
}

TEST(ParamsRecord, LoadBalancingKeyPrintsWhateverItsValue) {
  struct Case {
    const char *text;
    int lb;
  };
  for (const Case &c : {Case{"href.lb 0\n", 0}, Case{"href.lb\n", 1}}) {
    std::string printed;
    const DGParameters p = readText(c.text, &printed);
    EXPECT_EQ(printed, "load balancing\n") << c.text;
    EXPECT_EQ(p.href.lb, c.lb) << c.text;
  }
  std::string printed;
  readText("# href.lb 0\nhref.lbx 0\n", &printed);
  EXPECT_EQ(printed, "");
}

TEST(ParamsRecord, MissingDefaultsFileChangesNothing) {
  DGParameters p;
  std::ifstream in("no-such-directory/.dgrc");
  ASSERT_FALSE(in.is_open());
  p.read_partial(in);
  EXPECT_EQ(dump(p), kDefaultDump);
}

TEST(ParamsRecord, StateLine) {
  DGParameters p;
  {
    std::ostringstream os;
    p.write_state(os);
    EXPECT_EQ(os.str(), "0 0 0 0 1\n");
  }

  // Values with no short decimal form survive a 16-digit scientific stream exactly.
  p.state.resid = 1.0 / 3.0;
  p.state.iter = 123456;
  p.state.t = std::acos(-1.0) * 1e-7;
  p.state.cputime = std::nextafter(2.0, 3.0);
  p.state.gain = 5e-310;  // subnormal
  std::ostringstream os;
  os << std::scientific << std::setprecision(16);
  p.write_state(os);

  DGParameters q;
  std::istringstream is(os.str());
  q.read_state(is);
  EXPECT_FALSE(is.fail());
  EXPECT_EQ(q.state.resid, p.state.resid);
  EXPECT_EQ(q.state.iter, p.state.iter);
  EXPECT_EQ(q.state.t, p.state.t);
  EXPECT_EQ(q.state.cputime, p.state.cputime);
  EXPECT_EQ(q.state.gain, p.state.gain);

  // The record-level and state-level forms are the same line.
  std::ostringstream a, b;
  p.write_state(a);
  p.state.write(b);
  EXPECT_EQ(a.str(), b.str());
}

TEST(ParamsRecord, StateLineStopsAtTheFirstUnreadableValue) {
  DGParameters p;
  p.state.t = 4;
  p.state.cputime = 5;
  p.state.gain = 6;
  std::istringstream is("0.5 7 abc 8 9");
  p.read_state(is);
  EXPECT_TRUE(is.fail());
  EXPECT_EQ(p.state.resid, 0.5);
  EXPECT_EQ(p.state.iter, 7);
  EXPECT_EQ(p.state.t, 4.0);
  EXPECT_EQ(p.state.cputime, 5.0);
  EXPECT_EQ(p.state.gain, 6.0);

  SimulationState s;
  std::istringstream empty("");
  s.read(empty);
  EXPECT_TRUE(empty.fail());
  EXPECT_EQ(s.gain, 1.0);
  EXPECT_EQ(s.iter, 0);
}

TEST(ParamsRecord, DefaultsFileRefusesValuesThatAreNotWhollyFiniteNumbers) {
  struct Case {
    const char *line, *message;
  };
  const Case cases[] = {
      {"time.cflMax nan", ".dgrc: bad value 'nan' for time.cflMax: not a finite number"},
      {"time.tend five", ".dgrc: bad value 'five' for time.tend: not a number"},
      {"time.tend 0.05x 7", ".dgrc: bad value '0.05x' for time.tend: not a number"},
      {"time.tend -inf", ".dgrc: bad value '-inf' for time.tend: not a finite number"},
      {"href.minCellSize 1e400", ".dgrc: bad value '1e400' for href.minCellSize: not a finite number"},
      {"general.order 3.7", ".dgrc: bad value '3.7' for general.order: not an integer"},
      {"general.order two", ".dgrc: bad value 'two' for general.order: not an integer"},
      {"state.iter 99999999999999", ".dgrc: bad value '99999999999999' for state.iter: outside the integer range"},
      {"href.lb x", ".dgrc: bad value 'x' for href.lb: not an integer"},
  };
  for (const Case &c : cases) {
    DGParameters p;
    // The lines before the bad one are applied, the ones after it are not.
    std::istringstream is(std::string("time.nbSub 3\n") + c.line + "\ndebug 2\n");
    testing::internal::CaptureStdout();
    std::string thrown;
    try {
      p.read_partial(is);
    } catch (const std::string &text) {
      thrown = text;
    }
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(thrown, c.message) << c.line;
    EXPECT_EQ(p.time.nbSub, 3) << c.line;
    EXPECT_EQ(p.debug, 0) << c.line;
    EXPECT_EQ(p.time.cflMax, 0.5) << c.line;
    EXPECT_EQ(p.time.tend, 100000.0) << c.line;
    EXPECT_EQ(p.general.order, 1) << c.line;
  }
}
