#include "RadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

RadioGroup::RadioGroup(QWidget* parent)
    : QGroupBox(parent)
    , m_group(new QButtonGroup(this))
    , m_layout(new QVBoxLayout(this))
{
    connect(m_group, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) Q_EMIT clicked();
    });
}

void RadioGroup::setItems(const QStringList& items)
{
    const QList<QAbstractButton*> old = m_group->buttons();
    for (QAbstractButton* b : old) {
        m_group->removeButton(b);
        delete b;
    }
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        b->setObjectName(objectName() + u'_' + QString::number(i));
        m_group->addButton(b, i);
        m_layout->addWidget(b);
    }
}

QStringList RadioGroup::items() const
{
    QStringList list;
    for (QAbstractButton* b : m_group->buttons())
        list << b->text();
    return list;
}

int RadioGroup::count() const
{
    return int(m_group->buttons().size());
}

int RadioGroup::itemIndex() const
{
    return m_group->checkedId();
}

void RadioGroup::setItemIndex(int index)
{
    if (QAbstractButton* b = m_group->button(index)) {
        b->setChecked(true);
    } else if (QAbstractButton* c = m_group->checkedButton()) {
        m_group->setExclusive(false);
        c->setChecked(false);
        m_group->setExclusive(true);
    }
}

QRadioButton* RadioGroup::button(int index) const
{
    return qobject_cast<QRadioButton*>(m_group->button(index));
}
