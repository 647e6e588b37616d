#ifndef DG_EXPRESSION_H
#define DG_EXPRESSION_H

// Named expressions of the input language and their evaluation.
//
// An Expression is a constant, a postfix program of WholeQuantity items, or a
// function given piece by piece per region (model tag), chosen by the current
// region of the run parameters with a one-entry cache. All expressions of a
// run live in Problem_S.Expressions and are identified by their position.
//
// Evaluation takes the point, the physical state and the region from the run
// parameters (DGParameters), where the caller wrote them beforehand.

#include "List.h"
#include "NameTables.h"
#include "Value.h"

constexpr int EXP_DECLARED = 0;
constexpr int EXP_CONSTANT = 1;
constexpr int EXP_FUNCTION = 2;
constexpr int EXP_PIECEWISE = 3;

struct Expression {
  char *Name;  // owned
  int Type;
  double Constant;       // EXP_CONSTANT
  List_T *Program;       // EXP_FUNCTION: WholeQuantity items
  List_T *Pieces;        // EXP_PIECEWISE: ExpressionPerRegion rows
  int LastRegion;        // EXP_PIECEWISE cache: region last found (-1: none)
  int LastPiece;         // EXP_PIECEWISE cache: index of its expression (-1: none)
};

struct ExpressionPerRegion {
  int Region;
  int ExpressionIndex;
};

// Built-in call descriptor.
struct Function {
  BuiltinRoutine Routine;
  int NbrArguments;
  int NbrParameters;
  double *Parameters;  // owned, null without parameters
};

// Item kinds of a postfix program.
constexpr int QTY_DYADIC_OPERATOR = 3;
constexpr int QTY_MONADIC_OPERATOR = 4;
constexpr int QTY_EXPRESSION = 5;
constexpr int QTY_BUILTIN = 6;
constexpr int QTY_CONSTANT = 8;
constexpr int QTY_CURRENT_VALUE = 9;
constexpr int QTY_ARGUMENT = 10;
constexpr int QTY_TEST = 13;
constexpr int QTY_SUFFIX_MARK = 14;
constexpr int QTY_PREFIX_MARK = 15;
constexpr int QTY_SUFFIX_DOUBLE_MARK = 20;

// Operator codes.
constexpr int OP_PLUS = 1, OP_MINUS = 2, OP_TIME = 3, OP_DIVIDE = 4, OP_MODULO = 5,
              OP_POWER = 6, OP_CROSSPRODUCT = 7, OP_LESS = 8, OP_GREATER = 9,
              OP_LESSOREQUAL = 10, OP_GREATEROREQUAL = 11, OP_EQUAL = 12, OP_NOTEQUAL = 13,
              OP_APPROXEQUAL = 14, OP_AND = 15, OP_OR = 16, OP_NEG = 17, OP_NOT = 18;

using DyadicRoutine = void (*)(Value *, Value *, Value *);
using MonadicRoutine = void (*)(Value *);

// One item of a postfix program; the fields in use depend on Type.
struct WholeQuantity {
  int Type;
  int OperatorCode;              // operators
  DyadicRoutine Operator;        // QTY_DYADIC_OPERATOR
  MonadicRoutine MonadicOperator;  // QTY_MONADIC_OPERATOR
  int ExpressionIndex;           // QTY_EXPRESSION
  int NbrArguments;              // QTY_EXPRESSION: arguments written
  Function Builtin;              // QTY_BUILTIN: the call descriptor
  double Constant;               // QTY_CONSTANT
  void *CurrentValue;            // QTY_CURRENT_VALUE: bound field, null when unknown
  int CurrentValueIsInt;         // the bound field is an int (the iteration count)
  int ArgumentIndex;             // QTY_ARGUMENT, from 1
  List_T *TrueBranch;            // QTY_TEST
  List_T *FalseBranch;           // QTY_TEST
  int MarkIndex;                 // marks
};

// A named set of model-entity tags ("Group" block).
struct Group {
  char *Name;    // owned
  int Index;     // position in Problem_S.Groups when appended
  int EntityKind;  // 0 vertex, 1 edge, 2 face, 3 region
  List_T *Tags;  // ints; null for "All"
};

// The parser's problem record.
struct InputProblem {
  List_T *Groups;       // Group records
  List_T *Expressions;  // Expression records
};
extern InputProblem Problem_S;

// Table of current values ($Time, $X, ...), bound to fields of the run
// parameters; built on first use (which creates the global context).
const StringXPointer *Get_CurrentValueTable();

// Built-in functions.
extern const StringXFunction2Nbr F_Function[];

// Evaluates an expression at the present run state. `v` is the result and
// also the argument array: v[0] is $1 (one argument is readable).
void Get_ValueOfExpression(Expression *expression, Value *v);
// The same with an argument array of nbrArguments values; the result goes to
// v[0] once the evaluation has finished.
void Get_ValueOfExpressionWithArguments(Expression *expression, Value *v, int nbrArguments);
void Get_ValueOfExpressionByIndex(int index, Value *v);
// Runs a postfix program; only dimension -1 (result in values[0]) and 0
// further columns are supported.
void Cal_WholeQuantity(List_T *program, int dimension, int nbColumns, Value *values);

// Adds an expression record to Problem_S.Expressions (created on first use).
// An anonymous record is named "_NAME_N" with N the list length; the record
// replaces the first one named `name`, if any. Returns its position. A
// non-anonymous name is taken over (not copied).
int Add_Expression(Expression *expression, char *name, int anonymous);
// Position of the first expression named `name`, or -1.
int Find_Expression(const char *name);
// Renames expression `index` (the old name text is freed, `name` taken over).
void Rename_Expression(int index, char *name);
// The expression at `index`, or null.
Expression *Get_Expression(int index);

int fcmp_Expression_Name(const void *a, const void *b);

// Frees every expression and group and empties Problem_S.
void Free_Problem();
// Frees the items of a postfix program and the program itself.
void Free_WholeQuantityList(List_T *program);

// Built-in routine that yields the scalar 0; stands in for a call that
// could not be compiled, keeping the evaluation stack balanced.
void F_Undefined(Function *f, Value *arguments, Value *result);

#endif
