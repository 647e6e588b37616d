// Statements of the input language: constants, constant expressions, lists,
// texts, current values, and the reports of syntax and statement errors.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "Lexer.h"
#include "lang_helpers.h"

namespace {

using langtest::number;
using langtest::params;
using langtest::parse;

std::vector<double> numbers(const char *name) {
  Constant c{};
  EXPECT_TRUE(Get_Constant(name, &c)) << name;
  EXPECT_EQ(c.Type, CONSTANT_LIST) << name;
  std::vector<double> v;
  for (int i = 0; i < List_Nbr(c.Value.Numbers); i++) {
    double d;
    List_Read(c.Value.Numbers, i, &d);
    v.push_back(d);
  }
  return v;
}

TEST(LangStatements, ConstantExpressionsFollowPrecedenceAndMathematics) {
  struct {
    const char *expression;
    double value;
  } cases[] = {
      {"2^3^2", 512},  // right-associative
      {"-2^2", -4},    // ^ binds tighter than prefix minus
      {"2^-1", 0.5},
      {"-2*3", -6},
      {"2 - 3 - 4", -5},
      {"7 % 2.9", 1},
      {"-7 % 3", -1},
      {"1 ? 2 : 3 ? 4 : 5", 2},
      {"0 ? 2 : 0 ? 4 : 5", 5},
      {"1 + 2 * 3 < 7 == 0", 1},
      {"1 == 1 == 2", 0},
      {"1 && 0 || 1", 1},
      {"!0 + !3", 1},
      {"Pi", M_PI},
      {"0D + 1D + 2D + 3D", 6},
      {"Sqrt[16] + Exp[0] + Log[1] + Log10[100]", 7},
      {"Sin[Pi/2] * Cos[0] + Tan[0] + ASin[1] - ACos[0] + Atan[1]", 1 + M_PI / 4},
      {"Sinh[0] + Cosh[0] + Tanh[0] + Fabs[-2] + Floor[2.7] + Ceil[2.1]", 1 + 2 + 2 + 3},
      {"Atan2[1, 0] + Pow[2, 10] + Fmod[7.5, 2] + Modulo[-7.5, 2] + Hypot[3, 4]",
       M_PI / 2 + 1024 + 1.5 - 1.5 + 5},
      {"(1 + 2) * 3", 9},
      {"1.5e1 / .5", 30},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.expression);
    auto r = parse(std::string("x = ") + c.expression + ";");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_NEAR(number("x"), c.value, 1e-12);
  }
}

TEST(LangStatements, ValuesListsAndGenerators) {
  auto r = parse(
      "a = 5; b = {5}; c = 5:5; d = {1,2}; e = ; f = 5:3; g = 1:2:0.3; h = 5:1:-2;\n"
      "i = {1:3, 7, 9:8}; j = List[d]; k = ListAlt[d, d]; l = d{}; m = a{}; n = {d{}, 4};\n"
      "o = 0.5:2; p = {10, 20, 30}; q = p{0, 2, 5};");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(number("a"), 5);
  EXPECT_EQ(number("b"), 5);
  EXPECT_EQ(number("c"), 5);
  EXPECT_EQ(numbers("d"), (std::vector<double>{1, 2}));
  Constant e{};
  ASSERT_TRUE(Get_Constant("e", &e));
  EXPECT_EQ(e.Type, CONSTANT_LIST);
  EXPECT_EQ(e.Value.Numbers, nullptr);
  EXPECT_EQ(numbers("f"), (std::vector<double>{5, 4, 3}));
  std::vector<double> g = numbers("g");
  ASSERT_EQ(g.size(), 4u);
  for (int i = 0; i < 4; i++) EXPECT_NEAR(g[i], 1 + 0.3 * i, 1e-12);
  EXPECT_EQ(numbers("h"), (std::vector<double>{5, 3, 1}));
  EXPECT_EQ(numbers("i"), (std::vector<double>{1, 2, 3, 7, 9, 8}));
  EXPECT_EQ(numbers("j"), (std::vector<double>{1, 2}));
  EXPECT_EQ(numbers("k"), (std::vector<double>{1, 1, 2, 2}));
  EXPECT_EQ(numbers("l"), (std::vector<double>{1, 2}));
  EXPECT_EQ(number("m"), 5);
  EXPECT_EQ(numbers("n"), (std::vector<double>{1, 2, 4}));
  EXPECT_EQ(numbers("o"), (std::vector<double>{0.5, 1.5}));
  // name{selectors}: the constant's numbers at the selected positions, 0 outside.
  EXPECT_EQ(numbers("q"), (std::vector<double>{10, 30, 0}));
  r = parse("a = 1; b = a{0}; c = zz{0};");
  EXPECT_EQ(r.out,
            "Error ('test.par' line 0): Multi value Constant needed: a\n"
            "Error ('test.par' line 0): Unknown Constant: zz\n");
}

TEST(LangStatements, TextsRedefinitionAndDefineVariable) {
  auto r = parse(
      "t = \"cyl\"; v = 3; v = \"now a text\"; a = 7;\n"
      "DefineVariable[a, b = 2, c = \"c\" d];");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  Constant c{};
  ASSERT_TRUE(Get_Constant("v", &c));
  EXPECT_EQ(c.Type, CONSTANT_TEXT);
  EXPECT_STREQ(c.Value.Text, "now a text");
  EXPECT_EQ(number("a"), 7);  // an existing constant keeps its value
  EXPECT_EQ(number("b"), 2);
  EXPECT_EQ(number("d"), 0);
  ASSERT_TRUE(Get_Constant("c", &c));
  EXPECT_STREQ(c.Value.Text, "c");
  // "Include" ends the reading of the file with success.
  r = parse("t = \"cyl\";\nInclude StrCat[t, \".par\"]\nafter = 1;");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(yyincludename, "cyl.par");
  EXPECT_FALSE(Get_Constant("after", &c));
}

TEST(LangStatements, CurrentValuesAreStoredIntoTheRunParameters) {
  DGParameters saved = params();
  auto r = parse("$Time = 2.5; $Iteration = 7.9; $Velocity = -1; $DTime = 3;");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(params().state.t, 2.5);
  EXPECT_EQ(params().state.iter, 7);
  EXPECT_EQ(params().state.VX, -1);
  EXPECT_EQ(r.out, "Error ('test.par' line 0): Unknown current value: $DTime\n");
  params() = saved;
}

TEST(LangStatements, StatementErrorsAreReportedAndTheParseGoesOn) {
  struct {
    const char *input;
    const char *out;
  } cases[] = {
      {"y = x + 1;", "Error ('test.par' line 0): Unknown Constant: x\n"},
      {"l = {1,2};\ny = l;", "Error ('test.par' line 1): Single value Constant needed: l\n"},
      {"a = 1:3:0;", "Error ('test.par' line 0): Wrong increment in '1 : 3 : 0'\n"},
      {"a = 3:1:1;", "Error ('test.par' line 0): Wrong increment in '3 : 1 : 1'\n"},
      {"a = 1; b = List[a];", "Error ('test.par' line 0): Multi value Constant needed: a\n"},
      {"b = List[zz];", "Error ('test.par' line 0): Unknown Constant: zz\n"},
      {"a = {1,2}; c = {1,2,3}; b = ListAlt[a, c];",
       "Error ('test.par' line 0): Different dimensions of Multi value Constants: a {2}, c {3}\n"},
      {"a = 5 % 0;", "Error ('test.par' line 0): Modulo by zero: 5 % 0\n"},
      {"x = 3 #;", "Value (line 0) --> 3"},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.input);
    auto r = parse(std::string(c.input) + "\nlast = 1;");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(number("last"), 1);  // read after the report
  }
  auto r = parse("a = 2; Include StrCat[a, \"x\"]");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Error ('test.par' line 0): String Constant needed: a\n");
  r = parse("y = x + 1;");
  EXPECT_EQ(number("y"), 1);  // the unknown constant counts as 0
  r = parse("a = 1:3:0;");
  EXPECT_EQ(number("a"), 1);
  r = parse("x = 3 #;");
  EXPECT_EQ(number("x"), 3);
}

TEST(LangStatements, SyntaxErrorsStopTheParseAtTheOffendingToken) {
  struct {
    const char *input;
    const char *out;
  } cases[] = {
      {"x = 1 , 2;\ny = 2;", "Error ('test.par' line 0): parse error on ','"},
      {"x = 1;\n\n;", "Error ('test.par' line 2): parse error on ';'"},
      {"x = 1;\ny = ;\nz = 1 <<2;", "Error ('test.par' line 2): parse error on '<<'"},
      {"x = (1 + 2;", "Error ('test.par' line 0): parse error on ';'"},
      {"x = 1", "Error ('test.par' line 0): parse error on ''"},
      {"x = 1;\ny = 2 \xE9 3;", "Error ('test.par' line 1): parse error on '\xE9'"},
      {"DefineFunction[f];", "Error ('test.par' line 0): parse error on 'DefineFunction'"},
      {"x = 'a';", "Error ('test.par' line 0): parse error on '''"},
      {"x = 1 | 2;", "Error ('test.par' line 0): parse error on '|'"},
      {"x = Exp;", "Error ('test.par' line 0): parse error on ';'"},
      {"x = 1 ~= 2;", "Error ('test.par' line 0): parse error on '~='"},
      {"x = +1;", "Error ('test.par' line 0): parse error on '+'"},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.input);
    auto r = parse(c.input);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, c.out);
  }
  auto r = parse("x = 1;\ny = 2 , 3;\nz = 3;");
  EXPECT_EQ(number("x"), 1);  // done before the error
  Constant c{};
  EXPECT_FALSE(Get_Constant("z", &c));  // never read
}

TEST(LangStatements, AnEmptyFileDefinesNothing) {
  auto r = parse("  // only a comment\n/* and a block */");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(List_Nbr(ConstantTable_L), 0);
}

TEST(LangStatements, DeepNestingStopsCleanly) {
  std::string deep = "x = " + std::string(5000, '(') + "1" + std::string(5000, ')') + ";";
  auto r = parse(deep);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out.rfind("Error ('test.par' line 0): parser stack overflow on", 0), 0u);
}

TEST(LangStatements, TenThousandLineFile) {
  std::string text;
  char line[128];
  for (int i = 0; i < 10000; i++) {
    if (i % 4 == 3)
      std::snprintf(line, sizeof line, "Function { f%d[] = $X * %d + c%d; }\n", i, i, i - 1);
    else
      std::snprintf(line, sizeof line, "c%d = %d * 2 + 1;\n", i, i);
    text += line;
  }
  auto r = parse(text);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(number("c9998"), 9998 * 2 + 1);
  EXPECT_EQ(number("c0"), 1);
  DGParameters saved = params();
  params().state.X = 0.5;
  Value v = langtest::evaluate("f9999");
  EXPECT_EQ(v.Val[0], 0.5 * 9999 + (9998 * 2 + 1));
  params() = saved;
}

}  // namespace

namespace {

TEST(LangStatements, ConstantsPrintInTheLanguageItself) {
  parse("b = {1, 2.5}; a = 3; c = \"text\";");
  std::string out = langtest::captured(Print_Constant);
  EXPECT_EQ(out, "a = 3;\nb = {1,2.5};\nc = \"text\";\n");  // sorted by name
  // What is printed reads back to the same constants.
  auto r = parse(out);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(number("a"), 3);
  EXPECT_EQ(numbers("b"), (std::vector<double>{1, 2.5}));
}

}  // namespace
