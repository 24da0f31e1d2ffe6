// The tool's one window: the port and the sensor's present and new line settings, the
// measurement display, and the 100 ms timer whose ticks run all traffic with the sensor.
#pragma once

#include "cycle_window.h"
#include "tick_cycle.h"

#include <QFont>
#include <QWidget>

#include <memory>

class PortComboBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;

class TFormMain : public QWidget, public CycleWindow {
    Q_OBJECT

public:
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    void TimerComandTimer();
    void sButtonSetClick();

    // What the cycle holds (flags, sensor profile), to look at.
    const TickCycle& Cycle() const { return *cycle; }

    std::string PortNameText() override;
    int BaudrateIndex() override;
    int BaudrateNewIndex() override;
    int ParityIndex() override;
    int ParityNewIndex() override;
    int AddressValue() override;
    int AddressNewValue() override;
    void SetMeasurement(const std::string& text, TextColour colour) override;
    void SetAddressValue(int address) override;
    void SelectBaudrateIndex(int index) override;
    void SelectParityIndex(int index) override;
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                     const std::string& details) override;
    void SetTimerEnabled(bool enabled) override;

private:
    void CreateControls();
    void FormCreate();
    void FormDestroy();

    // A rectangle of the 96 dpi layout on this screen.
    QRect Scaled(int left, int top, int width, int height) const;
    void AddLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                  int width, int height);

    double scale = 1.0;
    QFont measurementFont;

    PortComboBox* sComboBoxPortName = nullptr;
    QComboBox* sComboBoxBaudrate = nullptr;
    QComboBox* sComboBoxParity = nullptr;
    QSpinBox* sSpinEditAddress = nullptr;
    QComboBox* sComboBoxBaudrate_new = nullptr;
    QComboBox* sComboBoxParity_new = nullptr;
    QSpinBox* sSpinEditAddress_new = nullptr;
    QPushButton* sButtonSet = nullptr;
    QLabel* StaticTextMeasurement = nullptr;
    QLabel* sLabelInfo = nullptr;
    QTimer* TimerComand = nullptr;

    std::unique_ptr<TickCycle> cycle;
};
