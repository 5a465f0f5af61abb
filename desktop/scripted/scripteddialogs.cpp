#include "desktop/scripted/scripteddialogs.h"

#include <QTest>

namespace desktop {

namespace {

const char* kindName(ScriptedDialogs::Kind kind) {
    switch (kind) {
        case ScriptedDialogs::Kind::Message:
            return "message box";
        case ScriptedDialogs::Kind::Input:
            return "input box";
        case ScriptedDialogs::Kind::YesNo:
            return "yes/no question";
        case ScriptedDialogs::Kind::OpenFile:
            return "open dialog";
        case ScriptedDialogs::Kind::SaveFile:
            return "save dialog";
    }
    return "box";
}

}  // namespace

ScriptedDialogs& ScriptedDialogs::expectMessage(const QString& text) {
    script_.append({Kind::Message, text, {}, true});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectInput(const QString& answer, const QString& prompt) {
    script_.append({Kind::Input, prompt, answer, true});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectYesNo(bool yes, const QString& text) {
    script_.append({Kind::YesNo, text, {}, yes});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectOpenFile(const std::optional<QString>& path) {
    script_.append({Kind::OpenFile, {}, path.value_or(QString()), path.has_value()});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectSaveFile(const std::optional<QString>& path) {
    script_.append({Kind::SaveFile, {}, path.value_or(QString()), path.has_value()});
    return *this;
}

QStringList ScriptedDialogs::messages() const {
    QStringList texts;
    for (const Shown& box : shown_) {
        if (box.kind == Kind::Message)
            texts << box.text;
    }
    return texts;
}

bool ScriptedDialogs::verifyAllShown(const char* file, int line) const {
    if (script_.isEmpty())
        return true;
    const QString text =
        QStringLiteral("%1 scripted box(es) never shown; next: %2 \"%3\"")
            .arg(script_.size())
            .arg(QLatin1String(kindName(script_.first().kind)), script_.first().text);
    QTest::qFail(text.toUtf8().constData(), file, line);
    return false;
}

void ScriptedDialogs::clear() {
    script_.clear();
    shown_.clear();
}

std::optional<ScriptedDialogs::Expected> ScriptedDialogs::take(Kind kind, const QString& title,
                                                               const QString& text,
                                                               const FileDialogOptions& options) {
    shown_.append({kind, title, text, options});
    QString problem;
    if (script_.isEmpty()) {
        problem = QStringLiteral("unexpected %1: \"%2\"").arg(QLatin1String(kindName(kind)), text);
    } else if (script_.first().kind != kind) {
        problem = QStringLiteral("expected %1, got %2: \"%3\"")
                      .arg(QLatin1String(kindName(script_.first().kind)),
                           QLatin1String(kindName(kind)), text);
    } else if (!script_.first().text.isEmpty() && script_.first().text != text) {
        problem = QStringLiteral("%1 shows \"%2\", expected \"%3\"")
                      .arg(QLatin1String(kindName(kind)), text, script_.first().text);
    }
    if (!problem.isEmpty()) {
        QTest::qFail(problem.toUtf8().constData(), __FILE__, __LINE__);
        return std::nullopt;
    }
    return script_.takeFirst();
}

void ScriptedDialogs::message(const QString& title, const QString& text) {
    take(Kind::Message, title, text);
}

QString ScriptedDialogs::input(const QString& title, const QString& prompt) {
    const auto expected = take(Kind::Input, title, prompt);
    return expected ? expected->answer : QString();
}

bool ScriptedDialogs::askYesNo(const QString& title, const QString& text) {
    const auto expected = take(Kind::YesNo, title, text);
    return expected && expected->accept;
}

std::optional<QString> ScriptedDialogs::openFile(const FileDialogOptions& options) {
    const auto expected = take(Kind::OpenFile, options.title, options.title, options);
    if (!expected || !expected->accept)
        return std::nullopt;
    return expected->answer;
}

std::optional<QString> ScriptedDialogs::saveFile(const FileDialogOptions& options) {
    const auto expected = take(Kind::SaveFile, options.title, options.title, options);
    if (!expected || !expected->accept)
        return std::nullopt;
    return expected->answer;
}

bool ScriptedServices::openDocument(const QString& path) {
    if (!hasDocumentApplication)
        return false;
    openedDocuments << path;
    return true;
}

}  // namespace desktop
