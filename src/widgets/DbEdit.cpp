#include "DbEdit.h"

#include "DataSource.h"
#include "FieldInput.h"
#include "Services.h"

#include <QDate>
#include <QKeyEvent>

using namespace Qt::StringLiterals;

DbEdit::DbEdit(QWidget* parent)
    : QLineEdit(parent)
{
    connect(this, &QLineEdit::textEdited, this,
        [this](const QString& text) { guarded([this, &text] { userEdited(text); }); });
}

void DbEdit::setDataSource(DataSource* source)
{
    if (source == m_source) return;
    m_source = source;
    bind();
}

void DbEdit::setDataField(const QString& field)
{
    m_field = field;
    m_appliedField = -2;
    reload();
}

void DbEdit::bind()
{
    for (const auto& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    if (m_source) {
        m_connections = {
            connect(m_source, &DataSource::dataSetChanged, this,
                [this] {
                    m_appliedField = -2;
                    reload();
                }),
            connect(m_source, &DataSource::stateChange, this, &DbEdit::reload),
            connect(m_source, &DataSource::currentChanged, this, &DbEdit::reload),
            connect(m_source, &DataSource::rowsChanged, this, &DbEdit::reload),
            connect(m_source, &DataSource::rowChanged, this, &DbEdit::reload),
            connect(m_source, &DataSource::fieldChanged, this, &DbEdit::fieldChanged),
        };
    }
    m_appliedField = -2;
    reload();
}

int DbEdit::fieldIndex() const
{
    return m_source ? m_source->fieldIndex(m_field) : -1;
}

void DbEdit::reload()
{
    if (m_writing) return;
    const int index = fieldIndex();
    store::Dataset* ds = index >= 0 ? m_source->dataSet() : nullptr;
    const QString mask = ds ? ds->editMask(index) : QString();
    if (index != m_appliedField || mask != m_appliedMask) {
        m_appliedField = index;
        m_appliedMask = mask;
        if (ds) {
            const store::FieldDef& def = ds->fieldDefs().at(index);
            applyFieldInput(this, def, mask);
            if (m_autoWidth) {
                // Wide enough for what the field holds, but no wider than a form line.
                const int chars = def.type == store::FieldType::Text ? qBound(2, def.size, m_maxChars)
                    : def.type == store::FieldType::Date             ? 10
                                                                     : 14;
                setFixedWidth(fontMetrics().horizontalAdvance(QString(chars, u'0')) + 14);
            }
        } else {
            setInputMask({});
        }
    }
    setEnabled(ds != nullptr || !m_source);
    const QString text
        = ds && (!ds->isEmpty() || ds->isEditing()) ? store::displayText(ds->value(index)) : QString();
    if (text != this->text()) {
        const bool blocked = blockSignals(true);
        setText(text);
        blockSignals(blocked);
        // setText leaves the cursor behind the mask's blanks, where typing is dropped.
        if (hasFocus() && !inputMask().isEmpty()) setCursorPosition(typingStart());
    }
}

void DbEdit::fieldChanged(int field)
{
    if (field == fieldIndex()) reload();
}

void DbEdit::userEdited(const QString& typed)
{
    const int index = fieldIndex();
    if (index < 0 || isReadOnly()) return;
    store::Dataset* ds = m_source->dataSet();
    // Starting the edit may be refused (a handler aborts it); the control then shows the
    // row as it is again.
    const QString text = typed;
    if (!ds->isEditing()) {
        // The control keeps what was typed while the row goes into edit state.
        m_writing = true;
        try {
            ds->edit();
        } catch (...) {
            m_writing = false;
            reload();
            throw;
        }
        m_writing = false;
        if (!ds->isEditing()) {
            reload();
            return;
        }
    }
    const QString value
        = hasAcceptableInput() || inputMask().isEmpty() ? text : QString(text).remove(QLatin1Char(' '));
    m_writing = true;
    try {
        const store::FieldDef& def = ds->fieldDefs().at(index);
        if (def.type == store::FieldType::Date && !value.isEmpty()) {
            // A date is stored once it is complete; until then the row keeps its old value.
            const QDate date = QDate::fromString(value, Qt::ISODate);
            if (date.isValid()) ds->setValue(index, date);
        } else if (store::isNumeric(def.type) && (value == u"-"_s || value == u"."_s)) {
            ds->setValue(index, QVariant());
        } else {
            ds->setValue(index, value);
        }
    } catch (...) {
        m_writing = false;
        throw;
    }
    m_writing = false;
}

void DbEdit::keyPressEvent(QKeyEvent* event)
{
    // Escape gives the row's stored values back, as in every grid of the program.
    if (event->key() == Qt::Key_Escape && m_source && m_source->isEditing()) {
        guarded([this] { m_source->dataSet()->cancel(); });
        reload();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

// Where typing goes in a masked field: the first blank, or the start when there is none.
int DbEdit::typingStart() const
{
    const QString mask = inputMask();
    const qsizetype semicolon = mask.lastIndexOf(u';');
    const QChar blank = semicolon >= 0 && semicolon + 1 < mask.size() ? mask[semicolon + 1] : u' ';
    const qsizetype at = displayText().indexOf(blank);
    return at < 0 ? 0 : int(at);
}

void DbEdit::mousePressEvent(QMouseEvent* event)
{
    QLineEdit::mousePressEvent(event);
    // A click into the blanks of a masked field starts typing after what is there, not
    // where the pointer happened to be: digits typed into the middle would be lost.
    if (!inputMask().isEmpty() && cursorPosition() > typingStart()) setCursorPosition(typingStart());
}

void DbEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    // Whatever brought the focus (a new row, Enter, Tab, code), a masked field takes typing
    // from its first blank; Qt does so for Tab alone and leaves the cursor behind the blanks.
    if (!inputMask().isEmpty() && event->reason() != Qt::MouseFocusReason) setCursorPosition(typingStart());
}
