// The main window as the technician meets it: what it shows at start, where its controls
// sit, how the focus moves, what a click on Set raises, and what the address fields let
// the cycle read. No sensor is attached here; the end-to-end test has one.
#include "message_box_closer.h"
#include "port_combo_box.h"
#include "uFormMain.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// A path that is certain not to exist, so every tick's Open fails at once.
const char* const MissingPort = "/dev/ttyMISSING9";

template <class W> W* Find(QWidget& window, const char* name)
{
    W* widget = window.findChild<W*>(name);
    if (!widget)
        qFatal("no control named %s", name);
    return widget;
}

QStringList Items(QComboBox* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

// The control, among those named, that holds the focus (an editable list or a spin box
// passes it on to a line edit inside).
QString FocusedControl()
{
    for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
        if (w->objectName().startsWith('s'))
            return w->objectName();
    return {};
}

}  // namespace

class FormMainTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TFormMain> window;

    // The timer stays off in tests that run ticks themselves, so none comes on its own.
    void StopTicks() { Find<QTimer>(*window, "TimerComand")->stop(); }

    void ShowActive()
    {
        window->show();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    void TypeInto(QWidget* field, const QString& text)
    {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
    }

    double Scale() const { return window->screen()->logicalDotsPerInch() / 96.0; }

private slots:
    void init() { window = std::make_unique<TFormMain>(); }
    void cleanup() { window.reset(); }

    void startState()
    {
        // Before the loop has run: no tick yet.
        QCOMPARE(window->windowTitle(), QString("Tarnwell"));
        QCOMPARE(window->objectName(), QString("FormMain"));
        QCOMPARE(window->Cycle().tickCount, 0);

        auto* port = Find<QComboBox>(*window, "sComboBoxPortName");
        QVERIFY(port->isEditable());
        QCOMPARE(Items(port), PortComboBox::PortsPresent());
        QCOMPARE(port->currentIndex(), port->count() > 0 ? 0 : -1);
        QCOMPARE(port->currentText(), port->count() > 0 ? port->itemText(0) : QString());

        const QStringList bauds{"1200", "2400", "4800", "9600", "19200", "38400"};
        const QStringList parities{"None", "Even", "Odd"};
        for (const char* name : {"sComboBoxBaudrate", "sComboBoxBaudrate_new"}) {
            auto* list = Find<QComboBox>(*window, name);
            QCOMPARE(Items(list), bauds);
            QCOMPARE(list->currentText(), QString("9600"));
            QVERIFY(!list->isEditable());
        }
        for (const char* name : {"sComboBoxParity", "sComboBoxParity_new"}) {
            auto* list = Find<QComboBox>(*window, name);
            QCOMPARE(Items(list), parities);
            QCOMPARE(list->currentText(), QString("Even"));
            QVERIFY(!list->isEditable());
        }
        for (const char* name : {"sSpinEditAddress", "sSpinEditAddress_new"}) {
            auto* field = Find<QSpinBox>(*window, name);
            QCOMPARE(field->value(), 247);
            QCOMPARE(field->minimum(), 1);
            QCOMPARE(field->maximum(), 247);
        }
        QCOMPARE(Find<QLabel>(*window, "StaticTextMeasurement")->text(), QString());
        QCOMPARE(Find<QLabel>(*window, "sLabelInfo")->text(),
                 QString("Modbus RTU\nSetup Tool\ntarnwell.example"));

        auto* timer = Find<QTimer>(*window, "TimerComand");
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 100);
        QCOMPARE(timer->timerType(), Qt::PreciseTimer);
    }

    void layout_data()
    {
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("at96dpi");
        // Labels may grow to the right when a wider font stands in for Tahoma.
        QTest::addColumn<bool>("mayGrow");
        const QString window = "FormMain";
        const QString current = "sGroupBoxCurrentParameters";
        const QString update = "sGroupBoxUpdateParameters";
        QTest::newRow("sLabelSerialPort") << window << QRect(24, 8, 49, 13) << true;
        QTest::newRow("sComboBoxPortName") << window << QRect(24, 24, 85, 21) << false;
        QTest::newRow("sGroupBoxCurrentParameters") << window << QRect(8, 56, 305, 73) << false;
        QTest::newRow("sLabelBaudrate") << current << QRect(16, 24, 44, 13) << true;
        QTest::newRow("sLabelParity") << current << QRect(112, 24, 28, 13) << true;
        QTest::newRow("sLabelAddress") << current << QRect(208, 24, 39, 13) << true;
        QTest::newRow("sComboBoxBaudrate") << current << QRect(16, 40, 85, 21) << false;
        QTest::newRow("sComboBoxParity") << current << QRect(112, 40, 85, 21) << false;
        QTest::newRow("sSpinEditAddress") << current << QRect(208, 40, 86, 21) << false;
        QTest::newRow("sGroupBoxUpdateParameters") << window << QRect(8, 136, 305, 113) << false;
        QTest::newRow("sLabelBaudrate_new") << update << QRect(16, 24, 68, 13) << true;
        QTest::newRow("sLabelParity_new") << update << QRect(112, 24, 52, 13) << true;
        QTest::newRow("sLabelAddress_new") << update << QRect(208, 24, 63, 13) << true;
        QTest::newRow("sComboBoxBaudrate_new") << update << QRect(16, 40, 85, 21) << false;
        QTest::newRow("sComboBoxParity_new") << update << QRect(112, 40, 85, 21) << false;
        QTest::newRow("sSpinEditAddress_new") << update << QRect(208, 40, 86, 21) << false;
        QTest::newRow("sButtonSet") << update << QRect(208, 80, 89, 25) << false;
        QTest::newRow("sLabelMeasurement") << window << QRect(24, 264, 65, 13) << true;
        QTest::newRow("sEditMeasurement") << window << QRect(16, 280, 161, 21) << false;
        QTest::newRow("StaticTextMeasurement") << window << QRect(24, 283, 145, 17) << false;
        QTest::newRow("sLabelInfo") << window << QRect(208, 264, 105, 41) << false;
    }

    void layout()
    {
        QFETCH(QString, parent);
        QFETCH(QRect, at96dpi);
        QFETCH(bool, mayGrow);
        const double scale = Scale();
        const QRect expected(qRound(at96dpi.x() * scale), qRound(at96dpi.y() * scale),
                             qRound(at96dpi.width() * scale), qRound(at96dpi.height() * scale));

        auto* control = Find<QWidget>(*window, QTest::currentDataTag());
        QCOMPARE(control->parentWidget()->objectName(), parent);
        if (mayGrow) {
            QCOMPARE(control->pos(), expected.topLeft());
            QVERIFY(control->width() >= expected.width());
            QCOMPARE(control->height(), expected.height());
        } else {
            QCOMPARE(control->geometry(), expected);
        }
    }

    void windowIsFixedWithCloseBoxOnly()
    {
        const QSize client(qRound(322 * Scale()), qRound(320 * Scale()));
        QCOMPARE(window->size(), client);
        QCOMPARE(window->minimumSize(), client);
        QCOMPARE(window->maximumSize(), client);
        const Qt::WindowFlags flags = window->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(window->geometry().center(), window->screen()->availableGeometry().center());
    }

    void measurementFrameLooksEnabled()
    {
        auto* frame = Find<QLineEdit>(*window, "sEditMeasurement");
        QVERIFY(!frame->isEnabled());
        for (auto role : {QPalette::Base, QPalette::Text, QPalette::Window, QPalette::Mid})
            QCOMPARE(frame->palette().color(QPalette::Disabled, role),
                     frame->palette().color(QPalette::Active, role));
        QVERIFY(Find<QLabel>(*window, "StaticTextMeasurement")->font().bold());
        QVERIFY(Find<QLabel>(*window, "StaticTextMeasurement")
                    ->geometry()
                    .intersects(frame->geometry()));
    }

    // Whatever font stands in for Tahoma, no text loses its end.
    void textsFit()
    {
        for (QLabel* label : window->findChildren<QLabel*>()) {
            const QFontMetrics metrics(label->font());
            for (const QString& line : label->text().split('\n'))
                QVERIFY2(metrics.horizontalAdvance(line) <= label->contentsRect().width(),
                         qPrintable(label->objectName() + ": " + line));
        }
        for (QComboBox* list : window->findChildren<QComboBox*>()) {
            QStyleOptionComboBox option;
            option.initFrom(list);
            option.editable = list->isEditable();
            const QRect field = list->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                              QStyle::SC_ComboBoxEditField, list);
            // The port list must also show a typed pseudo-terminal path whole.
            QStringList texts = Items(list);
            if (list->isEditable())
                texts << "/dev/pts/10";
            for (const QString& item : texts)
                QVERIFY2(list->fontMetrics().horizontalAdvance(item) <= field.width(),
                         qPrintable(list->objectName() + ": " + item));
        }

        // Measurement texts as wide as those the frame was made for in Tahoma.
        auto* text = Find<QLabel>(*window, "StaticTextMeasurement");
        for (const char* shown : {"21.500    1.000    -2.000  ", "655.35  655.35  655.35",
                                  "-20.125    100.000    -0.500  "}) {
            window->SetMeasurement(shown, MeasurementGreen);
            QVERIFY2(QFontMetrics(text->font()).horizontalAdvance(shown) <=
                         text->contentsRect().width(),
                     shown);
            QCOMPARE(text->text(), QString(shown));
        }
        // A short text takes the full size back.
        window->SetMeasurement("No sensor", MeasurementRed);
        QCOMPARE(text->font().pointSizeF(), window->font().pointSizeF());
    }

    void measurementColour()
    {
        auto* text = Find<QLabel>(*window, "StaticTextMeasurement");
        window->SetMeasurement("1.25  0.00  655.35", MeasurementGreen);
        QCOMPARE(text->palette().color(text->foregroundRole()), QColor(0, 128, 0));
        window->SetMeasurement("No sensor", MeasurementRed);
        QCOMPARE(text->palette().color(text->foregroundRole()), QColor(255, 0, 0));
    }

    void tabOrder()
    {
        ShowActive();
        Find<QComboBox>(*window, "sComboBoxPortName")->setFocus();
        const QStringList expected{"sComboBoxBaudrate",   "sComboBoxParity",
                                   "sSpinEditAddress",    "sComboBoxBaudrate_new",
                                   "sComboBoxParity_new", "sSpinEditAddress_new",
                                   "sButtonSet",          "sComboBoxPortName"};
        QStringList visited;
        for (int i = 0; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << FocusedControl();
        }
        QCOMPARE(visited, expected);
    }

    // The request is raised once however often Set is pressed before the next tick; the
    // tick then shows the one "Error" box the missing port calls for, and no other.
    void setRaisesOneRequest()
    {
        StopTicks();
        ShowActive();
        TypeInto(Find<QComboBox>(*window, "sComboBoxPortName")->lineEdit(), MissingPort);
        auto* set = Find<QPushButton>(*window, "sButtonSet");
        QTest::mouseClick(set, Qt::LeftButton);
        QTest::mouseClick(set, Qt::LeftButton);
        QCOMPARE(window->Cycle().commandFlags, uint8_t(TickCycle::SetRequested));
        QCOMPARE(FocusedControl(), QString("sButtonSet"));

        MessageBoxCloser closer;
        for (int tick = 0; tick < 10; ++tick)
            window->TimerComandTimer();
        QCOMPARE(closer.shown.size(), 1);
        const ShownMessage& box = closer.shown.front();
        QCOMPARE(box.caption, QString("Error"));
        QCOMPARE(box.text, QString("Can not open serial port \"%1\"").arg(MissingPort));
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.buttonCount, 1);
        QCOMPARE(box.modality, Qt::ApplicationModal);
        QVERIFY2(!box.details.isEmpty(), "the system's reason goes with the box");
        QCOMPARE(window->Cycle().commandFlags, uint8_t(0));

        // The tenth tick polled the missing port.
        auto* text = Find<QLabel>(*window, "StaticTextMeasurement");
        QCOMPARE(text->text(), QString("No sensor"));
        QCOMPARE(text->palette().color(text->foregroundRole()), QColor(255, 0, 0));
        QVERIFY2(Find<QTimer>(*window, "TimerComand")->isActive(), "the tick restarts it");
    }

    void successTextBreaksLine()
    {
        MessageBoxCloser closer;
        window->ShowMessage("Success.\rPlease power off and power on the sensor.",
                            "Parameters updated", MessageIcon::Information, "");
        QCOMPARE(closer.shown.size(), 1);
        QCOMPARE(closer.shown[0].text,
                 QString("Success.\nPlease power off and power on the sensor."));
        QCOMPARE(closer.shown[0].caption, QString("Parameters updated"));
        QCOMPARE(closer.shown[0].icon, QMessageBox::Information);
        QCOMPARE(closer.shown[0].details, QString());
    }

    // What the field shows once the focus has moved on to Set, and what the cycle reads
    // meanwhile: always the number shown, or the last one while nothing valid stands.
    void addressFieldKeepsInRange_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("readWhileTyping");
        QTest::addColumn<QString>("shownAfterwards");
        QTest::newRow("in range") << "12" << 12 << "12";
        QTest::newRow("third digit beyond 247 refused") << "300" << 30 << "30";
        QTest::newRow("248") << "248" << 24 << "24";
        QTest::newRow("zero") << "0" << 247 << "247";
        QTest::newRow("emptied") << "" << 247 << "247";
        QTest::newRow("letters refused") << "abc" << 247 << "247";
    }

    void addressFieldKeepsInRange()
    {
        QFETCH(QString, typed);
        QFETCH(int, readWhileTyping);
        QFETCH(QString, shownAfterwards);
        StopTicks();
        ShowActive();

        auto* field = Find<QSpinBox>(*window, "sSpinEditAddress");
        TypeInto(field, typed);
        QCOMPARE(window->AddressValue(), readWhileTyping);

        QTest::mouseClick(Find<QPushButton>(*window, "sButtonSet"), Qt::LeftButton);
        QCOMPARE(field->text(), shownAfterwards);
        QCOMPARE(window->AddressValue(), shownAfterwards.toInt());
    }

    // Dropping the list down reads the ports again without touching what was typed.
    void portListKeepsTypedName()
    {
        StopTicks();
        ShowActive();
        auto* port = Find<QComboBox>(*window, "sComboBoxPortName");
        port->addItem("ttyGONE0");  // a port unplugged since the list was filled
        TypeInto(port->lineEdit(), "ttyTYPED7");
        port->showPopup();
        port->hidePopup();
        QCOMPARE(Items(port), PortComboBox::PortsPresent());
        QCOMPARE(port->currentText(), QString("ttyTYPED7"));
        QCOMPARE(window->PortNameText(), std::string("ttyTYPED7"));
    }
};

QTEST_MAIN(FormMainTest)
#include "form_main_test.moc"
