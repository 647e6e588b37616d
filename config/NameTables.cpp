#include "NameTables.h"

#include <cstring>

const StringXDefine Field_Type[] = {
    {"BarthLimiter", 1}, {"PhysicalLimiter", 3}, {"MomentLimiter", 2}, {nullptr, 0}};

namespace {

template <class Row>
const Row *findByName(const Row *table, const char *string, int *flag) {
  int i = 0;
  while (table[i].string && !(string && std::strcmp(table[i].string, string) == 0)) i++;
  if (flag) *flag = table[i].string ? 0 : 1;
  return &table[i];
}

const char UNKNOWN_NAME[] = "?";

}  // namespace

int Get_DefineForString(const StringXDefine *table, const char *string, int *flag) {
  return findByName(table, string, flag)->define;
}

int Get_Define1NbrForString(const StringXDefine1Nbr *table, const char *string, int *flag,
                            int *number) {
  const StringXDefine1Nbr *row = findByName(table, string, flag);
  if (number) *number = row->number;
  return row->define;
}

void Get_PointerForString(const StringXPointer *table, const char *string, int *flag,
                          void **pointer) {
  const StringXPointer *row = findByName(table, string, flag);
  if (pointer) *pointer = row->pointer;
}

void Get_3Function2NbrForString(const StringX3Function2Nbr *table, const char *string,
                                int *flag, GenericRoutine *f1, GenericRoutine *f2,
                                GenericRoutine *f3, double *nbr1, int *nbr2) {
  const StringX3Function2Nbr *row = findByName(table, string, flag);
  if (f1) *f1 = row->function1;
  if (f2) *f2 = row->function2;
  if (f3) *f3 = row->function3;
  if (nbr1) *nbr1 = row->nbr1;
  if (nbr2) *nbr2 = row->nbr2;
}

void Get_Function2NbrForString(const StringXFunction2Nbr *table, const char *string, int *flag,
                               BuiltinRoutine *function, int *nbrParameters, int *nbrArguments) {
  const StringXFunction2Nbr *row = findByName(table, string, flag);
  if (function) *function = row->function;
  if (nbrParameters) *nbrParameters = row->nbrParameters;
  if (nbrArguments) *nbrArguments = row->nbrArguments;
}

void Get_FunctionForFunction(const FunctionXFunction *table, GenericRoutine key, int *flag,
                             GenericRoutine *function) {
  int i = 0;
  while (table[i].functionKey && table[i].functionKey != key) i++;
  if (flag) *flag = table[i].functionKey ? 0 : 1;
  if (function) *function = table[i].function;
}

void Get_FunctionForDefine(const DefineXFunction *table, int define, int *flag,
                           GenericRoutine *function) {
  int i = 0;
  while (table[i].define && table[i].define != define) i++;
  if (flag) *flag = table[i].define ? 0 : 1;
  if (function) *function = table[i].function;
}

const char *Get_StringForDefine(const StringXDefine *table, int define) {
  for (int i = 0; table[i].string; i++)
    if (table[i].define == define) return table[i].string;
  return UNKNOWN_NAME;
}

const char *Get_StringForDefine1Nbr(const StringXDefine1Nbr *table, int define) {
  for (int i = 0; table[i].string; i++)
    if (table[i].define == define) return table[i].string;
  return UNKNOWN_NAME;
}

const char *Get_StringForPointer(const StringXPointer *table, const void *pointer) {
  for (int i = 0; table[i].string; i++)
    if (table[i].pointer == pointer) return table[i].string;
  return UNKNOWN_NAME;
}

const char *Get_StringFor3Function2Nbr(const StringX3Function2Nbr *table, GenericRoutine f) {
  for (int i = 0; table[i].string; i++)
    if (table[i].function1 == f) return table[i].string;
  return UNKNOWN_NAME;
}

const char *Get_StringForFunction2Nbr(const StringXFunction2Nbr *table, BuiltinRoutine f) {
  for (int i = 0; table[i].string; i++)
    if (table[i].function == f) return table[i].string;
  return UNKNOWN_NAME;
}
