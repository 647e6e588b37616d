#ifndef KORA_MTEXTWRITER_H
#define KORA_MTEXTWRITER_H

// Text written into a buffer of its own and handed on in large blocks, to a
// file descriptor or to a stream. Numbers are formatted without the locale
// machinery of streams, exactly as a stream in the classic locale formats
// them: integers in decimal, doubles as a stream with precision 16 and
// scientific notation writes them ("%.16e": "-1.2500000000000000e-03",
// "nan", "-inf").
//
// A failure of the destination is kept (the first one) and ends the writing:
// everything after it is dropped, and flush() tells it.

#include <charconv>
#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string_view>

namespace KORA {

class mTextWriter {
public:
  // Writes to the open descriptor fd (not closed by the writer).
  explicit mTextWriter(int fd);
  // Writes to the stream.
  explicit mTextWriter(std::ostream& out);
  // Flushes what is left; a failure then goes unreported.
  ~mTextWriter();
  mTextWriter(const mTextWriter&) = delete;
  mTextWriter& operator=(const mTextWriter&) = delete;

  void put(char c) {
    if (pos_ == end_) drain();
    *pos_++ = c;
  }
  void put(std::string_view s);
  void putInt(long long v) {
    if (end_ - pos_ < kRoom) drain();
    pos_ = std::to_chars(pos_, end_, v).ptr;
  }
  void putScientific(double x) {
    if (end_ - pos_ < kRoom) drain();
    pos_ = std::to_chars(pos_, end_, x, std::chars_format::scientific, 16).ptr;
  }

  // Hands on everything buffered; false once the destination has failed
  // (error() then holds the errno of the failure, EIO for a stream).
  bool flush();
  bool failed() const { return error_ != 0; }
  int error() const { return error_; }

private:
  // Room for the longest number formatted at once.
  static constexpr std::ptrdiff_t kRoom = 32;
  static constexpr std::size_t kCapacity = std::size_t(1) << 20;
  void drain();
  void hand(const char* data, std::size_t n);

  int fd_ = -1;
  std::ostream* out_ = nullptr;
  std::unique_ptr<char[]> buffer_;
  char* pos_;
  char* end_;
  int error_ = 0;
};

}  // namespace KORA

#endif
