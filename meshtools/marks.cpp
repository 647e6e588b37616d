#include "MT_error.h"
#include "MT_mark.h"

using namespace KORA;

namespace {
int globalCst = 0;
int MAXNUM = 0;
int MT_MarkID = -1;
int MT_mark = 0;

int bit(int op) { return 1 << (op & 31); }

pGEntity modelOf(pEntity e) {
  switch (EN_type(e)) {
    case 0:
      return V_whatIn(e);
    case 1:
      return E_whatIn(e);
    case 2:
      return F_whatIn(e);
    default:
      return R_whatIn(e);
  }
}
}  // namespace

int EN_okTo(int op, pEntity e) {
  if (globalCst & bit(op)) return 0;
  if (!e) return 1;
  pGEntity g = modelOf(e);
  const bool modelAllows = !g || !(GEN_dataI(g, "cnst") & bit(op));
  return (modelAllows && !(EN_mark(e, MT_cnst) & bit(op))) ? 1 : 0;
}

int GEN_okTo(int op, pGEntity g) {
  if (!g) return 1;
  if (globalCst & bit(op)) return 0;
  return (GEN_dataI(g, "cnst") & bit(op)) ? 0 : 1;
}

void EN_constrain(int op, pEntity e) {
  if (!e)
    globalCst |= bit(op);
  else
    EN_setMark(e, MT_cnst, EN_mark(e, MT_cnst) | bit(op));
}

void EN_constrainAll(pEntity e) {
  if (!e)
    globalCst = 31;
  else
    EN_setMark(e, MT_cnst, 31);
}

namespace {
void setModelBits(pGEntity g, int bits, bool replace) {
  const int old = GEN_dataI(g, "cnst");
  if (old == 0)
    GEN_attachDataI(g, "cnst", bits);
  else
    GEN_modifyDataI(g, "cnst", replace ? bits : (old | bits));
}
}  // namespace

void GEN_constrain(int op, pGEntity g) {
  if (!g)
    globalCst |= bit(op);
  else
    setModelBits(g, bit(op), false);
}

void GEN_constrainAll(pGEntity g) {
  if (!g)
    globalCst = 31;
  else
    setModelBits(g, 31, true);
}

int MT_getMarkID() {
  if (MT_MarkID == -1) {
    MAXNUM = 6;
    MT_mark = MD_registerMark("MTmk", 6, 0);
    MT_MarkID = 0;
  }
  for (int i = 0; i < MAXNUM; ++i)
    if (!(MT_MarkID & (1 << i))) {
      MT_MarkID |= 1 << i;
      return i + 1;
    }
  ErrorHandler("Out of marks", "MT_getMarkId", MT_FATAL);
  return 0;
}

void MT_freeMarkID(int id) {
  if (id < 1 || id > MAXNUM) {
    ErrorHandler("Invalid mark ID", "MT_freeMarkID", MT_WARNING);
    return;
  }
  MT_MarkID &= ~(1 << (id - 1));
}

void MT_setMark(pEntity e, int id) { EN_setMark(e, MT_mark, EN_mark(e, MT_mark) | (1 << (id - 1))); }

void MT_unMark(pEntity e, int id) {
  const int m = EN_mark(e, MT_mark);
  if (m != 0) EN_setMark(e, MT_mark, m & ~(1 << (id - 1)));
}

int MT_isMarked(pEntity e, int id) { return EN_mark(e, MT_mark) & (1 << (id - 1)); }

void MT_setMarkList(pPList l, int id) {
  void* it = nullptr;
  while (void* e = PList_next(l, &it)) MT_setMark(static_cast<pEntity>(e), id);
}

void MT_unMarkList(pPList l, int id) {
  void* it = nullptr;
  while (void* e = PList_next(l, &it)) MT_unMark(static_cast<pEntity>(e), id);
}
