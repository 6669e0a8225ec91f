// --shard K/N: the option's text, the hash that must never change, and shares
// of a folder that are disjoint, cover it and print the whole run's lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/shard.h"
#include "cli_test_util.h"

namespace {

using clitest::Output;
using clitest::RunTool;

const std::string kData = VEREVIZU_TEST_DATA;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(Shard, ParsesKOfNAndRefusesAnythingElse) {
  for (const auto& [text, index, count] : {std::tuple{"1/1", 1u, 1u},
                                           {"3/4", 3u, 4u},
                                           {"4/4", 4u, 4u},
                                           {"7/2147483647", 7u, 2147483647u}}) {
    const cli::Shard s = cli::ParseShard(text);
    EXPECT_EQ(s.index, index) << text;
    EXPECT_EQ(s.count, count) << text;
  }
  for (const std::string text : {"", "4", "/4", "1/", "0/4", "5/4", "1/0", "-1/4", "+1/4", " 1/4",
                                 "1/4 ", "1/4/2", "a/b", "1.0/4", "1/2147483648"}) {
    try {
      cli::ParseShard(text);
      ADD_FAILURE() << "accepted '" << text << "'";
    } catch (const cli::UsageError& e) {
      EXPECT_EQ(std::string(e.what()),
                "option --shard: '" + text + "' is not K/N with 1 <= K <= N");
    }
  }
  const Output r = RunTool({"info", "--shard", "3/2", "x.png"});
  EXPECT_EQ(r.err,
            "verevizu info: option --shard: '3/2' is not K/N with 1 <= K <= N\n"
            "Run 'verevizu info --help' for its options.\n");
  EXPECT_EQ(r.code, 2);
}

// Machines running different builds must agree on every share, so the hash
// is pinned to the published FNV-1a values.
TEST(Shard, HashIsFnv1a64) {
  EXPECT_EQ(cli::StableHash(""), 0xcbf29ce484222325u);
  EXPECT_EQ(cli::StableHash("a"), 0xaf63dc4c8601ec8cu);
  EXPECT_EQ(cli::StableHash("foobar"), 0x85944171f73967e8u);
}

// A name's share, pinned through the hash and the choice of the share, for
// names in UTF-8 and with a byte of another code page: two builds that split
// one folder differently would read some files twice and others never.
TEST(Shard, NamesKeepTheirShares) {
  constexpr std::array<uint32_t, 5> kCounts = {2, 3, 5, 16, 100};
  struct Case {
    const char* key;
    uint64_t hash;
    std::array<uint32_t, kCounts.size()> shares;  // the share K for each count N
  };
  const Case cases[] = {
      {"note_usd_01.jpg", 0x68f1c7de62a6896du, {2, 2, 2, 14, 2}},
      {"billets/\u20acuro_05.tif", 0x598abbe2d717321eu, {1, 2, 4, 15, 39}},
      {"\u00dcberweisung 3.png", 0xdd0aab035e658c05u, {2, 2, 1, 6, 86}},
      {"scan\xe9.tif", 0x5ba859c070c3c092u, {1, 1, 1, 3, 91}},  // Latin-1, not UTF-8
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cli::StableHash(c.key), c.hash) << c.key;
    for (std::size_t i = 0; i < kCounts.size(); ++i) {
      std::vector<uint32_t> shares;
      for (uint32_t k = 1; k <= kCounts[i]; ++k)
        if (cli::InShard(c.key, {k, kCounts[i]})) shares.push_back(k);
      EXPECT_EQ(shares, std::vector<uint32_t>{c.shares[i]}) << c.key << " of N = " << kCounts[i];
    }
  }
}

// A folder of twelve small pictures and an unreadable one.
class ShardFolderTest : public testing::Test {
 protected:
  void SetUp() override {
    root_ = clitest::FreshTestFolder("verevizu_shard_");
    std::filesystem::create_directories(root_ / "notes");
    for (int i = 0; i < 12; ++i)
      std::filesystem::copy_file(kData + "/bc_code39_m2.png",
                                 root_ / "notes" / ("n" + std::to_string(i) + ".png"));
    std::ofstream(root_ / "notes" / "broken.jpg") << "not a JPEG";
  }
  void TearDown() override { std::filesystem::remove_all(root_); }
  std::string Folder() const { return (root_ / "notes").string(); }

  std::filesystem::path root_;
};

TEST_F(ShardFolderTest, SharesAreDisjointCoverTheFolderAndConcatenateToTheWholeRun) {
  const Output whole = RunTool({"info", "--jobs", "2", Folder()});
  std::vector<std::string> wholeLines = Lines(whole.out + whole.err);
  std::sort(wholeLines.begin(), wholeLines.end());
  ASSERT_EQ(wholeLines.size(), 13u);

  for (const int n : {1, 2, 3, 5, 20}) {
    std::vector<std::string> joined;
    int nonEmpty = 0;
    for (int k = 1; k <= n; ++k) {
      const std::string shard = std::to_string(k) + "/" + std::to_string(n);
      const Output part = RunTool({"info", "--jobs", "2", "--shard", shard, Folder()});
      const std::vector<std::string> lines = Lines(part.out);
      // Within a share the files keep the folder's name order.
      EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end())) << shard;
      const bool hasBroken = part.err.find("broken.jpg") != std::string::npos;
      EXPECT_EQ(part.code, hasBroken ? 3 : 0) << shard;
      nonEmpty += !lines.empty() || hasBroken;
      for (const std::string& line : Lines(part.out + part.err)) joined.push_back(line);
    }
    std::sort(joined.begin(), joined.end());
    EXPECT_EQ(joined, wholeLines) << "N = " << n;  // nothing lost, nothing read twice
    if (n > 1) {
      EXPECT_GT(nonEmpty, 1) << "N = " << n;
    }
  }
}

// The share depends on the name inside the folder, not on where the folder is
// mounted, so machines may see the shared folder under different paths.
TEST_F(ShardFolderTest, ShareDoesNotDependOnWhereTheFolderIsMounted) {
  const std::filesystem::path elsewhere = root_ / "mnt" / "scans";
  std::filesystem::create_directories(elsewhere.parent_path());
  std::filesystem::copy(root_ / "notes", elsewhere);
  const auto names = [](const std::string& text) {
    std::set<std::string> set;
    for (const std::string& line : Lines(text))
      set.insert(std::filesystem::path(line.substr(0, line.find('\t'))).filename().string());
    return set;
  };
  for (const char* shard : {"1/3", "2/3", "3/3"}) {
    const Output here = RunTool({"info", "--shard", shard, Folder()});
    const Output there = RunTool({"info", "--shard", shard, elsewhere.string() + "/"});
    EXPECT_EQ(names(here.out), names(there.out)) << shard;
  }
}

// ocr prints a "==> FILE <==" line before each text when the batch has
// several files; a share holding one of them must print it too.
TEST_F(ShardFolderTest, OneFileShareOfABatchKeepsTheBatchHeaders) {
  const std::string a = "n0.png", b = "n1.png";
  const cli::Shard first{1, 2};
  ASSERT_NE(cli::InShard(a, first), cli::InShard(b, first)) << "pick names in different shares";
  std::filesystem::remove_all(root_ / "two");
  std::filesystem::create_directories(root_ / "two");
  for (const std::string& name : {a, b})
    std::filesystem::copy_file(root_ / "notes" / name, root_ / "two" / name);
  const std::string folder = (root_ / "two").string();

  const Output whole = RunTool({"ocr", "--area", "line", folder});
  const Output one = RunTool({"ocr", "--area", "line", "--shard", "1/2", folder});
  const Output two = RunTool({"ocr", "--area", "line", "--shard", "2/2", folder});
  EXPECT_EQ(Lines(one.out).front().rfind("==> ", 0), 0u) << one.out;
  std::vector<std::string> joined = Lines(one.out + two.out), wholeLines = Lines(whole.out);
  std::sort(joined.begin(), joined.end());
  std::sort(wholeLines.begin(), wholeLines.end());
  EXPECT_EQ(joined, wholeLines);
}

}  // namespace
