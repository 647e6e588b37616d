#include "ParUtil.h"

#include <sys/time.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace KORA {

ParUtil* ParUtil::instance = nullptr;

ParUtil::ParUtil() : verbosity(0), reportTime(0.0) {}

ParUtil::~ParUtil() {
  Msg(INFO, "Finalizing...\n");
  Finalize();
}

ParUtil* ParUtil::Instance() {
  if (!instance) instance = new ParUtil();
  return instance;
}

void ParUtil::Msg(int level, const char* format, ...) {
  // Formatted for every level; a text longer than the buffer is cut.
  char buf[buffer_size];
  va_list args;
  va_start(args, format);
  if (format)
    std::vsnprintf(buf, sizeof(buf), format, args);
  else
    buf[0] = '\0';
  va_end(args);

  switch (level) {
    case INFO:
      if (verbosity >= 0) std::printf("%s", buf);
      break;
    case WARNING:
      std::printf("Processor %d KORA WARNING : %s", rank(), buf);
      std::fflush(stdout);
      break;
    case FATAL:
      std::printf("KORA FATAL ERROR : %s", buf);
      std::fflush(stdout);
      Abort();
    default:
      break;
  }
}

double ParUtil::wTime() const {
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  return (double)tv.tv_sec + (double)tv.tv_usec * 1.e-6;
}

char* ParUtil::processorName() const {
  const char* name = "localhost";
  char* s = new char[std::strlen(name) + 1];
  std::strcpy(s, name);
  return s;
}

void ParUtil::init(int&, char**&) {}

void ParUtil::Barrier(int, const char*) {}

void ParUtil::Finalize() {}

void ParUtil::Abort() { std::abort(); }

}  // namespace KORA
