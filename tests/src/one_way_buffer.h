// A stream buffer over a string that cannot seek, like a pipe.
#ifndef TESTS_SRC_ONE_WAY_BUFFER_H
#define TESTS_SRC_ONE_WAY_BUFFER_H

#include <streambuf>
#include <string>
#include <utility>

class OneWayBuffer : public std::streambuf {
 public:
  explicit OneWayBuffer(std::string s) : s_(std::move(s)) {
    setg(s_.data(), s_.data(), s_.data() + s_.size());
  }

 private:
  std::string s_;
};

#endif
