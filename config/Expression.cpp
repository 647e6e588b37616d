#include "Expression.h"

#include <cstring>
#include <string>
#include <unordered_map>

#include "DGParameters.h"
#include "GlobalParamManager.h"

InputProblem Problem_S = {nullptr, nullptr};

namespace {

constexpr int STACK_SIZE = 100;
// Nested evaluations (calls of named expressions, pieces of piece-wise
// functions, branches of conditionals); a piece-wise function whose piece
// calls itself stops here, and so does a deep nest of conditionals, whose
// every level holds a stack of its own.
constexpr int MAX_NESTING = 64;
int nesting = 0;
// Set once the limit is met: the whole evaluation is given up, so that a
// function whose piece calls it twice costs 64 levels, not 2^64 calls.
bool abandoned = false;

// Reports the nesting limit once and gives the evaluation up.
void abandon(const char *name) {
  if (!abandoned) {
    if (name)
      std::printf("Expression nesting too deep in '%s' (%d)", name, MAX_NESTING);
    else
      std::printf("Expression nesting too deep in a conditional (%d)", MAX_NESTING);
  }
  abandoned = true;
}

// First position of each expression name, kept in step with the list.
std::unordered_map<std::string, int> &firstByName() {
  static std::unordered_map<std::string, int> map;
  return map;
}

void indexName(const char *name, int index) {
  if (!name) return;
  auto &map = firstByName();
  auto it = map.find(name);
  if (it == map.end() || it->second > index) map[name] = index;
}

// Drops `index` as the first holder of `name`, finding the next holder.
void unindexName(const char *name, int index) {
  if (!name) return;
  auto &map = firstByName();
  auto it = map.find(name);
  if (it == map.end() || it->second != index) return;
  map.erase(it);
  int n = List_Nbr(Problem_S.Expressions);
  for (int i = index + 1; i < n; i++) {
    Expression *e = Get_Expression(i);
    if (e->Name && std::strcmp(e->Name, name) == 0) {
      map[name] = i;
      return;
    }
  }
}

void freeExpressionContent(Expression *e) {
  Free(e->Name);
  e->Name = nullptr;
  if (e->Type == EXP_FUNCTION) Free_WholeQuantityList(e->Program);
  if (e->Type == EXP_PIECEWISE) List_Delete(e->Pieces);
  e->Program = nullptr;
  e->Pieces = nullptr;
}

void pushScalar(Value &v, double d) {
  v.Type = SCALAR;
  v.Val[0] = d;
}

void evaluate(Expression *e, const Value *args, int nargs, Value *result);

// Runs a postfix program. $n reads args; the result goes to `result` after
// the last item, so the arguments stay readable throughout.
void runProgram(List_T *program, const Value *args, int nargs, Value *result) {
  if (!program || program->count == 0 || !program->records) return;
  Value stack[STACK_SIZE];
  int d = 0;
  const WholeQuantity *items = reinterpret_cast<const WholeQuantity *>(program->records);
  int n = program->count;
  for (int i = 0; i < n; i++) {
    if (abandoned) return;
    if (d > STACK_SIZE - 1) {
      std::printf("Stack size exceeded (%d)", STACK_SIZE);
      return;
    }
    const WholeQuantity &q = items[i];
    int needed = 0;
    switch (q.Type) {
      case QTY_DYADIC_OPERATOR: needed = 2; break;
      case QTY_MONADIC_OPERATOR:
      case QTY_TEST: needed = 1; break;
      case QTY_BUILTIN: needed = q.Builtin.NbrArguments; break;
      case QTY_EXPRESSION: needed = q.NbrArguments; break;
      default: break;
    }
    if (d < needed) {
      std::printf("Missing operand(s) in expression (%d instead of %d)", d, needed);
      return;
    }
    switch (q.Type) {
      case QTY_CONSTANT:
        pushScalar(stack[d++], q.Constant);
        break;
      case QTY_CURRENT_VALUE: {
        double v = 0.0;  // an unknown current value reads 0
        if (q.CurrentValue)
          v = q.CurrentValueIsInt ? static_cast<double>(*static_cast<const int *>(q.CurrentValue))
                                  : *static_cast<const double *>(q.CurrentValue);
        pushScalar(stack[d++], v);
        break;
      }
      case QTY_ARGUMENT: {
        int k = q.ArgumentIndex - 1;
        pushScalar(stack[d], 0.0);
        if (k >= 0 && k < nargs)
          Cal_CopyValue(&args[k], &stack[d]);
        else
          std::printf("Undefined argument $%d", q.ArgumentIndex);
        d++;
        break;
      }
      case QTY_DYADIC_OPERATOR:
        if (q.Operator) q.Operator(&stack[d - 2], &stack[d - 1], &stack[d - 2]);
        d--;
        break;
      case QTY_MONADIC_OPERATOR:
        if (q.MonadicOperator) q.MonadicOperator(&stack[d - 1]);
        break;
      case QTY_BUILTIN: {
        d -= q.Builtin.NbrArguments;
        if (q.Builtin.NbrArguments == 0) pushScalar(stack[d], 0.0);
        Function descriptor = q.Builtin;  // the routine may not change the item
        if (descriptor.Routine) descriptor.Routine(&descriptor, &stack[d], &stack[d]);
        d++;
        break;
      }
      case QTY_EXPRESSION: {
        d -= q.NbrArguments;
        if (q.NbrArguments == 0) pushScalar(stack[d], 0.0);
        Expression *called = Get_Expression(q.ExpressionIndex);
        if (called) evaluate(called, &stack[d], q.NbrArguments, &stack[d]);
        d++;
        break;
      }
      case QTY_TEST: {
        if (nesting >= MAX_NESTING) {
          abandon(nullptr);
          break;
        }
        double c = stack[d - 1].Val[0];
        nesting++;
        runProgram(c != 0.0 ? q.TrueBranch : q.FalseBranch, args, nargs, &stack[d - 1]);
        nesting--;
        break;
      }
      default:
        break;  // marks: no action
    }
  }
  if (d > 0) Cal_CopyValue(&stack[0], result);
}

void evaluate(Expression *e, const Value *args, int nargs, Value *result) {
  if (nesting == 0) abandoned = false;  // a new outermost evaluation
  if (nesting >= MAX_NESTING) {
    abandon(e->Name ? e->Name : "");
    return;
  }
  nesting++;
  switch (e->Type) {
    case EXP_CONSTANT:
      result->Type = SCALAR;
      result->Val[0] = e->Constant;
      break;
    case EXP_FUNCTION:
      runProgram(e->Program, args, nargs, result);
      break;
    case EXP_PIECEWISE: {
      int region = GlobalParamManager::Instance()->parameters->state.region;
      if (region != e->LastRegion) {
        ExpressionPerRegion key = {region, 0};
        auto *row = static_cast<ExpressionPerRegion *>(List_PQuery(e->Pieces, &key, fcmp_int));
        if (row) {
          e->LastRegion = region;
          e->LastPiece = row->ExpressionIndex;
        } else {
          std::printf("Function '%s' undefined in Region %d", e->Name ? e->Name : "", region);
        }
      }
      Expression *piece = e->LastPiece >= 0 ? Get_Expression(e->LastPiece) : nullptr;
      if (piece)
        evaluate(piece, args, nargs, result);
      else
        pushScalar(*result, 0.0);  // no piece found yet: 0
      break;
    }
    default:
      break;
  }
  nesting--;
}

}  // namespace

const StringXPointer *Get_CurrentValueTable() {
  static StringXPointer table[16];
  static DGParameters *bound = nullptr;
  DGParameters *p = GlobalParamManager::Instance()->parameters;
  if (p != bound) {
    SimulationState &s = p->state;
    StringXPointer rows[16] = {{"Time", &s.t},
                               {"Tend", &p->time.tend},
                               {"TimeStep", &p->time.dt},
                               {"Iteration", &s.iter},
                               {"Iter", &s.iter},
                               {"X", &s.X},
                               {"Y", &s.Y},
                               {"Z", &s.Z},
                               {"Pressure", &s.Pressure},
                               {"Velocity", &s.VX},
                               {"VX", &s.VX},
                               {"VY", &s.VY},
                               {"VZ", &s.VZ},
                               {"Density", &s.Density},
                               {"Temperature", &s.Temperature},
                               {nullptr, nullptr}};
    std::memcpy(table, rows, sizeof rows);
    bound = p;
  }
  return table;
}

void Get_ValueOfExpression(Expression *expression, Value *v) {
  Get_ValueOfExpressionWithArguments(expression, v, 1);
}

void Get_ValueOfExpressionWithArguments(Expression *expression, Value *v, int nbrArguments) {
  if (!expression || !v) return;
  evaluate(expression, v, nbrArguments, v);
}

void Get_ValueOfExpressionByIndex(int index, Value *v) {
  Expression *e = Get_Expression(index);
  if (e) Get_ValueOfExpression(e, v);
}

void Cal_WholeQuantity(List_T *program, int dimension, int nbColumns, Value *values) {
  (void)dimension;  // only -1 (result in values[0]) is used
  (void)nbColumns;  // only 0 is used
  if (nesting == 0) abandoned = false;
  runProgram(program, values, 1, values);
}

Expression *Get_Expression(int index) {
  List_T *list = Problem_S.Expressions;
  if (!list || index < 0 || index >= list->count) return nullptr;
  return reinterpret_cast<Expression *>(list->records) + index;
}

int Find_Expression(const char *name) {
  if (!name || !Problem_S.Expressions) return -1;
  auto &map = firstByName();
  auto it = map.find(name);
  if (it != map.end()) {
    Expression *e = Get_Expression(it->second);
    if (e && e->Name && std::strcmp(e->Name, name) == 0) return it->second;
  }
  // The index is out of step (the list was changed elsewhere): scan.
  int n = List_Nbr(Problem_S.Expressions);
  for (int i = 0; i < n; i++) {
    Expression *e = Get_Expression(i);
    if (e->Name && std::strcmp(e->Name, name) == 0) {
      map[name] = i;
      return i;
    }
  }
  return -1;
}

int fcmp_Expression_Name(const void *a, const void *b) {
  const Expression *x = static_cast<const Expression *>(a);
  const Expression *y = static_cast<const Expression *>(b);
  return std::strcmp(x->Name ? x->Name : "", y->Name ? y->Name : "");
}

int Add_Expression(Expression *expression, char *name, int anonymous) {
  if (!Problem_S.Expressions) Problem_S.Expressions = List_Create(50, 50, sizeof(Expression));
  List_T *list = Problem_S.Expressions;
  if (anonymous) {
    // Anonymous records get a name of their own and never replace a record
    // (a user expression named like the base name stays intact).
    std::string generated = "_";
    generated.append(name ? name : "");
    generated.append("_");
    generated.append(std::to_string(List_Nbr(list)));
    char *text = static_cast<char *>(Malloc(generated.size() + 1));
    std::memcpy(text, generated.c_str(), generated.size() + 1);
    expression->Name = text;
    int index = List_Nbr(list);
    List_Add(list, expression);
    indexName(text, index);
    return index;
  }
  expression->Name = name;
  int found = Find_Expression(name);
  if (found < 0) {
    int index = List_Nbr(list);
    List_Add(list, expression);
    indexName(name, index);
    return index;
  }
  Expression *old = Get_Expression(found);
  if (old->Name != name) freeExpressionContent(old);
  std::memcpy(static_cast<void *>(old), expression, sizeof(Expression));
  return found;
}

void Rename_Expression(int index, char *name) {
  Expression *e = Get_Expression(index);
  if (!e) {
    Free(name);
    return;
  }
  if (e->Name != name) {
    unindexName(e->Name, index);
    Free(e->Name);
  }
  e->Name = name;
  indexName(name, index);
}

void Free_WholeQuantityList(List_T *program) {
  if (!program) return;
  WholeQuantity *items = reinterpret_cast<WholeQuantity *>(program->records);
  for (int i = 0; i < program->count; i++) {
    WholeQuantity &q = items[i];
    if (q.Type == QTY_BUILTIN) Free(q.Builtin.Parameters);
    if (q.Type == QTY_TEST) {
      Free_WholeQuantityList(q.TrueBranch);
      Free_WholeQuantityList(q.FalseBranch);
    }
  }
  List_Delete(program);
}

void Free_Problem() {
  List_T *list = Problem_S.Expressions;
  for (int i = 0; i < List_Nbr(list); i++) freeExpressionContent(Get_Expression(i));
  List_Delete(list);
  Problem_S.Expressions = nullptr;
  List_T *groups = Problem_S.Groups;
  for (int i = 0; i < List_Nbr(groups); i++) {
    Group *g = reinterpret_cast<Group *>(groups->records) + i;
    Free(g->Name);
    List_Delete(g->Tags);
  }
  List_Delete(groups);
  Problem_S.Groups = nullptr;
  firstByName().clear();
}
