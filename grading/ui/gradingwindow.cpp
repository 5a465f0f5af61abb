#include "grading/ui/gradingwindow.h"

#include "desktop/dialogs.h"
#include "desktop/keyboard.h"
#include "desktop/services.h"
#include "desktop/windowhabits.h"
#include "grading/core/pagesource.h"
#include "grading/ui/gradingtables.h"
#include "grading/ui/reviewdialog.h"
#include "questionbase/steps.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <exception>

namespace grading {

namespace {

const QString kTitle = QStringLiteral("Проверка бланков");
const QString kFailure = QStringLiteral("Произошла ошибка. Все ли верно?");

// A reading that ends within this many milliseconds shows no progress box at all.
constexpr int kProgressDelay = 500;
// A class list is a page of names; anything far larger was chosen by mistake.
constexpr qint64 kClassListMaxBytes = 1 << 20;

template <class Widget>
Widget* named(Widget* widget, const char* objectName, const QString& accessibleName) {
    widget->setObjectName(QLatin1String(objectName));
    widget->setAccessibleName(accessibleName);
    return widget;
}

// A button is heard as its caption.
QPushButton* button(const char* objectName, const QString& caption) {
    return named(new QPushButton(caption), objectName, caption);
}

QTableView* table(const char* objectName, const QString& accessibleName,
                  QAbstractItemModel* model) {
    auto* view = named(new QTableView, objectName, accessibleName);
    view->setModel(model);
    // Tab leaves the table for the next control; the arrows walk its cells.
    view->setTabKeyNavigation(false);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectItems);
    return view;
}

// "скан.png" or "работы.pdf, страница 3": where a page came from, as the teacher knows it.
QString pageName(const SourcePage& page) {
    const QFileInfo file(page.file);
    if (page.index == 0 && file.suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0)
        return file.fileName();
    return QStringLiteral("%1, страница %2").arg(file.fileName()).arg(page.index + 1);
}

}  // namespace

GradingWindow::GradingWindow(qb::Recordset& questions, const QString& basePath,
                             desktop::Dialogs& dialogs, desktop::Services& services,
                             QWidget* parent)
    : QDialog(parent),
      questions_(questions),
      basePath_(basePath),
      dialogs_(dialogs),
      services_(services) {
    setObjectName(QStringLiteral("gradingWindow"));
    setWindowTitle(kTitle);
    setAccessibleName(kTitle);

    QPushButton* files = button("files", QStringLiteral("Файлы…"));
    QPushButton* folder = button("folder", QStringLiteral("Папка…"));
    QPushButton* classList = button("classList", QStringLiteral("Список класса…"));
    sourceList_ = named(new QListWidget, "sources", QStringLiteral("Выбранные файлы и папки"));
    sourceList_->setMaximumHeight(sourceList_->fontMetrics().height() * 6);
    classListLabel_ = named(new QLabel(QStringLiteral("Список класса не выбран")), "classListName",
                            QStringLiteral("Список класса не выбран"));
    checkButton_ = button("check", QStringLiteral("Проверить"));

    const Thresholds defaults;
    const auto threshold = [](const char* objectName, const QString& name, double value) {
        auto* box = named(new QSpinBox, objectName, name);
        box->setRange(0, 100);
        box->setValue(int(value));
        return box;
    };
    three_ = threshold("three", QStringLiteral("Оценка «3» от, %"), defaults.three);
    four_ = threshold("four", QStringLiteral("Оценка «4» от, %"), defaults.four);
    five_ = threshold("five", QStringLiteral("Оценка «5» от, %"), defaults.five);

    results_ = new ResultsModel(report_, book_, classList_, this);
    analysis_ = new AnalysisModel(report_, this);
    resultsTable_ = table("results", QStringLiteral("Результаты"), results_);
    resultsTable_->setEditTriggers(QAbstractItemView::DoubleClicked |
                                   QAbstractItemView::EditKeyPressed |
                                   QAbstractItemView::AnyKeyPressed);
    resultsTable_->verticalHeader()->setDefaultSectionSize(ResultsModel::kNameCropHeight + 6);
    analysisTable_ = table("analysis", QStringLiteral("Анализ вопросов"), analysis_);
    analysisTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Its first column names the question; a row number beside it would only mislead.
    analysisTable_->verticalHeader()->hide();
    tabs_ = named(new QTabWidget, "tabs", QStringLiteral("Результаты и анализ вопросов"));
    tabs_->addTab(resultsTable_, QStringLiteral("Результаты"));
    tabs_->addTab(analysisTable_, QStringLiteral("Анализ вопросов"));

    remarks_ = named(new QPlainTextEdit, "remarks", QStringLiteral("Замечания"));
    remarks_->setReadOnly(true);
    remarks_->setTabChangesFocus(true);
    remarks_->setMaximumHeight(remarks_->fontMetrics().height() * 6);

    reviewButton_ = button("review", QStringLiteral("Спорные места…"));
    saveResultsButton_ = button("saveResults", QStringLiteral("Сохранить результаты…"));
    saveAnalysisButton_ = button("saveAnalysis", QStringLiteral("Сохранить анализ…"));
    QPushButton* close = button("close", QStringLiteral("Закрыть"));
    // Enter presses the focused button (setUpKeyboard below), never a default one: Enter in a
    // table or a list must not press a button the teacher did not choose.
    for (QPushButton* each : {files, folder, classList, checkButton_, reviewButton_,
                              saveResultsButton_, saveAnalysisButton_, close})
        each->setAutoDefault(false);

    auto* choose = new QHBoxLayout;
    choose->addWidget(files);
    choose->addWidget(folder);
    choose->addWidget(classList);
    choose->addWidget(classListLabel_, 1);

    auto* marks = new QHBoxLayout;
    // A label that names its field is the field's buddy: Alt and its digit reach the field.
    const auto label = [&marks](const QString& caption, QSpinBox* field) {
        auto* text = new QLabel(caption);
        text->setBuddy(field);
        text->setAccessibleName(field->accessibleName());
        marks->addWidget(text);
        marks->addWidget(field);
    };
    label(QStringLiteral("Оценка «&3» от, %"), three_);
    label(QStringLiteral("«&4» от, %"), four_);
    label(QStringLiteral("«&5» от, %"), five_);
    marks->addStretch(1);

    auto* remarksLabel = new QLabel(QStringLiteral("&Замечания:"));
    remarksLabel->setBuddy(remarks_);

    auto* actions = new QHBoxLayout;
    actions->addWidget(reviewButton_);
    actions->addWidget(saveResultsButton_);
    actions->addWidget(saveAnalysisButton_);
    actions->addStretch(1);
    actions->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choose);
    layout->addWidget(sourceList_);
    layout->addWidget(checkButton_, 0, Qt::AlignLeft);
    layout->addLayout(marks);
    layout->addWidget(tabs_, 1);
    layout->addWidget(remarksLabel);
    layout->addWidget(remarks_);
    layout->addLayout(actions);
    resize(sizeHint().expandedTo(QSize(800, 600)));

    connect(files, &QPushButton::clicked, this, &GradingWindow::chooseFiles);
    connect(folder, &QPushButton::clicked, this, &GradingWindow::chooseFolder);
    connect(classList, &QPushButton::clicked, this, &GradingWindow::chooseClassList);
    connect(checkButton_, &QPushButton::clicked, this, &GradingWindow::check);
    // A higher mark never asks for less than a lower one: each box stays between its neighbours.
    const auto keepOrder = [this] {
        three_->setMaximum(four_->value());
        four_->setRange(three_->value(), five_->value());
        five_->setMinimum(four_->value());
    };
    keepOrder();
    for (QSpinBox* box : {three_, four_, five_}) {
        connect(box, &QSpinBox::valueChanged, this, [this, keepOrder] {
            keepOrder();
            if (book_.sheetCount() > 0)
                regrade();
        });
    }
    connect(reviewButton_, &QPushButton::clicked, this, &GradingWindow::review);
    connect(saveResultsButton_, &QPushButton::clicked, this, &GradingWindow::saveResults);
    connect(saveAnalysisButton_, &QPushButton::clicked, this, &GradingWindow::saveAnalysis);
    connect(close, &QPushButton::clicked, this, &GradingWindow::reject);
    updateControls();
    desktop::setUpKeyboard(*this);
    desktop::drawFocusClearly(*this);
}

GradingWindow::~GradingWindow() = default;

Thresholds GradingWindow::thresholds() const {
    return {double(three_->value()), double(four_->value()), double(five_->value())};
}

void GradingWindow::chooseFiles() {
    desktop::FileDialogOptions options;
    options.title = QStringLiteral("Выберите сканы бланков");
    options.filter = QStringLiteral("Сканы бланков ( изображения и PDF )|%1|")
                         .arg(gradableFilePatterns().join(u';'));
    options.fileMustExist = true;
    if (const auto chosen = desktop::chooseFiles(dialogs_, services_, options))
        addSources(*chosen);
}

void GradingWindow::chooseFolder() {
    desktop::FileDialogOptions options;
    options.title = QStringLiteral("Выберите папку со сканами бланков");
    if (const auto chosen = desktop::chooseFolder(dialogs_, services_, options))
        addSources({*chosen});
}

void GradingWindow::addSources(const QStringList& paths) {
    for (const QString& path : paths) {
        const QString absolute = QFileInfo(path).absoluteFilePath();
        if (sources_.contains(absolute))
            continue;
        sources_ << absolute;
        sourceList_->addItem(QDir::toNativeSeparators(absolute));
    }
    updateControls();
}

void GradingWindow::chooseClassList() {
    desktop::FileDialogOptions options;
    options.title = QStringLiteral("Выберите список класса");
    options.filter = QStringLiteral("*.csv ( список класса: №;Фамилия Имя )|*.csv;*.txt|");
    options.fileMustExist = true;
    const std::optional<QString> chosen =
        desktop::chooseFile(dialogs_, services_, desktop::FileChoice::Open, options);
    if (!chosen)
        return;
    QFile file(*chosen);
    std::optional<ClassList> list;
    if (file.size() <= kClassListMaxBytes && file.open(QIODevice::ReadOnly))
        list = readClassList(file.readAll());
    const QString name = QFileInfo(*chosen).fileName();
    if (!list) {
        dialogs_.message(QCoreApplication::applicationName(),
                         QStringLiteral("В файле «%1» не найден список класса: нужны строки "
                                        "«№;Фамилия Имя».")
                             .arg(name));
        return;
    }
    classList_ = *list;
    classListLabel_->setText(
        QStringLiteral("Список класса: %1, учеников: %2").arg(name).arg(classList_.size()));
    classListLabel_->setAccessibleName(classListLabel_->text());
    desktop::announceTextChange(*classListLabel_);
    if (book_.sheetCount() > 0)
        regrade();
}

void GradingWindow::check() {
    if (sourcesRead_ >= sources_.size())
        return;
    const QStringList pending = sources_.mid(sourcesRead_);
    // Window-modal: nothing in this window changes while its pages are read, and the box's
    // "Остановить" is heard between pages.
    QProgressDialog progress(kTitle, QStringLiteral("Остановить"), 0, 0, this);
    progress.setObjectName(QStringLiteral("progress"));
    progress.setAccessibleName(kTitle);
    progress.setWindowTitle(kTitle);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(kProgressDelay);
    progress.setAutoReset(false);
    progress.setAutoClose(false);

    PageSource source(pending);
    const QStringList files = source.files();
    progress.setMaximum(int(files.size()));
    progress.setValue(0);
    QList<FormRead> forms;
    QStringList unread;
    SourcePage page;
    int pages = 0;
    int file = -1;
    QString fileName;
    // One page at a time: its image is dropped when the next one is decoded.
    while (!progress.wasCanceled() && source.next(page)) {
        ++pages;
        // The pages come file by file, in the order of files().
        if (page.file != fileName) {
            fileName = page.file;
            ++file;
        }
        progress.setLabelText(QStringLiteral("Читаем страницу %1…").arg(pages));
        progress.setValue(file);
        if (page.image.isNull()) {
            unread << QStringLiteral("%1: %2").arg(pageName(page), page.problem);
        } else {
            PageRead read;
            // One page the reader chokes on is told; the others are read all the same.
            try {
                read = readPage(page.image, page.file, page.index);
            } catch (const std::exception&) {
                read.problem = QStringLiteral("страница не прочитана");
            }
            page.image = QImage();
            if (read.forms.isEmpty())
                unread << QStringLiteral("%1: %2").arg(pageName(page), read.problem);
            forms += std::move(read.forms);
        }
        // The box is window-modal over this window, and this window over the exporter's: the
        // events let "Остановить" in and close nothing.
        QCoreApplication::processEvents();
    }
    // A stopped reading keeps nothing: the chosen files are read whole or not at all, and the
    // next "Проверить" reads them again.
    if (progress.wasCanceled())
        return;
    progress.close();
    sourcesRead_ = int(sources_.size());
    if (pages == 0)
        unread << QStringLiteral("В выбранных файлах и папках нет ни одной страницы.");
    addRead(forms, unread);
}

void GradingWindow::addRead(const QList<FormRead>& forms, const QStringList& unreadPages) {
    for (const FormRead& form : forms)
        book_.add(form);
    unreadPages_ += unreadPages;
    regrade();
    if (!book_.undecided().isEmpty())
        review();
}

void GradingWindow::review() {
    // Window-modal and shown without a loop of its own; the results follow its decisions.
    auto* dialog = new ReviewDialog(book_, dialogs_, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::finished, this, &GradingWindow::regrade);
    dialog->open();
}

void GradingWindow::regrade() {
    // The keys are read from the base each time: a key corrected there counts now.
    qb::runOrFail([&] { report_ = grade(book_, questions_, thresholds(), classList_); },
                  [&](const qb::Error&) {
                      report_ = GradeReport{};
                      dialogs_.message(QCoreApplication::applicationName(), kFailure);
                  });
    // A regrading keeps the cell the keyboard was on: a screen reader's user stays in place.
    const QModelIndex resultsAt = resultsTable_->currentIndex();
    const QModelIndex analysisAt = analysisTable_->currentIndex();
    results_->reset();
    analysis_->reset();
    for (const auto& [table, at] :
         {std::pair{resultsTable_, resultsAt}, {analysisTable_, analysisAt}}) {
        table->resizeColumnsToContents();
        if (at.isValid())
            table->setCurrentIndex(table->model()->index(at.row(), at.column()));
    }
    QStringList remarks = report_.remarks;
    remarks += unreadPages_;
    remarks_->setPlainText(remarks.join(u'\n'));
    updateControls();
}

void GradingWindow::updateControls() {
    checkButton_->setEnabled(sourcesRead_ < sources_.size());
    bool doubts = false;
    for (int sheet = 0; sheet < book_.sheetCount() && !doubts; ++sheet)
        doubts = !book_.doubts(sheet).isEmpty();
    reviewButton_->setEnabled(doubts);
    saveResultsButton_->setEnabled(!report_.students.isEmpty());
    saveAnalysisButton_->setEnabled(!report_.students.isEmpty());
}

void GradingWindow::saveResults() {
    save(QStringLiteral("Сохраняем результаты"), QStringLiteral(" — результаты.csv"),
         resultsCsv(report_));
}

void GradingWindow::saveAnalysis() {
    save(QStringLiteral("Сохраняем анализ вопросов"), QStringLiteral(" — анализ вопросов.csv"),
         analysisCsv(report_));
}

void GradingWindow::save(const QString& title, const QString& nameEnding, const QByteArray& bytes) {
    const QFileInfo base(basePath_);
    desktop::FileDialogOptions options;
    options.title = title;
    options.initialFolder = base.absolutePath();
    options.fileName = base.completeBaseName() + nameEnding;
    options.filter = QStringLiteral("*.csv ( таблица для Calc и Excel )|*.csv|");
    const std::optional<QString> chosen =
        desktop::chooseFile(dialogs_, services_, desktop::FileChoice::Save, options);
    if (!chosen)
        return;
    if (services_.fileExists(*chosen) &&
        !dialogs_.askYesNo(QStringLiteral("Leina"),
                           QStringLiteral("Файл «%1» уже существует. Заменить?")
                               .arg(QFileInfo(*chosen).fileName())))
        return;
    // The base itself is never written, whatever name it is chosen under.
    const QString target = QFileInfo(*chosen).canonicalFilePath();
    bool written = target.isEmpty() || target != base.canonicalFilePath();
    if (written) {
        QSaveFile file(*chosen);
        written =
            file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    }
    if (!written)
        dialogs_.message(QCoreApplication::applicationName(), kFailure);
}

void GradingWindow::reject() {
    const qsizetype left = book_.undecided().size();
    if (left > 0 &&
        !dialogs_.askYesNo(kTitle,
                           QStringLiteral("Остались нерешённые места: %1. Закрыть?").arg(left)))
        return;
    QDialog::reject();
}

}  // namespace grading
