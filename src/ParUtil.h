#ifndef KORA_PARUTIL_H
#define KORA_PARUTIL_H

namespace KORA {

// Process services of the mesh library: leveled messages, wall-clock time,
// barrier and finalisation. The system runs as process 0 of 1, so the
// operations that would talk to other processes do nothing.
class ParUtil {
public:
  // Message levels. SILENT and DETAIL print nothing, INFO prints while the
  // verbosity is 0 or more, WARNING always prints with a prefix, FATAL prints
  // and aborts the process.
  enum MessageLevel { SILENT = 0, DETAIL = 1, INFO = 2, WARNING = 3, FATAL = 4 };

  static const int buffer_size = 1024;

  static ParUtil* Instance();

  // printf-style message reported by level (see MessageLevel); adds no line end.
  void Msg(int level, const char* format, ...) __attribute__((format(printf, 3, 4)));

  double wTime() const;
  // A new string naming the local machine (caller deletes with delete[]).
  char* processorName() const;
  void init(int& argc, char**& argv);
  void Barrier(int line, const char* file);
  void Finalize();
  [[noreturn]] void Abort();

  int rank() const { return 0; }
  int size() const { return 1; }
  bool master() const { return rank() == 0; }

  int getVerbosity() const { return verbosity; }
  void setVerbosity(int v) { verbosity = v; }
  double getReportTime() const { return reportTime; }

  ~ParUtil();

private:
  ParUtil();
  ParUtil(const ParUtil&) = delete;
  ParUtil& operator=(const ParUtil&) = delete;

  int verbosity;
  double reportTime;
  static ParUtil* instance;
};

}  // namespace KORA

#endif
