#pragma once

#include <QByteArrayView>
#include <QString>

// The text of the bytes a scale sends: every byte becomes exactly one character, read
// in the Windows Turkish code page (1254). The byte values that code page leaves
// undefined (0x81, 0x8D, 0x8E, 0x8F, 0x90, 0x9D, 0x9E) become the control character
// of the same number, as Windows' own conversion gives them, so line noise never
// shortens or lengthens the text.
QString scaleBytesToText(QByteArrayView bytes);
