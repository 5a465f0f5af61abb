#pragma once

// The two tables of a grading: each student's results, and each question's analysis. Both show
// the window's GradeReport as it is after its last grading; reset() after each.

#include "grading/core/gradebook.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QImage>

namespace grading {

// "Результаты": one row per sheet graded. A name the class list does not give is typed into its
// cell and kept in the gradebook; the cell shows the name as the student wrote it.
class ResultsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ListNumber, Name, Variant, Right, Percent, Mark, FirstQuestion };
    // The picture of a handwritten name is drawn this high in its cell.
    static constexpr int kNameCropHeight = 28;

    ResultsModel(GradeReport& report, Gradebook& book, const ClassList& classList,
                 QObject* parent = nullptr);
    // Drops the name pictures drawn for the last report.
    void reset();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    bool nameFromList(int row) const;

    GradeReport& report_;
    Gradebook& book_;
    const ClassList& classList_;
    // Scaled once per sheet: a table of a hundred rows is drawn at every scroll.
    mutable QHash<int, QImage> nameCrops_;
};

// "Анализ вопросов": one row per question of the base, in its order.
class AnalysisModel : public QAbstractTableModel {
    Q_OBJECT
public:
    AnalysisModel(const GradeReport& report, QObject* parent = nullptr);
    void reset();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const GradeReport& report_;
};

// "85,7": a share or a percentage as a Russian reader writes it.
QString decimal(double value, int decimals);

}  // namespace grading
