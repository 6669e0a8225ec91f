#include "app/watchlists.h"

#include "app/messages.h"
#include "platform/exceptions.h"

TWatchLists::TWatchLists(std::string location) : location_(std::move(location)) {
  try {
    LoadWhenChanged();
  } catch (const platform::Exception& e) {
    throw platform::Exception(std::string("The watch lists could not be loaded: ") + e.what());
  }
}

TWatchLists::~TWatchLists() = default;

std::optional<records::TWatchEntry> TWatchLists::Check(const std::string& currency,
                                                       const std::string& serial) {
  try {
    LoadWhenChanged();
  } catch (const platform::Exception& e) {
    store_.reset();
    throw platform::Exception(std::string("The watch lists could not be checked: ") + e.what());
  }
  const records::TWatchEntry* entry = list_.Match(currency, serial);
  if (entry == nullptr) return std::nullopt;
  return *entry;
}

void TWatchLists::LoadWhenChanged() {
  if (!store_) store_ = records::OpenRecordStore(location_, records::saRead);
  const int64_t revision = store_->WatchRevision();
  if (revision == revision_) return;
  list_ = records::TWatchList(store_->WatchEntries());
  revision_ = revision;
}

QString WatchWarning(const records::TWatchEntry& entry, const std::string& serial) {
  return QtText("This note is on a watch list.\r\nSerial: " + serial + "  Entry: ") +
         QString::fromStdString(entry.Pattern + " (" + entry.Currency +
                                ")\nReason: " + entry.Reason);
}
