#include "NodalTensorView.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "GlobalParamManager.h"
#include "mAttachableDataContainer.h"
#include "mEntity.h"
#include "mMesh.h"
#include "mVertex.h"

using KORA::mTensor2;
using KORA::mVector;

namespace {

mVector row(const mTensor2 &t, int i) { return mVector(t(i, 0), t(i, 1), t(i, 2)); }

}  // namespace

void WriteNodalTensorFieldInGmshFormat(unsigned int tag, const char *fileName, const char *viewName,
                                       unsigned int mode) {
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  KORA::mMesh *mesh = ctx->mesh;
  if (!mesh) throw std::string("nodal view: no mesh");
  if (mode < 1 || mode > 5)
    throw std::string("nodal view: unknown mode ") + std::to_string(mode) + " (1 to 5)";
  const std::string name = fileName ? fileName : "";
  std::FILE *f = std::fopen(name.c_str(), "w");
  if (!f) throw std::string("nodal view: cannot open ") + name + " for writing";
  std::fprintf(f, "View \"%s\" {\n", viewName ? viewName : "");
  const int d = ctx->dim;
  if (mode != 3) {
    for (auto it = mesh->begin(0); it != mesh->end(0); ++it) {
      const KORA::mPoint p = static_cast<KORA::mVertex *>(*it)->point();
      const KORA::mAttachableData *data = (*it)->getData(tag);
      if (mode == 5) {
        const auto *v = dynamic_cast<const KORA::mAttachable_mVector *>(data);
        const mVector g = v ? v->v : mVector(0, 0, 0);
        std::fprintf(f, "VP(%g,%g,%g){%12.5E,%12.5E,%12.5E};\n", p(0), p(1), p(2), g(0), g(1), g(2));
        continue;
      }
      const auto *t = dynamic_cast<const KORA::mAttachable_mTensor2 *>(data);
      const mTensor2 T = t ? t->t : mTensor2(0.0);
      if (mode == 2) {
        for (int i = 0; i < 3; ++i) {
          const mVector r = row(T, i);
          std::fprintf(f, "VP(%g,%g,%g){%12.5E,%12.5E,%12.5E};\n", p(0), p(1), p(2), r(0), r(1), r(2));
        }
        continue;
      }
      double value = row(T, 0).length();
      if (mode == 4) {
        const double rL = row(T, d == 2 ? 1 : 2).length();
        value = rL != 0.0 ? std::fabs(value / rL) : 1.0;
      }
      std::fprintf(f, "SP(%g,%g,%g){%12.5E};\n", p(0), p(1), p(2), value);
    }
  }
  std::fprintf(f, "};\n");
  const bool failed = std::ferror(f) != 0;
  if (std::fclose(f) != 0 || failed) throw std::string("nodal view: cannot write ") + name;
}
