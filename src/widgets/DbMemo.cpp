#include "DbMemo.h"

#include "Services.h"

#include <QKeyEvent>

DbMemo::DbMemo(QWidget* parent)
    : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] { guarded([this] { userEdited(); }); });
}

void DbMemo::setDataSource(DataSource* source)
{
    if (source == m_source) return;
    m_source = source;
    bind();
}

void DbMemo::setDataField(const QString& field)
{
    m_field = field;
    reload();
}

void DbMemo::bind()
{
    for (const auto& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    if (m_source) {
        m_connections = {
            connect(m_source, &DataSource::dataSetChanged, this, &DbMemo::reload),
            connect(m_source, &DataSource::stateChange, this, &DbMemo::reload),
            connect(m_source, &DataSource::currentChanged, this, &DbMemo::reload),
            connect(m_source, &DataSource::rowsChanged, this, &DbMemo::reload),
            connect(m_source, &DataSource::rowChanged, this, &DbMemo::reload),
            connect(m_source, &DataSource::fieldChanged, this,
                [this](int field) {
                    if (field == fieldIndex()) reload();
                }),
        };
    }
    reload();
}

int DbMemo::fieldIndex() const
{
    return m_source ? m_source->fieldIndex(m_field) : -1;
}

void DbMemo::reload()
{
    if (m_writing) return;
    const int index = fieldIndex();
    store::Dataset* ds = index >= 0 ? m_source->dataSet() : nullptr;
    setEnabled(ds != nullptr || !m_source);
    const QString text = ds && (!ds->isEmpty() || ds->isEditing()) ? ds->value(index).toString() : QString();
    if (text != toPlainText()) {
        const bool blocked = blockSignals(true);
        setPlainText(text);
        blockSignals(blocked);
    }
}

void DbMemo::userEdited()
{
    const int index = fieldIndex();
    if (index < 0 || isReadOnly()) return;
    store::Dataset* ds = m_source->dataSet();
    const QString text = toPlainText();
    m_writing = true;
    struct Done
    {
        DbMemo* m;
        ~Done() { m->m_writing = false; }
    } done { this };
    if (!ds->isEditing()) {
        try {
            ds->edit();
        } catch (...) {
            m_writing = false;
            reload();
            throw;
        }
        if (!ds->isEditing()) {
            m_writing = false;
            reload();
            return;
        }
    }
    ds->setValue(index, text);
}

void DbMemo::keyPressEvent(QKeyEvent* event)
{
    // Escape gives the row's stored values back, as in the edit boxes.
    if (event->key() == Qt::Key_Escape && m_source && m_source->isEditing()) {
        guarded([this] { m_source->dataSet()->cancel(); });
        reload();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}
