#include "DbNavigator.h"

#include "widgets/DataSource.h"
#include "widgets/Services.h"

#include <QAction>

using namespace Qt::StringLiterals;

DbNavigator::DbNavigator(QWidget* parent)
    : QToolBar(parent)
{
    setObjectName(u"DBNavigator1"_s);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    struct ButtonFace
    {
        const char16_t* text;
        const char16_t* tip;
    };
    static const ButtonFace faces[ButtonCount] = {
        { u"|◀", u"第一条记录" },
        { u"◀", u"上一条记录" },
        { u"▶", u"下一条记录" },
        { u"▶|", u"最后一条记录" },
        { u"＋", u"插入记录" },
        { u"－", u"删除记录" },
        { u"▲", u"修改记录" },
        { u"✔", u"保存修改" },
        { u"✘", u"取消修改" },
        { u"↻", u"刷新数据" },
    };
    for (int b = 0; b < ButtonCount; ++b) {
        QAction* a = addAction(QString::fromUtf16(faces[b].text));
        a->setToolTip(QString::fromUtf16(faces[b].tip));
        a->setObjectName(u"Nav%1"_s.arg(b));
        connect(a, &QAction::triggered, this, [this, b] { click(Button(b)); });
        m_actions[b] = a;
    }
    updateButtons();
}

void DbNavigator::setDataSource(DataSource* source)
{
    if (m_source) disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (source) {
        connect(source, &DataSource::stateChange, this, &DbNavigator::updateButtons);
        connect(source, &DataSource::dataSetChanged, this, &DbNavigator::updateButtons);
        connect(source, &DataSource::currentChanged, this, &DbNavigator::updateButtons);
        connect(source, &DataSource::rowsChanged, this, &DbNavigator::updateButtons);
    }
    updateButtons();
}

void DbNavigator::click(Button button)
{
    guarded([this, button] { run(button); });
    updateButtons();
}

void DbNavigator::run(Button button)
{
    store::Dataset* d = m_source ? m_source->dataSet() : nullptr;
    if (!d || !d->isOpen()) return;
    switch (button) {
    case First:
        d->first();
        break;
    case Prior:
        d->prior();
        break;
    case Next:
        d->next();
        break;
    case Last:
        d->last();
        break;
    case Insert:
        d->append();
        break;
    case Delete:
        if (d->isEmpty() || !services().question(u"删除记录吗？"_s, u"提示"_s)) return;
        d->deleteRecord();
        break;
    case Edit:
        d->edit();
        break;
    case Post:
        d->post();
        break;
    case Cancel:
        d->cancel();
        break;
    case Refresh:
        d->checkBrowseMode();
        d->refresh();
        break;
    case ButtonCount:
        break;
    }
}

void DbNavigator::updateButtons()
{
    const store::Dataset* d = m_source ? m_source->dataSet() : nullptr;
    const bool open = d && d->isOpen();
    const bool editing = open && d->isEditing();
    const bool writable = open && !d->isReadOnly();
    const int row = open ? d->recNo() : 0;
    const int rows = open ? d->recordCount() : 0;
    m_actions[First]->setEnabled(open && !editing && row > 1);
    m_actions[Prior]->setEnabled(open && !editing && row > 1);
    m_actions[Next]->setEnabled(open && !editing && row < rows);
    m_actions[Last]->setEnabled(open && !editing && row < rows);
    // Read-only tables keep Insert, Delete and Edit: pressing them says why nothing changes.
    m_actions[Insert]->setEnabled(open && !editing);
    m_actions[Delete]->setEnabled(open && !editing && rows > 0);
    m_actions[Edit]->setEnabled(open && !editing && rows > 0);
    m_actions[Post]->setEnabled(editing && writable);
    m_actions[Cancel]->setEnabled(editing);
    m_actions[Refresh]->setEnabled(open);
}
