#pragma once
// The skinned windows' colours.
#include <QColor>

namespace brisklet::platform::skin {

inline const QColor kAccent{0x2f, 0x7b, 0xd9};
inline const QColor kAccentLight{0x5a, 0x9b, 0xe8};
inline const QColor kBackground{0xf6, 0xf9, 0xfd};
inline const QColor kPlaceholder{0xe3, 0xea, 0xf3};
inline const QColor kGlyph{0x55, 0x5f, 0x6d};

}  // namespace brisklet::platform::skin
