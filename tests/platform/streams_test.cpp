#include "platform/streams.h"

#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

namespace {

// A buffer over a string that cannot seek, like a pipe's.
class UnseekableBuffer : public std::streambuf {
 public:
  explicit UnseekableBuffer(std::string text) : text_(std::move(text)) {
    setg(text_.data(), text_.data(), text_.data() + text_.size());
  }

 private:
  std::string text_;
};

std::string Pattern(std::size_t size) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>(i * 7 + i / 251);
  return s;
}

std::vector<std::uint8_t> Bytes(const std::string& s) {
  return {s.begin(), s.end()};
}

TEST(ReadToEnd, ReadsFromTheCurrentPositionToTheEndOfAnyStream) {
  // Sizes around the block size of the unseekable path.
  for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{65535},
                                 std::size_t{65536}, std::size_t{200001}}) {
    const std::string text = Pattern(size);
    std::istringstream seekable(text);
    EXPECT_EQ(platform::ReadToEnd(seekable), Bytes(text)) << size;
    EXPECT_TRUE(platform::ReadToEnd(seekable).empty()) << "nothing is left after the end";

    UnseekableBuffer buffer(text);
    std::istream unseekable(&buffer);
    EXPECT_EQ(platform::ReadToEnd(unseekable), Bytes(text)) << size;
  }
  std::istringstream started("header and body");
  std::string word;
  started >> word;
  EXPECT_EQ(platform::ReadToEnd(started), Bytes(" and body"));
}

}  // namespace
