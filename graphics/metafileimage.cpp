// Windows metafiles: the record walk that checks a file before it is played,
// the child process that plays it with libwmf, and the page it draws on.
#include "graphics/metafileimage.h"

#include <libwmf/api.h>
#include <libwmf/gd.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableSize = 22;
constexpr std::size_t kHeaderSize = 18;       // the metafile header proper
constexpr std::size_t kRecordHeaderSize = 6;  // size in words, function
constexpr std::size_t kInfoHeaderSize = 40;

// Record functions the walk looks into.
constexpr std::uint16_t kEndOfRecords = 0x0000;
constexpr std::uint16_t kSetWindowOrg = 0x020B;
constexpr std::uint16_t kDibBitBlt = 0x0940;
constexpr std::uint16_t kDibStretchBlt = 0x0B41;
constexpr std::uint16_t kStretchDib = 0x0F43;
constexpr std::uint16_t kSetDibToDev = 0x0D33;
constexpr std::uint16_t kDibCreatePatternBrush = 0x0142;
constexpr std::uint16_t kBrushPattern = 3;  // a brush style whose bitmap is not a DIB

// libwmf's device unit for a placeable metafile is the point.
constexpr double kPointsPerInch = 72.0;

std::atomic<std::int64_t> gTimeLimitMs{20'000};

[[noreturn]] void InvalidMetafile() {
  throw EInvalidGraphic("Invalid metafile");
}

std::int16_t ReadS16(const std::uint8_t* p) {
  return static_cast<std::int16_t>(ReadLE16(p));
}

// What the walk learns: the placeable frame, if any, and the window origin
// the records set first (the frame is given in the same logical units).
struct TMetafileLayout {
  bool placeable = false;
  std::int16_t left = 0, top = 0, right = 0, bottom = 0;
  std::uint16_t inch = 0;
  std::int16_t originX = 0, originY = 0;
  bool originSet = false;
  std::size_t header = 0;  // where the metafile header starts
  // Records that carry a bitmap: where the record and its DIB start, and
  // whether the DIB's colour table holds colours (not palette indexes).
  struct TBitmapRecord {
    std::size_t record, dib;
    bool tableOfColours;
  };
  std::vector<TBitmapRecord> bitmaps;
};

// Offset of the DIB within the parameters of a record that carries one, or
// nothing. The block transfers also exist without a bitmap: then the record
// has exactly its fixed parameters and one reserved word.
std::optional<std::size_t> EmbeddedDibOffset(std::uint16_t function,
                                             std::span<const std::uint8_t> params) {
  switch (function) {
    case kDibBitBlt:
      return params.size() == 2 * 9 ? std::nullopt : std::optional<std::size_t>(16);
    case kDibStretchBlt:
      return params.size() == 2 * 11 ? std::nullopt : std::optional<std::size_t>(20);
    case kStretchDib:
      return 22;
    case kSetDibToDev:
      return 18;
    case kDibCreatePatternBrush:
      if (params.size() >= 2 && ReadLE16(params.data()) == kBrushPattern) return std::nullopt;
      return 4;
    default:
      return std::nullopt;
  }
}

// Whether the colour table of a record's DIB holds colours: the records
// with a usage field may say that it holds indexes into the logical palette.
bool TableOfColours(std::uint16_t function, std::span<const std::uint8_t> params) {
  constexpr std::uint16_t kRgbColours = 0;
  const std::size_t usageAt = function == kStretchDib              ? 4
                              : function == kSetDibToDev           ? 0
                              : function == kDibCreatePatternBrush ? 2
                                                                   : SIZE_MAX;
  return usageAt == SIZE_MAX || ReadLE16(&params[usageAt]) == kRgbColours;
}

// The fields of an embedded DIB's info header that the walk and the
// widening read. Only valid on at least kInfoHeaderSize bytes.
struct TDibFields {
  explicit TDibFields(std::span<const std::uint8_t> dib)
      : headerSize(ReadLE32(dib.data())),
        width(static_cast<std::int32_t>(ReadLE32(&dib[4]))),
        height(static_cast<std::int32_t>(ReadLE32(&dib[8]))),
        bitCount(ReadLE16(&dib[14])),
        compression(ReadLE32(&dib[16])),
        coloursUsed(ReadLE32(&dib[32])) {}
  // Rows stored, whichever way up.
  std::uint64_t Rows() const {
    return static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(height)));
  }
  // Entries of the colour table; none for more than 8 bits.
  std::uint64_t TableEntries() const {
    return bitCount > 8 ? 0 : coloursUsed == 0 ? std::uint64_t{1} << bitCount : coloursUsed;
  }

  std::uint32_t headerSize;
  std::int32_t width, height;
  std::uint16_t bitCount;
  std::uint32_t compression, coloursUsed;
};

constexpr std::uint32_t kPlainRows = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;

// A bitmap inside a record must describe itself sanely and hold its rows:
// the player trusts these fields for loops and allocations.
void CheckEmbeddedDib(std::span<const std::uint8_t> dib) {
  if (dib.size() < kInfoHeaderSize) InvalidMetafile();
  const TDibFields f(dib);
  if (f.headerSize < kInfoHeaderSize || f.headerSize > dib.size()) InvalidMetafile();
  if (f.width <= 0 || f.height == 0 || f.height == INT32_MIN) InvalidMetafile();
  static constexpr std::uint16_t kBitCounts[] = {1, 4, 8, 16, 24, 32};
  if (std::find(std::begin(kBitCounts), std::end(kBitCounts), f.bitCount) == std::end(kBitCounts))
    InvalidMetafile();
  // Run lengths come in 8 and 4 bits, bit fields in 16 and 32.
  if (f.compression > kBitFields || f.coloursUsed > 256) InvalidMetafile();
  if ((f.compression == kRle8 && f.bitCount != 8) || (f.compression == kRle4 && f.bitCount != 4) ||
      (f.compression == kBitFields && f.bitCount != 16 && f.bitCount != 32))
    InvalidMetafile();
  // Expanded, the bitmap may not outgrow what any image may take.
  const auto width = static_cast<std::uint64_t>(f.width);
  if (width * f.Rows() * 4 > TDibGraphic::MaxImageBytes()) InvalidMetafile();
  // A 40-byte header is followed by its three bit-field masks; larger
  // headers hold them.
  const std::uint64_t masks =
      f.compression == kBitFields && f.headerSize == kInfoHeaderSize ? 12 : 0;
  const bool runLengths = f.compression == kRle8 || f.compression == kRle4;
  const std::uint64_t rowBytes = runLengths ? 0 : DibRowBytes(width, f.bitCount) * f.Rows();
  if (f.headerSize + masks + 4 * f.TableEntries() + rowBytes > dib.size()) InvalidMetafile();
}

// Checks the placeable header, the metafile header and that the records tile
// the file up to an end record; notes the frame and the first window origin.
TMetafileLayout WalkMetafile(std::span<const std::uint8_t> data) {
  TMetafileLayout layout;
  std::size_t pos = 0;
  if (data.size() >= 4 && ReadLE32(data.data()) == kPlaceableKey) {
    if (data.size() < kPlaceableSize) InvalidMetafile();
    layout.placeable = true;
    layout.left = ReadS16(&data[6]);
    layout.top = ReadS16(&data[8]);
    layout.right = ReadS16(&data[10]);
    layout.bottom = ReadS16(&data[12]);
    layout.inch = ReadLE16(&data[14]);
    if (layout.inch == 0 || layout.right <= layout.left || layout.bottom <= layout.top)
      InvalidMetafile();
    pos = kPlaceableSize;
  }
  layout.header = pos;
  if (data.size() - pos < kHeaderSize) InvalidMetafile();
  const std::uint16_t type = ReadLE16(&data[pos]);
  const std::uint16_t headerWords = ReadLE16(&data[pos + 2]);
  const std::uint16_t version = ReadLE16(&data[pos + 4]);
  if ((type != 1 && type != 2) || headerWords != kHeaderSize / 2 ||
      (version != 0x0100 && version != 0x0300))
    InvalidMetafile();
  pos += kHeaderSize;
  for (;;) {
    if (data.size() - pos < kRecordHeaderSize) InvalidMetafile();
    const std::uint64_t bytes = std::uint64_t{ReadLE32(&data[pos])} * 2;
    const std::uint16_t function = ReadLE16(&data[pos + 4]);
    if (bytes < kRecordHeaderSize || bytes > data.size() - pos) InvalidMetafile();
    if (function == kEndOfRecords) break;
    const auto params = data.subspan(pos + kRecordHeaderSize, bytes - kRecordHeaderSize);
    if (function == kSetWindowOrg && !layout.originSet && params.size() >= 4) {
      layout.originY = ReadS16(&params[0]);
      layout.originX = ReadS16(&params[2]);
      layout.originSet = true;
    }
    if (const auto offset = EmbeddedDibOffset(function, params)) {
      if (*offset > params.size()) InvalidMetafile();
      CheckEmbeddedDib(params.subspan(*offset));
      layout.bitmaps.push_back(
          {pos, pos + kRecordHeaderSize + *offset, TableOfColours(function, params)});
    }
    pos += bytes;
  }
  return layout;
}

// --- Bitmaps widened to true colour -------------------------------------------

// An uncompressed DIB of 1, 4 or 8 bits with a colour table of colours,
// rewritten as 24 bits: a 40-byte header and the rows in the same order.
// Indexes past the table are black. Other DIBs come back empty.
std::vector<std::uint8_t> WidenedDib(std::span<const std::uint8_t> dib) {
  const TDibFields f(dib);
  if (f.bitCount > 8 || f.compression != kPlainRows) return {};
  const std::uint64_t entries = f.TableEntries();
  const std::uint8_t* table = dib.data() + f.headerSize;
  const std::uint8_t* rows = table + 4 * entries;
  const auto w = static_cast<std::size_t>(f.width);
  const std::size_t rowCount = f.Rows();
  const std::size_t inStride = DibRowBytes(w, f.bitCount);
  const std::size_t outStride = DibRowBytes(w, 24);
  std::vector<std::uint8_t> out(dib.begin(), dib.begin() + kInfoHeaderSize);
  out.resize(kInfoHeaderSize + outStride * rowCount, 0);
  WriteLE32(&out[0], kInfoHeaderSize);
  WriteLE16(&out[14], 24);
  WriteLE32(&out[20], 0);  // image size: worked out from the rows
  WriteLE32(&out[32], 0);  // no colour table
  WriteLE32(&out[36], 0);
  const unsigned bitCount = f.bitCount, mask = (1U << bitCount) - 1;
  for (std::size_t r = 0; r < rowCount; ++r) {
    const std::uint8_t* in = rows + r * inStride;
    std::uint8_t* to = out.data() + kInfoHeaderSize + r * outStride;
    for (std::size_t x = 0; x < w; ++x) {
      const std::size_t bit = x * bitCount;
      const unsigned index = in[bit / 8] >> (8 - bitCount - bit % 8) & mask;
      if (index < entries) std::copy_n(table + 4 * index, 3, to + 3 * x);
    }
  }
  return out;
}

// libwmf draws a bitmap with a colour table in the wrong colours when the
// header leaves the table's count at 0 (the full table, as most writers
// store it). Bitmaps with a table of colours are therefore widened to 24 bits
// before the file is played; the records and the header's sizes grow with
// them.
std::vector<std::uint8_t> WithWidenedBitmaps(std::span<const std::uint8_t> data,
                                             const TMetafileLayout& layout) {
  std::vector<std::uint8_t> out(
      data.begin(), data.begin() + static_cast<std::ptrdiff_t>(layout.header + kHeaderSize));
  std::size_t from = out.size();
  std::uint64_t largest = ReadLE32(&data[layout.header + 12]);
  for (const auto& bitmap : layout.bitmaps) {
    if (!bitmap.tableOfColours) continue;
    const std::size_t recordEnd = bitmap.record + std::size_t{ReadLE32(&data[bitmap.record])} * 2;
    const std::size_t dibBytes = recordEnd - bitmap.dib;
    const std::vector<std::uint8_t> wide = WidenedDib(data.subspan(bitmap.dib, dibBytes));
    // Widening may add up to one image's worth of bytes in all; bitmaps past
    // that stay as they are, so that a file of many bitmaps cannot make the
    // copy many times larger than the file.
    const auto size = [](std::size_t n) { return static_cast<std::int64_t>(n); };
    const std::int64_t grown = size(out.size()) - size(from) + size(wide.size()) - size(dibBytes);
    if (wide.empty() || grown > size(TDibGraphic::MaxImageBytes())) continue;
    // Records start on whole words and a widened DIB is whole 32-bit rows
    // after its header, so the record stays whole words.
    const std::size_t recordStart = out.size() + (bitmap.record - from);
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(from),
               data.begin() + static_cast<std::ptrdiff_t>(bitmap.dib));
    out.insert(out.end(), wide.begin(), wide.end());
    const std::size_t words = (out.size() - recordStart) / 2;
    if (words > UINT32_MAX) InvalidMetafile();
    WriteLE32(&out[recordStart], static_cast<std::uint32_t>(words));
    largest = std::max<std::uint64_t>(largest, words);
    from = recordEnd;
  }
  out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(from), data.end());
  const std::uint64_t fileWords = (out.size() - layout.header) / 2;
  WriteLE32(&out[layout.header + 6],
            static_cast<std::uint32_t>(std::min<std::uint64_t>(fileWords, UINT32_MAX)));
  WriteLE32(&out[layout.header + 12],
            static_cast<std::uint32_t>(std::min<std::uint64_t>(largest, UINT32_MAX)));
  return out;
}

// --- The child that plays the metafile ---------------------------------------

// The reply: a status, the page size, then width × height pixels of libwmf's
// true-colour image (0x7FRRGGBB with gd's alpha: 0 opaque, 127 clear).
enum TPlayStatus : std::uint32_t { kDrawn = 0, kUnplayable = 1, kPageTooLarge = 2 };
struct TReplyHeader {
  std::uint32_t status = kUnplayable;
  std::uint32_t width = 0, height = 0;
};

// libwmf's own allocations stay within a budget, so that a record announcing
// a huge object fails in the child instead of exhausting the machine.
struct TAllocBudget {
  std::size_t used = 0;
  std::size_t limit = 0;
};
constexpr std::size_t kAllocPrefix = alignof(std::max_align_t);

void* BudgetMalloc(void* context, std::size_t size) {
  auto* budget = static_cast<TAllocBudget*>(context);
  if (size > budget->limit - budget->used) return nullptr;
  auto* p = static_cast<unsigned char*>(std::malloc(size + kAllocPrefix));
  if (p == nullptr) return nullptr;
  std::memcpy(p, &size, sizeof size);
  budget->used += size;
  return p + kAllocPrefix;
}

void BudgetFree(void* context, void* mem) {
  if (mem == nullptr) return;
  auto* p = static_cast<unsigned char*>(mem) - kAllocPrefix;
  std::size_t size;
  std::memcpy(&size, p, sizeof size);
  static_cast<TAllocBudget*>(context)->used -= size;
  std::free(p);
}

void* BudgetRealloc(void* context, void* mem, std::size_t size) {
  if (mem == nullptr) return BudgetMalloc(context, size);
  std::size_t old;
  std::memcpy(&old, static_cast<unsigned char*>(mem) - kAllocPrefix, sizeof old);
  void* fresh = BudgetMalloc(context, size);
  if (fresh == nullptr) return nullptr;
  std::memcpy(fresh, mem, std::min(old, size));
  BudgetFree(context, mem);
  return fresh;
}

bool WriteAll(int fd, const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// The page in pixels: the frame at the screen's resolution, at least one
// pixel each way.
std::uint32_t FramePixels(int span, std::uint16_t inch) {
  return static_cast<std::uint32_t>(
      std::max(1L, std::lround(static_cast<double>(span) * kScreenPixelsPerInch / inch)));
}

// Runs in the child: plays the file and writes the reply. Returns the exit
// status.
int PlayInChild(std::span<const std::uint8_t> data, const TMetafileLayout& layout, int fd) {
  TAllocBudget budget{0, 2 * TDibGraphic::MaxImageBytes() + (std::size_t{64} << 20)};
  wmfAPI_Options options{};
  options.function = wmf_gd_function;
  options.context = &budget;
  options.malloc = &BudgetMalloc;
  options.realloc = &BudgetRealloc;
  options.free = &BudgetFree;
  const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_ALLOC | WMF_OPT_IGNORE_NONFATAL |
                              WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
  TReplyHeader reply;
  wmfAPI* api = nullptr;
  if (wmf_api_create(&api, flags, &options) != wmf_E_None)
    return WriteAll(fd, &reply, sizeof reply) ? 0 : 1;
  std::vector<std::uint8_t> copy = WithWidenedBitmaps(data, layout);
  wmfD_Rect box{};
  bool ok = wmf_mem_open(api, copy.data(), static_cast<long>(copy.size())) == wmf_E_None &&
            wmf_scan(api, 0, &box) == wmf_E_None;
  if (ok && layout.placeable) {
    // The frame, moved to the window origin the records draw from and
    // scaled to points.
    const double scale = kPointsPerInch / layout.inch;
    box.TL.x = static_cast<float>((layout.left - layout.originX) * scale);
    box.TL.y = static_cast<float>((layout.top - layout.originY) * scale);
    box.BR.x = static_cast<float>((layout.right - layout.originX) * scale);
    box.BR.y = static_cast<float>((layout.bottom - layout.originY) * scale);
    reply.width = FramePixels(layout.right - layout.left, layout.inch);
    reply.height = FramePixels(layout.bottom - layout.top, layout.inch);
  } else if (ok) {
    unsigned int w = 0, h = 0;
    ok = wmf_display_size(api, &w, &h, kScreenPixelsPerInch, kScreenPixelsPerInch) == wmf_E_None;
    reply.width = std::max(1U, w);
    reply.height = std::max(1U, h);
  }
  const int* drawn = nullptr;
  if (ok && std::uint64_t{reply.width} * reply.height * 4 > TDibGraphic::MaxImageBytes()) {
    reply.status = kPageTooLarge;
  } else if (ok) {
    wmf_gd_t* device = WMF_GD_GetData(api);
    device->type = wmf_gd_image;
    device->width = reply.width;
    device->height = reply.height;
    device->bbox = box;
    if (wmf_play(api, 0, &box) == wmf_E_None && device->gd_image != nullptr) {
      drawn = wmf_gd_image_pixels(device->gd_image);
      reply.status = kDrawn;
    }
  }
  const bool sent =
      WriteAll(fd, &reply, sizeof reply) &&
      (drawn == nullptr || WriteAll(fd, drawn, std::size_t{reply.width} * reply.height * 4));
  wmf_api_destroy(api);
  return sent ? 0 : 1;
}

// The parent's side of the pipe: reads exactly `size` bytes before the
// deadline. The data ends early when the child died on the way.
enum class TReadResult { kComplete, kEnded, kTimedOut };

TReadResult ReadReply(int fd, void* into, std::size_t size,
                      std::chrono::steady_clock::time_point deadline) {
  auto* p = static_cast<std::uint8_t*>(into);
  while (size > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return TReadResult::kTimedOut;
    pollfd waiting{fd, POLLIN, 0};
    const int ready =
        poll(&waiting, 1, static_cast<int>(std::min<std::int64_t>(left.count(), INT_MAX)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return TReadResult::kEnded;
    if (ready == 0) return TReadResult::kTimedOut;
    const ssize_t n = read(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return TReadResult::kEnded;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return TReadResult::kComplete;
}

// Owns the child and the parent's end of its pipe: whatever happens, the
// child is killed if still running and reaped.
class TChild {
 public:
  TChild(pid_t pid, int fd) : pid_(pid), fd_(fd) {}
  TChild(const TChild&) = delete;
  TChild& operator=(const TChild&) = delete;
  ~TChild() {
    close(fd_);
    kill(pid_, SIGKILL);
    while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  int fd() const { return fd_; }

 private:
  pid_t pid_;
  int fd_;
};

[[noreturn]] void ChildMain(std::span<const std::uint8_t> data, const TMetafileLayout& layout,
                            int fd) {
  // A crash of the player is an answer, not a report: die quietly.
  for (const int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) signal(sig, SIG_DFL);
  int status = 1;
  try {
    status = PlayInChild(data, layout, fd);
  } catch (...) {
  }
  _exit(status);
}

}  // namespace

void SetMetafileTimeLimit(std::chrono::milliseconds limit) {
  gTimeLimitMs.store(limit.count());
}

void DrawMetafile(std::span<const std::uint8_t> data, TDibGraphic& graphic) {
  const TMetafileLayout layout = WalkMetafile(data);
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(gTimeLimitMs.load());
  int fds[2];
  if (pipe(fds) != 0) throw EZivuderoError("Out of resources");
  const pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    throw EZivuderoError("Out of resources");
  }
  if (pid == 0) {
    close(fds[0]);
    ChildMain(data, layout, fds[1]);
  }
  close(fds[1]);
  TChild child(pid, fds[0]);

  const auto check = [](TReadResult result) {
    if (result == TReadResult::kTimedOut) throw EZivuderoError("Metafile takes too long to draw");
    if (result == TReadResult::kEnded) InvalidMetafile();
  };
  TReplyHeader reply;
  check(ReadReply(child.fd(), &reply, sizeof reply, deadline));
  if (reply.status == kPageTooLarge) throw EZivuderoError("Image too large");
  if (reply.status != kDrawn) InvalidMetafile();
  if (std::uint64_t{reply.width} * reply.height * 4 > TDibGraphic::MaxImageBytes())
    throw EZivuderoError("Image too large");
  std::vector<std::uint32_t> pixels(std::size_t{reply.width} * reply.height);
  check(ReadReply(child.fd(), pixels.data(), pixels.size() * 4, deadline));

  graphic.NewImage(static_cast<int32_t>(reply.width), static_cast<int32_t>(reply.height),
                   gfTrueColor, {}, 0, 0);
  // gd's alpha runs from 0 (opaque) to 127 (clear); a clear pixel shows the
  // black page.
  constexpr std::uint32_t kClear = 127;
  for (std::uint32_t y = 0; y < reply.height; ++y) {
    std::uint8_t* row = graphic.ScanLine(static_cast<int32_t>(y));
    for (std::uint32_t x = 0; x < reply.width; ++x) {
      const std::uint32_t p = pixels[std::size_t{y} * reply.width + x];
      const std::uint32_t opacity = kClear - std::min(kClear, (p >> 24) & 0x7F);
      const auto onBlack = [&](int shift) {
        return static_cast<std::uint8_t>((((p >> shift) & 0xFF) * opacity + kClear / 2) / kClear);
      };
      row[3 * x] = onBlack(0);
      row[3 * x + 1] = onBlack(8);
      row[3 * x + 2] = onBlack(16);
    }
  }
}
