// Exceptions must not cross Qt's event loop, which is not built for them; they end here.
#include "application.h"

#include <QMessageBox>

#include <exception>

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowException(QString());
    }
    return false;
}

void TApplication::ShowException(const QString& message)
{
    QMessageBox::critical(nullptr, QApplication::applicationDisplayName(), message);
}
