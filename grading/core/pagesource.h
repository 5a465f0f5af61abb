#pragma once

// The pages the teacher chose to grade, one at a time: image files (PNG, JPEG, TIFF …), PDFs
// of any number of pages, and folders of them. A page is decoded when it is asked for and
// dropped by the caller, so a thousand pages take the memory of one.

#include <QImage>
#include <QString>
#include <QStringList>

#include <memory>

namespace grading {

struct SourcePage {
    QString file;
    int index = 0;    // the page within the file, from 0
    QImage image;     // null when the page could not be read
    QString problem;  // then what the teacher is told
};

class PageSource {
public:
    // `paths`: files and folders. A folder gives its readable images and PDFs (not its
    // subfolders), in name order; files keep the order given.
    explicit PageSource(const QStringList& paths);
    ~PageSource();

    QStringList files() const;  // every file the pages come from, in order
    // The next page; false when there is none left.
    bool next(SourcePage& page);

    // The resolution PDF pages are drawn at.
    static constexpr int kPdfDpi = 200;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The file name patterns a choice of files offers ("*.png *.jpg …").
QStringList gradableFilePatterns();

}  // namespace grading
