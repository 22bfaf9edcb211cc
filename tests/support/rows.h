#pragma once

#include <QTest>

// One row of a data-driven test, a value per column, one case to a line: addRow("name", a, b) is
// QTest::newRow("name") << a << b. Text literals fill QString columns.
template <typename... Values> void addRow(const char* name, Values... values) {
    (QTest::newRow(name) << ... << values);
}
