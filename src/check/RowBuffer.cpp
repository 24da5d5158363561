#include "RowBuffer.h"

#include "store/Connection.h"
#include "store/SqlTranslator.h"

using namespace Qt::StringLiterals;

RowBuffer::RowBuffer(const QList<store::FieldDef>& fields, QObject* parent)
    : store::Dataset(parent), m_connection(store::Connection::scratch()), m_fieldList(fields)
{
    // Untyped columns keep every value with the storage class it was bound with.
    QString create = u"CREATE TABLE \"main\".\"rows\" ("_s;
    QString marks;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i) create += u',', marks += u',';
        create += store::sqlIdentifier(fields[i].name);
        marks += u'?';
    }
    create += u')';
    m_connection->exec(u"PRAGMA synchronous=OFF; PRAGMA journal_mode=OFF;"_s);
    m_connection->exec(create);
    m_insert = std::make_unique<store::Statement>(
        m_connection->prepare(u"INSERT INTO \"main\".\"rows\" VALUES ("_s + marks + u')'));
}

RowBuffer::~RowBuffer()
{
    m_insert.reset();
    if (m_inTransaction && m_connection) m_connection->exec(u"ROLLBACK"_s);
}

void RowBuffer::addRow(const QVariantList& values)
{
    if (isOpen()) throw store::StoreError(u"内部错误: 缓冲的记录已经打开"_s);
    if (!m_inTransaction) {
        m_connection->exec(u"BEGIN"_s);
        m_inTransaction = true;
    }
    for (int i = 0; i < m_fieldList.size(); ++i)
        m_insert->bind(i + 1, i < values.size() ? values[i] : QVariant());
    m_insert->run();
    m_insert->reset();
    ++m_pending;
}

void RowBuffer::open()
{
    if (isOpen()) return;
    m_insert.reset();
    if (m_inTransaction) {
        m_connection->exec(u"COMMIT"_s);
        m_inTransaction = false;
    }
    attach(m_connection, u"\"main\".\"rows\""_s, m_fieldList);
    openRows();
}

QString RowBuffer::displayName() const
{
    return u"校验结果缓冲"_s;
}
