#include "mException.h"

#include <cstdio>

namespace KORA {

mException::mException(int l, const char* f, const char* text) : line(l), file(f ? f : "") {
  // The file name is kept to at most 255 characters.
  if (file.size() > 255) file.resize(255);
  std::printf("an exception has been thrown at line %d in file %s\n", line, file.c_str());
  std::printf("TEXT : %s\n", text ? text : "");
}

mException::~mException() {}

}  // namespace KORA
