// The application object: an exception that escapes an event handler is shown to the
// technician in an error dialog, and the message loop goes on.
#pragma once

#include <QApplication>

class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The error dialog: the message, the application's name as caption, the error icon.
    static void ShowException(const QString& message);
};
