#include "scale/scale_buffer.h"

#include <algorithm>

using namespace Qt::StringLiterals;

void ScaleBuffer::setText(const QString& text)
{
    const bool differs = text != m_text;
    m_text = text;
    m_selStart = 0;
    m_selLength = 0;
    if (differs)
        raiseChanged();
}

void ScaleBuffer::select(qsizetype start, qsizetype length)
{
    m_selStart = std::clamp<qsizetype>(start, 0, m_text.size());
    m_selLength = std::clamp<qsizetype>(length, 0, m_text.size() - m_selStart);
}

void ScaleBuffer::replaceSelection(const QString& data)
{
    select(m_selStart, m_selLength); // the text may have changed under the selection
    if (data.isEmpty() && m_selLength == 0)
        return;
    m_text.replace(m_selStart, m_selLength, data);
    m_selStart += data.size();
    m_selLength = 0;
    raiseChanged();
}

void ScaleBuffer::raiseChanged()
{
    if (changed)
        changed();
}

void AppendScaleText(ScaleBuffer& buffer, QString& data)
{
    // 1. A buffer that has grown too long loses its oldest part. (That change reads the
    //    weight again and may empty the buffer, so the length is taken afterwards.)
    qsizetype n = buffer.text().size();
    if (n > kScaleBufferCutAt) {
        buffer.setText(buffer.text().sliced(kScaleBufferCutBy));
        n = buffer.text().size();
    }
    // 2. Caret after the last character.
    buffer.setCaret(n);

    // 3. Backspaces. One inside the chunk takes back the character before it; one at
    //    the start of what is left selects the buffer's last character as it was
    //    before this chunk, so that the chunk replaces it. Several leading backspaces
    //    select that same character. With an empty buffer there is nothing to take
    //    back and the backspace is simply dropped.
    if (data.contains(QChar(8))) {
        QString kept;
        kept.reserve(data.size());
        for (const QChar c : std::as_const(data)) {
            if (c != QChar(8))
                kept += c;
            else if (!kept.isEmpty())
                kept.chop(1);
            else if (n > 0)
                buffer.select(n - 1, 1);
        }
        data = kept;
    }
    // 4. Line feeds never reach the buffer ...
    data.remove(QChar(10));
    // 5. ... each carriage return gets exactly one.
    data.replace(QChar(13), u"\r\n"_s);

    // 6. Appends (or replaces the selected last character); this reads the weight.
    buffer.replaceSelection(data);
    // 7. Caret at the end of what the buffer now holds.
    buffer.setCaret(buffer.text().size());
}
