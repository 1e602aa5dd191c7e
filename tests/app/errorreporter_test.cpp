// The player's message boxes: how each kind looks, and that the player's
// own reports come up in them.
#include "apptest.h"

#include "errorreporter.h"

#include <QEvent>

using namespace apptest;

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new Environment);

TEST(ErrorReporter, EachKindIsTitledWithTheProgramAndClosedWithOk)
{
    QWidget owner;
    const struct {
        ErrorReporter::Kind kind;
        QMessageBox::Icon icon;
        QWidget* parent;
    } table[] = {
        {ErrorReporter::Kind::Error, QMessageBox::Critical, nullptr},
        {ErrorReporter::Kind::Refusal, QMessageBox::NoIcon, nullptr},
        {ErrorReporter::Kind::Notice, QMessageBox::Information, &owner},
    };
    for (const auto& c : table) {
        const auto box = ErrorReporter::makeBox(c.kind, "Some text\nover two lines", c.parent);
        EXPECT_EQ(box->icon(), c.icon);
        EXPECT_EQ(box->windowTitle(), "Norrava " NORRAVA_VERSION);
        EXPECT_EQ(box->text(), "Some text\nover two lines");
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(box->parentWidget(), c.parent);
    }
}

// Records each message box as it is shown and closes it.
class BoxCatcher : public QObject {
public:
    BoxCatcher() { qApp->installEventFilter(this); }
    ~BoxCatcher() override { qApp->removeEventFilter(this); }

    struct Seen {
        QMessageBox::Icon icon;
        QString title, text;
        QWidget* parent;
    };
    QList<Seen> seen;

    QString texts() const
    {
        QStringList all;
        for (const Seen& s : seen)
            all << s.title + ": " + s.text;
        return all.join(" | ");
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (box && event->type() == QEvent::Show) {
            seen << Seen{box->icon(), box->windowTitle(), box->text(), box->parentWidget()};
            QMetaObject::invokeMethod(box, &QMessageBox::reject, Qt::QueuedConnection);
        }
        return false;
    }
};

class ErrorReportsTest : public PlayerTest {
protected:
    void TearDown() override
    {
        // The environment's watchdog may have seen the boxes too.
        for (const auto& s : catcher.seen)
            unexpectedMessages().removeAll(s.text);
        NorravaApplication::SetExceptionReporter([](const QString& message) { unexpectedMessages() << message; });
        PlayerTest::TearDown();
    }

    BoxCatcher catcher;
};

TEST_F(ErrorReportsTest, ARefusedFileComesUpInARefusalBox)
{
    app->ShowMediaMessage = CreateWindows()->app->ShowMediaMessage; // the player's own, not the recorder
    app->LoadTheFile(testmedia::rawFile("app_refused.txt", "not a medium\n"));
    ASSERT_TRUE(loadEnded());
    ASSERT_EQ(catcher.seen.size(), 1) << catcher.texts().toStdString();
    EXPECT_EQ(catcher.seen[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(catcher.seen[0].title, "Norrava " NORRAVA_VERSION);
    EXPECT_EQ(catcher.seen[0].text, "Norrava cannot open this type of file.");
    EXPECT_EQ(catcher.seen[0].parent, nullptr);
}

TEST_F(ErrorReportsTest, AnExceptionComesUpInAnErrorBox)
{
    NorravaApplication::SetExceptionReporter({});
    NorravaApplication::ShowException("The file could not be saved.");
    ASSERT_EQ(catcher.seen.size(), 1) << catcher.texts().toStdString();
    EXPECT_EQ(catcher.seen[0].icon, QMessageBox::Critical);
    EXPECT_EQ(catcher.seen[0].title, "Norrava " NORRAVA_VERSION);
    EXPECT_EQ(catcher.seen[0].text, "The file could not be saved.");
}

} // namespace
