// Opening a base of the old Jet format in the editor: it is offered as a copy in our format,
// and the original is never written.

#include "editor/ui/limitedtextedit.h"
#include "questionbase/error.h"
#include "tests/support/editorbases.h"
#include "tests/support/editorsession.h"
#include "tests/support/jetfixtures.h"

#include <QFile>
#include <QTest>

#include <memory>

using testsupport::EditorSession;

class EditorJetTest : public QObject {
    Q_OBJECT

    std::unique_ptr<EditorSession> s_;

    QString copyOf(const QString& fixture) {
        const QString path = s_->folder.path(fixture);
        if (!QFile::copy(testsupport::jetFixture(fixture), path))
            return {};
        return path;
    }
    QString converted(const QString& name) const {
        return s_->folder.path(name + QStringLiteral(" (новый формат).mdb"));
    }

private slots:
    void init() { s_ = std::make_unique<EditorSession>(); }
    void cleanup() {
        VERIFY_ALL_SHOWN(s_->dialogs);
        s_.reset();
    }

    void yesOpensAConvertedCopy() {
        const QString original = copyOf(QStringLiteral("plain.mdb"));
        QVERIFY(!original.isEmpty());
        const QByteArray before = testsupport::fileChecksum(original);
        s_->dialogs.expectOpenFile(original).expectYesNo(true);
        s_->trigger("optest");
        QCOMPARE(s_->caption(), QStringLiteral("Вопрос № 1 из 5"));
        QCOMPARE(s_->probe.adresok(), converted(QStringLiteral("plain")));
        QVERIFY(s_->probe.Text1()->isEnabled());
        QCOMPARE(s_->dialogs.shown().at(1).title, QStringLiteral("Tambris"));

        // The copy is ours: questions can be edited and stored.
        s_->click("Command3");
        QCOMPARE(s_->caption(), QStringLiteral("Вопрос № 2 из 5"));
        s_->window->close();
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
        s_->dialogs.expectOpenFile(original).expectYesNo(false);
        s_->trigger("optest");
        QVERIFY(!s_->probe.baza().isOpen());
        QVERIFY(!s_->probe.Text1()->isEnabled());
        QVERIFY(!QFile::exists(converted(QStringLiteral("plain"))));
    }

    void protectedBaseAsksItsPasswordFirstAndTheCopyKeepsIt() {
        const QString original = copyOf(QStringLiteral("secret.mdb"));
        s_->dialogs.expectOpenFile(original)
            .expectPassword(QStringLiteral("неверно"), QStringLiteral("Введите пароль"))
            .expectPassword(QStringLiteral("тест1"), QStringLiteral("Введите пароль"))
            .expectYesNo(true);
        s_->trigger("optest");
        QCOMPARE(s_->caption(), QStringLiteral("Вопрос № 1 из 5"));
        QCOMPARE(s_->probe.parol(), QStringLiteral("тест1"));
        s_->window->close();
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
        s_->dialogs.expectOpenFile(original).expectYesNo(true);
        s_->trigger("optest");
        QCOMPARE(s_->probe.adresok(),
                 s_->folder.path(QStringLiteral("plain (новый формат) 2.mdb")));
        QCOMPARE(s_->caption(), QStringLiteral("Вопрос № 1 из 5"));
        QFile kept(taken);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("не трогать"));
    }
};

QTEST_MAIN(EditorJetTest)
#include "tst_editorjet.moc"
