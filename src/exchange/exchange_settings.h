#pragma once

#include <QString>

// The four settings every exchange reads, and where the branch's files are.
struct ExchangeSettings
{
    // Folder prefix of every database file and of the branch list: ends with a path
    // separator, or is empty (the working folder).
    QString DataFolder;
    // This station's branch code, also the prefix of its own database names.
    QString OwnBranch;
    // A condition naming one record ("CariKod='C001'"); chooses the exchange.
    QString ExchangeCommand;
    // True on the central side.
    bool CentralStation = false;
    // The ODBC data source of the central exchange database.
    QString DataSource = QStringLiteral("ParvekWeb");

    // `Server` written into central records by this station, and the value of the
    // central records it takes.
    int serverFlag() const { return CentralStation ? 0 : 1; }
    int takenServer() const { return CentralStation ? 1 : 0; }

    // DataFolder + name, found case-insensitively when the file exists under another
    // spelling (the files come from a system whose file names ignore case).
    QString file(const QString& name) const;
    // A branch's own database: DataFolder + branch + "Cari.Mdb" / "Stok.Mdb".
    QString accountDatabase(const QString& branch) const
    {
        return file(branch + QStringLiteral("Cari.Mdb"));
    }
    QString stockDatabase(const QString& branch) const
    {
        return file(branch + QStringLiteral("Stok.Mdb"));
    }
    // The company's central account database "01Cari.Mdb".
    QString companyDatabase() const { return file(QStringLiteral("01Cari.Mdb")); }
};

// The settings kept in the "Topkar" settings store, section "Exchange" (keys
// "DataFolder", "OwnBranch", "ExchangeCommand", "CentralStation", "DataSource").
ExchangeSettings storedExchangeSettings();
void storeExchangeCommand(const QString& command);

// The path with its last part replaced by an existing entry of the same folder whose
// name differs only in case; the path itself when there is none.
QString findCaseInsensitive(const QString& path);
