#include "GmshProcessor.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <string>

namespace {

struct KindInfo {
  int nodes;
  int valuesPerNode;
  const char *opening;
};

constexpr KindInfo kKinds[7] = {
    {2, 1, "SL ("}, {3, 1, "ST ("}, {4, 1, "SS ("}, {2, 3, "VL ("},
    {3, 3, "VT ("}, {4, 3, "VS ("}, {0, 0, ""},
};

// The number as a view holds it.
double writable(double x) {
  if (std::isfinite(x)) return x;
  return x < 0 ? -kNonFiniteSubstitute : kNonFiniteSubstitute;
}

int countNonFinite(const std::vector<double> &v) {
  int n = 0;
  for (double x : v) n += std::isfinite(x) ? 0 : 1;
  return n;
}

bool knownKind(int t) { return t >= 0 && t <= 6; }

[[noreturn]] void refuseDrawable() {
  std::printf("error drawable\n");
  std::fflush(stdout);
  throw 1;
}

}  // namespace

// ---------------------------------------------------------------------------
// GmshDrawable

int GmshDrawable::nodesOf(gType type) { return knownKind(type) ? kKinds[type].nodes : 0; }

int GmshDrawable::valuesPerNodeOf(gType type) {
  return knownKind(type) ? kKinds[type].valuesPerNode : 0;
}

GmshDrawable::GmshDrawable(gType type, int nbSamples, const double *x, const double *y,
                           const double *z, const double *v)
    : nbNod(0), sizeInfo(0), nbSamples(nbSamples), type(type) {
  if (!knownKind(type) || type == EMPTY || nbSamples < 0) refuseDrawable();
  nbNod = kKinds[type].nodes;
  sizeInfo = kKinds[type].valuesPerNode;
  this->x.assign(x, x + nbNod);
  this->y.assign(y, y + nbNod);
  this->z.assign(z, z + nbNod);
  const int nv = nbNod * sizeInfo * nbSamples;
  if (nv > 0) this->v.assign(v, v + nv);
}

int GmshDrawable::nbNonFinite() const {
  return countNonFinite(x) + countNonFinite(y) + countNonFinite(z) + countNonFinite(v);
}

GmshDrawable::GmshDrawable() : nbNod(0), sizeInfo(0), nbSamples(0), type(EMPTY) {}

std::ostream &operator<<(std::ostream &os, const GmshDrawable &d) {
  if (d.type == GmshDrawable::EMPTY) return os;
  os << kKinds[d.type].opening;
  for (int i = 0; i < d.nbNod; ++i) {
    if (i) os << ',';
    os << writable(d.x[i]) << ',' << writable(d.y[i]) << ',' << writable(d.z[i]);
  }
  os << "){";
  for (std::size_t i = 0; i < d.v.size(); ++i) {
    if (i) os << ',';
    os << writable(d.v[i]);
  }
  os << "};\n";
  return os;
}

// ---------------------------------------------------------------------------
// GmshRangeFilter

std::unique_ptr<GmshDrawable> GmshRangeFilter::filter(std::unique_ptr<GmshDrawable> d) {
  if (d) {
    const int n = d->getNbNod() * d->getSizeInfo();
    const int available = d->getNbValues();
    for (int i = 0; i < n && i < available; ++i) {
      const double value = d->getV(i);
      if (min < value && value < max) return d;  // false for NaN
    }
  }
  return std::make_unique<GmshDrawable>();
}

// ---------------------------------------------------------------------------
// GmshProcessor

GmshProcessor::GmshProcessor(gMode mode)
    : mode(mode), stream(), fileName(), isOpen(false), warnedNonFinite(false), filters() {}

GmshProcessor::~GmshProcessor() {
  // A destructor cannot report: a sample interrupted by an error is closed
  // as it stands (the error that interrupted it is reported already).
  if (stream) stream->close();
}

void GmshProcessor::addFilter(GmshFilter *f) {
  if (f) filters.emplace_back(f);
}

void GmshProcessor::openFile(const char *name) {
  closeFile();
  fileName = name ? name : "";
  warnedNonFinite = false;
  errno = 0;
  stream = std::make_unique<std::ofstream>(fileName, std::ios::out | std::ios::trunc);
  if (!*stream) {
    const int error = errno;
    stream.reset();
    throw std::string("cannot create the view file ") + fileName + ": " +
        (error ? std::strerror(error) : "open failed");
  }
  isOpen = true;
}

void GmshProcessor::startView(const char *name) {
  if (!stream) return;
  *stream << "View \"" << (name ? name : "") << "\" {" << std::endl;
}

void GmshProcessor::addDrawable(GmshDrawable::gType type, int nbSamples, const double *x,
                                const double *y, const double *z, const double *v) {
  auto d = std::make_unique<GmshDrawable>(type, nbSamples, x, y, z, v);
  for (auto &f : filters) d = f->filter(std::move(d));
  if (!d || !stream) return;
  if (!warnedNonFinite && d->nbNonFinite() > 0) {
    warnedNonFinite = true;
    std::fflush(stdout);
    std::fprintf(stderr,
                 "warning: the view file %s holds numbers that are not finite; they are written "
                 "as +-%g\n",
                 fileName.c_str(), kNonFiniteSubstitute);
  }
  *stream << *d;
}

void GmshProcessor::endView() {
  if (!stream) return;
  *stream << "};" << std::endl;
}

void GmshProcessor::closeFile() {
  if (!isOpen) return;
  isOpen = false;
  std::unique_ptr<std::ofstream> s = std::move(stream);
  if (!s) return;
  errno = 0;
  s->flush();
  const bool written = static_cast<bool>(*s);
  const int error = errno;
  s->close();
  if (!written || s->fail())
    throw std::string("cannot write the view file ") + fileName + ": " +
        (error ? std::strerror(error) : "write failed");
}
