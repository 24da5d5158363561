#include "FieldPage.h"

#include "widgets/DbEdit.h"
#include "widgets/DbMemo.h"
#include "widgets/ScrollPage.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QString text(const char16_t* s)
{
    return s ? QString::fromUtf16(s) : QString();
}

} // namespace

void addFieldRows(QWidget* container, const FormItem* items, DataSource* source, int columns,
    QList<DbEdit*>& edits, int maxChars)
{
    auto* grid = qobject_cast<QGridLayout*>(container->layout());
    if (!grid) grid = new QGridLayout(container);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    // Each column is caption, field and note; the last grid column takes the slack.
    const int span = 3;
    int row = grid->rowCount();
    // Rows added before ended with a stretching row; the slack belongs below these.
    for (int r = 0; r < row; ++r)
        grid->setRowStretch(r, 0);
    int col = 0;
    auto newRow = [&] {
        if (col != 0) {
            ++row;
            col = 0;
        }
    };
    for (const FormItem* it = items; it->kind != FormItem::End; ++it) {
        switch (it->kind) {
        case FormItem::Section: {
            newRow();
            auto* heading = new QLabel(text(it->text), container);
            QFont f = heading->font();
            f.setBold(true);
            heading->setFont(f);
            grid->addWidget(heading, row++, 0, 1, span * columns);
            break;
        }
        case FormItem::Field: {
            auto* label = new QLabel(text(it->caption), container);
            // Long captions wrap, so that the code lists beside the fields stay in view.
            if (label->text().contains(u'\n')) {
                // A caption set in lines keeps them; its row grows to hold them.
                label->setMinimumHeight(
                    label->fontMetrics().lineSpacing() * int(label->text().count(u'\n') + 1) + 8);
            } else if (label->text().size() > 14) {
                label->setWordWrap(true);
                label->setMaximumWidth(label->fontMetrics().horizontalAdvance(QString(14, QChar(0x4E00))));
            }
            label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            auto* edit = new DbEdit(container);
            edit->setObjectName(text(it->text));
            edit->setDataSource(source);
            edit->setAutoWidth(true, maxChars > 0 ? maxChars : columns == 1 ? 24 : 14);
            edit->setDataField(text(it->text));
            label->setBuddy(edit);
            grid->addWidget(label, row, col * span, Qt::AlignRight | Qt::AlignVCenter);
            grid->addWidget(edit, row, col * span + 1, Qt::AlignLeft | Qt::AlignVCenter);
            edits.append(edit);
            if (++col >= columns) {
                col = 0;
                ++row;
            }
            break;
        }
        case FormItem::Note: {
            // Beside the field just placed (one column), or on a line of its own.
            auto* note = new QLabel(text(it->text), container);
            note->setFrameShape(QFrame::StyledPanel);
            note->setFrameShadow(QFrame::Sunken);
            note->setTextInteractionFlags(Qt::TextSelectableByMouse);
            note->setContentsMargins(4, 2, 4, 2);
            if (columns == 1 && col == 0 && row > 0) {
                grid->addWidget(note, row - 1, 2, Qt::AlignLeft | Qt::AlignVCenter);
            } else {
                newRow();
                grid->addWidget(note, row++, 1, 1, span * columns - 1, Qt::AlignLeft);
            }
            break;
        }
        case FormItem::Title: {
            newRow();
            auto* title = new QLabel(text(it->text), container);
            QFont f = title->font();
            f.setPointSizeF(f.pointSizeF() * 1.4);
            f.setBold(true);
            title->setFont(f);
            title->setAlignment(Qt::AlignCenter);
            grid->addWidget(title, row++, 0, 1, span * columns);
            break;
        }
        case FormItem::Break:
            newRow();
            break;
        case FormItem::Memo: {
            newRow();
            auto* label = new QLabel(text(it->caption), container);
            auto* memo = new DbMemo(container);
            memo->setObjectName(text(it->text));
            memo->setDataSource(source);
            memo->setDataField(text(it->text));
            memo->setFixedHeight(memo->fontMetrics().lineSpacing() * 4 + 12);
            label->setBuddy(memo);
            grid->addWidget(label, row, 0, Qt::AlignRight | Qt::AlignTop);
            grid->addWidget(memo, row++, 1, 1, span * columns - 1);
            break;
        }
        case FormItem::End:
            break;
        }
    }
    newRow();
    grid->setColumnStretch(span * columns - 1, 1);
    grid->setRowStretch(row, 1);
}

QWidget* buildFieldPage(
    const FormItem* items, DataSource* source, int columns, QList<DbEdit*>& edits, QWidget* parent)
{
    auto* area = new ScrollPage(parent);
    auto* inner = new QWidget;
    addFieldRows(inner, items, source, columns, edits);
    area->setWidget(inner);
    return area;
}

QLabel* formTitle(const QString& text, int points, bool bold, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont f = label->font();
    f.setPointSizeF(points);
    f.setBold(bold);
    label->setFont(f);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

DbEdit* findEdit(const QList<DbEdit*>& edits, const QString& field)
{
    for (DbEdit* e : edits)
        if (e->dataField().compare(field, Qt::CaseInsensitive) == 0) return e;
    return nullptr;
}

QWidget* scrollingPage(QWidget* content, QWidget* parent)
{
    auto* area = new ScrollPage(parent);
    area->setWidget(content);
    return area;
}
