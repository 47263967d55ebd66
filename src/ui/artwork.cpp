#include "ui/artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace danvore::ui {

namespace {

const QColor kDeepBlue(0x0b, 0x3d, 0x91);
const QColor kLightBlue(0x3f, 0x8e, 0xe8);
const QColor kPaper(0xfb, 0xfb, 0xf5);

// A cash register seen from the front: body, display and a paper slip.
void DrawRegister(QPainter& painter, const QRectF& box) {
  const qreal u = box.width() / 16.0;
  painter.setPen(Qt::NoPen);
  painter.setBrush(kPaper);
  painter.drawRect(QRectF(box.left() + 9 * u, box.top() + 1 * u, 4 * u, 6 * u));
  painter.setBrush(Qt::white);
  QPainterPath body;
  body.addRoundedRect(QRectF(box.left() + 1 * u, box.top() + 5 * u, 14 * u, 10 * u), u, u);
  painter.drawPath(body);
  painter.setBrush(kDeepBlue);
  painter.drawRect(QRectF(box.left() + 3 * u, box.top() + 7 * u, 5 * u, 2 * u));
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < 4; ++col) {
      painter.drawRect(QRectF(box.left() + (3 + col * 2.7) * u, box.top() + (10.5 + row * 2) * u,
                              1.6 * u, 1.2 * u));
    }
  }
}

QPixmap IconPixmap(int side) {
  QPixmap pixmap(side, side);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient gradient(0, 0, 0, side);
  gradient.setColorAt(0, kLightBlue);
  gradient.setColorAt(1, kDeepBlue);
  painter.setPen(Qt::NoPen);
  painter.setBrush(gradient);
  painter.drawRoundedRect(QRectF(0, 0, side, side), side / 6.0, side / 6.0);
  DrawRegister(painter, QRectF(side * 0.1, side * 0.05, side * 0.8, side * 0.8));
  return pixmap;
}

}  // namespace

QIcon ApplicationIcon() {
  QIcon icon;
  for (const int side : {16, 24, 32, 48, 64, 128})
    icon.addPixmap(IconPixmap(side));
  return icon;
}

QPixmap ProductArtwork(QSize Size) {
  QPixmap pixmap(Size);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient gradient(0, 0, Size.width(), Size.height());
  gradient.setColorAt(0, kLightBlue);
  gradient.setColorAt(1, kDeepBlue);
  painter.fillRect(pixmap.rect(), gradient);
  const qreal side = Size.height() * 0.6;
  DrawRegister(painter, QRectF(Size.width() * 0.08, (Size.height() - side) / 2, side, side));
  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(Size.height() / 7);
  painter.setFont(font);
  painter.setPen(Qt::white);
  const QRectF textBox(Size.width() * 0.08 + side * 1.1, 0, Size.width(), Size.height());
  painter.drawText(textBox, Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("DANVORE"));
  return pixmap;
}

}  // namespace danvore::ui
