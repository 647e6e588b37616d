#ifndef KORA_MEXCEPTION_H
#define KORA_MEXCEPTION_H

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

}  // namespace KORA

#endif
