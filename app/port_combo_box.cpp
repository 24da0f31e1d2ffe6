// The port list that follows what is plugged in, without losing what was typed.
#include "port_combo_box.h"

#include "serial_ports.h"

PortComboBox::PortComboBox(QWidget* parent)
    : QComboBox(parent)
{
    setEditable(true);
    // A typed name is used as typed; it must not become an entry that then looks like a
    // port the machine has.
    setInsertPolicy(QComboBox::NoInsert);
}

QStringList PortComboBox::PortsPresent()
{
    QStringList names;
    for (const std::string& name : ListSerialPorts())
        names << QString::fromStdString(name);
    return names;
}

void PortComboBox::showPopup()
{
    // Replacing the items selects one and overwrites the edit text; put the text back, and
    // select its item only where it names one.
    const QString text = currentText();
    clear();
    addItems(PortsPresent());
    setCurrentIndex(findText(text));
    setEditText(text);
    QComboBox::showPopup();
}
