#include "KORA.h"

namespace KORA {

mEntity::mType M_GetElementType(pEntity e) { return e->getType(); }

void M_GetVertices(pEntity e, std::vector<pEntity>& out) {
  if (e->getLevel() == 0) {
    out.push_back(e);
    return;
  }
  const int n = e->size(0);
  for (int i = 0; i < n; ++i) out.push_back(e->get(0, i));
}

}  // namespace KORA
