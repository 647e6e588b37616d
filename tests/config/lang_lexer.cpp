// Scanner of the input language: tokens by longest match, values, comments,
// quoted texts and the line counter.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Lexer.h"
#include "List.h"
#include "lang_helpers.h"

namespace {

struct Token {
  int code;
  std::string text;
  bool operator==(const Token &o) const { return code == o.code && text == o.text; }
};

std::ostream &operator<<(std::ostream &os, const Token &t) {
  return os << "{" << t.code << ", \"" << t.text << "\"}";
}

// All tokens of a text; identifiers and quoted texts carry their value.
std::vector<Token> scan(const std::string &text) {
  Lexer_SetString(text);
  std::vector<Token> tokens;
  for (int code; (code = yylex()) != 0;) {
    std::string t = yytext;
    if (code == tSTRING || code == tBIGSTR) {
      t = yylval.c;
      Free(yylval.c);
    }
    tokens.push_back({code, t});
  }
  Lexer_Restart();
  return tokens;
}

TEST(LangLexer, LongestMatchAndRulePriority) {
  struct {
    const char *input;
    std::vector<Token> tokens;
  } cases[] = {
      {"Const Constant", {{tConstant, "Const"}, {tConstant, "Constant"}}},
      {"DefineVariable DefineConstant", {{tDefineVariable, "DefineVariable"}, {tDefineVariable, "DefineConstant"}}},
      {"Include #include", {{tInclude, "Include"}, {tInclude, "#include"}}},
      {"Cross CrossProduct", {{tCrossProduct, "Cross"}, {tCrossProduct, "CrossProduct"}}},
      {"Constants Pix Sinh", {{tSTRING, "Constants"}, {tSTRING, "Pix"}, {tSinh, "Sinh"}}},
      {"0Dx", {{t0D, "0D"}, {tSTRING, "x"}}},
      {"1e", {{tINT, "1"}, {tSTRING, "e"}}},
      {"1.5.2", {{tFLOAT, "1.5"}, {tFLOAT, ".2"}}},
      {". .. ... ....", {{tSTRING, "."}, {tSTRING, ".."}, {tDOTS, "..."}, {tSTRING, "...."}}},
      {"1...3", {{tFLOAT, "1."}, {tSTRING, "..3"}}},
      {"a.b", {{tSTRING, "a.b"}}},
      {"#includex", {{tInclude, "#include"}, {tSTRING, "x"}}},
      {"<<=", {{tSHIFTLEFT, "<<"}, {tDEF, "="}}},
      {"1.5e+x", {{tFLOAT, "1.5"}, {tSTRING, "e"}, {'+', "+"}, {tSTRING, "x"}}},
      {".5x", {{tSTRING, ".5x"}}},
      {"*^ /\\ || && == != ~= <= >= >> : ## # ;",
       {{tCROSSPRODUCT, "*^"}, {tCROSSPRODUCT, "/\\"}, {tOR, "||"}, {tAND, "&&"},
        {tEQUAL, "=="}, {tNOTEQUAL, "!="}, {tAPPROXEQUAL, "~="}, {tLESSOREQUAL, "<="},
        {tGREATEROREQUAL, ">="}, {tSHIFTRIGHT, ">>"}, {tDOTS, ":"}, {tDOUBLEHASH, "##"},
        {'#', "#"}, {tEND, ";"}}},
      {"Exp Log Log10 Sqrt Sin ASin Cos ACos Tan Atan Atan2 Pow",
       {{278, "Exp"}, {279, "Log"}, {280, "Log10"}, {281, "Sqrt"}, {282, "Sin"}, {283, "ASin"},
        {284, "Cos"}, {285, "ACos"}, {286, "Tan"}, {287, "Atan"}, {289, "Atan2"}, {288, "Pow"}}},
      {"Sinh Cosh Tanh Fabs Floor Ceil Fmod Modulo Hypot",
       {{290, "Sinh"}, {291, "Cosh"}, {292, "Tanh"}, {293, "Fabs"}, {294, "Floor"},
        {295, "Ceil"}, {296, "Fmod"}, {297, "Modulo"}, {298, "Hypot"}}},
      {"StrCat Pi 3D Group All Function DefineFunction Sensor List ListAlt",
       {{263, "StrCat"}, {271, "Pi"}, {275, "3D"}, {264, "Group"}, {265, "All"},
        {300, "Function"}, {299, "DefineFunction"}, {301, "Sensor"}, {268, "List"},
        {269, "ListAlt"}}},
      {"x'y", {{tSTRING, "x"}, {'\'', "'"}, {tSTRING, "y"}}},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(scan(c.input), c.tokens);
  }
}

TEST(LangLexer, NumbersCarryTheirValues) {
  struct {
    const char *input;
    int code;
    double value;
  } cases[] = {{"0.5", tFLOAT, 0.5}, {".5", tFLOAT, 0.5},   {"5.", tFLOAT, 5.0},
               {"5e-1", tFLOAT, 0.5}, {"5E-1", tFLOAT, 0.5}, {"05", tINT, 5},
               {"2.5e+2", tFLOAT, 250}, {"123", tINT, 123}};
  for (auto &c : cases) {
    SCOPED_TRACE(c.input);
    Lexer_SetString(c.input);
    ASSERT_EQ(yylex(), c.code);
    EXPECT_EQ(c.code == tINT ? yylval.i : yylval.d, c.value);
    EXPECT_EQ(yylex(), 0);
  }
  Lexer_Restart();
}

TEST(LangLexer, CommentsTextsAndLineCounting) {
  // A quoted text over two lines loses its newline; the line count includes it.
  Lexer_SetString("a /* one\n two **/ \"x\ny\\z\" // rest\nb // cut off");
  EXPECT_EQ(yylex(), tSTRING);
  Free(yylval.c);
  EXPECT_EQ(yylinenum, 0);
  EXPECT_EQ(yylex(), tBIGSTR);
  EXPECT_STREQ(yylval.c, "xy\\z");  // no escape character
  Free(yylval.c);
  EXPECT_EQ(yylinenum, 2);
  EXPECT_EQ(yylex(), tSTRING);
  EXPECT_STREQ(yylval.c, "b");
  Free(yylval.c);
  EXPECT_EQ(yylinenum, 3);
  EXPECT_EQ(yylex(), 0);  // the line comment cut off by the end ends quietly
  Lexer_Restart();

  // A quoted text cut off by the end of the input ends there, unreported.
  Lexer_SetString("\"open");
  EXPECT_EQ(yylex(), tBIGSTR);
  EXPECT_STREQ(yylval.c, "open");
  Free(yylval.c);
  Lexer_Restart();
}

TEST(LangLexer, LongQuotedTextIsKeptWhole) {
  std::string body(5000, 'q');
  Lexer_SetString("\"" + body + "\"");
  ASSERT_EQ(yylex(), tBIGSTR);
  EXPECT_EQ(std::string(yylval.c), body);
  Free(yylval.c);
  Lexer_Restart();
}

TEST(LangLexer, HighBytesAreCharactersOfTheirOwn) {
  auto tokens = scan("a \xE9 b");
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(tokens[1].code, 0xE9);
}

TEST(LangLexerDeathTest, UnterminatedBlockCommentEndsTheProcess) {
  EXPECT_EXIT(
      {
        Lexer_SetString("x = 1; /* never closed\n");
        while (yylex() != 0) {
        }
      },
      testing::ExitedWithCode(1), "Error: End of file in commented region\n");
}

}  // namespace
