// Reading the rest of a stream into memory in one piece.
#pragma once

#include <cstdint>
#include <istream>
#include <vector>

namespace platform {

// The bytes from the stream's position to its end, read through its buffer
// like an istreambuf_iterator would (the stream's state flags are left
// alone), but in large blocks: when the buffer can tell its length the bytes
// land in one allocation, otherwise they are read 64 KiB at a time.
inline std::vector<std::uint8_t> ReadToEnd(std::istream& in) {
  std::vector<std::uint8_t> data;
  std::streambuf* buffer = in.rdbuf();
  if (buffer == nullptr) return data;
  const std::streampos here = buffer->pubseekoff(0, std::ios::cur, std::ios::in);
  if (here != std::streampos(-1)) {
    const std::streampos end = buffer->pubseekoff(0, std::ios::end, std::ios::in);
    if (buffer->pubseekpos(here, std::ios::in) != here) return data;
    if (end != std::streampos(-1) && end > here) {
      data.resize(static_cast<std::size_t>(end - here));
      const std::streamsize got = buffer->sgetn(reinterpret_cast<char*>(data.data()),
                                                static_cast<std::streamsize>(data.size()));
      data.resize(static_cast<std::size_t>(got));
    }
  }
  // Whatever the length did not cover: an unseekable stream, or a file that grew.
  constexpr std::size_t kBlock = 64 * 1024;
  for (;;) {
    const std::size_t size = data.size();
    data.resize(size + kBlock);
    const std::streamsize got = buffer->sgetn(reinterpret_cast<char*>(data.data() + size),
                                              static_cast<std::streamsize>(kBlock));
    data.resize(size + static_cast<std::size_t>(got > 0 ? got : 0));
    if (got < static_cast<std::streamsize>(kBlock)) return data;
  }
}

}  // namespace platform
