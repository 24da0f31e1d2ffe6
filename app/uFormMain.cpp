// The main window: its controls laid out as on the technician's 96 dpi screen and scaled
// to this one, the handlers that feed the tick cycle, and what the cycle reads and writes.
#include "uFormMain.h"

#include "fit_font.h"
#include "message_box.h"
#include "port_combo_box.h"
#include "sensor_profiles.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>

namespace {

constexpr double LayoutDpi = 96.0;
constexpr int TickMilliseconds = 100;
constexpr int FirstAddress = 1;
constexpr int LastAddress = 247;
constexpr int ListRowsShown = 16;
const char* const WebAddress = "tarnwell.example";

QComboBox* AddList(QWidget* parent, const char* name, QRect geometry)
{
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    list->setGeometry(geometry);
    list->setMaxVisibleItems(ListRowsShown);
    return list;
}

QSpinBox* AddAddressField(QWidget* parent, const char* name, QRect geometry)
{
    // The spin box refuses keystrokes that would leave 1 to 247, so the number the cycle
    // reads is always the one shown; a field emptied by the technician keeps its last
    // number and shows it again once it loses the focus.
    auto* field = new QSpinBox(parent);
    field->setObjectName(name);
    field->setGeometry(geometry);
    field->setRange(FirstAddress, LastAddress);
    field->setValue(LastAddress);
    field->setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    return field;
}

QGroupBox* AddGroup(QWidget* parent, const char* name, const QString& title, QRect geometry)
{
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(name);
    group->setGeometry(geometry);
    return group;
}

}  // namespace

TFormMain::TFormMain(QWidget* parent)
    : QWidget(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                  Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                  Qt::MSWindowsFixedSizeDialogHint)
{
    CreateControls();
    FormCreate();
}

TFormMain::~TFormMain()
{
    FormDestroy();
}

QRect TFormMain::Scaled(int left, int top, int width, int height) const
{
    return QRect(qRound(left * scale), qRound(top * scale), qRound(width * scale),
                 qRound(height * scale));
}

void TFormMain::AddLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                         int width, int height)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    // The table's sizes are Tahoma's; a wider stand-in font widens the label instead of
    // cutting its text, and the layout leaves room to the right of every label.
    const QRect geometry = Scaled(left, top, width, height);
    label->setGeometry(geometry.united(QRect(geometry.topLeft(), label->sizeHint())));
}

void TFormMain::CreateControls()
{
    setObjectName("FormMain");
    setWindowTitle("Tarnwell");
    // Points already follow the screen's resolution; positions and sizes follow it here.
    scale = screen()->logicalDotsPerInch() / LayoutDpi;
    QFont font(QStringLiteral("Tahoma"), 8);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
    setFixedSize(Scaled(0, 0, 322, 320).size());
    move(screen()->availableGeometry().center() - rect().center());

    AddLabel(this, "sLabelSerialPort", "Serial Port", 24, 8, 49, 13);
    sComboBoxPortName = new PortComboBox(this);
    sComboBoxPortName->setObjectName("sComboBoxPortName");
    sComboBoxPortName->setGeometry(Scaled(24, 24, 85, 21));
    sComboBoxPortName->setMaxVisibleItems(ListRowsShown);

    auto* current =
        AddGroup(this, "sGroupBoxCurrentParameters", "Current Parameters", Scaled(8, 56, 305, 73));
    AddLabel(current, "sLabelBaudrate", "Baudrate", 16, 24, 44, 13);
    AddLabel(current, "sLabelParity", "Parity", 112, 24, 28, 13);
    AddLabel(current, "sLabelAddress", "Address", 208, 24, 39, 13);
    sComboBoxBaudrate = AddList(current, "sComboBoxBaudrate", Scaled(16, 40, 85, 21));
    sComboBoxParity = AddList(current, "sComboBoxParity", Scaled(112, 40, 85, 21));
    sSpinEditAddress = AddAddressField(current, "sSpinEditAddress", Scaled(208, 40, 86, 21));

    auto* update =
        AddGroup(this, "sGroupBoxUpdateParameters", "Update Parameters", Scaled(8, 136, 305, 113));
    AddLabel(update, "sLabelBaudrate_new", "New Baudrate", 16, 24, 68, 13);
    AddLabel(update, "sLabelParity_new", "New Parity", 112, 24, 52, 13);
    AddLabel(update, "sLabelAddress_new", "New Address", 208, 24, 63, 13);
    sComboBoxBaudrate_new = AddList(update, "sComboBoxBaudrate_new", Scaled(16, 40, 85, 21));
    sComboBoxParity_new = AddList(update, "sComboBoxParity_new", Scaled(112, 40, 85, 21));
    sSpinEditAddress_new = AddAddressField(update, "sSpinEditAddress_new", Scaled(208, 40, 86, 21));
    sButtonSet = new QPushButton("Set", update);
    sButtonSet->setObjectName("sButtonSet");
    sButtonSet->setGeometry(Scaled(208, 80, 89, 25));
    connect(sButtonSet, &QPushButton::clicked, this, &TFormMain::sButtonSetClick);

    AddLabel(this, "sLabelMeasurement", "Measurement", 24, 264, 65, 13);
    // Only a frame behind the measurement text: disabled so it takes no input, yet drawn
    // with the colours of an enabled field rather than greyed out.
    auto* frame = new QLineEdit(this);
    frame->setObjectName("sEditMeasurement");
    frame->setGeometry(Scaled(16, 280, 161, 21));
    frame->setEnabled(false);
    QPalette framePalette = frame->palette();
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        const auto r = QPalette::ColorRole(role);
        if (r != QPalette::NoRole)
            framePalette.setColor(QPalette::Disabled, r, framePalette.color(QPalette::Active, r));
    }
    frame->setPalette(framePalette);

    StaticTextMeasurement = new QLabel(this);
    StaticTextMeasurement->setObjectName("StaticTextMeasurement");
    StaticTextMeasurement->setGeometry(Scaled(24, 283, 145, 17));
    StaticTextMeasurement->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Field colours, as the frame behind it, so the text reads in light and dark themes.
    StaticTextMeasurement->setAutoFillBackground(true);
    StaticTextMeasurement->setBackgroundRole(QPalette::Base);
    StaticTextMeasurement->setForegroundRole(QPalette::Text);
    measurementFont = font;
    measurementFont.setBold(true);
    StaticTextMeasurement->setFont(measurementFont);
    StaticTextMeasurement->raise();

    sLabelInfo = new QLabel(this);
    sLabelInfo->setObjectName("sLabelInfo");
    sLabelInfo->setGeometry(Scaled(208, 264, 105, 41));
    sLabelInfo->setAlignment(Qt::AlignCenter);

    setTabOrder(sComboBoxPortName, sComboBoxBaudrate);
    setTabOrder(sComboBoxBaudrate, sComboBoxParity);
    setTabOrder(sComboBoxParity, sSpinEditAddress);
    setTabOrder(sSpinEditAddress, sComboBoxBaudrate_new);
    setTabOrder(sComboBoxBaudrate_new, sComboBoxParity_new);
    setTabOrder(sComboBoxParity_new, sSpinEditAddress_new);
    setTabOrder(sSpinEditAddress_new, sButtonSet);

    TimerComand = new QTimer(this);
    TimerComand->setObjectName("TimerComand");
    // A coarse timer may drift by 5 %, and the poll is meant to come once a second.
    TimerComand->setTimerType(Qt::PreciseTimer);
    TimerComand->setInterval(TickMilliseconds);
    connect(TimerComand, &QTimer::timeout, this, &TFormMain::TimerComandTimer);
    TimerComand->start();
}

void TFormMain::FormCreate()
{
    cycle = std::make_unique<TickCycle>(*this);

    sComboBoxPortName->addItems(PortComboBox::PortsPresent());
    if (sComboBoxPortName->count() > 0)
        sComboBoxPortName->setCurrentIndex(0);

    for (QComboBox* list : {sComboBoxBaudrate, sComboBoxBaudrate_new}) {
        for (uint32_t baud : BaudRates)
            list->addItem(QString::number(baud));
        if (list->count() > 3)
            list->setCurrentIndex(3);
    }
    for (QComboBox* list : {sComboBoxParity, sComboBoxParity_new}) {
        for (const char* name : ParityNames)
            list->addItem(name);
        if (list->count() > 1)
            list->setCurrentIndex(1);
    }

    const QStringList info{"Modbus RTU", "Setup Tool", WebAddress};
    sLabelInfo->setFont(FontToFit(font(), info, sLabelInfo->contentsRect().size()));
    sLabelInfo->setText(info.join('\n'));
}

void TFormMain::FormDestroy()
{
    cycle.reset();
}

void TFormMain::TimerComandTimer()
{
    cycle->TimerComandTimer();
}

void TFormMain::sButtonSetClick()
{
    // Leaving an address field settles what was typed into it before the request counts.
    sButtonSet->setFocus(Qt::OtherFocusReason);
    cycle->RequestSet();
}

std::string TFormMain::PortNameText()
{
    return QFile::encodeName(sComboBoxPortName->currentText()).toStdString();
}

int TFormMain::BaudrateIndex()
{
    return sComboBoxBaudrate->currentIndex();
}
int TFormMain::BaudrateNewIndex()
{
    return sComboBoxBaudrate_new->currentIndex();
}
int TFormMain::ParityIndex()
{
    return sComboBoxParity->currentIndex();
}
int TFormMain::ParityNewIndex()
{
    return sComboBoxParity_new->currentIndex();
}
int TFormMain::AddressValue()
{
    return sSpinEditAddress->value();
}
int TFormMain::AddressNewValue()
{
    return sSpinEditAddress_new->value();
}

void TFormMain::SetMeasurement(const std::string& text, TextColour colour)
{
    const QString shown = QString::fromStdString(text);
    StaticTextMeasurement->setFont(
        FontToFit(measurementFont, {shown}, StaticTextMeasurement->contentsRect().size()));
    QPalette palette = StaticTextMeasurement->palette();
    palette.setColor(QPalette::Text, QColor(colour.red, colour.green, colour.blue));
    StaticTextMeasurement->setPalette(palette);
    StaticTextMeasurement->setText(shown);
}

void TFormMain::SetAddressValue(int address)
{
    sSpinEditAddress->setValue(address);
}
void TFormMain::SelectBaudrateIndex(int index)
{
    sComboBoxBaudrate->setCurrentIndex(index);
}
void TFormMain::SelectParityIndex(int index)
{
    sComboBoxParity->setCurrentIndex(index);
}

void TFormMain::ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                            const std::string& details)
{
    ShowModalMessage(this, text, caption, icon, details);
}

void TFormMain::SetTimerEnabled(bool enabled)
{
    if (enabled)
        TimerComand->start();
    else
        TimerComand->stop();
}
