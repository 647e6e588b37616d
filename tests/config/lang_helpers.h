#ifndef DG_TESTS_LANG_HELPERS_H
#define DG_TESTS_LANG_HELPERS_H

// Shared helpers of the input-language tests: parse a text with a fresh
// parser state and capture what it prints; read constants; evaluate named
// expressions at a given run state.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "DGParameters.h"
#include "Expression.h"
#include "GlobalParamManager.h"
#include "Parser.h"

namespace langtest {

struct ParseResult {
  int status;
  std::string out;
};

// Parses `text` as the file "test.par" after forgetting everything parsed before.
inline ParseResult parse(const std::string &text) {
  GlobalParamManager::Instance();
  Parser_Reset();
  testing::internal::CaptureStdout();
  int status = Parse_String(text, "test.par");
  std::fflush(stdout);
  return {status, testing::internal::GetCapturedStdout()};
}

// Runs f with standard output captured; returns what it printed.
template <class F>
std::string captured(F f) {
  testing::internal::CaptureStdout();
  f();
  std::fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

inline DGParameters &params() { return *GlobalParamManager::Instance()->parameters; }

inline double number(const char *name) {
  Constant c{};
  EXPECT_TRUE(Get_Constant(name, &c)) << name;
  EXPECT_EQ(c.Type, CONSTANT_NUMBER) << name;
  return c.Type == CONSTANT_NUMBER ? c.Value.Number : -12345.678;
}

inline Value evaluate(const char *name) {
  Value v{};
  Expression *e = Get_Expression(Find_Expression(name));
  EXPECT_NE(e, nullptr) << name;
  if (e) Get_ValueOfExpression(e, &v);
  return v;
}

// Evaluates a named expression and returns what evaluating it printed.
inline std::string evaluatePrinting(const char *name, Value *v) {
  return captured([&] { *v = evaluate(name); });
}

}  // namespace langtest

#endif
