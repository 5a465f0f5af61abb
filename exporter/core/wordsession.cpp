#include "exporter/core/wordsession.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace exporter {

namespace {

constexpr std::array<double, 16> kListedSizes = {8,  9,  10, 11, 12, 14, 16, 18,
                                                 20, 22, 24, 26, 28, 36, 48, 72};
constexpr double kSmallest = 1;
constexpr double kLargest = 1638;

}  // namespace

double grownFontSize(double points) {
    if (points < kListedSizes.front())
        return std::min(std::floor(points) + 1, kListedSizes.front());
    if (points >= kListedSizes.back())
        return std::min(std::floor(points / 10) * 10 + 10, kLargest);
    return *std::upper_bound(kListedSizes.begin(), kListedSizes.end(), points);
}

double shrunkFontSize(double points) {
    if (points > kListedSizes.back())
        return std::max(std::ceil(points / 10) * 10 - 10, kListedSizes.back());
    if (points <= kListedSizes.front())
        return std::max(std::ceil(points) - 1, kSmallest);
    return *(std::lower_bound(kListedSizes.begin(), kListedSizes.end(), points) - 1);
}

void RecordingWordSession::setCaption(const QString& caption) {
    calls_ << QStringLiteral("Caption ") + caption;
}

void RecordingWordSession::setStatusText(const QString& text) {
    calls_ << QStringLiteral("StatusBar ") + text;
}

void RecordingWordSession::setParagraphFormat(const WordParagraphFormat& format) {
    calls_ << QStringLiteral("ParagraphFormat %1 %2 %3%4%5%6%7%8")
                  .arg(format.spaceBefore)
                  .arg(format.spaceAfter)
                  .arg(int(format.widowControl))
                  .arg(int(format.keepWithNext))
                  .arg(int(format.keepTogether))
                  .arg(int(format.pageBreakBefore))
                  .arg(int(format.noLineNumber))
                  .arg(int(format.hyphenation));
}

void RecordingWordSession::fontGrow() {
    fontSize_ = grownFontSize(fontSize_);
    calls_ << QStringLiteral("Grow");
}

void RecordingWordSession::fontShrink() {
    fontSize_ = shrunkFontSize(fontSize_);
    calls_ << QStringLiteral("Shrink");
}

void RecordingWordSession::typeText(const QString& text) {
    calls_ << QStringLiteral("TypeText %1 [%2]").arg(fontSize_).arg(text);
}

void RecordingWordSession::typeParagraph() {
    calls_ << QStringLiteral("TypeParagraph");
}

bool RecordingWordSession::addInlinePicture(const QString& path) {
    const bool taken = !refusedPictures.contains(path);
    calls_ << (taken ? QStringLiteral("Picture ") : QStringLiteral("RefusedPicture ")) + path;
    return taken;
}

}  // namespace exporter
