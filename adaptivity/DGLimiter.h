#ifndef DG_DGLIMITER_H
#define DG_DGLIMITER_H

// Interface of the limiters. The global context owns the run's limiter and
// deletes it through this interface, so the destructor is virtual.
class DGLimiter {
public:
  virtual ~DGLimiter() = default;
};

#endif
