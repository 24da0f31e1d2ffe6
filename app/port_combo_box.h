// The port list: an editable list of the serial ports present, read again each time it
// drops down so that an adapter plugged in after start shows up.
#pragma once

#include <QComboBox>
#include <QStringList>

class PortComboBox : public QComboBox {
public:
    explicit PortComboBox(QWidget* parent);

    // The names under /dev of the serial ports present now.
    static QStringList PortsPresent();

protected:
    // Fills the list anew before it drops down; the text typed or chosen stays as it is.
    void showPopup() override;
};
