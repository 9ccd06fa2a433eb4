#include "exchange/exchange_report.h"

#include "core/logging.h"
#include "core/number_format.h"

using namespace Qt::StringLiterals;

void ExchangeReport::failure(const QString& line)
{
    qCWarning(lcExchange).noquote() << line;
    m_failures.append(line);
}

void ExchangeReport::note(const QString& line)
{
    if (!m_notes.contains(line))
        m_notes.append(line);
}

QString ExchangeReport::summary() const
{
    const QString counts = u"gönderilen %1, alınan %2 kayıt"_s.arg(
        numfmt::format(m_sent, u"#,##0"), numfmt::format(m_taken, u"#,##0"));
    if (complete())
        return u"Aktarım tamamlandı (%1)."_s.arg(counts);
    QString text = m_stopped ? u"Aktarım yarıda durduruldu (%1)."_s.arg(counts)
                             : u"Aktarım TAMAMLANAMADI (%1). Gönderilemeyenler bir sonraki "
                               "aktarımda yeniden denenecek:"_s.arg(counts);
    for (const QString& line : m_failures)
        text += u"\n- "_s + line;
    return text;
}
