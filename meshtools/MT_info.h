// Debugging printers: mesh statistics, a description of one entity
// (classification, geometry and quality, adjacent entities) and the items of
// a list, on standard output. Handles are printed as "0x" and their full
// value in hexadecimal.
#ifndef DG_MESHTOOLS_MT_INFO_H
#define DG_MESHTOOLS_MT_INFO_H

#include "KORA.h"

void M_info(KORA::pMesh mesh);
void EN_info(KORA::pEntity e);
void R_info(KORA::pRegion r);
void F_info(KORA::pFace f);
void E_info(KORA::pEdge e);
void V_info(KORA::pVertex v);
void PList_printx(KORA::pPList l);

#endif
