#include "platform/qt/qt_widgets.h"

#include <QEnterEvent>
#include <QPainter>
#include <QPen>

namespace brisklet::platform {

QPixmap PixmapFromBytes(const Bytes& image) {
  QPixmap pixmap;
  if (!image.empty()) pixmap.loadFromData(image.data(), uint(image.size()));
  return pixmap;
}

PictureBox::PictureBox(QWidget* parent, bool emptyIsBar) : QWidget(parent), emptyIsBar_(emptyIsBar) {}

void PictureBox::SetPicture(const Bytes& image) {
  picture_ = PixmapFromBytes(image);
  update();
}

void PictureBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!picture_.isNull()) {
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(rect(), picture_);
  } else {
    p.fillRect(rect(), emptyIsBar_ ? skin::kAccent : skin::kPlaceholder);
  }
}

TitleButton::TitleButton(QWidget* parent, Glyph glyph) : QAbstractButton(parent), glyph_(glyph) {
  setCursor(Qt::PointingHandCursor);
}

void TitleButton::SetPicture(const Bytes& image) {
  picture_ = PixmapFromBytes(image);
  update();
}

void TitleButton::enterEvent(QEnterEvent*) {
  hovered_ = true;
  update();
}

void TitleButton::leaveEvent(QEvent*) {
  hovered_ = false;
  update();
}

void TitleButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  if (hovered_ && isEnabled()) {
    p.setPen(Qt::NoPen);
    p.setBrush(glyph_ == Glyph::Close ? QColor(0xe8, 0x4a, 0x4a) : skin::kAccentLight);
    p.drawRoundedRect(r, 3, 3);
  }
  if (!picture_.isNull()) {
    p.drawPixmap(rect(), picture_);
    return;
  }
  QColor ink = hovered_ && isEnabled() ? Qt::white : skin::kGlyph;
  if (!isEnabled()) ink.setAlpha(110);
  p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
  // The glyph sits in the middle half of the button.
  QRectF g = r.adjusted(r.width() * 0.28, r.height() * 0.28, -r.width() * 0.28, -r.height() * 0.28);
  switch (glyph_) {
    case Glyph::Close:
      p.drawLine(g.topLeft(), g.bottomRight());
      p.drawLine(g.topRight(), g.bottomLeft());
      break;
    case Glyph::Minimize:
      p.drawLine(QPointF(g.left(), g.center().y()), QPointF(g.right(), g.center().y()));
      break;
    case Glyph::Menu:
      for (double y : {g.top(), g.center().y(), g.bottom()}) p.drawLine(QPointF(g.left(), y), QPointF(g.right(), y));
      break;
  }
}

}  // namespace brisklet::platform
