#include "KORA.h"

#include "mVertex.h"

namespace KORA {

int EN_type(pEntity e) { return e->getLevel(); }

pPoint V_point(pVertex v) { return static_cast<mVertex*>(v)->ppoint(); }

double P_x(pPoint p) { return (*p)(0); }
double P_y(pPoint p) { return (*p)(1); }
double P_z(pPoint p) { return (*p)(2); }

}  // namespace KORA
