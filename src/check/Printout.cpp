#include "Printout.h"

#include "store/StoreError.h"

#include <QFileInfo>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

using namespace Qt::StringLiterals;

Printout::~Printout() = default;

QPageLayout Printout::a4(QPageLayout::Orientation orientation)
{
    return QPageLayout(
        QPageSize(QPageSize::A4), orientation, QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
}

QPageLayout Printout::pageLayout() const
{
    return a4(QPageLayout::Portrait);
}

int Printout::render(QPagedPaintDevice& device) const
{
    PrintBook book(device);
    return book.add(*this);
}

PrintBook::PrintBook(QPagedPaintDevice& device)
    : m_device(device)
{
}

PrintBook::~PrintBook()
{
    if (m_painter) m_painter->end();
}

int PrintBook::add(const Printout& printout)
{
    // A new layout takes effect on the next page, so it is set before that page is opened.
    m_device.setPageLayout(printout.pageLayout());
    if (!m_painter) {
        m_painter = std::make_unique<QPainter>(&m_device);
        if (!m_painter->isActive()) {
            m_painter.reset();
            return 0;
        }
    } else if (!m_device.newPage()) {
        return 0;
    }
    m_painter->save();
    const int pages = printout.paint(*m_painter, m_device);
    m_painter->restore();
    m_pages += pages;
    return pages;
}

PdfFile::PdfFile(const QString& fileName, const QString& documentName)
    : m_shown(QFileInfo(fileName).fileName())
    , m_file(std::make_unique<QSaveFile>(fileName))
{
    if (!m_file->open(QIODevice::WriteOnly))
        throw store::StoreError(u"无法建立文件 %1: %2"_s.arg(m_shown, m_file->errorString()));
    m_writer = std::make_unique<QPdfWriter>(m_file.get());
    m_writer->setResolution(600);
    m_writer->setTitle(documentName);
    m_writer->setCreator(u"velto2012"_s);
    m_book = std::make_unique<PrintBook>(*m_writer);
}

PdfFile::~PdfFile()
{
    m_book.reset();
    m_writer.reset();
    // Without commit() the file is left as it was.
    if (m_file) m_file->cancelWriting();
}

int PdfFile::add(const Printout& printout)
{
    const int pages = m_book->add(printout);
    if (pages == 0) throw store::StoreError(u"无法写入文件 %1"_s.arg(m_shown));
    return pages;
}

int PdfFile::pageCount() const
{
    return m_book->pageCount();
}

void PdfFile::commit()
{
    if (!m_book->pageCount()) throw store::StoreError(u"无法写入文件 %1: 没有可打印的页"_s.arg(m_shown));
    m_book.reset(); // ends the painter: the document is complete
    m_writer.reset();
    if (!m_file->commit())
        throw store::StoreError(u"无法写入文件 %1: %2"_s.arg(m_shown, m_file->errorString()));
    m_file.reset();
}
