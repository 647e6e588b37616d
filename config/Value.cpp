#include "Value.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "NameTables.h"

const int TENSOR_SYM_MAP[9] = {0, 1, 2, 1, 3, 4, 2, 4, 5};
const int TENSOR_DIAG_MAP[9] = {0, -1, -1, -1, 1, -1, -1, -1, 2};
const Value VALUE_ZERO = {0, {0}};
FILE *PrintStream = nullptr;

namespace {

const char *typeName(const Value *v) { return Get_StringForDefine(Field_Type, v->Type); }

bool isTensor(int t) { return t == TENSOR || t == TENSOR_SYM || t == TENSOR_DIAG; }

// Entry at full position p (row by row) of a tensor of any kind.
double fullEntry(const Value *v, int p) {
  switch (v->Type) {
    case TENSOR:
      return v->Val[p];
    case TENSOR_SYM:
      return v->Val[TENSOR_SYM_MAP[p]];
    case TENSOR_DIAG:
      return TENSOR_DIAG_MAP[p] < 0 ? 0.0 : v->Val[TENSOR_DIAG_MAP[p]];
    default:
      return 0.0;
  }
}

void fullMatrix(const Value *v, double m[9]) {
  for (int p = 0; p < 9; p++) m[p] = fullEntry(v, p);
}

int storagePosition(int type, int p) {
  if (type == TENSOR) return p;
  if (type == TENSOR_SYM) return TENSOR_SYM_MAP[p];
  return TENSOR_DIAG_MAP[p];
}

int fullness(int type) { return type == TENSOR ? 3 : type == TENSOR_SYM ? 2 : 1; }

void setScalar(Value *r, double v) {
  r->Type = SCALAR;
  r->Val[0] = v;
}

// Addition (sign +1) or subtraction (sign -1); false when the pair is refused.
bool addOrSubtract(Value *a, Value *b, Value *result, double sign) {
  int ta = a->Type, tb = b->Type;
  int n = Value_NbrComponents(ta);
  if (ta == tb && n > 0) {
    for (int i = 0; i < n; i++) result->Val[i] = a->Val[i] + sign * b->Val[i];
    result->Type = ta;
    return true;
  }
  if (isTensor(ta) && isTensor(tb)) {
    int type = fullness(ta) >= fullness(tb) ? ta : tb;
    double tmp[9];
    for (int p = 0; p < 9; p++) {
      int pos = storagePosition(type, p);
      if (pos >= 0) tmp[pos] = fullEntry(a, p) + sign * fullEntry(b, p);
    }
    int m = Value_NbrComponents(type);
    std::memcpy(result->Val, tmp, m * sizeof(double));
    result->Type = type;
    return true;
  }
  return false;
}

void matrixProduct(const double a[9], const double b[9], double r[9]) {
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++)
      r[3 * i + j] = a[3 * i] * b[j] + a[3 * i + 1] * b[3 + j] + a[3 * i + 2] * b[6 + j];
}

double determinant(const double m[9]) {
  return m[0] * (m[4] * m[8] - m[7] * m[5]) - m[1] * (m[3] * m[8] - m[6] * m[5]) +
         m[2] * (m[3] * m[7] - m[6] * m[4]);
}

// Order comparison of two scalars; false when refused.
template <class Test>
void compareScalars(Value *a, Value *b, Value *result, const char *op, Test test) {
  if (a->Type == SCALAR && b->Type == SCALAR) {
    setScalar(result, test(a->Val[0], b->Val[0]) ? 1.0 : 0.0);
  } else {
    std::printf("Comparison of non scalar quantities: %s %s %s", typeName(a), op, typeName(b));
  }
}

// Equality of two values of the same type; -1 when refused, else 1 or 0.
int allEqual(const Value *a, const Value *b) {
  if (a->Type != b->Type) return -1;
  int n = Value_NbrComponents(a->Type);
  if (n == 0) return -1;
  for (int i = 0; i < n; i++)
    if (!(a->Val[i] == b->Val[i])) return 0;
  return 1;
}

void printNumber(FILE *out, double d) { std::fprintf(out, "%g", d); }

}  // namespace

int Value_NbrComponents(int type) {
  switch (type) {
    case SCALAR:
      return 1;
    case VECTOR:
      return 3;
    case TENSOR:
      return 9;
    case TENSOR_SYM:
      return 6;
    case TENSOR_DIAG:
      return 3;
    default:
      return 0;
  }
}

int Value_TruncToInt(double d) {
  if (std::isnan(d)) return 0;
  if (d >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (d <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(d);
}

void Cal_CopyValue(const Value *from, Value *to) {
  int n = Value_NbrComponents(from->Type);
  if (n == 0) return;
  to->Type = from->Type;
  if (from != to) std::memmove(to->Val, from->Val, n * sizeof(double));
}

void Cal_AddValue(Value *a, Value *b, Value *result) {
  if (!addOrSubtract(a, b, result, 1.0))
    std::printf("Addition of different quantities: %s + %s", typeName(a), typeName(b));
}

void Cal_SubstractValue(Value *a, Value *b, Value *result) {
  if (!addOrSubtract(a, b, result, -1.0))
    std::printf("Substraction of different quantities: %s - %s", typeName(a), typeName(b));
}

void Cal_ProductValue(Value *a, Value *b, Value *result) {
  int ta = a->Type, tb = b->Type;
  double r[9];
  int type = 0, n = 0;
  if (ta == SCALAR && Value_NbrComponents(tb) > 0) {
    type = tb;
    n = Value_NbrComponents(tb);
    for (int i = 0; i < n; i++) r[i] = a->Val[0] * b->Val[i];
  } else if (tb == SCALAR && Value_NbrComponents(ta) > 0) {
    type = ta;
    n = Value_NbrComponents(ta);
    for (int i = 0; i < n; i++) r[i] = a->Val[i] * b->Val[0];
  } else if (ta == VECTOR && tb == VECTOR) {
    type = SCALAR;
    n = 1;
    r[0] = a->Val[0] * b->Val[0] + a->Val[1] * b->Val[1] + a->Val[2] * b->Val[2];
  } else if ((ta == VECTOR && tb == TENSOR_DIAG) || (ta == TENSOR_DIAG && tb == VECTOR) ||
             (ta == TENSOR_DIAG && tb == TENSOR_DIAG)) {
    type = (ta == TENSOR_DIAG && tb == TENSOR_DIAG) ? TENSOR_DIAG : VECTOR;
    n = 3;
    for (int i = 0; i < 3; i++) r[i] = a->Val[i] * b->Val[i];
  } else if ((ta == TENSOR_SYM || ta == TENSOR) && tb == VECTOR) {
    double m[9];
    fullMatrix(a, m);
    type = VECTOR;
    n = 3;
    for (int i = 0; i < 3; i++)
      r[i] = m[3 * i] * b->Val[0] + m[3 * i + 1] * b->Val[1] + m[3 * i + 2] * b->Val[2];
  } else if ((ta == TENSOR_SYM && tb == TENSOR_SYM) || (ta == TENSOR && tb == TENSOR)) {
    double ma[9], mb[9];
    fullMatrix(a, ma);
    fullMatrix(b, mb);
    matrixProduct(ma, mb, r);
    type = TENSOR;
    n = 9;
  } else {
    std::printf("Product of non adapted quantities: %s * %s", typeName(a), typeName(b));
    return;
  }
  std::memcpy(result->Val, r, n * sizeof(double));
  result->Type = type;
}

void Cal_DivideValue(Value *a, Value *b, Value *result) {
  int ta = a->Type, tb = b->Type;
  if (ta == SCALAR && tb == SCALAR) {
    setScalar(result, a->Val[0] / b->Val[0]);
  } else if (tb == SCALAR && Value_NbrComponents(ta) > 0) {
    int n = Value_NbrComponents(ta);
    double d = b->Val[0];
    for (int i = 0; i < n; i++) result->Val[i] = a->Val[i] / d;
    result->Type = ta;
  } else if (ta == SCALAR && isTensor(tb)) {
    Value inverse = VALUE_ZERO;
    // A singular diagonal tensor gives no inverse components: they stay 0.
    Cal_InvertValue(b, &inverse);
    Value scalar = *a;
    Cal_ProductValue(&scalar, &inverse, result);
  } else {
    std::printf("Division of non adapted quantities: %s / %s", typeName(a), typeName(b));
  }
}

void Cal_InvertValue(Value *a, Value *result) {
  switch (a->Type) {
    case SCALAR:
      if (a->Val[0] == 0.0) std::printf("Division by zero in 'Cal_InvertValue'");
      setScalar(result, 1.0 / a->Val[0]);
      return;
    case TENSOR:
    case TENSOR_SYM: {
      double m[9];
      fullMatrix(a, m);
      double d = determinant(m);
      if (d == 0.0) std::printf("Null determinant in 'Cal_InvertValue'");
      double r[9];
      r[0] = (m[4] * m[8] - m[5] * m[7]) / d;
      r[1] = -(m[1] * m[8] - m[7] * m[2]) / d;
      r[2] = (m[1] * m[5] - m[4] * m[2]) / d;
      r[3] = -(m[3] * m[8] - m[6] * m[5]) / d;
      r[4] = (m[0] * m[8] - m[2] * m[6]) / d;
      r[5] = -(m[0] * m[5] - m[2] * m[3]) / d;
      r[6] = (m[3] * m[7] - m[6] * m[4]) / d;
      r[7] = -(m[0] * m[7] - m[1] * m[6]) / d;
      r[8] = (m[0] * m[4] - m[3] * m[1]) / d;
      std::memcpy(result->Val, r, sizeof r);
      result->Type = TENSOR;
      return;
    }
    case TENSOR_DIAG: {
      double xx = a->Val[0], yy = a->Val[1], zz = a->Val[2];
      result->Type = TENSOR_DIAG;
      if (xx != 0.0 && yy != 0.0 && zz != 0.0) {
        result->Val[0] = 1.0 / xx;
        result->Val[1] = 1.0 / yy;
        result->Val[2] = 1.0 / zz;
      } else {
        std::printf("Null determinant in 'Cal_InvertValue'");
      }
      return;
    }
    default:
      std::printf("Wrong type of argument in 'Cal_InvertValue'");
  }
}

void Cal_DetValue(Value *a, Value *result) {
  if (a->Type == TENSOR || a->Type == TENSOR_SYM) {
    double m[9];
    fullMatrix(a, m);
    setScalar(result, determinant(m));
  } else if (a->Type == TENSOR_DIAG) {
    setScalar(result, a->Val[0] * a->Val[1] * a->Val[2]);
  } else {
    std::printf("Wrong argument type in 'Cal_DetValue'");
  }
}

void Cal_ModuloValue(Value *a, Value *b, Value *result) {
  int n;
  if (a->Type == SCALAR && b->Type == SCALAR)
    n = 1;
  else if (a->Type == VECTOR && b->Type == SCALAR)
    n = 3;
  else {
    std::printf("Modulo of non adapted quantities: %s %% %s", typeName(a), typeName(b));
    return;
  }
  int divisor = Value_TruncToInt(b->Val[0]);
  if (divisor == 0) {
    // The integer remainder by zero is refused.
    std::printf("Division by zero in 'Cal_ModuloValue'");
    return;
  }
  for (int i = 0; i < n; i++) {
    int dividend = Value_TruncToInt(a->Val[i]);
    result->Val[i] = divisor == -1 ? 0.0 : static_cast<double>(dividend % divisor);
    result->Val[9 + i] = 0.0;
  }
  result->Type = a->Type;
}

void Cal_CrossProductValue(Value *a, Value *b, Value *result) {
  if (a->Type != VECTOR || b->Type != VECTOR) {
    std::printf("Cross product of non vector quantities: %s /\\ %s", typeName(a), typeName(b));
    return;
  }
  double x = a->Val[1] * b->Val[2] - a->Val[2] * b->Val[1];
  double y = a->Val[2] * b->Val[0] - a->Val[0] * b->Val[2];
  double z = a->Val[0] * b->Val[1] - a->Val[1] * b->Val[0];
  result->Type = VECTOR;
  result->Val[0] = x;
  result->Val[1] = y;
  result->Val[2] = z;
}

void Cal_PowerValue(Value *a, Value *b, Value *result) {
  if (a->Type != SCALAR || b->Type != SCALAR) {
    std::printf("Power of non scalar quantities: %s ^ %s", typeName(a), typeName(b));
    return;
  }
  double x = a->Val[0], e = b->Val[0];
  setScalar(result, e == 2.0 ? x * x : std::pow(x, e));
}

void Cal_LessValue(Value *a, Value *b, Value *result) {
  compareScalars(a, b, result, "<", [](double x, double y) { return x < y; });
}
void Cal_GreaterValue(Value *a, Value *b, Value *result) {
  compareScalars(a, b, result, ">", [](double x, double y) { return x > y; });
}
void Cal_LessOrEqualValue(Value *a, Value *b, Value *result) {
  compareScalars(a, b, result, "<=", [](double x, double y) { return x <= y; });
}
void Cal_GreaterOrEqualValue(Value *a, Value *b, Value *result) {
  compareScalars(a, b, result, ">=", [](double x, double y) { return x >= y; });
}
void Cal_ApproxEqualValue(Value *a, Value *b, Value *result) {
  compareScalars(a, b, result, "~=", [](double x, double y) { return std::fabs(x - y) < 1e-10; });
}

void Cal_EqualValue(Value *a, Value *b, Value *result) {
  int eq = allEqual(a, b);
  if (eq < 0) {
    std::printf("Comparison of different quantities: %s == %s", typeName(a), typeName(b));
    return;
  }
  setScalar(result, eq ? 1.0 : 0.0);
}

void Cal_NotEqualValue(Value *a, Value *b, Value *result) {
  int eq = allEqual(a, b);
  if (eq < 0) {
    std::printf("Comparison of different quantities: %s != %s", typeName(a), typeName(b));
    return;
  }
  setScalar(result, eq ? 0.0 : 1.0);
}

void Cal_AndValue(Value *a, Value *b, Value *result) {
  if (a->Type != SCALAR || b->Type != SCALAR) {
    std::printf("And of non scalar quantities: %s && %s", typeName(a), typeName(b));
    return;
  }
  setScalar(result, (a->Val[0] != 0.0 && b->Val[0] != 0.0) ? 1.0 : 0.0);
}

void Cal_OrValue(Value *a, Value *b, Value *result) {
  if (a->Type != SCALAR || b->Type != SCALAR) {
    std::printf("Or of non scalar quantities: %s || %s", typeName(a), typeName(b));
    return;
  }
  setScalar(result, (a->Val[0] != 0.0 || b->Val[0] != 0.0) ? 1.0 : 0.0);
}

void Cal_NegValue(Value *v) {
  int n = Value_NbrComponents(v->Type);
  if (n == 0) {
    std::printf("Wrong argument type for Operator (-)");
    return;
  }
  for (int i = 0; i < n; i++) v->Val[i] = -v->Val[i];
}

void Cal_NotValue(Value *v) {
  if (v->Type != SCALAR) {
    std::printf("Negation of non scalar quantity: ! %s", typeName(v));
    return;
  }
  v->Val[0] = v->Val[0] == 0.0 ? 1.0 : 0.0;
}

void Cal_TransposeValue(Value *a, Value *result) {
  if (a->Type == TENSOR) {
    double m[9];
    std::memcpy(m, a->Val, sizeof m);
    for (int i = 0; i < 3; i++)
      for (int j = 0; j < 3; j++) result->Val[3 * i + j] = m[3 * j + i];
    result->Type = TENSOR;
  } else if (a->Type == TENSOR_SYM || a->Type == TENSOR_DIAG) {
    Cal_CopyValue(a, result);
  } else {
    std::printf("Wrong argument in 'Cal_TransposeValue'");
  }
}

void Cal_TraceValue(Value *a, Value *result) {
  switch (a->Type) {
    case TENSOR:
      setScalar(result, a->Val[0] + a->Val[4] + a->Val[8]);
      break;
    case TENSOR_SYM:
      setScalar(result, a->Val[0] + a->Val[3] + a->Val[5]);
      break;
    case TENSOR_DIAG:
      setScalar(result, a->Val[0] + a->Val[1] + a->Val[2]);
      break;
    default:
      std::printf("Wrong argument type in 'Cal_TraceValue'");
  }
}

void Print_Value(Value *v) {
  FILE *out = PrintStream ? PrintStream : stdout;
  switch (v->Type) {
    case SCALAR:
      printNumber(out, v->Val[0]);
      break;
    case VECTOR:
      std::fputs("[", out);
      for (int i = 0; i < 3; i++) {
        if (i) std::fputs(" ", out);
        printNumber(out, v->Val[i]);
      }
      std::fputs("]", out);
      break;
    case TENSOR:
    case TENSOR_SYM:
    case TENSOR_DIAG:
      std::fputs("[[", out);
      for (int i = 0; i < 3; i++) {
        if (i) std::fputs("][", out);
        for (int j = 0; j < 3; j++) {
          if (j) std::fputs(" ", out);
          int p = 3 * i + j;
          if (v->Type == TENSOR_DIAG && TENSOR_DIAG_MAP[p] < 0)
            std::fputs("0", out);
          else
            printNumber(out, fullEntry(v, p));
        }
      }
      std::fputs("]]", out);
      break;
    default:
      std::fflush(out);
      std::printf("Unknown type of argument in function 'Printf'");
      std::fflush(stdout);
  }
  std::fputs(" ", out);
}

// ---------------------------------------------------------------------------
// Helpers that the evaluator does not call.

void Cal_CopyValueArray(const Value *from, Value *to, int n) {
  if (n <= 0) return;
  int m = Value_NbrComponents(from[0].Type);
  if (m == 0) return;
  for (int k = 0; k < n; k++) {
    to[k].Type = from[k].Type;
    std::memmove(to[k].Val, from[k].Val, m * sizeof(double));
  }
}

void Cal_ValueArray2DoubleArray(const Value *values, double *out, int n) {
  if (n <= 0) return;
  if (values[0].Type == SCALAR) {
    for (int i = 0; i < n; i++) out[i] = values[i].Val[0];
  } else if (values[0].Type == VECTOR) {
    for (int i = 0; i < n; i++)
      for (int j = 0; j < 3; j++) out[3 * i + j] = values[i].Val[j];
  } else {
    std::printf("Wrong type conversion: %s ", typeName(&values[0]));
  }
}

void Cal_AddValueArray(Value *a, Value *b, Value *result, int n) {
  for (int i = 0; i < n; i++) Cal_AddValue(&a[i], &b[i], &result[i]);
}

void Cal_MultValue(Value *a, double d, Value *result) {
  int n = Value_NbrComponents(a->Type);
  if (n == 0) {
    std::printf("Wrong argument type for 'Cal_MultValue'");
    return;
  }
  for (int i = 0; i < n; i++) result->Val[i] = a->Val[i] * d;
  result->Type = a->Type;
}

void Cal_AddMultValue(Value *a, Value *b, double d, Value *result) {
  int n = Value_NbrComponents(b->Type);
  if (n == 0) {
    std::printf("Wrong argument type for 'Cal_AddMultValue'");
    return;  // nothing sound to add
  }
  Value scaled = VALUE_ZERO;
  scaled.Type = b->Type;
  for (int i = 0; i < n; i++) scaled.Val[i] = b->Val[i] * d;
  Cal_AddValue(a, &scaled, result);
}

void Cal_AddMultValueArray(Value *a, Value *b, double d, Value *result, int n) {
  if (n <= 0) return;
  int m = Value_NbrComponents(b[0].Type);
  if (m == 0) {
    std::printf("Wrong argument type for 'Cal_AddMultValueArray'");
    return;
  }
  for (int k = 0; k < n; k++)
    for (int i = 0; i < m; i++) b[k].Val[i] *= d;
  Cal_AddValueArray(a, b, result, n);
}

void Cal_AddMultValue2(Value *a, double p, Value *b, double q) {
  if (a->Type != SCALAR && a->Type != VECTOR && a->Type != TENSOR_DIAG) {
    std::printf("Wrong argument type for 'Cal_AddMultValue2'");
    return;
  }
  int n = Value_NbrComponents(a->Type);
  for (int i = 0; i < n; i++) a->Val[i] = a->Val[i] * p + b->Val[i] * q;
}

void Cal_RotateValue(Value *m, Value *a, Value *result) {
  double r[9];
  std::memcpy(r, m->Val, sizeof r);  // read as a full tensor whatever its type
  if (a->Type == VECTOR) {
    double v[3];
    for (int i = 0; i < 3; i++)
      v[i] = r[3 * i] * a->Val[0] + r[3 * i + 1] * a->Val[1] + r[3 * i + 2] * a->Val[2];
    std::memcpy(result->Val, v, sizeof v);
    result->Type = VECTOR;
  } else if (isTensor(a->Type)) {
    double full[9], rt[9], tmp[9], out[9];
    fullMatrix(a, full);
    for (int i = 0; i < 3; i++)
      for (int j = 0; j < 3; j++) rt[3 * i + j] = r[3 * j + i];
    matrixProduct(rt, full, tmp);
    matrixProduct(tmp, r, out);
    std::memcpy(result->Val, out, sizeof out);
    result->Type = TENSOR;
  } else {
    std::printf("Wrong argument type in 'Cal_RotateValue'");
  }
}

void Cal_SetHarmonicValue(Value *v) {
  if (v->Type == SCALAR)
    v->Val[9] = 0.0;
  else if (v->Type == VECTOR)
    v->Val[9] = v->Val[10] = v->Val[11] = 0.0;
  else
    std::printf("Unknown type of argument in function 'Cal_SetHarmonicValue'");
}

void Cal_SetZeroHarmonicValue(Value *v, int n) {
  int m = Value_NbrComponents(v->Type);
  if (m == 0) {
    std::printf("Unknown type of argument in function 'Cal_SetZeroHarmonicValue'");
    return;
  }
  if (n > 2) n = 2;
  for (int k = 1; k < n; k++)
    for (int i = 0; i < m; i++) v->Val[9 * k + i] = 0.0;
}

void Cal_ZeroValue(Value *v) { std::memcpy(v->Val, VALUE_ZERO.Val, 9 * sizeof(double)); }

int NonZeroHar(int count, const double *val) {
  for (int i = 0; i < count && i < 9; i++)
    if (val[i] != 0.0) return 1;
  return 0;
}

void Cal_ComplexProduct(const double *p, const double *q, double *r) {
  double re = p[0] * q[0] - p[9] * q[9];
  double im = p[0] * q[9] + p[9] * q[0];
  r[0] = re;
  r[9] = im;
}

void Cal_ComplexDivision(const double *p, const double *q, double *r) {
  double m = q[0] * q[0] + q[9] * q[9];
  if (m == 0.0) std::printf("Division by zero in 'Cal_ComplexDivision'");
  double re = (p[0] * q[0] + p[9] * q[9]) / m;
  double im = (p[9] * q[0] - p[0] * q[9]) / m;
  r[0] = re;
  r[9] = im;
}

void Cal_ComplexInvert(const double *p, double *r) {
  double m = p[0] * p[0] + p[9] * p[9];
  if (m == 0.0) std::printf("Division by zero in 'Cal_ComplexInvert'");
  double re = p[0] / m;
  double im = -p[9] / m;
  r[0] = re;
  r[9] = im;
}

void Show_Value(const Value *v) {
  int n = Value_NbrComponents(v->Type);
  if (n == 0) {
    std::fprintf(stderr, "unknown type \n");
    return;
  }
  bool zero = true;
  for (int i = 0; i < n; i++)
    if (v->Val[i] != 0.0) zero = false;
  const double *x = v->Val;
  switch (v->Type) {
    case SCALAR:
      if (zero)
        std::fprintf(stderr, "zero scalar \n");
      else
        std::fprintf(stderr, "real scalar %e \n", x[0]);
      break;
    case VECTOR:
      if (zero)
        std::fprintf(stderr, "zero vector \n");
      else
        std::fprintf(stderr, "real vector x %e  y %e  z %e \n", x[0], x[1], x[2]);
      break;
    case TENSOR:
      if (zero)
        std::fprintf(stderr, "zero tensor \n");
      else
        std::fprintf(stderr,
                     "real tensor xx %e  xy %e  xz %e  yx %e  yy %e  yz %e  zx %e  zy %e  zz %e \n",
                     x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7], x[8]);
      break;
    case TENSOR_SYM:
      if (zero)
        std::fprintf(stderr, "zero sym tensor \n");
      else
        std::fprintf(stderr, "real sym tensor xx %e  xy %e  xz %e  yy %e  yz %e  zz %e \n", x[0],
                     x[1], x[2], x[3], x[4], x[5]);
      break;
    case TENSOR_DIAG:
      if (zero)
        std::fprintf(stderr, "zero sym tensor \n");
      else
        std::fprintf(stderr, "real diag tensor xx %e  yy %e  zz %e \n", x[0], x[1], x[2]);
      break;
  }
}
