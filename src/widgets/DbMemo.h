#pragma once

#include <QPlainTextEdit>
#include <QPointer>

#include "DataSource.h"

// A multi-line box bound to a memo field of a data source's current row. Typing puts the
// dataset into edit state, as in DbEdit; what is typed goes into the row at once.
class DbMemo : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit DbMemo(QWidget* parent = nullptr);

    void setDataSource(DataSource* source);
    DataSource* dataSource() const { return m_source; }
    void setDataField(const QString& field);
    const QString& dataField() const { return m_field; }

    // Shows the field's current value again.
    void reload();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void bind();
    void userEdited();
    int fieldIndex() const;

    QPointer<DataSource> m_source;
    QString m_field;
    QList<QMetaObject::Connection> m_connections;
    bool m_writing = false;
};
