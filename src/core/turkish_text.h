#pragma once

#include <QString>

#include <optional>

// Text rules of the Turkish station: case folding with the dotted/dotless i pairs,
// an alphabetical comparison that ignores case, and the wildcard match of the
// database's Like operator.
namespace turkish {

// Lower-case form used for case-insensitive comparison: "İ" → "i", "I" → "ı",
// every other letter by the usual Unicode rules.
QString fold(const QString& text);
char16_t foldChar(char16_t c);

// Upper-case form with Turkish rules ("i" → "İ", "ı" → "I").
QString upper(const QString& text);

// Case-insensitive comparison in Turkish alphabetical order (c < ç < d, g < ğ < h,
// ı < i, o < ö < p, s < ş < t, u < ü < v). Returns <0, 0, >0.
int compare(QStringView a, QStringView b);

// The same order on already folded text.
int compareFolded(QStringView a, QStringView b);
// The sort weight of one folded character: the order compare() uses.
int weightOf(char16_t folded);

// A character that sorts after every character a folded text can hold, those beyond
// the basic plane (emoji) included; appended to a prefix it gives the upper bound of
// all texts beginning with that prefix.
inline constexpr char16_t kHighestChar = 0xFFFF;

// Like-pattern match: "*" any run, "?" one character, "#" one digit, "[abc]",
// "[a-z]" and "[!abc]" character lists. Case-insensitive with Turkish rules; every
// other character, "%" and "_" included, stands for itself.
bool likeMatch(QStringView pattern, QStringView text);

// When the pattern is a plain prefix followed by a single trailing "*", returns that
// prefix (unfolded); otherwise nothing.
std::optional<QString> likePrefix(QStringView pattern);

} // namespace turkish
