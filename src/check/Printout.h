#pragma once

#include <QPageLayout>

#include <memory>

class QPainter;
class QPagedPaintDevice;
class QPdfWriter;
class QSaveFile;

// Something the program prints: its page layout and the drawing of its pages. The same
// drawing serves the printer, the print preview and PDF files.
class Printout
{
public:
    virtual ~Printout();

    // A4 with 10 mm margins on all sides, portrait unless the printout says otherwise.
    virtual QPageLayout pageLayout() const;
    // Draws every page with `painter`, which is active on the first page of `device`; the
    // device already has this printout's page layout. Further pages come from
    // device.newPage(). Returns the number of pages drawn.
    virtual int paint(QPainter& painter, QPagedPaintDevice& device) const = 0;

    // Sets the page layout of the device and draws every page; returns the page count.
    int render(QPagedPaintDevice& device) const;

    static QPageLayout a4(QPageLayout::Orientation orientation);
};

// Several printouts one after another on one device, each starting on a page of its own
// with its own page layout (one PDF file holding several items).
class PrintBook
{
public:
    explicit PrintBook(QPagedPaintDevice& device);
    ~PrintBook();
    PrintBook(const PrintBook&) = delete;
    PrintBook& operator=(const PrintBook&) = delete;

    // Returns the printout's page count; 0 when the device cannot be painted on.
    int add(const Printout& printout);
    int pageCount() const { return m_pages; }

private:
    QPagedPaintDevice& m_device;
    std::unique_ptr<QPainter> m_painter;
    int m_pages = 0;
};

// A PDF file of one or more printouts. It is written aside and put in place by commit(),
// so a failure leaves any earlier file as it was.
class PdfFile
{
public:
    // Throws store::StoreError when the file cannot be made.
    PdfFile(const QString& fileName, const QString& documentName);
    ~PdfFile();

    // Returns the printout's page count.
    int add(const Printout& printout);
    int pageCount() const;
    // Throws store::StoreError when the file cannot be written.
    void commit();

private:
    QString m_shown;
    std::unique_ptr<QSaveFile> m_file;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<PrintBook> m_book;
};
