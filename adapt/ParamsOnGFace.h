// The parameters of one mesh vertex on each model face it lies on, cached
// while boundary faces are compared with the model. Attached to its vertex as
// an untyped pointer under a tag of the caller, who frees it.
#ifndef DG_ADAPT_PARAMSONGFACE_H
#define DG_ADAPT_PARAMSONGFACE_H

#include "KORA.h"

class ParamsOnGFace {
 public:
  // Room for n model faces (never grown); entry 0 is (face, par).
  ParamsOnGFace(int n, KORA::pGFace face, const double par[3]);
  ~ParamsOnGFace();
  ParamsOnGFace(const ParamsOnGFace&) = delete;
  ParamsOnGFace& operator=(const ParamsOnGFace&) = delete;

  int ifGParamExist(KORA::pGFace face) const;
  // Adds an entry; a full record is left as it is (0).
  int append(KORA::pGFace face, const double par[3]);
  // As append, unless the face has an entry already.
  int appendUnique(KORA::pGFace face, const double par[3]);
  // 1 and the parameters of the face's first entry; 0 when it has none.
  int getParam(KORA::pGFace face, double out[3]) const;
  int size() const { return count; }

 private:
  int count;
  int capacity;
  KORA::pGFace* faces;
  double (*params)[3];
};

#endif
