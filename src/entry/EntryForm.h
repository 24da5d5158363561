#pragma once

#include "EntryOps.h"
#include "store/Table.h"
#include "widgets/DataSource.h"
#include "widgets/DbGrid.h"

#include <QDialog>

#include <memory>
#include <vector>

class DbEdit;
class DbStatusBar;
class QComboBox;
class QLabel;
class QTabWidget;
class QToolButton;
class QVBoxLayout;

// One table of an entry window and the texts that go with it.
struct EntryTable
{
    QString file; // "kfq_1.db"
    QString ruleTable; // "kfq1_chk"; empty: no rules
    QString keyField; // the report number in this table
    QString subKeyField; // detail tables: the row's number within its return
    QString counterField; // "qa_one"
    // Master: the key index for locating and merging ("kfq_1"). Detail: its current index.
    QString index;
    QString errorPrefix; // "企业数据错误:"
    QString duplicateMessage; // "Key violation." becomes this
    QList<QPair<QString, QString>> indexMessages; // message containing first → second
    QString emptySubKeyMessage; // details
    QString emptyMasterMessage; // details
    // Detail page: caption and the two grids' columns.
    QString pageTitle;
    QList<DbGrid::Column> grid1;
    QList<DbGrid::Column> grid2;
    // "数据追加": the open dialog's title and the emptying question.
    QString mergeTitle;
    QString emptyQuestion;
};

// What tells one entry window from another: its tables, texts and status line.
struct EntryDefinition
{
    EntryTable master;
    QList<EntryTable> details;
    QString sentMarkerSql; // run once per opening, at the first store
    entry::StatusForm statusForm = entry::StatusForm::Full;
    QString locateDialog; // window class shown by a status-bar double click
    QString reportNumberCaption = QStringLiteral("报表编号");
    QString missingNumberMessage = QStringLiteral("请先填入企业报表编号");
    QString bulkSuffix = QStringLiteral(",请退出系统查检查重复记录");
    bool hasUploadImport = false; // "数据入库" does something
};

// The mechanics every report entry window shares: opening and closing its tables with
// their rules, a master with detail tables in step, the toolbar, the status line, the
// stamping of stored rows, the rewriting of store errors, the report-number cascade,
// merging outside tables and locating a record on request. A report window declares its
// tables and builds its master pages; the rest is here.
class EntryForm : public QDialog
{
    Q_OBJECT

public:
    struct Detail
    {
        EntryTable def;
        std::unique_ptr<store::Table> table;
        std::unique_ptr<DataSource> source;
        QWidget* page = nullptr;
        DbGrid* grid1 = nullptr;
        DbGrid* grid2 = nullptr;
        QComboBox* list = nullptr; // "当前企业记录" / "所有企业记录"
    };

    EntryForm(EntryDefinition def, QWidget* parent = nullptr);
    ~EntryForm() override;

    const EntryDefinition& def() const { return m_def; }

    // Controls, by the names the handlers use.
    store::Table Table1;
    DataSource DataSource1;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr; // cover
    QLabel* coverLabel = nullptr; // "报表编号" before the report-number control
    DbEdit* coverNumber = nullptr;
    QComboBox* ComboBox1 = nullptr; // "校验开启" / "校验关闭"
    DbStatusBar* StatusBar1 = nullptr;
    QToolButton* button(const QString& caption) const; // toolbar button by its caption

    int detailCount() const { return int(m_details.size()); }
    Detail& detail(int i) { return *m_details[size_t(i)]; }
    store::Table& detailTable(int i) { return *m_details[size_t(i)]->table; }

    // Per-window state.
    store::Table* ActiveTable = nullptr;
    DataSource* ActiveSource = nullptr;
    bool BulkMode = false;
    bool CheckOn = true;
    QString CurKey;

    // Handlers (public so that tests and other windows can drive them).
    void FormActivate();
    bool FormClose(); // false when a pending row could not be stored: the window stays
    void PageControl1Change();
    void StatusBar1DblClick();
    void ComboBox1Change();
    void detailListChange(int detail);
    void priorClick();
    void nextClick();
    void firstClick();
    void lastClick();
    void insertClick();
    void deleteClick();
    void saveClick();
    void cancelClick();
    void ToolButton9Click(); // "数据追加"
    virtual void ToolButton11Click(); // "数据入库"

    // Framework operations.
    void saveRecord(store::Table& table);
    [[noreturn]] void rejectPost(const QString& message);
    void updateStatusLine();
    void syncPage();
    void collapseWhenEmpty();
    void cascadeKeyChange();
    void mergeFromFile(store::Table& target, store::Table& source);
    bool isCollapsed() const { return m_collapsed; }
    bool isMasterPage(int index) const;
    int detailOfPage(int index) const; // -1 for a master page
    QWidget* pageOf(const QString& title) const;

protected:
    // Report windows build their pages with these, in page order, after the cover.
    QVBoxLayout* coverLayout() const { return m_coverLayout; }
    QWidget* addMasterPage(const QString& title, QWidget* content);
    void addDetailPage(int detail);

    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void done(int result) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    QString reportNumberOf(store::Table& table) const;
    void runSentMarker();
    void setActive(store::Table* table, DataSource* source);
    void linkDetail(int detail, bool linked);

private:
    void buildFrame();
    void installHooks();
    void openTables();
    void locateOnOpen();
    void masterStateChange();
    void detailStateChange(int detail);
    void masterBeforePost();
    void detailBeforePost(int detail);
    void postError(const EntryTable& def, store::StoreError& error, store::Table& table);
    bool handleEnter(QWidget* focus);
    void setCoverNumberEditable(bool editable);

    EntryDefinition m_def;
    std::vector<std::unique_ptr<Detail>> m_details;
    QVBoxLayout* m_coverLayout = nullptr;
    QList<QToolButton*> m_buttons;
    bool m_collapsed = false;
    bool m_closing = false;
    bool m_filterInstalled = false;
    QList<QWidget*> m_pages; // every page, in order, hidden or not
    QStringList m_pageTitles;
};
