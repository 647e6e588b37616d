// Value arithmetic of the input language: results checked against the
// mathematics of scalars, vectors and 3x3 tensors, and the refusals with
// their exact messages.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "NameTables.h"
#include "Value.h"
#include "lang_helpers.h"

namespace {

using langtest::captured;

Value make(int type, std::vector<double> c) {
  Value v{};
  v.Type = type;
  for (std::size_t i = 0; i < c.size(); i++) v.Val[i] = c[i];
  return v;
}

Value scalar(double d) { return make(SCALAR, {d}); }

// Full 3x3 matrix of a tensor of any kind, row by row.
std::vector<double> full(const Value &v) {
  std::vector<double> m(9, 0.0);
  if (v.Type == TENSOR)
    for (int p = 0; p < 9; p++) m[p] = v.Val[p];
  if (v.Type == TENSOR_SYM) {
    const double *s = v.Val;
    m = {s[0], s[1], s[2], s[1], s[3], s[4], s[2], s[4], s[5]};
  }
  if (v.Type == TENSOR_DIAG) m = {v.Val[0], 0, 0, 0, v.Val[1], 0, 0, 0, v.Val[2]};
  return m;
}

std::vector<double> matmul(const std::vector<double> &a, const std::vector<double> &b) {
  std::vector<double> r(9, 0.0);
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++)
      for (int k = 0; k < 3; k++) r[3 * i + j] += a[3 * i + k] * b[3 * k + j];
  return r;
}

void expectComponents(const Value &v, int type, std::vector<double> c, double tol = 1e-14) {
  ASSERT_EQ(v.Type, type);
  for (std::size_t i = 0; i < c.size(); i++) EXPECT_NEAR(v.Val[i], c[i], tol) << "component " << i;
}

using Binary = void (*)(Value *, Value *, Value *);

struct BinaryCase {
  const char *what;
  Binary op;
  Value a, b;
  int type;
  std::vector<double> expected;
};

TEST(LangValue, BinaryOperatorsFollowTheAlgebraOfTheirOperands) {
  Value T = make(TENSOR, {1, 2, 3, 4, 5, 6, 7, 8, 10});
  Value S = make(TENSOR_SYM, {1, 2, 3, 4, 5, 6});
  Value D = make(TENSOR_DIAG, {1, 2, 4});
  Value u = make(VECTOR, {1, 2, 3}), w = make(VECTOR, {4, 5, 6});
  std::vector<BinaryCase> cases = {
      {"scalar sum", Cal_AddValue, scalar(2), scalar(3), SCALAR, {5}},
      {"2 - 3 keeps the left operand first", Cal_SubstractValue, scalar(2), scalar(3), SCALAR, {-1}},
      {"vector sum", Cal_AddValue, u, w, VECTOR, {5, 7, 9}},
      {"tensor plus diagonal adds the diagonal only", Cal_AddValue, T, D, TENSOR,
       {2, 2, 3, 4, 7, 6, 7, 8, 14}},
      {"diagonal plus symmetric is symmetric", Cal_AddValue, D, S, TENSOR_SYM, {2, 2, 3, 6, 5, 10}},
      {"symmetric minus tensor is a tensor", Cal_SubstractValue, S, T, TENSOR,
       {0, 0, 0, 2 - 4, 4 - 5, 5 - 6, 3 - 7, 5 - 8, 6 - 10}},
      {"dot product", Cal_ProductValue, u, w, SCALAR, {32}},
      {"scalar times tensor", Cal_ProductValue, scalar(2), S, TENSOR_SYM, {2, 4, 6, 8, 10, 12}},
      {"vector times diagonal", Cal_ProductValue, u, D, VECTOR, {1, 4, 12}},
      {"tensor times vector", Cal_ProductValue, T, u, VECTOR, {14, 32, 53}},
      {"symmetric times vector", Cal_ProductValue, S, u, VECTOR, {14, 25, 31}},
      {"symmetric times symmetric", Cal_ProductValue, S, S, TENSOR, matmul(full(S), full(S))},
      {"tensor times tensor", Cal_ProductValue, T, T, TENSOR, matmul(full(T), full(T))},
      {"diagonal times diagonal", Cal_ProductValue, D, D, TENSOR_DIAG, {1, 4, 16}},
      {"vector over scalar", Cal_DivideValue, u, scalar(2), VECTOR, {0.5, 1, 1.5}},
      {"2 over a diagonal tensor", Cal_DivideValue, scalar(2), D, TENSOR_DIAG, {2, 1, 0.5}},
      {"7 % 3", Cal_ModuloValue, scalar(7), scalar(3), SCALAR, {1}},
      {"-7 % 3 has the dividend's sign", Cal_ModuloValue, scalar(-7), scalar(3), SCALAR, {-1}},
      {"7.9 % 2.5 truncates both", Cal_ModuloValue, scalar(7.9), scalar(2.5), SCALAR, {1}},
      {"vector % scalar", Cal_ModuloValue, make(VECTOR, {7, 8, 9}), scalar(4), VECTOR, {3, 0, 1}},
      {"2 ^ 2", Cal_PowerValue, scalar(2), scalar(2), SCALAR, {4}},
      {"2 ^ 0.5", Cal_PowerValue, scalar(2), scalar(0.5), SCALAR, {std::sqrt(2.0)}},
      {"cross product", Cal_CrossProductValue, u, w, VECTOR, {-3, 6, -3}},
      {"1 ~= 1 + 1e-11", Cal_ApproxEqualValue, scalar(1), scalar(1.00000000001), SCALAR, {1}},
      {"1 ~= 1.001", Cal_ApproxEqualValue, scalar(1), scalar(1.001), SCALAR, {0}},
      {"vectors equal", Cal_EqualValue, u, u, SCALAR, {1}},
      {"vectors not different", Cal_NotEqualValue, u, u, SCALAR, {0}},
      {"less", Cal_LessValue, scalar(1), scalar(2), SCALAR, {1}},
      {"greater or equal", Cal_GreaterOrEqualValue, scalar(2), scalar(2), SCALAR, {1}},
      {"NaN makes order tests false", Cal_LessOrEqualValue, scalar(NAN), scalar(2), SCALAR, {0}},
      {"NaN is true under and", Cal_AndValue, scalar(NAN), scalar(1), SCALAR, {1}},
      {"or", Cal_OrValue, scalar(0), scalar(0), SCALAR, {0}},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.what);
    Value a = c.a, b = c.b;
    std::string out = captured([&] { c.op(&a, &b, &a); });  // result over the first operand
    EXPECT_EQ(out, "");
    expectComponents(a, c.type, c.expected);
  }
}

TEST(LangValue, InverseTimesTensorIsIdentityAndDeterminantExpands) {
  Value S = make(TENSOR_SYM, {4, 1, 2, 5, 3, 6});
  Value one = scalar(1);
  Value inv{};
  Cal_DivideValue(&one, &S, &inv);
  ASSERT_EQ(inv.Type, TENSOR);  // the inverse of a symmetric tensor is a full tensor
  std::vector<double> m(inv.Val, inv.Val + 9);
  std::vector<double> id = matmul(full(S), m);
  for (int p = 0; p < 9; p++) EXPECT_NEAR(id[p], p % 4 == 0 ? 1.0 : 0.0, 1e-14);

  Value T = make(TENSOR, {2, 0, 1, 1, 3, 2, 1, 1, 2});
  Value det{};
  Cal_DetValue(&T, &det);
  expectComponents(det, SCALAR, {2 * (6 - 2) - 0 * (2 - 2) + 1 * (1 - 3)});
  Value Tinv{};
  Cal_InvertValue(&T, &Tinv);
  id = matmul(std::vector<double>(Tinv.Val, Tinv.Val + 9), full(T));
  for (int p = 0; p < 9; p++) EXPECT_NEAR(id[p], p % 4 == 0 ? 1.0 : 0.0, 1e-14);
}

TEST(LangValue, UnaryOperationsTransposeAndTrace) {
  Value v = make(VECTOR, {1, -2, 3});
  Cal_NegValue(&v);
  expectComponents(v, VECTOR, {-1, 2, -3});
  struct {
    double in, out;
  } nots[] = {{0, 1}, {5, 0}, {NAN, 0}};
  for (auto c : nots) {
    Value s = scalar(c.in);
    Cal_NotValue(&s);
    expectComponents(s, SCALAR, {c.out});
  }
  Value T = make(TENSOR, {1, 2, 3, 4, 5, 6, 7, 8, 9});
  Cal_TransposeValue(&T, &T);
  expectComponents(T, TENSOR, {1, 4, 7, 2, 5, 8, 3, 6, 9});
  Value S = make(TENSOR_SYM, {1, 2, 3, 4, 5, 6}), r{};
  Cal_TransposeValue(&S, &r);
  expectComponents(r, TENSOR_SYM, {1, 2, 3, 4, 5, 6});
  Value D = make(TENSOR_DIAG, {1, 2, 3});
  Cal_TraceValue(&D, &r);
  expectComponents(r, SCALAR, {6});
  Cal_TraceValue(&S, &r);
  expectComponents(r, SCALAR, {1 + 4 + 6});
}

TEST(LangValue, DivisionByZeroScalarIsSilentButInverseReports) {
  Value one = scalar(1), zero = scalar(0), r{};
  EXPECT_EQ(captured([&] { Cal_DivideValue(&one, &zero, &r); }), "");
  EXPECT_TRUE(std::isinf(r.Val[0]));
  EXPECT_EQ(captured([&] { Cal_InvertValue(&zero, &r); }), "Division by zero in 'Cal_InvertValue'");
  EXPECT_TRUE(std::isinf(r.Val[0]));
  Value singular = make(TENSOR_DIAG, {1, 0, 2});
  EXPECT_EQ(captured([&] { Cal_InvertValue(&singular, &r); }),
            "Null determinant in 'Cal_InvertValue'");
}

struct Refusal {
  Binary op;
  Value a, b;
  const char *message;
};

TEST(LangValue, RefusedOperandsPrintTheirMessageAndLeaveTheResult) {
  // Type names come from a table of limiter names, so every type prints "?".
  Value s = scalar(1), v = make(VECTOR, {1, 2, 3}), d = make(TENSOR_DIAG, {1, 2, 3});
  Value T = make(TENSOR, {1, 0, 0, 0, 1, 0, 0, 0, 1}), S = make(TENSOR_SYM, {1, 0, 0, 1, 0, 1});
  std::vector<Refusal> cases = {
      {Cal_AddValue, s, v, "Addition of different quantities: ? + ?"},
      {Cal_AddValue, v, d, "Addition of different quantities: ? + ?"},
      {Cal_SubstractValue, v, s, "Substraction of different quantities: ? - ?"},
      {Cal_ProductValue, v, T, "Product of non adapted quantities: ? * ?"},
      {Cal_ProductValue, T, S, "Product of non adapted quantities: ? * ?"},
      {Cal_ProductValue, S, d, "Product of non adapted quantities: ? * ?"},
      {Cal_DivideValue, v, v, "Division of non adapted quantities: ? / ?"},
      {Cal_ModuloValue, s, v, "Modulo of non adapted quantities: ? % ?"},
      {Cal_CrossProductValue, v, s, "Cross product of non vector quantities: ? /\\ ?"},
      {Cal_PowerValue, v, s, "Power of non scalar quantities: ? ^ ?"},
      {Cal_LessValue, v, s, "Comparison of non scalar quantities: ? < ?"},
      {Cal_GreaterValue, v, s, "Comparison of non scalar quantities: ? > ?"},
      {Cal_LessOrEqualValue, v, s, "Comparison of non scalar quantities: ? <= ?"},
      {Cal_GreaterOrEqualValue, v, s, "Comparison of non scalar quantities: ? >= ?"},
      {Cal_ApproxEqualValue, v, s, "Comparison of non scalar quantities: ? ~= ?"},
      {Cal_EqualValue, v, d, "Comparison of different quantities: ? == ?"},
      {Cal_NotEqualValue, s, v, "Comparison of different quantities: ? != ?"},
      {Cal_AndValue, v, s, "And of non scalar quantities: ? && ?"},
      {Cal_OrValue, s, v, "Or of non scalar quantities: ? || ?"},
      // The integer remainder by zero is refused.
      {Cal_ModuloValue, scalar(5), scalar(0.5), "Division by zero in 'Cal_ModuloValue'"},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.message);
    Value a = c.a, b = c.b, before = c.a;
    EXPECT_EQ(captured([&] { c.op(&a, &b, &a); }), c.message);
    EXPECT_EQ(a.Type, before.Type);
    for (int i = 0; i < 9; i++) EXPECT_EQ(a.Val[i], before.Val[i]);
  }
  Value bad = make(99, {1});
  EXPECT_EQ(captured([&] { Cal_NegValue(&bad); }), "Wrong argument type for Operator (-)");
  EXPECT_EQ(captured([&] { Cal_NotValue(&v); }), "Negation of non scalar quantity: ! ?");
  EXPECT_EQ(captured([&] { Cal_TransposeValue(&v, &bad); }), "Wrong argument in 'Cal_TransposeValue'");
  EXPECT_EQ(captured([&] { Cal_TraceValue(&v, &bad); }), "Wrong argument type in 'Cal_TraceValue'");
  EXPECT_EQ(captured([&] { Cal_DetValue(&v, &bad); }), "Wrong argument type in 'Cal_DetValue'");
  EXPECT_EQ(captured([&] { Cal_InvertValue(&v, &bad); }), "Wrong type of argument in 'Cal_InvertValue'");
}

TEST(LangValue, PrintingWritesEachTypeInBrackets) {
  struct {
    Value v;
    const char *text;
  } cases[] = {
      {scalar(6), "6 "},
      {make(VECTOR, {1, 2.5, -3}), "[1 2.5 -3] "},
      {make(TENSOR_DIAG, {1, 2, 3}), "[[1 0 0][0 2 0][0 0 3]] "},
      {make(TENSOR_SYM, {1, 2, 3, 4, 5, 6}), "[[1 2 3][2 4 5][3 5 6]] "},
      {make(TENSOR, {1, 2, 3, 4, 5, 6, 7, 8, 9}), "[[1 2 3][4 5 6][7 8 9]] "},
      {make(7, {1}), "Unknown type of argument in function 'Printf' "},
  };
  PrintStream = stdout;
  for (auto &c : cases) EXPECT_EQ(captured([&] { Print_Value(&c.v); }), c.text);
}

TEST(LangNameTables, LookUpsInBothDirections) {
  EXPECT_STREQ(Get_StringForDefine(Field_Type, 2), "MomentLimiter");
  for (int type = SCALAR; type <= TENSOR_DIAG; type++)
    EXPECT_STREQ(Get_StringForDefine(Field_Type, type), "?");
  int flag = -1;
  EXPECT_EQ(Get_DefineForString(Field_Type, "PhysicalLimiter", &flag), 3);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(Get_DefineForString(Field_Type, "physicallimiter", &flag), 0);
  EXPECT_EQ(flag, 1);

  BuiltinRoutine routine = nullptr;
  int parameters = -1, arguments = -1;
  Get_Function2NbrForString(F_Function, "Sqrt", &flag, &routine, &parameters, &arguments);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(routine, F_Function[3].function);  // the first "Sqrt" row
  EXPECT_EQ(parameters, 0);
  EXPECT_EQ(arguments, 1);
  Get_Function2NbrForString(F_Function, "sqrt", &flag, &routine, &parameters, &arguments);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(routine, nullptr);
  EXPECT_STREQ(Get_StringForFunction2Nbr(F_Function, F_Function[22].function), "TTrace");
  int rows = 0;
  while (F_Function[rows].string) rows++;
  EXPECT_EQ(rows, 55);

  void *field = nullptr;
  Get_PointerForString(Get_CurrentValueTable(), "Velocity", &flag, &field);
  EXPECT_EQ(field, &langtest::params().state.VX);
  Get_PointerForString(Get_CurrentValueTable(), "DTime", &flag, &field);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(field, nullptr);
}

}  // namespace

namespace {

TEST(LangValue, HelperFamilyRotationsScalingAndComplexNumbers) {
  // Rotation by 90 degrees about z: m a for a vector, m^T A m for a tensor.
  Value m = make(TENSOR, {0, -1, 0, 1, 0, 0, 0, 0, 1});
  Value a = make(VECTOR, {1, 2, 3}), r{};
  Cal_RotateValue(&m, &a, &r);
  expectComponents(r, VECTOR, {-2, 1, 3});
  Value d = make(TENSOR_DIAG, {1, 2, 3});
  Cal_RotateValue(&m, &d, &r);
  expectComponents(r, TENSOR, {2, 0, 0, 0, 1, 0, 0, 0, 3});  // the x and y axes swap

  Value s = make(TENSOR_SYM, {1, 2, 3, 4, 5, 6}), t{};
  Cal_MultValue(&s, -2, &t);
  expectComponents(t, TENSOR_SYM, {-2, -4, -6, -8, -10, -12});
  Value u = make(VECTOR, {1, 1, 1}), w = make(VECTOR, {1, 2, 3});
  Cal_AddMultValue(&u, &w, 0.5, &r);
  expectComponents(r, VECTOR, {1.5, 2, 2.5});
  Cal_AddMultValue2(&u, 2, &w, -1);
  expectComponents(u, VECTOR, {1, 0, -1});

  // (1 + 2i)(3 - i) = 5 + 5i, and dividing back gives 3 - i.
  double p[18] = {}, q[18] = {}, prod[18] = {}, back[18] = {}, inv[18] = {};
  p[0] = 1, p[9] = 2, q[0] = 3, q[9] = -1;
  Cal_ComplexProduct(p, q, prod);
  EXPECT_EQ(prod[0], 5);
  EXPECT_EQ(prod[9], 5);
  Cal_ComplexDivision(prod, p, back);
  EXPECT_NEAR(back[0], 3, 1e-15);
  EXPECT_NEAR(back[9], -1, 1e-15);
  Cal_ComplexInvert(p, inv);  // 1 / (1 + 2i) = (1 - 2i) / 5
  EXPECT_NEAR(inv[0], 0.2, 1e-15);
  EXPECT_NEAR(inv[9], -0.4, 1e-15);

  double values[3] = {0, 0, 2};
  EXPECT_EQ(NonZeroHar(3, values), 1);
  EXPECT_EQ(NonZeroHar(2, values), 0);
  Value bad = make(3, {1});
  EXPECT_EQ(captured([&] { Cal_MultValue(&bad, 2, &r); }), "Wrong argument type for 'Cal_MultValue'");
}

}  // namespace
