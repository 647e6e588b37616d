// Small helpers for the entity tests: vertices owned by the test, and checks
// of the objects the library throws.
#ifndef ENTITY_HELPERS_H
#define ENTITY_HELPERS_H

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mException.h"
#include "mVertex.h"

namespace entity_test {

// Owns the vertices (and any other entity) a test makes.
struct Pool {
  std::vector<std::unique_ptr<KORA::mEntity>> owned;
  KORA::mVertex* vertex(int id, double x, double y, double z) {
    auto* v = new KORA::mVertex(id, KORA::mPoint(x, y, z), nullptr);
    owned.emplace_back(v);
    return v;
  }
  template <class E>
  E* keep(E* e) {
    owned.emplace_back(e);
    return e;
  }
};

// Runs f, which must throw a new mException made in `file`; returns what was
// printed and releases the exception.
template <class F>
std::string expectMException(F f, const char* file) {
  testing::internal::CaptureStdout();
  KORA::mException* caught = nullptr;
  try {
    f();
  } catch (KORA::mException* e) {
    caught = e;
  }
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(caught, nullptr) << "no mException thrown";
  if (caught) {
    EXPECT_EQ(caught->getFile(), file);
    delete caught;
  }
  return out;
}

// Runs f, which must throw an int; returns it (-1000 when nothing was thrown).
template <class F>
int thrownInt(F f, std::string* printed = nullptr) {
  testing::internal::CaptureStdout();
  int value = -1000;
  try {
    f();
  } catch (int i) {
    value = i;
  }
  const std::string out = testing::internal::GetCapturedStdout();
  if (printed) *printed = out;
  return value;
}

inline std::string captured(const std::function<void()>& f) {
  testing::internal::CaptureStdout();
  f();
  return testing::internal::GetCapturedStdout();
}

}  // namespace entity_test

#endif
