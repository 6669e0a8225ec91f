// Touching-character splitting. A record left without any reading is often
// several characters whose ink touches. Cut columns are tried from left to
// right; every piece that reads well becomes a node of a segmentation tree
// grown breadth-first; each complete segmentation (one that reaches the right
// edge) is scored by its pieces' confidences and the cleanness of its cuts,
// and the best one replaces the record.
#include "ocr/touching.h"

#include <cmath>
#include <cstdlib>
#include <deque>
#include <memory>
#include <string_view>
#include <vector>

#include "classifier/primitives.h"
#include "ocr/recognition.h"
#include "platform/rounding.h"

using platform::Round;

// One piece of a candidate segmentation: the recognised record, and the ink
// count and paper gap of the column where it was cut.
struct TSplitPiece {
  TCharRecord Rec;
  int32_t ColInk = 0;
  int32_t Gap = 0;
};

// A node of the segmentation tree; its children are the pieces that may follow.
struct TNode {
  explicit TNode(TNode* parent) : Parent(parent) {}
  TNode* Parent;
  std::vector<std::unique_ptr<TNode>> Children;
  std::unique_ptr<TSplitPiece> Payload;

  TNode* AddChild(std::unique_ptr<TSplitPiece> piece) {
    Children.push_back(std::make_unique<TNode>(this));
    Children.back()->Payload = std::move(piece);
    return Children.back().get();
  }
};

namespace {

// Readings that never make a piece of a split: punctuation and strokes that
// any slice of a wider glyph could imitate.
constexpr std::u16string_view kNotAPiece = u",.|:;-_!?(){}[]'\"*%";
static_assert(kNotAPiece.size() == 19);

// A piece must read at least this well to be kept.
constexpr int32_t kMinPieceConfidence = 90;
// Narrowest piece in pixels: cuts are tried from this far past the start.
constexpr int32_t kMinPieceWidth = 5;
// Bounds on one record's search, so that a hostile image (a long striped
// blob whose every slice reads as a letter) cannot make the breadth-first
// search run away: at most this many nodes, and at most this many trial
// recognitions. A word of touching letters needs a few hundred trials.
constexpr int32_t kMaxNodes = 4096;
constexpr int32_t kMaxTrials = 1024;

int32_t BestConfidence(const TCharRecord& r) {
  return r.CandCount > 0 ? r.Confs[0] : 0;
}

// Per-column measures of the record's box.
struct ColumnMeasures {
  std::vector<int32_t> ink;  // ink pixels per column
  std::vector<int32_t> gap;  // paper above plus paper below the column's ink
};

ColumnMeasures MeasureColumns(const TOmnifontOCR& engine, const TCharRecord& p) {
  const TDIB& img = *engine.Image;
  const auto threshold = static_cast<uint8_t>(engine.Threshold);
  ColumnMeasures m;
  m.ink = img.ColumnCountInRange(0, threshold, TRect{p.Left, p.Top, p.Right, p.Bottom});
  const int32_t limit = p.Bottom - p.Top;
  for (int32_t x = p.Left; x <= p.Right; ++x) {
    m.gap.push_back(RunLength(img, x, p.Top, dirDown, cfInk, limit, threshold) +
                    RunLength(img, x, p.Bottom, dirUp, cfInk, limit, threshold));
  }
  m.ink.back() = 0;  // the right edge always passes the ink test
  return m;
}

// Score of the segmentation that ends in `leaf`: the rounded mean of its
// pieces' scores, less one point per piece.
int32_t ScorePath(const TNode* leaf, std::vector<const TSplitPiece*>& path) {
  path.clear();
  int32_t sum = 0;
  for (const TNode* n = leaf; n != nullptr && n->Payload != nullptr; n = n->Parent) {
    const TSplitPiece& piece = *n->Payload;
    const double h = piece.Rec.Bottom - piece.Rec.Top + 1;
    sum += Round((0.1 * (1 - piece.ColInk / h) + 0.7 * BestConfidence(piece.Rec) / 100.0 +
                  0.2 * piece.Gap / h) *
                 100);
    path.insert(path.begin(), &piece);
  }
  const auto n = static_cast<int32_t>(path.size());
  return Round(static_cast<double>(sum) / n) - n;
}

// Tries to split record `index`; returns true when it was replaced.
bool SplitRecord(TOmnifontOCR& engine, int32_t index) {
  TCharRecord& p = *engine.Characters[index];
  const int32_t H = p.Bottom - p.Top + 1;
  const int32_t step = std::max(1, Round(H / 18.0));
  const int32_t half = H / 2, fifth = H / 5;
  const ColumnMeasures cols = MeasureColumns(engine, p);
  auto inkAt = [&](int32_t x) { return cols.ink[x - p.Left]; };
  auto gapAt = [&](int32_t x) { return cols.gap[x - p.Left]; };

  TNode root(nullptr);
  std::vector<TNode*> leaves;
  std::deque<TNode*> queue;
  int32_t nodes = 0, trials = 0;
  bool exhausted = false;
  TNode* parent = &root;
  int32_t start = p.Left;
  const int32_t end = p.Right;
  for (;;) {
    TNode* last = nullptr;
    for (int32_t x = start + kMinPieceWidth; x <= end; x += step) {
      if (end - x < kMinPieceWidth) x = end;
      const bool cut = x - start > kMinPieceWidth && inkAt(x) < half && gapAt(x) > fifth;
      if (!cut) continue;
      auto piece = std::make_unique<TSplitPiece>();
      piece->Rec = p;
      piece->Rec.Left = start;
      piece->Rec.Right = x;
      piece->Rec.SeedX = start;
      piece->ColInk = inkAt(x);
      piece->Gap = gapAt(x);
      if (++trials > kMaxTrials) {
        exhausted = true;
        break;
      }
      const char16_t rd = RecogniseBox(engine, piece->Rec, engine.Threshold, engine.Pass);
      if (rd == NoChar || kNotAPiece.find(rd) != std::u16string_view::npos ||
          BestConfidence(piece->Rec) <= kMinPieceConfidence) {
        continue;
      }
      if (last != nullptr && rd == last->Payload->Rec.Ch) {
        // The same letter one step wider: keep the better cut of the two.
        TSplitPiece& prev = *last->Payload;
        if (prev.Rec.Right + step == x &&
            (BestConfidence(piece->Rec) > BestConfidence(prev.Rec) ||
             piece->ColInk <= prev.ColInk || piece->Gap >= prev.Gap)) {
          last->Payload = std::move(piece);
        }
        continue;
      }
      if (nodes >= kMaxNodes) continue;
      last = parent->AddChild(std::move(piece));
      ++nodes;
      queue.push_back(last);
    }
    if (last != nullptr) {
      TCharRecord& rec = last->Payload->Rec;
      if (std::abs(rec.Right - end) < (rec.Right - rec.Left) / 2) {
        rec.Right = end;  // a segmentation that reaches the right edge
        leaves.push_back(last);
      }
    }
    if (exhausted || queue.empty()) break;
    parent = queue.front();
    queue.pop_front();
    start = parent->Payload->Rec.Right + step;
  }

  int32_t best = 0;
  std::vector<const TSplitPiece*> chosen, path;
  for (const TNode* leaf : leaves) {
    const int32_t score = ScorePath(leaf, path);
    if (score > best) {
      best = score;
      chosen = path;
    }
  }
  if (chosen.empty()) return false;
  p = chosen[0]->Rec;
  for (std::size_t k = 1; k < chosen.size(); ++k) {
    auto rec = std::make_unique<TCharRecord>(chosen[k]->Rec);
    rec->Serial = engine.ComponentCount;
    rec->Reserved = 0;
    engine.Characters.insert(engine.Characters.begin() + index + static_cast<int32_t>(k),
                             std::move(rec));
    ++engine.ComponentCount;
  }
  return true;
}

}  // namespace

void SplitTouchingChars(TOmnifontOCR& engine) {
  // Pieces inserted after a record have readings, so the walk passes over them.
  for (int32_t i = 0; i < static_cast<int32_t>(engine.Characters.size()); ++i) {
    const TCharRecord& p = *engine.Characters[i];
    if (p.Ch == NoChar && p.Right - p.Left > 5 && p.Bottom - p.Top > 5) SplitRecord(engine, i);
  }
}
