#ifndef DG_VALUE_H
#define DG_VALUE_H

// Typed values of the input language (a scalar, a vector or one of three kinds
// of 3x3 tensor) and the arithmetic behind its operators.
//
// Components live at the start of block 0 (Val[0..8]) in the order:
//   SCALAR v; VECTOR x y z; TENSOR xx xy xz yx yy yz zx zy zz (row by row);
//   TENSOR_SYM xx xy xz yy yz zz; TENSOR_DIAG xx yy zz.
// Block 1 (Val[9..17]) is the second harmonic, used only by the complex
// helpers. A binary operation may write its result over its first operand.
// An operand pair an operation does not accept prints a message on standard
// output (no line end) and leaves the result untouched.

#include <cstdio>

constexpr int SCALAR = 20;
constexpr int VECTOR = 21;
constexpr int TENSOR = 22;
constexpr int TENSOR_SYM = 23;
constexpr int TENSOR_DIAG = 24;

struct Value {
  int Type;
  double Val[18];
};

// Storage position, for each full tensor position 0..8 (row by row), in a
// symmetric or a diagonal tensor (-1: a structural zero).
extern const int TENSOR_SYM_MAP[9];
extern const int TENSOR_DIAG_MAP[9];
extern const Value VALUE_ZERO;

// Stream of Print_Value (standard output when null).
extern FILE *PrintStream;

void Cal_CopyValue(const Value *from, Value *to);

void Cal_AddValue(Value *a, Value *b, Value *result);
void Cal_SubstractValue(Value *a, Value *b, Value *result);
void Cal_ProductValue(Value *a, Value *b, Value *result);
void Cal_DivideValue(Value *a, Value *b, Value *result);
void Cal_ModuloValue(Value *a, Value *b, Value *result);
void Cal_PowerValue(Value *a, Value *b, Value *result);
void Cal_CrossProductValue(Value *a, Value *b, Value *result);
void Cal_LessValue(Value *a, Value *b, Value *result);
void Cal_GreaterValue(Value *a, Value *b, Value *result);
void Cal_LessOrEqualValue(Value *a, Value *b, Value *result);
void Cal_GreaterOrEqualValue(Value *a, Value *b, Value *result);
void Cal_EqualValue(Value *a, Value *b, Value *result);
void Cal_NotEqualValue(Value *a, Value *b, Value *result);
void Cal_ApproxEqualValue(Value *a, Value *b, Value *result);
void Cal_AndValue(Value *a, Value *b, Value *result);
void Cal_OrValue(Value *a, Value *b, Value *result);

void Cal_NegValue(Value *v);
void Cal_NotValue(Value *v);

void Cal_TransposeValue(Value *a, Value *result);
void Cal_TraceValue(Value *a, Value *result);
void Cal_InvertValue(Value *a, Value *result);
void Cal_DetValue(Value *a, Value *result);

void Print_Value(Value *v);

// Helpers of the same family that the evaluator does not use.
void Cal_CopyValueArray(const Value *from, Value *to, int n);
void Cal_ValueArray2DoubleArray(const Value *values, double *out, int n);
void Cal_AddValueArray(Value *a, Value *b, Value *result, int n);
void Cal_MultValue(Value *a, double d, Value *result);
void Cal_AddMultValue(Value *a, Value *b, double d, Value *result);
void Cal_AddMultValueArray(Value *a, Value *b, double d, Value *result, int n);
void Cal_AddMultValue2(Value *a, double p, Value *b, double q);
void Cal_RotateValue(Value *m, Value *a, Value *result);
void Cal_SetHarmonicValue(Value *v);
void Cal_SetZeroHarmonicValue(Value *v, int n);
void Cal_ZeroValue(Value *v);
int NonZeroHar(int count, const double *val);
void Cal_ComplexProduct(const double *p, const double *q, double *r);
void Cal_ComplexDivision(const double *p, const double *q, double *r);
void Cal_ComplexInvert(const double *p, double *r);
void Show_Value(const Value *v);

// Number of components a type keeps (0 for an unknown code).
int Value_NbrComponents(int type);
// A double truncated toward zero to an int, clamped to the int range (NaN: 0).
int Value_TruncToInt(double d);

#endif
