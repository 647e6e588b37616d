#include "mTextWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ostream>

#include <unistd.h>

namespace KORA {

mTextWriter::mTextWriter(int fd) : fd_(fd), buffer_(new char[kCapacity]) {
  pos_ = buffer_.get();
  end_ = pos_ + kCapacity;
}

mTextWriter::mTextWriter(std::ostream& out) : out_(&out), buffer_(new char[kCapacity]) {
  pos_ = buffer_.get();
  end_ = pos_ + kCapacity;
}

mTextWriter::~mTextWriter() { flush(); }

void mTextWriter::put(std::string_view s) {
  while (!s.empty()) {
    if (pos_ == end_) drain();
    const std::size_t n = std::min<std::size_t>(s.size(), static_cast<std::size_t>(end_ - pos_));
    std::memcpy(pos_, s.data(), n);
    pos_ += n;
    s.remove_prefix(n);
  }
}

void mTextWriter::drain() {
  hand(buffer_.get(), static_cast<std::size_t>(pos_ - buffer_.get()));
  pos_ = buffer_.get();
}

bool mTextWriter::flush() {
  drain();
  if (out_ && !error_ && !out_->flush()) error_ = EIO;
  return !error_;
}

void mTextWriter::hand(const char* data, std::size_t n) {
  if (error_ || n == 0) return;
  if (out_) {
    if (!out_->write(data, static_cast<std::streamsize>(n))) error_ = EIO;
    return;
  }
  while (n > 0) {
    const ssize_t w = ::write(fd_, data, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      error_ = w < 0 && errno != 0 ? errno : EIO;
      return;
    }
    data += w;
    n -= static_cast<std::size_t>(w);
  }
}

}  // namespace KORA
