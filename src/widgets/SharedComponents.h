#pragma once

#include "FileDialog.h"
#include "store/Query.h"
#include "store/Table.h"

#include <QObject>

// The engine connection of the main window. The store opens every table file by itself;
// this object stands for the one session through which tables are packed.
class Database : public QObject
{
    Q_OBJECT

public:
    explicit Database(QObject* parent = nullptr);

    QString driverName = QStringLiteral("STANDARD");
    QString databaseName = QStringLiteral(".");

    void open();
    void close();
    bool isConnected() const { return m_connected; }

    // Removes the space of deleted rows from a closed table file.
    void packTable(const QString& tableName);

private:
    bool m_connected = false;
};

// The scratch objects the main window lends to the other windows: a connection, a query,
// two tables and the open and save dialogs. There is one per process, reached through
// sharedComponents(); whoever creates it (the main window, or a test) owns it.
class SharedComponents : public QObject
{
    Q_OBJECT

public:
    explicit SharedComponents(QObject* parent = nullptr);
    ~SharedComponents() override;

    Database Database1;
    store::Query Query1;
    store::Table Table1;
    store::Table Table2;
    FileDialog OpenDialog1 { FileDialog::Mode::Open };
    FileDialog SaveDialog1 { FileDialog::Mode::Save };

    static SharedComponents* instance();
};

// The process-wide shared components; they must exist (the main window made them).
SharedComponents& sharedComponents();
