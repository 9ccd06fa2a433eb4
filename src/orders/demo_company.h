#pragma once

#include <QString>

// Fills the database files of a data folder with a made-up fabric company: about 300
// customer cards, 200 fabric cards and 2,000 orders with 20,000 rolls, with Turkish
// names. Files that already hold orders are left alone. The same data every time. An
// installation without an operator list gets the demo's three operators.
bool fillDemoCompany(const QString& dataFolder, QString* error = nullptr);
