#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;
class QVBoxLayout;

// A captioned group of radio buttons chosen by item index, one column.
class RadioGroup : public QGroupBox
{
    Q_OBJECT

public:
    explicit RadioGroup(QWidget* parent = nullptr);

    void setItems(const QStringList& items);
    QStringList items() const;
    int count() const;
    int itemIndex() const; // -1 when nothing is selected
    void setItemIndex(int index);
    QRadioButton* button(int index) const;

Q_SIGNALS:
    // The selected item changed, by the user or by setItemIndex().
    void clicked();

private:
    QButtonGroup* m_group;
    QVBoxLayout* m_layout;
};
