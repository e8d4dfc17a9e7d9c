#pragma once
// The picture box: any PNG or JPEG (any format Qt reads) drawn over the box, or a plain
// coloured area while it holds none.
#include <QPixmap>
#include <QWidget>

#include "platform/bytes.h"

namespace brisklet::platform {

class PictureBox : public QWidget {
 public:
  // An empty box is drawn as a bar (the accent colour) or as a placeholder panel.
  PictureBox(QWidget* parent, bool emptyIsBar);
  // Bytes Qt cannot read leave the box empty.
  void SetPicture(const Bytes& image);
  bool HasPicture() const { return !picture_.isNull(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap picture_;
  bool emptyIsBar_;
};

// A picture from its file bytes; a null pixmap for empty or unreadable bytes.
QPixmap PixmapFromBytes(const Bytes& image);

}  // namespace brisklet::platform
