#pragma once

#include <QList>
#include <QString>

class DataSource;
class DbEdit;
class QLabel;
class QWidget;

// One line of a paper form laid out on an entry page: a title, a section heading, a field
// with the caption before it, a code-list note shown beside the field above it, the end
// of a line of fields, or a memo box on a line of its own.
struct FormItem
{
    enum Kind { End, Section, Field, Note, Title, Break, Memo };
    Kind kind;
    const char16_t* text; // title, heading, field name or note lines ('\n' between lines)
    const char16_t* caption; // fields and memos; '\n' breaks a caption into lines
};

// Builds a scrolling page of the items (up to the End item), in one or two columns of
// caption/field pairs, with edit controls bound to `source`. The controls are appended to
// `edits` in tab order.
QWidget* buildFieldPage(
    const FormItem* items, DataSource* source, int columns, QList<DbEdit*>& edits, QWidget* parent = nullptr);

// The same lines added to an existing grid layout's widget (for pages with a fixed head).
// `maxChars` caps the width of the edit controls (0: by the number of columns). Memo boxes
// (DbMemo) are named after their field and not added to `edits`.
void addFieldRows(QWidget* container, const FormItem* items, DataSource* source, int columns,
    QList<DbEdit*>& edits, int maxChars = 0);

// A centred title line of a paper form.
QLabel* formTitle(const QString& text, int points, bool bold, QWidget* parent);

// The edit control of `field` among `edits` (case-insensitive), or null.
DbEdit* findEdit(const QList<DbEdit*>& edits, const QString& field);

// A page that scrolls `content`, as buildFieldPage's pages do.
QWidget* scrollingPage(QWidget* content, QWidget* parent = nullptr);
