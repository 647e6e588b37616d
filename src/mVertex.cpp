#include "mVertex.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "mIdGenerator.h"

namespace KORA {

namespace {
// The key of a vertex id: the runtime's generator seeded with the id, one draw.
int keyOf(int id) {
  std::srand((unsigned int)id);
  const int r = std::rand();
  return std::abs(r) % 100000000;
}
// The first draw after seeding, computed directly. The C library's generator
// is an additive feedback generator of degree 31 and separation 3, whose state
// is filled by the multiplicative congruential generator 16807 x mod (2^31 - 1)
// and then advanced by 310 discarded draws. Every draw is linear (mod 2^32) in
// the filled state, so the first one is a fixed weighted sum of it, and each
// state word is seed * 16807^i mod (2^31 - 1). That takes some 30 ns instead of
// the 311 draws of a reseed. The formula is checked once against the library
// (through a private state, so that the process's sequence is not disturbed);
// where it does not match, the library itself is used.
class QuickFirstDraw {
 public:
  QuickFirstDraw() {
    const std::uint64_t p = 2147483647u;
    std::uint64_t a = 1;
    for (int i = 0; i < kDeg; ++i) {
      power_[i] = a;
      a = a * 16807u % p;
    }
    // Weights: run the feedback on unit vectors.
    std::uint32_t slot[kDeg][kDeg];
    for (int i = 0; i < kDeg; ++i)
      for (int j = 0; j < kDeg; ++j) slot[i][j] = i == j;
    int f = 3, r = 0;
    for (int draw = 0; draw <= 10 * kDeg; ++draw) {
      for (int j = 0; j < kDeg; ++j) slot[f][j] += slot[r][j];
      if (draw == 10 * kDeg)
        for (int j = 0; j < kDeg; ++j) weight_[j] = slot[f][j];
      if (++f == kDeg) {
        f = 0;
        ++r;
      } else if (++r == kDeg) {
        r = 0;
      }
    }
    valid_ = selfCheck();
  }

  // The first draw after seeding with `seed`, or -1 where the formula does
  // not apply (seeds from 2^31 - 1 up, which the library fills differently).
  int draw(unsigned int seed) const { return valid_ ? formula(seed) : -1; }

 private:
  static const int kDeg = 31;

  int formula(unsigned int seed) const {
    if (seed == 0) seed = 1;
    if (seed >= 2147483647u) return -1;
    std::uint32_t acc = 0;
    for (int j = 0; j < kDeg; ++j) {
      std::uint64_t x = std::uint64_t(seed) * power_[j];
      x = (x & 2147483647u) + (x >> 31);
      x = (x & 2147483647u) + (x >> 31);
      if (x >= 2147483647u) x -= 2147483647u;
      acc += weight_[j] * static_cast<std::uint32_t>(x);
    }
    return static_cast<int>(acc >> 1);
  }

  bool selfCheck() const {
#if defined(__GLIBC__)
    const unsigned int seeds[] = {1u, 2u, 7u, 127773u, 99999999u, 2147483646u};
    for (unsigned int s : seeds) {
      // 128 bytes of state is the degree-31 generator that rand uses.
      alignas(8) static char state[128];
      char* previous = initstate(s, state, sizeof(state));
      const long expected = random();
      setstate(previous);
      if (formula(s) != expected) return false;
    }
    return true;
#else
    return false;
#endif
  }

  std::uint64_t power_[kDeg];
  std::uint32_t weight_[kDeg];
  bool valid_ = false;
};

}  // namespace

int mVertex::quietKeyOf(int id) {
  static const QuickFirstDraw quick;
  const int r = quick.draw((unsigned int)id);
  if (r >= 0) return r % 100000000;
  // The library's own draw, through a private state.
#if defined(__GLIBC__)
  alignas(8) static char state[128];
  char* previous = initstate((unsigned int)id, state, sizeof(state));
  const int drawn = static_cast<int>(random());
  setstate(previous);
  return std::abs(drawn) % 100000000;
#else
  // No private state to draw from: seeding the runtime's generator is the
  // only way here; bulk readers seed it again for their last vertex anyway.
  return keyOf(id);
#endif
}

void mVertex::seedGeneratorAsKeyOf(int id) { (void)keyOf(id); }

mVertex::mVertex(int id, const mPoint& pt, gEntity* g) : mEntity(), p(pt), key(KEY_NOT_COMPUTED) {
  theClassification = g;
  iD = id;
}

mVertex::mVertex(mIdGenerator& gen, const mPoint& pt, gEntity* g)
    : mEntity(), p(pt), key(KEY_NOT_COMPUTED) {
  theClassification = g;
  iD = gen.generateId();
}

mVertex::~mVertex() {}

int mVertex::getRAND() const {
  if (key == KEY_NOT_COMPUTED) key = keyOf(iD);
  return key;
}

void mVertex::setId(int id) {
  iD = id;
  key = keyOf(id);
}

void mVertex::deleteId(mIdGenerator& gen) {
  gen.addId(iD);
  iD = 0;
}

void mVertex::print() const { std::printf("vertex %d = (%lf,%lf,%lf)\n", iD, p(0), p(1), p(2)); }

bool VertexLexicographicLessThan::operator()(mVertex* a, mVertex* b) const {
  const mPoint pa = a->point(), pb = b->point();
  const double t = tolerance;
  if (pa(0) < pb(0) - t) return true;
  if (pa(0) > pb(0) + t) return false;
  if (pa(1) < pb(1) - t) return true;
  if (pa(1) > pb(1) + t) return false;
  return pa(2) < pb(2) - t;
}

}  // namespace KORA
