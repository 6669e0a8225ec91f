// Draws a reliability diagram of the verified reading's confidence as a PNG:
// for each bin of confidence, the share of its valid readings that were
// right (the bar), the mean confidence reported in it (the tick, where a
// calibrated confidence puts it level with the bar's top) and how many
// readings the bin holds.
//
//   bench_reliability_diagram [--reported] RELIABILITY.tsv OUT.png
// RELIABILITY.tsv is what bench_serial_confidence --reliability writes; the
// cross-validated confidence is drawn, or with --reported the one the
// reader reports.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct TBin {
  double Low;
  const char* Name;
  int Notes = 0, Right = 0;
  double Sum = 0;
};

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  bool reported = false;
  std::string in, out;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--reported")
      reported = true;
    else if (in.empty())
      in = arg;
    else
      out = arg;
  }
  if (out.empty()) {
    std::fprintf(stderr, "usage: bench_reliability_diagram [--reported] RELIABILITY.tsv OUT.png\n");
    return 2;
  }
  std::array<TBin, 6> bins = {{{0, "below 90"},
                               {90, "90 to 95"},
                               {95, "95 to 98"},
                               {98, "98 to 99"},
                               {99, "99 to 99.5"},
                               {99.5, "99.5 to 100"}}};
  std::ifstream tsv(in);
  std::string line;
  int total = 0;
  while (std::getline(tsv, line)) {
    std::istringstream f(line);
    std::string file, corpus;
    double heldOut = 0, shown = 0;
    int right = 0;
    std::getline(f, file, '\t');
    std::getline(f, corpus, '\t');
    f >> heldOut >> shown >> right;
    const double confidence = reported ? shown : heldOut;
    for (std::size_t b = bins.size(); b-- > 0;) {
      if (confidence < bins[b].Low) continue;
      ++bins[b].Notes;
      bins[b].Right += right;
      bins[b].Sum += confidence;
      break;
    }
    ++total;
  }

  const int width = 900, height = 580, left = 100, right = 30, top = 90, bottom = 90;
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QFont font("DejaVu Sans", 11);
  p.setFont(font);
  // Observed accuracy from 80 % to 100 %: the readings all lie up there.
  const double floor = 80;
  auto y = [&](double percent) {
    const double v = std::max(floor, std::min(100.0, percent));
    return top + (height - top - bottom) * (100 - v) / (100 - floor);
  };
  p.setPen(QColor(200, 200, 200));
  for (double g = floor; g <= 100; g += 5) {
    p.drawLine(left, static_cast<int>(y(g)), width - right, static_cast<int>(y(g)));
    p.setPen(Qt::black);
    p.drawText(QRectF(0, y(g) - 10, left - 8, 20), Qt::AlignRight | Qt::AlignVCenter,
               QString::number(g) + " %");
    p.setPen(QColor(200, 200, 200));
  }
  const double slot = static_cast<double>(width - left - right) / bins.size();
  for (std::size_t b = 0; b < bins.size(); ++b) {
    const TBin& bin = bins[b];
    const double x0 = left + b * slot + slot * 0.2, x1 = left + (b + 1) * slot - slot * 0.2;
    p.setPen(Qt::black);
    p.drawText(QRectF(left + b * slot, height - bottom + 8, slot, 20), Qt::AlignCenter, bin.Name);
    if (bin.Notes == 0) {
      p.drawText(QRectF(left + b * slot, y(floor) - 30, slot, 20), Qt::AlignCenter, "no readings");
      continue;
    }
    const double observed = 100.0 * bin.Right / bin.Notes, mean = bin.Sum / bin.Notes;
    p.fillRect(QRectF(x0, y(observed), x1 - x0, y(floor) - y(observed)), QColor(90, 140, 200));
    p.setPen(QPen(QColor(200, 60, 40), 3));
    p.drawLine(QPointF(x0 - 6, y(mean)), QPointF(x1 + 6, y(mean)));
    p.setPen(Qt::black);
    p.drawText(QRectF(left + b * slot, y(observed) - 42, slot, 20), Qt::AlignCenter,
               QString("%1 of %2 right").arg(bin.Right).arg(bin.Notes));
    p.drawText(QRectF(left + b * slot, y(observed) - 24, slot, 20), Qt::AlignCenter,
               QString("mean %1").arg(mean, 0, 'f', 2));
  }
  p.drawText(QRectF(0, 10, width, 24), Qt::AlignCenter,
             QString("Reliability of the verified reading's %1 confidence: %2 valid readings")
                 .arg(reported ? "reported" : "cross-validated")
                 .arg(total));
  p.drawText(
      QRectF(0, height - 50, width, 20), Qt::AlignCenter,
      "confidence reported (bins, %)   —   bar: share right   —   red tick: mean confidence");
  p.save();
  p.translate(18, top + (height - top - bottom) / 2.0);
  p.rotate(-90);
  p.drawText(QRectF(-150, -10, 300, 20), Qt::AlignCenter, "share of the bin's readings right");
  p.restore();
  p.end();
  if (!image.save(QString::fromStdString(out), "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}
