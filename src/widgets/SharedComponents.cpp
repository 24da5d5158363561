#include "SharedComponents.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace {

SharedComponents* current = nullptr;

} // namespace

Database::Database(QObject* parent)
    : QObject(parent)
{
}

void Database::open()
{
    if (!QDir(databaseName).exists())
        throw store::StoreError(u"无法打开数据库目录: %1"_s.arg(QDir::toNativeSeparators(databaseName)));
    m_connected = true;
}

void Database::close()
{
    m_connected = false;
}

void Database::packTable(const QString& tableName)
{
    store::Table::packTable(tableName);
}

SharedComponents::SharedComponents(QObject* parent)
    : QObject(parent)
{
    Database1.setObjectName(u"Database1"_s);
    Query1.setObjectName(u"Query1"_s);
    Table1.setObjectName(u"Table1"_s);
    Table2.setObjectName(u"Table2"_s);

    OpenDialog1.filters = { { u"*.db;*.dbf"_s, { u"*.db"_s, u"*.dbf"_s } } };
    SaveDialog1.defaultExtension = u"db"_s;
    SaveDialog1.filters
        = { { u"*.db"_s, { u"*.db"_s } }, { u"*.dbf"_s, { u"*.dbf"_s } }, { u"*.txt"_s, { u"*.txt"_s } } };

    if (!current) current = this;
}

SharedComponents::~SharedComponents()
{
    if (current == this) current = nullptr;
}

SharedComponents* SharedComponents::instance()
{
    return current;
}

SharedComponents& sharedComponents()
{
    Q_ASSERT_X(current, "sharedComponents", "no main window");
    return *current;
}
