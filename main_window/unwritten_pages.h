#pragma once

#include "imaging/codecs/image_format.h"
#include "imaging/image.h"

#include <QList>
#include <QString>

class QWidget;

namespace tavlo {

class WorkFileWriter;

// The pages of a scan run that were read but never written to the work folder, because the run
// stopped at a page that could not be named or written (that page stays in the view, marked
// changed). Once the run has ended, report() tells the user about every one of them by name and
// offers to save them into a folder the user chooses, under the names they would have had
// (prefix-NNN after the stopped page's number), each written whole or not at all; a name already
// taken in that folder gets " (2)", " (3)", ... so nothing there is overwritten.
class UnwrittenPages {
public:
    // The run stopped at the page that would have been prefix-number(extension); text is the
    // message about it.
    void stopped(const QString& text, const QString& prefix, int number, const QString& extension,
                 codecs::ImageFormat format);
    bool isStopped() const { return !m_text.isEmpty(); }

    // Tells the user (title: the window's) about the stopped page and the pages read after it,
    // offers the folder and saves them there through writer; then forgets the run.
    void report(const QList<Image>& later, WorkFileWriter& writer, const QString& title,
                QWidget* parent);

    // The name the page k pages after the stopped one would have had.
    QString nameAfter(int k) const;

private:
    QString m_text;
    QString m_prefix;
    int m_number = 0;
    QString m_extension;
    codecs::ImageFormat m_format = codecs::ImageFormat::Bmp;
};

}  // namespace tavlo
