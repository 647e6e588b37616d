#include <sys/times.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "KORA.h"
#include "MT_error.h"

int MT_cnst = 0;

namespace {
FILE* _errfd = nullptr;
bool _errIsLog = false;
char* oldMsg = nullptr;
double _elpstime = 0.0;
time_t t = 0;
}  // namespace

void ErrorHandler(const char* msg, const char* func, int level) {
  if (!msg) msg = "";
  if (!func) func = "";
  // A fatal report always ends the process, repeated or not.
  if (level == MT_FATAL) {
    std::fprintf(stderr, "Fatal Error:\n\t%s: %s\n", func, msg);
    std::fflush(stderr);
    std::exit(2);
  }
  if (oldMsg && std::strcmp(oldMsg, msg) == 0) return;
  if (!_errfd) _errfd = stderr;
  switch (level) {
    case MT_WARNING:
      std::fprintf(_errfd, "*** Warning:\n\t%s: %s\n", func, msg);
      break;
    case MT_ERROR:
      std::fprintf(_errfd, "***** Error:\n\t%s: %s\n", func, msg);
      break;
    default:
      std::fprintf(_errfd, "%s: %s\n", func, msg);
      break;
  }
  std::fflush(_errfd);
  std::free(oldMsg);
  oldMsg = strdup(msg);
}

int MT_init(const char* logName) {
  if (logName && *logName) {
    FILE* f = std::fopen(logName, "w");
    if (!f) {
      std::fprintf(stderr, "could not open file.\n");
      return 0;
    }
    if (_errIsLog && _errfd) std::fclose(_errfd);
    _errfd = f;
    _errIsLog = true;
  } else {
    if (_errIsLog && _errfd) std::fclose(_errfd);
    _errfd = stderr;
    _errIsLog = false;
  }
  t = std::time(nullptr);
  std::fprintf(_errfd, "Date & time : %s\n\n", std::ctime(&t));
  std::fflush(_errfd);
  _elpstime = getElapsedTime();
  MT_cnst = KORA::MD_registerMark("cnst", 5, 0);
  return 1;
}

void MT_exit() {
  _elpstime = getElapsedTime() - _elpstime;
  if (!_errfd) _errfd = stderr;
  std::fprintf(_errfd, "\nTotal elapsed time: %15.3f (sec.)\n", _elpstime);
  std::fflush(_errfd);
  if (_errIsLog) std::fclose(_errfd);
  _errfd = stderr;
  _errIsLog = false;
}

double getElapsedTime() {
  struct tms buf;
  const long ticks = sysconf(_SC_CLK_TCK);
  if (times(&buf) == static_cast<clock_t>(-1) || ticks <= 0) return 0.0;
  return static_cast<double>(buf.tms_utime + buf.tms_stime) / static_cast<double>(ticks);
}
