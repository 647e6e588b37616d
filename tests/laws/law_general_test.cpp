// The gas law built from parameter-file expressions: the law chosen by the
// dimension, the far-field regions from the pieces of "PressureBnd", the
// evaluator's switch from the initial to the boundary expressions, and the
// refusal of an incomplete set of expressions.

#include <memory>

#include "DGParameters.h"
#include "Euler.h"
#include "GeneralLaw.h"
#include "GlobalParamManager.h"
#include "Parser.h"
#include "law_helpers.h"

using namespace lawtest;

namespace {

const char *kAll =
    "Function {\n"
    "  PressureInit[] = 1;\n"
    "  DensityInit[] = 2;\n"
    "  VelocityInit[] = Vector[1, 2, 0];\n"
    "  PressureBnd[] = $Pressure * 2;\n"
    "  DensityBnd[] = $Density + $X;\n"
    "  VelocityBnd[] = Vector[0, 0, 3];\n"
    "}\n";

class GeneralLaw : public testing::Test {
protected:
  void SetUp() override {
    ctx = GlobalParamManager::Instance();
    savedDim = ctx->dim;
    saved = ctx->parameters->general;
    savedState = ctx->parameters->state;
    ctx->parameters->general.gamma = 1.4;
    ctx->parameters->general.gravity = 0;
    ctx->parameters->general.axi = 0;
    ctx->parameters->state.started = 0;
  }
  void TearDown() override {
    ctx->dim = savedDim;
    ctx->parameters->general = saved;
    ctx->parameters->state = savedState;
    Parser_Reset();
  }
  static void parse(const std::string &text) {
    Parser_Reset();
    std::string out = captured([&] { EXPECT_EQ(Parse_String(text, "law.par"), 0); });
    EXPECT_EQ(out, "");
  }
  std::unique_ptr<ConservationLaw> build(std::string *printed = nullptr) {
    std::unique_ptr<ConservationLaw> law;
    std::string out = captured([&] { law.reset(createGeneralLaw()); });
    if (printed) *printed = out;
    return law;
  }
  GlobalParamManager *ctx = nullptr;
  int savedDim = 0;
  GeneralParameters saved;
  SimulationState savedState;
};

}  // namespace

TEST_F(GeneralLaw, TwoDimensionsEverywhereFarField) {
  parse(kAll);
  ctx->dim = 2;
  ctx->parameters->general.gravity = 1;
  ctx->parameters->general.axi = 1;
  std::string out;
  auto law = build(&out);
  EXPECT_EQ(out, "external field defined everywhere !!\n");
  auto *e = dynamic_cast<Euler2dExactRiemann *>(law.get());
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->getGasConstant(), 2012.0 / 7.0);
  EXPECT_EQ(e->getGamma(), 1.4);
  EXPECT_TRUE(e->hasGravity());
  EXPECT_TRUE(e->isAxisymmetric());
  EXPECT_FALSE(e->needTheHigherOrderGradients());
  EXPECT_TRUE(e->getBoundaryConditions().empty());
  EXPECT_EQ(e->getExactField(), nullptr);
  EXPECT_EQ(e->getTimeFunction(), nullptr);

  // Initial expressions before the loop: density 2, velocity (1, 2, 0), p 1.
  double U[5] = {};
  e->getFarField()->eval(mPoint(), 0, U);
  const double initial[5] = {2, 2, 4, 7.5, 0};
  for (int i = 0; i < 5; ++i) EXPECT_DOUBLE_EQ(U[i], initial[i]) << i;
  EXPECT_EQ(e->getFarField()->order(), 1);

  // Any boundary face is a far-field face, and the boundary expressions read
  // the interior state that the condition publishes.
  ctx->parameters->state.started = 1;
  ctx->parameters->state.X = 0.5;
  double V[4] = {1.5, 0.3, 0, 2.0};  // p = 0.4 (2 - 0.03) = 0.788
  const double p = computeP2d(V, 1.4);
  // rho = 1.5 + 0.5, velocity (0, 0, 3), pressure twice the interior one.
  const double far[5] = {2.0, 0, 0, 2 * p / 0.4 + 0.5 * 2.0 * 9, 6.0};
  const double farState[16] = {far[0], far[1], far[2], far[3]};
  double G[4], discarded[4], H[4];
  e->riemannSolver(mVector(1, 0, 0), mPoint(), V, farState, G, discarded);
  e->boundaryFlux(mVector(1, 0, 0), 17, mPoint(), V, H, 0);
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(H[i], G[i], 1e-14) << i;

  double W[5];
  e->getFarField()->eval(mPoint(), 0, W);
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(W[i], far[i], 1e-14) << i;
}

TEST_F(GeneralLaw, PiecewiseBoundaryPressureNamesTheFarFieldRegions) {
  parse(
      "Function {\n"
      "  PressureInit[] = 1; DensityInit[] = 2; VelocityInit[] = Vector[1, 2, 0];\n"
      "  DensityBnd[Region[{3, 7, 9}]] = 1; VelocityBnd[] = Vector[0, 0, 0];\n"
      "  PressureBnd[Region[3]] = 1;\n"
      "  PressureBnd[Region[7]] = 2;\n"
      "}\n");
  ctx->dim = 2;
  std::string out;
  auto law = build(&out);
  EXPECT_EQ(out, "external field defined on 2 model entities [3 7 ]\n");
  auto *e = dynamic_cast<Euler *>(law.get());
  ASSERT_NE(e, nullptr);
  const auto &m = e->getBoundaryConditions();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m.at(3).type, 4);
  EXPECT_EQ(m.at(7).type, 4);
  // Another tag is an inviscid wall.
  double U[4] = {1, 0.2, 0.1, 2.5}, F[4];
  e->boundaryFlux(mVector(0, 1, 0), 5, mPoint(), U, F, 0);
  const double p = computeP2d(U, 1.4);
  EXPECT_EQ(F[0], 0);
  EXPECT_EQ(F[1], 0);
  EXPECT_DOUBLE_EQ(F[2], p);
  EXPECT_EQ(F[3], 0);
}

TEST_F(GeneralLaw, ThreeDimensions) {
  parse(kAll);
  ctx->dim = 3;
  auto law = build();
  auto *e = dynamic_cast<Euler3d *>(law.get());
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(dynamic_cast<Euler3dRoe *>(law.get()), nullptr);
  EXPECT_EQ(e->getGasConstant(), 287.0);
  EXPECT_EQ(e->nbFields(), 5);
}

TEST_F(GeneralLaw, TheFirstMissingExpressionIsNamed) {
  struct Case {
    std::string text;
    const char *missing;
  } cases[] = {
      {"Function { DensityInit[] = 1; }", "PressureInit"},
      {"Function { PressureInit[] = 1; VelocityInit[] = Vector[0,0,0]; }", "DensityInit"},
      {"Function { PressureInit[] = 1; DensityInit[] = 1; VelocityInit[] = Vector[0,0,0];"
       " PressureBnd[] = 1; VelocityBnd[] = Vector[0,0,0]; }",
       "DensityBnd"},
      {"", "PressureInit"},
  };
  ctx->dim = 2;
  for (const Case &c : cases) {
    parse(c.text);
    std::string msg;
    captured([&] {
      try {
        delete createGeneralLaw();
      } catch (const std::string &m) {
        msg = m;
      }
    });
    EXPECT_NE(msg.find(std::string("\"") + c.missing + "\""), std::string::npos) << msg;
  }
}
