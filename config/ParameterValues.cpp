#include "ParameterValues.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// True when only blanks remain from p on.
bool onlyBlanks(const char *p) {
  while (*p && isBlank(*p)) ++p;
  return *p == '\0';
}

}  // namespace

std::string readDoubleValue(const char *text, double &out) {
  if (!text) return "not a number";
  char *end = nullptr;
  errno = 0;
  const double v = std::strtod(text, &end);
  if (end == text || !onlyBlanks(end)) return "not a number";
  // Overflow gives an infinity (and ERANGE); underflow gives a tiny finite value.
  if (!std::isfinite(v)) return "not a finite number";
  out = v;
  return {};
}

std::string readIntValue(const char *text, int &out) {
  if (!text) return "not an integer";
  char *end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text, &end, 10);
  if (end == text || !onlyBlanks(end)) return "not an integer";
  if (errno == ERANGE || v > INT_MAX || v < INT_MIN) return "outside the integer range";
  out = static_cast<int>(v);
  return {};
}
