// Error reports of the mesh modification primitives, the start and end of a
// run of them, and the processor-time clock.
#ifndef DG_MESHTOOLS_MT_ERROR_H
#define DG_MESHTOOLS_MT_ERROR_H

enum { MT_WARNING = 3000, MT_ERROR = 3001, MT_FATAL = 3002 };

// Reports msg from func at a level: 3000 warning, 3001 error, 3002 fatal
// (printed on standard error, then the process exits with status 2), any
// other plain. An immediate repetition of a non-fatal text is not printed.
void ErrorHandler(const char* msg, const char* func, int level);
// Opens the log (standard error for null or ""); 0 when it cannot be opened.
int MT_init(const char* logName);
void MT_exit();
// Processor time of the process in seconds.
double getElapsedTime();

// Constraint mark id, set by MT_init (0 until then).
extern int MT_cnst;

#endif
