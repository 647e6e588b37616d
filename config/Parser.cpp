#include "Parser.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

#include "DGParameters.h"
#include "GlobalParamManager.h"
#include "Lexer.h"
#include "mPoint.h"

List_T *ConstantTable_L = nullptr;
bool (*Input_CreateSensor)(const SensorRequest &request) = nullptr;
std::string yyname;
std::string yyincludename;
int ErrorLevel = 0;
int yynerrs = 0;

namespace {
// Errors reported since the last parse began.
int errorsReported = 0;
}  // namespace

namespace {

// ---------------------------------------------------------------------------
// Ownership helpers: texts and lists are released when a syntax error
// unwinds the parse.

struct TextDeleter {
  void operator()(char *p) const { Free(p); }
};
using Text = std::unique_ptr<char, TextDeleter>;

struct ListDeleter {
  void operator()(List_T *l) const { List_Delete(l); }
};
using NumberList = std::unique_ptr<List_T, ListDeleter>;

struct ProgramDeleter {
  void operator()(List_T *l) const { Free_WholeQuantityList(l); }
};
using Program = std::unique_ptr<List_T, ProgramDeleter>;

struct SyntaxError {};

// A text for a report (never null).
const char *nz(const char *s) { return s ? s : ""; }
struct StackOverflow {};
struct IncludeStop {};

// Deepest nesting of expressions and lists accepted before the parse stops.
constexpr int MAX_DEPTH = 1000;
int depth = 0;

struct DepthGuard {
  DepthGuard() {
    if (++depth > MAX_DEPTH) {
      depth--;
      throw StackOverflow();
    }
  }
  ~DepthGuard() { depth--; }
};

int YaccLevel = 0;

// Bytes that generators (ranges, copies of list and text constants, StrCat)
// may make in one parse. A few characters such as "x = 1:1e12;" or a
// doubling StrCat would otherwise claim all the memory; no parameter file
// needs more than this.
constexpr long long MAX_GENERATED_BYTES = 8LL << 20;
long long generatedBytes = 0;

// Takes n values of `size` bytes from the parse's budget; reports and
// refuses when they do not fit.
bool reserveGenerated(double n, std::size_t size) {
  const double bytes = n * static_cast<double>(size);
  if (!(bytes <= static_cast<double>(MAX_GENERATED_BYTES - generatedBytes))) {
    vyyerror("Lists and texts too long (more than %lld bytes in one file)", MAX_GENERATED_BYTES);
    return false;
  }
  generatedBytes += static_cast<long long>(bytes);
  return true;
}

// ---------------------------------------------------------------------------
// Tokens: the look-ahead is read only when a decision needs it, so the
// actions of a statement run before the next statement's first token is read.

int lookahead = -2;  // -2: none read
YYSTYPE lookValue;

int peek() {
  if (lookahead == -2) {
    lookahead = yylex();
    lookValue = yylval;
  }
  return lookahead;
}

void consume() { lookahead = -2; }

bool ownsText(int token) { return token == tSTRING || token == tBIGSTR; }

void dropLookahead() {
  if (lookahead != -2 && ownsText(lookahead)) Free(lookValue.c);
  lookahead = -2;
}

[[noreturn]] void syntaxError() {
  peek();  // the token at which the parse stops
  throw SyntaxError();
}

void expect(int token) {
  if (peek() != token) syntaxError();
  consume();
}

Text takeText(int token) {
  if (peek() != token) syntaxError();
  Text t(lookValue.c);
  consume();
  return t;
}

int takeInt() {
  if (peek() != tINT) syntaxError();
  int v = lookValue.i;
  consume();
  return v;
}

// ---------------------------------------------------------------------------
// Constants.

void freeConstantContent(Constant *c) {
  Free(c->Name);
  if (c->Type == CONSTANT_LIST) List_Delete(c->Value.Numbers);
  if (c->Type == CONSTANT_TEXT) Free(c->Value.Text);
}

// Stores a constant; a redefinition replaces the whole record.
void defineConstant(Constant *c) {
  if (!ConstantTable_L) ConstantTable_L = List_Create(20, 10, sizeof(Constant));
  Constant *old = static_cast<Constant *>(List_PQuery(ConstantTable_L, c, fcmp_Constant));
  if (old) {
    freeConstantContent(old);
    std::memcpy(static_cast<void *>(old), c, sizeof(Constant));
  } else {
    List_Replace(ConstantTable_L, c, fcmp_Constant);
  }
}

bool constantExists(const char *name) {
  if (!ConstantTable_L) return false;
  Constant key{};
  key.Name = const_cast<char *>(name);
  return List_Search(ConstantTable_L, &key, fcmp_Constant) != 0;
}

NumberList newNumberList(int room) { return NumberList(List_Create(room, room, sizeof(double))); }

void addNumber(List_T *list, double d) { List_Add(list, &d); }

double numberAt(List_T *list, int i) {
  double d = 0.0;
  List_Read(list, i, &d);
  return d;
}

// Appends every number of `from` to `to`.
void appendNumbers(List_T *to, List_T *from) {
  const int n = List_Nbr(from);
  List_Realloc(to, List_Nbr(to) + n);
  for (int i = 0; i < n; i++) addNumber(to, numberAt(from, i));
}

// Value of a bare name in an expression: a number constant, else 0.
double constantValue(Text name) {
  Constant c{};
  if (!Get_Constant(name.get(), &c)) {
    vyyerror("Unknown Constant: %s", nz(name.get()));
    return 0.0;
  }
  if (c.Type != CONSTANT_NUMBER) {
    vyyerror("Single value Constant needed: %s", nz(name.get()));
    return 0.0;
  }
  return c.Value.Number;
}

// ---------------------------------------------------------------------------
// Constant expressions (doubles evaluated at once). A primary already read
// by the caller (to decide between two forms) can be handed in.

bool hasPending = false;
double pendingPrimary = 0.0;

void setPending(double v) {
  hasPending = true;
  pendingPrimary = v;
}

double cexpr();

bool isOneArgumentKeyword(int t) {
  return (t >= tExp && t <= tAtan) || (t >= tSinh && t <= tCeil);
}
bool isTwoArgumentKeyword(int t) {
  return t == tAtan2 || t == tPow || t == tFmod || t == tModulo || t == tHypot;
}

double applyKeyword1(int t, double x) {
  switch (t) {
    case tExp: return std::exp(x);
    case tLog: return std::log(x);
    case tLog10: return std::log10(x);
    case tSqrt: return std::sqrt(x);
    case tSin: return std::sin(x);
    case tAsin: return std::asin(x);
    case tCos: return std::cos(x);
    case tAcos: return std::acos(x);
    case tTan: return std::tan(x);
    case tAtan: return std::atan(x);
    case tSinh: return std::sinh(x);
    case tCosh: return std::cosh(x);
    case tTanh: return std::tanh(x);
    case tFabs: return std::fabs(x);
    case tFloor: return std::floor(x);
    case tCeil: return std::ceil(x);
    default: return 0.0;
  }
}

double applyKeyword2(int t, double a, double b) {
  switch (t) {
    case tAtan2: return std::atan2(a, b);
    case tPow: return std::pow(a, b);
    case tFmod:
    case tModulo: return std::fmod(a, b);
    case tHypot: return std::sqrt(a * a + b * b);
    default: return 0.0;
  }
}

double cprimary() {
  if (hasPending) {
    hasPending = false;
    return pendingPrimary;
  }
  int t = peek();
  switch (t) {
    case tFLOAT: {
      double v = lookValue.d;
      consume();
      return v;
    }
    case tINT: {
      double v = lookValue.i;
      consume();
      return v;
    }
    case tPi:
      consume();
      return 3.141592653589793;
    case t0D:
    case t1D:
    case t2D:
    case t3D:
      consume();
      return t - t0D;
    case tSTRING: {
      Text name = takeText(tSTRING);
      return constantValue(std::move(name));
    }
    case '(': {
      consume();
      double v = cexpr();
      expect(')');
      return v;
    }
    default:
      break;
  }
  if (isOneArgumentKeyword(t)) {
    consume();
    expect('[');
    double x = cexpr();
    expect(']');
    return applyKeyword1(t, x);
  }
  if (isTwoArgumentKeyword(t)) {
    consume();
    expect('[');
    double a = cexpr();
    expect(',');
    double b = cexpr();
    expect(']');
    return applyKeyword2(t, a, b);
  }
  syntaxError();
}

double cpostfix() {
  double v = cprimary();
  while (peek() == '#') {
    consume();
    std::printf("Value (line %ld) --> %.16g", yylinenum, v);
  }
  return v;
}

double cunary();

double cpower() {
  double a = cpostfix();
  if (peek() == '^') {
    consume();
    double b = cunary();
    return std::pow(a, b);
  }
  return a;
}

double cunary() {
  DepthGuard guard;
  if (!hasPending) {
    int t = peek();
    if (t == '-') {
      consume();
      return -cunary();
    }
    if (t == '!') {
      consume();
      return cunary() == 0.0 ? 1.0 : 0.0;
    }
  }
  return cpower();
}

double intRemainder(double a, double b) {
  int x = Value_TruncToInt(a), y = Value_TruncToInt(b);
  if (y == 0) {
    vyyerror("Modulo by zero: %g %% %g", a, b);
    return 0.0;
  }
  if (y == -1) return 0.0;
  return static_cast<double>(x % y);
}

double cmultiplicative() {
  double a = cunary();
  for (;;) {
    int t = peek();
    if (t != '*' && t != '/' && t != '%') return a;
    consume();
    double b = cunary();
    a = t == '*' ? a * b : t == '/' ? a / b : intRemainder(a, b);
  }
}

double cadditive() {
  double a = cmultiplicative();
  for (;;) {
    int t = peek();
    if (t != '+' && t != '-') return a;
    consume();
    double b = cmultiplicative();
    a = t == '+' ? a + b : a - b;
  }
}

double crelational() {
  double a = cadditive();
  for (;;) {
    int t = peek();
    if (t != '<' && t != '>' && t != tLESSOREQUAL && t != tGREATEROREQUAL) return a;
    consume();
    double b = cadditive();
    bool r = t == '<' ? a < b : t == '>' ? a > b : t == tLESSOREQUAL ? a <= b : a >= b;
    a = r ? 1.0 : 0.0;
  }
}

double cequality() {
  double a = crelational();
  for (;;) {
    int t = peek();
    if (t != tEQUAL && t != tNOTEQUAL) return a;
    consume();
    double b = crelational();
    a = ((t == tEQUAL) == (a == b)) ? 1.0 : 0.0;
  }
}

double cand() {
  double a = cequality();
  while (peek() == tAND) {
    consume();
    double b = cequality();
    a = (a != 0.0 && b != 0.0) ? 1.0 : 0.0;
  }
  return a;
}

double cor() {
  double a = cand();
  while (peek() == tOR) {
    consume();
    double b = cand();
    a = (a != 0.0 || b != 0.0) ? 1.0 : 0.0;
  }
  return a;
}

double cexpr() {
  DepthGuard guard;
  double c = cor();
  if (peek() != '?') return c;
  consume();
  double a = cexpr();
  expect(tDOTS);
  double b = cexpr();
  return c != 0.0 ? a : b;
}

// ---------------------------------------------------------------------------
// Values and lists of numbers.

// One entry of a value list: a number or the list of a generator.
struct Entry {
  bool isList = false;
  double number = 0.0;
  NumberList list;
};

NumberList valueList();

// Numbers a, a+s, a+2s, ... (the steps accumulated) while not beyond b. A
// step below the precision of the values would never reach b: it is
// reported as a wrong increment, like a step of the wrong sign, and the list
// holds a alone.
NumberList steppedList(double a, double b, double s, bool written) {
  NumberList l = newNumberList(20);
  const bool wrongSign = s == 0.0 || (a < b && s < 0.0) || (a > b && s > 0.0) || std::isnan(s);
  const bool belowPrecision = !wrongSign && (a + s == a || b - s == b);
  if (wrongSign || (belowPrecision && a != b)) {
    if (written) vyyerror("Wrong increment in '%g : %g : %g'", a, b, s);
    else vyyerror("Wrong increment in '%g : %g'", a, b);
    addNumber(l.get(), a);
    return l;
  }
  // Values to come, counted up front so that a huge range is refused before
  // anything is made (NaN bounds give none).
  const double n = std::floor((b - a) / s) + 1.0;
  if (!(n >= 1.0)) return l;
  if (!reserveGenerated(n + 1.0, sizeof(double))) {
    addNumber(l.get(), a);
    return l;
  }
  List_Realloc(l.get(), static_cast<int>(n) + 1);
  // The accumulated steps may round to one value more than n, or stop moving
  // near a bound; neither goes past the reserved count.
  const int most = static_cast<int>(n) + 1;
  for (double v = a; (s > 0.0 ? v <= b : v >= b) && List_Nbr(l.get()) < most;) {
    addNumber(l.get(), v);
    const double next = v + s;
    if (next == v) break;
    v = next;
  }
  return l;
}

NumberList rangeList(double a, double b) { return steppedList(a, b, a < b ? 1.0 : -1.0, false); }

// After a constant expression: a range generator or the number itself.
Entry afterNumber(double a) {
  Entry e;
  if (peek() != tDOTS) {
    e.number = a;
    return e;
  }
  consume();
  double b = cexpr();
  e.isList = true;
  if (peek() == tDOTS) {
    consume();
    double s = cexpr();
    e.list = steppedList(a, b, s, true);
  } else {
    e.list = rangeList(a, b);
  }
  return e;
}

// Looks up a list constant for the generators; reports and returns null on error.
bool listConstant(const char *name, Constant *c) {
  if (!Get_Constant(name, c)) {
    vyyerror("Unknown Constant: %s", nz(name));
    return false;
  }
  if (c->Type != CONSTANT_LIST) {
    vyyerror("Multi value Constant needed: %s", nz(name));
    return false;
  }
  return true;
}

// name "{" ... "}" after the name and the opening brace.
Entry nameGenerator(Text name) {
  Entry e;
  e.isList = true;
  e.list = newNumberList(20);
  if (peek() == '}') {
    consume();
    Constant c{};
    if (!Get_Constant(name.get(), &c)) {
      vyyerror("Unknown Constant: %s", nz(name.get()));
    } else if (c.Type == CONSTANT_LIST) {
      if (reserveGenerated(List_Nbr(c.Value.Numbers), sizeof(double)))
        appendNumbers(e.list.get(), c.Value.Numbers);
    } else if (c.Type == CONSTANT_NUMBER) {
      addNumber(e.list.get(), c.Value.Number);
    }
    return e;
  }
  NumberList selectors = valueList();
  expect('}');
  Constant c{};
  if (listConstant(name.get(), &c) && reserveGenerated(List_Nbr(selectors.get()), sizeof(double))) {
    // One number per selector: the selector's value, rounded, is the index
    // into the list constant (0 outside it).
    for (int i = 0; i < List_Nbr(selectors.get()); i++) {
      int k = Value_TruncToInt(std::floor(numberAt(selectors.get(), i) + 0.5));
      double v = (k >= 0 && k < List_Nbr(c.Value.Numbers)) ? numberAt(c.Value.Numbers, k) : 0.0;
      addNumber(e.list.get(), v);
    }
  }
  return e;
}

Entry valueEntryAfterName(Text name) {
  if (peek() == '{') {
    consume();
    return nameGenerator(std::move(name));
  }
  setPending(constantValue(std::move(name)));
  return afterNumber(cexpr());
}

Entry valueEntry() {
  DepthGuard guard;
  int t = peek();
  if (t == tList) {
    consume();
    expect('[');
    Text name = takeText(tSTRING);
    expect(']');
    Entry e;
    e.isList = true;
    e.list = newNumberList(20);
    Constant c{};
    if (listConstant(name.get(), &c) && reserveGenerated(List_Nbr(c.Value.Numbers), sizeof(double)))
      appendNumbers(e.list.get(), c.Value.Numbers);
    return e;
  }
  if (t == tListAlt) {
    consume();
    expect('[');
    Text first = takeText(tSTRING);
    expect(',');
    Text second = takeText(tSTRING);
    expect(']');
    Entry e;
    e.isList = true;
    e.list = newNumberList(20);
    Constant c1{}, c2{};
    if (listConstant(first.get(), &c1) && listConstant(second.get(), &c2)) {
      int n1 = List_Nbr(c1.Value.Numbers), n2 = List_Nbr(c2.Value.Numbers);
      if (n1 != n2) {
        vyyerror("Different dimensions of Multi value Constants: %s {%d}, %s {%d}", nz(first.get()),
                 n1, second.get(), n2);
      } else if (reserveGenerated(2.0 * n1, sizeof(double))) {
        List_Realloc(e.list.get(), 2 * n1);
        for (int i = 0; i < n1; i++) {
          addNumber(e.list.get(), numberAt(c1.Value.Numbers, i));
          addNumber(e.list.get(), numberAt(c2.Value.Numbers, i));
        }
      }
    }
    return e;
  }
  if (t == tSTRING) {
    Text name = takeText(tSTRING);
    return valueEntryAfterName(std::move(name));
  }
  return afterNumber(cexpr());
}

void appendEntry(List_T *list, Entry &e) {
  if (!e.isList) {
    addNumber(list, e.number);
    return;
  }
  appendNumbers(list, e.list.get());
}

NumberList listOf(Entry first) {
  if (first.isList) return std::move(first.list);
  NumberList l = newNumberList(20);
  addNumber(l.get(), first.number);
  return l;
}

NumberList valueListFrom(Entry first) {
  NumberList list = listOf(std::move(first));
  while (peek() == ',') {
    consume();
    Entry e = valueEntry();
    appendEntry(list.get(), e);
  }
  return list;
}

NumberList valueList() { return valueListFrom(valueEntry()); }

// The right-hand side of "name = value ;" (before the ";"); null when empty.
NumberList valueFrom(Entry first) {
  if (!first.isList) {
    NumberList l(List_Create(1, 1, sizeof(double)));
    addNumber(l.get(), first.number);
    return l;
  }
  return std::move(first.list);
}

NumberList value() {
  int t = peek();
  if (t == tEND) return nullptr;
  if (t == '{') {
    consume();
    NumberList l = valueList();
    expect('}');
    return l;
  }
  return valueFrom(valueEntry());
}

// Stores "name = value": a list of one number is a number.
void defineValue(Text name, NumberList list) {
  Constant c{};
  c.Name = name.release();
  if (list && List_Nbr(list.get()) == 1) {
    c.Type = CONSTANT_NUMBER;
    c.Value.Number = numberAt(list.get(), 0);
  } else {
    c.Type = CONSTANT_LIST;
    c.Value.Numbers = list.release();
  }
  defineConstant(&c);
}

void defineText(Text name, Text text) {
  Constant c{};
  c.Name = name.release();
  c.Type = CONSTANT_TEXT;
  c.Value.Text = text.release();
  defineConstant(&c);
}

// Text expressions: a quoted text, a text constant, or StrCat[a, b].
Text textExpression() {
  DepthGuard guard;
  int t = peek();
  if (t == tBIGSTR) return takeText(tBIGSTR);
  if (t == tSTRING) {
    Text name = takeText(tSTRING);
    Constant c{};
    if (!Get_Constant(name.get(), &c)) {
      vyyerror("Unknown Constant: %s", nz(name.get()));
      return nullptr;
    }
    if (c.Type != CONSTANT_TEXT) {
      vyyerror("String Constant needed: %s", nz(name.get()));
      return nullptr;
    }
    if (!reserveGenerated(std::strlen(c.Value.Text), 1)) return nullptr;
    return Text(strsave(c.Value.Text));
  }
  if (t == tStrCat) {
    consume();
    expect('[');
    Text a = textExpression();
    expect(',');
    Text b = textExpression();
    expect(']');
    const std::size_t na = a ? std::strlen(a.get()) : 0, nb = b ? std::strlen(b.get()) : 0;
    if (!reserveGenerated(static_cast<double>(na + nb), 1)) return nullptr;
    std::string joined = std::string(a ? a.get() : "") + (b ? b.get() : "");
    return Text(strsave(joined.c_str()));
  }
  syntaxError();
}

// ---------------------------------------------------------------------------
// Definitions.

void assignCurrentValue(Text name, double v) {
  int notFound = 1;
  void *field = nullptr;
  Get_PointerForString(Get_CurrentValueTable(), name.get(), &notFound, &field);
  if (notFound || !field) {
    vyyerror("Unknown current value: $%s", nz(name.get()));
    return;
  }
  DGParameters *p = GlobalParamManager::Instance()->parameters;
  if (field == static_cast<void *>(&p->state.iter))
    p->state.iter = Value_TruncToInt(v);  // the iteration count is an int
  else
    *static_cast<double *>(field) = v;
}

// After "name =": a text, or a value, then ";".
void definitionAfterEquals(Text name) {
  if (peek() == tBIGSTR) {
    Text text = takeText(tBIGSTR);
    expect(tEND);
    defineText(std::move(name), std::move(text));
    return;
  }
  NumberList list = value();
  expect(tEND);
  defineValue(std::move(name), std::move(list));
}

void defineVariable() {
  expect(tDefineVariable);
  expect('[');
  while (peek() != ']') {
    if (peek() == ',') consume();
    Text name = takeText(tSTRING);
    Constant c{};
    c.Type = CONSTANT_NUMBER;
    c.Value.Number = 0.0;
    Text text;
    if (peek() == tDEF) {
      consume();
      if (peek() == tBIGSTR) {
        text = takeText(tBIGSTR);
        c.Type = CONSTANT_TEXT;
      } else {
        c.Value.Number = cexpr();
      }
    }
    if (constantExists(name.get())) continue;  // an existing constant keeps its value
    c.Name = name.release();
    if (c.Type == CONSTANT_TEXT) c.Value.Text = text.release();
    defineConstant(&c);
  }
  consume();
  expect(tEND);
}

// "$" name "=" constant-expression ";"
void currentValueDefinition() {
  expect('$');
  Text name = takeText(tSTRING);
  expect(tDEF);
  double v = cexpr();
  expect(tEND);
  assignCurrentValue(std::move(name), v);
}

// A definition that does not start with a name.
bool otherDefinition() {
  int t = peek();
  if (t == '$') {
    currentValueDefinition();
    return true;
  }
  if (t == tDefineVariable) {
    defineVariable();
    return true;
  }
  return false;
}

void definition() {
  if (otherDefinition()) return;
  Text name = takeText(tSTRING);
  expect(tDEF);
  definitionAfterEquals(std::move(name));
}

// ---------------------------------------------------------------------------
// Groups and tag sets.

Group Group_S = {nullptr, 0, 0, nullptr};

void addTag(std::vector<int> &tags, int t) { tags.push_back(t); }

// Tags a, a+s, ... while not beyond b (s is not 0 and points from a to b);
// counted against the parse's budget first, so a huge range makes nothing.
void addTagRange(std::vector<int> &tags, int a, int b, int s) {
  const long long n = (static_cast<long long>(b) - a) / s + 1;
  if (n <= 0) return;
  if (!reserveGenerated(static_cast<double>(n), sizeof(int))) {
    addTag(tags, a);
    return;
  }
  tags.reserve(tags.size() + static_cast<std::size_t>(n));
  long long v = a;
  for (long long i = 0; i < n; i++, v += s) addTag(tags, static_cast<int>(v));
}

// One tag item: n, a:b, a:b:s, or "@" value-list "@".
std::vector<int> tagItem() {
  std::vector<int> tags;
  int t = peek();
  if (t == '@') {
    consume();
    NumberList l = valueList();
    expect('@');
    for (int i = 0; i < List_Nbr(l.get()); i++) addTag(tags, Value_TruncToInt(numberAt(l.get(), i)));
    return tags;
  }
  int a = takeInt();
  if (peek() != tDOTS) {
    addTag(tags, a);
    return tags;
  }
  consume();
  if (peek() == tINT) {
    int b = lookValue.i;
    consume();
    if (peek() == tDOTS) {
      consume();
      int s = Value_TruncToInt(cexpr());
      if (s == 0 || (a < b && s < 0) || (a > b && s > 0)) {
        vyyerror("Wrong increment in '%d : %d : %d'", a, b, s);
        addTag(tags, a);
        return tags;
      }
      addTagRange(tags, a, b, s);
      return tags;
    }
    setPending(b);
  }
  double b = cexpr();
  // The steps are ints compared with the double b; beyond the int range
  // there is no further tag.
  if (std::isnan(b)) return tags;
  if (a < b)
    addTagRange(tags, a, b >= INT_MAX ? INT_MAX : static_cast<int>(std::floor(b)), 1);
  else if (!(b <= INT_MIN))
    addTagRange(tags, a, static_cast<int>(std::ceil(b)), -1);
  else
    addTagRange(tags, a, INT_MIN, -1);
  return tags;
}

void appendTags(List_T *list, const std::vector<int> &tags) {
  List_Realloc(list, List_Nbr(list) + static_cast<int>(tags.size()));
  for (int t : tags) List_Add(list, &t);
}

// Removes one copy of each of `tags` that the list holds (an absent tag is
// ignored) and leaves the list in increasing order, all in one pass rather
// than one search and shift per tag.
void removeTags(List_T *list, std::vector<int> tags) {
  if (tags.empty()) return;
  std::vector<int> held(static_cast<std::size_t>(List_Nbr(list)));
  for (std::size_t i = 0; i < held.size(); i++) List_Read(list, static_cast<int>(i), &held[i]);
  std::sort(held.begin(), held.end());
  std::sort(tags.begin(), tags.end());
  std::vector<int> rest;
  std::set_difference(held.begin(), held.end(), tags.begin(), tags.end(), std::back_inserter(rest));
  List_Reset(list);
  appendTags(list, rest);
}

List_T *tagListOf(const std::vector<int> &tags, int room) {
  List_T *l = List_Create(room, 5, sizeof(int));
  for (int t : tags) List_Add(l, &t);
  return l;
}

// Tag set: "All" (null), one tag item, or a braced list.
List_T *tagSet() {
  int t = peek();
  if (t == tAll) {
    consume();
    return nullptr;
  }
  if (t == '{') {
    consume();
    NumberList guard(List_Create(5, 5, sizeof(int)));
    while (peek() != '}') {
      if (peek() == ',') consume();
      bool remove = false;
      if (peek() == '-') {
        consume();
        remove = true;
      }
      std::vector<int> tags = tagItem();
      if (remove)
        removeTags(guard.get(), std::move(tags));
      else
        appendTags(guard.get(), tags);
    }
    consume();
    return guard.release();
  }
  std::vector<int> tags = tagItem();
  return tagListOf(tags, tags.empty() ? 1 : static_cast<int>(tags.size()));
}

void setEntityKind(Text word) {
  const char *w = word.get();
  if (std::strcmp(w, "Region") == 0)
    Group_S.EntityKind = 3;
  else if (std::strcmp(w, "Face") == 0 || std::strcmp(w, "Surface") == 0)
    Group_S.EntityKind = 2;
  else if (std::strcmp(w, "Edge") == 0)
    Group_S.EntityKind = 1;
  else if (std::strcmp(w, "Vertex") == 0)
    Group_S.EntityKind = 0;
  else
    vyyerror("Not a Name for a group of model entities: %s\n", w);
}

// Group selection: [kind word] "[" tag-set "]"; leaves the tags in
// Group_S.Tags (owned by the caller).
NumberList groupSelection(Text kindWord) {
  if (!kindWord && peek() == tSTRING) kindWord = takeText(tSTRING);
  if (kindWord) setEntityKind(std::move(kindWord));
  expect('[');
  NumberList tags(tagSet());
  expect(']');
  return tags;
}

void groupItem() {
  if (otherDefinition()) return;
  Text name = takeText(tSTRING);
  expect(tDEF);
  int t = peek();
  if (t == '[') {
    NumberList tags = groupSelection(nullptr);
    expect(tEND);
    Group_S.Tags = tags.release();
    Add_Group(&Group_S, name.release());
    return;
  }
  if (t == tSTRING) {
    Text word = takeText(tSTRING);
    if (peek() == '[') {
      NumberList tags = groupSelection(std::move(word));
      expect(tEND);
      Group_S.Tags = tags.release();
      Add_Group(&Group_S, name.release());
      return;
    }
    Entry first = valueEntryAfterName(std::move(word));
    NumberList list;
    if (!first.isList && peek() != tEND) syntaxError();
    list = valueFrom(std::move(first));
    expect(tEND);
    defineValue(std::move(name), std::move(list));
    return;
  }
  definitionAfterEquals(std::move(name));
}

// ---------------------------------------------------------------------------
// Run-time expressions: postfix programs of WholeQuantity items.

List_T *Current_WholeQuantity_L = nullptr;

List_T *newProgram() { return List_Create(5, 5, sizeof(WholeQuantity)); }

WholeQuantity newItem(int type) {
  WholeQuantity q{};
  q.Type = type;
  q.ExpressionIndex = -1;
  return q;
}

void append(const WholeQuantity &q) { List_Add(Current_WholeQuantity_L, &q); }

void appendConstant(double v) {
  WholeQuantity q = newItem(QTY_CONSTANT);
  q.Constant = v;
  append(q);
}

DyadicRoutine dyadicRoutine(int code) {
  switch (code) {
    case OP_PLUS: return Cal_AddValue;
    case OP_MINUS: return Cal_SubstractValue;
    case OP_TIME: return Cal_ProductValue;
    case OP_DIVIDE: return Cal_DivideValue;
    case OP_MODULO: return Cal_ModuloValue;
    case OP_POWER: return Cal_PowerValue;
    case OP_CROSSPRODUCT: return Cal_CrossProductValue;
    case OP_LESS: return Cal_LessValue;
    case OP_GREATER: return Cal_GreaterValue;
    case OP_LESSOREQUAL: return Cal_LessOrEqualValue;
    case OP_GREATEROREQUAL: return Cal_GreaterOrEqualValue;
    case OP_EQUAL: return Cal_EqualValue;
    case OP_NOTEQUAL: return Cal_NotEqualValue;
    case OP_APPROXEQUAL: return Cal_ApproxEqualValue;
    case OP_AND: return Cal_AndValue;
    case OP_OR: return Cal_OrValue;
    default: return nullptr;
  }
}

void appendDyadic(int code) {
  WholeQuantity q = newItem(QTY_DYADIC_OPERATOR);
  q.OperatorCode = code;
  q.Operator = dyadicRoutine(code);
  append(q);
}

void appendMonadic(int code) {
  WholeQuantity q = newItem(QTY_MONADIC_OPERATOR);
  q.OperatorCode = code;
  q.MonadicOperator = code == OP_NEG ? Cal_NegValue : Cal_NotValue;
  append(q);
}

const char *builtinNameOfKeyword(int t) {
  switch (t) {
    case tExp: return "Exp";
    case tLog: return "Log";
    case tLog10: return "Log10";
    case tSqrt: return "Sqrt";
    case tSin: return "Sin";
    case tAsin: return "Asin";
    case tCos: return "Cos";
    case tAcos: return "Acos";
    case tTan: return "Tan";
    case tAtan: return "Atan";
    case tAtan2: return "Atan2";
    case tPow: return "Pow";
    case tSinh: return "Sinh";
    case tCosh: return "Cosh";
    case tTanh: return "Tanh";
    case tFabs: return "Fabs";
    case tFloor: return "Floor";
    case tCeil: return "Ceil";
    case tFmod: return "Fmod";
    case tModulo: return "Modulo";
    case tHypot: return "Hypot";
    default: return nullptr;
  }
}

void rexpr();

// A call: the arguments' items, then one call item.
void call(const char *name) {
  expect('[');
  int k = 0;
  if (peek() != ']') {
    rexpr();
    k = 1;
    while (peek() == ',') {
      consume();
      rexpr();
      k++;
    }
  }
  expect(']');
  NumberList parameters;
  if (peek() == '{') {
    consume();
    parameters = valueList();
    expect('}');
  }
  int m = List_Nbr(parameters.get());

  int index = Find_Expression(name);
  if (index >= 0) {
    WholeQuantity q = newItem(QTY_EXPRESSION);
    q.ExpressionIndex = index;
    q.NbrArguments = k;
    append(q);
    return;
  }
  // A call that cannot be compiled still pops its k arguments and pushes one
  // value (0), so the evaluation stack stays balanced.
  WholeQuantity q = newItem(QTY_BUILTIN);
  q.Builtin.Routine = F_Undefined;
  q.Builtin.NbrArguments = k;
  int notFound = 1, expectedParameters = 0, expectedArguments = 0;
  BuiltinRoutine routine = nullptr;
  Get_Function2NbrForString(F_Function, name, &notFound, &routine, &expectedParameters,
                            &expectedArguments);
  if (notFound) {
    vyyerror("Unknown Function: %s", nz(name));
    append(q);
    return;
  }
  bool ok = true;
  if (k != expectedArguments && expectedArguments != -1 && expectedArguments != -2) {
    vyyerror("Wrong number of arguments for Function '%s' (%d instead of %d)", nz(name), k,
             expectedArguments);
    ok = false;
  }
  if (expectedParameters >= 0 && expectedParameters != m) {
    vyyerror("Wrong number of parameters for Function '%s' (%d instead of %d)", nz(name), m,
             expectedParameters);
    ok = false;
  } else if (expectedParameters == -2 && m % 2 != 0) {
    vyyerror("Wrong number of parameters for Function '%s' (%d is not even)", nz(name), m);
    ok = false;
  }
  if (ok) {
    q.Builtin.Routine = routine;
    q.Builtin.NbrParameters = m;
    if (m > 0) {
      q.Builtin.Parameters =
          static_cast<double *>(Malloc(static_cast<std::size_t>(m) * sizeof(double)));
      for (int i = 0; i < m; i++) q.Builtin.Parameters[i] = numberAt(parameters.get(), i);
    }
  }
  append(q);
}

void rprimary() {
  int t = peek();
  switch (t) {
    case '(':
      consume();
      rexpr();
      expect(')');
      return;
    case tFLOAT:
    case tINT:
    case tPi:
    case t0D:
    case t1D:
    case t2D:
    case t3D:
      appendConstant(cprimary());
      return;
    case tSTRING: {
      Text name = takeText(tSTRING);
      if (peek() == '[') {
        call(name.get());
        return;
      }
      appendConstant(constantValue(std::move(name)));
      return;
    }
    case tCrossProduct:
      consume();
      expect('[');
      rexpr();
      expect(',');
      rexpr();
      expect(']');
      appendDyadic(OP_CROSSPRODUCT);
      return;
    case '$': {
      consume();
      if (peek() == tINT) {
        WholeQuantity q = newItem(QTY_ARGUMENT);
        q.ArgumentIndex = takeInt();
        append(q);
        return;
      }
      Text name = takeText(tSTRING);
      WholeQuantity q = newItem(QTY_CURRENT_VALUE);
      int notFound = 1;
      void *field = nullptr;
      Get_PointerForString(Get_CurrentValueTable(), name.get(), &notFound, &field);
      if (notFound) {
        vyyerror("Unknown current value: $%s", nz(name.get()));
        field = nullptr;  // reads 0
      }
      q.CurrentValue = field;
      q.CurrentValueIsInt =
          field && field == static_cast<void *>(
                                &GlobalParamManager::Instance()->parameters->state.iter);
      append(q);
      return;
    }
    case '#': {
      consume();
      WholeQuantity q = newItem(QTY_PREFIX_MARK);
      q.MarkIndex = takeInt() - 1;
      append(q);
      return;
    }
    default:
      break;
  }
  const char *builtin = builtinNameOfKeyword(t);
  if (builtin) {
    consume();
    call(builtin);
    return;
  }
  syntaxError();
}

void rpostfix() {
  rprimary();
  for (;;) {
    int t = peek();
    if (t == '#') {
      consume();
      WholeQuantity q = newItem(QTY_SUFFIX_MARK);
      q.MarkIndex = takeInt() - 1;
      append(q);
    } else if (t == tDOUBLEHASH) {
      consume();
      WholeQuantity q = newItem(QTY_SUFFIX_DOUBLE_MARK);
      q.MarkIndex = takeInt();
      append(q);
    } else {
      return;
    }
  }
}

void runary();

void rpower() {
  rpostfix();
  if (peek() == '^') {
    consume();
    runary();
    appendDyadic(OP_POWER);
  }
}

void runary() {
  DepthGuard guard;
  int t = peek();
  if (t == '-' || t == '!' || t == '+') {
    consume();
    runary();
    if (t == '-') appendMonadic(OP_NEG);
    if (t == '!') appendMonadic(OP_NOT);
    return;
  }
  rpower();
}

struct BinaryLevel {
  int token;
  int code;
};

template <std::size_t N>
int matchOperator(int t, const BinaryLevel (&ops)[N]) {
  for (const BinaryLevel &op : ops)
    if (op.token == t) return op.code;
  return 0;
}

const BinaryLevel MULTIPLICATIVE[] = {
    {'*', OP_TIME}, {'/', OP_DIVIDE}, {'%', OP_MODULO}, {tCROSSPRODUCT, OP_CROSSPRODUCT}};
const BinaryLevel ADDITIVE[] = {{'+', OP_PLUS}, {'-', OP_MINUS}};
const BinaryLevel RELATIONAL[] = {{'<', OP_LESS},
                                  {'>', OP_GREATER},
                                  {tLESSOREQUAL, OP_LESSOREQUAL},
                                  {tGREATEROREQUAL, OP_GREATEROREQUAL}};
const BinaryLevel EQUALITY[] = {
    {tEQUAL, OP_EQUAL}, {tNOTEQUAL, OP_NOTEQUAL}, {tAPPROXEQUAL, OP_APPROXEQUAL}};
const BinaryLevel AND[] = {{tAND, OP_AND}};
const BinaryLevel OR[] = {{tOR, OP_OR}};

template <std::size_t N>
void rbinary(void (*operand)(), const BinaryLevel (&ops)[N]) {
  operand();
  for (;;) {
    int code = matchOperator(peek(), ops);
    if (!code) return;
    consume();
    operand();
    appendDyadic(code);
  }
}

void rmultiplicative() { rbinary(runary, MULTIPLICATIVE); }
void radditive() { rbinary(rmultiplicative, ADDITIVE); }
void rrelational() { rbinary(radditive, RELATIONAL); }
void requality() { rbinary(rrelational, EQUALITY); }
void rand_() { rbinary(requality, AND); }
void ror() { rbinary(rand_, OR); }

// Restores the current item list when a branch ends (or the parse unwinds).
struct CurrentListGuard {
  List_T *saved;
  CurrentListGuard() : saved(Current_WholeQuantity_L) {}
  ~CurrentListGuard() { Current_WholeQuantity_L = saved; }
};

void rexpr() {
  DepthGuard guard;
  ror();
  if (peek() != '?') return;
  consume();
  // The test item goes into the enclosing list; its branches are built in
  // lists of their own.
  WholeQuantity test = newItem(QTY_TEST);
  Program trueBranch(newProgram()), falseBranch(newProgram());
  {
    CurrentListGuard restore;
    Current_WholeQuantity_L = trueBranch.get();
    rexpr();
    expect(tDOTS);
    Current_WholeQuantity_L = falseBranch.get();
    rexpr();
  }
  test.TrueBranch = trueBranch.release();
  test.FalseBranch = falseBranch.release();
  append(test);
}

// Compiles a run-time expression into a new EXP_FUNCTION record.
int functionExpression() {
  Program program(newProgram());
  {
    CurrentListGuard restore;
    Current_WholeQuantity_L = program.get();
    rexpr();
  }
  Expression e{};
  e.Type = EXP_FUNCTION;
  e.Program = program.release();
  e.LastRegion = -1;
  e.LastPiece = -1;
  return Add_Expression(&e, const_cast<char *>("Exp_Fct"), 1);
}

// A function body; the position of the record it stands for, or -1.
int functionBody() {
  int t = peek();
  if (t == tConstant) {
    consume();
    expect('[');
    double v = cexpr();
    expect(']');
    Expression e{};
    e.Type = EXP_CONSTANT;
    e.Constant = v;
    e.LastRegion = -1;
    e.LastPiece = -1;
    return Add_Expression(&e, const_cast<char *>("Exp_Cst"), 1);
  }
  if (t == tFunction) {
    consume();
    expect('[');
    Text name = takeText(tSTRING);
    expect(']');
    int index = Find_Expression(name.get());
    if (index < 0) vyyerror("Unknown name of Expression: %s", nz(name.get()));
    return index;
  }
  return functionExpression();
}

void namedDefinition(Text name, int p) {
  if (p < 0) return;
  int found = Find_Expression(name.get());
  if (found < 0) {
    Rename_Expression(p, name.release());
    return;
  }
  Expression *existing = Get_Expression(found);
  if (existing->Type == EXP_DECLARED && found != p) {
    // A declared name takes the body; the body's own record goes away.
    Expression body = *Get_Expression(p);
    Free(existing->Name);
    *existing = body;
    existing->Name = name.release();
    // The body's generated name is replaced in both records below.
    Free(body.Name);
    if (p == List_Nbr(Problem_S.Expressions) - 1) {
      List_Pop(Problem_S.Expressions);
    } else {
      Get_Expression(p)->Type = EXP_DECLARED;  // its content now belongs to `existing`
      Get_Expression(p)->Program = nullptr;
      Get_Expression(p)->Pieces = nullptr;
      Get_Expression(p)->Name = strsave("");
    }
    return;
  }
  vyyerror("Redefinition of Function: %s", nz(name.get()));
}

void piecewiseDefinition(Text name, NumberList tags, int p) {
  if (p < 0) return;
  int index = Find_Expression(name.get());
  if (index < 0) {
    Expression e{};
    e.Type = EXP_PIECEWISE;
    e.Pieces = List_Create(5, 5, sizeof(ExpressionPerRegion));
    e.LastRegion = -1;
    e.LastPiece = -1;
    index = Add_Expression(&e, name.release(), 0);
  } else {
    Expression *e = Get_Expression(index);
    if (e->Type == EXP_DECLARED) {
      e->Type = EXP_PIECEWISE;
      e->Pieces = List_Create(5, 5, sizeof(ExpressionPerRegion));
      e->LastRegion = -1;
      e->LastPiece = -1;
    } else if (e->Type != EXP_PIECEWISE) {
      vyyerror("Not piece-wise Expression: %s", nz(name.get()));
      return;
    }
  }
  Expression *e = Get_Expression(index);
  // The regions that already have a piece and the statement's own regions,
  // sorted aside: a search of the list per tag would sort it again after
  // every append, which for a range of a million tags never ends.
  const int n = List_Nbr(e->Pieces), m = List_Nbr(tags.get());
  std::vector<int> held(static_cast<std::size_t>(n)), wanted(static_cast<std::size_t>(m));
  for (int i = 0; i < n; i++)
    held[i] = static_cast<ExpressionPerRegion *>(List_Pointer_NoChange(e->Pieces, i))->Region;
  for (int i = 0; i < m; i++) List_Read(tags.get(), i, &wanted[i]);
  std::sort(held.begin(), held.end());
  std::vector<int> distinct = wanted;
  std::sort(distinct.begin(), distinct.end());
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  std::vector<char> added(distinct.size(), 0);
  List_Realloc(e->Pieces, n + m);
  for (int region : wanted) {
    char &first = added[std::lower_bound(distinct.begin(), distinct.end(), region) - distinct.begin()];
    if (first || std::binary_search(held.begin(), held.end(), region)) {
      vyyerror("Redefinition of piece-wise Function: %s [%d]", e->Name, region);
    } else {
      first = 1;
      ExpressionPerRegion row = {region, p};
      List_Add(e->Pieces, &row);
    }
  }
}

void functionItem() {
  if (otherDefinition()) return;
  Text name = takeText(tSTRING);
  if (peek() == tDEF) {
    consume();
    definitionAfterEquals(std::move(name));
    return;
  }
  expect('[');
  if (peek() == ']') {
    consume();
    expect(tDEF);
    int p = functionBody();
    expect(tEND);
    namedDefinition(std::move(name), p);
    return;
  }
  NumberList tags = groupSelection(nullptr);
  expect(']');
  expect(tDEF);
  int p = functionBody();
  expect(tEND);
  piecewiseDefinition(std::move(name), std::move(tags), p);
}

// ---------------------------------------------------------------------------
// Sensor blocks.

SensorRequest Sensor_S;
int sensorFailures = 0;  // blocks of this parse that created no sensor

void sensorStart() {
  Sensor_S.name = "_none";
  Sensor_S.quantity = "_none";
  Sensor_S.sampleRate = -1;
  Sensor_S.nbSamples = 100;
  Sensor_S.numPoint = 0;
}

void sensorItem() {
  Text name = takeText(tSTRING);
  expect(tDEF);
  const char *n = name.get();
  int t = peek();
  if (t == tBIGSTR) {
    Text text = takeText(tBIGSTR);
    expect(tEND);
    if (std::strcmp(n, "Type") == 0)
      Sensor_S.type = text.get();
    else if (std::strcmp(n, "Name") == 0)
      Sensor_S.name = text.get();
    else if (std::strcmp(n, "Quantity") == 0)
      Sensor_S.quantity = text.get();
    else
      vyyerror("Not a Valid Name for a sensor: %s\n", n);
    return;
  }
  if (t == '(') {
    consume();
    double x = cexpr();
    if (peek() == ',') {
      consume();
      double y = cexpr();
      expect(',');
      double z = cexpr();
      expect(')');
      expect(tEND);
      if (std::strcmp(n, "Point") != 0) {
        vyyerror("Syntax error\n");
      } else if (Sensor_S.numPoint >= MAX_SENSOR_POINTS) {
        vyyerror("Too many points in a sensor (at most %d)\n", MAX_SENSOR_POINTS);
      } else {
        Sensor_S.points[Sensor_S.numPoint++] = KORA::mPoint(x, y, z);
      }
      return;
    }
    expect(')');
    setPending(x);
  }
  double v = cexpr();
  expect(tEND);
  if (std::strcmp(n, "SampleRate") == 0)
    Sensor_S.sampleRate = v;
  else if (std::strcmp(n, "NbSamples") == 0)
    Sensor_S.nbSamples = Value_TruncToInt(v);
  else
    vyyerror("Not a Valid Name for a sensor: %s\n", n);
}

bool sensorChecks(const char *kind) {
  if (Sensor_S.name == "_none") {
    vyyerror("Missing %s Sensor Name\n", kind);
    return false;
  }
  if (Sensor_S.quantity == "_none") {
    vyyerror("Missing %s Sensor Quantity\n", kind);
    return false;
  }
  if (Sensor_S.sampleRate < 0) {
    vyyerror("Missing %s Sensor Sample Rate\n", kind);
    return false;
  }
  if (!std::isfinite(Sensor_S.sampleRate)) {
    vyyerror("Sensor %s: the sample rate is not a finite number\n", Sensor_S.name.c_str());
    return false;
  }
  return true;
}

void sensorEnd() {
  const std::string &type = Sensor_S.type;
  bool ok;
  if (type == "Gmsh") {
    ok = sensorChecks("Gmsh");
  } else if (type == "Ensight") {
    ok = sensorChecks("Ensight");
  } else if (type == "Line") {
    ok = sensorChecks("Gmsh");
    if (ok && Sensor_S.numPoint != 2) {
      vyyerror("2 points required for a line sensor\n");
      ok = false;
    }
  } else if (type == "Point") {
    ok = sensorChecks("Gmsh");
    if (ok && Sensor_S.numPoint != 1) {
      vyyerror("1 points required for a point sensor\n");
      ok = false;
    }
  } else {
    vyyerror("Not a Valid Name for a sensor Type : %s\n", type.c_str());
    ok = false;
  }
  if (ok) {
    // The single place where the block's sensor is created and handed to the
    // analysis (the sensor library installs the creator).
    ok = Input_CreateSensor && Input_CreateSensor(Sensor_S);
    if (ok)
      std::printf("adding a sensor %s %s %s %12.5E\n", Sensor_S.name.c_str(),
                  Sensor_S.quantity.c_str(), type.c_str(), Sensor_S.sampleRate);
    else
      vyyerror("Sensor %s of type %s could not be created\n", Sensor_S.name.c_str(), type.c_str());
  }
  // A block that asked for a sensor and got none is reported here and makes
  // the run refuse the file once it is read.
  if (!ok) sensorFailures++;
}

// ---------------------------------------------------------------------------
// Statements.

template <class Item>
void block(Item item) {
  expect('{');
  while (peek() != '}') item();
  consume();
}

void statement() {
  switch (peek()) {
    case tFunction:
      consume();
      block(functionItem);
      return;
    case tGroup:
      consume();
      block(groupItem);
      return;
    case tSensor:
      consume();
      expect('{');
      sensorStart();
      while (peek() != '}') sensorItem();
      consume();
      sensorEnd();
      return;
    case tInclude: {
      consume();
      Text name = textExpression();
      yyincludename = name ? name.get() : "";
      yyincludenum++;
      throw IncludeStop();
    }
    default:
      definition();
  }
}

void startAction() {
  if (YaccLevel == 0 && !ConstantTable_L) ConstantTable_L = List_Create(20, 10, sizeof(Constant));
  YaccLevel++;
}

void endAction() {
  if (YaccLevel > 0) YaccLevel--;
}

}  // namespace

int fcmp_Constant(const void *a, const void *b) {
  const Constant *x = static_cast<const Constant *>(a);
  const Constant *y = static_cast<const Constant *>(b);
  return std::strcmp(x->Name ? x->Name : "", y->Name ? y->Name : "");
}

int fcmp_Group_Name(const void *a, const void *b) {
  const Group *x = static_cast<const Group *>(a);
  const Group *y = static_cast<const Group *>(b);
  return std::strcmp(x->Name ? x->Name : "", y->Name ? y->Name : "");
}

bool Get_Constant(const char *name, Constant *out) {
  if (!ConstantTable_L || !name) return false;
  Constant key{};
  key.Name = const_cast<char *>(name);
  if (!List_Query(ConstantTable_L, &key, fcmp_Constant)) return false;
  *out = key;
  return true;
}

int Add_Group(Group *group, char *name) {
  if (!Problem_S.Groups) Problem_S.Groups = List_Create(50, 50, sizeof(Group));
  group->Name = name;
  int found = List_ISearchSeq(Problem_S.Groups, group, fcmp_Group_Name);
  if (found < 0) {
    group->Index = List_Nbr(Problem_S.Groups);
    List_Add(Problem_S.Groups, group);
    return group->Index;
  }
  Group *old = static_cast<Group *>(List_Pointer(Problem_S.Groups, found));
  Free(old->Name);
  List_Delete(old->Tags);
  *old = *group;
  old->Index = found;  // its position in the list, as when it was appended
  return found;
}

void yyerror(const char *message) {
  std::printf("Error ('%s' line %ld): %s on '%s'", yyname.c_str(), yylinenum, message,
              yytext.c_str());
  std::fflush(stdout);
  ErrorLevel = 1;
  errorsReported++;
}

void vyyerror(const char *format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string message(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(message.data(), message.size() + 1, format, args);
  va_end(args);
  std::printf("Error ('%s' line %ld): %s\n", yyname.c_str(), yylinenum, message.c_str());
  std::fflush(stdout);
  ErrorLevel = 1;
  errorsReported++;
}

int yyparse() {
  lookahead = -2;
  yynerrs = 0;
  depth = 0;
  hasPending = false;
  generatedBytes = 0;
  sensorFailures = 0;
  errorsReported = 0;
  int result = 0;
  try {
    startAction();
    while (peek() != 0) statement();
    endAction();
  } catch (const IncludeStop &) {
    result = 0;
  } catch (const SyntaxError &) {
    yyerror("parse error");
    yynerrs++;
    result = 1;
  } catch (const StackOverflow &) {
    yyerror("parser stack overflow");
    result = 2;
  }
  if (result != 0 || YaccLevel > 0) YaccLevel = 0;
  dropLookahead();
  hasPending = false;
  Current_WholeQuantity_L = nullptr;
  return result;
}

int Parse_String(const std::string &text, const std::string &name) {
  yyname = name;
  Lexer_SetString(text);
  int r = yyparse();
  Lexer_Restart();
  return r;
}

void Print_Constant() {
  for (int i = 0; i < List_Nbr(ConstantTable_L); i++) {
    Constant c{};
    List_Read(ConstantTable_L, i, &c);
    switch (c.Type) {
      case CONSTANT_NUMBER:
        std::printf("%s = %g;\n", c.Name, c.Value.Number);
        break;
      case CONSTANT_LIST: {
        std::printf("%s = {", c.Name);
        for (int j = 0; j < List_Nbr(c.Value.Numbers); j++)
          std::printf(j ? ",%g" : "%g", numberAt(c.Value.Numbers, j));
        std::printf("};\n");
        break;
      }
      case CONSTANT_TEXT:
        std::printf("%s = \"%s\";\n", c.Name, c.Value.Text);
        break;
    }
  }
}

void Free_ConstantTable() {
  for (int i = 0; i < List_Nbr(ConstantTable_L); i++)
    freeConstantContent(static_cast<Constant *>(List_Pointer_NoChange(ConstantTable_L, i)));
  List_Delete(ConstantTable_L);
  ConstantTable_L = nullptr;
}

int Parser_SensorFailures() { return sensorFailures; }

int Parser_ErrorCount() { return errorsReported; }

void Parser_Reset() {
  sensorFailures = 0;
  errorsReported = 0;
  Free_ConstantTable();
  Free_Problem();
  Group_S = Group{nullptr, 0, 0, nullptr};
  Sensor_S = SensorRequest();
  yyincludename.clear();
  yyincludenum = 0;
  ErrorLevel = 0;
}
