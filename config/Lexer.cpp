#include "Lexer.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "List.h"
#include "Parser.h"

YYSTYPE yylval;
std::string yytext;
int yyleng = 0;
long yylinenum = 0;
long yycolnum = 0;
int yyincludenum = 0;
FILE *yyin = nullptr;

namespace {

std::string input;  // the whole input, read at the first call
std::size_t pos = 0;
bool loaded = false;
bool fromText = false;

// A parameter file is text of modest size: reading stops at the first binary
// byte or past this size, so that a device or a binary file given by mistake
// is not read without end; the lexer reports what it stopped at.
constexpr std::size_t kLargestInput = std::size_t(64) << 20;

bool isBinaryByte(int c) { return (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') || c == 0x7f; }

void load() {
  if (loaded) return;
  loaded = true;
  pos = 0;
  if (fromText) return;
  input.clear();
  if (!yyin) return;  // no stream: empty input (standard input is never read)
  char buffer[16384];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, yyin)) > 0) {
    input.append(buffer, n);
    bool binary = false;
    for (std::size_t i = 0; i < n && !binary; ++i) binary = isBinaryByte(static_cast<unsigned char>(buffer[i]));
    if (binary) break;
    if (input.size() > kLargestInput) {
      // Nothing of such a file is parsed: its cut would be a parse error of its own.
      input.clear();
      vyyerror("the input file is larger than %zu MiB: not a parameter file", kLargestInput >> 20);
      break;
    }
  }
}

int at(std::size_t p) {
  return p < input.size() ? static_cast<unsigned char>(input[p]) : -1;
}

int next() {
  if (pos >= input.size()) return -1;
  yycolnum++;
  return static_cast<unsigned char>(input[pos++]);
}

bool isLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(int c) { return c >= '0' && c <= '9'; }
bool isIdentChar(int c) { return isLetter(c) || c == '_' || c == '.' || isDigit(c); }

std::size_t digitsFrom(std::size_t p) {
  std::size_t n = 0;
  while (isDigit(at(p + n))) n++;
  return n;
}

// Length of an exponent ("e", optional sign, digits) at p, or 0.
std::size_t exponentAt(std::size_t p) {
  int c = at(p);
  if (c != 'e' && c != 'E') return 0;
  std::size_t q = p + 1;
  if (at(q) == '+' || at(q) == '-') q++;
  std::size_t d = digitsFrom(q);
  return d ? q + d - p : 0;
}

struct Keyword {
  const char *text;
  int code;
};

const Keyword KEYWORDS[] = {
    {"StrCat", tStrCat},
    {"Pi", tPi},
    {"Include", tInclude},
    {"Constant", tConstant},
    {"Const", tConstant},
    {"Group", tGroup},
    {"All", tAll},
    {"Function", tFunction},
    {"DefineFunction", tDefineFunction},
    {"DefineVariable", tDefineVariable},
    {"DefineConstant", tDefineVariable},
    {"Sensor", tSensor},
    {"List", tList},
    {"ListAlt", tListAlt},
    {"Exp", tExp},
    {"Log", tLog},
    {"Log10", tLog10},
    {"Sqrt", tSqrt},
    {"Sin", tSin},
    {"ASin", tAsin},
    {"Cos", tCos},
    {"ACos", tAcos},
    {"Tan", tTan},
    {"Atan", tAtan},
    {"Atan2", tAtan2},
    {"Pow", tPow},
    {"Sinh", tSinh},
    {"Cosh", tCosh},
    {"Tanh", tTanh},
    {"Fabs", tFabs},
    {"Floor", tFloor},
    {"Ceil", tCeil},
    {"Fmod", tFmod},
    {"Modulo", tModulo},
    {"Hypot", tHypot},
    {"Cross", tCrossProduct},
    {"CrossProduct", tCrossProduct},
};

int keywordCode(const std::string &text) {
  for (const Keyword &k : KEYWORDS)
    if (text == k.text) return k.code;
  return 0;
}

// Takes len characters as the token's text.
void take(std::size_t start, std::size_t len) {
  pos = start;
  for (std::size_t i = 0; i < len; i++) next();
  yytext = input.substr(start, len);
  yyleng = static_cast<int>(len);
}

int realToken(std::size_t start, std::size_t len) {
  take(start, len);
  yylval.d = std::strtod(yytext.c_str(), nullptr);
  return tFLOAT;
}

int integerToken(std::size_t start, std::size_t len) {
  take(start, len);
  errno = 0;
  long long v = std::strtoll(yytext.c_str(), nullptr, 10);
  if (v > INT_MAX) v = INT_MAX;
  yylval.i = static_cast<int>(v);
  return tINT;
}

void blockComment() {
  for (;;) {
    int c = next();
    if (c < 0) break;
    if (c == '\n') {
      yylinenum++;
      continue;
    }
    if (c == '*') {
      int c2 = next();
      if (c2 == '/') return;
      if (c2 < 0) break;
      pos--;  // examined again
      yycolnum--;
    }
  }
  std::fflush(stdout);
  std::fprintf(stderr, "Error: End of file in commented region\n");
  std::exit(1);
}

void lineComment() {
  for (;;) {
    int c = next();
    if (c < 0) return;  // cut off by the end of input: ends quietly
    if (c == '\n') {
      yylinenum++;
      return;
    }
  }
}

int quotedText() {
  std::string text;
  for (;;) {
    int c = next();
    if (c < 0 || c == '"') break;
    if (c == '\n') {
      yycolnum = 0;
      yylinenum++;
      continue;
    }
    text.push_back(static_cast<char>(c));
  }
  yylval.c = strsave(text.c_str());
  return tBIGSTR;
}

}  // namespace

char *strsave(const char *text) {
  std::size_t n = std::strlen(text) + 1;
  char *copy = static_cast<char *>(Malloc(n));
  if (copy) std::memcpy(copy, text, n);
  return copy;
}

void Lexer_Restart() {
  loaded = false;
  fromText = false;
  input.clear();
  pos = 0;
  yylinenum = 0;
  yycolnum = 0;
  yytext.clear();
  yyleng = 0;
}

void Lexer_SetString(const std::string &text) {
  Lexer_Restart();
  input = text;
  fromText = true;
}

int yywrap() { return 1; }

int yyinput() {
  load();
  return next();
}

int yylex() {
  load();
  for (;;) {
    std::size_t start = pos;
    int c = at(start);
    if (c >= 0 && isBinaryByte(c)) {
      // Reported as an error of the file; the parse ends here.
      vyyerror("binary data in the input file (a byte 0x%02x): not a parameter file", c);
      pos = input.size();
      c = -1;
    }
    if (c < 0) {
      yywrap();
      yyincludenum = 0;
      yytext.clear();
      yyleng = 0;
      return 0;
    }
    int c1 = at(start + 1);
    switch (c) {
      case ' ':
      case '\t':
      case '\r':
      case '\f':
        next();
        continue;
      case '\n':
        next();
        yylinenum++;
        yycolnum = 0;
        continue;
      case ';':
        take(start, 1);
        return tEND;
      case '/':
        if (c1 == '*') {
          take(start, 2);
          blockComment();
          continue;
        }
        if (c1 == '/') {
          take(start, 2);
          lineComment();
          continue;
        }
        if (c1 == '\\') {
          take(start, 2);
          return tCROSSPRODUCT;
        }
        take(start, 1);
        return '/';
      case '"':
        take(start, 1);
        return quotedText();
      case '=':
        take(start, c1 == '=' ? 2 : 1);
        return c1 == '=' ? tEQUAL : tDEF;
      case '*':
        take(start, c1 == '^' ? 2 : 1);
        return c1 == '^' ? tCROSSPRODUCT : '*';
      case '|':
        take(start, c1 == '|' ? 2 : 1);
        return c1 == '|' ? tOR : '|';
      case '&':
        take(start, c1 == '&' ? 2 : 1);
        return c1 == '&' ? tAND : '&';
      case '!':
        take(start, c1 == '=' ? 2 : 1);
        return c1 == '=' ? tNOTEQUAL : '!';
      case '~':
        take(start, c1 == '=' ? 2 : 1);
        return c1 == '=' ? tAPPROXEQUAL : '~';
      case '<':
        if (c1 == '=' || c1 == '<') {
          take(start, 2);
          return c1 == '=' ? tLESSOREQUAL : tSHIFTLEFT;
        }
        take(start, 1);
        return '<';
      case '>':
        if (c1 == '=' || c1 == '>') {
          take(start, 2);
          return c1 == '=' ? tGREATEROREQUAL : tSHIFTRIGHT;
        }
        take(start, 1);
        return '>';
      case ':':
        take(start, 1);
        return tDOTS;
      case '#':
        if (c1 == '#') {
          take(start, 2);
          return tDOUBLEHASH;
        }
        if (input.compare(start, 8, "#include") == 0) {
          take(start, 8);
          return tInclude;
        }
        take(start, 1);
        return '#';
      default:
        break;
    }
    if (isDigit(c)) {
      if (c <= '3' && c1 == 'D') {
        take(start, 2);
        return t0D + (c - '0');
      }
      std::size_t n = digitsFrom(start);
      if (at(start + n) == '.') {
        std::size_t frac = digitsFrom(start + n + 1);
        std::size_t len = n + 1 + frac;
        len += exponentAt(start + len);
        return realToken(start, len);
      }
      std::size_t e = exponentAt(start + n);
      if (e) return realToken(start, n + e);
      return integerToken(start, n);
    }
    if (isLetter(c) || c == '_' || c == '.') {
      std::size_t idLen = 0;
      while (isIdentChar(at(start + idLen))) idLen++;
      if (c == '.') {
        std::size_t rangeLen = input.compare(start, 3, "...") == 0 ? 3 : 0;
        std::size_t realLen = 0;
        std::size_t d = digitsFrom(start + 1);
        if (d) realLen = 1 + d + exponentAt(start + 1 + d);
        if (rangeLen >= realLen && rangeLen >= idLen && rangeLen > 0) {
          take(start, 3);
          return tDOTS;
        }
        if (realLen > 0 && realLen >= idLen) return realToken(start, realLen);
      }
      take(start, idLen);
      int code = keywordCode(yytext);
      if (code) return code;
      yylval.c = strsave(yytext.c_str());
      return tSTRING;
    }
    // Any other character, bytes of 128 or more included, is its own token.
    take(start, 1);
    return c;
  }
}
