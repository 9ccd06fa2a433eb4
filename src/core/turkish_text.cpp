#include "core/turkish_text.h"

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

} // namespace

int weightOf(char16_t c)
{
    if (c < 0x180)
        return kWeights[c];
    if (c == kHighestChar)
        return 0x20000;
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

// Matches one "[...]" list starting at pattern[p] (the "["); on success sets p past
// the closing "]" and tells whether c belongs to the list. A "[" without its "]" is
// taken literally, as the database engine does with an unclosed list.
bool matchList(QStringView pattern, qsizetype& p, QChar c, bool& matched)
{
    qsizetype q = p + 1;
    bool negate = false;
    if (q < pattern.size() && pattern[q] == u'!') {
        negate = true;
        ++q;
    }
    const qsizetype close = pattern.indexOf(u']', q + (q < pattern.size() && pattern[q] == u']'));
    if (close < 0)
        return false;
    bool in = false;
    for (qsizetype i = q; i < close; ++i) {
        if (i + 2 < close && pattern[i + 1] == u'-') {
            if (c >= pattern[i] && c <= pattern[i + 2])
                in = true;
            i += 2;
        } else if (pattern[i] == c)
            in = true;
    }
    matched = negate ? !in : in;
    p = close + 1;
    return true;
}

bool matchFrom(QStringView pat, qsizetype p, QStringView txt, qsizetype t)
{
    while (p < pat.size()) {
        const QChar pc = pat[p];
        if (pc == u'*') {
            while (p < pat.size() && pat[p] == u'*')
                ++p;
            if (p == pat.size())
                return true;
            for (qsizetype k = t; k <= txt.size(); ++k)
                if (matchFrom(pat, p, txt, k))
                    return true;
            return false;
        }
        if (t >= txt.size())
            return false;
        const QChar tc = txt[t];
        if (pc == u'?') {
            ++p;
        } else if (pc == u'#') {
            if (!isDigit(tc))
                return false;
            ++p;
        } else if (pc == u'[') {
            bool in = false;
            qsizetype next = p;
            if (matchList(pat, next, tc, in)) {
                if (!in)
                    return false;
                p = next;
            } else {
                if (tc != pc)
                    return false;
                ++p;
            }
        } else {
            if (tc != pc)
                return false;
            ++p;
        }
        ++t;
    }
    return t == txt.size();
}

} // namespace

bool likeMatch(QStringView pattern, QStringView text)
{
    const QString p = fold(pattern.toString());
    const QString t = fold(text.toString());
    return matchFrom(p, 0, t, 0);
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
