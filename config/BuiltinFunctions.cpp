#include "BuiltinFunctions.h"

#include <cmath>
#include <cstring>

#include "DGParameters.h"
#include "GlobalParamManager.h"

namespace {

void setScalar(Value *r, double v) {
  r->Type = SCALAR;
  r->Val[0] = v;
}

// One-argument scalar function: a non-scalar argument is reported and its
// first component is used all the same.
void scalar1(Value *a, Value *r, const char *name, double (*fn)(double)) {
  if (a[0].Type != SCALAR) std::printf("Non scalar argument for function '%s'", name);
  setScalar(r, fn(a[0].Val[0]));
}

void scalar2(Value *a, Value *r, const char *name, double (*fn)(double, double)) {
  if (a[0].Type != SCALAR || a[1].Type != SCALAR)
    std::printf("Non scalar argument(s) for function '%s'", name);
  setScalar(r, fn(a[0].Val[0], a[1].Val[0]));
}

// Constructor from n arguments that should all be of type `type`.
bool checkAll(const Value *a, int n, int type, const char *name) {
  for (int i = 0; i < n; i++)
    if (a[i].Type != type) {
      std::printf("Non scalar argument(s) for function '%s'", name);
      return false;
    }
  return true;
}

void component(Value *a, Value *r, const char *name, int full, int sym, int diag) {
  double v;
  switch (a[0].Type) {
    case TENSOR: v = a[0].Val[full]; break;
    case TENSOR_SYM: v = a[0].Val[sym]; break;
    case TENSOR_DIAG: v = diag < 0 ? 0.0 : a[0].Val[diag]; break;
    default:
      std::printf("Non tensor argument for function '%s'", name);
      r->Type = SCALAR;
      return;
  }
  setScalar(r, v);
}

void vectorComponent(Value *a, Value *r, const char *name, int i) {
  if (a[0].Type != VECTOR) {
    std::printf("Non vector argument for function '%s'", name);
    r->Type = SCALAR;
    return;
  }
  setScalar(r, a[0].Val[i]);
}

void setFrame(Value *r, const double rows[9]) {
  r->Type = TENSOR;
  std::memcpy(r->Val, rows, 9 * sizeof(double));
  for (int i = 9; i < 18; i++) r->Val[i] = 0.0;
}

double parameter(const Function *f, int i) {
  return f && f->Parameters && i < f->NbrParameters ? f->Parameters[i] : 0.0;
}

double hypotAsWritten(double a, double b) { return std::sqrt(a * a + b * b); }

}  // namespace

#define SCALAR1(routine, name, fn) \
  void routine(Function *, Value *a, Value *r) { scalar1(a, r, name, fn); }
SCALAR1(F_Exp, "Exp", [](double x) { return std::exp(x); })
SCALAR1(F_Log, "Log", [](double x) { return std::log(x); })
SCALAR1(F_Log10, "Log10", [](double x) { return std::log10(x); })
SCALAR1(F_Sqrt, "Sqrt", [](double x) { return std::sqrt(x); })
SCALAR1(F_Sin, "Sin", [](double x) { return std::sin(x); })
SCALAR1(F_Asin, "Asin", [](double x) { return std::asin(x); })
SCALAR1(F_Cos, "Cos", [](double x) { return std::cos(x); })
SCALAR1(F_Acos, "Acos", [](double x) { return std::acos(x); })
SCALAR1(F_Tan, "Tan", [](double x) { return std::tan(x); })
SCALAR1(F_Atan, "Atan", [](double x) { return std::atan(x); })
SCALAR1(F_Sinh, "Sinh", [](double x) { return std::sinh(x); })
SCALAR1(F_Cosh, "Cosh", [](double x) { return std::cosh(x); })
SCALAR1(F_Tanh, "Tanh", [](double x) { return std::tanh(x); })
SCALAR1(F_Fabs, "Fabs", [](double x) { return std::fabs(x); })
SCALAR1(F_Floor, "Floor", [](double x) { return std::floor(x); })
SCALAR1(F_Ceil, "Ceil", [](double x) { return std::ceil(x); })
#undef SCALAR1

void F_Atan2(Function *, Value *a, Value *r) {
  scalar2(a, r, "Atan2", [](double y, double x) { return std::atan2(y, x); });
}
void F_Pow(Function *, Value *a, Value *r) {
  scalar2(a, r, "Pow", [](double x, double y) { return std::pow(x, y); });
}
void F_Fmod(Function *, Value *a, Value *r) {
  scalar2(a, r, "Fmod", [](double x, double y) { return std::fmod(x, y); });
}
void F_Hypot(Function *, Value *a, Value *r) { scalar2(a, r, "Hypot", hypotAsWritten); }

void F_Transpose(Function *, Value *a, Value *r) {
  if (a[0].Type != TENSOR && a[0].Type != TENSOR_SYM && a[0].Type != TENSOR_DIAG)
    std::printf("Wrong type of argument for function 'Transpose'");
  Cal_TransposeValue(&a[0], r);
}

void F_Trace(Function *, Value *a, Value *r) {
  if (a[0].Type != TENSOR && a[0].Type != TENSOR_SYM && a[0].Type != TENSOR_DIAG)
    std::printf("Wrong type of argument for function 'Trace'");
  Cal_TraceValue(&a[0], r);
}

void F_Norm(Function *, Value *a, Value *r) {
  if (a[0].Type == SCALAR)
    r->Val[0] = std::fabs(a[0].Val[0]);
  else if (a[0].Type == VECTOR)
    r->Val[0] = std::sqrt(a[0].Val[0] * a[0].Val[0] + a[0].Val[1] * a[0].Val[1] +
                          a[0].Val[2] * a[0].Val[2]);
  else
    std::printf("Wrong type of argument for function 'Norm'");
  r->Type = SCALAR;
}

void F_SquNorm(Function *, Value *a, Value *r) {
  if (a[0].Type == SCALAR)
    r->Val[0] = a[0].Val[0] * a[0].Val[0];
  else if (a[0].Type == VECTOR)
    r->Val[0] = a[0].Val[0] * a[0].Val[0] + a[0].Val[1] * a[0].Val[1] + a[0].Val[2] * a[0].Val[2];
  else
    std::printf("Wrong type of argument for function 'SquNorm'");
  r->Type = SCALAR;
}

void F_Unit(Function *, Value *a, Value *r) {
  if (a[0].Type == SCALAR) {
    setScalar(r, 1.0);
  } else if (a[0].Type == VECTOR) {
    double x = a[0].Val[0], y = a[0].Val[1], z = a[0].Val[2];
    double n = std::sqrt(x * x + y * y + z * z);
    r->Type = VECTOR;
    if (n > 1e-30) {
      r->Val[0] = x / n;
      r->Val[1] = y / n;
      r->Val[2] = z / n;
    } else {
      r->Val[0] = r->Val[1] = r->Val[2] = 0.0;
    }
  } else {
    std::printf("Wrong type of argument for function 'Unit'");
  }
}

// cos (sin) of p0 times the time plus p1.
void F_Cos_wt_p(Function *f, Value *, Value *r) {
  double t = GlobalParamManager::Instance()->parameters->state.t;
  setScalar(r, std::cos(parameter(f, 0) * t + parameter(f, 1)));
}

void F_Sin_wt_p(Function *f, Value *, Value *r) {
  double t = GlobalParamManager::Instance()->parameters->state.t;
  setScalar(r, std::sin(parameter(f, 0) * t + parameter(f, 1)));
}

void F_Period(Function *f, Value *a, Value *r) {
  double x = a[0].Val[0], T = parameter(f, 0);
  double p = std::fmod(x, T);
  setScalar(r, x < 0 ? p + T : p);
}

void F_Interval(Function *f, Value *a, Value *r) {
  double x = a[0].Val[0], lo = a[1].Val[0], hi = a[2].Val[0];
  double p0 = parameter(f, 0), p1 = parameter(f, 1), p2 = parameter(f, 2);
  setScalar(r, (x > lo + p0 * p2 && x < hi + p1 * p2) ? 1.0 : 0.0);
}

void F_Vector(Function *, Value *a, Value *r) {
  checkAll(a, 3, SCALAR, "Vector");
  double v[3] = {a[0].Val[0], a[1].Val[0], a[2].Val[0]};
  r->Type = VECTOR;
  std::memcpy(r->Val, v, sizeof v);
}

void F_Tensor(Function *, Value *a, Value *r) {
  checkAll(a, 9, SCALAR, "Tensor");
  double v[9];
  for (int i = 0; i < 9; i++) v[i] = a[i].Val[0];
  r->Type = TENSOR;
  std::memcpy(r->Val, v, sizeof v);
}

void F_TensorSym(Function *, Value *a, Value *r) {
  checkAll(a, 6, SCALAR, "TensorSym");
  double v[6];
  for (int i = 0; i < 6; i++) v[i] = a[i].Val[0];
  r->Type = TENSOR_SYM;
  std::memcpy(r->Val, v, sizeof v);
}

void F_TensorDiag(Function *, Value *a, Value *r) {
  checkAll(a, 3, SCALAR, "TensorDiag");
  double v[3] = {a[0].Val[0], a[1].Val[0], a[2].Val[0]};
  r->Type = TENSOR_DIAG;
  std::memcpy(r->Val, v, sizeof v);
}

void F_TensorV(Function *, Value *a, Value *r) {
  checkAll(a, 3, VECTOR, "TensorV");
  double v[9];
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) v[3 * i + j] = a[i].Val[j];
  r->Type = TENSOR;
  std::memcpy(r->Val, v, sizeof v);
}

void F_SquDyadicProduct(Function *, Value *a, Value *r) {
  if (a[0].Type != VECTOR) std::printf("Non vector argument for function 'TensorDyadic'");
  double x = a[0].Val[0], y = a[0].Val[1], z = a[0].Val[2];
  double v[6] = {x * x, x * y, x * z, y * y, y * z, z * z};
  r->Type = TENSOR_SYM;
  std::memcpy(r->Val, v, sizeof v);
}

void F_CompX(Function *, Value *a, Value *r) { vectorComponent(a, r, "CompX", 0); }
void F_CompY(Function *, Value *a, Value *r) { vectorComponent(a, r, "CompY", 1); }
void F_CompZ(Function *, Value *a, Value *r) { vectorComponent(a, r, "CompZ", 2); }
void F_CompXX(Function *, Value *a, Value *r) { component(a, r, "CompXX", 0, 0, 0); }
void F_CompXY(Function *, Value *a, Value *r) { component(a, r, "CompXY", 1, 1, -1); }
void F_CompXZ(Function *, Value *a, Value *r) { component(a, r, "CompXZ", 2, 2, -1); }
void F_CompYX(Function *, Value *a, Value *r) { component(a, r, "CompYX", 3, 1, -1); }
void F_CompYY(Function *, Value *a, Value *r) { component(a, r, "CompYY", 4, 3, 1); }
void F_CompYZ(Function *, Value *a, Value *r) { component(a, r, "CompYZ", 5, 4, -1); }
void F_CompZX(Function *, Value *a, Value *r) { component(a, r, "CompZX", 6, 2, -1); }
void F_CompZY(Function *, Value *a, Value *r) { component(a, r, "CompZY", 7, 4, -1); }
void F_CompZZ(Function *, Value *a, Value *r) { component(a, r, "CompZZ", 8, 5, 2); }

void F_Cart2Sph(Function *, Value *a, Value *r) {
  if (a[0].Type != VECTOR) std::printf("Vector argument required for Function 'Cart2Sph'");
  double x = a[0].Val[0], y = a[0].Val[1], z = a[0].Val[2];
  double theta = std::atan2(std::sqrt(x * x + y * y), z);
  double phi = std::atan2(y, x);
  double st = std::sin(theta), ct = std::cos(theta), sp = std::sin(phi), cp = std::cos(phi);
  double rows[9] = {st * cp, st * sp, ct, ct * cp, ct * sp, -st, -sp, cp, 0.0};
  setFrame(r, rows);
}

void F_Cart2Cyl(Function *, Value *a, Value *r) {
  if (a[0].Type != VECTOR) std::printf("Vector argument required for Function 'Cart2Cyl'");
  double phi = std::atan2(a[0].Val[1], a[0].Val[0]);
  double sp = std::sin(phi), cp = std::cos(phi);
  double rows[9] = {cp, sp, 0.0, -sp, cp, 0.0, 0.0, 0.0, 1.0};
  setFrame(r, rows);
}

static void unitVector(Value *r, int axis) {
  r->Type = VECTOR;
  for (int i = 0; i < 3; i++) r->Val[i] = i == axis ? 1.0 : 0.0;
}
void F_UnitVectorX(Function *, Value *, Value *r) { unitVector(r, 0); }
void F_UnitVectorY(Function *, Value *, Value *r) { unitVector(r, 1); }
void F_UnitVectorZ(Function *, Value *, Value *r) { unitVector(r, 2); }

void F_Printf(Function *, Value *a, Value *) {
  Print_Value(&a[0]);
  FILE *out = PrintStream ? PrintStream : stdout;
  std::fputs("\n", out);
  std::fflush(out);
}

void F_Undefined(Function *, Value *, Value *r) { setScalar(r, 0.0); }

const StringXFunction2Nbr F_Function[] = {
    {"Exp", F_Exp, 0, 1},
    {"Log", F_Log, 0, 1},
    {"Log10", F_Log10, 0, 1},
    {"Sqrt", F_Sqrt, 0, 1},
    {"Sin", F_Sin, 0, 1},
    {"Asin", F_Asin, 0, 1},
    {"Cos", F_Cos, 0, 1},
    {"Acos", F_Acos, 0, 1},
    {"Tan", F_Tan, 0, 1},
    {"Atan", F_Atan, 0, 1},
    {"Sinh", F_Sinh, 0, 1},
    {"Cosh", F_Cosh, 0, 1},
    {"Tanh", F_Tanh, 0, 1},
    {"Fabs", F_Fabs, 0, 1},
    {"Floor", F_Floor, 0, 1},
    {"Sqrt", F_Sqrt, 0, 1},
    {"Ceil", F_Ceil, 0, 1},
    {"Atan2", F_Atan2, 0, 2},
    {"Pow", F_Pow, 0, 2},
    {"Fmod", F_Fmod, 0, 2},
    {"Hypot", F_Hypot, 0, 2},
    {"Transpose", F_Transpose, 0, 1},
    {"TTrace", F_Trace, 0, 1},
    {"Norm", F_Norm, 0, 1},
    {"SquNorm", F_SquNorm, 0, 1},
    {"Unit", F_Unit, 0, 1},
    {"Normalized", F_Unit, 0, 1},
    {"F_Cos_wt_p", F_Cos_wt_p, 2, 0},
    {"F_Sin_wt_p", F_Sin_wt_p, 2, 0},
    {"F_Period", F_Period, 1, 1},
    {"Interval", F_Interval, 3, 3},
    {"Vector", F_Vector, 0, 3},
    {"Tensor", F_Tensor, 0, 9},
    {"TensorV", F_TensorV, 0, 3},
    {"TensorSym", F_TensorSym, 0, 6},
    {"TensorDiag", F_TensorDiag, 0, 3},
    {"SquDyadicProduct", F_SquDyadicProduct, 0, 1},
    {"CompX", F_CompX, 0, 1},
    {"CompY", F_CompY, 0, 1},
    {"CompZ", F_CompZ, 0, 1},
    {"CompXX", F_CompXX, 0, 1},
    {"CompXY", F_CompXY, 0, 1},
    {"CompXZ", F_CompXZ, 0, 1},
    {"CompYX", F_CompYX, 0, 1},
    {"CompYY", F_CompYY, 0, 1},
    {"CompYZ", F_CompYZ, 0, 1},
    {"CompZX", F_CompZX, 0, 1},
    {"CompZY", F_CompZY, 0, 1},
    {"CompZZ", F_CompZZ, 0, 1},
    {"Cart2Sph", F_Cart2Sph, 0, 1},
    {"Cart2Cyl", F_Cart2Cyl, 0, 1},
    {"UnitVectorX", F_UnitVectorX, 0, 0},
    {"UnitVectorY", F_UnitVectorY, 0, 0},
    {"UnitVectorZ", F_UnitVectorZ, 0, 0},
    {"Printf", F_Printf, 0, 1},
    {nullptr, nullptr, 0, 0}};
