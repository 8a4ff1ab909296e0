// Draws the shell's own pictures (splash, also at twice the size for dense screens, navigation
// icons, About picture, program icon, at the icon theme's sizes too, header cursor) into
// src/resources/shell/. Usage: tool_draw_shell_art OUTPUT_DIR [PREVIEW_DIR]
//
// The bitmaps are written as uncompressed 24-bit BMP files by our own writer, so their layout
// (40-byte information header, bottom-up rows padded to four bytes) is known exactly.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

void Put16(std::string& b, unsigned v) {
  b.push_back(char(v & 0xFF));
  b.push_back(char((v >> 8) & 0xFF));
}
void Put32(std::string& b, unsigned v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

bool WriteBmp24(const QImage& source, const std::string& path) {
  QImage img = source.convertToFormat(QImage::Format_RGB32);
  const int w = img.width(), h = img.height();
  const int stride = (w * 3 + 3) & ~3;
  std::string b;
  b += "BM";
  Put32(b, 14 + 40 + stride * h);
  Put32(b, 0);
  Put32(b, 14 + 40);
  Put32(b, 40);
  Put32(b, w);
  Put32(b, h);
  Put16(b, 1);
  Put16(b, 24);
  Put32(b, 0);
  Put32(b, stride * h);
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, 0);
  Put32(b, 0);
  for (int y = h - 1; y >= 0; --y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < w; ++x) {
      b.push_back(char(qBlue(line[x])));
      b.push_back(char(qGreen(line[x])));
      b.push_back(char(qRed(line[x])));
    }
    for (int p = w * 3; p < stride; ++p) b.push_back(0);
  }
  std::ofstream out(path, std::ios::binary);
  out.write(b.data(), std::streamsize(b.size()));
  return bool(out);
}

void Graticule(QPainter& p, const QRectF& r, int nx, int ny, QColor colour) {
  p.setPen(QPen(colour, 1, Qt::DotLine));
  for (int i = 1; i < nx; ++i) {
    double x = r.left() + r.width() * i / nx;
    p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
  }
  for (int i = 1; i < ny; ++i) {
    double y = r.top() + r.height() * i / ny;
    p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
  }
  p.setPen(QPen(colour, 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(r);
}

// The splash at scale × its size, for screens of that density: the same drawing, finer.
QImage Splash(int scale = 1) {
  QImage img(473 * scale, 314 * scale, QImage::Format_RGB32);
  QPainter p(&img);
  p.scale(scale, scale);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient bg(0, 0, 0, 314);
  bg.setColorAt(0, QColor(12, 24, 64));
  bg.setColorAt(1, QColor(2, 6, 20));
  p.fillRect(QRect(0, 0, 473, 314), bg);

  // A small scope screen on the right with a live-looking trace and a spectrum underneath.
  QRectF screen(250, 40, 200, 130);
  p.fillRect(screen, QColor(0, 20, 10));
  Graticule(p, screen, 8, 6, QColor(40, 110, 60));
  QPainterPath trace;
  for (int i = 0; i <= 200; ++i) {
    double t = i / 200.0;
    double y = std::sin(t * 2 * M_PI * 3) * 0.6 + std::sin(t * 2 * M_PI * 9) * 0.15;
    QPointF pt(screen.left() + i, screen.center().y() - y * screen.height() / 2 * 0.9);
    if (i == 0)
      trace.moveTo(pt);
    else
      trace.lineTo(pt);
  }
  p.setPen(QPen(QColor(120, 255, 120), 2));
  p.drawPath(trace);

  QRectF spec(250, 185, 200, 90);
  p.fillRect(spec, QColor(0, 10, 30));
  Graticule(p, spec, 8, 4, QColor(50, 70, 130));
  for (int i = 0; i < 40; ++i) {
    double f = i / 40.0;
    double a = std::exp(-std::pow((f - 0.15) * 12, 2)) * 0.9 +
               std::exp(-std::pow((f - 0.45) * 20, 2)) * 0.3 + 0.05 + 0.03 * std::sin(i * 1.7);
    QRectF bar(spec.left() + i * 5 + 1, spec.bottom() - a * spec.height(), 3, a * spec.height());
    p.fillRect(bar, QColor::fromHsvF(0.55 - 0.5 * a, 0.8, 1.0));
  }

  p.setPen(QColor(230, 235, 255));
  QFont title("Liberation Serif", 40, QFont::Bold);
  title.setItalic(true);
  p.setFont(title);
  p.drawText(QRectF(20, 50, 230, 70), Qt::AlignLeft | Qt::AlignVCenter, "Aurivue");
  QFont sub("Liberation Sans", 13);
  p.setFont(sub);
  p.setPen(QColor(160, 190, 255));
  p.drawText(QRectF(24, 120, 230, 24), Qt::AlignLeft, "Version 2.0");
  QFont small("Liberation Sans", 10);
  p.setFont(small);
  p.setPen(QColor(200, 205, 220));
  p.drawText(QRectF(24, 160, 220, 80), Qt::AlignLeft | Qt::TextWordWrap,
             "Sound-card oscilloscope\nand spectrum analyser");
  p.setPen(QColor(110, 120, 150));
  p.drawText(QRectF(24, 280, 300, 20), Qt::AlignLeft, "Starting...");
  return img;
}

// One navigation icon (index 0..5: spectrum, phase, oscillograph, Lissajous, correlation,
// power spectrum) drawn into the square cell r.
void NavIcon(QPainter& p, int index, const QRectF& r) {
  const double s = r.width();
  QRectF screen = r.adjusted(s * 0.06, s * 0.06, -s * 0.06, -s * 0.06);
  p.setPen(QPen(QColor(20, 20, 20), s >= 32 ? 1.5 : 1));
  p.setBrush(QColor(0, 40, 24));
  p.drawRoundedRect(screen, s * 0.1, s * 0.1);
  QRectF in = screen.adjusted(s * 0.1, s * 0.12, -s * 0.1, -s * 0.12);
  QPen trace(QColor(110, 255, 130), s >= 32 ? 2 : 1.2);
  trace.setCapStyle(Qt::RoundCap);
  p.setPen(trace);
  p.setBrush(Qt::NoBrush);
  QPainterPath path;
  const int n = 60;
  auto plot = [&](auto f) {
    for (int i = 0; i <= n; ++i) {
      double t = double(i) / n;
      QPointF pt(in.left() + t * in.width(), in.bottom() - f(t) * in.height());
      if (i == 0)
        path.moveTo(pt);
      else
        path.lineTo(pt);
    }
  };
  switch (index) {
    case 0:  // spectrum: bars
      p.setPen(Qt::NoPen);
      for (int i = 0; i < 6; ++i) {
        double a = std::exp(-std::pow((i - 1.5) / 1.6, 2)) * 0.9 + 0.1;
        double bw = in.width() / 6;
        p.fillRect(QRectF(in.left() + i * bw + bw * 0.15, in.bottom() - a * in.height(), bw * 0.7,
                          a * in.height()),
                   QColor(110, 255, 130));
      }
      return;
    case 1:  // phase: wrapped ramp
      plot([](double t) { return std::fmod(t * 2.5, 1.0); });
      break;
    case 2:  // oscillograph: sine
      plot([](double t) { return 0.5 + 0.45 * std::sin(t * 2 * M_PI * 1.5); });
      break;
    case 3:  // Lissajous: 1:2 figure
      for (int i = 0; i <= n; ++i) {
        double t = 2 * M_PI * i / n;
        QPointF pt(in.center().x() + std::sin(t) * in.width() / 2,
                   in.center().y() + std::sin(2 * t + 0.6) * in.height() / 2);
        if (i == 0)
          path.moveTo(pt);
        else
          path.lineTo(pt);
      }
      break;
    case 4:  // correlation: central peak with side lobes
      plot([](double t) {
        double x = (t - 0.5) * 14;
        return x == 0 ? 0.95 : 0.1 + 0.85 * std::fabs(std::sin(x) / x);
      });
      break;
    default:  // power spectrum in dB: falling curve with a bump
      plot([](double t) { return 0.9 - 0.7 * t + 0.25 * std::exp(-std::pow((t - 0.35) * 9, 2)); });
      break;
  }
  p.drawPath(path);
}

QImage NavStrip(int cell, QColor mask) {
  QImage img(cell * 6, cell, QImage::Format_RGB32);
  img.fill(mask);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, cell >= 32);
  for (int i = 0; i < 6; ++i) NavIcon(p, i, QRectF(i * cell, 0, cell, cell));
  return img;
}

QImage AboutPicture() {
  QImage img(64, 64, QImage::Format_RGB32);
  img.fill(QColor(192, 192, 192));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  NavIcon(p, 2, QRectF(2, 2, 60, 60));
  return img;
}

QImage ProgramIcon(int size = 32) {
  QImage img(size, size, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  NavIcon(p, 2, QRectF(0, 0, size, size));
  return img;
}

// A pointing hand for the folder headers, hot spot at the finger tip (6, 1).
QImage HeaderCursor() {
  QImage img(32, 32, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath hand;
  hand.moveTo(5, 1);
  hand.lineTo(8, 1);
  hand.lineTo(8, 9);
  hand.lineTo(15, 10);
  hand.lineTo(17, 12);
  hand.lineTo(17, 20);
  hand.lineTo(14, 24);
  hand.lineTo(6, 24);
  hand.lineTo(1, 15);
  hand.lineTo(2, 13);
  hand.lineTo(5, 15);
  hand.closeSubpath();
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);
  p.drawPath(hand);
  p.drawLine(QPointF(10.5, 10), QPointF(10.5, 15));
  p.drawLine(QPointF(13.5, 10.5), QPointF(13.5, 15));
  p.end();
  // The fingertip is the hot spot; cursor loaders read it from these text fields.
  img.setText("HotspotX", "6");
  img.setText("HotspotY", "1");
  return img;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  bool ok = WriteBmp24(Splash(), dir + "/119.bmp");
  ok = WriteBmp24(NavStrip(32, QColor(128, 128, 128)), dir + "/117.bmp") && ok;
  ok = WriteBmp24(NavStrip(16, QColor(0, 128, 128)), dir + "/118.bmp") && ok;
  ok = WriteBmp24(AboutPicture(), dir + "/186.bmp") && ok;
  ok = ProgramIcon().save(QString::fromStdString(dir + "/100.png")) && ok;
  ok = HeaderCursor().save(QString::fromStdString(dir + "/128.png")) && ok;
  ok = Splash(2).save(QString::fromStdString(dir + "/119@2x.png")) && ok;
  ok = NavStrip(64, QColor(128, 128, 128)).save(QString::fromStdString(dir + "/117@2x.png")) && ok;
  ok = NavStrip(32, QColor(0, 128, 128)).save(QString::fromStdString(dir + "/118@2x.png")) && ok;
  // The desktop's icon theme sizes, for menus, docks and software centres.
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    ok = ProgramIcon(size).save(QString::fromStdString(dir) + QString("/icon-%1.png").arg(size)) &&
         ok;
  }
  if (argc > 2) {  // PNG previews for looking at the art
    const QString preview = QString::fromLocal8Bit(argv[2]);
    for (const char* id : {"119", "117", "118", "186"}) {
      QImage(QString::fromStdString(dir) + "/" + id + ".bmp").save(preview + "/" + id + ".png");
    }
  }
  return ok ? 0 : 1;
}
