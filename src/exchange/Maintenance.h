#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The survey tables as files: backup into bak and restore from there, transfer of single
// tables to exchange files, the delivery directory for the office above, and the
// national-level project table of one region. The maintenance window and the command-line
// tool both run this class.
//
// Every file written into a destination is first written under a temporary name beside
// it, made durable and, for tables, opened once to prove it reads; only then is it moved
// over the earlier file in one step. A copy interrupted at any moment leaves each
// destination file whole, old or new. A file that a table of this program holds open is
// never replaced: the operation stops there with the store's error, the files handled
// before it keep their new contents.
namespace exchange {

// A table of a report kind and the title of its save dialog.
struct MaintainedTable
{
    QString name;
    QString saveTitle;
};

struct Region
{
    QString code;
    QString name;
    QString text() const { return code + u' ' + name + u' '; } // as the region list shows it
};

class Maintenance
{
public:
    // `programDir`: where the survey tables are, with or without a trailing separator;
    // empty for the current directory.
    explicit Maintenance(const QString& programDir = {});

    // The report kinds in the list's order (the main window's order).
    static int kindCount();
    static QString kindText(int position);
    static int kindCode(int position); // the main window's report-kind code
    static int positionOfCode(int code); // -1 for a code no kind has
    static const QList<MaintainedTable>& tablesOf(int position);
    // Index and memo files that travel with the tables on backup and restore.
    static const QStringList& furtherFilesOf(int position);
    static const QStringList& deliveryTables(); // in the order of writing
    static const QList<Region>& regions();
    static QString projectTable(); // gjxm.db
    static QString projectList(); // gjxmqd.dbf

    QString programDir() const { return m_dir; }
    QString backupDir() const;

    // Each operation calls this with the source and the file written, as it goes.
    std::function<void(const QString& source, const QString& target)> copied;
    // Called with the temporary file and its destination just before the move that puts
    // it in place (tests use it to break a copy there).
    std::function<void(const QString& temp, const QString& target)> beforeReplace;

    // The kinds at these list positions, in list order (a position listed twice is worked
    // twice). Missing sources are skipped. Return the destination files written.
    QStringList backup(const QList<int>& positions);
    QStringList restore(const QList<int>& positions);
    // The tables of the kinds at these positions, in order (what "数据转存" offers).
    static QList<MaintainedTable> transferTables(const QList<int>& positions);
    // Saves one table of the working directory as `file` (type by extension), all rows.
    void transfer(const QString& table, const QString& file);
    // Writes every delivery table that exists into `destination`, made afresh with the
    // source's fields and rows and no index files. Refuses the working directory itself.
    QStringList deliver(const QString& destination);

    struct ProjectListResult
    {
        int added = 0;
        int updated = 0;
    };
    // Copies the projects of `region` from gjxmqd.dbf into gjxm.db (emptied first when
    // `emptyFirst`), updating a project already there. Both tables must exist; nothing is
    // emptied when the list cannot be read.
    ProjectListResult buildProjectList(const QString& region, bool emptyFirst);

private:
    QString source(const QString& name) const;
    QStringList copyKinds(
        const QList<int>& positions, const QString& from, const QString& to, const QString& what);
    // Copies `sourcePath` byte for byte into `targetDir`; false when there is no source.
    bool copyFile(const QString& sourcePath, const QString& targetDir, bool isTable, const QString& what,
        QString* written);
    void putInPlace(const QString& temp, const QString& target, bool isTable);

    QString m_dir; // with a trailing '/'
};

} // namespace exchange
