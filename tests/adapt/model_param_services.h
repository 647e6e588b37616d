// Point parameters and model points of the analytic test models, installed
// into their geometry services: Model keeps a static `current`, a map
// `params` from points to their (u, v) and `at(entity, par, xyz)`.
#ifndef TESTS_ADAPT_MODEL_PARAM_SERVICES_H
#define TESTS_ADAPT_MODEL_PARAM_SERVICES_H

#include "KORA.h"

namespace snaptest {

template <class Model>
void installParamServices(KORA::GeometryServices& s) {
  using namespace KORA;
  s.param1 = [](pPoint p) { return Model::current->params.at(p)[0]; };
  s.param2 = [](pPoint p, double* u, double* v, int* patch) {
    const auto& q = Model::current->params.at(p);
    *u = q[0];
    *v = q[1];
    *patch = 0;
  };
  s.setParam1 = [](pPoint p, double t) { Model::current->params[p] = {t, 0.0}; };
  s.setParam2 = [](pPoint p, double u, double v, int) { Model::current->params[p] = {u, v}; };
  s.edgePoint = [](pGEdge e, double t, double* xyz) {
    double par[2] = {t, 0.0};
    Model::current->at(e, par, xyz);
  };
  s.facePoint = [](pGFace f, double* par, double* xyz) { Model::current->at(f, par, xyz); };
}

}  // namespace snaptest

#endif
