// The content hash of a scan: SHA-256 of the file's bytes as lower-case hex,
// the form `sha256sum` prints, so that a record can be checked against a
// file with common tools.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace records {

std::string ContentHash(std::span<const std::uint8_t> bytes);

}  // namespace records
