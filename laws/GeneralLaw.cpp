// The expression-built gas law and its far-field evaluator.

#include "GeneralLaw.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "DGParameters.h"
#include "Euler.h"
#include "Expression.h"
#include "GlobalParamManager.h"
#include "List.h"
#include "mEntity.h"
#include "mMesh.h"

void GeneralCFDEvaluator::eval(const KORA::mPoint &, double, double *U) const {
  const bool started = GlobalParamManager::Instance()->parameters->state.started != 0;
  Expression *pe = started ? pressureBnd : pressureInit;
  Expression *ve = started ? velocityBnd : velocityInit;
  Expression *de = started ? densityBnd : densityInit;

  Value pv = VALUE_ZERO, vv = VALUE_ZERO, dv = VALUE_ZERO;
  Get_ValueOfExpression(pe, &pv);
  Get_ValueOfExpression(ve, &vv);
  Get_ValueOfExpression(de, &dv);
  const double p = pv.Val[0];
  const double vx = vv.Val[0], vy = vv.Val[1], vz = vv.Val[2];
  const double rho = dv.Val[0];

  U[0] = rho;
  U[1] = rho * vx;
  U[2] = rho * vy;
  U[3] = p / (gamma - 1.0) + 0.5 * rho * (vx * vx + vy * vy + vz * vz);
  U[4] = rho * vz;
}

namespace {

// The evaluators live until the process ends; they are kept here so that
// they are released at exit.
std::vector<std::unique_ptr<GeneralCFDEvaluator>> &evaluators() {
  static std::vector<std::unique_ptr<GeneralCFDEvaluator>> list;
  return list;
}

// Model tags of the mesh's boundary faces (the faces of a single element).
// False when there is no mesh yet or its faces do not know their elements.
bool boundaryTags(const KORA::mMesh *mesh, int dim, std::set<int> &tags) {
  if (!mesh || dim < 1) return false;
  for (auto it = mesh->begin(dim - 1); it != mesh->end(dim - 1); ++it) {
    const KORA::mEntity *f = *it;
    const KORA::mAdjacencyContainer *up = f->getAdjacencyList(dim);
    if (!up) return false;
    if (up->size() != 1) continue;
    const KORA::gEntity *g = f->getClassification();
    tags.insert(g ? g->getId() : 0);
  }
  return true;
}

// A piece of a boundary function for a tag that no boundary face carries is a
// mistake in the file (a wrong number, or the mesh of another case): it would
// silently leave the intended far-field boundaries walls.
void checkBoundaryPieces(const std::set<int> &tags, const Expression *const (&functions)[3],
                         const char *const (&names)[3]) {
  for (int k = 0; k < 3; ++k) {
    const Expression *e = functions[k];
    if (e->Type != EXP_PIECEWISE) continue;
    std::string missing;
    for (int i = 0; i < List_Nbr(e->Pieces); ++i) {
      ExpressionPerRegion piece;
      List_Read(e->Pieces, i, &piece);
      if (!tags.count(piece.Region)) missing += (missing.empty() ? "" : ", ") + std::to_string(piece.Region);
    }
    if (missing.empty()) continue;
    std::string have;
    for (int t : tags) have += (have.empty() ? "" : ", ") + std::to_string(t);
    throw std::string("the boundary function \"") + names[k] + "\" is given for the tag(s) " + missing +
        ", which no boundary face of the mesh carries; the mesh's boundary tags are: " +
        (have.empty() ? "none" : have);
  }
}

}  // namespace

ConservationLaw *createGeneralLaw() {
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  const int dim = ctx->dim;
  const GeneralParameters &general = ctx->parameters->general;

  auto ev = std::make_unique<GeneralCFDEvaluator>();
  struct Slot {
    const char *name;
    Expression **field;
  };
  const Slot slots[6] = {{"PressureInit", &ev->pressureInit}, {"DensityInit", &ev->densityInit},
                         {"VelocityInit", &ev->velocityInit}, {"PressureBnd", &ev->pressureBnd},
                         {"DensityBnd", &ev->densityBnd},     {"VelocityBnd", &ev->velocityBnd}};

  List_T *list = Problem_S.Expressions;
  const int n = List_Nbr(list);
  for (int i = 0; i < n; ++i) {
    auto *e = static_cast<Expression *>(List_Pointer(list, i));
    if (!e->Name) continue;
    for (const Slot &s : slots)
      if (std::strcmp(e->Name, s.name) == 0) *s.field = e;  // the last occurrence wins
  }
  for (const Slot &s : slots)
    if (!*s.field)
      throw std::string("the expression-built law needs the expression \"") + s.name +
          "\", which is not defined";

  ev->gamma = general.gamma;

  std::set<int> meshTags;
  const bool tagsKnown = boundaryTags(ctx->mesh, dim, meshTags);
  std::map<int, bc> bcs;
  Expression *pb = ev->pressureBnd;
  if (pb->Type == EXP_PIECEWISE) {
    const int np = List_Nbr(pb->Pieces);
    // No piece ("PressureBnd[Region[{}]]"): no far-field boundary, every
    // boundary face is a wall. The law takes an empty table for far field
    // everywhere, so the walls are listed.
    if (np == 0) {
      if (tagsKnown)
        for (int t : meshTags) bcs.emplace(t, bc(1));
      else
        bcs.emplace(INT_MIN, bc(1));  // a tag no face carries: every face a wall
    }
    std::printf("external field defined on %d model entities [", np);
    for (int i = 0; i < np; ++i) {
      ExpressionPerRegion piece;
      List_Read(pb->Pieces, i, &piece);
      bcs.emplace(piece.Region, bc(4));  // a region listed twice keeps its first entry
      std::printf("%d ", piece.Region);
    }
    std::printf("]\n");
  } else {
    std::printf("external field defined everywhere !!\n");
  }
  if (tagsKnown)
    checkBoundaryPieces(meshTags, {ev->pressureBnd, ev->densityBnd, ev->velocityBnd},
                        {"PressureBnd", "DensityBnd", "VelocityBnd"});

  GeneralCFDEvaluator *far = ev.get();
  evaluators().push_back(std::move(ev));
  const bool gravity = general.gravity != 0;
  if (dim == 3)
    return new Euler3d(false, bcs, far, gravity, general.gamma, 287.0, nullptr, nullptr);
  return new Euler2dExactRiemann(false, bcs, far, gravity, general.axi != 0, general.gamma,
                                 2012.0 / 7.0, 2, nullptr, nullptr);
}
