// Shares of a batch for `--shard K/N`: parsing, the stable hash and the choice.
#include "cli/shard.h"

#include <charconv>
#include <limits>

#include "cli/command.h"

namespace cli {
namespace {

// A plain decimal number in [1, 2^31 - 1]: no sign, no spaces.
bool ParseCount(std::string_view text, uint32_t& value) {
  constexpr uint32_t kMax = std::numeric_limits<int32_t>::max();
  const char* end = text.data() + text.size();
  const auto [stop, ec] = std::from_chars(text.data(), end, value);
  return !text.empty() && ec == std::errc() && stop == end && value >= 1 && value <= kMax;
}

}  // namespace

Shard ParseShard(const std::string& text) {
  const std::size_t slash = text.find('/');
  Shard shard;
  const bool ok = slash != std::string::npos &&
                  ParseCount(std::string_view(text).substr(0, slash), shard.index) &&
                  ParseCount(std::string_view(text).substr(slash + 1), shard.count) &&
                  shard.index <= shard.count;
  if (!ok) throw UsageError("option --shard: '" + text + "' is not K/N with 1 <= K <= N");
  return shard;
}

uint64_t StableHash(std::string_view bytes) {
  constexpr uint64_t kOffsetBasis = 0xcbf29ce484222325u;
  constexpr uint64_t kPrime = 0x100000001b3u;
  uint64_t hash = kOffsetBasis;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= kPrime;
  }
  return hash;
}

bool InShard(std::string_view key, const Shard& shard) {
  return StableHash(key) % shard.count == shard.index - 1;
}

std::vector<std::string> FilesOfShard(const std::vector<ListedFile>& files, const Shard& shard) {
  std::vector<std::string> chosen;
  for (const ListedFile& file : files)
    if (InShard(file.key, shard)) chosen.push_back(file.path);
  return chosen;
}

}  // namespace cli
