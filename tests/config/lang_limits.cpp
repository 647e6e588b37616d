// Inputs that could make the parser loop forever, claim all the memory or
// overflow the stack: each is bounded and reported, and the parse goes on
// (or stops with a report for nesting beyond the parser's depth).

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "List.h"
#include "lang_helpers.h"

namespace {

using langtest::number;
using langtest::parse;

const std::string kTooLong =
    "Error ('test.par' line 0): Lists and texts too long (more than 8388608 bytes in one file)\n";

std::vector<double> numbers(const char *name) {
  Constant c{};
  EXPECT_TRUE(Get_Constant(name, &c)) << name;
  std::vector<double> v;
  if (c.Type == CONSTANT_NUMBER) v.push_back(c.Value.Number);
  if (c.Type == CONSTANT_LIST)
    for (int i = 0; i < List_Nbr(c.Value.Numbers); i++) {
      double d;
      List_Read(c.Value.Numbers, i, &d);
      v.push_back(d);
    }
  return v;
}

std::vector<int> groupTags(const char *name) {
  std::vector<int> tags;
  for (int i = 0; i < List_Nbr(Problem_S.Groups); i++) {
    Group g{};
    List_Read(Problem_S.Groups, i, &g);
    if (std::strcmp(g.Name, name) != 0) continue;
    for (int k = 0; k < List_Nbr(g.Tags); k++) {
      int t;
      List_Read(g.Tags, k, &t);
      tags.push_back(t);
    }
  }
  return tags;
}

// Ranges whose step cannot move past their bounds, or that would hold more
// values than any file may make: a report and the first bound alone.
TEST(LangLimits, RangesThatCannotEndOrAreHugeAreReported) {
  struct Case {
    const char *text, *report;
    double first;
  };
  const Case cases[] = {
      // 1e17 + 1 is 1e17 in doubles: the implicit step of 1 never moves.
      {"x = 1e17:1e17+1000;", "Error ('test.par' line 0): Wrong increment in '1e+17 : 1e+17'\n", 1e17},
      {"x = -1e300:0;", "Error ('test.par' line 0): Wrong increment in '-1e+300 : 0'\n", -1e300},
      {"x = 0:1e400;", "Error ('test.par' line 0): Wrong increment in '0 : inf'\n", 0},
      // A step below the precision of a bound.
      {"x = 0:1:1e-20;", "Error ('test.par' line 0): Wrong increment in '0 : 1 : 1e-20'\n", 0},
      {"x = 1:2:1e-300;", "Error ('test.par' line 0): Wrong increment in '1 : 2 : 1e-300'\n", 1},
      {"x = 1e16:1e16+100:0.5;", "Error ('test.par' line 0): Wrong increment in '1e+16 : 1e+16 : 0.5'\n", 1e16},
      // Representable steps, but far too many values.
      {"x = 1:1e12;", kTooLong.c_str(), 1},
      {"x = 0:1:1e-9;", kTooLong.c_str(), 0},
      {"x = 1e9:-1e9;", kTooLong.c_str(), 1e9},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    auto r = parse(std::string(c.text) + " y = 2;");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, c.report);
    EXPECT_EQ(numbers("x"), std::vector<double>{c.first});
    EXPECT_EQ(number("y"), 2);  // the parse goes on
  }

  // Ranges near the limits of exact doubles still end where they should.
  auto r = parse("a = 9007199254740990.0:9007199254740992.0; b = 1e16:1e16+8:2; c = 0:1:0.1;");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(numbers("a"), (std::vector<double>{9007199254740990.0, 9007199254740991.0, 9007199254740992.0}));
  EXPECT_EQ(numbers("b"), (std::vector<double>{1e16, 1e16 + 2, 1e16 + 4, 1e16 + 6, 1e16 + 8}));
  EXPECT_EQ(numbers("c").size(), 11u);
}

// The limit holds for the whole file: many ranges, copies of list constants
// and doubling texts each within the limit cannot add up beyond it.
TEST(LangLimits, GeneratorsShareOneBudgetPerFile) {
  std::string text;
  for (int i = 0; i < 3; i++) text += "x" + std::to_string(i) + " = 1:4e5;\n";
  auto r = parse(text);
  EXPECT_EQ(r.out, "Error ('test.par' line 2): Lists and texts too long (more than 8388608 bytes in one file)\n");
  EXPECT_EQ(numbers("x1").size(), 400000u);
  EXPECT_EQ(numbers("x2"), std::vector<double>{1});

  // Each line doubles a list: 1000 numbers doubled 20 times would be 8 GB.
  text = "x = 1:1000;\n";
  for (int i = 0; i < 20; i++) text += "x = {x{}, List[x]};\n";
  r = parse(text);
  EXPECT_NE(r.out.find("Lists and texts too long"), std::string::npos);
  EXPECT_LE(numbers("x").size(), 8388608u / 8);

  // Nested StrCat of a long text constant: each level copies the constant
  // and a longer joined text.
  text = "s = \"" + std::string(1 << 20, 'x') + "\";\nInclude ";
  for (int i = 0; i < 100; i++) text += "StrCat[s, ";
  text += "s" + std::string(100, ']');
  r = parse(text);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Lists and texts too long"), std::string::npos);
  EXPECT_LE(yyincludename.size(), 8388608u);

  // A new file starts with the whole budget again.
  r = parse("x = 1:4e5;");
  EXPECT_EQ(r.out, "");
}

TEST(LangLimits, TagRangesOfGroupsAreBounded) {
  auto r = parse(
      "Group {\n"
      "  huge = Region[1:2000000000];\n"
      "  far = Region[2000000000:5:-1000000000];\n"
      "  top = Region[2147483646:1e300];\n"
      "  none = Region[1:0/0];\n"
      "}\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Error ('test.par' line 1): Lists and texts too long (more than 8388608 bytes in one file)\n");
  EXPECT_EQ(groupTags("huge"), std::vector<int>{1});
  EXPECT_EQ(groupTags("far"), (std::vector<int>{2000000000, 1000000000}));
  EXPECT_EQ(groupTags("top"), (std::vector<int>{2147483646, 2147483647}));
  EXPECT_EQ(groupTags("none"), std::vector<int>{});

  // Removing a million tags from a million is one pass, not a shift per tag.
  r = parse("Group { g = Region[{1:1000000, 7, -1:1000000, 3, -7, -7}]; }");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(groupTags("g"), std::vector<int>{3});

  // A piece-wise function over a million regions is defined in one pass;
  // regions given twice are still reported.
  r = parse("Function { f[Region[1:1000000]] = 1; f[Region[{7, 2000000, 7}]] = 2; }");
  EXPECT_EQ(r.out,
            "Error ('test.par' line 0): Redefinition of piece-wise Function: f [7]\n"
            "Error ('test.par' line 0): Redefinition of piece-wise Function: f [7]\n");
  Expression *f = Get_Expression(Find_Expression("f"));
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(List_Nbr(f->Pieces), 1000001);
  langtest::params().state.region = 2000000;
  EXPECT_EQ(langtest::evaluate("f").Val[0], 2);
  langtest::params().state.region = 999999;
  EXPECT_EQ(langtest::evaluate("f").Val[0], 1);
  langtest::params().state.region = 0;
}

TEST(LangLimits, DeepNestingStopsTheParseInsteadOfTheStack) {
  for (const char *prefix : {"-", "!", "+"}) {
    SCOPED_TRACE(prefix);
    std::string deep;
    for (int i = 0; i < 200000; i++) deep += prefix;
    // A prefix "+" exists only in run-time expressions.
    auto r = parse("x = " + deep + "1;");
    EXPECT_EQ(r.status, *prefix == '+' ? 1 : 2);
    if (*prefix != '+') {
      EXPECT_NE(r.out.find("parser stack overflow"), std::string::npos);
    }
    r = parse("Function { f[] = " + deep + "1; }");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("parser stack overflow"), std::string::npos);
  }
  std::string powers = "x = 2";
  for (int i = 0; i < 200000; i++) powers += "^1";
  EXPECT_EQ(parse(powers + ";").status, 2);

  // A nest of conditionals within the parser's depth is evaluated up to a
  // depth of its own, without running out of stack.
  std::string test;
  for (int i = 0; i < 300; i++) test += "1 ? ";
  test += "5";
  for (int i = 0; i < 300; i++) test += " : 0";
  auto r = parse("Function { f[] = " + test + "; g[] = 1 ? (1 ? 4 : 0) : 0; }");
  ASSERT_EQ(r.status, 0) << r.out;
  Value v{};
  const std::string printed = langtest::evaluatePrinting("f", &v);
  EXPECT_NE(printed.find("Expression nesting too deep in a conditional (64)"), std::string::npos);
  EXPECT_EQ(langtest::evaluatePrinting("g", &v), "");
  EXPECT_EQ(v.Val[0], 4);
}

// A piece that calls its own function twice would double the work at each
// of the 64 levels: the evaluation is given up at the limit instead, with
// one report, and the next evaluation starts afresh.
TEST(LangLimits, SelfCallingPiecesAreGivenUpAtTheNestingLimit) {
  auto r = parse("Function { f[Region[1]] = 1; f[Region[2]] = f[] + f[] + f[]; g[] = 2; }");
  ASSERT_EQ(r.status, 0) << r.out;
  langtest::params().state.region = 2;
  Value v{};
  EXPECT_EQ(langtest::evaluatePrinting("f", &v), "Expression nesting too deep in 'f' (64)");
  EXPECT_EQ(langtest::evaluatePrinting("g", &v), "");
  EXPECT_EQ(v.Val[0], 2);
  langtest::params().state.region = 1;
  EXPECT_EQ(langtest::evaluatePrinting("f", &v), "");
  EXPECT_EQ(v.Val[0], 1);
  langtest::params().state.region = 0;
}

// Byte counts of list arrays are full width: an array beyond 4 GB is asked
// for whole (or refused), never as its size modulo 2^32.
TEST(LangLimits, ListByteCountsDoNotWrap) {
  List_T *l = List_Create(1, 1, 1 << 20);
  ASSERT_NE(l, nullptr);
  testing::internal::CaptureStdout();
  List_Realloc(l, 4097);  // 4097 MB: 1 MB modulo 2^32
  const std::string out = testing::internal::GetCapturedStdout();
  if (l->capacity == 4097) {
    // Granted: the last byte of the last record lies within the array
    // (only that page is touched).
    char *last = l->records + 4097ull * (1 << 20) - 1;
    *last = 'z';
    EXPECT_EQ(*last, 'z');
  } else {
    EXPECT_EQ(l->capacity, 1);
    EXPECT_EQ(out, "Out of memory (buy some more RAM!)");
  }
  List_Delete(l);

  // A capacity beyond the int range is refused and the list stays usable.
  List_T *big = List_Create(1, 3, 1);
  ASSERT_NE(big, nullptr);
  const int before = big->capacity;
  testing::internal::CaptureStdout();
  List_Realloc(big, INT_MAX);  // 2^31 + 1 records in steps of 3
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Out of memory (buy some more RAM!)");
  EXPECT_EQ(big->capacity, before);
  char c = 'a';
  List_Add(big, &c);
  EXPECT_EQ(List_Nbr(big), 1);
  List_Delete(big);
}

}  // namespace
