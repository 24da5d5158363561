#pragma once

#include "store/FieldDef.h"

class QLineEdit;

// What a line edit accepts for one field: at most the field's size in GBK bytes for text,
// a number for numeric fields, and the field's input mask when it has one. Shared by the
// edit control and the grid's cell editor, so both refuse the same input.
void applyFieldInput(QLineEdit* edit, const store::FieldDef& field, const QString& editMask);

// The stored-mask notation of the rule tables ("000000;1;_": mask, keep literals, blank
// character) in Qt's input-mask notation.
QString qtInputMask(const QString& editMask);
