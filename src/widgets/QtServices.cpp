#include "QtServices.h"

#include "FileDialog.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTranslator>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace {

QWidget* dialogParent()
{
    return QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                             : QApplication::activeWindow();
}

// Table files come from Windows offices in any letter case, so "*.db" must list KFQ_1.DB too.
QString caseInsensitivePattern(const QString& pattern)
{
    QString out;
    for (const QChar c : pattern) {
        if (c.isLetter() && c.toLower() != c.toUpper())
            out += u'[' + QString(c.toLower()) + QString(c.toUpper()) + u']';
        else
            out += c;
    }
    return out;
}

QStringList nameFilters(const FileDialog& dialog)
{
    QStringList list;
    for (const FileFilter& f : dialog.filters) {
        QStringList patterns;
        for (const QString& p : f.patterns)
            patterns << caseInsensitivePattern(p);
        list << u"%1 (%2)"_s.arg(f.label, patterns.join(u' '));
    }
    return list;
}

// Which filter the dialog reports: with the patterns hidden, Qt gives only the list's text,
// the part before the patterns.
int filterIndexOf(const QStringList& filters, const QString& reported)
{
    if (const auto i = filters.indexOf(reported); i >= 0) return int(i);
    for (qsizetype i = 0; i < filters.size(); ++i)
        if (filters[i].section(u" ("_s, 0, 0) == reported) return int(i);
    return -1;
}

QString suffixFor(const FileDialog& dialog, int filterIndex)
{
    FileDialog probe = dialog;
    probe.filterIndex = filterIndex;
    const QString ext = probe.selectedExtension();
    if (!ext.isEmpty()) return ext.mid(1);
    QString fallback = dialog.defaultExtension;
    if (fallback.startsWith("*."_L1)) fallback.remove(0, 2);
    if (fallback.startsWith(u'.')) fallback.remove(0, 1);
    return fallback;
}

// Ends a local event loop when the watched window is hidden or destroyed.
class HideWatcher : public QObject
{
public:
    HideWatcher(QWidget* window, QEventLoop* loop)
        : m_loop(loop)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide && watched->isWidgetType()
            && !static_cast<QWidget*>(watched)->isVisible())
            m_loop->quit();
        return false;
    }

private:
    QEventLoop* m_loop;
};

QPushButton* addButton(QMessageBox& box, QMessageBox::StandardButton which, const QString& text)
{
    QPushButton* b = box.addButton(which);
    b->setText(text);
    return b;
}

QString boxTitle(const QString& title)
{
    return title.isEmpty() ? programTitle() : title;
}

} // namespace

bool QtServices::question(const QString& text, const QString& title)
{
    QMessageBox box(QMessageBox::Question, boxTitle(title), text, QMessageBox::NoButton, dialogParent());
    QPushButton* yes = addButton(box, QMessageBox::Yes, u"是(&Y)"_s);
    QPushButton* no = addButton(box, QMessageBox::No, u"否(&N)"_s);
    // The questions empty tables, delete rows and drop changes: Enter must not do that.
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void QtServices::message(const QString& text, const QString& title, MessageKind kind)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (kind) {
    case MessageKind::Plain:
        break;
    case MessageKind::Information:
        icon = QMessageBox::Information;
        break;
    case MessageKind::Warning:
        icon = QMessageBox::Warning;
        break;
    case MessageKind::Error:
        icon = QMessageBox::Critical;
        break;
    }
    QMessageBox box(icon, boxTitle(title), text, QMessageBox::NoButton, dialogParent());
    addButton(box, QMessageBox::Ok, u"确定"_s);
    box.exec();
}

void QtServices::showException(const QString& message)
{
    QMessageBox box(QMessageBox::Critical, programTitle(), message, QMessageBox::NoButton, dialogParent());
    addButton(box, QMessageBox::Ok, u"确定"_s);
    box.exec();
}

bool QtServices::chooseFile(FileDialog& dialog)
{
    const bool saving = dialog.mode() == FileDialog::Mode::Save;
    QFileDialog box(dialogParent(), dialog.title);
    box.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    box.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    box.setOption(QFileDialog::HideNameFilterDetails);
    box.setDirectory(dialog.initialDir.isEmpty() ? QDir::currentPath() : dialog.initialDir);
    // Room for whole Chinese file names and dates in the detail columns.
    box.resize(860, 520);
    // The detail list's columns fit their contents; the name takes the rest.
    if (auto* list = box.findChild<QTreeView*>()) {
        list->header()->setStretchLastSection(false);
        list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    const QStringList filters = nameFilters(dialog);
    if (!filters.isEmpty()) {
        box.setNameFilters(filters);
        box.selectNameFilter(filters.value(dialog.filterIndex));
    }
    if (saving) {
        box.setDefaultSuffix(suffixFor(dialog, dialog.filterIndex));
        QObject::connect(
            &box, &QFileDialog::filterSelected, &box, [&box, &dialog, filters](const QString& f) {
                box.setDefaultSuffix(suffixFor(dialog, filterIndexOf(filters, f)));
            });
    }
    if (!dialog.fileName.isEmpty()) box.selectFile(dialog.fileName);
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) return false;
    dialog.fileName = QDir::toNativeSeparators(box.selectedFiles().constFirst());
    const int chosen = filterIndexOf(filters, box.selectedNameFilter());
    if (chosen >= 0) dialog.filterIndex = int(chosen);
    return true;
}

QString QtServices::chooseDirectory(const QString& title, const QString& startDir)
{
    return QFileDialog::getExistingDirectory(dialogParent(), title, startDir, QFileDialog::ShowDirsOnly);
}

void QtServices::showModal(QWidget* window)
{
    if (auto* dialog = qobject_cast<QDialog*>(window)) {
        dialog->exec();
        return;
    }
    QPointer<QWidget> guard(window);
    const Qt::WindowModality before = window->windowModality();
    window->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    HideWatcher watcher(window, &loop);
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    if (!window->isVisible()) centreOnParent(window);
    window->show();
    window->raise();
    window->activateWindow();
    if (window->isVisible()) loop.exec(QEventLoop::DialogExec);
    if (guard) {
        guard->removeEventFilter(&watcher);
        guard->setWindowModality(before);
    }
}

void QtServices::showModeless(QWidget* window)
{
    if (!window->isVisible()) centreOnParent(window);
    window->show();
    window->raise();
    window->activateWindow();
}

bool QtServices::installTranslations()
{
    auto* translator = new QTranslator(qApp);
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), u"qtbase"_s, u"_"_s,
            QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

void QtServices::centreOnParent(QWidget* window)
{
    // A dialog centres itself when it is shown; plain windows are placed here.
    if (qobject_cast<QDialog*>(window)) return;
    QWidget* anchor
        = window->parentWidget() ? window->parentWidget()->window() : QApplication::activeWindow();
    if (anchor == window || (anchor && !anchor->isVisible())) anchor = nullptr;
    QRect area;
    if (anchor) {
        area = anchor->frameGeometry();
    } else if (const QScreen* screen
        = window->screen() ? window->screen() : QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    } else {
        return;
    }
    window->ensurePolished();
    // The size the window will have once shown: its layout may not let it be smaller.
    QRect frame = window->frameGeometry();
    const QSize size = window->testAttribute(Qt::WA_Resized) ? window->size() : window->sizeHint();
    frame.setSize(size.expandedTo(window->minimumSizeHint()).expandedTo(window->minimumSize()));
    frame.moveCenter(area.center());
    // Keep the caption reachable when the window is larger than what it is centred on.
    if (const QScreen* screen = anchor ? anchor->screen() : window->screen()) {
        const QRect avail = screen->availableGeometry();
        frame.moveLeft(std::max(avail.left(), std::min(frame.left(), avail.right() - frame.width())));
        frame.moveTop(std::max(avail.top(), std::min(frame.top(), avail.bottom() - frame.height())));
    }
    window->move(frame.topLeft());
}
