// Bulk runs across machines: `--shard K/N` keeps the K-th of N disjoint
// shares of a batch's files. A file's share follows from a hash of its path
// relative to the folder it was listed from, so N machines given the same
// shared folder (mounted anywhere) split it with no coordination, and no file
// is read twice.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// One file of a batch.
struct ListedFile {
  std::string path;  // as printed: the path given, or folder + name
  std::string key;   // what decides its share: the name inside the folder
                     // given, or the path as given for a file named directly
};

// Share `index` (from 1) of `count`.
struct Shard {
  uint32_t index = 1;
  uint32_t count = 1;
};

// "K/N" with 1 <= K <= N, both plain decimal numbers; else UsageError
// "option --shard: 'TEXT' is not K/N with 1 <= K <= N".
Shard ParseShard(const std::string& text);

// 64-bit FNV-1a of the bytes. It must never change: machines running
// different builds of the tool on one folder have to agree on every share.
uint64_t StableHash(std::string_view bytes);

// Whether a file with this key belongs to the shard.
bool InShard(std::string_view key, const Shard& shard);

// The shard's files, in the batch's order.
std::vector<std::string> FilesOfShard(const std::vector<ListedFile>& files, const Shard& shard);

}  // namespace cli
