#include "DGDataExchange.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "ConservationLaw.h"
#include "DGBoundaryCell.h"
#include "DGCellScratch.h"
#include "GlobalParamManager.h"
#include "ParUtil.h"
#include "mEntity.h"
#include "mMesh.h"

using KORA::mEntity;

namespace {

constexpr size_t kHandle = sizeof(mEntity *);

}  // namespace

Solution_DataExchanger::Solution_DataExchanger(double t, bool sendG, int d, int lev, bool recvG, int xTag)
    : time(t),
      sendGrads(sendG),
      dim(d),
      level(lev),
      recvGrads(recvG),
      nbFields(dgdetail::lawFieldCount("face value exchange")),
      nbSent(sendG ? 4 * nbFields : nbFields),
      exchangeTag(xTag),
      currentFace(nullptr) {}

size_t Solution_DataExchanger::messageSize(int nGP, int nbSent) {
  return kHandle + sizeof(double) * static_cast<size_t>(nGP) * static_cast<size_t>(nbSent);
}

void *Solution_DataExchanger::AP_alloc_and_fill_buffer(mEntity *e, KORA::KORA_SharedInfo &copy, int) {
  if (e->getLevel() != dim - 1) return nullptr;
  DGBoundaryCell *face = dgBoundaryCellOf(e);
  if (!face) return nullptr;
  currentFace = face;
  if (level > 0 && face->rightTag > 0 && face->rightTag != level) return nullptr;
  const int nGP = face->nbPtGauss();
  // A point whose left state is not computed yet has nothing to send.
  for (int i = 0; i < nGP; ++i)
    if (!face->pt(i)->UL) return nullptr;
  char *msg = static_cast<char *>(std::malloc(messageSize(nGP, nbSent)));
  if (!msg) return nullptr;
  std::memcpy(msg, &copy.remoteCopy, kHandle);
  char *out = msg + kHandle;
  for (int i = 0; i < nGP; ++i) {
    std::memcpy(out, face->pt(i)->UL, sizeof(double) * nbSent);
    out += sizeof(double) * nbSent;
  }
  return msg;
}

void Solution_DataExchanger::receiveData(int, void *message) {
  const char *msg = static_cast<const char *>(message);
  mEntity *e = nullptr;
  std::memcpy(&e, msg, kHandle);
  DGBoundaryCell *face = dgBoundaryCellOf(e);
  if (!face) return;
  currentFace = face;
  const int nRecv = recvGrads ? 4 * nbFields : nbFields;
  const int nGP = face->nbPtGauss();
  const int nIn = nbSent < nRecv ? nbSent : nRecv;
  std::vector<double> block(static_cast<size_t>(nGP) * nRecv, 0.0);
  const char *in = msg + kHandle;
  for (int i = 0; i < nGP; ++i) {
    std::memcpy(block.data() + static_cast<size_t>(i) * nRecv, in, sizeof(double) * nIn);
    in += sizeof(double) * nbSent;
  }
  if (!face->interProc) face->interProc = new InterProcData(nGP, nRecv);
  face->interProc->recieveSolution(time, nGP, nRecv, block.data());
}

void *Tags_DataExchanger::AP_alloc_and_fill_buffer(mEntity *e, KORA::KORA_SharedInfo &copy, int) {
  if (e->getLevel() != dim - 1) return nullptr;
  DGBoundaryCell *face = dgBoundaryCellOf(e);
  if (!face) return nullptr;
  char *msg = static_cast<char *>(std::malloc(messageSize));
  if (!msg) return nullptr;
  const int tag32 = face->leftTag;
  std::memcpy(msg, &tag32, sizeof(int));
  std::memcpy(msg + sizeof(int), &copy.remoteCopy, kHandle);
  return msg;
}

void Tags_DataExchanger::receiveData(int, void *message) {
  const char *msg = static_cast<const char *>(message);
  int tag32 = 0;
  mEntity *e = nullptr;
  std::memcpy(&tag32, msg, sizeof(int));
  std::memcpy(&e, msg + sizeof(int), kHandle);
  if (DGBoundaryCell *face = dgBoundaryCellOf(e)) face->rightTag = static_cast<short>(tag32);
}

namespace {

void exchangeValues(double t, short level, bool grads) {
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  if (!ctx->mesh || !ctx->law) return;
  Solution_DataExchanger x(t, grads, ctx->dim, level, ctx->law->needTheHigherOrderGradients(), 113);
  ctx->mesh->exchangeDataOnPartBdrys(x, true);
}

}  // namespace

void dgCommUl(double t, short level) { exchangeValues(t, level, false); }

void dgCommGradsUl(double t, short level) {
  KORA::ParUtil::Instance()->Msg(1, "starting  gradients communications ... ");
  const double start = KORA::ParUtil::Instance()->wTime();
  exchangeValues(t, level, true);
  KORA::ParUtil::Instance()->Msg(1, " %12.5E sec\n", KORA::ParUtil::Instance()->wTime() - start);
}

void dgCommTags() {
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  if (!ctx->mesh) return;
  Tags_DataExchanger x(ctx->dim);
  ctx->mesh->exchangeDataOnPartBdrys(x, true);
}
