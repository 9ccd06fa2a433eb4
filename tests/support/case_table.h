#pragma once

// A test's cases written as a table, one line a case: an array of tuples whose first
// element names the case. addCases() in the _data function makes a data row of each
// case, currentCase() in the test function gives the row's case (for a structured
// binding).

#include <QTest>

#include <iterator>
#include <tuple>

template <typename Cases> void addCases(const Cases& cases)
{
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(cases)); ++i)
        QTest::newRow(std::get<0>(std::data(cases)[i])) << i;
}

template <typename Cases> const auto& currentCase(const Cases& cases)
{
    QFETCH(int, row);
    return std::data(cases)[row];
}
