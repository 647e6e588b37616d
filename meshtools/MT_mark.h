// Temporary marks on mesh entities (six ids) and modification constraints.
#ifndef DG_MESHTOOLS_MT_MARK_H
#define DG_MESHTOOLS_MT_MARK_H

#include "KORA.h"

// Kinds of modification (bit numbers): 0 swap, 1 collapse, 2 split and
// refinement, 3 vertex motion, 4 removal of an entity.
int EN_okTo(int op, KORA::pEntity e);
int GEN_okTo(int op, KORA::pGEntity g);
void EN_constrain(int op, KORA::pEntity e);
void EN_constrainAll(KORA::pEntity e);
void GEN_constrain(int op, KORA::pGEntity g);
void GEN_constrainAll(KORA::pGEntity g);

// A free mark id 1 to 6; a seventh ends the process.
int MT_getMarkID();
void MT_freeMarkID(int id);
void MT_setMark(KORA::pEntity e, int id);
void MT_unMark(KORA::pEntity e, int id);
// The bit's value (non-zero) when marked.
int MT_isMarked(KORA::pEntity e, int id);
void MT_setMarkList(KORA::pPList l, int id);
void MT_unMarkList(KORA::pPList l, int id);

#endif
