// Mesh files that are not text or never end (/dev/zero, random bytes, an
// endless number), and a damaged file whose failed read must leave a mesh
// that can be walked, written and freed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <list>
#include <memory>
#include <sstream>
#include <streambuf>
#include <string>

#include "files_helpers.h"
#include "mesh_fixtures.h"

namespace {

using namespace filestest;

// A one-way stream of `prefix` followed by an endless run of bytes from
// next(), which gives up (end of stream) after `cap` bytes so that a reader
// that does not stop cannot hang the test; `served` counts what was taken.
class EndlessBuffer : public std::streambuf {
 public:
  EndlessBuffer(std::string prefix, std::function<char()> next, std::size_t cap)
      : prefix_(std::move(prefix)), next_(std::move(next)), cap_(cap) {}
  std::size_t served() const { return served_; }

 protected:
  int_type underflow() override {
    if (served_ >= cap_) return traits_type::eof();
    std::size_t n = 0;
    for (; n < sizeof(chunk_) && served_ + n < cap_; ++n)
      chunk_[n] = served_ + n < prefix_.size() ? prefix_[served_ + n] : next_();
    served_ += n;
    setg(chunk_, chunk_, chunk_ + n);
    return traits_type::to_int_type(chunk_[0]);
  }

 private:
  std::string prefix_;
  std::function<char()> next_;
  std::size_t cap_;
  std::size_t served_ = 0;
  char chunk_[4096];
};

// Bytes of a fixed linear congruential sequence (all 256 values occur).
std::function<char()> randomBytes(std::uint32_t seed) {
  return [x = seed]() mutable {
    x = x * 1664525u + 1013904223u;
    return static_cast<char>(x >> 24);
  };
}

std::string readFailure(const std::function<void()>& read) {
  bool thrown = false;
  const std::string printed = meshtest::expectMeshException(read, &thrown);
  EXPECT_TRUE(thrown) << printed;
  return printed;
}

const std::size_t kCap = std::size_t(64) << 20;

TEST(FilesMshStream, EndlessStreamsEndTheReadAfterAFewBytes) {
  struct Case {
    const char* name;
    std::string prefix;
    std::function<char()> next;
    std::string message;
  };
  const Case cases[] = {
      {"zeros", "", [] { return '\0'; },
       "binary data in the mesh file (a byte 0x00 outside the sections)"},
      {"random bytes", "", randomBytes(7), "binary data in the mesh file"},
      {"zeros in a vertex section", "$NOE\n2\n1 0 0 0\n2 ", [] { return '\0'; },
       "binary data in section $NOE of the mesh file (a byte 0x00)"},
      {"zeros in a skipped section", "$Comments\nabc\n", [] { return '\0'; },
       "binary data in section $Comments of the mesh file (a byte 0x00)"},
      // Text all along: a number without end is cut at a number's length.
      {"endless number", "$NOE\n1\n1 ", [] { return '1'; },
       "cannot read a coordinate in section $NOE of the mesh file: found \"" +
           std::string(71, '1') + "\""},
  };
  for (const Case& c : cases) {
    EndlessBuffer buffer(c.prefix, c.next, kCap);
    std::istream in(&buffer);
    mMesh m(1);
    const std::string printed =
        readFailure([&] { KORA_Util::Instance()->importDGFile(in, &m); });
    EXPECT_NE(printed.find(c.message), std::string::npos) << c.name << ": " << printed;
    // Bounded: far less than the cap was taken from the stream.
    EXPECT_LT(buffer.served(), std::size_t(1) << 20) << c.name;
  }
}

// The named file is read (and named in the message) in a child that an alarm ends, so that a reader that
// does not stop fails the test instead of hanging it.
void expectFileReadFails(const std::string& name, const std::string& message) {
  EXPECT_EXIT(
      {
        alarm(20);
        mMesh m(1);
        bool thrown = false;
        const std::string printed = meshtest::expectMeshException(
            [&] { KORA_Util::Instance()->importDGFile(name.c_str(), &m); }, &thrown);
        std::_Exit(thrown && printed.find(message) != std::string::npos ? 0 : 3);
      },
      ::testing::ExitedWithCode(0), "")
      << name;
}

class FilesMshDevices : public InTempDir {};

TEST_F(FilesMshDevices, DevZeroAndAFileOfRandomBytesGiveTheReadersMessage) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  if (access("/dev/zero", R_OK) == 0)
    expectFileReadFails("/dev/zero", "binary data in the mesh file /dev/zero (a byte 0x00");
  std::string bytes;
  auto next = randomBytes(12345);
  for (int i = 0; i < 65536; ++i) bytes.push_back(next());
  {
    std::ofstream out("random.msh", std::ios::binary);
    out << bytes;
  }
  const std::string full = dir_ + "/random.msh";
  expectFileReadFails(full, "binary data in the mesh file " + full + " (a byte 0x");
}

TEST(FilesMshStream, ControlCharactersAreAFormatErrorButOtherBytesOutsideSectionsAreNot) {
  const std::string nodes = "$NOE\n3\n1 0 0 0\n2 1 0 0\n3 0 1 0\n$ENDNOE\n";
  struct Bad {
    const char* name;
    std::string text;
    std::string message;
  };
  const Bad cases[] = {
      {"in a coordinate", "$NOE\n1\n1 0\x01 0 0\n$ENDNOE\n",
       "binary data in section $NOE of the mesh file (a byte 0x01)"},
      {"as a token of its own", nodes + "$ELM\n1\n1 2 1 0 3 1 2 \x7f\n$ENDELM\n",
       "binary data in section $ELM of the mesh file (a byte 0x7f)"},
      {"after the records of a section", nodes.substr(0, nodes.size() - 8) + "\x02\n$ENDNOE\n",
       "binary data in section $NOE of the mesh file (a byte 0x02)"},
      {"between sections", nodes + "x\x1by\n$PRL\n0\n$ENDPRL\n",
       "binary data in the mesh file (a byte 0x1b outside the sections)"},
  };
  for (const Bad& c : cases)
    for (bool oneWay : {false, true}) {
      mMesh m(1);
      const std::string printed = readFailure([&] { readMsh(m, c.text, oneWay); });
      EXPECT_NE(printed.find(c.message), std::string::npos)
          << c.name << (oneWay ? " (one-way)" : "") << ": " << printed;
    }
  // Tabs, carriage returns and bytes of UTF-8 text are text.
  for (bool oneWay : {false, true}) {
    mMesh m(1);
    readMsh(m, "maill\xc3\xa9 \xe2\x80\x94 note\r\n$NOE\r\n3\r\n1\t0 0 0\r\n2 1 0 0\n3 0 1 0\n$ENDNOE\n" +
                   std::string("$ELM\n1\n1 2 1 0 3 1 2 3\n$ENDELM\n"),
            oneWay);
    EXPECT_EQ(m.size(0), 3);
    EXPECT_EQ(m.size(2), 1);
  }
}

// What a fuzzing harness does with a mesh after a read: walk every refinement
// tree, write the mesh, read it back, free both.
void walkWriteAndFree(std::unique_ptr<mMesh> m) {
  for (int d = 1; d <= 3; ++d)
    for (auto it = m->beginall(d), last = m->endall(d); it != last; ++it) {
      m->getRefinementDepth(*it);
      if (!(*it)->parent()) {
        std::list<mEntity*> leaves;
        (*it)->getLeaves(leaves);
      }
    }
  const std::string text = writeMsh(*m, false);
  m.reset();
  mMesh back(1);
  readMsh(back, text);
}

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A damaged file found by fuzzing: a number of 128 characters, then vertex
// records whose ids repeat. Read from a file, a string and a one-way stream
// (the first byte, a line break, dropped as the harness does), the read
// stops at that number the same way, and the mesh is freed cleanly.
TEST(FilesMshStream, DamagedFileFromFuzzingFailsAlikeAndTheMeshIsFreed) {
  const std::string path = data("msh_free_after_error.msh");
  const std::string text = fileText(path);
  ASSERT_EQ(text.size(), 191u);
  for (int how = 0; how < 3; ++how) {
    auto m = std::make_unique<mMesh>(1);
    const std::string printed = readFailure([&] {
      if (how == 0)
        KORA_Util::Instance()->importDGFile(path.c_str(), m.get());
      else
        readMsh(*m, text.substr(1), how == 2);
    });
    // Read by name, the message names the file.
    const std::string found = "cannot read a coordinate in section $NO of the mesh file" +
                              (how == 0 ? " " + path : std::string()) + ": found \"0.333";
    EXPECT_NE(printed.find(found), std::string::npos) << how << ": " << printed;
    EXPECT_EQ(m->size(0), 0) << how;
    walkWriteAndFree(std::move(m));
  }
  // With an ordinary number in its place the records are read: ids 3, 1, 3,
  // 1, 0, 3, 5, where a repeated id keeps the vertex made first.
  std::string shortened = text;
  const std::size_t at = shortened.find("0.333");
  shortened.replace(at, shortened.find(' ', at) - at, "0.5");
  for (bool oneWay : {false, true}) {
    auto m = std::make_unique<mMesh>(1);
    readMsh(*m, shortened, oneWay);
    EXPECT_EQ(m->size(0), 4);
    const double expected[4][4] = {{3, 0.5, 0, 1}, {1, 15, 0, 5}, {0, 6, 5, 0}, {5, 0, 0, 6}};
    for (const auto& v : expected) {
      mVertex* x = m->getVertex(static_cast<int>(v[0]));
      ASSERT_NE(x, nullptr) << v[0];
      EXPECT_EQ(x->point()(0), v[1]);
      EXPECT_EQ(x->point()(1), v[2]);
      EXPECT_EQ(x->point()(2), v[3]);
    }
    walkWriteAndFree(std::move(m));
  }
}

}  // namespace
