#include "platform/qt/title_button.h"

#include <QEnterEvent>
#include <QPainter>
#include <QPen>

#include "platform/qt/picture_box.h"
#include "platform/qt/skin.h"

namespace brisklet::platform {

TitleButton::TitleButton(QWidget* parent, Glyph glyph, bool onStrip)
    : QAbstractButton(parent), glyph_(glyph), onStrip_(onStrip) {
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
  QColor ink = (hovered_ && isEnabled()) || onStrip_ ? QColor(Qt::white) : skin::kGlyph;
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
      for (double y : {g.top(), g.center().y(), g.bottom()})
        p.drawLine(QPointF(g.left(), y), QPointF(g.right(), y));
      break;
  }
}

}  // namespace brisklet::platform
