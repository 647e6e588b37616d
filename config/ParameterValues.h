#ifndef DG_PARAMETERVALUES_H
#define DG_PARAMETERVALUES_H

// Values of command-line options and of ".dgrc" lines. A value is one whole
// number, blanks around it allowed: a double must be finite, an int must be
// written as an integer within the int range. Anything else is refused, so
// that "-tend 0.05x" or "time.cflMax nan" never reach a run.

#include <string>

// Empty when the text is a valid value; otherwise why it is refused.
std::string readDoubleValue(const char *text, double &out);
std::string readIntValue(const char *text, int &out);

#endif
