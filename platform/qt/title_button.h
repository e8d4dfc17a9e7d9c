#pragma once
// The skinned windows' small title buttons: their glyphs are drawn rather than typed, so they
// look alike with any font.
#include <QAbstractButton>
#include <QPixmap>

#include "platform/bytes.h"

namespace brisklet::platform {

class TitleButton : public QAbstractButton {
 public:
  enum class Glyph { Close, Minimize, Menu };
  // `onStrip`: the button sits on a coloured strip and draws its glyph in white.
  TitleButton(QWidget* parent, Glyph glyph, bool onStrip);
  // A picture, when given, is drawn instead of the glyph.
  void SetPicture(const Bytes& image);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  Glyph glyph_;
  bool onStrip_;
  QPixmap picture_;
  bool hovered_ = false;
};

}  // namespace brisklet::platform
