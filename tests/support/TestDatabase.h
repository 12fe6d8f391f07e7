// The embedded test database: a temporary SQLite file opened as the
// application's connection, with the application schema in a second file
// attached as QDAT. Removed with the object.
#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>

namespace tovlet::test {

class TTestDatabase
{
public:
    // seedDemoData: also loads the demo clinic's rows.
    explicit TTestDatabase(bool seedDemoData = false, const QString &connectionName = QStringLiteral("_ZDR"));
    ~TTestDatabase();
    TTestDatabase(const TTestDatabase &) = delete;
    TTestDatabase &operator=(const TTestDatabase &) = delete;

    QSqlDatabase Database() const;
    QString ConnectionName() const { return FConnectionName; }
    QString Directory() const { return FDir.path(); }
    // Runs a script (statements separated by ";"); raises on error.
    void Exec(const QString &script) const;
    // The first column of the first row of a query.
    QVariant Scalar(const QString &sql) const;

private:
    QTemporaryDir FDir;
    QString FConnectionName;
};

} // namespace tovlet::test
