// Tetrahedron refinement dispatch.
#include "meshTemplate.h"

using namespace KORA;

int meshTemplate::R_refine(pRegion r, pPList*, pPList*) {
  currentRegion = r;
  pPList edges = R_edges(r);
  int mask = 0, mark = 0;
  for (int i = 0; i < PList_size(edges); ++i)
    if (EN_getDataInt(static_cast<pEdge>(PList_item(edges, i)), refineTag, &mark)) mask |= 1 << i;
  PList_delete(edges);
  return mask;
}

void meshTemplate::template_63(pRegion, pPList, int, pPList*, pPList*) {}

void meshTemplate::M_countSteinerPoints(pMesh, pPList) {}

void meshTemplate::deleteSteiner() {}
