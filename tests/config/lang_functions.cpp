// The "Function" block: compilation into postfix programs, named and
// piece-wise expressions, evaluation at a run state, and the built-ins.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "BuiltinFunctions.h"
#include "lang_helpers.h"

namespace {

using langtest::captured;
using langtest::evaluate;
using langtest::params;
using langtest::parse;

class LangFunctions : public testing::Test {
protected:
  void SetUp() override { saved = params(); }
  void TearDown() override { params() = saved; }
  DGParameters saved;
};

std::vector<WholeQuantity> program(const char *name) {
  Expression *e = Get_Expression(Find_Expression(name));
  EXPECT_NE(e, nullptr);
  std::vector<WholeQuantity> items;
  if (!e || e->Type != EXP_FUNCTION) return items;
  for (int i = 0; i < List_Nbr(e->Program); i++) {
    WholeQuantity q;
    List_Read(e->Program, i, &q);
    items.push_back(q);
  }
  return items;
}

TEST_F(LangFunctions, FormulasCompileToPostfixItems) {
  auto r = parse("Function { f[] = 2*$X + 1; m[] = -3; p[] = +3; }");
  ASSERT_EQ(r.status, 0);
  auto f = program("f");
  ASSERT_EQ(f.size(), 5u);
  EXPECT_EQ(f[0].Type, QTY_CONSTANT);
  EXPECT_EQ(f[0].Constant, 2);
  EXPECT_EQ(f[1].Type, QTY_CURRENT_VALUE);
  EXPECT_EQ(f[1].CurrentValue, &params().state.X);
  EXPECT_EQ(f[2].Type, QTY_DYADIC_OPERATOR);
  EXPECT_EQ(f[2].OperatorCode, OP_TIME);
  EXPECT_EQ(f[3].Constant, 1);
  EXPECT_EQ(f[4].OperatorCode, OP_PLUS);
  auto m = program("m");
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[1].Type, QTY_MONADIC_OPERATOR);
  EXPECT_EQ(m[1].OperatorCode, OP_NEG);
  EXPECT_EQ(program("p").size(), 1u);
  EXPECT_EQ(Get_Expression(Find_Expression("f"))->Type, EXP_FUNCTION);
  EXPECT_EQ(Find_Expression("f"), 0);
}

TEST_F(LangFunctions, FormulasEvaluateAtTheRunState) {
  auto r = parse(
      "k = 4;\n"
      "Function {\n"
      "  lin[] = 2*$X + 1;  cond[] = $X ? 10 : 20;  nested[] = $X > 1 ? ($X > 2 ? 3 : 2) : 1;\n"
      "  diff[] = $1 - $2;  call[] = diff[5, 3];  args[] = $2 * 10 + $1;  use[] = args[1, 2];\n"
      "  it[] = $Iteration;  vel[] = $Velocity - $VX;  cst[] = Constant[k * 2];\n"
      "  time[] = $Time + $Tend + $TimeStep;  rel[] = ($Y == 1) + ($Y ~= 1.00000000001) * 10;\n"
      "  vec[] = Vector[$X, $Y, $Z] * Vector[1, 1, 1];  cr[] = CompZ[Cross[Vector[1,0,0], Vector[0,1,0]]];\n"
      "  alias[] = Function[lin];\n"
      "}");
  ASSERT_EQ(r.status, 0);
  ASSERT_EQ(r.out, "");
  DGParameters &p = params();
  p.state.X = 3;
  p.state.Y = 1;
  p.state.Z = -2;
  p.state.VX = 0.25;
  p.state.iter = 7;
  p.state.t = 1.5;
  p.time.tend = 10;
  p.time.dt = 0.125;
  struct {
    const char *name;
    double value;
  } cases[] = {{"alias", 7},  // Function[lin] gave lin's record the name alias
               {"cond", 10},
               {"nested", 3},
               {"call", 2},
               {"use", 21},  // $1 stays readable after the first item
               {"it", 7},
               {"vel", 0},
               {"cst", 8},
               {"time", 11.625},
               {"rel", 11},
               {"vec", 3 + 1 - 2},
               {"cr", 1}};
  for (auto &c : cases) {
    SCOPED_TRACE(c.name);
    Value v = evaluate(c.name);
    EXPECT_EQ(v.Type, SCALAR);
    EXPECT_EQ(v.Val[0], c.value);
  }
  EXPECT_EQ(Find_Expression("lin"), -1);
  p.state.X = 0;
  EXPECT_EQ(evaluate("cond").Val[0], 20);
  p.state.X = NAN;
  EXPECT_EQ(evaluate("cond").Val[0], 10);  // NaN counts as true
  p.state.X = -0.5;
  EXPECT_EQ(evaluate("cond").Val[0], 10);
}

TEST_F(LangFunctions, TheBranchNotTakenIsNotEvaluated) {
  auto r = parse("Function { c[] = 0 ? Printf[1] : 2; d[] = Printf[2 * 3] + 1; }");
  ASSERT_EQ(r.status, 0);
  Value v{};
  EXPECT_EQ(langtest::evaluatePrinting("c", &v), "");
  EXPECT_EQ(v.Val[0], 2);
  PrintStream = stdout;
  EXPECT_EQ(langtest::evaluatePrinting("d", &v), "6 \n");
  EXPECT_EQ(v.Val[0], 7);
}

TEST_F(LangFunctions, PiecewiseFunctionsChooseByRegionWithOneEntryCache) {
  auto r = parse(
      "Function {\n"
      "  g[Region[{1, 2}]] = 5*$X;\n"
      "  g[[3]] = Constant[0.5];\n"
      "  g[Region[2]] = 1;\n"
      "}");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Error ('test.par' line 3): Redefinition of piece-wise Function: g [2]\n");
  Expression *g = Get_Expression(Find_Expression("g"));
  ASSERT_EQ(g->Type, EXP_PIECEWISE);
  ASSERT_EQ(List_Nbr(g->Pieces), 3);
  DGParameters &p = params();
  p.state.X = 2;
  p.state.region = 2;
  EXPECT_EQ(evaluate("g").Val[0], 10);
  EXPECT_EQ(g->LastRegion, 2);
  // Same region again: the cached piece is used without a search, so a row
  // changed behind the cache's back has no effect.
  ExpressionPerRegion key2 = {2, -1}, key3 = {3, -1};
  auto *row = static_cast<ExpressionPerRegion *>(List_PQuery(g->Pieces, &key2, fcmp_int));
  auto *row3 = static_cast<ExpressionPerRegion *>(List_PQuery(g->Pieces, &key3, fcmp_int));
  ASSERT_TRUE(row && row3);
  int original = row->ExpressionIndex;
  row->ExpressionIndex = row3->ExpressionIndex;
  EXPECT_EQ(evaluate("g").Val[0], 10);
  row->ExpressionIndex = original;
  p.state.region = 3;
  EXPECT_EQ(evaluate("g").Val[0], 0.5);
  p.state.region = 1;
  EXPECT_EQ(evaluate("g").Val[0], 10);
  EXPECT_EQ(g->LastRegion, 1);
  // No piece for region 9: reported, and the cached piece answers.
  p.state.region = 9;
  Value v{};
  EXPECT_EQ(langtest::evaluatePrinting("g", &v), "Function 'g' undefined in Region 9");
  EXPECT_EQ(v.Val[0], 10);
  EXPECT_EQ(g->LastRegion, 1);
}

TEST_F(LangFunctions, DefinitionErrors) {
  struct {
    const char *input;
    const char *out;
  } cases[] = {
      {"f[] = 1; f[] = 2;", "Error ('test.par' line 0): Redefinition of Function: f\n"},
      {"f[] = Function[nothing];", "Error ('test.par' line 0): Unknown name of Expression: nothing\n"},
      {"f[] = 1; f[Region[1]] = 2;", "Error ('test.par' line 0): Not piece-wise Expression: f\n"},
      {"f[] = Sqrt[1, 2];",
       "Error ('test.par' line 0): Wrong number of arguments for Function 'Sqrt' (2 instead of 1)\n"},
      {"f[] = Modulo[5, 2];", "Error ('test.par' line 0): Unknown Function: Modulo\n"},
      {"f[] = F_Period[1];",
       "Error ('test.par' line 0): Wrong number of parameters for Function 'F_Period' (0 instead of 1)\n"},
      {"f[] = $DTime;", "Error ('test.par' line 0): Unknown current value: $DTime\n"},
      {"f[] = g[.];", "Error ('test.par' line 0): Unknown Constant: .\n"
                      "Error ('test.par' line 0): Unknown Function: g\n"},
      {"f[] = x + 1;", "Error ('test.par' line 0): Unknown Constant: x\n"},
      {"f[Frame[1]] = 1;", "Error ('test.par' line 0): Not a Name for a group of model entities: Frame\n\n"},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.input);
    auto r = parse(std::string("Function { ") + c.input + " }");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, c.out);
  }
  // After a redefinition the first body stays; the second stays listed under
  // its generated name.
  parse("Function { f[] = 1; f[] = 2; }");
  EXPECT_EQ(evaluate("f").Val[0], 1);
  EXPECT_EQ(Find_Expression("_Exp_Fct_1"), 1);
  EXPECT_EQ(evaluate("_Exp_Fct_1").Val[0], 2);
  // Calls that could not be compiled keep the stack balanced: they stand for 0.
  parse("Function { f[] = 1 + Foo[2, 3] * 4 + Sqrt[4, 9]; }");
  EXPECT_EQ(evaluate("f").Val[0], 1);
  // The piece-wise syntax needs its own brackets.
  EXPECT_EQ(parse("Function { g[1] = 0; }").status, 1);
  EXPECT_EQ(parse("Function { g[Region[1]] = 0; h[[1]] = 0; }").status, 0);
}

TEST_F(LangFunctions, EvaluatorLimitsAreReportedNotCrashed) {
  // 101 values pushed before the first operator.
  std::string deep = "Function { s[] = ";
  for (int i = 0; i < 101; i++) deep += "1+(";
  deep += "1" + std::string(101, ')') + "; }";
  ASSERT_EQ(parse(deep).status, 0);
  Value v{};
  EXPECT_EQ(langtest::evaluatePrinting("s", &v), "Stack size exceeded (100)");

  // A piece that calls its own function recurses; the nesting is limited.
  ASSERT_EQ(parse("Function { g[Region[1]] = 1; g[Region[2]] = g[] + 1; }").status, 0);
  params().state.region = 2;
  std::string out = langtest::evaluatePrinting("g", &v);
  EXPECT_NE(out.find("Expression nesting too deep in 'g' (64)"), std::string::npos);

  // A prefix mark pushes nothing: the operator after it lacks an operand.
  ASSERT_EQ(parse("Function { m[] = #1 + 2; a[] = $3; }").status, 0);
  EXPECT_EQ(langtest::evaluatePrinting("m", &v), "Missing operand(s) in expression (1 instead of 2)");
  EXPECT_EQ(langtest::evaluatePrinting("a", &v), "Undefined argument $3");
  EXPECT_EQ(v.Val[0], 0);
}

struct BuiltinCase {
  const char *formula;
  int type;
  std::vector<double> components;
  const char *message;
};

TEST_F(LangFunctions, BuiltinsComputeAndReportWrongArguments) {
  params().state.t = 0.5;
  std::vector<BuiltinCase> cases = {
      {"Sqrt[Vector[4, 0, 0]]", SCALAR, {2}, "Non scalar argument for function 'Sqrt'"},
      {"Atan2[1, 0]", SCALAR, {M_PI / 2}, ""},
      {"Atan2[Vector[1,0,0], 0]", SCALAR, {M_PI / 2}, "Non scalar argument(s) for function 'Atan2'"},
      {"Hypot[3, 4] + Pow[2, 3] + Fmod[-7, 3]", SCALAR, {5 + 8 - 1}, ""},
      {"Exp[1] - Log[1] + Log10[1000] + Sin[0] + Cos[0] + Tan[0]", SCALAR, {M_E + 3 + 1}, ""},
      {"Asin[1] + Acos[1] + Atan[1] + Sinh[0] + Cosh[0] + Tanh[0]", SCALAR, {M_PI / 2 + M_PI / 4 + 1}, ""},
      {"Fabs[-2] + Floor[-1.5] + Ceil[-1.5]", SCALAR, {2 - 2 - 1}, ""},
      {"F_Period[-3]{3}", SCALAR, {3}, ""},
      {"F_Period[-1]{3}", SCALAR, {2}, ""},
      {"F_Period[4]{3}", SCALAR, {1}, ""},
      {"Interval[1, 0, 2]{0, 0, 0}", SCALAR, {1}, ""},
      {"Interval[2, 0, 2]{0, 0, 0}", SCALAR, {0}, ""},
      {"Interval[2, 0, 2]{0, 1, 0.5}", SCALAR, {1}, ""},
      {"F_Cos_wt_p[]{2, 1}", SCALAR, {std::cos(2 * 0.5 + 1)}, ""},
      {"F_Sin_wt_p[]{2, 1}", SCALAR, {std::sin(2 * 0.5 + 1)}, ""},
      {"Unit[Vector[0, 0, 0]]", VECTOR, {0, 0, 0}, ""},
      {"Normalized[Vector[3, 0, 4]]", VECTOR, {0.6, 0, 0.8}, ""},
      {"Unit[5]", SCALAR, {1}, ""},
      {"Unit[TensorDiag[1,2,3]]", TENSOR_DIAG, {1, 2, 3}, "Wrong type of argument for function 'Unit'"},
      {"Norm[Vector[3, 4, 12]] + SquNorm[-2] + Norm[-3]", SCALAR, {13 + 4 + 3}, ""},
      {"Norm[TensorDiag[1,2,3]]", SCALAR, {1}, "Wrong type of argument for function 'Norm'"},
      {"SquNorm[TensorDiag[1,2,3]]", SCALAR, {1}, "Wrong type of argument for function 'SquNorm'"},
      {"CompYX[TensorSym[1, 2, 3, 4, 5, 6]]", SCALAR, {2}, ""},
      {"CompXY[TensorDiag[1, 2, 3]] + CompZZ[TensorDiag[1, 2, 3]]", SCALAR, {3}, ""},
      {"CompZY[Tensor[1,2,3,4,5,6,7,8,9]] + CompY[Vector[0,5,0]]", SCALAR, {13}, ""},
      {"CompX[3]", SCALAR, {3}, "Non vector argument for function 'CompX'"},
      {"CompXX[3]", SCALAR, {3}, "Non tensor argument for function 'CompXX'"},
      {"Cart2Cyl[Vector[0, 1, 0]]", TENSOR, {0, 1, 0, -1, 0, 0, 0, 0, 1}, ""},
      {"Cart2Sph[Vector[0, 0, 2]]", TENSOR, {0, 0, 1, 1, 0, 0, 0, 1, 0}, ""},
      {"Cart2Cyl[1]", TENSOR, {1, 0, 0, 0, 1, 0, 0, 0, 1}, "Vector argument required for Function 'Cart2Cyl'"},
      {"TTrace[Tensor[1,2,3,4,5,6,7,8,9]]", SCALAR, {15}, ""},
      {"TTrace[2]", SCALAR, {2}, "Wrong type of argument for function 'Trace'Wrong argument type in 'Cal_TraceValue'"},
      {"Transpose[TensorV[Vector[1,2,3], Vector[4,5,6], Vector[7,8,9]]]", TENSOR, {1, 4, 7, 2, 5, 8, 3, 6, 9}, ""},
      {"SquDyadicProduct[Vector[1, 2, 3]]", TENSOR_SYM, {1, 2, 3, 4, 6, 9}, ""},
      {"SquDyadicProduct[2]", TENSOR_SYM, {4}, "Non vector argument for function 'TensorDyadic'"},
      {"UnitVectorX[] + UnitVectorY[] * 2 + UnitVectorZ[] * 3", VECTOR, {1, 2, 3}, ""},
      {"Vector[1, Vector[2,0,0], 3]", VECTOR, {1, 2, 3}, "Non scalar argument(s) for function 'Vector'"},
      {"TensorDiag[2, 3, 4] * Vector[1, 1, 1]", VECTOR, {2, 3, 4}, ""},
      {"2 / TensorSym[2, 0, 0, 4, 0, 8] * Vector[1, 1, 1]", VECTOR, {1, 0.5, 0.25}, ""},
      {"Vector[7, 8, 9] % 4", VECTOR, {3, 0, 1}, ""},
      {"1 + Vector[1, 2, 3]", SCALAR, {1}, "Addition of different quantities: ? + ?"},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.formula);
    auto r = parse(std::string("Function { f[] = ") + c.formula + "; }");
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(r.out, "");
    Value v{};
    EXPECT_EQ(langtest::evaluatePrinting("f", &v), c.message);
    ASSERT_EQ(v.Type, c.type);
    for (std::size_t i = 0; i < c.components.size(); i++)
      EXPECT_NEAR(v.Val[i], c.components[i], 1e-14) << "component " << i;
  }
  parse("Function { f[] = Sqrt[-1]; }");
  Value v{};
  EXPECT_EQ(langtest::evaluatePrinting("f", &v), "");
  EXPECT_TRUE(std::isnan(v.Val[0]));
}

TEST_F(LangFunctions, BuiltinsMayWriteTheirResultOverTheirFirstArgument) {
  Function none{};
  Value a[3] = {};
  a[0] = Value{VECTOR, {1, 2, 3}};
  a[1] = Value{VECTOR, {4, 5, 6}};
  a[2] = Value{VECTOR, {7, 8, 9}};
  F_TensorV(&none, a, &a[0]);
  EXPECT_EQ(a[0].Type, TENSOR);
  for (int i = 0; i < 9; i++) EXPECT_EQ(a[0].Val[i], i + 1);
  Value s{VECTOR, {0, 3, 0}};
  F_Cart2Cyl(&none, &s, &s);
  EXPECT_NEAR(s.Val[0], 0, 1e-16);
  EXPECT_NEAR(s.Val[1], 1, 1e-16);
  EXPECT_EQ(s.Val[8], 1);
}

}  // namespace

namespace {

TEST_F(LangFunctions, EveryBuiltinNamesItselfForABadArgument) {
  std::vector<std::pair<std::string, std::string>> cases;
  for (const char *f : {"Exp", "Log", "Log10", "Sqrt", "Sin", "Asin", "Cos", "Acos", "Tan", "Atan",
                        "Sinh", "Cosh", "Tanh", "Fabs", "Floor", "Ceil"})
    cases.push_back({std::string(f) + "[UnitVectorX[]]",
                     std::string("Non scalar argument for function '") + f + "'"});
  for (const char *f : {"Atan2", "Pow", "Fmod", "Hypot"})
    cases.push_back({std::string(f) + "[1, UnitVectorX[]]",
                     std::string("Non scalar argument(s) for function '") + f + "'"});
  for (const char *f : {"CompXX", "CompXY", "CompXZ", "CompYX", "CompYY", "CompYZ", "CompZX",
                        "CompZY", "CompZZ"})
    cases.push_back({std::string(f) + "[UnitVectorX[]]",
                     std::string("Non tensor argument for function '") + f + "'"});
  for (const char *f : {"CompX", "CompY", "CompZ"})
    cases.push_back({std::string(f) + "[1]", std::string("Non vector argument for function '") + f + "'"});
  cases.push_back({"Vector[1, 2, UnitVectorX[]]", "Non scalar argument(s) for function 'Vector'"});
  cases.push_back({"Tensor[1, 2, 3, 4, 5, 6, 7, 8, UnitVectorX[]]",
                   "Non scalar argument(s) for function 'Tensor'"});
  cases.push_back({"TensorSym[1, 2, 3, 4, 5, UnitVectorX[]]",
                   "Non scalar argument(s) for function 'TensorSym'"});
  cases.push_back({"TensorDiag[UnitVectorX[], 2, 3]", "Non scalar argument(s) for function 'TensorDiag'"});
  cases.push_back({"TensorV[UnitVectorX[], UnitVectorY[], 3]",
                   "Non scalar argument(s) for function 'TensorV'"});
  cases.push_back({"Transpose[UnitVectorX[]]",
                   "Wrong type of argument for function 'Transpose'Wrong argument in 'Cal_TransposeValue'"});
  cases.push_back({"Cart2Sph[2]", "Vector argument required for Function 'Cart2Sph'"});
  for (auto &c : cases) {
    SCOPED_TRACE(c.first);
    ASSERT_EQ(parse("Function { f[] = " + c.first + "; }").out, "");
    Value v{};
    EXPECT_EQ(langtest::evaluatePrinting("f", &v), c.second);
  }
}

}  // namespace
