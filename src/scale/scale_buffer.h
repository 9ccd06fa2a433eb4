#pragma once

#include <QString>

#include <functional>

// The scale buffer: the text received from the scale so far, with a caret and a
// selection as a text box has them. Every change of the text raises `changed`, which
// reads the weight out of it (and may empty it again).
class ScaleBuffer
{
public:
    const QString& text() const { return m_text; }
    qsizetype selStart() const { return m_selStart; }
    qsizetype selLength() const { return m_selLength; }

    // Replaces the whole text; the caret goes to the start, as in a text box.
    void setText(const QString& text);
    // Caret and selection, kept inside the text.
    void select(qsizetype start, qsizetype length);
    void setCaret(qsizetype position) { select(position, 0); }
    // Replaces the selected text (inserts at the caret when nothing is selected); the
    // caret ends after the new text.
    void replaceSelection(const QString& data);

    std::function<void()> changed;

private:
    void raiseChanged();

    QString m_text;
    qsizetype m_selStart = 0;
    qsizetype m_selLength = 0;
};

// Appends a chunk received from the scale to the buffer. `data` is edited in place:
// backspaces take back the character before them (a leading one replaces the last
// character already in the buffer), line feeds are dropped and every carriage return
// is followed by exactly one line feed. The buffer is cut to its last part when it has
// grown past 16000 characters.
void AppendScaleText(ScaleBuffer& buffer, QString& data);

inline constexpr qsizetype kScaleBufferCutAt = 16000; // longer buffers are cut ...
inline constexpr qsizetype kScaleBufferCutBy = 1023;  // ... by their first characters
