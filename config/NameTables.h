#ifndef DG_NAMETABLES_H
#define DG_NAMETABLES_H

// Small static tables that bind names of the input language to numbers,
// routines and addresses, and the look-ups through them. Every table is an
// array of rows ended by a row whose key is null (or 0 for defines); look-ups
// scan linearly from the first row and compare names exactly.

struct Function;
struct Value;

using GenericRoutine = void (*)();
using BuiltinRoutine = void (*)(Function *, Value *, Value *);

struct StringXDefine {
  const char *string;
  int define;
};
struct StringXDefine1Nbr {
  const char *string;
  int define;
  int number;
};
struct StringXPointer {
  const char *string;
  void *pointer;
};
struct StringX3Function2Nbr {
  const char *string;
  GenericRoutine function1, function2, function3;
  double nbr1;
  int nbr2;
};
struct StringXFunction2Nbr {
  const char *string;
  BuiltinRoutine function;
  int nbrParameters;
  int nbrArguments;
};
struct FunctionXFunction {
  GenericRoutine functionKey;
  GenericRoutine function;
};
struct DefineXFunction {
  int define;
  GenericRoutine function;
};

// Limiter names by number; also the names the value arithmetic prints for
// type codes (which it lacks, so they print "?").
extern const StringXDefine Field_Type[];

// Name to values. `flag` becomes 1 when the name is absent (the outputs then
// come from the ending row), 0 when found.
int Get_DefineForString(const StringXDefine *table, const char *string, int *flag);
int Get_Define1NbrForString(const StringXDefine1Nbr *table, const char *string, int *flag,
                            int *number);
void Get_PointerForString(const StringXPointer *table, const char *string, int *flag,
                          void **pointer);
void Get_3Function2NbrForString(const StringX3Function2Nbr *table, const char *string,
                                int *flag, GenericRoutine *f1, GenericRoutine *f2,
                                GenericRoutine *f3, double *nbr1, int *nbr2);
void Get_Function2NbrForString(const StringXFunction2Nbr *table, const char *string, int *flag,
                               BuiltinRoutine *function, int *nbrParameters, int *nbrArguments);
void Get_FunctionForFunction(const FunctionXFunction *table, GenericRoutine key, int *flag,
                             GenericRoutine *function);
void Get_FunctionForDefine(const DefineXFunction *table, int define, int *flag,
                           GenericRoutine *function);

// Value to name: the first row holding the value, or "?".
const char *Get_StringForDefine(const StringXDefine *table, int define);
const char *Get_StringForDefine1Nbr(const StringXDefine1Nbr *table, int define);
const char *Get_StringForPointer(const StringXPointer *table, const void *pointer);
const char *Get_StringFor3Function2Nbr(const StringX3Function2Nbr *table, GenericRoutine f);
const char *Get_StringForFunction2Nbr(const StringXFunction2Nbr *table, BuiltinRoutine f);

#endif
