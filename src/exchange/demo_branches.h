#pragma once

#include <QString>

// Demo data for trying the exchange: a branch station "02" and the central station,
// each in a folder of its own, with cards and pending movements carrying Turkish
// texts and decimal amounts. Also used by the benchmarks to fill a branch.
namespace demobranches {

// Makes folder/sube02 (the branch station of branch 02) and folder/merkez (the
// central station, holding the company database and its copy of branch 02), each
// with its Sube.txt. Existing files are kept; their tables are filled again only
// when empty.
bool make(const QString& folder, int movements, QString* error = nullptr);

// Gives a branch (files DataFolder + branch + "Cari.Mdb"/"Stok.Mdb", made when
// missing) its account and stock cards when it has none: customers, fabrics, the
// cash account "=100", the tax account "=110" and the headquarters' account "Merkez".
bool addCards(const QString& dataFolder, const QString& branch, QString* error = nullptr);

// Adds pending sales to a branch: each sale is one stock movement and one account
// movement of the same id (ids from firstId on); every tenth account movement is an
// invoice (Nerde "FI"). All rows in one transaction per file.
bool addSales(const QString& dataFolder, const QString& branch, int count, int firstId,
              QString* error = nullptr);

} // namespace demobranches
