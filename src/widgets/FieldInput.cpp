#include "FieldInput.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QValidator>

using namespace Qt::StringLiterals;

namespace {

// Text fields count GBK bytes, not characters: a Chinese character takes two of them.
class GbkLengthValidator : public QValidator
{
public:
    GbkLengthValidator(int bytes, QObject* parent) : QValidator(parent), m_bytes(bytes) { }

    State validate(QString& input, int&) const override
    {
        return store::gbkLength(input) <= m_bytes ? Acceptable : Invalid;
    }

private:
    int m_bytes;
};

} // namespace

QString qtInputMask(const QString& editMask)
{
    if (editMask.isEmpty()) return {};
    const QStringList parts = editMask.split(u';');
    const QString mask = parts.value(0);
    const QString blank = parts.size() > 2 && !parts[2].isEmpty() ? parts[2].left(1) : u"_"_s;
    // The stored notation names its classes differently: 0 is a required digit, 9 an
    // optional one, A/a letters or digits, L/l letters, C/c any character.
    QString out;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const QChar c = mask[i];
        switch (c.unicode()) {
        case '0': out += u'9'; break;
        case '9': out += u'0'; break;
        case 'A': out += u'N'; break;
        case 'a': out += u'n'; break;
        case 'L': out += u'A'; break;
        case 'l': out += u'a'; break;
        case 'C': out += u'X'; break;
        case 'c': out += u'x'; break;
        case '#': out += u'#'; break;
        case '>':
        case '<':
        case '!': out += c == u'!' ? QString() : QString(c); break;
        case '\\':
            out += u'\\';
            if (i + 1 < mask.size()) out += mask[++i];
            break;
        default:
            // Qt reads these as mask classes; the stored notation means them literally.
            if (QStringView(u"9NnXxHhBbDd#<>!{}[]").contains(c) || c.isLetter()) out += u'\\';
            out += c;
        }
    }
    return out + u';' + blank;
}

void applyFieldInput(QLineEdit* edit, const store::FieldDef& field, const QString& editMask)
{
    edit->setInputMask(qtInputMask(editMask));
    edit->setMaxLength(32767);
    QValidator* validator = nullptr;
    switch (field.type) {
    case store::FieldType::Text:
        if (field.size > 0) {
            edit->setMaxLength(field.size);
            validator = new GbkLengthValidator(field.size, edit);
        }
        break;
    case store::FieldType::SmallInt:
    case store::FieldType::Integer:
        validator = new QRegularExpressionValidator(QRegularExpression(u"-?[0-9]*"_s), edit);
        break;
    case store::FieldType::Float:
        validator = new QRegularExpressionValidator(QRegularExpression(u"-?[0-9]*\\.?[0-9]*([eE][-+]?[0-9]*)?"_s), edit);
        break;
    case store::FieldType::Date:
        validator = new QRegularExpressionValidator(QRegularExpression(u"[0-9]{0,4}-?[0-9]{0,2}-?[0-9]{0,2}"_s), edit);
        break;
    default:
        break;
    }
    const QValidator* old = edit->validator();
    edit->setValidator(validator);
    if (old && old->parent() == edit) delete old;
}
