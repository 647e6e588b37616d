#ifndef KORA_MEXCEPTION_H
#define KORA_MEXCEPTION_H

#include <cstdio>
#include <string>

namespace KORA {

// The mesh library's error object. The library throws a newly allocated one
// (the thrown value is the pointer). Its message is printed when it is made,
// together with the source line and file of the throw, and is not kept.
class mException {
  int line;
  std::string file;

public:
  mException(int line, const char* file, const char* text);
  virtual ~mException();
  int getLine() const { return line; }
  const std::string& getFile() const { return file; }
};

// printf-style formatting into a string of the length needed, for the texts
// of the library's errors.
template <class... Args>
std::string mFormat(const char* fmt, Args... args) {
  const int n = std::snprintf(nullptr, 0, fmt, args...);
  std::string s(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
  if (n > 0) std::snprintf(s.data(), s.size() + 1, fmt, args...);
  return s;
}

}  // namespace KORA

#endif
