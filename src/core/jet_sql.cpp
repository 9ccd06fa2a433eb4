#include "core/jet_sql.h"

#include "core/turkish_text.h"

#include <QDate>

#include <cmath>
#include <string_view>

using namespace Qt::StringLiterals;

namespace jetsql {

const Column* TableSchema::find(QStringView name) const
{
    const int i = indexOf(name);
    return i < 0 ? nullptr : &columns[i];
}

void TableSchema::buildIndex() const
{
    m_index.clear();
    m_indexed = columns.size();
    // The first of two names that fold alike wins, as a scan from the front would.
    for (int i = static_cast<int>(columns.size()) - 1; i >= 0; --i)
        m_index.insert(turkish::fold(columns[i].name), i);
    m_exact.clear();
    for (int i = 0; i < columns.size(); ++i)
        m_exact.append(
            {qHash(QStringView(columns[i].name)), m_index.value(turkish::fold(columns[i].name))});
}

int TableSchema::indexOf(QStringView name) const
{
    if (m_indexed != columns.size())
        buildIndex();
    // Callers mostly spell the name as the table does: found without folding it.
    const size_t h = qHash(name);
    for (int i = 0; i < m_exact.size(); ++i)
        if (m_exact[i].first == h && columns[i].name == name)
            return m_exact[i].second;
    return m_index.value(turkish::fold(name.toString()), -1);
}

QString turkishKey(const QString& operand)
{
    // lower() under the Turkish collation folds I to ı and İ to i; translate() then
    // moves the letters of the alphabet, in alphabet order, to the codes right above
    // the punctuation and digits, and "{|}~" and DEL just above them, so that the
    // byte order of the "C" collation is the station's order. (The C1 control codes
    // U+0080 to U+0085 the letters move onto do not occur in the station's texts.)
    static const QString mapping = [] {
        const std::u16string_view from = u"abcçdefgğhıijklmnoöpqrsştuüvwxyz{|}~\x7f";
        QString in, out;
        for (size_t i = 0; i < from.size(); ++i) {
            in += QStringLiteral("\\%1").arg(static_cast<int>(from[i]), 4, 16, QChar(u'0'));
            out += QStringLiteral("\\%1").arg(0x61 + static_cast<int>(i), 4, 16, QChar(u'0'));
        }
        return QStringLiteral("U&'%1', U&'%2'").arg(in, out);
    }();
    return QStringLiteral("translate(lower((%1) COLLATE \"%2\"), %3) COLLATE \"C\"")
        .arg(operand, QLatin1String(kServerCollation), mapping);
}

bool keyedOnServer(const Column* column, Dialect dialect)
{
    return column && column->turkish && dialect == Dialect::PostgreSQL;
}

QString quoteIdentifier(const QString& name)
{
    QString escaped = name;
    escaped.replace(u'"', u"\"\""_s);
    return u'"' + escaped + u'"';
}

QString quoteText(const QString& value)
{
    QString escaped = value;
    escaped.replace(u'\'', u"''"_s);
    return u'\'' + escaped + u'\'';
}

namespace {

// ---------------------------------------------------------------- tokens

struct Token
{
    enum class Type
    {
        End,
        Word,
        Text,
        Number,
        Date,
        Symbol
    };
    Type type = Type::End;
    QString text;
    bool bracketed = false; // [Field Name]
    int literal = -1;       // Text: its place among the quoted texts
};

class Lexer
{
public:
    explicit Lexer(const QString& text) : m_text(text) {}

    bool tokenize(QList<Token>& out, QString* error)
    {
        const qsizetype n = m_text.size();
        qsizetype i = 0;
        int texts = 0;
        while (i < n) {
            const QChar c = m_text[i];
            if (c.isSpace()) {
                ++i;
                continue;
            }
            Token t;
            if (c == u'\'' || c == u'"') {
                // Quoted text; the quote character is doubled inside the text.
                t.type = Token::Type::Text;
                t.literal = texts++;
                ++i;
                bool closed = false;
                while (i < n) {
                    if (m_text[i] == c) {
                        if (i + 1 < n && m_text[i + 1] == c) {
                            t.text += c;
                            i += 2;
                            continue;
                        }
                        ++i;
                        closed = true;
                        break;
                    }
                    t.text += m_text[i++];
                }
                if (!closed)
                    return fail(error, QStringLiteral("Kapanmamış metin: %1").arg(m_text));
            } else if (c == u'[') {
                const qsizetype close = m_text.indexOf(u']', i + 1);
                if (close < 0)
                    return fail(error,
                                QStringLiteral("Kapanmamış köşeli parantez: %1").arg(m_text));
                t.type = Token::Type::Word;
                t.bracketed = true;
                t.text = m_text.mid(i + 1, close - i - 1);
                i = close + 1;
            } else if (c == u'#') {
                const qsizetype close = m_text.indexOf(u'#', i + 1);
                if (close < 0)
                    return fail(error, QStringLiteral("Kapanmamış tarih: %1").arg(m_text));
                t.type = Token::Type::Date;
                t.text = m_text.mid(i + 1, close - i - 1);
                i = close + 1;
            } else if (c.isDigit() || (c == u'.' && i + 1 < n && m_text[i + 1].isDigit())) {
                const qsizetype start = i;
                while (i < n && (m_text[i].isDigit() || m_text[i] == u'.'))
                    ++i;
                if (i < n && (m_text[i] == u'e' || m_text[i] == u'E') && i + 1 < n &&
                    (m_text[i + 1].isDigit() || m_text[i + 1] == u'-' || m_text[i + 1] == u'+')) {
                    i += 2;
                    while (i < n && m_text[i].isDigit())
                        ++i;
                }
                if (i < n && isWordChar(m_text[i])) {
                    // A name that starts with digits, such as 0Fiyat.
                    while (i < n && isWordChar(m_text[i]))
                        ++i;
                    t.type = Token::Type::Word;
                } else
                    t.type = Token::Type::Number;
                t.text = m_text.mid(start, i - start);
            } else if (isWordChar(c)) {
                const qsizetype start = i;
                while (i < n && isWordChar(m_text[i]))
                    ++i;
                t.type = Token::Type::Word;
                t.text = m_text.mid(start, i - start);
            } else {
                t.type = Token::Type::Symbol;
                static const QStringList twoChar = {u"<>"_s, u"<="_s, u">="_s, u"!="_s};
                const QString two = m_text.mid(i, 2);
                if (twoChar.contains(two)) {
                    t.text = two == u"!="_s ? QStringLiteral("<>") : two;
                    i += 2;
                } else if (QStringView(u"=<>(),*;-+."_s).contains(c)) {
                    t.text = c;
                    ++i;
                } else
                    return fail(error,
                                QStringLiteral("Beklenmeyen karakter '%1': %2").arg(c).arg(m_text));
            }
            out.append(t);
        }
        out.append(Token{});
        return true;
    }

private:
    static bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; }
    static bool fail(QString* error, const QString& message)
    {
        if (error)
            *error = message;
        return false;
    }
    const QString& m_text;
};

// ---------------------------------------------------------------- parser

class Parser
{
public:
    Parser(QList<Token> tokens, const QString& source)
        : m_tokens(std::move(tokens)), m_source(source)
    {}

    // The end of the text; one closing ";" is allowed, nothing after it.
    bool atEnd() const
    {
        return peek().type == Token::Type::End ||
               (isSymbol(u";"_s) && peek(1).type == Token::Type::End);
    }
    bool isWord(QStringView w) const
    {
        const Token& t = peek();
        return t.type == Token::Type::Word && !t.bracketed &&
               t.text.compare(w, Qt::CaseInsensitive) == 0;
    }
    bool isSymbol(QStringView s) const
    {
        const Token& t = peek();
        return t.type == Token::Type::Symbol && t.text == s;
    }
    bool acceptWord(QStringView w)
    {
        if (!isWord(w))
            return false;
        ++m_pos;
        return true;
    }
    bool acceptSymbol(QStringView s)
    {
        if (!isSymbol(s))
            return false;
        ++m_pos;
        return true;
    }
    const Token& peek(int ahead = 0) const
    {
        const qsizetype i = std::min<qsizetype>(m_pos + ahead, m_tokens.size() - 1);
        return m_tokens[i];
    }
    Token take() { return m_tokens[std::min<qsizetype>(m_pos++, m_tokens.size() - 1)]; }

    std::shared_ptr<Expr> parseOr()
    {
        auto left = parseAnd();
        while (left && acceptWord(u"Or"_s))
            left = chain(Expr::Kind::Or, left, parseAnd());
        return left;
    }

    bool failed() const { return !m_error.isEmpty(); }
    const QString& error() const { return m_error; }
    void fail(const QString& what)
    {
        if (m_error.isEmpty())
            m_error = QStringLiteral("%1: %2").arg(what, m_source);
    }

    bool parseName(QString& out)
    {
        const Token& t = peek();
        if (t.type != Token::Type::Word || (!t.bracketed && isReserved(t.text))) {
            fail(QStringLiteral("Ad bekleniyor"));
            return false;
        }
        out = take().text;
        // Table.Field: the station's queries name one table, so the field name counts.
        if (acceptSymbol(u"."_s) && peek().type == Token::Type::Word)
            out = take().text;
        return true;
    }

private:
    static bool isReserved(QStringView w)
    {
        static const QStringList words = {u"And"_s,   u"Or"_s, u"Not"_s,     u"Like"_s, u"Is"_s,
                                          u"Null"_s,  u"In"_s, u"Between"_s, u"True"_s, u"False"_s,
                                          u"Yes"_s,   u"No"_s, u"Select"_s,  u"From"_s, u"Where"_s,
                                          u"Order"_s, u"By"_s, u"Asc"_s,     u"Desc"_s};
        for (const QString& r : words)
            if (w.compare(r, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    }

    // "a Or b Or c" is one node with three terms, not a tree as deep as the list is
    // long: criteria with hundreds of terms are built from data.
    static std::shared_ptr<Expr> chain(Expr::Kind kind, std::shared_ptr<Expr> a,
                                       std::shared_ptr<Expr> b)
    {
        if (!a || !b)
            return nullptr;
        if (a->kind == kind) {
            a->args.append(b);
            return a;
        }
        auto e = std::make_shared<Expr>();
        e->kind = kind;
        e->args = {a, b};
        return e;
    }

    // Brackets and Not inside each other: each level takes a few calls of the parser
    // and of the translation, so a text of thousands of "(" is refused before it can
    // exhaust the stack.
    bool enter()
    {
        if (++m_depth <= kMaxNesting)
            return true;
        fail(QStringLiteral("Çok iç içe ifade"));
        return false;
    }
    void leave() { --m_depth; }

    std::shared_ptr<Expr> parseAnd()
    {
        auto left = parseNot();
        while (left && acceptWord(u"And"_s))
            left = chain(Expr::Kind::And, left, parseNot());
        return left;
    }

    std::shared_ptr<Expr> parseNot()
    {
        if (acceptWord(u"Not"_s)) {
            if (!enter())
                return nullptr;
            auto inner = parseNot();
            leave();
            if (!inner)
                return nullptr;
            auto e = std::make_shared<Expr>();
            e->kind = Expr::Kind::Not;
            e->args = {inner};
            return e;
        }
        return parsePredicate();
    }

    std::shared_ptr<Expr> parsePredicate()
    {
        auto left = parseOperand();
        if (!left)
            return nullptr;
        const Token& t = peek();
        if (t.type == Token::Type::Symbol &&
            (t.text == u"="_s || t.text == u"<>"_s || t.text == u"<"_s || t.text == u">"_s ||
             t.text == u"<="_s || t.text == u">="_s)) {
            auto e = std::make_shared<Expr>();
            e->kind = Expr::Kind::Compare;
            e->op = take().text;
            auto right = parseOperand();
            if (!right)
                return nullptr;
            e->args = {left, right};
            return e;
        }
        bool negated = false;
        if (isWord(u"Not"_s) && (peek(1).type == Token::Type::Word)) {
            const QString next = peek(1).text;
            if (next.compare(u"Like"_s, Qt::CaseInsensitive) == 0 ||
                next.compare(u"In"_s, Qt::CaseInsensitive) == 0 ||
                next.compare(u"Between"_s, Qt::CaseInsensitive) == 0) {
                take();
                negated = true;
            }
        }
        if (acceptWord(u"Like"_s)) {
            auto e = std::make_shared<Expr>();
            e->kind = Expr::Kind::Like;
            e->negated = negated;
            auto right = parseOperand();
            if (!right)
                return nullptr;
            e->args = {left, right};
            return e;
        }
        if (acceptWord(u"In"_s)) {
            auto e = std::make_shared<Expr>();
            e->kind = Expr::Kind::In;
            e->negated = negated;
            e->args = {left};
            if (!acceptSymbol(u"("_s)) {
                fail(QStringLiteral("In için '(' bekleniyor"));
                return nullptr;
            }
            do {
                auto item = parseOperand();
                if (!item)
                    return nullptr;
                e->args.append(item);
            } while (acceptSymbol(u","_s));
            if (!acceptSymbol(u")"_s)) {
                fail(QStringLiteral("In için ')' bekleniyor"));
                return nullptr;
            }
            return e;
        }
        if (acceptWord(u"Between"_s)) {
            auto e = std::make_shared<Expr>();
            e->kind = Expr::Kind::Between;
            e->negated = negated;
            auto low = parseOperand();
            if (!low || !acceptWord(u"And"_s)) {
                fail(QStringLiteral("Between için And bekleniyor"));
                return nullptr;
            }
            auto high = parseOperand();
            if (!high)
                return nullptr;
            e->args = {left, low, high};
            return e;
        }
        if (negated) {
            fail(QStringLiteral("Not sonrası beklenmeyen söz"));
            return nullptr;
        }
        if (acceptWord(u"Is"_s)) {
            auto e = std::make_shared<Expr>();
            e->kind = Expr::Kind::IsNull;
            e->negated = acceptWord(u"Not"_s);
            if (!acceptWord(u"Null"_s)) {
                fail(QStringLiteral("Is sonrası Null bekleniyor"));
                return nullptr;
            }
            e->args = {left};
            return e;
        }
        return left;
    }

    std::shared_ptr<Expr> parseOperand()
    {
        auto e = std::make_shared<Expr>();
        const Token& t = peek();
        switch (t.type) {
        case Token::Type::Text:
            e->kind = Expr::Kind::Text;
            e->literal = t.literal;
            e->text = take().text;
            return e;
        case Token::Type::Number: {
            e->kind = Expr::Kind::Number;
            e->text = take().text;
            bool ok = false;
            e->number = e->text.toDouble(&ok);
            if (!ok) {
                fail(QStringLiteral("Geçersiz sayı"));
                return nullptr;
            }
            return e;
        }
        case Token::Type::Date:
            e->kind = Expr::Kind::Date;
            e->text = take().text;
            return e;
        case Token::Type::Symbol:
            if (t.text == u"("_s) {
                take();
                if (!enter())
                    return nullptr;
                auto inner = parseOr();
                leave();
                if (!inner || !acceptSymbol(u")"_s)) {
                    fail(QStringLiteral("')' bekleniyor"));
                    return nullptr;
                }
                return inner;
            }
            if (t.text == u"-"_s && peek(1).type == Token::Type::Number) {
                take();
                auto n = parseOperand();
                if (!n)
                    return nullptr;
                n->number = -n->number;
                n->text.prepend(u'-');
                return n;
            }
            fail(QStringLiteral("Beklenmeyen '%1'").arg(t.text));
            return nullptr;
        case Token::Type::Word:
            if (!t.bracketed) {
                if (isWord(u"True"_s) || isWord(u"Yes"_s) || isWord(u"False"_s) ||
                    isWord(u"No"_s)) {
                    e->kind = Expr::Kind::Bool;
                    e->boolean = isWord(u"True"_s) || isWord(u"Yes"_s);
                    take();
                    return e;
                }
                if (acceptWord(u"Null"_s)) {
                    e->kind = Expr::Kind::Null;
                    return e;
                }
            }
            e->kind = Expr::Kind::Field;
            if (!parseName(e->text))
                return nullptr;
            return e;
        case Token::Type::End:
            break;
        }
        fail(QStringLiteral("Eksik ifade"));
        return nullptr;
    }

    static constexpr int kMaxNesting = 100;
    QList<Token> m_tokens;
    qsizetype m_pos = 0;
    int m_depth = 0;
    QString m_source;
    QString m_error;
};

bool setError(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

// ---------------------------------------------------------------- translation

class Translator
{
public:
    Translator(const TableSchema& schema, Dialect dialect) : m_schema(schema), m_dialect(dialect) {}

    bool emit(const Expr& e, Sql& out)
    {
        switch (e.kind) {
        case Expr::Kind::Or:
        case Expr::Kind::And: {
            out.text += u'(';
            for (qsizetype i = 0; i < e.args.size(); ++i) {
                if (i > 0)
                    out.text += e.kind == Expr::Kind::Or ? u" OR "_s : u" AND "_s;
                if (!emit(*e.args[i], out))
                    return false;
            }
            out.text += u')';
            return true;
        }
        case Expr::Kind::Not:
            out.text += u"(NOT "_s;
            if (!emit(*e.args[0], out))
                return false;
            out.text += u')';
            return true;
        case Expr::Kind::Compare:
            return emitCompare(e, out);
        case Expr::Kind::Like:
            return emitLike(e, out);
        case Expr::Kind::IsNull:
            out.text += u'(';
            if (!emitOperand(*e.args[0], nullptr, out))
                return false;
            out.text += e.negated ? u" IS NOT NULL)"_s : u" IS NULL)"_s;
            return true;
        case Expr::Kind::In: {
            const Column* col = fieldColumn(*e.args[0]);
            out.text += u'(';
            if (!emitKeyed(*e.args[0], col, nullptr, out))
                return false;
            out.text += collate(col);
            out.text += e.negated ? u" NOT IN ("_s : u" IN ("_s;
            for (qsizetype i = 1; i < e.args.size(); ++i) {
                if (i > 1)
                    out.text += u", "_s;
                if (!emitKeyed(*e.args[i], col, col, out))
                    return false;
            }
            out.text += u"))"_s;
            return true;
        }
        case Expr::Kind::Between: {
            const Column* col = fieldColumn(*e.args[0]);
            out.text += u'(';
            if (!emitKeyed(*e.args[0], col, nullptr, out))
                return false;
            out.text += collate(col);
            out.text += e.negated ? u" NOT BETWEEN "_s : u" BETWEEN "_s;
            if (!emitKeyed(*e.args[1], col, col, out))
                return false;
            out.text += u" AND "_s;
            if (!emitKeyed(*e.args[2], col, col, out))
                return false;
            out.text += u')';
            return true;
        }
        case Expr::Kind::Field: {
            // A bare field as a condition: true when it holds a non-zero value.
            const Column* col = m_schema.find(e.text);
            if (!col)
                return unknownField(e.text);
            out.text += QStringLiteral("(COALESCE(%1, 0) <> 0)").arg(quoteIdentifier(col->name));
            return true;
        }
        case Expr::Kind::Bool:
            out.text += e.boolean ? u"(1 = 1)"_s : u"(1 = 0)"_s;
            return true;
        default:
            m_error = QStringLiteral("Koşul bekleniyor");
            return false;
        }
    }

    QString error() const { return m_error; }
    TextUse use(qsizetype params) const
    {
        TextUse u = m_use;
        u.paramText.resize(params, -1);
        return u;
    }

    const Column* fieldColumn(const Expr& e) const
    {
        return e.kind == Expr::Kind::Field ? m_schema.find(e.text) : nullptr;
    }

    QString collate(const Column* col) const
    {
        if (m_dialect == Dialect::SQLite && col && col->kind == ColumnKind::Text)
            return QStringLiteral(" COLLATE ") + QLatin1String(kCollation);
        return {};
    }

private:
    bool unknownField(const QString& name)
    {
        m_error = QStringLiteral("'%1' tablosunda '%2' alanı yok").arg(m_schema.table, name);
        return false;
    }

    // Binds a literal for a comparison with the given column, converting it the way
    // the column's type needs.
    bool bindLiteral(const Expr& e, const Column* against, Sql& out)
    {
        const ColumnKind kind = against ? against->kind : ColumnKind::Other;
        out.text += u'?';
        switch (e.kind) {
        case Expr::Kind::Text:
            if (kind == ColumnKind::Date) {
                m_use.byValue = true;
                const QDate d = QDate::fromString(e.text, Qt::ISODate);
                out.params.append(d.isValid() ? dateParam(d) : QVariant(e.text));
            } else {
                m_use.paramText.resize(out.params.size(), -1);
                m_use.paramText.append(e.literal);
                out.params.append(e.text);
            }
            return true;
        case Expr::Kind::Number:
            if (kind == ColumnKind::Text)
                out.params.append(e.text); // compared as the text written
            else if (std::fabs(e.number) < 9.2e18 && e.number == std::trunc(e.number) &&
                     !e.text.contains(u'.'))
                out.params.append(static_cast<qint64>(e.number));
            else
                out.params.append(e.number);
            return true;
        case Expr::Kind::Bool:
            if (m_dialect == Dialect::PostgreSQL && kind == ColumnKind::Boolean)
                out.params.append(e.boolean);
            else
                out.params.append(e.boolean ? (kind == ColumnKind::Boolean ? 1 : -1) : 0);
            return true;
        case Expr::Kind::Date: {
            // #m/d/yyyy# or #yyyy-mm-dd#
            QDate d = QDate::fromString(e.text, Qt::ISODate);
            if (!d.isValid())
                d = QDate::fromString(e.text, u"M/d/yyyy"_s);
            if (!d.isValid()) {
                m_error = QStringLiteral("Geçersiz tarih: #%1#").arg(e.text);
                return false;
            }
            out.params.append(dateParam(d));
            return true;
        }
        default:
            m_error = QStringLiteral("Değer bekleniyor");
            return false;
        }
    }

    QVariant dateParam(const QDate& d) const
    {
        if (m_dialect == Dialect::SQLite)
            return d.toString(Qt::ISODate);
        return d;
    }

    bool emitOperand(const Expr& e, const Column* against, Sql& out)
    {
        if (e.kind == Expr::Kind::Field) {
            const Column* col = m_schema.find(e.text);
            if (!col)
                return unknownField(e.text);
            out.text += quoteIdentifier(col->name);
            return true;
        }
        if (e.kind == Expr::Kind::Null) {
            out.text += u"NULL"_s;
            return true;
        }
        return bindLiteral(e, against, out);
    }

    // An operand of a comparison in the order of the text column it is compared with:
    // through turkishKey() for a Turkish column on the server, else as it is.
    bool emitKeyed(const Expr& e, const Column* ordering, const Column* against, Sql& out)
    {
        if (!keyedOnServer(ordering, m_dialect))
            return emitOperand(e, against, out);
        const qsizetype start = out.text.size();
        if (!emitOperand(e, against, out))
            return false;
        const QString operand = out.text.sliced(start);
        out.text.truncate(start);
        out.text += turkishKey(operand);
        return true;
    }

    bool emitCompare(const Expr& e, Sql& out)
    {
        const Expr* a = e.args[0].get();
        const Expr* b = e.args[1].get();
        QString op = e.op;
        // Keep the field on the left so that its type steers the literal.
        if (a->kind != Expr::Kind::Field && b->kind == Expr::Kind::Field) {
            std::swap(a, b);
            if (op == u"<"_s)
                op = u">"_s;
            else if (op == u">"_s)
                op = u"<"_s;
            else if (op == u"<="_s)
                op = u">="_s;
            else if (op == u">="_s)
                op = u"<="_s;
        }
        const Column* col = fieldColumn(*a);
        if (a->kind == Expr::Kind::Field && !col)
            return unknownField(a->text);
        // Yes/No columns hold no nulls in the old engine; a missing value counts as No.
        if (col && b->kind == Expr::Kind::Bool && (op == u"="_s || op == u"<>"_s)) {
            const bool wantTrue = (op == u"="_s) == b->boolean;
            const QString zero =
                m_dialect == Dialect::PostgreSQL && col->kind == ColumnKind::Boolean ? u"FALSE"_s
                                                                                     : u"0"_s;
            out.text += QStringLiteral("(COALESCE(%1, %2) %3 %2)")
                            .arg(quoteIdentifier(col->name), zero, wantTrue ? u"<>"_s : u"="_s);
            return true;
        }
        const Column* other = fieldColumn(*b);
        const Column* ordering = col ? col : other;
        out.text += u'(';
        if (!emitKeyed(*a, ordering, nullptr, out))
            return false;
        out.text += u' ' + op + u' ';
        if (!emitKeyed(*b, ordering, col, out))
            return false;
        out.text += collate(ordering);
        out.text += u')';
        return true;
    }

    bool emitLike(const Expr& e, Sql& out)
    {
        const Expr& subject = *e.args[0];
        const Expr& pattern = *e.args[1];
        const Column* col = fieldColumn(subject);
        if (subject.kind == Expr::Kind::Field && !col)
            return unknownField(subject.text);
        if (pattern.kind != Expr::Kind::Text && pattern.kind != Expr::Kind::Number) {
            m_error = QStringLiteral("Like için metin bekleniyor");
            return false;
        }
        const QString pat = pattern.text;
        // The pattern decides the translation, not only its parameters.
        m_use.byValue = true;
        out.text += e.negated ? u"(NOT "_s : u"("_s;
        if (m_dialect == Dialect::SQLite) {
            if (const auto prefix = turkish::likePrefix(pat); prefix && col) {
                // A plain "text*" is a range on the case-folded order, so an index on
                // the column (in the same collation) serves it.
                const QString name = quoteIdentifier(col->name);
                if (prefix->isEmpty()) {
                    out.text += name + u" IS NOT NULL"_s;
                } else {
                    const QString coll = QStringLiteral(" COLLATE ") + QLatin1String(kCollation);
                    out.text += QStringLiteral("(%1 >= ?%2 AND %1 < ?%2)").arg(name, coll);
                    const QString folded = turkish::fold(*prefix);
                    out.params.append(folded);
                    out.params.append(folded + QChar(turkish::kHighestChar));
                }
            } else {
                out.text += QLatin1String(kLikeFunction) + u"(?, "_s;
                out.params.append(pat);
                if (!emitOperand(subject, nullptr, out))
                    return false;
                out.text += u')';
            }
        } else if (keyedOnServer(col, m_dialect)) {
            const QString name = quoteIdentifier(col->name);
            if (const auto prefix = turkish::likePrefix(pat); prefix && !prefix->isEmpty()) {
                // A range on the column's key, which its index serves.
                out.text += QStringLiteral("(%1 >= %2 AND %1 < %2 || U&'\\+10FFFF')")
                                .arg(turkishKey(name), turkishKey(u"?"_s));
                out.params.append(*prefix);
                out.params.append(*prefix);
            } else if (prefix) {
                out.text += name + u" IS NOT NULL"_s;
            } else {
                // The folded text against the folded pattern, as the station matches.
                out.text += QStringLiteral("lower(%1) ~ ?").arg(name);
                out.params.append(likeToRegex(turkish::fold(pat)));
            }
        } else {
            // PostgreSQL: a case-insensitive regular expression of the same meaning.
            if (!emitOperand(subject, nullptr, out))
                return false;
            out.text += u" ~* ?"_s;
            out.params.append(likeToRegex(pat));
        }
        out.text += u')';
        return true;
    }

    static QString likeToRegex(const QString& pat)
    {
        QString re = QStringLiteral("^");
        for (qsizetype i = 0; i < pat.size(); ++i) {
            const QChar c = pat[i];
            if (c == u'*')
                re += u".*"_s;
            else if (c == u'?')
                re += u'.';
            else if (c == u'#')
                re += u"[0-9]"_s;
            else if (c == u'[' && pat.indexOf(u']', i + 1) > i + 1) {
                const qsizetype close = pat.indexOf(u']', i + 1);
                QString list = pat.mid(i + 1, close - i - 1);
                if (list.startsWith(u'!'))
                    list[0] = u'^';
                list.replace(u"\\"_s, u"\\\\"_s);
                re += u'[' + list + u']';
                i = close;
            } else if (QStringView(u"\\.^$|()+{}]"_s).contains(c))
                re += u'\\' + QString(c);
            else
                re += c;
        }
        return re + u'$';
    }

    const TableSchema& m_schema;
    Dialect m_dialect;
    QString m_error;
    TextUse m_use;
};

std::optional<Parser> makeParser(const QString& text, QString* error)
{
    QList<Token> tokens;
    if (!Lexer(text).tokenize(tokens, error))
        return std::nullopt;
    return Parser(std::move(tokens), text);
}

} // namespace

std::optional<Source> parseSource(const QString& text, QString* error)
{
    auto parser = makeParser(text, error);
    if (!parser)
        return std::nullopt;
    Parser& p = *parser;
    Source source;
    if (p.acceptWord(u"Select"_s)) {
        if (!p.acceptSymbol(u"*"_s)) {
            setError(error, QStringLiteral("Yalnız 'Select *' sorguları okunur: %1").arg(text));
            return std::nullopt;
        }
        if (!p.acceptWord(u"From"_s)) {
            setError(error, QStringLiteral("From bekleniyor: %1").arg(text));
            return std::nullopt;
        }
    }
    if (!p.parseName(source.table)) {
        setError(error, p.error());
        return std::nullopt;
    }
    if (p.acceptWord(u"Where"_s)) {
        source.where = p.parseOr();
        if (!source.where) {
            setError(error, p.error());
            return std::nullopt;
        }
    }
    if (p.acceptWord(u"Order"_s)) {
        if (!p.acceptWord(u"By"_s)) {
            setError(error, QStringLiteral("Order sonrası By bekleniyor: %1").arg(text));
            return std::nullopt;
        }
        do {
            OrderTerm term;
            if (!p.parseName(term.field)) {
                setError(error, p.error());
                return std::nullopt;
            }
            if (p.acceptWord(u"Desc"_s))
                term.descending = true;
            else
                p.acceptWord(u"Asc"_s);
            source.order.append(term);
        } while (p.acceptSymbol(u","_s));
    }
    if (!p.atEnd()) {
        setError(error,
                 QStringLiteral("Sorgunun sonunda beklenmeyen '%1': %2").arg(p.peek().text, text));
        return std::nullopt;
    }
    return source;
}

ExprPtr parseCriterion(const QString& text, QString* error)
{
    auto parser = makeParser(text, error);
    if (!parser)
        return nullptr;
    Parser& p = *parser;
    auto expr = p.parseOr();
    if (!expr) {
        setError(error, p.failed() ? p.error() : QStringLiteral("Boş koşul"));
        return nullptr;
    }
    if (!p.atEnd()) {
        setError(error,
                 QStringLiteral("Koşulun sonunda beklenmeyen '%1': %2").arg(p.peek().text, text));
        return nullptr;
    }
    return expr;
}

std::optional<Sql> translate(const Expr& expr, const TableSchema& schema, Dialect dialect,
                             QString* error, TextUse* use)
{
    Translator t(schema, dialect);
    Sql out;
    if (!t.emit(expr, out)) {
        setError(error, t.error());
        return std::nullopt;
    }
    if (use)
        *use = t.use(out.params.size());
    return out;
}

std::optional<Shape> shapeOf(const QString& text)
{
    // The quoted texts as the lexer finds them: a quote opens one wherever it stands
    // outside [a name] and #a date#, and a doubled quote stands for itself.
    Shape shape;
    shape.key.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'[' || c == u'#') {
            const qsizetype close = text.indexOf(c == u'[' ? u']' : u'#', i + 1);
            if (close < 0)
                return std::nullopt;
            shape.key += QStringView(text).sliced(i, close - i + 1);
            i = close;
        } else if (c == u'\'' || c == u'"') {
            QString literal;
            bool closed = false;
            for (++i; i < n; ++i) {
                if (text[i] != c) {
                    literal += text[i];
                } else if (i + 1 < n && text[i + 1] == c) {
                    literal += c;
                    ++i;
                } else {
                    closed = true;
                    break;
                }
            }
            if (!closed)
                return std::nullopt;
            shape.key += c;
            shape.key += c;
            shape.texts.append(literal);
        } else {
            shape.key += c;
        }
    }
    return shape;
}

Sql rebind(const Sql& sql, const TextUse& use, const QStringList& texts)
{
    Sql out = sql;
    for (qsizetype i = 0; i < out.params.size() && i < use.paramText.size(); ++i) {
        const int t = use.paramText[i];
        if (t >= 0 && t < texts.size())
            out.params[i] = texts[t];
    }
    return out;
}

std::optional<QString> orderBy(const Source& source, const TableSchema& schema, Dialect dialect,
                               const QString& keyExpression, bool reversed, QString* error)
{
    Translator t(schema, dialect);
    QStringList terms;
    bool lastDescending = false;
    for (const OrderTerm& term : source.order) {
        const Column* col = schema.find(term.field);
        if (!col) {
            setError(
                error,
                QStringLiteral("'%1' tablosunda '%2' alanı yok").arg(schema.table, term.field));
            return std::nullopt;
        }
        const bool desc = term.descending != reversed;
        const QString name = quoteIdentifier(col->name);
        QString sql = (keyedOnServer(col, dialect) ? turkishKey(name) : name) + t.collate(col) +
                      (desc ? u" DESC"_s : u" ASC"_s);
        // Nulls sort first in ascending order, as in the station's own engine.
        if (dialect == Dialect::PostgreSQL)
            sql += desc ? u" NULLS LAST"_s : u" NULLS FIRST"_s;
        terms.append(sql);
        lastDescending = term.descending;
    }
    terms.append(keyExpression + ((lastDescending != reversed) ? u" DESC"_s : u" ASC"_s));
    return QStringLiteral("ORDER BY ") + terms.join(u", "_s);
}

} // namespace jetsql
