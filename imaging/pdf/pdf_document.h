#pragma once

#include "imaging/pdf/page_layout.h"
#include "imaging/pdf/pdf_image.h"

#include <QDateTime>
#include <QIODevice>
#include <QString>

#include <vector>

namespace tavlo::pdf {

// A PDF document of picture pages, one image each, built and written with qpdf. Image data go
// into the file exactly as the PdfImage holds them (nothing is decoded or coded again); only the
// small page contents are deflated by the writer. The document information names Tavlo as the
// producer and holds the title (when not empty) and the creation time.
// Not thread-safe; one document per thread.
class PdfDocument {
public:
    void setTitle(const QString& title) { m_title = title; }
    void setCreated(const QDateTime& created) { m_created = created; }

    // Adds a page of placement.page showing the image in placement.image, turned upright by the
    // image's orientation. The document keeps the image's data until it is destroyed.
    void addPage(PdfImage image, const PagePlacement& placement);
    int pageCount() const { return int(m_pages.size()); }

    // Writes the whole document to out, which must be open for writing. "" on success, else the
    // reason in Japanese (the device refused data, or the library failed).
    QString write(QIODevice& out);

private:
    struct Page {
        PdfImage image;
        PagePlacement placement;
    };
    std::vector<Page> m_pages;
    QString m_title;
    QDateTime m_created = QDateTime::currentDateTime();
};

// A date as the PDF document information holds it: D:YYYYMMDDHHmmSS followed by the offset from
// UTC (+HH'mm', -HH'mm' or Z).
QString pdfDate(const QDateTime& time);

}  // namespace tavlo::pdf
