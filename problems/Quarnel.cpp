#include "Quarnel.h"

#include <memory>

#include "DVMLaw.h"

ConservationLaw *createLinearHyperbolicLaw(int dim) {
  auto law = std::make_unique<ScalarLawALE>();
  law->readScalarLawALE();
  law->writeScalarLawALE();
  law->setupScalarLawALE(dim);
  return law.release();
}
