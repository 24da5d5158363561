#pragma once

#include "EntryForm.h"

// The national-project return (report kind 4): one row per project in gjxm.db. The projects
// issued from above arrive as gjxm_s.dbf and are loaded into an empty table; `IS_CHGE`
// tells a listed project not yet entered (null) from an entered one ("1") and from one
// added here ("2").
class TF_gjxm : public EntryForm
{
    Q_OBJECT

public:
    explicit TF_gjxm(QWidget* parent = nullptr);

    // While on, a store leaves `IS_CHGE` as it is.
    bool KeepChangeMark = false;

    DbEdit* editOf(const QString& field) const;

    static QString listStateText(const QVariant& isChge);

protected:
    void tablesOpened() override;
    void stampMaster() override;
    QString statusText() override;
    void insertRow() override;
    void deleteRow() override;
    bool takeMergeRow(store::Dataset& source) override;

private:
    void clearListedRow();
    void followListState();

    QList<DbEdit*> m_edits;
    bool m_takeUnentered = false; // the issued list brings every row; "数据追加" entered ones only
};

extern TF_gjxm* F_gjxm;
