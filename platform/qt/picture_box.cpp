#include "platform/qt/picture_box.h"

#include <QPainter>

#include "platform/qt/skin.h"

namespace brisklet::platform {

QPixmap PixmapFromBytes(const Bytes& image) {
  QPixmap pixmap;
  if (!image.empty()) pixmap.loadFromData(image.data(), uint(image.size()));
  return pixmap;
}

PictureBox::PictureBox(QWidget* parent, bool emptyIsBar)
    : QWidget(parent), emptyIsBar_(emptyIsBar) {}

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

}  // namespace brisklet::platform
