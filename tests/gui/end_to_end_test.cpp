// The whole tool against a virtual sensor on a real pseudo-terminal, driven through the
// window as a technician would: type the sensor's path, watch the measurements come,
// give it a new address with "Set".
#include "message_box_closer.h"
#include "uFormMain.h"
#include "virtual_sensor.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <algorithm>

namespace {

// A poll comes every tenth tick, about a second after the path is typed, and a profile 1
// poll spends 400 ms in its pauses; the rest is slack for a busy machine.
constexpr int FirstMeasurementMs = 2500;

bool ShowsGreen(QLabel* text, const QString& expected)
{
    return text->text() == expected &&
        text->palette().color(text->foregroundRole()) == QColor(0, 128, 0);
}

bool Logged(const VirtualSensor& sensor, const SensorRequest& request)
{
    const std::vector<SensorRequest> log = sensor.Requests();
    return std::find(log.begin(), log.end(), request) != log.end();
}

}  // namespace

class EndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void measuresThenChangesAddress()
    {
        VirtualSensor sensor(SensorOptions{});
        QVERIFY(sensor.Start());

        QElapsedTimer sinceStart;
        sinceStart.start();
        TFormMain window;
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QLineEdit* port = window.findChild<QComboBox*>("sComboBoxPortName")->lineEdit();
        port->setFocus();
        port->selectAll();
        QTest::keyClicks(port, QString::fromStdString(sensor.DevicePath()));

        auto* text = window.findChild<QLabel*>("StaticTextMeasurement");
        const QString measured = "21.500    1.000    -2.000  ";
        QTRY_VERIFY_WITH_TIMEOUT(ShowsGreen(text, measured), FirstMeasurementMs);
        qInfo("first measurement %lld ms after the window was created", sinceStart.elapsed());

        QSpinBox* newAddress = window.findChild<QSpinBox*>("sSpinEditAddress_new");
        newAddress->setFocus();
        newAddress->selectAll();
        QTest::keyClicks(newAddress, "10");
        MessageBoxCloser closer;
        QTest::mouseClick(window.findChild<QPushButton*>("sButtonSet"), Qt::LeftButton);

        QTRY_COMPARE_WITH_TIMEOUT(closer.shown.size(), 1, 3000);
        QCOMPARE(closer.shown[0].caption, QString("Parameters updated"));
        QCOMPARE(closer.shown[0].text,
                 QString("Success.\nPlease power off and power on the sensor."));
        QCOMPARE(closer.shown[0].icon, QMessageBox::Information);

        // Profile 1 takes its address by broadcast and is asked for it back at the new one.
        QVERIFY(Logged(sensor, {0, 16, 0, 1, {10}}));
        QVERIFY(Logged(sensor, {10, 3, 0, 1, {}}));
        QCOMPARE(sensor.Address(), uint8_t(10));
        QCOMPARE(window.findChild<QSpinBox*>("sSpinEditAddress")->value(), 10);

        // The polls that follow address the sensor where it now answers.
        sensor.ClearRequests();
        window.SetMeasurement("", MeasurementRed);
        QTRY_VERIFY_WITH_TIMEOUT(ShowsGreen(text, measured), FirstMeasurementMs);
        QVERIFY(Logged(sensor, {10, 4, 100, 2, {}}));
        QCOMPARE(closer.shown.size(), 1);
    }
};

QTEST_MAIN(EndToEndTest)
#include "end_to_end_test.moc"
