#pragma once

// Reading back what a print queue of the test fixture received: the queues writing to files, a job as PDF, and
// every page's words with their boxes and where it has ink.

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <vector>

namespace rs5test {

// A file's text, trimmed; empty when it cannot be read.
QString ReadTextFile(const QString& path);
// What a program prints, or an empty text when it fails.
QString RunProgram(const QString& program, const QStringList& arguments);

struct FileQueue {
    QString name;
    QString format;  // pdf or ps
    QString file;
};

struct PrintedWord {
    QRectF box;
    QString text;
};

struct PrintedPage {
    QSizeF sheet;  // points
    std::vector<PrintedWord> words;
    QRectF inked;  // points: where the page has ink, from a rasterisation

    QString Text() const;
    // Whether the printed area lies along the sheet's long side (landscape paper upright, or portrait paper with the
    // page turned a quarter), for pages whose printed area is longest across.
    bool Landscape() const { return (inked.width() > inked.height()) == (sheet.width() > sheet.height()); }
    // The first word that reaches beyond the sheet, or an empty text.
    QString Outside() const;
    // Whether every bit of ink keeps `gap` points from the sheet's edges.
    bool InkWithin(double gap) const;
    QString InkText() const;  // for messages
};

// The queues writing to files that the fixture in `state` set up.
std::vector<FileQueue> FileQueues(const QString& state);
// Waits until the queue has finished its jobs and its file is there, then gives the job as PDF (PostScript turned
// into PDF by ghostscript) in `dir`; empty when nothing came.
QString ReadBackJob(const FileQueue& queue, const QString& dir);
// The words of every page with their boxes, as pdftotext finds them, and where each page has ink.
std::vector<PrintedPage> ReadPages(const QString& pdf);

}  // namespace rs5test
