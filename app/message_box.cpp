// Modal message boxes for the cycle's outcomes.
#include "message_box.h"

#include <QMessageBox>

void ShowModalMessage(QWidget* parent, const std::string& text, const std::string& caption,
                      MessageIcon icon, const std::string& details)
{
    QMessageBox box(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Information,
                    QString::fromStdString(caption),
                    QString::fromStdString(text).replace(QLatin1Char('\r'), QLatin1Char('\n')),
                    QMessageBox::Ok, parent);
    // The text can hold a typed port name; it must never be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    if (!details.empty()) {
        // The details label guesses its format from the text, so hand it markup that is
        // markup for certain, with the details escaped inside.
        box.setInformativeText(QStringLiteral("<p>%1</p>")
                                   .arg(QString::fromStdString(details).toHtmlEscaped().replace(
                                       QLatin1Char('\n'), QStringLiteral("<br>"))));
    }
    box.exec();
}
