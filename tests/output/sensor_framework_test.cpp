// The sensor framework: sampling and restart arithmetic, binding to a
// function of the input language, fields of interest, reserved names and the
// analysis driving its sensors.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "DGSensor.h"
#include "Expression.h"
#include "Parser.h"
#include "views_fixture.h"

using viewtest::Scene;
using KORA::mEntity;
using KORA::mPoint;
using KORA::mVector;

namespace {

// Records every offer it gets; samples by the framework's rule.
class RecordingSensor : public DGSensor {
public:
  struct Offer {
    DGAnalysis *analysis;
    int dim, iter;
    double time;
    bool sampled;
  };
  std::vector<Offer> offers;
  std::vector<std::string> *journal = nullptr;

  RecordingSensor(const char *name, double dt) : DGSensor(name, dt) {}
  void eval(DGAnalysis *analysis, int dim, int iter, double time) override {
    const bool s = dowe(time);
    offers.push_back({analysis, dim, iter, time, s});
    if (journal) journal->push_back(name);
  }
};

void parse(const std::string &text) {
  GlobalParamManager::Instance();
  Parser_Reset();
  testing::internal::CaptureStdout();
  const int status = Parse_String(text, "sensor.par");
  const std::string out = testing::internal::GetCapturedStdout();
  ASSERT_EQ(status, 0) << out;
}

}  // namespace

TEST(SensorSampling, WorkedExample) {
  RecordingSensor s("s", 0.1);
  struct Step {
    double time;
    bool sampled;
    double lastTime;
    int count;
  } steps[] = {{0.05, true, 0.0, 1}, {0.12, true, 0.1, 2}, {0.12, false, 0.1, 2},
               {0.35, true, 0.2, 3}, {0.35, true, 0.30000000000000004, 4}};
  for (const Step &st : steps) {
    EXPECT_EQ(s.dowe(st.time), st.sampled) << st.time;
    EXPECT_DOUBLE_EQ(s.getLastTime(), st.lastTime) << st.time;
    EXPECT_EQ(s.getCount(), st.count) << st.time;
  }
}

TEST(SensorSampling, PeriodZeroNegativeTimesAndNaN) {
  RecordingSensor zero("z", 0.0);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(zero.dowe(0.0));
  EXPECT_EQ(zero.getCount(), 4);
  EXPECT_EQ(zero.getLastTime(), 0.0);

  RecordingSensor s("s", 0.1);
  EXPECT_FALSE(s.dowe(-0.01));  // slot 0 is at time 0
  EXPECT_FALSE(s.dowe(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_EQ(s.getCount(), 0);
  EXPECT_TRUE(s.dowe(0.0));  // the first call at a time of 0 or more samples slot 0
  EXPECT_EQ(s.getLastTime(), 0.0);

  RecordingSensor nanPeriod("n", std::numeric_limits<double>::quiet_NaN());
  EXPECT_FALSE(nanPeriod.dowe(1.0));
}

TEST(SensorSampling, RestartTruncatesTheQuotient) {
  struct Case {
    double dt, time;
    int count;  // expected count, starting from 7
  } cases[] = {
      {0.1, 0.35, 3},
      {0.1, 0.3, 2},  // 0.3 / 0.1 is just below 3
      {0.1, 0.0, 0},
      {0.25, 1.0, 4},
      {0.0, 1.0, 7},    // no period: unchanged
      {-0.1, 1.0, 7},
      {0.1, std::numeric_limits<double>::quiet_NaN(), 7},
      {0.1, std::numeric_limits<double>::infinity(), 7},
      {1e-300, 1.0, 7},  // far beyond an int
  };
  for (const Case &c : cases) {
    RecordingSensor s("s", c.dt);
    for (int i = 0; i < 7; ++i) s.dowe(1e308);
    ASSERT_EQ(s.getCount(), 7);
    const double last = s.getLastTime();
    s.restart(c.time);
    EXPECT_EQ(s.getCount(), c.count) << c.dt << " " << c.time;
    EXPECT_EQ(s.getLastTime(), last);
  }
  // After restart(0.35) with dt 0.1 the slot 0.3 is due at once.
  RecordingSensor s("s", 0.1);
  s.restart(0.35);
  EXPECT_TRUE(s.dowe(0.35));
  EXPECT_DOUBLE_EQ(s.getLastTime(), 0.3);
  EXPECT_FALSE(s.dowe(0.35));
}

TEST(SensorAnalysis, EvalSensorsOffersInOrderWithTheRunState) {
  Scene scene(viewtest::triangles({{0, 0}, {1, 0}, {0, 1}}, {{0, 1, 2}}), 0);
  GlobalParamManager::Instance()->parameters->state.t = 0.25;
  std::vector<std::string> journal;
  RecordingSensor a("a", 0.1), b("b", 1.0);
  a.journal = b.journal = &journal;

  scene.analysis.evalSensors(3);  // empty list: nothing happens
  scene.analysis.addSensor(&a);
  scene.analysis.addSensor(&b);
  scene.analysis.addSensor(&a);  // held and evaluated twice
  scene.analysis.evalSensors(5);
  EXPECT_EQ(journal, (std::vector<std::string>{"a", "b", "a"}));
  ASSERT_EQ(a.offers.size(), 2u);
  EXPECT_EQ(a.offers[0].analysis, &scene.analysis);
  EXPECT_EQ(a.offers[0].dim, 2);
  EXPECT_EQ(a.offers[0].iter, 5);
  EXPECT_EQ(a.offers[0].time, 0.25);
  // Slot 0 then slot 0.1 are both due at 0.25; b samples its slot 0 only once.
  EXPECT_TRUE(a.offers[0].sampled);
  EXPECT_TRUE(a.offers[1].sampled);
  EXPECT_EQ(a.getCount(), 2);
  EXPECT_EQ(b.getCount(), 1);
  scene.analysis.sensors.clear();
}

TEST(SensorAnalysis, AnExceptionOfASensorPassesThrough) {
  Scene scene(viewtest::triangles({{0, 0}, {1, 0}, {0, 1}}, {{0, 1, 2}}), 0);
  class Throwing : public DGSensor {
  public:
    Throwing() : DGSensor("t", 1.0) {}
    void eval(DGAnalysis *, int, int, double) override { throw std::string("sensor failed"); }
  } t;
  scene.analysis.addSensor(&t);
  EXPECT_THROW(scene.analysis.evalSensors(0), std::string);
  scene.analysis.sensors.clear();
}

TEST(SensorFields, UnboundSensorForwardsToTheLaw) {
  Scene scene(viewtest::triangles({{0, 0}, {1, 0}, {0, 1}}, {{0, 1, 2}}), 0);
  RecordingSensor s("s", 1.0);
  EXPECT_EQ(s.getNbFieldsOfInterest(), 8);
  int size = -1;
  std::string name;
  s.getNameAndSize(2, size, name);
  EXPECT_EQ(name, "vec");
  EXPECT_EQ(size, 3);
  const double sol[1] = {2.0};
  mVector grads[1];
  double out[3] = {0, 0, 0};
  s.getIthFieldOfInterest(1, mPoint(0, 0, 0), sol, grads, out, 0.0);
  EXPECT_EQ(out[0], 2.0);
  EXPECT_EQ(out[1], 20.0);
  s.setFunct("no-such-function");  // unknown: still the law's fields
  EXPECT_EQ(s.getFunctIndex(), -1);
  EXPECT_EQ(s.getNbFieldsOfInterest(), 8);
}

TEST(SensorFields, BoundSensorWritesTheFunctionAtThePoint) {
  Scene scene(viewtest::triangles({{0, 0}, {1, 0}, {0, 1}}, {{0, 1, 2}}), 0);
  parse("Function {\n  f[] = $X + 10 * $Y + 100 * $Z;\n  w[] = Vector[7, 8, 9];\n}\n");
  DGParameters &param = Scene::param();
  param.state.t = 0.5;
  param.state.region = 12;

  RecordingSensor s("s", 1.0);
  s.setFunct("f");
  ASSERT_GE(s.getFunctIndex(), 0);
  EXPECT_EQ(s.getNbFieldsOfInterest(), 1);
  for (int i : {0, 3, 17}) {  // one field whatever the index
    int size = -1;
    std::string name;
    s.getNameAndSize(i, size, name);
    EXPECT_EQ(name, "f");
    EXPECT_EQ(size, 1);
  }
  const double sol[1] = {0.0};
  mVector grads[1];
  double out[2] = {-1, -1};
  s.getIthFieldOfInterest(5, mPoint(1, 2, 3), sol, grads, out, 0.0);
  EXPECT_DOUBLE_EQ(out[0], 321.0);
  EXPECT_EQ(out[1], -1.0);  // one component only
  EXPECT_EQ(param.state.X, 1.0);
  EXPECT_EQ(param.state.Y, 2.0);
  EXPECT_EQ(param.state.Z, 3.0);
  EXPECT_EQ(param.state.t, 0.5);
  EXPECT_EQ(param.state.region, 12);

  // A vector-valued function: its first component, as one scalar field.
  RecordingSensor v("v", 1.0);
  v.setFunct("w");
  v.getIthFieldOfInterest(0, mPoint(0, 0, 0), sol, grads, out, 0.0);
  EXPECT_EQ(out[0], 7.0);
  Parser_Reset();
}

TEST(SensorFields, BindingSurvivesGrowthAndSeesRedefinition) {
  Scene scene(viewtest::triangles({{0, 0}, {1, 0}, {0, 1}}, {{0, 1, 2}}), 0);
  Parser_Reset();
  auto constant = [](double c) {
    Expression e{};
    e.Type = EXP_CONSTANT;
    e.Constant = c;
    e.LastRegion = e.LastPiece = -1;
    return e;
  };
  Expression g1 = constant(1.0);
  Add_Expression(&g1, strdup("g"), 0);
  RecordingSensor s("s", 1.0);
  s.setFunct("g");
  const int index = s.getFunctIndex();
  ASSERT_GE(index, 0);
  // Well over 50 further entries (the list grows by 50), then g defined again,
  // which overwrites its entry in place.
  for (int i = 0; i < 120; ++i) {
    Expression h = constant(i);
    char hname[16];
    std::snprintf(hname, sizeof hname, "h%d", i);
    Add_Expression(&h, strdup(hname), 0);
  }
  Expression g2 = constant(8.0);
  EXPECT_EQ(Add_Expression(&g2, strdup("g"), 0), index);
  EXPECT_EQ(s.getFunctIndex(), index);
  const double sol[1] = {0.0};
  mVector grads[1];
  double out[1] = {0};
  s.getIthFieldOfInterest(0, mPoint(4, 0, 0), sol, grads, out, 0.0);
  EXPECT_DOUBLE_EQ(out[0], 8.0);
  Parser_Reset();
}

TEST(SensorFields, TheLastEntryOfTheNameWins) {
  Scene scene(viewtest::triangles({{0, 0}, {1, 0}, {0, 1}}, {{0, 1, 2}}), 0);
  parse("Function {\n  a[] = 1;\n}\n");
  // Two records named "dup" in the list: the binding takes the last one.
  Expression e1{};
  e1.Type = EXP_CONSTANT;
  e1.Constant = 11;
  Expression e2{};
  e2.Type = EXP_CONSTANT;
  e2.Constant = 22;
  const int first = Add_Expression(&e1, strdup("dup"), 0);
  const int second = List_Nbr(Problem_S.Expressions);
  Add_Expression(&e2, strdup("other"), 0);
  Rename_Expression(second, strdup("dup"));
  RecordingSensor s("s", 1.0);
  s.setFunct("dup");
  EXPECT_NE(first, second);
  EXPECT_EQ(s.getFunctIndex(), second);
  Parser_Reset();
}

TEST(SensorFields, ReservedNames) {
  // Two triangles; the second is refined once so that its children have level 1.
  Scene scene(viewtest::triangles({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {{0, 1, 2}, {0, 2, 3}}), 0);
  EXPECT_TRUE(DGSensor::isReservedField("errest"));
  EXPECT_TRUE(DGSensor::isReservedField("reflev"));
  EXPECT_TRUE(DGSensor::isReservedField("tag"));
  EXPECT_FALSE(DGSensor::isReservedField("Tag"));
  EXPECT_FALSE(DGSensor::isReservedField("errest "));

  ASSERT_EQ(scene.analysis.cells.size(), 2u);
  DGCell *c0 = scene.analysis.cells[0];
  c0->setTag(3);
  mEntity *e0 = c0->getEntity();
  EXPECT_EQ(DGSensor::reservedFieldValue("tag", e0), 3.0);
  EXPECT_EQ(DGSensor::reservedFieldValue("reflev", e0), 0.0);
  EXPECT_EQ(DGSensor::reservedFieldValue("tag", nullptr), 0.0);

  // Without an estimator "errest" is 0, whatever the accumulators hold.
  c0->errorWeight = 0.0;
  c0->errorSum = 1.0;
  EXPECT_EQ(DGSensor::reservedFieldValue("errest", e0), 0.0);

  // With an estimator: every face gives weight 1 and error 5, so every cell's
  // indicator is 5 after the recomputation.
  auto *est = new viewtest::FiveEstimator;
  GlobalParamManager::Instance()->estimator = est;
  DGSensor::prepareErrorEstimates(scene.analysis);
  EXPECT_EQ(est->calls, 5);  // five leaf edges
  for (DGCell *c : scene.analysis.cells) EXPECT_DOUBLE_EQ(DGSensor::reservedFieldValue("errest", c->getEntity()), 5.0);
  DGSensor::prepareErrorEstimates(scene.analysis);  // accumulators start afresh
  EXPECT_EQ(est->calls, 10);
  for (DGCell *c : scene.analysis.cells) EXPECT_DOUBLE_EQ(DGSensor::reservedFieldValue("errest", c->getEntity()), 5.0);
}
