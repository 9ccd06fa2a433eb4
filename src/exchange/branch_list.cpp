#include "exchange/branch_list.h"

#include "core/sequential_file.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

std::optional<QStringList> readBranchList(const ExchangeSettings& settings, QString* error)
{
    const QString path = settings.file(u"Sube.txt"_s);
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    const auto records = seqfile::readFile(path, error);
    if (!records)
        return std::nullopt;
    QStringList branches;
    for (const seqfile::Record& record : *records)
        for (const seqfile::Field& field : record) {
            const QString code = field.text.trimmed();
            if (!code.isEmpty())
                branches.append(code);
        }
    return branches;
}
