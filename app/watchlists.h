// The watch lists a serial command checks its reading against, when the
// desktop tool is started with --watch DB: held in memory and loaded again
// only when the store's lists have changed, so that an entry added while
// the tool runs counts from the next note on.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "records/recordstore.h"
#include "records/watchlist.h"

class TWatchLists {
 public:
  // Opens the store and loads its lists; throws with the store's message.
  explicit TWatchLists(std::string location);
  ~TWatchLists();

  // The entry a serial of `currency` (UTF-8) is on, or none; a serial that
  // is not valid for the currency is on none. Throws when the store cannot
  // be asked; the next call then opens it again.
  std::optional<records::TWatchEntry> Check(const std::string& currency, const std::string& serial);

 private:
  void LoadWhenChanged();

  std::string location_;
  std::unique_ptr<records::TRecordStore> store_;
  int64_t revision_ = -1;
  records::TWatchList list_;
};

// The warning box's text for a serial (Windows-1252) on a list.
QString WatchWarning(const records::TWatchEntry& entry, const std::string& serial);
