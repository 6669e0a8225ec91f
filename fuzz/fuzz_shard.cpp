// The text of --shard as anyone may type it: parsing never crashes, an
// accepted share exists, and a file falls into exactly one of its shares.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cli/command.h"
#include "cli/shard.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  cli::Shard shard;
  try {
    shard = cli::ParseShard(text);
  } catch (const cli::UsageError&) {
    return 0;
  }
  if (shard.index < 1 || shard.index > shard.count) __builtin_trap();
  // The input itself as a file name belongs to exactly one share.
  if (shard.count <= 64) {
    int owners = 0;
    for (uint32_t k = 1; k <= shard.count; ++k) owners += cli::InShard(text, {k, shard.count});
    if (owners != 1) __builtin_trap();
  }
  return 0;
}
