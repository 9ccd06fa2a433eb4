#include "core/turkish_text.h"

#include <QList>

#include <array>
#include <string_view>

namespace turkish {
namespace {

// Sort weights of the Turkish alphabet in folded (lower-case) form.
constexpr std::u16string_view kAlphabet = u"abcçdefgğhıijklmnoöpqrsştuüvwxyz";

// Letters of the alphabet sort in alphabet order inside one block above every
// punctuation mark and digit; other characters keep their code order around it.
constexpr std::array<int, 0x180> makeWeights()
{
    std::array<int, 0x180> table{};
    for (int c = 0; c < 0x180; ++c)
        table[c] = c < 0x61 ? c : 0x100 + c;
    for (size_t i = 0; i < kAlphabet.size(); ++i)
        table[kAlphabet[i]] = 0x61 + static_cast<int>(i);
    return table;
}
constexpr std::array<int, 0x180> kWeights = makeWeights();

// Above the weight of every character, those beyond the basic plane included.
constexpr int kHighestWeight = 0x200000;

} // namespace

int weightOf(char16_t c)
{
    if (c < 0x180)
        return kWeights[c];
    if (c == kHighestChar)
        return kHighestWeight;
    return 0x100 + c;
}

char16_t foldChar(char16_t c)
{
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z' && c != u'I') ? static_cast<char16_t>(c + 32)
                                                     : (c == u'I' ? u'ı' : c);
    if (c == u'İ')
        return u'i';
    return QChar::toLower(c);
}

QString fold(const QString& text)
{
    QString out = text;
    for (QChar& ch : out)
        ch = QChar(foldChar(ch.unicode()));
    return out;
}

QString upper(const QString& text)
{
    QString out = text;
    for (QChar& ch : out) {
        const char16_t c = ch.unicode();
        if (c == u'i')
            ch = QChar(u'İ');
        else if (c == u'ı')
            ch = QChar(u'I');
        else
            ch = ch.toUpper();
    }
    return out;
}

int compareFolded(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ca = a[i].unicode();
        const char16_t cb = b[i].unicode();
        if (ca == cb)
            continue;
        return weightOf(ca) < weightOf(cb) ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int compare(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ca = foldChar(a[i].unicode());
        const char16_t cb = foldChar(b[i].unicode());
        if (ca == cb)
            continue;
        return weightOf(ca) < weightOf(cb) ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// One element of a Like pattern: "*", "?", "#", a "[...]" list or a plain character.
struct LikeToken
{
    enum class Kind
    {
        Star,
        Any,
        Digit,
        List,
        Char
    };
    Kind kind = Kind::Char;
    QChar c;              // Char
    QStringView list;     // List: what stands between "[" (or "[!") and "]"
    bool negated = false; // List: "[!...]"
};

// Splits a folded pattern into its elements. A "[" without its "]" is taken
// literally, as the database engine does with an unclosed list; a "]" right after
// "[" or "[!" belongs to the list.
QList<LikeToken> likeTokens(QStringView pattern)
{
    QList<LikeToken> tokens;
    for (qsizetype p = 0; p < pattern.size(); ++p) {
        LikeToken t;
        const QChar pc = pattern[p];
        if (pc == u'*') {
            if (!tokens.isEmpty() && tokens.back().kind == LikeToken::Kind::Star)
                continue;
            t.kind = LikeToken::Kind::Star;
        } else if (pc == u'?') {
            t.kind = LikeToken::Kind::Any;
        } else if (pc == u'#') {
            t.kind = LikeToken::Kind::Digit;
        } else if (pc == u'[') {
            qsizetype q = p + 1;
            const bool negated = q < pattern.size() && pattern[q] == u'!';
            q += negated;
            const qsizetype close =
                pattern.indexOf(u']', q + (q < pattern.size() && pattern[q] == u']'));
            if (close < 0) {
                t.c = pc;
            } else {
                t.kind = LikeToken::Kind::List;
                t.negated = negated;
                t.list = pattern.sliced(q, close - q);
                p = close;
            }
        } else {
            t.c = pc;
        }
        tokens.append(t);
    }
    return tokens;
}

bool inList(QStringView list, QChar c)
{
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (i + 2 < list.size() && list[i + 1] == u'-') {
            if (c >= list[i] && c <= list[i + 2])
                return true;
            i += 2;
        } else if (list[i] == c)
            return true;
    }
    return false;
}

bool matchesOne(const LikeToken& t, QChar c)
{
    switch (t.kind) {
    case LikeToken::Kind::Any:
        return true;
    case LikeToken::Kind::Digit:
        return isDigit(c);
    case LikeToken::Kind::List:
        return inList(t.list, c) != t.negated;
    case LikeToken::Kind::Char:
        return t.c == c;
    case LikeToken::Kind::Star:
        break;
    }
    return false;
}

// Every element other than "*" takes exactly one character, so a mismatch only ever
// needs to go back to the last "*" and let it take one character more: the time is
// at most pattern length × text length, whatever the pattern (a search by backtracking
// into every "*" takes exponential time on patterns such as "*?*?*?*?x").
bool matchTokens(const QList<LikeToken>& pat, QStringView txt)
{
    qsizetype p = 0;
    qsizetype t = 0;
    qsizetype starP = -1; // the element after the last "*" met
    qsizetype starT = 0;  // where the text stood when that "*" took nothing
    while (t < txt.size()) {
        if (p < pat.size() && pat[p].kind == LikeToken::Kind::Star) {
            if (++p == pat.size())
                return true;
            starP = p;
            starT = t;
        } else if (p < pat.size() && matchesOne(pat[p], txt[t])) {
            ++p;
            ++t;
        } else if (starP >= 0) {
            p = starP;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pat.size() && pat[p].kind == LikeToken::Kind::Star)
        ++p;
    return p == pat.size();
}

} // namespace

bool likeMatch(QStringView pattern, QStringView text)
{
    const QString p = fold(pattern.toString());
    const QString t = fold(text.toString());
    return matchTokens(likeTokens(p), t);
}

std::optional<QString> likePrefix(QStringView pattern)
{
    if (pattern.isEmpty() || pattern.back() != u'*')
        return std::nullopt;
    const QStringView head = pattern.first(pattern.size() - 1);
    for (QChar c : head)
        if (c == u'*' || c == u'?' || c == u'#' || c == u'[')
            return std::nullopt;
    return head.toString();
}

} // namespace turkish
