// Opening a base of the old Jet format in the editor: it is offered as a copy in our format,
// and the original is never written.

#include "desktop/scripted/scripteddialogs.h"
#include "editor/ui/editorwindow.h"
#include "editor/ui/limitedtextedit.h"
#include "questionbase/error.h"
#include "tests/support/editorbases.h"
#include "tests/support/jetfixtures.h"
#include "tests/support/tempbase.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>

#include <memory>

using editor::Editor;

class EditorJetTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TempFolder> folder_;
    std::unique_ptr<desktop::ScriptedDialogs> dialogs_;
    desktop::ScriptedServices services_;
    std::unique_ptr<Editor> window_;

    QString copyOf(const QString& fixture) {
        const QString path = folder_->path(fixture);
        if (!QFile::copy(testsupport::jetFixture(fixture), path))
            return {};
        return path;
    }
    QString converted(const QString& name) const {
        return folder_->path(name + QStringLiteral(" (новый формат).mdb"));
    }

private slots:
    void init() {
        folder_ = std::make_unique<testsupport::TempFolder>();
        dialogs_ = std::make_unique<desktop::ScriptedDialogs>();
        services_.folder = folder_->folder();
        window_ = std::make_unique<Editor>(*dialogs_, services_);
        window_->show();
    }
    void cleanup() {
        VERIFY_ALL_SHOWN(*dialogs_);
        window_.reset();
    }

    void yesOpensAConvertedCopy() {
        const QString original = copyOf(QStringLiteral("plain.mdb"));
        QVERIFY(!original.isEmpty());
        const QByteArray before = testsupport::fileChecksum(original);
        dialogs_->expectOpenFile(original).expectYesNo(true);
        window_->optest();
        QCOMPARE(window_->nomerok->text(), QStringLiteral("Вопрос № 1 из 5"));
        QCOMPARE(window_->adresok, converted(QStringLiteral("plain")));
        QVERIFY(window_->Text1->isEnabled());
        QCOMPARE(dialogs_->shown().at(1).title, QStringLiteral("Tambris"));

        // The copy is ours: questions can be edited and stored.
        window_->Command3_Click();
        QCOMPARE(window_->nomerok->text(), QStringLiteral("Вопрос № 2 из 5"));
        window_->close();
        QCOMPARE(testsupport::fileChecksum(original), before);
        const auto rows =
            testsupport::readRows(converted(QStringLiteral("plain")), QStringLiteral("test"));
        QCOMPARE(rows.size(), 5);
        QList<int> numbers;
        for (const QVariantList& row : rows)
            numbers << row.at(0).toInt();
        QCOMPARE(numbers, QList<int>({1, 2, 4, 5, 6}));
    }

    void noOpensNothing() {
        const QString original = copyOf(QStringLiteral("plain.mdb"));
        dialogs_->expectOpenFile(original).expectYesNo(false);
        window_->optest();
        QVERIFY(!window_->baza.isOpen());
        QVERIFY(!window_->Text1->isEnabled());
        QVERIFY(!QFile::exists(converted(QStringLiteral("plain"))));
    }

    void protectedBaseAsksItsPasswordFirstAndTheCopyKeepsIt() {
        const QString original = copyOf(QStringLiteral("secret.mdb"));
        dialogs_->expectOpenFile(original)
            .expectInput(QStringLiteral("неверно"), QStringLiteral("Введите пароль"))
            .expectInput(QStringLiteral("тест1"), QStringLiteral("Введите пароль"))
            .expectYesNo(true);
        window_->optest();
        QCOMPARE(window_->nomerok->text(), QStringLiteral("Вопрос № 1 из 5"));
        QCOMPARE(window_->parol, QStringLiteral("тест1"));
        window_->close();
        QVERIFY_THROWS_EXCEPTION(
            qb::Error,
            testsupport::readRows(converted(QStringLiteral("secret")), QStringLiteral("test")));
        QCOMPARE(testsupport::readRows(converted(QStringLiteral("secret")), QStringLiteral("test"),
                                       QStringLiteral("тест1"))
                     .size(),
                 5);
    }

    void anExistingCopyIsNeverReplaced() {
        const QString original = copyOf(QStringLiteral("plain.mdb"));
        const QString taken = converted(QStringLiteral("plain"));
        testsupport::writeFile(taken, QByteArray("не трогать"));
        dialogs_->expectOpenFile(original).expectYesNo(true);
        window_->optest();
        QCOMPARE(window_->adresok, folder_->path(QStringLiteral("plain (новый формат) 2.mdb")));
        QCOMPARE(window_->nomerok->text(), QStringLiteral("Вопрос № 1 из 5"));
        QFile kept(taken);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("не трогать"));
    }
};

QTEST_MAIN(EditorJetTest)
#include "tst_editorjet.moc"
