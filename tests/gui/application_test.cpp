// An exception that escapes an event handler must reach the technician as an error
// dialog and leave the program running, not end it.
#include "application.h"
#include "message_box_closer.h"

#include <QTest>
#include <QTimer>

#include <stdexcept>

class ApplicationTest : public QObject {
    Q_OBJECT

private slots:
    void exceptionInHandlerIsShownAndLoopGoesOn()
    {
        MessageBoxCloser closer;
        bool ranAfterwards = false;
        QTimer::singleShot(0, [] { throw std::runtime_error("The sky fell."); });
        QTimer::singleShot(0, [] { throw 42; });
        QTimer::singleShot(10, [&] { ranAfterwards = true; });

        QTRY_VERIFY(ranAfterwards);
        QCOMPARE(closer.shown.size(), 2);
        QCOMPARE(closer.shown[0].text, QString("The sky fell."));
        QCOMPARE(closer.shown[0].caption, QApplication::applicationDisplayName());
        QCOMPARE(closer.shown[0].icon, QMessageBox::Critical);
        QCOMPARE(closer.shown[1].text, QString());
    }
};

int main(int argc, char** argv)
{
    TApplication application(argc, argv);
    ApplicationTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "application_test.moc"
