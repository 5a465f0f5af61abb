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
        case ScriptedDialogs::Kind::Password:
            return "password box";
        case ScriptedDialogs::Kind::YesNo:
            return "yes/no question";
        case ScriptedDialogs::Kind::OpenFile:
            return "open dialog";
        case ScriptedDialogs::Kind::SaveFile:
            return "save dialog";
        case ScriptedDialogs::Kind::OpenFiles:
            return "open dialog for several files";
        case ScriptedDialogs::Kind::OpenFolder:
            return "folder dialog";
    }
    return "box";
}

}  // namespace

ScriptedDialogs::~ScriptedDialogs() {
    // No VERIFY_ALL_SHOWN came after the box: the test is still told, at a line of its own.
    if (unexpected_.isEmpty())
        return;
    const Where& where = unexpected_.first().where;
    QTest::qFail(unexpectedProblems().join(QStringLiteral("; ")).toUtf8().constData(),
                 where.file_name(), static_cast<int>(where.line()));
}

QStringList ScriptedDialogs::unexpectedProblems() const {
    QStringList problems;
    for (const Unexpected& box : unexpected_)
        problems << box.problem;
    return problems;
}

ScriptedDialogs& ScriptedDialogs::expect(Expected expected) {
    script_.append(std::move(expected));
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectMessage(const QString& text, Where where) {
    return expect({Kind::Message, text, {}, true, where});
}

ScriptedDialogs& ScriptedDialogs::expectInput(const QString& answer, const QString& prompt,
                                              Where where) {
    return expect({Kind::Input, prompt, answer, true, where});
}

ScriptedDialogs& ScriptedDialogs::expectPassword(const QString& answer, const QString& prompt,
                                                 Where where) {
    return expect({Kind::Password, prompt, answer, true, where});
}

ScriptedDialogs& ScriptedDialogs::expectYesNo(bool yes, const QString& text, Where where) {
    return expect({Kind::YesNo, text, {}, yes, where});
}

ScriptedDialogs& ScriptedDialogs::expectOpenFile(const std::optional<QString>& path, Where where) {
    return expect({Kind::OpenFile, {}, path.value_or(QString()), path.has_value(), where});
}

ScriptedDialogs& ScriptedDialogs::expectSaveFile(const std::optional<QString>& path, Where where) {
    return expect({Kind::SaveFile, {}, path.value_or(QString()), path.has_value(), where});
}

ScriptedDialogs& ScriptedDialogs::expectOpenFiles(const std::optional<QStringList>& paths,
                                                  Where where) {
    return expect(
        {Kind::OpenFiles, {}, {}, paths.has_value(), where, paths.value_or(QStringList())});
}

ScriptedDialogs& ScriptedDialogs::expectOpenFolder(const std::optional<QString>& path,
                                                   Where where) {
    return expect({Kind::OpenFolder, {}, path.value_or(QString()), path.has_value(), where});
}

QStringList ScriptedDialogs::messages() const {
    QStringList texts;
    for (const Shown& box : shown_) {
        if (box.kind == Kind::Message)
            texts << box.text;
    }
    return texts;
}

bool ScriptedDialogs::verifyAllShown(const char* file, int line) {
    QStringList problems = unexpectedProblems();
    unexpected_.clear();  // told here, not again when the dialogs go
    if (!script_.isEmpty()) {
        problems << QStringLiteral("%1 scripted box(es) never shown; next: %2 \"%3\"")
                        .arg(script_.size())
                        .arg(QLatin1String(kindName(script_.first().kind)), script_.first().text);
    }
    if (problems.isEmpty())
        return true;
    QTest::qFail(problems.join(QStringLiteral("; ")).toUtf8().constData(), file, line);
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
    if (script_.isEmpty()) {
        unexpected_.append(
            {QStringLiteral("unexpected %1: \"%2\"").arg(QLatin1String(kindName(kind)), text),
             made_});
        return std::nullopt;
    }
    const Expected& next = script_.first();
    QString problem;
    if (next.kind != kind) {
        problem = QStringLiteral("expected %1, got %2: \"%3\"")
                      .arg(QLatin1String(kindName(next.kind)), QLatin1String(kindName(kind)), text);
    } else if (!next.text.isEmpty() && next.text != text) {
        problem = QStringLiteral("%1 shows \"%2\", expected \"%3\"")
                      .arg(QLatin1String(kindName(kind)), text, next.text);
    }
    if (!problem.isEmpty()) {
        problem += QStringLiteral(" (scripted at %1:%2)")
                       .arg(QString::fromUtf8(next.where.file_name()))
                       .arg(next.where.line());
        unexpected_.append({problem, next.where});
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

QString ScriptedDialogs::password(const QString& title, const QString& prompt) {
    const auto expected = take(Kind::Password, title, prompt);
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

std::optional<QStringList> ScriptedDialogs::openFiles(const FileDialogOptions& options) {
    const auto expected = take(Kind::OpenFiles, options.title, options.title, options);
    if (!expected || !expected->accept)
        return std::nullopt;
    return expected->answers;
}

std::optional<QString> ScriptedDialogs::openFolder(const FileDialogOptions& options) {
    const auto expected = take(Kind::OpenFolder, options.title, options.title, options);
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
