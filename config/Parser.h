#ifndef DG_PARSER_H
#define DG_PARSER_H

// Parser of the input language: a hand-written recursive-descent parser over
// the scanner's tokens that performs each statement's effect as soon as the
// statement is recognised (named constants, the "Function", "Group" and
// "Sensor" blocks, "Include").
//
// Reports go to standard output: a syntax error prints
// "Error ('FILE' line N): parse error on 'TOKEN'" (no line end) and stops the
// parse; errors found by the statements print "Error ('FILE' line N): MSG\n"
// and the parse goes on. Line numbers count the newlines read so far (the
// first line is line 0).

#include <string>

#include "Expression.h"
#include "List.h"
#include "mPoint.h"

constexpr int CONSTANT_NUMBER = 1;
constexpr int CONSTANT_LIST = 2;
constexpr int CONSTANT_TEXT = 3;

// A named constant of a parameter file.
struct Constant {
  char *Name;  // owned
  int Type;
  union {
    double Number;    // CONSTANT_NUMBER
    List_T *Numbers;  // CONSTANT_LIST: doubles, possibly null
    char *Text;       // CONSTANT_TEXT, owned
  } Value;
};

// Constants of the parsed file(s), found by name with fcmp_Constant.
extern List_T *ConstantTable_L;
int fcmp_Constant(const void *a, const void *b);

extern std::string yyname;         // name of the file, in every report
extern std::string yyincludename;  // text of the last "Include"
extern int ErrorLevel;             // 1 once an error was reported
extern int yynerrs;

// Parses yyin; 0 at the end of the input (or at an "Include"), 1 after a
// syntax error, 2 when the nesting is too deep. Generators of lists and
// texts share a budget per parse: what goes beyond it is reported and not
// made.
int yyparse();
// Parses a text (used by the tests and by tools); restarts the scanner.
int Parse_String(const std::string &text, const std::string &name = "string");

void yyerror(const char *message);
void vyyerror(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Looks a constant up by name; copies it into *out when found.
bool Get_Constant(const char *name, Constant *out);
void Print_Constant();
// Frees the constant table (and with it every constant); the next parse starts empty.
void Free_ConstantTable();
// Forgets everything parsed so far: constants, expressions and groups.
void Parser_Reset();

// What a "Sensor" block asks for once its checks have passed.
constexpr int MAX_SENSOR_POINTS = 12;
struct SensorRequest {
  std::string name = "_none";
  std::string quantity = "_none";  // name of the expression the sensor samples
  std::string type;                // "Gmsh", "Ensight", "Line" or "Point"
  double sampleRate = -1;
  int nbSamples = 100;
  KORA::mPoint points[MAX_SENSOR_POINTS];
  int numPoint = 0;
};

// "Sensor" blocks of the last parse that created no sensor (a failed check
// or a sensor that could not be created); each was reported.
int Parser_SensorFailures();

// Errors ("Error ('FILE' line N): ...") reported by the last parse, the
// syntax error that ended it included.
int Parser_ErrorCount();

// Creates the sensor of a checked "Sensor" block, binds it to its quantity
// (DGSensor::setFunct) and adds it to the analysis of the global context;
// returns false when it cannot (kind not available). The sensor library sets
// it before a parameter file is read; while it is null no sensor is created
// and the block is reported as failed.
extern bool (*Input_CreateSensor)(const SensorRequest &request);

// Adds a group to Problem_S.Groups (replacing one of the same name); the name
// is taken over. Returns its position.
int Add_Group(Group *group, char *name);
int fcmp_Group_Name(const void *a, const void *b);

#endif
