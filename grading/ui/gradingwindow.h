#pragma once

#include "grading/core/gradebook.h"
#include "grading/core/sheetread.h"

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableView;

namespace desktop {
class Dialogs;
class Services;
}  // namespace desktop
namespace qb {
class Recordset;
}

namespace grading {

class AnalysisModel;
class ResultsModel;

// "Проверка бланков": the scanned sheets chosen, read, reviewed where in doubt, and graded
// against the keys of the open base.
class GradingWindow : public QDialog {
    Q_OBJECT
public:
    GradingWindow(qb::Recordset& questions, const QString& basePath, desktop::Dialogs& dialogs,
                  desktop::Services& services, QWidget* parent = nullptr);
    ~GradingWindow() override;

    // What "Проверить" does with the pages it has read: the forms found and, for each page that
    // gave none, what the teacher is told. Asks about the doubtful places, then shows the
    // results. Tests give forms they made here.
    void addRead(const QList<FormRead>& forms, const QStringList& unreadPages = {});

    const Gradebook& book() const { return book_; }
    const GradeReport& report() const { return report_; }

public slots:
    // Closing with places left undecided asks first.
    void reject() override;

private:
    void chooseFiles();
    void chooseFolder();
    void chooseClassList();
    void addSources(const QStringList& paths);
    void check();
    void review();
    void regrade();
    void saveResults();
    void saveAnalysis();
    // Asks where, then writes `bytes` whole or not at all.
    void save(const QString& title, const QString& defaultName, const QByteArray& bytes);
    Thresholds thresholds() const;
    void updateControls();

    qb::Recordset& questions_;
    QString basePath_;
    desktop::Dialogs& dialogs_;
    desktop::Services& services_;

    Gradebook book_;
    ClassList classList_;
    GradeReport report_;
    QStringList sources_;      // files and folders chosen, in order
    int sourcesRead_ = 0;      // the first ones, read into the book
    QStringList unreadPages_;  // pages that gave no form, and why

    QListWidget* sourceList_ = nullptr;
    QLabel* classListLabel_ = nullptr;
    QPushButton* checkButton_ = nullptr;
    QSpinBox* three_ = nullptr;
    QSpinBox* four_ = nullptr;
    QSpinBox* five_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QTableView* resultsTable_ = nullptr;
    QTableView* analysisTable_ = nullptr;
    ResultsModel* results_ = nullptr;
    AnalysisModel* analysis_ = nullptr;
    QPlainTextEdit* remarks_ = nullptr;
    QPushButton* reviewButton_ = nullptr;
    QPushButton* saveResultsButton_ = nullptr;
    QPushButton* saveAnalysisButton_ = nullptr;
};

}  // namespace grading
