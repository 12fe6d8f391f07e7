// The test database, opened as the application's connection through the
// persistence layer. By default an embedded SQLite file in a temporary
// folder with the application schema in a second file attached as QDAT;
// with TOVLET_TEST_DB=postgres a fresh database on the test PostgreSQL server
// (TOVLET_PG_PORT on 127.0.0.1). Either way it is removed with the object.
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

    static bool UsePostgres();
    QSqlDatabase Database() const;
    QString ConnectionName() const { return FConnectionName; }
    QString Directory() const { return FDir.path(); }
    // Another connection to the same database, as a second workstation (or
    // another program) has it: plain Qt SQL, QDAT reachable by name. Closed
    // with CloseSecondConnection or with the fixture.
    QSqlDatabase OpenSecondConnection(const QString &name = QStringLiteral("workstation_b")) const;
    static void CloseSecondConnection(const QString &name = QStringLiteral("workstation_b"));
    // Runs a script (statements separated by ";"); raises on error.
    void Exec(const QString &script) const;
    // The first column of the first row of a query.
    QVariant Scalar(const QString &sql) const;

private:
    QTemporaryDir FDir;
    QString FConnectionName;
    QString FPgDatabase;
};

} // namespace tovlet::test
