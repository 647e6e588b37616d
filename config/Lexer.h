#ifndef DG_LEXER_H
#define DG_LEXER_H

// Scanner of the input language: cuts the input into keywords, operators,
// numbers, identifiers and quoted texts with longest-match semantics (among
// matches of equal length the earlier rule wins), skipping blanks and
// comments and counting lines from 0.

#include <cstdio>
#include <string>

// Token codes; any other single character is returned as its own code
// (a byte of 128 or more as its unsigned value). 0 is the end of input.
constexpr int tINT = 257;
constexpr int tFLOAT = 258;
constexpr int tSTRING = 259;  // identifier
constexpr int tBIGSTR = 260;  // quoted text
constexpr int tEND = 261;     // ";"
constexpr int tDOTS = 262;    // ":" or "..."
constexpr int tStrCat = 263;
constexpr int tGroup = 264;
constexpr int tAll = 265;
constexpr int tInclude = 266;
constexpr int tConstant = 267;
constexpr int tList = 268;
constexpr int tListAlt = 269;
constexpr int tDefineVariable = 270;
constexpr int tPi = 271;
constexpr int t0D = 272;
constexpr int t1D = 273;
constexpr int t2D = 274;
constexpr int t3D = 275;
constexpr int tExp = 278;
constexpr int tLog = 279;
constexpr int tLog10 = 280;
constexpr int tSqrt = 281;
constexpr int tSin = 282;
constexpr int tAsin = 283;
constexpr int tCos = 284;
constexpr int tAcos = 285;
constexpr int tTan = 286;
constexpr int tAtan = 287;
constexpr int tPow = 288;
constexpr int tAtan2 = 289;
constexpr int tSinh = 290;
constexpr int tCosh = 291;
constexpr int tTanh = 292;
constexpr int tFabs = 293;
constexpr int tFloor = 294;
constexpr int tCeil = 295;
constexpr int tFmod = 296;
constexpr int tModulo = 297;
constexpr int tHypot = 298;
constexpr int tDefineFunction = 299;
constexpr int tFunction = 300;
constexpr int tSensor = 301;
constexpr int tCrossProduct = 302;
constexpr int tDEF = 312;  // "="
constexpr int tCROSSPRODUCT = 322;  // "*^" or "/\"
constexpr int tOR = 313;
constexpr int tAND = 314;
constexpr int tEQUAL = 315;
constexpr int tNOTEQUAL = 316;
constexpr int tAPPROXEQUAL = 317;
constexpr int tLESSOREQUAL = 318;
constexpr int tGREATEROREQUAL = 319;
constexpr int tSHIFTLEFT = 320;
constexpr int tSHIFTRIGHT = 321;
constexpr int tDOUBLEHASH = 324;

// Value of the last token.
union YYSTYPE {
  int i;
  double d;
  char *c;  // identifiers and quoted texts: a new copy owned by the receiver
};

extern YYSTYPE yylval;
extern std::string yytext;  // characters of the last token
extern int yyleng;
extern long yylinenum;  // newlines read so far
extern long yycolnum;
extern int yyincludenum;
extern FILE *yyin;  // input stream; nothing is read when it is null

// Next token code.
int yylex();
int yywrap();
// Next raw character, or -1 at the end of input.
int yyinput();

// Restarts the scanner on the stream yyin (or on a text): the line counter
// goes back to 0 and the input is read from the start.
void Lexer_Restart();
void Lexer_SetString(const std::string &text);

// Copy of a text with Malloc.
char *strsave(const char *text);

#endif
