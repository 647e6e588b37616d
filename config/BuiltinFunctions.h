#ifndef DG_BUILTINFUNCTIONS_H
#define DG_BUILTINFUNCTIONS_H

// Built-in functions of the input language. Each routine takes its call
// descriptor (for its {} parameters), its [] arguments and the result, which
// may be the same record as the first argument. A wrong argument type prints
// a message on standard output (no line end) and evaluation goes on.

#include "Expression.h"

#define DG_BUILTIN(name) void name(Function *f, Value *a, Value *r)
DG_BUILTIN(F_Exp); DG_BUILTIN(F_Log); DG_BUILTIN(F_Log10); DG_BUILTIN(F_Sqrt);
DG_BUILTIN(F_Sin); DG_BUILTIN(F_Asin); DG_BUILTIN(F_Cos); DG_BUILTIN(F_Acos);
DG_BUILTIN(F_Tan); DG_BUILTIN(F_Atan); DG_BUILTIN(F_Sinh); DG_BUILTIN(F_Cosh);
DG_BUILTIN(F_Tanh); DG_BUILTIN(F_Fabs); DG_BUILTIN(F_Floor); DG_BUILTIN(F_Ceil);
DG_BUILTIN(F_Atan2); DG_BUILTIN(F_Pow); DG_BUILTIN(F_Fmod); DG_BUILTIN(F_Hypot);
DG_BUILTIN(F_Transpose); DG_BUILTIN(F_Trace); DG_BUILTIN(F_Norm); DG_BUILTIN(F_SquNorm);
DG_BUILTIN(F_Unit); DG_BUILTIN(F_Cos_wt_p); DG_BUILTIN(F_Sin_wt_p); DG_BUILTIN(F_Period);
DG_BUILTIN(F_Interval); DG_BUILTIN(F_Vector); DG_BUILTIN(F_Tensor); DG_BUILTIN(F_TensorV);
DG_BUILTIN(F_TensorSym); DG_BUILTIN(F_TensorDiag); DG_BUILTIN(F_SquDyadicProduct);
DG_BUILTIN(F_CompX); DG_BUILTIN(F_CompY); DG_BUILTIN(F_CompZ);
DG_BUILTIN(F_CompXX); DG_BUILTIN(F_CompXY); DG_BUILTIN(F_CompXZ);
DG_BUILTIN(F_CompYX); DG_BUILTIN(F_CompYY); DG_BUILTIN(F_CompYZ);
DG_BUILTIN(F_CompZX); DG_BUILTIN(F_CompZY); DG_BUILTIN(F_CompZZ);
DG_BUILTIN(F_Cart2Sph); DG_BUILTIN(F_Cart2Cyl);
DG_BUILTIN(F_UnitVectorX); DG_BUILTIN(F_UnitVectorY); DG_BUILTIN(F_UnitVectorZ);
DG_BUILTIN(F_Printf);
#undef DG_BUILTIN

#endif
