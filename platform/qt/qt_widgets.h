#pragma once
// The few widgets Qt has no ready-made match for: the picture box (any PNG or JPEG, drawn over
// the box, or a plain coloured area while it holds none) and the skinned windows' small title
// buttons, whose glyphs are drawn rather than typed so they look alike with any font.
#include <QAbstractButton>
#include <QColor>
#include <QPixmap>
#include <QWidget>

#include "platform/bytes.h"

namespace brisklet::platform {

// The skin's colours.
namespace skin {
inline const QColor kAccent{0x2f, 0x7b, 0xd9};
inline const QColor kAccentLight{0x5a, 0x9b, 0xe8};
inline const QColor kBackground{0xf6, 0xf9, 0xfd};
inline const QColor kPlaceholder{0xe3, 0xea, 0xf3};
inline const QColor kGlyph{0x55, 0x5f, 0x6d};
}  // namespace skin

class PictureBox : public QWidget {
 public:
  // An empty box is drawn as a bar (the accent colour) or as a placeholder panel.
  PictureBox(QWidget* parent, bool emptyIsBar);
  // PNG, JPEG or any format Qt reads; bytes it cannot read leave the box empty.
  void SetPicture(const Bytes& image);
  bool HasPicture() const { return !picture_.isNull(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap picture_;
  bool emptyIsBar_;
};

class TitleButton : public QAbstractButton {
 public:
  enum class Glyph { Close, Minimize, Menu };
  TitleButton(QWidget* parent, Glyph glyph);
  // A picture, when given, is drawn instead of the glyph.
  void SetPicture(const Bytes& image);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  Glyph glyph_;
  QPixmap picture_;
  bool hovered_ = false;
};

QPixmap PixmapFromBytes(const Bytes& image);

}  // namespace brisklet::platform
