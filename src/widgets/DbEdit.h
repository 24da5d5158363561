#pragma once

#include <QLineEdit>
#include <QPointer>

#include "DataSource.h"

// An edit control bound to one field of a data source's current row. Typing puts the
// dataset into edit state (into insert state on a table without rows); what is typed goes
// into the row at once, so a store from anywhere takes it.
class DbEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit DbEdit(QWidget* parent = nullptr);

    void setDataSource(DataSource* source);
    DataSource* dataSource() const { return m_source; }
    void setDataField(const QString& field);
    const QString& dataField() const { return m_field; }
    // Read-only controls show the field but never start an edit.
    void setReadOnlyField(bool readOnly) { setReadOnly(readOnly); }

    // Sizes the control to the field once the field is known (on by default), up to
    // `maxChars` characters; longer texts scroll inside the control.
    void setAutoWidth(bool on, int maxChars = 48)
    {
        m_autoWidth = on;
        m_maxChars = maxChars;
    }

    // Shows the field's current value again (and takes its size and mask anew).
    void reload();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void bind();
    void userEdited(const QString& text);
    void fieldChanged(int field);
    int fieldIndex() const;
    int typingStart() const;

    QPointer<DataSource> m_source;
    QString m_field;
    QList<QMetaObject::Connection> m_connections;
    QString m_appliedMask;
    int m_appliedField = -2;
    bool m_writing = false;
    bool m_autoWidth = true;
    int m_maxChars = 48;
};
