#pragma once

#include <QTest>

#include <tuple>

// One row of a data-driven test, a value per column, one case to a line: addRow("name", a, b) is
// QTest::newRow("name") << a << b. Text literals fill QString columns.
template <typename... Values> void addRow(const char* name, Values... values) {
    (QTest::newRow(name) << ... << values);
}

// A test's columns declared, and one row's values fetched, in one line each: the types in column order.
template <typename... T, typename... N> void columns(N... names) {
    (QTest::addColumn<T>(names), ...);
}
template <typename... T, typename... N> std::tuple<T...> fetch(N... names) {
    return {*static_cast<T*>(QTest::qData(names, qMetaTypeId<T>()))...};
}
