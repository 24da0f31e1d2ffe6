// Takes the picture of the window the README shows: the real window against a virtual
// sensor, the sensor's path typed into "Serial Port" as a technician would, measurements
// in. scripts/screenshot runs it under Xvfb.
#include "uFormMain.h"
#include "virtual_sensor.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.png\n", argv[0]);
        return 2;
    }

    VirtualSensor sensor(SensorOptions{});
    if (!sensor.Start()) {
        std::fputs("the virtual sensor did not start\n", stderr);
        return 1;
    }

    TFormMain FormMain;
    FormMain.show();
    // A bare X server has no window manager to make the window active; shown is enough.
    if (!QTest::qWaitForWindowExposed(&FormMain)) {
        std::fputs("the window did not come up\n", stderr);
        return 1;
    }

    QLineEdit* port = FormMain.findChild<QComboBox*>("sComboBoxPortName")->lineEdit();
    port->setFocus();
    port->selectAll();
    QTest::keyClicks(port, QString::fromStdString(sensor.DevicePath()));

    auto* text = FormMain.findChild<QLabel*>("StaticTextMeasurement");
    QDeadlineTimer deadline(5000);
    while (text->text().isEmpty() && !deadline.hasExpired())
        QTest::qWait(50);
    if (text->text() == "No sensor" || text->text().isEmpty()) {
        std::fputs("no measurements from the virtual sensor\n", stderr);
        return 1;
    }

    if (!FormMain.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
