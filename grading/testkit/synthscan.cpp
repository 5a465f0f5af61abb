#include "grading/testkit/synthscan.h"

#include "printing/core/answersheet.h"
#include "printing/core/sheetgeometry.h"

#include <opencv2/imgproc.hpp>

#include <QBuffer>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

namespace grading::testkit {

namespace sheet = printing::sheet;

namespace {

constexpr int kPrintDpi = 300;

class Dice {
public:
    explicit Dice(quint64 seed) : engine_(seed) {}
    double uniform(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(engine_);
    }
    double within(double reach) { return uniform(-reach, reach); }
    int below(int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(engine_)); }
    quint64 next() { return engine_(); }

private:
    std::mt19937_64 engine_;
};

printing::SheetCode randomCode(int questions, Dice& dice) {
    printing::SheetCode code;
    code.variant = 1 + dice.below(99);
    qint64 id = 1 + dice.below(50);
    for (int i = 0; i < questions; ++i) {
        printing::SheetCode::Question question;
        id += 1 + dice.below(40);
        question.id = id;
        // Mostly four or five options, as tests have them.
        const int roll = dice.below(20);
        const int options = roll < 2 ? 2 : roll < 5 ? 3 : roll < 12 ? 4 : 5;
        QList<int> left = {1, 2, 3, 4, 5};
        for (int k = 0; k < options; ++k)
            question.order.append(left.takeAt(dice.below(int(left.size()))));
        code.questions.append(question);
    }
    return code;
}

QColor ink(double darkness) {
    const int level = std::clamp(int(std::lround(255 * (1 - darkness))), 0, 255);
    return QColor(level, level, level);
}

// One stroke in a bubble centred at the painter's origin, in millimetres.
void drawStroke(QPainter& painter, Stroke stroke, Dice& dice) {
    const double r = sheet::kBubbleRadius;
    painter.save();
    painter.translate(dice.within(0.2), dice.within(0.2));
    const QColor colour =
        ink(stroke == Stroke::Filled ? dice.uniform(0.6, 1.0) : dice.uniform(0.7, 1.0));
    const auto pen = [&](double low, double high) {
        QPen line(colour, dice.uniform(low, high));
        line.setCapStyle(Qt::RoundCap);
        line.setJoinStyle(Qt::RoundJoin);
        painter.setPen(line);
        painter.setBrush(Qt::NoBrush);
    };
    const auto disc = [&](double low, double high) {
        const double size = r * dice.uniform(low, high);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawEllipse(QPointF(0, 0), size * dice.uniform(0.95, 1.05),
                            size * dice.uniform(0.95, 1.05));
    };
    switch (stroke) {
        case Stroke::None:
            break;
        case Stroke::Filled:
            disc(0.9, 1.08);
            break;
        case Stroke::Tick: {
            painter.rotate(dice.within(15));
            painter.scale(dice.uniform(0.8, 1.1), dice.uniform(0.8, 1.1));
            pen(0.35, 0.55);
            const QPointF tick[] = {{-1.0, -0.1}, {-0.25, 0.9}, {1.4, -1.5}};
            painter.drawPolyline(tick, 3);
            break;
        }
        case Stroke::Cross: {
            painter.rotate(dice.within(10));
            const double reach = 1.3 * dice.uniform(0.8, 1.1);
            pen(0.35, 0.5);
            painter.drawLine(QPointF(-reach, -reach), QPointF(reach, reach));
            painter.drawLine(QPointF(reach, -reach), QPointF(-reach, reach));
            break;
        }
        case Stroke::HalfFilled: {
            // A disc cut by a chord, some 37–58 % of it inked.
            const double size = r * dice.uniform(0.9, 1.05);
            painter.rotate(dice.uniform(0, 360));
            QPainterPath path;
            path.addEllipse(QPointF(0, 0), size, size);
            QPainterPath half;
            half.addRect(QRectF(dice.uniform(-0.12, 0.2) * size, -2 * size, 3 * size, 4 * size));
            painter.setPen(Qt::NoPen);
            painter.setBrush(colour);
            painter.drawPath(path.intersected(half));
            break;
        }
        case Stroke::Withdrawn: {
            disc(0.9, 1.08);
            pen(0.35, 0.5);
            for (double angle : {45.0, 135.0}) {
                painter.save();
                painter.rotate(angle + dice.within(8));
                const double reach = dice.uniform(3.5, 4.0);
                painter.drawLine(QPointF(-reach, 0), QPointF(reach, 0));
                painter.restore();
            }
            break;
        }
    }
    painter.restore();
}

RowTruth randomRow(int options, Dice& dice) {
    RowTruth row;
    row.bubbles = QList<Stroke>(options, Stroke::None);
    const int chosen = dice.below(options);
    int other = dice.below(options - 1);
    other += other >= chosen ? 1 : 0;
    const int roll = dice.below(100);
    if (roll < 86) {
        row.bubbles[chosen] = Stroke::Filled;
    } else if (roll < 89) {
        row.bubbles[chosen] = Stroke::Tick;
    } else if (roll < 92) {
        row.bubbles[chosen] = Stroke::Cross;
    } else if (roll < 94) {
        row.mustAsk = true;  // left blank
    } else if (roll < 96) {
        row.bubbles[chosen] = row.bubbles[other] = Stroke::Filled;
        row.mustAsk = true;
    } else if (roll < 98) {
        row.bubbles[chosen] = Stroke::HalfFilled;
        row.mustAsk = true;
    } else {
        row.bubbles[chosen] = Stroke::Withdrawn;
        row.bubbles[other] = Stroke::Filled;
        row.mustAsk = true;
    }
    return row;
}

FormTruth fillForm(QPainter& painter, const printing::SheetCode& code, Dice& dice) {
    FormTruth truth;
    truth.code = code;
    truth.listNumber = 1 + dice.below(99);
    const int questions = int(code.questions.size());
    const sheet::Form form = sheet::formFor(questions);
    const auto at = [&](QPointF centre, Stroke stroke) {
        painter.save();
        painter.translate(centre);
        drawStroke(painter, stroke, dice);
        painter.restore();
    };
    at(sheet::listBubble(form, 0, truth.listNumber / 10), Stroke::Filled);
    at(sheet::listBubble(form, 1, truth.listNumber % 10), Stroke::Filled);
    for (int q = 0; q < questions; ++q) {
        const RowTruth row = randomRow(int(code.questions[q].order.size()), dice);
        for (int option = 0; option < row.bubbles.size(); ++option)
            at(sheet::answerBubble(questions, q, option), row.bubbles[option]);
        truth.rows.append(row);
    }
    return truth;
}

// The page's millimetres, its centre at the origin, to where the scanner or camera puts them.
cv::Matx33d placement(const Degradation& how, Dice& dice) {
    const double turn = (dice.within(how.rotation) + (how.upsideDown ? 180 : 0)) * M_PI / 180;
    const double size = 1 + dice.within(how.scale);
    const cv::Matx33d shift(1, 0, dice.within(how.shift), 0, 1, dice.within(how.shift), 0, 0, 1);
    const cv::Matx33d turnAndSize(size * std::cos(turn), -size * std::sin(turn), 0,
                                  size * std::sin(turn), size * std::cos(turn), 0, 0, 0, 1);
    cv::Matx33d tilt = cv::Matx33d::eye();
    if (how.phonePhoto) {
        // The page turned in space about a line through its centre, seen from 45 cm.
        const double angle = dice.uniform(5, 10) * M_PI / 180;
        const double axis = dice.uniform(0, M_PI);
        const double distance = 450;
        const cv::Vec3d along(std::cos(axis), std::sin(axis), 0);
        // Rodrigues' rotation about `along` by `angle`.
        const double c = std::cos(angle), sn = std::sin(angle);
        const cv::Matx33d cross(0, -along[2], along[1], along[2], 0, -along[0], -along[1], along[0],
                                0);
        const cv::Matx33d rotation =
            cv::Matx33d::eye() * c + (along * along.t()) * (1 - c) + cross * sn;
        std::array<cv::Point2f, 4> from, to;
        const double w = sheet::kA4Width / 2, h = sheet::kA4Height / 2;
        const cv::Point2d corners[] = {{-w, -h}, {w, -h}, {w, h}, {-w, h}};
        for (int i = 0; i < 4; ++i) {
            const cv::Vec3d p = rotation * cv::Vec3d(corners[i].x, corners[i].y, 0);
            from[i] = cv::Point2f(corners[i]);
            to[i] = cv::Point2f(float(p[0] * distance / (distance + p[2])),
                                float(p[1] * distance / (distance + p[2])));
        }
        tilt = cv::Matx33d(cv::getPerspectiveTransform(from.data(), to.data()));
    }
    return tilt * shift * turnAndSize;
}

// The light of a photo: brighter on one side, darker towards the corners.
cv::Mat unevenLight(cv::Size size, Dice& dice) {
    cv::Mat light(size, CV_32F);
    const double direction = dice.uniform(0, 2 * M_PI);
    const double dx = std::cos(direction), dy = std::sin(direction);
    const double strength = dice.uniform(0.25, 0.4);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            const double u = double(x) / size.width - 0.5, v = double(y) / size.height - 0.5;
            light.at<float>(y, x) =
                float(1 - strength * (0.5 + u * dx + v * dy) - 0.3 * (u * u + v * v));
        }
    return light;
}

cv::Mat spoil(const cv::Mat& printed, const Degradation& how, Dice& dice) {
    const double pixelsPerMm = how.dpi / 25.4;
    const QSizeF paper = printing::pageSize(printing::Paper::A4);
    // A photo shows the table around the page.
    const double margin = how.phonePhoto ? 1.2 : 1.0;
    const cv::Size size(int(paper.width() * margin * pixelsPerMm),
                        int(paper.height() * margin * pixelsPerMm));
    const double printedPerMm = kPrintDpi / 25.4;
    const cv::Matx33d fromPrinted(1 / printedPerMm, 0, -paper.width() / 2, 0, 1 / printedPerMm,
                                  -paper.height() / 2, 0, 0, 1);
    const cv::Matx33d toOutput(pixelsPerMm, 0, size.width / 2.0, 0, pixelsPerMm, size.height / 2.0,
                               0, 0, 1);
    const cv::Matx33d map = toOutput * placement(how, dice) * fromPrinted;

    cv::Mat source = printed;
    if (how.dpi < kPrintDpi)  // what a scanner's sensor averages
        cv::GaussianBlur(printed, source, {}, 0.5 * kPrintDpi / how.dpi);
    cv::Mat page;
    cv::warpPerspective(source, page, cv::Mat(map), size, cv::INTER_LINEAR, cv::BORDER_CONSTANT,
                        how.phonePhoto ? 90 : 250);
    if (how.blur > 0)
        cv::GaussianBlur(page, page, {}, how.blur * pixelsPerMm);
    cv::Mat levels;
    page.convertTo(levels, CV_32F);
    if (how.phonePhoto) {
        // Paper never comes out white in a photo, nor ink black.
        levels = levels * 0.75 + 25;
        levels = levels.mul(unevenLight(size, dice));
    }
    if (how.noise > 0) {
        cv::Mat noise(size, CV_32F);
        cv::RNG(dice.next()).fill(noise, cv::RNG::NORMAL, 0, how.noise);
        levels += noise;
    }
    levels.convertTo(page, CV_8U);
    return page;
}

Scan scanOf(const printing::SheetCode& code, const Degradation& degradation, Dice& dice) {
    printing::SheetContent content;
    content.title = QStringLiteral("Контрольная работа");
    content.variant = code.variant;
    for (const auto& question : code.questions)
        content.optionCounts.append(int(question.order.size()));
    content.code = printing::encodeSheetCode(code);
    content.check = printing::sheetCheck(code);
    QImage printed = printing::renderSheetPage(content, printing::Paper::A4, kPrintDpi);

    Scan scan;
    {
        QPainter painter(&printed);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(kPrintDpi / 25.4, kPrintDpi / 25.4);
        const sheet::Form form = sheet::formFor(int(code.questions.size()));
        for (int copy = 0; copy < sheet::formsPerPage(form); ++copy) {
            painter.save();
            painter.translate(sheet::frameOrigin(printing::Paper::A4) +
                              sheet::formOrigin(form, copy));
            scan.forms.append(fillForm(painter, code, dice));
            painter.restore();
        }
    }
    const cv::Mat pixels(printed.height(), printed.width(), CV_8UC1, printed.bits(),
                         size_t(printed.bytesPerLine()));
    const cv::Mat page = spoil(pixels, degradation, dice);
    scan.page =
        QImage(page.data, page.cols, page.rows, int(page.step), QImage::Format_Grayscale8).copy();
    const int dotsPerMeter = int(std::lround(degradation.dpi / 0.0254));
    scan.page.setDotsPerMeterX(dotsPerMeter);
    scan.page.setDotsPerMeterY(dotsPerMeter);
    if (degradation.jpegQuality > 0) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        scan.page.save(&buffer, "JPG", degradation.jpegQuality);
        scan.page = QImage::fromData(bytes, "JPG").convertToFormat(QImage::Format_Grayscale8);
    }
    return scan;
}

}  // namespace

Scan makeScan(int questions, const Degradation& degradation, quint64 seed) {
    Dice dice(seed);
    return scanOf(randomCode(std::clamp(questions, 1, 100), dice), degradation, dice);
}

Scan makeScan(const printing::SheetCode& code, const Degradation& degradation, quint64 seed) {
    Dice dice(seed);
    return scanOf(code, degradation, dice);
}

namespace {

// The one Filled of a row whose others are Empty; -1 otherwise.
int clearChoice(const QList<Bubble>& row) {
    int chosen = -1;
    for (int i = 0; i < row.size(); ++i) {
        if (row[i].mark == Mark::Doubtful)
            return -1;
        if (row[i].mark == Mark::Filled) {
            if (chosen >= 0)
                return -1;
            chosen = i;
        }
    }
    return chosen;
}

void tallyForm(const FormTruth& truth, const FormRead& read, Tally& into) {
    if (!read.code) {
        ++into.codesUnread;
        return;
    }
    if (*read.code != truth.code) {
        ++into.codesWrong;
        return;
    }
    int number = 0;
    for (int place = 0; place < kListPlaces; ++place) {
        const QList<Bubble> column(read.listNumber[place].begin(), read.listNumber[place].end());
        const int digit = clearChoice(column);
        number = digit < 0 || number < 0 ? -1 : number * 10 + digit;
    }
    if (number < 0)
        ++into.listsUnclear;
    else if (number != truth.listNumber)
        ++into.listsWrong;

    for (int q = 0; q < truth.rows.size() && q < read.answers.size(); ++q) {
        const RowTruth& row = truth.rows[q];
        const QList<Bubble>& marks = read.answers[q];
        const bool asked = read.rowCrops.contains(q);
        if (row.mustAsk) {
            ++into.askRows;
            into.askMissed += asked ? 0 : 1;
        } else {
            ++into.ordinaryRows;
            into.ordinaryAsked += asked ? 1 : 0;
        }
        for (int option = 0; option < row.bubbles.size() && option < marks.size(); ++option) {
            const Stroke stroke = row.bubbles[option];
            const Mark mark = marks[option].mark;
            ++into.bubbles;
            bool right = false, wrong = false;
            switch (stroke) {
                case Stroke::None:
                    right = mark == Mark::Empty;
                    wrong = mark == Mark::Filled;
                    break;
                case Stroke::Filled:
                case Stroke::Tick:
                case Stroke::Cross:
                    right = mark == Mark::Filled;
                    wrong = mark == Mark::Empty;
                    break;
                case Stroke::HalfFilled:
                    right = mark == Mark::Doubtful;
                    wrong = !right;
                    break;
                case Stroke::Withdrawn:
                    right = mark != Mark::Filled;
                    wrong = !right;
                    break;
            }
            into.bubblesRight += right ? 1 : 0;
            into.wrongUndoubted += wrong ? 1 : 0;
        }
    }
}

}  // namespace

namespace {
constexpr char kStrokeLetters[] = ".FTXHW";
}

QByteArray truthText(const QList<FormTruth>& forms) {
    QByteArray text;
    for (const FormTruth& form : forms) {
        text += printing::encodeSheetCode(form.code) + ' ' + QByteArray::number(form.listNumber);
        for (const RowTruth& row : form.rows) {
            text += ' ';
            for (Stroke stroke : row.bubbles)
                text += kStrokeLetters[int(stroke)];
        }
        text += '\n';
    }
    return text;
}

QList<FormTruth> truthFromText(const QByteArray& text) {
    QList<FormTruth> forms;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() < 2)
            continue;
        FormTruth form;
        form.code = printing::decodeSheetCode(words[0]).value_or(printing::SheetCode{});
        form.listNumber = words[1].toInt();
        for (qsizetype i = 2; i < words.size(); ++i) {
            RowTruth row;
            int chosen = 0, unclear = 0;
            for (char letter : words[i]) {
                const auto stroke = Stroke(std::strchr(kStrokeLetters, letter) - kStrokeLetters);
                row.bubbles.append(stroke);
                chosen +=
                    stroke == Stroke::Filled || stroke == Stroke::Tick || stroke == Stroke::Cross;
                unclear += stroke == Stroke::HalfFilled || stroke == Stroke::Withdrawn;
            }
            row.mustAsk = chosen != 1 || unclear > 0;
            form.rows.append(row);
        }
        forms.append(form);
    }
    return forms;
}

void tally(const Scan& scan, const PageRead& read, Tally& into) {
    for (int i = 0; i < scan.forms.size(); ++i) {
        ++into.forms;
        const auto found = std::find_if(read.forms.begin(), read.forms.end(),
                                        [&](const FormRead& form) { return form.form == i; });
        if (found == read.forms.end()) {
            into.formsLost += read.problem.isEmpty() ? 1 : 0;
            into.codesUnread += 1;
            continue;
        }
        tallyForm(scan.forms[i], *found, into);
    }
}

}  // namespace grading::testkit
