#ifndef DG_DGLIMITER_H
#define DG_DGLIMITER_H

class DGCell;

// Interface of the limiters. The global context owns the run's limiter and
// deletes it through this interface, so the destructor is virtual.
//
// The analysis's limiting pass hands a limiter the cells it selects. When
// needStencilAverages() is true, the pass first fills every cell's jump
// indicator and its stencil bounds (the smallest and largest cell mean of each
// field over the cell and its face and vertex neighbours), and only cells whose
// indicator exceeds the run's threshold are limited; when it is false every
// active cell of the level is limited and no bound is computed.
class DGLimiter {
public:
  virtual ~DGLimiter() = default;
  // Limits the cell's coefficients in place. The base leaves them alone.
  virtual void limit(DGCell *cell) { (void)cell; }
  virtual bool needStencilAverages() const { return true; }

  // Barth-Jespersen factors of the cell (defined in the adaptivity library):
  // ratio[f] in [0, 1] is the share of field f's linear part that keeps the
  // values at the cell's test points within the stencil bounds; every ratio
  // is 0 when one test point holds a state the law rejects. ratio holds
  // room for 256 values. Element kinds without test points throw the integer 1.
  void computeMinMax(DGCell *cell, double *ratio) const;
  // a becomes minmod(a, b): 0 for opposite signs, b when |b| <= |a|; true
  // when a new value was stored.
  static bool minmod(double &a, double b);

  // Whether limit reads the cells' stencil bounds: when it does not, the
  // passes that make them are skipped (the jump indicator is still taken
  // whenever needStencilAverages is true).
  bool readsStencilBounds() const { return stencilReader; }

protected:
  bool stencilReader = true;
};

#endif
