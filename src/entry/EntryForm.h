#pragma once

#include "EntryOps.h"
#include "store/Table.h"
#include "widgets/DataSource.h"
#include "widgets/DbGrid.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <vector>

class DbEdit;
class DbStatusBar;
class QComboBox;
class QLabel;
class QTabWidget;
class QToolButton;
class QVBoxLayout;

namespace entry {

// The toolbar's buttons; a window declares which it has, in order.
enum class Action { Prior, Next, First, Last, Insert, Delete, Save, Cancel, Upload, Merge, Close };

QString actionCaption(Action action);

// How a detail table is shown on its page.
enum class DetailView {
    TwoGrids, // two grids splitting the columns and the "当前企业记录"/"所有企业记录" list
    OneGrid, // one grid filling the page
    Form, // edit boxes the window lays out
};

// How a row identifier is built: report number, separator, sub-key.
struct IdRule
{
    QString keyed = QStringLiteral("_"); // keying in
    QString merged = QStringLiteral("_"); // "数据追加" and upload merges
    QString cascaded = QStringLiteral("_"); // report-number cascade
};

} // namespace entry

// One table of an entry window and the texts that go with it.
struct EntryTable
{
    QString file; // "kfq_1.db"
    QString ruleTable; // "kfq1_chk"; empty: no rules
    QString keyField; // the report number in this table
    QString subKeyField; // detail tables: the row's number within its return
    QString counterField; // "qa_one"; empty: none
    QString idField = QStringLiteral("id"); // empty: the table has no row identifier
    entry::IdRule idRule; // details
    // Master: the key index for locating and merging ("kfq_1"). Detail: its current index.
    QString index;
    QString errorPrefix; // "企业数据错误:"
    QString duplicateMessage; // "Key violation." becomes this
    QList<QPair<QString, QString>> indexMessages; // message containing first → second
    QString emptySubKeyMessage; // details
    QString emptyMasterMessage; // details
    // Detail page: caption, how it shows the rows, and the grids' columns.
    QString pageTitle;
    entry::DetailView view = entry::DetailView::TwoGrids;
    QList<DbGrid::Column> grid1;
    QList<DbGrid::Column> grid2;
    // "数据追加": the open dialog's title and the emptying question.
    QString mergeTitle;
    QString emptyQuestion;
};

// The ways the windows of the family differ mechanically; the defaults are the
// zone-enterprise window's.
struct EntryPolicy
{
    enum class Suspend { Always, WhenCheckOn };
    Suspend mergeSuspends = Suspend::Always; // constraints during "数据追加"
    bool clearPxhOnMerge = true; // false: `pxh` keeps what the source brought
    bool pxhLeadsId = true; // a kept `pxh` leads the merged row's `id`
    bool collapseWhenEmpty = true; // an empty master hides every page but the first
    bool pageSwitchesButtons = true; // "插入记录"/"数据追加" only on the cover (and current-rows details)
    bool cancelBeforeDelete = true; // false: a row being inserted is only discarded
    bool readOnlyLabel = true; // the number's label reads "(只读)" while a detail row is edited
    QString orderAfterLocate; // field list the master is ordered by after a located opening; empty: `id`
    QString orderAfterMerge; // the same after a merge into the master
    int locateDetail = -1; // detail positioned by LocateValue2; -1: the second value is not used
    QString bulkSuffix = QStringLiteral(",请退出系统查检查重复记录"); // master errors in a merge; empty: none
    bool packOnClose = true; // false: closing never packs, whatever was deleted
    bool cancelAsks = true; // false: "取消修改" drops the change without a question
};

// What tells one entry window from another: its tables, layout, toolbar, texts and policy.
struct EntryDefinition
{
    enum class Layout {
        Pages,
        Panel,
        Grid
    }; // Grid: the master in one grid (master.grid1) filling the window

    EntryTable master;
    QList<EntryTable> details;
    QString sentMarkerSql; // run once per opening, at the first store
    Layout layout = Layout::Pages;
    bool cover = true; // Pages: a first page "封面" carrying the report number
    QList<entry::Action> toolbar = {
        entry::Action::Prior,
        entry::Action::Next,
        entry::Action::First,
        entry::Action::Last,
        entry::Action::Insert,
        entry::Action::Delete,
        entry::Action::Save,
        entry::Action::Cancel,
        entry::Action::Upload,
        entry::Action::Merge,
        entry::Action::Close,
    };
    bool checkSwitch = true; // "校验开启"/"校验关闭" at the toolbar's end
    entry::StatusForm statusForm = entry::StatusForm::Full;
    QString locateDialog; // window class shown by a status-bar double click; empty: none
    QString locateField; // LocateField for that dialog (windows locating by one key)
    QString reportNumberCaption = QStringLiteral("报表编号");
    QString missingNumberMessage = QStringLiteral("请先填入企业报表编号");
    EntryPolicy policy;
};

// The single-table windows of an institution kind: ten buttons without "数据入库", the
// short status line, TF_change_r on the number, no pages hidden or switched, no suffix
// on merge errors, "数据错误:" before every store error, constraints suspended for a
// merge only while the switch is on, a row being inserted only discarded by "删除记录".
EntryDefinition singleTableDefinition(int reportKind, const EntryTable& table);

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
        DbGrid* grid2 = nullptr; // two-grid pages only
        QComboBox* list = nullptr; // "当前企业记录" / "所有企业记录"; two-grid pages only
    };

    EntryForm(EntryDefinition def, QWidget* parent = nullptr);
    ~EntryForm() override;

    const EntryDefinition& def() const { return m_def; }

    // Controls, by the names the handlers use.
    store::Table Table1;
    DataSource DataSource1;
    QTabWidget* PageControl1 = nullptr; // Pages layout
    QWidget* Panel1 = nullptr; // Panel layout: the one scrolling panel's content
    DbGrid* DBGrid1 = nullptr; // Grid layout: the master's grid
    QWidget* TabSheet1 = nullptr; // first page
    QLabel* coverLabel = nullptr; // "报表编号" before the report-number control (cover only)
    DbEdit* coverNumber = nullptr; // the master's number box (the cover's, or one the window names)
    QComboBox* ComboBox1 = nullptr; // "校验开启" / "校验关闭"; null without the switch
    DbStatusBar* StatusBar1 = nullptr;
    QToolButton* button(entry::Action action) const; // null when the window has no such button
    QToolButton* button(const QString& caption) const;

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
    int currentPage() const;
    QWidget* pageOf(const QString& title) const;
    bool openFailed() const { return m_openFailed; }

    // The edit control of a master field, by field name (case-insensitive).
    DbEdit* editOf(const QString& field) const;
    const QList<DbEdit*>& edits() const { return m_edits; }

    // One step of a clean-up that runs from a destructor, often while another error is on
    // its way out: it never throws. Its own failure is shown only when no other error is
    // leaving, so the user reads the first fault, once.
    static void cleanup(const std::function<void()>& step) noexcept;

protected:
    // Report windows build their pages with these, in page order, after the cover.
    QVBoxLayout* coverLayout() const { return m_coverLayout; }
    QWidget* addMasterPage(const QString& title, QWidget* content);
    // Grid pages are built here; a form page brings its content.
    void addDetailPage(int detail, QWidget* content = nullptr);
    // Panel layout: the content of the one scrolling panel.
    void setPanel(QWidget* content);
    // A window without a cover names the box that holds the master's number.
    void setNumberEdit(DbEdit* edit) { coverNumber = edit; }
    // A button of the window's own, placed in the toolbar before position `at`.
    QToolButton* insertToolButton(int at, const QString& caption, const QString& name);

    // The steps in which windows really differ.
    virtual void stampMaster(); // counter, `id`
    virtual void stampDetail(int detail); // checks, number, counter, `id`
    virtual QString statusText();
    virtual void insertRow();
    virtual void deleteRow();
    virtual bool takeMergeRow(store::Dataset& source);
    // The tables are open, nothing is positioned yet.
    virtual void tablesOpened() { }

    QList<DbEdit*> m_edits; // the window's edit controls, in tab order

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void done(int result) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    QString reportNumberOf(store::Table& table) const;
    void runSentMarker();
    void setActive(store::Table* table, DataSource* source);
    void linkDetail(int detail, bool linked);
    void showFirstPage();

private:
    void buildFrame();
    void buildToolbar(QWidget* bar);
    void installHooks();
    void openTables();
    void locateOnOpen();
    void masterStateChange();
    void detailStateChange(int detail);
    void masterBeforePost();
    void detailBeforePost(int detail);
    void postError(const EntryTable& def, store::StoreError& error);
    bool handleEnter(QWidget* focus);
    void setCoverNumberEditable(bool editable);
    void enableAction(entry::Action action, bool enabled);
    void applyCheckSwitch(bool on);
    void reopenEmptied(store::Table& table, const EntryTable& def);

    EntryDefinition m_def;
    std::vector<std::unique_ptr<Detail>> m_details;
    QVBoxLayout* m_coverLayout = nullptr;
    QList<QPair<entry::Action, QToolButton*>> m_buttons;
    bool m_collapsed = false;
    bool m_closing = false;
    bool m_filterInstalled = false;
    bool m_openFailed = false;
    QList<QWidget*> m_pages; // every page, in order, hidden or not
    QStringList m_pageTitles;
};
