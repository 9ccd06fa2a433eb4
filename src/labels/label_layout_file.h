#pragma once

#include "labels/label_layout.h"

#include <QString>
#include <QStringList>

// Barkod.Dat, the label layout file shared with older stations: Windows-1254 text,
// CR LF line ends, 12 lines. Lines 1 to 11 hold items 0 to 10 as
//   top, left, "font name", font size, #bold#, #italic#, alignment
// and line 12 the barcode box's top and left. Numbers are written with "." whatever
// the regional format. The alignment is written bare (2) or as quoted text ("2");
// both read alike. Captions and underline are not stored.
namespace barkoddat {

inline constexpr char16_t kFileName[] = u"Barkod.Dat";

// The file's text for the layout.
QString text(const LabelLayout& layout, bool quotedAlignment);

// Takes every readable value of the file's text into the layout and keeps the
// layout's own value wherever a line is missing or a value does not convert (a
// number that is no number or out of range, an empty font name or one holding a double
// quote, a size outside 1 to 2160 points, an alignment other than 0, 1 or 2). Each value that
// was passed over is described in *problems. Items are refitted to their fonts;
// nothing is centred here.
void apply(const QString& content, LabelLayout& layout, QStringList* problems = nullptr);

// Reads the file into the layout (see apply). False, with *error, when the file
// exists but cannot be read; a missing file leaves the layout as it is and is no error.
bool load(const QString& path, LabelLayout& layout, QStringList* problems = nullptr,
          QString* error = nullptr);

// Replaces the file atomically with the layout; nothing is written when the file
// already holds exactly this text.
bool save(const QString& path, const LabelLayout& layout, bool quotedAlignment,
          QString* error = nullptr);

} // namespace barkoddat
